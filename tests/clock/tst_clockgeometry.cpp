#include "clockgeometry.h"

#include <QTest>

using namespace ClockGeometry;

class tst_ClockGeometry : public QObject
{
    Q_OBJECT
private slots:
    void handsAndReadOut_data();
    void handsAndReadOut();
    void numeralsSitAtTheirQuarters_data();
    void numeralsSitAtTheirQuarters();
    void squaringKeepsTheSmallerSide_data();
    void squaringKeepsTheSmallerSide();
    void dialRoundsHalvesToEven_data();
    void dialRoundsHalvesToEven();
    void dialRadiiFollowTheirOwnRounding();
    void numeralBoxIsCentredOnItsPoint();
    void labelSitsAboveTheCentre();
};

void tst_ClockGeometry::handsAndReadOut_data()
{
    QTest::addColumn<QTime>("time");
    QTest::addColumn<double>("hourDegrees");
    QTest::addColumn<double>("minuteDegrees");
    QTest::addColumn<double>("secondDegrees");
    QTest::addColumn<QString>("shown");

    QTest::newRow("noon: all up") << QTime(12, 0, 0) << 360.0 << 0.0 << 0.0 << "12:00:00";
    QTest::newRow("midnight: all up") << QTime(0, 0, 0) << 0.0 << 0.0 << 0.0 << "00:00:00";
    QTest::newRow("18:30 between 6 and 7") << QTime(18, 30, 0) << 195.0 << 180.0 << 0.0 << "06:30:00";
    QTest::newRow("9:45 three quarters to 10") << QTime(9, 45, 0) << 292.5 << 270.0 << 0.0 << "09:45:00";
    QTest::newRow("afternoon drops to 12-hour") << QTime(15, 4, 9) << 92.0 << 24.0 << 54.0 << "03:04:09";
    QTest::newRow("half past midnight keeps 00") << QTime(0, 30, 0) << 15.0 << 180.0 << 0.0 << "00:30:00";
    QTest::newRow("last second of the day") << QTime(23, 59, 59) << 359.5 << 354.0 << 354.0 << "11:59:59";
    QTest::newRow("12:59 still on the 12 side") << QTime(12, 59, 30) << 389.5 << 354.0 << 180.0 << "12:59:30";
}

static bool pointsUp(double radians)
{
    // Straight up means sin = 0, cos = 1 whatever the number of full turns.
    return qAbs(std::sin(radians)) < 1e-9 && std::cos(radians) > 0.0;
}

void tst_ClockGeometry::handsAndReadOut()
{
    QFETCH(QTime, time);
    QFETCH(double, hourDegrees);
    QFETCH(double, minuteDegrees);
    QFETCH(double, secondDegrees);
    QFETCH(QString, shown);

    const Hands hands = handsAt(time);
    QCOMPARE(toDegrees(hands.hour.angle), hourDegrees);
    QCOMPARE(toDegrees(hands.minute.angle) + 1.0, minuteDegrees + 1.0);
    QCOMPARE(toDegrees(hands.second.angle) + 1.0, secondDegrees + 1.0);
    QCOMPARE(readOut(time), shown);

    if (time.minute() == 0 && time.second() == 0 && time.hour() % 12 == 0) {
        QVERIFY(pointsUp(hands.hour.angle));
        QVERIFY(pointsUp(hands.minute.angle));
        QVERIFY(pointsUp(hands.second.angle));
    }
    // Widths and lengths are what tells the hands apart on the dial.
    QCOMPARE(hands.second.width, 1);
    QCOMPARE(hands.minute.width, 2);
    QCOMPARE(hands.hour.width, 3);
    QVERIFY(hands.hour.length < hands.minute.length && hands.minute.length < hands.second.length);
}

void tst_ClockGeometry::numeralsSitAtTheirQuarters_data()
{
    QTest::addColumn<int>("hour");
    QTest::addColumn<QString>("numeral");
    QTest::addColumn<int>("dx"); // sign of x − CenterX
    QTest::addColumn<int>("dy"); // sign of y − CenterY (down is positive)

    QTest::newRow("12 top") << 12 << "12" << 0 << -1;
    QTest::newRow("03 right") << 3 << "03" << 1 << 0;
    QTest::newRow("06 bottom") << 6 << "06" << 0 << 1;
    QTest::newRow("09 left") << 9 << "09" << -1 << 0;
    QTest::newRow("01 upper right") << 1 << "01" << 1 << -1;
    QTest::newRow("08 lower left") << 8 << "08" << -1 << 1;
}

