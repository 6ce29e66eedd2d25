#include "lampshape.h"

#include <cmath>
#include <vector>

namespace LampShape {

qint16 Magnify(int screenHeightPx)
{
    // Floating-point division and product, then round-to-nearest-even, which
    // is std::nearbyint in the default rounding mode.
    return qint16(std::nearbyint(screenHeightPx / double(PictureSide) * 0.9));
}

int WindowSide(qint16 magnify)
{
    return magnify * PictureSide;
}

QImage MagnifyPicture(const QImage &picture, int side)
{
    if (picture.isNull() || side <= 0)
        return QImage();
    return picture.convertToFormat(QImage::Format_RGB32)
        .scaled(side, side, Qt::IgnoreAspectRatio, Qt::FastTransformation);
}

QRect FrameRect(int k)
{
    return QRect(0, k * PictureSide, PictureSide, PictureSide);
}

qint16 NextLampFrame(qint16 k)
{
    ++k;
    return k > FrameCount - 1 ? 0 : k;
}

QList<PixelRun> ScanOpaqueRuns(const QImage &picture)
{
    QList<PixelRun> runs;
    if (picture.isNull())
        return runs;
    // One pixel layout for every source format; scanLine then reads words directly.
    const QImage image = picture.format() == QImage::Format_RGB32 || picture.format() == QImage::Format_ARGB32
        ? picture
        : picture.convertToFormat(QImage::Format_RGB32);
    const int width = image.width();
    const int height = image.height();
    // Alpha is ignored: the pictures are opaque 24-bit colour.
    const QRgb key = image.pixel(0, 0) & RGB_MASK;

    for (int y = 0; y < height; ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        bool inRun = false;
        for (int x = 0; x < width; ++x) {
            const bool opaque = (line[x] & RGB_MASK) != key;
            if (opaque && !inRun) {
                runs.append(PixelRun { x, y, 0, 0 });
                inRun = true;
            } else if (!opaque && inRun) {
                runs.last().x2 = x;
                runs.last().y2 = y;
                inRun = false;
            }
        }
        if (inRun) {
            runs.last().x2 = width;
            runs.last().y2 = y;
        }
    }
    return runs;
}

namespace {

// Whether runs are in the order ScanOpaqueRuns makes them: rows ascending,
// and within a row non-empty runs left to right with a gap between them.
bool InScanOrder(const QList<PixelRun> &runs)
{
    for (qsizetype i = 0; i < runs.size(); ++i) {
        const PixelRun &run = runs[i];
        if (run.x2 <= run.x1 || run.y2 != run.y1)
            return false;
        if (i == 0)
            continue;
        const PixelRun &before = runs[i - 1];
        if (run.y1 < before.y1 || (run.y1 == before.y1 && run.x1 <= before.x2))
            return false;
    }
    return true;
}

// The plain union, one rectangle at a time, for runs in any order.
QRegion UniteRuns(const QList<PixelRun> &runs)
{
    QRegion region;
    for (const PixelRun &run : runs) {
        if (run.x2 > run.x1 && run.y2 >= run.y1)
            region += QRect(QPoint(run.x1, run.y1), QPoint(run.x2 - 1, run.y2));
    }
    return region;
}

} // namespace

QRegion BuildRegionFromRuns(const QList<PixelRun> &runs)
{
    if (!InScanOrder(runs))
        return UniteRuns(runs);

    // OR-ing one rectangle at a time costs a region merge per run (tens of
    // thousands for a full-screen lamp). The runs already come sorted by row
    // and then by column, never overlap and never touch, so they form a
    // banded region directly; rows whose runs equal the row above are merged
    // into one taller band, which keeps the region small (a magnified
    // picture repeats every row Magnify times).
    std::vector<QRect> rects;
    rects.reserve(runs.size());

    qsizetype rowStart = 0;
    qsizetype previousBandStart = -1; // first rect of the band above, in rects
    qsizetype previousBandSize = 0;
    while (rowStart < runs.size()) {
        const qint32 y = runs[rowStart].y1;
        qsizetype rowEnd = rowStart;
        while (rowEnd < runs.size() && runs[rowEnd].y1 == y)
            ++rowEnd;
        const qsizetype rowSize = rowEnd - rowStart;

        bool extendsBandAbove = previousBandStart >= 0 && previousBandSize == rowSize
            && rects[previousBandStart].bottom() + 1 == y;
        for (qsizetype i = 0; extendsBandAbove && i < rowSize; ++i) {
            const QRect &above = rects[previousBandStart + i];
            const PixelRun &run = runs[rowStart + i];
            extendsBandAbove = above.left() == run.x1 && above.right() + 1 == run.x2;
        }
        if (extendsBandAbove) {
            for (qsizetype i = 0; i < rowSize; ++i)
                rects[previousBandStart + i].setBottom(y);
        } else {
            previousBandStart = qsizetype(rects.size());
            previousBandSize = rowSize;
            for (qsizetype i = rowStart; i < rowEnd; ++i) {
                const PixelRun &run = runs[i];
                rects.emplace_back(QPoint(run.x1, run.y1), QPoint(run.x2 - 1, run.y2));
            }
        }
        rowStart = rowEnd;
    }

    QRegion region;
    if (!rects.empty())
        region.setRects(rects.data(), int(rects.size()));
    return region;
}

} // namespace LampShape
