#include "windowhelpers.h"

#include "logcategories.h"

#include <QEventLoop>
#include <QGuiApplication>
#include <QFontMetrics>
#include <QPointer>
#include <QStyle>
#include <QTimer>
#include <QWidget>
#include <QWindow>

namespace {

constexpr const char *InvertedProperty = "pelwickCaptionInverted";
constexpr const char *FlashStateName = "pelwickCaptionFlash";
constexpr const char *NormalCaptionProperty = "pelwickCaptionNormal";
constexpr const char *MarkedCaptionProperty = "pelwickCaptionMarked";
// Set while a stay-on-top change waits for the event loop.
constexpr const char *TopmostPendingProperty = "pelwickTopmostPending";

// The flash of one window: the stop request (FlashStopRequested) and the
// wait of the round in progress, so StopFlashing can end it early. A child
// of the window, so it lives and dies with it.
class CaptionFlash : public QObject
{
public:
    explicit CaptionFlash(QWidget *window)
        : QObject(window)
    {
        setObjectName(QLatin1String(FlashStateName));
    }

    static CaptionFlash *of(QWidget *window)
    {
        auto *state = window->findChild<CaptionFlash *>(QLatin1String(FlashStateName), Qt::FindDirectChildrenOnly);
        return state ? state : new CaptionFlash(window);
    }

    bool FlashStopRequested = false;
    QPointer<QEventLoop> activeWait;
};

// Marks either side of the caption's text in its inverted look.
const QString InvertedMark = QStringLiteral("■");

// The platform has no inverted caption. The caption's text gets marks
// either side instead, which shows whether or not the window is active;
// an inactive one also shows the attention (urgency) state in the task bar
// for the round, cleared again by the platform when the round is over, so
// that no mark is left behind. A text the program sets meanwhile stands.
void setCaptionInverted(QWidget *window, bool inverted, int roundMs)
{
    window->setProperty(InvertedProperty, inverted);
    if (inverted) {
        const QString normal = window->windowTitle();
        const QString marked = InvertedMark + QLatin1Char(' ') + normal + QLatin1Char(' ') + InvertedMark;
        window->setProperty(NormalCaptionProperty, normal);
        window->setProperty(MarkedCaptionProperty, marked);
        window->setWindowTitle(marked);
        if (QWindow *handle = window->windowHandle(); handle && !window->isActiveWindow() && roundMs > 0)
            handle->alert(roundMs);
        return;
    }
    if (window->windowTitle() == window->property(MarkedCaptionProperty).toString())
        window->setWindowTitle(window->property(NormalCaptionProperty).toString());
    window->setProperty(MarkedCaptionProperty, QVariant());
}

class ModalMinimiseFilter : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::WindowStateChange && watched->isWidgetType()) {
            auto *dialog = static_cast<QWidget *>(watched);
            if (dialog->isWindow() && dialog->isModal() && dialog->isMinimized()) {
                // After the window manager has finished minimising: its
                // window first, then the dialog on top with the focus.
                QTimer::singleShot(0, dialog, [dialog] {
                    if (!dialog->isVisible())
                        return;
                    if (QWidget *owner = dialog->parentWidget())
                        bringToFront(owner->window());
                    bringToFront(dialog);
                });
            }
        }
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

int titleBarWidth(const QWidget *window, const QString &title)
{
    QFont titleFont = window->font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.25);
    return QFontMetrics(titleFont).horizontalAdvance(title)
        + window->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, window) * 8;
}

void keepModalDialogsInReach()
{
    qApp->installEventFilter(new ModalMinimiseFilter(qApp));
}

Qt::WindowFlags dialogWindowFlags()
{
    return Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint;
}

void SetTopmost(bool onTop, QWidget *window)
{
    if (!window)
        return;
    Qt::WindowFlags flags = window->windowFlags();
    flags.setFlag(Qt::WindowStaysOnTopHint, onTop);
    if (!window->windowHandle() || !window->testAttribute(Qt::WA_WState_Created)) {
        // No native window yet: the flag is part of its creation.
        const bool hidden = window->isHidden();
        window->setWindowFlags(flags);
        if (!hidden)
            window->show();
        return;
    }
    // QWidget::setWindowFlags would destroy and re-create the native window.
    // The widget learns the flags without that; the platform window passes
    // the stay-on-top state to the window manager once the event loop turns,
    // so "on top, then back to the setting" within one handler (bringing a
    // window forward) raises it without telling the window manager twice,
    // which X11 answers by re-creating the window at its next showing.
    window->overrideWindowFlags(flags);
    if (!window->property(TopmostPendingProperty).toBool()) {
        window->setProperty(TopmostPendingProperty, true);
        QMetaObject::invokeMethod(
            window,
            [target = QPointer<QWidget>(window)] {
                if (!target)
                    return;
                target->setProperty(TopmostPendingProperty, false);
                QWindow *handle = target->windowHandle();
                const Qt::WindowFlags wanted = target->windowFlags();
                if (handle && (handle->flags() & Qt::WindowStaysOnTopHint) != (wanted & Qt::WindowStaysOnTopHint))
                    handle->setFlags(wanted);
            },
            Qt::QueuedConnection);
    }
    if (window->isVisible())
        window->raise();
}

void FlashCaption(QWidget *window, qint16 count, float seconds)
{
    if (!window)
        return;
    QPointer<CaptionFlash> state = CaptionFlash::of(window);
    state->FlashStopRequested = false;
    QPointer<QWidget> target(window);
    for (int i = 0; i <= count; ++i) {
        if (!target || !state || state->FlashStopRequested)
            break;
        const int roundMs = qMax(0, int(seconds * 1000.0f));
        setCaptionInverted(target, !captionInverted(target), roundMs);

        QEventLoop wait;
        QTimer::singleShot(roundMs, &wait, &QEventLoop::quit);
        // A window destroyed during the wait ends the flash at once instead
        // of keeping its caller waiting out the round.
        QObject::connect(target, &QObject::destroyed, &wait, &QEventLoop::quit);
        const QPointer<QEventLoop> outer = state->activeWait;
        state->activeWait = &wait;
        if (!state->FlashStopRequested)
            wait.exec();
        if (state)
            state->activeWait = outer;
    }
    if (target)
        setCaptionInverted(target, false, 0);
}

void StopFlashing(QWidget *window)
{
    if (!window)
        return;
    CaptionFlash *state = CaptionFlash::of(window);
    state->FlashStopRequested = true;
    if (state->activeWait)
        state->activeWait->quit();
}

bool captionInverted(const QWidget *window)
{
    return window && window->property(InvertedProperty).toBool();
}

bool IsWindowsNT()
{
    return false;
}

bool windowsComeForwardByThemselves()
{
    return !QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

void bringToFront(QWidget *window, const QString &activationToken)
{
    if (!window)
        return;
    window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    window->show();
    window->raise();
    // Wayland compositors activate a window for the token of the request
    // that asked for it; the platform plugin takes it from the environment
    // at the next activation and clears it.
    if (!windowsComeForwardByThemselves()) {
        if (!activationToken.isEmpty())
            qputenv("XDG_ACTIVATION_TOKEN", activationToken.toUtf8());
        else
            qCDebug(lcDesktop) << "brought forward without an activation token: the compositor may leave"
                               << window->objectName() << "behind";
    }
    window->activateWindow();
}
