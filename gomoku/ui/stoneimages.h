#pragma once

#include <QColor>
#include <QImage>
#include <QSize>

// The four stone images of the board, 32 x 32 on a square of the board
// colour: 0 black stone, 1 white stone with a black outline, 2 black stone
// with a yellow centre mark edged in white, 3 white stone with a red centre
// mark. 0 and 1 are the plain stones of colour codes 0 and 1; adding 2 gives
// the marked stone of the same colour.
namespace StoneImages {

constexpr int ImageSize = 32;
constexpr int Count = 4;
constexpr int MarkedOffset = 2;

// pixels: the image's size in device pixels, so a stone is drawn sharp at
// the size it is shown (the board's cell at the screen's pixel ratio).
QImage stone(int index, const QColor &background, const QSize &pixels = QSize(ImageSize, ImageSize));

} // namespace StoneImages
