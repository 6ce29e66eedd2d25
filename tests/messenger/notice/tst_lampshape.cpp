#include "lampshape.h"

#include <QRandomGenerator>
#include <QRegion>
#include <QTest>

#include <algorithm>

using namespace LampShape;

namespace {

// A picture drawn with characters: '.' the key colour (black), '#' red,
// 'w' white. Pixel (0, 0) must be '.' for the key to be black.
QImage picture(const QStringList &rows)
{
    QImage image(int(rows.first().size()), int(rows.size()), QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QChar c = rows[y][x];
            image.setPixel(x, y, c == u'#' ? qRgb(255, 0, 0) : c == u'w' ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
        }
    }
    return image;
}

void verifyRegionIsTheOpaquePixels(const QImage &image, const QRegion &region)
{
    const QRgb key = image.pixel(0, 0);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            QVERIFY2(region.contains(QPoint(x, y)) == (image.pixel(x, y) != key),
                qPrintable(QStringLiteral("pixel %1,%2").arg(x).arg(y)));
    QVERIFY(!region.intersects(QRect(-1, -1, image.width() + 2, 1)));
    QVERIFY(!region.intersects(QRect(image.width(), 0, 1, image.height())));
    QVERIFY(!region.intersects(QRect(0, image.height(), image.width(), 1)));
}

} // namespace

Q_DECLARE_METATYPE(QList<LampShape::PixelRun>)

class tst_LampShape : public QObject
{
    Q_OBJECT
private slots:
    void magnifyFromScreenHeight_data();
    void magnifyFromScreenHeight();
    void scanFindsRuns_data();
    void scanFindsRuns();
    void keyIsTheTopLeftColourWhateverItIs();
    void regionIsExactlyTheOpaquePixels_data();
    void regionIsExactlyTheOpaquePixels();
    void runsOutOfOrderStillGiveTheirUnion();
    void noRunsGiveNoRegion();
    void magnifyingReplicatesPixels();
    void framesCycleThroughFive();
};

void tst_LampShape::magnifyFromScreenHeight_data()
{
    QTest::addColumn<int>("screenHeight");
    QTest::addColumn<int>("magnify");
    QTest::addColumn<int>("side");
    QTest::newRow("600: 13.5 rounds to even 14") << 600 << 14 << 560;
    QTest::newRow("768: 17.28") << 768 << 17 << 680;
    QTest::newRow("800: 18 exactly") << 800 << 18 << 720;
    QTest::newRow("1024: 23.04") << 1024 << 23 << 920;
    QTest::newRow("1080: 24.3") << 1080 << 24 << 960;
    QTest::newRow("1400: 31.5 rounds to even 32") << 1400 << 32 << 1280;
}

void tst_LampShape::magnifyFromScreenHeight()
{
    QFETCH(int, screenHeight);
    QFETCH(int, magnify);
    QFETCH(int, side);
    QCOMPARE(int(Magnify(screenHeight)), magnify);
    QCOMPARE(lampWindowSide(Magnify(screenHeight)), side);
}

void tst_LampShape::scanFindsRuns_data()
{
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<QList<PixelRun>>("runs");

    QTest::newRow("single pixel") << QStringList { ".....", "..#..", "....." } << QList<PixelRun> { { 2, 1, 3, 1 } };
    QTest::newRow("run touching the right edge")
        << QStringList { "..###", "....#" } << QList<PixelRun> { { 2, 0, 5, 0 }, { 4, 1, 5, 1 } };
    QTest::newRow("whole row below the key")
        << QStringList { ".", "#", "#" } << QList<PixelRun> { { 0, 1, 1, 1 }, { 0, 2, 1, 2 } };
    QTest::newRow("two runs in a row, a run per row")
        << QStringList { ".#.##.", "######" } << QList<PixelRun> { { 1, 0, 2, 0 }, { 3, 0, 5, 0 }, { 0, 1, 6, 1 } };
    QTest::newRow("different opaque colours form one run")
        << QStringList { "..#w#.." } << QList<PixelRun> { { 2, 0, 5, 0 } };
    QTest::newRow("single pixels at both edges")
        << QStringList { ".....", "#...#" } << QList<PixelRun> { { 0, 1, 1, 1 }, { 4, 1, 5, 1 } };
    QTest::newRow("all key") << QStringList { "....", "....", "...." } << QList<PixelRun> {};
    QTest::newRow("one key pixel") << QStringList { "." } << QList<PixelRun> {};
}

