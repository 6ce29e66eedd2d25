#pragma once

#include <QList>
#include <QRect>

// Where a window with a stored place opens, so that it is never out of reach.
namespace WindowFit {

// How much of a title bar must lie on one screen for the user to grab it.
inline constexpr int MinimumGrabWidth = 100;

// frame: the window's outer rectangle (title bar and borders included) as
// stored; titleHeight: the height of its title bar; screens: the usable
// area of every screen (without panels).
//
// The frame is kept when its title bar lies on one screen: its whole height,
// and MinimumGrabWidth of its width (all of it when narrower). Otherwise the
// frame moves to the screen nearest to it, shrunk where it is larger than
// that screen, so that all of it is visible. Without screens it is kept.
QRect fitFrame(const QRect &frame, int titleHeight, const QList<QRect> &screens);

} // namespace WindowFit
