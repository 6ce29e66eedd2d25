#include "Frm_pelwickClk.h"
#include "windowdrag.h"

#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPointer>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <climits>

namespace {

QDateTime at(int h, int m, int s)
{
    return QDateTime(QDate(2024, 5, 1), QTime(h, m, s));
}

// The drawing colour a painted pixel comes from; antialiased edges blend a
// little with the face, so the nearest of the clock's colours is taken.
QColor nearestClockColour(QRgb pixel)
{
    const QColor candidates[]
        = { Frm_pelwickClk::DialColour, Frm_pelwickClk::HourHandColour, Frm_pelwickClk::MinuteHandColour,
              Frm_pelwickClk::SecondHandColour, QColor(Qt::black), QApplication::palette().color(QPalette::Window) };
    QColor best;
    int bestDistance = INT_MAX;
    for (const QColor &c : candidates) {
        const int d = qAbs(c.red() - qRed(pixel)) + qAbs(c.green() - qGreen(pixel)) + qAbs(c.blue() - qBlue(pixel));
        if (d < bestDistance) {
            bestDistance = d;
            best = c;
        }
    }
    return best;
}

// The canvas pixel under a point of the window: the canvas holds device
// pixels, the window is measured in logical ones.
QRgb canvasPixel(const QImage &canvas, const QPointF &at)
{
    return canvas.pixel((at * canvas.devicePixelRatio()).toPoint());
}

} // namespace

class tst_ClockWindow : public QObject
{
    Q_OBJECT
private slots:
    void opensSquareRoundFramelessAndOnTop();
    void paintsEveryDevicePixelOfTheScreen();
    void unequalSizeBecomesSquareOnFirstShowing();
    void readOutAndTimerAfterRedraw();
    void handsAreStackedHourOverMinuteOverSecond();
    void handPointsWhereTheTimeSays_data();
    void handPointsWhereTheTimeSays();
    void onlyTheLeftButtonDragsOrCloses_data();
    void onlyTheLeftButtonDragsOrCloses();
    void showClockKeepsOneWindow();
};

void tst_ClockWindow::opensSquareRoundFramelessAndOnTop()
{
    Frm_pelwickClk clock(nullptr, [] { return at(10, 8, 37); });
    clock.show();
    QVERIFY(QTest::qWaitForWindowExposed(&clock));
    QCOMPARE(clock.windowTitle(), QStringLiteral("Clock"));
    QCOMPARE(clock.width(), clock.height());
    QCOMPARE(clock.mask(), QRegion(0, 0, clock.width(), clock.height(), QRegion::Ellipse));
    QVERIFY(clock.windowFlags() & Qt::FramelessWindowHint);
    QVERIFY(clock.windowFlags() & Qt::WindowStaysOnTopHint);
    auto *label = clock.findChild<QLabel *>(QStringLiteral("LabelTime"));
    QVERIFY(label);
    QVERIFY(label->font().bold());
    QCOMPARE(label->font().pointSize(), 12);
    QCOMPARE(label->font().family(), QStringLiteral("ＭＳ ゴシック"));
}

void tst_ClockWindow::paintsEveryDevicePixelOfTheScreen()
{
    Frm_pelwickClk clock(nullptr, [] { return at(3, 0, 0); });
    clock.resize(200, 200);
    clock.show();
    QVERIFY(QTest::qWaitForWindowExposed(&clock));
    QCOMPARE(clock.devicePixelRatioF(), 2.0);
    // Painted at the ratio, not painted at 1x and stretched.
    QCOMPARE(clock.canvas().devicePixelRatio(), 2.0);
    QCOMPARE(clock.canvas().size(), QSize(400, 400));
    // Outside the dial the canvas is see-through: no square corners.
    QCOMPARE(qAlpha(clock.canvas().pixel(0, 0)), 0);
    QCOMPARE(qAlpha(canvasPixel(clock.canvas(), QPointF(100, 30))), 255);
}

void tst_ClockWindow::unequalSizeBecomesSquareOnFirstShowing()
{
    Frm_pelwickClk clock(nullptr, [] { return at(1, 2, 3); });
    clock.resize(260, 210);
    clock.show();
    QVERIFY(QTest::qWaitForWindowExposed(&clock));
    QCOMPARE(clock.size(), QSize(210, 210));
    QCOMPARE(clock.mask(), QRegion(0, 0, 210, 210, QRegion::Ellipse));
    QCOMPARE(clock.dial().Radius, qint16(105));
}

void tst_ClockWindow::readOutAndTimerAfterRedraw()
{
    Frm_pelwickClk clock(nullptr, [] { return at(15, 4, 9); });
    clock.show();
    QVERIFY(QTest::qWaitForWindowExposed(&clock));
    auto *label = clock.findChild<QLabel *>(QStringLiteral("LabelTime"));
    QCOMPARE(label->text(), QStringLiteral("03:04:09"));
    // The read-out is centred horizontally with its top twice its height above the middle.
    QCOMPARE(label->pos(), ClockGeometry::labelTopLeft(clock.size(), label->size()));
    auto *timer = clock.findChild<QTimer *>(QStringLiteral("TimerLine"));
    QVERIFY(timer);
    QVERIFY(timer->isActive());
    QCOMPARE(timer->interval(), 1000);
}

