#pragma once

#include <QPoint>
#include <QRect>

// Where the grid and the stones lie in the board's client area.
//
// The grid spacing is client width / 20 and client height / 20; intersection
// (x, y) lies at pixel (CellWidth * x, CellHeight * y). Every rounding rounds
// halves to the even neighbour.
namespace BoardGeometry {

// numerator / denominator to the nearest integer, halves to even; denominator > 0.
int roundHalfEven(int numerator, int denominator);

// Grid spacing for a client extent (width or height).
int cellSpacing(int clientExtent);

// The intersection nearest to client point (X, Y): (X + CellWidth / 2) div
// CellWidth, and the same for rows. (0, 0) when the grid has no spacing.
QPoint pointAt(int X, int Y, int cellWidth, int cellHeight);

// The rectangle a stone at intersection (x, y) is drawn into, centred on it.
QRect stoneRect(int x, int y, int cellWidth, int cellHeight);

} // namespace BoardGeometry
