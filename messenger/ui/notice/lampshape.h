#pragma once

#include <QImage>
#include <QList>
#include <QRect>
#include <QRegion>

// The lamp pop-up's size and shape, as pure functions on pictures: no window
// is needed to compute or test them.
//
// The lamp pictures are 40 × 40 pixels. On screen they are magnified by an
// integer factor derived from the screen height, so the lamp takes about nine
// tenths of the screen's height: S = Magnify × 40 pixels square. The window's
// shape is every pixel of the magnified base picture whose colour differs
// from the key colour, the colour of its top-left pixel.

namespace LampShape {

inline constexpr int PictureSide = 40;
inline constexpr int FrameCount = 5;

// Opaque pixels x1 ≤ x < x2 of row y1; y2 equals y1.
struct PixelRun
{
    qint32 x1 = 0;
    qint32 y1 = 0;
    qint32 x2 = 0;
    qint32 y2 = 0;

    friend bool operator==(const PixelRun &, const PixelRun &) = default;
};

// ScreenHeightPx / 40 × 0.9, rounded to the nearest whole number with halves
// to the even neighbour: 600 -> 14, 768 -> 17, 1024 -> 23, 1080 -> 24.
qint16 Magnify(int screenHeightPx);

// The window's side S = Magnify × 40.
int lampWindowSide(qint16 magnify);

// The picture stretched to side × side by plain pixel replication (no smoothing,
// which would invent colours between the key and the lamp).
QImage magnifyPicture(const QImage &picture, int side);

// Source rectangle of frame k of the five-frame animation strip.
QRect lampFrameRect(int k);

// The frame that follows k in the cycle 0, 1, 2, 3, 4, 0, ...
qint16 nextLampFrame(qint16 k);

// Every run of pixels whose colour differs from the key colour (the colour of
// pixel (0, 0)), row by row, left to right. A run reaching the right edge ends
// at x2 = width. An empty picture, or one of the key colour only, gives no runs.
QList<PixelRun> ScanOpaqueRuns(const QImage &picture);

// The union of the runs' rectangles (x1, y1) – (x2, y2 + 1); empty runs are
// passed over. No runs give an empty region, which the caller takes as "no shape": the
// window stays a full square.
QRegion BuildRegionFromRuns(const QList<PixelRun> &runs);

} // namespace LampShape
