#include "Frm_pelwickPlp.h"
#include "windowdrag.h"

#include <QApplication>
#include <QPointer>
#include <QTest>
#include <QTimer>

#include <algorithm>

namespace {

QImage frameOfStrip(const QImage &strip, int k, int side)
{
    return LampShape::magnifyPicture(strip.copy(LampShape::lampFrameRect(k)), side);
}

int visibleLamps()
{
    const QWidgetList windows = QApplication::topLevelWidgets();
    return int(std::count_if(windows.cbegin(), windows.cend(),
        [](QWidget *w) { return qobject_cast<Frm_pelwickPlp *>(w) && w->isVisible(); }));
}

} // namespace

class tst_LampPopup : public QObject
{
    Q_OBJECT
private slots:
    void shippedArtworkKeepsTheKeyRule();
    void sizeAndShapeFromScreenHeight_data();
    void sizeAndShapeFromScreenHeight();
    void allKeyPictureLeavesTheWindowSquare();
    void opensFramelessOnTopWithoutTakingFocus();
    void framesCycleAndSurviveClosing();
    void timerAnimatesEveryHundredMilliseconds();
    void onlyTheLeftButtonDragsOrCloses_data();
    void onlyTheLeftButtonDragsOrCloses();
    void showLampKeepsOneInstance();
};

void tst_LampPopup::shippedArtworkKeepsTheKeyRule()
{
    const Frm_pelwickPlp::Pictures art = Frm_pelwickPlp::shippedPictures();
    QCOMPARE(art.back.size(), QSize(40, 40));
    QCOMPARE(art.strip.size(), QSize(40, 200));
    QVERIFY(!art.back.hasAlphaChannel());
    QCOMPARE(art.back.pixel(0, 0) & RGB_MASK, qRgb(0, 0, 0) & RGB_MASK);
    // Every frame is white exactly where the base picture has the key colour,
    // so the shape cuts away all of the white and none of the lamp.
    const QRgb key = art.back.pixel(0, 0);
    for (int k = 0; k < LampShape::FrameCount; ++k) {
        for (int y = 0; y < 40; ++y) {
            for (int x = 0; x < 40; ++x) {
                const bool outside = art.back.pixel(x, y) == key;
                const bool white = (art.strip.pixel(x, 40 * k + y) & RGB_MASK) == (qRgb(255, 255, 255) & RGB_MASK);
                QVERIFY2(outside == white, qPrintable(QStringLiteral("frame %1 pixel %2,%3").arg(k).arg(x).arg(y)));
            }
        }
    }
}

void tst_LampPopup::sizeAndShapeFromScreenHeight_data()
{
    QTest::addColumn<int>("screenHeight");
    QTest::addColumn<int>("side");
    QTest::newRow("600") << 600 << 560;
    QTest::newRow("768") << 768 << 680;
    QTest::newRow("1024") << 1024 << 920;
}

void tst_LampPopup::sizeAndShapeFromScreenHeight()
{
    QFETCH(int, screenHeight);
    QFETCH(int, side);
    Frm_pelwickPlp lamp({}, screenHeight);
    lamp.show();
    QCOMPARE(lamp.size(), QSize(side, side));
    QCOMPARE(lamp.ScreenHeightPx(), qint16(screenHeight));
    QVERIFY(!lamp.WindowRegion().isEmpty());
    QCOMPARE(lamp.mask(), lamp.WindowRegion());
    // The key-coloured corner is cut away, the middle of the dome is not.
    QVERIFY(!lamp.mask().contains(QPoint(0, 0)));
    QVERIFY(lamp.mask().contains(QPoint(side / 2, side / 2)));
    QVERIFY(lamp.mask().boundingRect().width() <= side && lamp.mask().boundingRect().height() <= side);
}

void tst_LampPopup::allKeyPictureLeavesTheWindowSquare()
{
    QImage allKey(40, 40, QImage::Format_RGB32);
    allKey.fill(Qt::black);
    Frm_pelwickPlp lamp({ allKey, Frm_pelwickPlp::shippedPictures().strip }, 768);
    lamp.show();
    QVERIFY(lamp.Runs().isEmpty());
    QVERIFY(lamp.WindowRegion().isEmpty());
    QVERIFY(lamp.mask().isEmpty());
    QCOMPARE(lamp.size(), QSize(680, 680));
    // The lamp still animates in its square.
    lamp.Timer_Lamp_Timer();
    QCOMPARE(lamp.LampFrame(), qint16(1));
}

void tst_LampPopup::opensFramelessOnTopWithoutTakingFocus()
{
    Frm_pelwickPlp lamp({}, 600);
    QVERIFY(lamp.windowFlags() & Qt::FramelessWindowHint);
    QVERIFY(lamp.windowFlags() & Qt::WindowStaysOnTopHint);
    QVERIFY(lamp.testAttribute(Qt::WA_ShowWithoutActivating));
    // The lamp neither keeps the program alive nor ends it when closed.
    QVERIFY(!lamp.testAttribute(Qt::WA_QuitOnClose));
    QVERIFY(!lamp.parentWidget());
    for (const char *name : { "Pic_Back", "Picture1", "Pic_Big" }) {
        QWidget *picture = lamp.findChild<QWidget *>(QLatin1String(name));
        QVERIFY2(picture && picture->isHidden(), name);
    }
    auto *timer = lamp.findChild<QTimer *>(QStringLiteral("Timer_Lamp"));
    QVERIFY(timer);
    QVERIFY(!timer->isActive()); // not before the window has loaded
}

