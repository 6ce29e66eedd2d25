// Times what the lamp pop-up does once per showing: magnify the 40 × 40 base
// picture to S × S, scan its opaque runs and build the window region, for
// S = 920 (a 1,024-pixel-high screen). Also times one animation step and the
// region of a picture with many runs per row.
//
// Usage: bench_lampshape [repetitions]

#include "Frm_pelwickPlp.h"
#include "lampshape.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QTextStream>

#include <algorithm>
#include <functional>
#include <vector>

namespace {

struct Figures
{
    double minimum = 0;
    double median = 0;
};

Figures timeIt(int repetitions, const std::function<void()> &work)
{
    std::vector<double> ms;
    ms.reserve(repetitions);
    for (int i = 0; i < repetitions; ++i) {
        QElapsedTimer clock;
        clock.start();
        work();
        ms.push_back(clock.nsecsElapsed() / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    return { ms.front(), ms[ms.size() / 2] };
}

} // namespace

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    const int repetitions = argc > 1 ? qMax(1, QString::fromLocal8Bit(argv[1]).toInt()) : 30;
    QTextStream out(stdout);

    const Frm_pelwickPlp::Pictures art = Frm_pelwickPlp::shippedPictures();
    const qint16 magnify = LampShape::Magnify(1024);
    const int side = LampShape::lampWindowSide(magnify);

    qsizetype runCount = 0;
    int rectCount = 0;
    const Figures shape = timeIt(repetitions, [&] {
        const QImage big = LampShape::magnifyPicture(art.back, side);
        const QList<LampShape::PixelRun> runs = LampShape::ScanOpaqueRuns(big);
        const QRegion region = LampShape::BuildRegionFromRuns(runs);
        runCount = runs.size();
        rectCount = region.rectCount();
    });

    const QImage big = LampShape::magnifyPicture(art.back, side);
    const Figures scan = timeIt(repetitions, [&] { runCount = LampShape::ScanOpaqueRuns(big).size(); });
    const QList<LampShape::PixelRun> runs = LampShape::ScanOpaqueRuns(big);
    const Figures build = timeIt(repetitions, [&] { rectCount = LampShape::BuildRegionFromRuns(runs).rectCount(); });
    const Figures frame
        = timeIt(repetitions, [&] { LampShape::magnifyPicture(art.strip.copy(LampShape::lampFrameRect(2)), side); });

    // A picture with many runs per row: stripes of 2 px opaque, 2 px key, on
    // every other row, magnified like the lamp.
    QImage stripes(40, 40, QImage::Format_RGB32);
    stripes.fill(Qt::black);
    for (int y = 1; y < 40; y += 2)
        for (int x = 1; x < 40; x += 2)
            stripes.setPixel(x, y, qRgb(255, 0, 0));
    const QList<LampShape::PixelRun> manyRuns = LampShape::ScanOpaqueRuns(LampShape::magnifyPicture(stripes, side));
    const Figures manyBuild = timeIt(repetitions, [&] { LampShape::BuildRegionFromRuns(manyRuns); });

    auto line = [&](const char *what, const Figures &f) {
        out << QStringLiteral("%1  min %2 ms  median %3 ms\n")
                   .arg(QString::fromLatin1(what), -36)
                   .arg(f.minimum, 0, 'f', 2)
                   .arg(f.median, 0, 'f', 2);
    };
    out << "S = " << side << " (Magnify " << magnify << "), " << runCount << " runs, " << rectCount
        << " region rectangles, " << repetitions << " repetitions\n";
    line("shape (magnify + scan + region)", shape);
    line("  scan only", scan);
    line("  region from runs only", build);
    line("one animation frame (stretch)", frame);
    out << "dotted picture: " << manyRuns.size() << " runs\n";
    line("  region from runs", manyBuild);

    return 0;
}
