#pragma once

#include <QMargins>
#include <QRect>
#include <QSize>

class QWidget;

// Every window opens inside its screen's available area (without panels),
// at any scale: larger than the area, it shrinks, though not below its
// minimum size; placed partly outside, it moves in.
namespace ScreenFit {

// The client rectangle a window of client rectangle client, with frame
// margins around it and minimum as its least client size, takes to lie
// inside area. Where even the minimum does not fit, the window keeps its
// minimum and its title bar's corner lies at the area's top left.
QRect fitted(const QRect &client, const QMargins &frame, const QSize &minimum, const QRect &area);

// The window's frame around its client area: as the window system reports
// it once the window is shown, else a title bar of the style and borders as
// wide as window managers commonly draw them; none for a frameless window.
QMargins frameOf(const QWidget *window);

// Shrinks window, when nobody placed it, to fit the available area of its
// screen; the window manager then places it inside.
void fitToScreen(QWidget *window);

// Fits every window of the program as it is first shown. A window its
// program places fits itself where it places it (fitted()). At a fractional
// scale, the frames of text boxes and lists are drawn as plain borders,
// which stay whole there.
void install();

} // namespace ScreenFit