static int sign(double value)
{
    return qAbs(value) < 1e-6 ? 0 : (value > 0 ? 1 : -1);
}

void tst_ClockGeometry::numeralsSitAtTheirQuarters()
{
    QFETCH(int, hour);
    QFETCH(QString, numeral);
    QFETCH(int, dx);
    QFETCH(int, dy);

    const Dial dial = dialFor(QSize(186, 186));
    const QPointF p = numeralCentre(dial, hour);
    QCOMPARE(Numeral(hour), numeral);
    QCOMPARE(sign(p.x() - dial.CenterX), dx);
    QCOMPARE(sign(p.y() - dial.CenterY), dy);
    // Every numeral lies on the circle of rounded 0.9 × Radius.
    QCOMPARE(qRound(std::hypot(p.x() - dial.CenterX, p.y() - dial.CenterY)), numeralDistance(dial));
}

void tst_ClockGeometry::squaringKeepsTheSmallerSide_data()
{
    QTest::addColumn<QSize>("before");
    QTest::addColumn<QSize>("after");
    QTest::newRow("wider than high") << QSize(197, 186) << QSize(186, 186);
    QTest::newRow("higher than wide") << QSize(150, 240) << QSize(150, 150);
    QTest::newRow("already square") << QSize(120, 120) << QSize(120, 120);
}

void tst_ClockGeometry::squaringKeepsTheSmallerSide()
{
    QFETCH(QSize, before);
    QFETCH(QSize, after);
    QCOMPARE(squareToSmallerSide(before), after);
}

void tst_ClockGeometry::dialRoundsHalvesToEven_data()
{
    QTest::addColumn<QSize>("client");
    QTest::addColumn<int>("centerX");
    QTest::addColumn<int>("centerY");
    QTest::addColumn<int>("radius");
    QTest::newRow("even sides") << QSize(186, 186) << 93 << 93 << 93;
    QTest::newRow("odd 185 halves down to 92") << QSize(185, 185) << 92 << 92 << 92;
    QTest::newRow("odd 187 halves up to 94") << QSize(187, 187) << 94 << 94 << 94;
    QTest::newRow("radius is the smaller half") << QSize(200, 150) << 100 << 75 << 75;
}

void tst_ClockGeometry::dialRoundsHalvesToEven()
{
    QFETCH(QSize, client);
    QFETCH(int, centerX);
    QFETCH(int, centerY);
    QFETCH(int, radius);
    const Dial dial = dialFor(client);
    QCOMPARE(int(dial.CenterX), centerX);
    QCOMPARE(int(dial.CenterY), centerY);
    QCOMPARE(int(dial.Radius), radius);
}

void tst_ClockGeometry::dialRadiiFollowTheirOwnRounding()
{
    // Radius 93: 0.8 × 93 = 74.4 -> 74, 0.75 × 93 = 69.75 -> 69 (truncated),
    // 0.9 × 93 = 83.7 -> 84 (rounded).
    Dial dial;
    dial.CenterX = dial.CenterY = dial.Radius = 93;
    QCOMPARE(outerCircleRadius(dial), 74);
    QCOMPARE(innerCircleRadius(dial), 69);
    QCOMPARE(numeralDistance(dial), 84);
    // 0.9 × 85 = 76.5 -> 76: halves go to the even neighbour.
    dial.Radius = 85;
    QCOMPARE(numeralDistance(dial), 76);
}

void tst_ClockGeometry::numeralBoxIsCentredOnItsPoint()
{
    const Dial dial = dialFor(QSize(186, 186));
    const QRectF box = numeralBox(dial, 3, QSizeF(14, 10));
    const QPointF p = numeralCentre(dial, 3);
    QCOMPARE(box.left(), p.x() - 7.0);
    QCOMPARE(box.top(), p.y() - 5.0);
    QCOMPARE(box.center(), p);
}

void tst_ClockGeometry::labelSitsAboveTheCentre()
{
    QCOMPARE(labelTopLeft(QSize(186, 186), QSize(80, 20)), QPoint(53, 53));
    QCOMPARE(labelTopLeft(QSize(186, 186), QSize(81, 19)), QPoint(53, 55));
}

QTEST_APPLESS_MAIN(tst_ClockGeometry)
#include "tst_clockgeometry.moc"