void tst_LampPopup::framesCycleAndSurviveClosing()
{
    const QImage strip = Frm_pelwickPlp::shippedPictures().strip;
    Frm_pelwickPlp lamp({}, 600);
    lamp.show();
    QVERIFY(QTest::qWaitForWindowExposed(&lamp));
    auto *timer = lamp.findChild<QTimer *>(QStringLiteral("Timer_Lamp"));
    timer->stop(); // step by hand

    QCOMPARE(lamp.LampFrame(), qint16(0));
    const QList<int> expected { 1, 2, 3, 4, 0, 1, 2 };
    for (int step = 0; step < expected.size(); ++step) {
        const int drawn = lamp.LampFrame();
        lamp.Timer_Lamp_Timer();
        QCOMPARE(lamp.Surface(), frameOfStrip(strip, drawn, 560));
        QCOMPARE(int(lamp.LampFrame()), expected[step]);
    }

    QTest::mouseDClick(&lamp, Qt::LeftButton, {}, QPoint(280, 280));
    QVERIFY(!lamp.isVisible());
    QVERIFY(!timer->isActive());
    QVERIFY(lamp.mask().isEmpty()); // the shape was detached before the window went
    QCOMPARE(lamp.LampFrame(), qint16(2));

    // Shown again: loaded anew, the cycle goes on at frame 2.
    lamp.show();
    QVERIFY(timer->isActive());
    QCOMPARE(lamp.mask(), lamp.WindowRegion());
    timer->stop();
    lamp.Timer_Lamp_Timer();
    QCOMPARE(lamp.Surface(), frameOfStrip(strip, 2, 560));
    QCOMPARE(lamp.LampFrame(), qint16(3));
}

void tst_LampPopup::timerAnimatesEveryHundredMilliseconds()
{
    Frm_pelwickPlp lamp({}, 600);
    lamp.show();
    auto *timer = lamp.findChild<QTimer *>(QStringLiteral("Timer_Lamp"));
    QVERIFY(timer->isActive());
    QCOMPARE(timer->interval(), 100);
    QTRY_COMPARE_WITH_TIMEOUT(lamp.LampFrame(), qint16(3), 2000);
}

void tst_LampPopup::onlyTheLeftButtonDragsOrCloses_data()
{
    QTest::addColumn<Qt::MouseButton>("button");
    QTest::addColumn<int>("moves");
    QTest::addColumn<bool>("closedByDoubleClick");
    QTest::newRow("left") << Qt::LeftButton << 1 << true;
    QTest::newRow("right") << Qt::RightButton << 0 << false;
}

void tst_LampPopup::onlyTheLeftButtonDragsOrCloses()
{
    QFETCH(Qt::MouseButton, button);
    QFETCH(int, moves);
    QFETCH(bool, closedByDoubleClick);
    Frm_pelwickPlp lamp({}, 600);
    // Drags are counted instead of handed to the window system.
    int moveRequests = 0;
    auto *drag = lamp.findChild<WindowDrag *>();
    QVERIFY(drag);
    drag->setMoveStarter([&](QWidget *window) {
        moveRequests += window == &lamp;
        return true;
    });
    lamp.show();
    QVERIFY(QTest::qWaitForWindowExposed(&lamp));

    const QPoint middle(280, 280);
    QTest::mousePress(&lamp, button, {}, middle);
    QMouseEvent motion(QEvent::MouseMove, QPointF(middle + QPoint(12, 8)),
        QPointF(lamp.mapToGlobal(middle + QPoint(12, 8))), Qt::NoButton, button, Qt::NoModifier);
    QApplication::sendEvent(&lamp, &motion);
    QTest::mouseRelease(&lamp, button, {}, middle);
    QCOMPARE(moveRequests, moves);
    QVERIFY(lamp.isVisible());

    QTest::mouseDClick(&lamp, button, {}, middle);
    QCOMPARE(!lamp.isVisible(), closedByDoubleClick);
}

void tst_LampPopup::showLampKeepsOneInstance()
{
    QVERIFY(!Frm_pelwickPlp::Lamp());
    QPointer<Frm_pelwickPlp> first = Frm_pelwickPlp::showLamp();
    QVERIFY(first && first->isVisible());
    first->findChild<QTimer *>(QStringLiteral("Timer_Lamp"))->stop();
    first->Timer_Lamp_Timer();
    QCOMPARE(Frm_pelwickPlp::showLamp(), first.data());
    QCOMPARE(visibleLamps(), 1);

    // Closed and shown again: the same window, its frame count kept.
    first->close();
    QCOMPARE(visibleLamps(), 0);
    QCOMPARE(Frm_pelwickPlp::Lamp(), first.data());
    QCOMPARE(Frm_pelwickPlp::showLamp(), first.data());
    QCOMPARE(visibleLamps(), 1);
    QCOMPARE(first->LampFrame(), qint16(1));
    first->close();
}

QTEST_MAIN(tst_LampPopup)
#include "tst_lamppopup.moc"
