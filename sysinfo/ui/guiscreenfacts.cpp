#include "guiscreenfacts.h"

#include <QGuiApplication>
#include <QScreen>

QRect GuiScreenFacts::workArea() const
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen)
        return {};
    // Qt measures in device-independent pixels; the work area is given in
    // the screen's own pixels.
    const QRect area = screen->availableGeometry();
    const qreal ratio = screen->devicePixelRatio();
    return QRect(qRound(area.x() * ratio), qRound(area.y() * ratio), qRound(area.width() * ratio),
        qRound(area.height() * ratio));
}

double GuiScreenFacts::twipsPerPixelY() const
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen)
        return 0.0;
    const double dotsPerInch = screen->logicalDotsPerInchY() * screen->devicePixelRatio();
    return dotsPerInch > 0.0 ? 1440.0 / dotsPerInch : 0.0;
}