void tst_ClockWindow::handsAreStackedHourOverMinuteOverSecond()
{
    // At noon all three hands point up and overlap near the centre.
    Frm_pelwickClk clock(nullptr, [] { return at(12, 0, 0); });
    clock.resize(400, 400);
    clock.show();
    QVERIFY(QTest::qWaitForWindowExposed(&clock));
    const auto &dial = clock.dial();
    const QImage &canvas = clock.canvas();
    auto colourAt = [&](double share) {
        return nearestClockColour(canvasPixel(canvas, QPointF(dial.CenterX, int(dial.CenterY - share * dial.Radius))));
    };
    QCOMPARE(colourAt(0.30), Frm_pelwickClk::HourHandColour);
    QCOMPARE(colourAt(0.57), Frm_pelwickClk::MinuteHandColour);
    QCOMPARE(colourAt(0.70), Frm_pelwickClk::SecondHandColour);
    QCOMPARE(colourAt(0.775), Frm_pelwickClk::DialColour); // hour tick of the 12 between the circles
}

void tst_ClockWindow::handPointsWhereTheTimeSays_data()
{
    QTest::addColumn<QDateTime>("time");
    QTest::addColumn<double>("degrees");
    QTest::addColumn<QColor>("colour");
    QTest::newRow("hour hand at 3") << at(3, 0, 30) << 90.0 << Frm_pelwickClk::HourHandColour;
    QTest::newRow("hour hand at 18:30") << at(18, 30, 0) << 195.0 << Frm_pelwickClk::HourHandColour;
    QTest::newRow("minute hand at 45") << at(7, 45, 10) << 270.0 << Frm_pelwickClk::MinuteHandColour;
}

void tst_ClockWindow::handPointsWhereTheTimeSays()
{
    QFETCH(QDateTime, time);
    QFETCH(double, degrees);
    QFETCH(QColor, colour);
    Frm_pelwickClk clock(nullptr, [time] { return time; });
    clock.resize(400, 400);
    clock.show();
    QVERIFY(QTest::qWaitForWindowExposed(&clock));
    const QPointF p
        = ClockGeometry::pointAt(clock.dial(), 0.4 * clock.dial().Radius, degrees * ClockGeometry::Pi / 180.0);
    QCOMPARE(nearestClockColour(canvasPixel(clock.canvas(), p)), colour);
}

void tst_ClockWindow::onlyTheLeftButtonDragsOrCloses_data()
{
    QTest::addColumn<Qt::MouseButton>("button");
    QTest::addColumn<int>("moves");
    QTest::addColumn<bool>("closedByDoubleClick");
    QTest::newRow("left drags and closes") << Qt::LeftButton << 1 << true;
    QTest::newRow("right does neither") << Qt::RightButton << 0 << false;
    QTest::newRow("middle does neither") << Qt::MiddleButton << 0 << false;
}

void tst_ClockWindow::onlyTheLeftButtonDragsOrCloses()
{
    QFETCH(Qt::MouseButton, button);
    QFETCH(int, moves);
    QFETCH(bool, closedByDoubleClick);
    Frm_pelwickClk clock(nullptr, [] { return at(9, 45, 0); });
    // Drags are counted instead of handed to the window system.
    int moveRequests = 0;
    auto *drag = clock.findChild<WindowDrag *>();
    QVERIFY(drag);
    drag->setMoveStarter([&](QWidget *window) {
        moveRequests += window == &clock;
        return true;
    });
    clock.show();
    QVERIFY(QTest::qWaitForWindowExposed(&clock));
    // Pressing on the read-out drags like pressing on the dial.
    auto *label = clock.findChild<QLabel *>(QStringLiteral("LabelTime"));
    const QPoint at = label->geometry().center();
    QTest::mousePress(&clock, button, {}, at);
    QMouseEvent motion(QEvent::MouseMove, QPointF(at + QPoint(10, 6)), QPointF(clock.mapToGlobal(at + QPoint(10, 6))),
        Qt::NoButton, button, Qt::NoModifier);
    QApplication::sendEvent(&clock, &motion);
    QTest::mouseRelease(&clock, button, {}, at);
    QCOMPARE(moveRequests, moves);
    QVERIFY(clock.isVisible());

    QTest::mouseDClick(&clock, button, {}, at);
    QCOMPARE(!clock.isVisible(), closedByDoubleClick);
}

void tst_ClockWindow::showClockKeepsOneWindow()
{
    QVERIFY(!Frm_pelwickClk::openClock());
    QPointer<Frm_pelwickClk> first = Frm_pelwickClk::showClock();
    QVERIFY(first);
    QCOMPARE(Frm_pelwickClk::showClock(), first.data());
    QCOMPARE(Frm_pelwickClk::openClock(), first.data());
    const QWidgetList windows = QApplication::topLevelWidgets();
    QCOMPARE(std::count_if(windows.cbegin(), windows.cend(),
                 [](QWidget *w) { return qobject_cast<Frm_pelwickClk *>(w) && w->isVisible(); }),
        1);

    // Closing unloads it; the next use creates a fresh window.
    first->close();
    QTRY_VERIFY(!first);
    QVERIFY(!Frm_pelwickClk::openClock());
    QPointer<Frm_pelwickClk> second = Frm_pelwickClk::showClock();
    QVERIFY(second && second->isVisible());
    second->close();
    QTRY_VERIFY(!second);
}

// The clock is tested on a screen of twice the density, as a 4K laptop
// screen is: drawn right there, it is drawn right at 1x too.
int main(int argc, char *argv[])
{
    qputenv("QT_SCALE_FACTOR", "2");
    QApplication app(argc, argv);
    tst_ClockWindow test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_clockwindow.moc"
