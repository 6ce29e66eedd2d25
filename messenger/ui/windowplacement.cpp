#include "windowplacement.h"

#include "screenfit.h"
#include "windowfit.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <cmath>

namespace {

double twipsPerPixel(const QWidget *window)
{
    const int dpi = window->logicalDpiX();
    return dpi > 0 ? 1440.0 / dpi : 15.0;
}

} // namespace

void applyWindowPlace(const WindowPlace &place, QWidget *window)
{
    const double tpp = twipsPerPixel(window);
    auto edge = [&](const std::optional<float> &twips, int currentPixels) -> int {
        if (!twips)
            return currentPixels;
        const double pixels = *twips / tpp;
        if (pixels < -1e6 || pixels > 1e6)
            return currentPixels;
        return int(std::lround(pixels));
    };
    const QPoint framePosition(edge(place.Left, window->x()), edge(place.Top, window->y()));
    // The window cannot be smaller than its controls need, whatever is stored.
    const QSize clientSize = QSize(edge(place.Width, window->width()), edge(place.Height, window->height()))
                                 .expandedTo(window->minimumSize())
                                 .expandedTo(window->minimumSizeHint())
                                 .expandedTo(QSize(1, 1));

    // Stored on another screen setup, or damaged: the window must still open
    // where its user can reach it.
    const QMargins margins = ScreenFit::frameOf(window);
    QList<QRect> screens;
    for (const QScreen *screen : QGuiApplication::screens())
        screens.append(screen->availableGeometry());
    const QRect frame(framePosition, clientSize.grownBy(margins));
    const QRect reachable = WindowFit::fitFrame(frame, margins.top(), screens);
    // Then all of it inside the available area of the screen it is on, so
    // that no panel hides its status bar: shrunk where it must, down to its
    // least size.
    QRect client = reachable.marginsRemoved(margins);
    const QScreen *screen = QGuiApplication::screenAt(reachable.topLeft() + QPoint(margins.left(), margins.top()));
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (screen) {
        const QSize least = window->minimumSize().expandedTo(window->minimumSizeHint()).expandedTo(QSize(1, 1));
        client = ScreenFit::fitted(client, margins, least, screen->availableGeometry());
    }
    window->move(client.topLeft() - QPoint(margins.left(), margins.top()));
    window->resize(client.size().expandedTo(QSize(1, 1)));
}

std::optional<WindowPlace> windowPlaceOf(const QWidget *window)
{
    if (window->isMinimized())
        return std::nullopt;
    const double tpp = twipsPerPixel(window);
    // The frame's corner, where the next start places the frame: the same
    // point whether or not the window system has reported the frame yet.
    const QPoint corner = window->frameGeometry().topLeft();
    return WindowPlace { float(corner.x() * tpp), float(corner.y() * tpp), float(window->width() * tpp),
        float(window->height() * tpp) };
}
