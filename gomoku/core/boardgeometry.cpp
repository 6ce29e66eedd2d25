#include "boardgeometry.h"

#include <cstdlib>

namespace BoardGeometry {

int roundHalfEven(int numerator, int denominator)
{
    // Floor division, so negative values round the same way as positive ones.
    int quotient = numerator / denominator;
    int remainder = numerator % denominator;
    if (remainder < 0) {
        --quotient;
        remainder += denominator;
    }
    const int twice = 2 * remainder;
    if (twice > denominator || (twice == denominator && (quotient % 2) != 0))
        ++quotient;
    return quotient;
}

int cellSpacing(int clientExtent)
{
    return roundHalfEven(clientExtent, 20);
}

QPoint pointAt(int X, int Y, int cellWidth, int cellHeight)
{
    if (cellWidth <= 0 || cellHeight <= 0)
        return {};
    // The division truncates towards zero; a click left of or above the
    // client area gives 0 or less, which the caller treats as out of range.
    const int x = roundHalfEven(2 * X + cellWidth, 2) / cellWidth;
    const int y = roundHalfEven(2 * Y + cellHeight, 2) / cellHeight;
    return { x, y };
}

QRect stoneRect(int x, int y, int cellWidth, int cellHeight)
{
    const int left = roundHalfEven(2 * cellWidth * x - cellWidth, 2);
    const int top = roundHalfEven(2 * cellHeight * y - cellHeight, 2);
    return { left, top, cellWidth, cellHeight };
}

} // namespace BoardGeometry
