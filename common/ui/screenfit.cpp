#include "screenfit.h"

#include <QApplication>
#include <QScreen>
#include <QStyle>
#include <QWidget>
#include <QWindow>

#include <algorithm>
#include <cmath>

namespace ScreenFit {

namespace {

// Set on a window once it has been fitted at its first showing.
constexpr char FittedProperty[] = "pelwickScreenFitted";

class FirstShowFilter : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Show && watched->isWidgetType()) {
            auto *widget = static_cast<QWidget *>(watched);
            const Qt::WindowType type = widget->windowType();
            if (widget->isWindow() && type != Qt::Popup && type != Qt::ToolTip && type != Qt::Desktop
                && !widget->property(FittedProperty).toBool()) {
                widget->setProperty(FittedProperty, true);
                fitToScreen(widget);
            }
        }
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

// The most a window manager commonly draws beside and below a window.
constexpr int EstimatedBorder = 4;

QMargins frameOf(const QWidget *window)
{
    if (window->windowFlags() & Qt::FramelessWindowHint)
        return {};
    if (const QWindow *handle = window->windowHandle()) {
        const QMargins known = handle->frameMargins();
        if (!known.isNull())
            return known;
    }
    const int title = window->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, window);
    return { EstimatedBorder, title + EstimatedBorder, EstimatedBorder, EstimatedBorder };
}

QRect fitted(const QRect &client, const QMargins &frame, const QSize &minimum, const QRect &area)
{
    QRect outer = client.marginsAdded(frame);
    const QSize least = minimum.grownBy(frame);
    outer.setWidth(qMax(qMin(outer.width(), area.width()), least.width()));
    outer.setHeight(qMax(qMin(outer.height(), area.height()), least.height()));
    // Within the area, or at its top left where it cannot be.
    outer.moveLeft(qMax(area.left(), qMin(outer.left(), area.right() + 1 - outer.width())));
    outer.moveTop(qMax(area.top(), qMin(outer.top(), area.bottom() + 1 - outer.height())));
    return outer.marginsRemoved(frame);
}

void fitToScreen(QWidget *window)
{
    // A window its program placed (a stored place, a dialog centred on its
    // owner) was fitted where it was placed: moved now, between the native
    // window's creation and its mapping, it would lose its frame's place.
    const QScreen *screen = window->screen();
    if (!screen || window->testAttribute(Qt::WA_Moved))
        return;
    const QSize minimum = window->minimumSize().expandedTo(window->minimumSizeHint()).expandedTo(QSize(1, 1));
    const QMargins frame = frameOf(window);
    const QRect area = screen->availableGeometry();
    const QRect client(area.topLeft() + QPoint(frame.left(), frame.top()), window->size());
    // Only ever smaller; the window manager places it inside the area then.
    const QSize size = fitted(client, frame, minimum, area).size().boundedTo(window->size());
    if (size != window->size())
        window->resize(size);
}

void install()
{
    qApp->installEventFilter(new FirstShowFilter(qApp));
    // At a fractional scale (1.5) the style draws the frame of a text box or
    // list between two pixels and loses a side or two of it; a plain border
    // of one pixel, in the colour the style draws frames in, stays whole.
    const QList<QScreen *> screens = QGuiApplication::screens();
    const bool fractional = std::any_of(screens.begin(), screens.end(), [](const QScreen *screen) {
        return !qFuzzyCompare(screen->devicePixelRatio(), std::round(screen->devicePixelRatio()));
    });
    if (fractional && qApp->styleSheet().isEmpty()) {
        const QString frame = qApp->palette().color(QPalette::Window).darker(140).name();
        qApp->setStyleSheet(QStringLiteral("QAbstractScrollArea[frameShape=\"StyledPanel\"] { border: 1px solid %1; }")
                                .arg(frame));
    }
}

} // namespace ScreenFit
