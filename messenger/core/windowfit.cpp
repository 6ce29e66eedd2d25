#include "windowfit.h"

#include <limits>

namespace WindowFit {

namespace {

bool titleBarOn(const QRect &frame, int titleHeight, const QRect &screen)
{
    const QRect titleBar(frame.left(), frame.top(), frame.width(), qMax(1, titleHeight));
    const QRect visible = titleBar & screen;
    return visible.height() == titleBar.height() && visible.width() >= qMin(MinimumGrabWidth, titleBar.width());
}

// Squared distance from point to the nearest point of rect; 0 inside it.
qint64 distanceSquared(const QPoint &point, const QRect &rect)
{
    const qint64 dx = point.x() < rect.left() ? rect.left() - point.x()
        : point.x() > rect.right()            ? point.x() - rect.right()
                                              : 0;
    const qint64 dy = point.y() < rect.top() ? rect.top() - point.y()
        : point.y() > rect.bottom()          ? point.y() - rect.bottom()
                                             : 0;
    return dx * dx + dy * dy;
}

} // namespace

QRect fitFrame(const QRect &frame, int titleHeight, const QList<QRect> &screens)
{
    if (screens.isEmpty())
        return frame;
    for (const QRect &screen : screens) {
        if (titleBarOn(frame, titleHeight, screen))
            return frame;
    }
    const QPoint centre = frame.center();
    QRect nearest = screens.first();
    qint64 best = std::numeric_limits<qint64>::max();
    for (const QRect &screen : screens) {
        const qint64 d = distanceSquared(centre, screen);
        if (d < best) {
            best = d;
            nearest = screen;
        }
    }
    QRect fitted(frame.topLeft(), frame.size().boundedTo(nearest.size()));
    fitted.moveLeft(qBound(nearest.left(), fitted.left(), nearest.right() - fitted.width() + 1));
    fitted.moveTop(qBound(nearest.top(), fitted.top(), nearest.bottom() - fitted.height() + 1));
    return fitted;
}

} // namespace WindowFit