void tst_LampShape::scanFindsRuns()
{
    QFETCH(QStringList, rows);
    QFETCH(QList<PixelRun>, runs);
    const QImage image = picture(rows);
    const QList<PixelRun> found = ScanOpaqueRuns(image);
    QCOMPARE(found.size(), runs.size());
    for (qsizetype i = 0; i < runs.size(); ++i) {
        QVERIFY2(found[i] == runs[i],
            qPrintable(QStringLiteral("run %1: %2,%3-%4,%5")
                           .arg(i)
                           .arg(found[i].x1)
                           .arg(found[i].y1)
                           .arg(found[i].x2)
                           .arg(found[i].y2)));
    }
    verifyRegionIsTheOpaquePixels(image, BuildRegionFromRuns(found));
}

void tst_LampShape::keyIsTheTopLeftColourWhateverItIs()
{
    // White key: the black pixels are the opaque ones.
    QImage image = picture({ "ww.w", "w..w" });
    const QList<PixelRun> runs = ScanOpaqueRuns(image);
    QCOMPARE(runs.size(), 2);
    QVERIFY((runs[0] == PixelRun { 2, 0, 3, 0 }));
    QVERIFY((runs[1] == PixelRun { 1, 1, 3, 1 }));

    // Pictures in other formats compare colours, not bytes.
    const QImage rgb888 = picture({ "...#", "#..." }).convertToFormat(QImage::Format_RGB888);
    QCOMPARE(ScanOpaqueRuns(rgb888).size(), 2);
}

void tst_LampShape::regionIsExactlyTheOpaquePixels_data()
{
    QTest::addColumn<QImage>("image");
    // A ring has two runs per row through its hole and one above and below it.
    QImage ring(40, 40, QImage::Format_RGB32);
    ring.fill(Qt::black);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x) {
            const int d = (x - 20) * (x - 20) + (y - 18) * (y - 18);
            if (d < 15 * 15 && d > 6 * 6)
                ring.setPixel(x, y, qRgb(200, 0, 0));
        }
    QTest::newRow("ring magnified 17 times") << magnifyPicture(ring, 680);

    QRandomGenerator random(4711); // fixed seed: the same pictures every run
    for (int density : { 10, 50, 90 }) {
        QImage noise(37, 23, QImage::Format_RGB32);
        noise.fill(Qt::black);
        for (int y = 0; y < noise.height(); ++y)
            for (int x = 0; x < noise.width(); ++x)
                if ((x || y) && int(random.bounded(100)) < density)
                    noise.setPixel(x, y, qRgb(255, 0, 0));
        QTest::addRow("random %d%% opaque", density) << noise;
        // Magnifying repeats rows, which the region folds into taller bands.
        QTest::addRow("random %d%% opaque, magnified 3 times", density) << magnifyPicture(noise, 111);
    }
}

void tst_LampShape::regionIsExactlyTheOpaquePixels()
{
    QFETCH(QImage, image);
    const QList<PixelRun> runs = ScanOpaqueRuns(image);
    const QRegion region = BuildRegionFromRuns(runs);
    verifyRegionIsTheOpaquePixels(image, region);
}

void tst_LampShape::runsOutOfOrderStillGiveTheirUnion()
{
    const QImage image = picture({ "..##.#", "#####.", ".#..##" });
    QList<PixelRun> runs = ScanOpaqueRuns(image);
    std::reverse(runs.begin(), runs.end());
    verifyRegionIsTheOpaquePixels(image, BuildRegionFromRuns(runs));
}

void tst_LampShape::noRunsGiveNoRegion()
{
    QVERIFY(BuildRegionFromRuns({}).isEmpty());
    QImage allKey(920, 920, QImage::Format_RGB32);
    allKey.fill(qRgb(12, 34, 56));
    QVERIFY(ScanOpaqueRuns(allKey).isEmpty());
    QVERIFY(ScanOpaqueRuns(QImage()).isEmpty());
}

void tst_LampShape::magnifyingReplicatesPixels()
{
    const QImage small = picture({ ".#", "w." });
    const QImage big = magnifyPicture(small, 6);
    QCOMPARE(big.size(), QSize(6, 6));
    // No smoothing: every pixel keeps one of the source colours, in blocks of 3 × 3.
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 6; ++x)
            QCOMPARE(big.pixel(x, y), small.pixel(x / 3, y / 3));
}

void tst_LampShape::framesCycleThroughFive()
{
    qint16 k = 0;
    QList<int> seen;
    for (int i = 0; i < 11; ++i) {
        seen.append(k);
        k = nextLampFrame(k);
    }
    QCOMPARE(seen, (QList<int> { 0, 1, 2, 3, 4, 0, 1, 2, 3, 4, 0 }));
    QCOMPARE(lampFrameRect(0), QRect(0, 0, 40, 40));
    QCOMPARE(lampFrameRect(4), QRect(0, 160, 40, 40));
}

QTEST_APPLESS_MAIN(tst_LampShape)
#include "tst_lampshape.moc"
