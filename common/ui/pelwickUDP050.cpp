#include "pelwickUDP050.h"

#include <QEventLoop>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <QWindow>

namespace {

// Set by StopFlashing; a FlashCaption in progress watches it.
bool FlashStopRequested = false;
// The wait of the FlashCaption in progress, so StopFlashing can end it early.
QPointer<QEventLoop> ActiveFlashWait;

constexpr const char *InvertedProperty = "pelwickCaptionInverted";

void setCaptionInverted(QWidget *window, bool inverted)
{
    window->setProperty(InvertedProperty, inverted);
    // The platform has no inverted caption; the attention (urgency) state is
    // its counterpart. alert(0) raises it until the window is activated.
    if (QWindow *handle = window->windowHandle(); handle && inverted)
        handle->alert(0);
}

} // namespace

void SetTopmost(bool onTop, QWidget *window)
{
    if (!window)
        return;
    const bool wasVisible = window->isVisible();
    if (window->testAttribute(Qt::WA_WState_Created)
        && bool(window->windowFlags() & Qt::WindowStaysOnTopHint) == onTop) {
        if (wasVisible)
            window->raise();
        return;
    }
    window->setWindowFlag(Qt::WindowStaysOnTopHint, onTop);
    if (wasVisible) {
        window->show();
        window->raise();
    }
}

void FlashCaption(QWidget *window, qint16 count, float seconds)
{
    FlashStopRequested = false;
    QPointer<QWidget> target(window);
    for (int i = 0; i <= count; ++i) {
        if (FlashStopRequested || !target)
            break;
        setCaptionInverted(target, !captionInverted(target));

        QEventLoop wait;
        QTimer::singleShot(qMax(0, int(seconds * 1000.0f)), &wait, &QEventLoop::quit);
        // A window destroyed during the wait ends the flash at once instead
        // of keeping its caller waiting out the round.
        QObject::connect(target, &QObject::destroyed, &wait, &QEventLoop::quit);
        const QPointer<QEventLoop> outer = ActiveFlashWait;
        ActiveFlashWait = &wait;
        if (!FlashStopRequested)
            wait.exec();
        ActiveFlashWait = outer;
    }
    if (target)
        setCaptionInverted(target, false);
}

void StopFlashing()
{
    FlashStopRequested = true;
    if (ActiveFlashWait)
        ActiveFlashWait->quit();
}

bool captionInverted(const QWidget *window)
{
    return window && window->property(InvertedProperty).toBool();
}

bool IsWindowsNT()
{
    return false;
}
