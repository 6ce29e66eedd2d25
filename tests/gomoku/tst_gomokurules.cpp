#include "boardgeometry.h"
#include "gomokulink.h"
#include "gomokurules.h"

#include "cp932.h"

#include <QTest>

using namespace Gomoku;

namespace {

// "x,y x,y ..." into points.
QList<QPoint> points(const QString &text)
{
    QList<QPoint> result;
    const QStringList items = text.split(u' ', Qt::SkipEmptyParts);
    for (const QString &item : items) {
        const QStringList xy = item.split(u',');
        result.append(QPoint(xy.at(0).toInt(), xy.at(1).toInt()));
    }
    return result;
}

void place(GomokuRules &rules, qint16 side, const QString &stones)
{
    const QList<QPoint> list = points(stones);
    for (const QPoint &p : list) {
        rules.setTurn(side);
        rules.DropAStone(qint16(p.x()), qint16(p.y()));
    }
}

} // namespace

class tst_GomokuRules : public QObject
{
    Q_OBJECT
private slots:
    void winTest_data();
    void winTest();
    void depthIsClearAfterEveryTestWithoutAWin();
    void earlierTestDoesNotInfluenceALaterOne();
    void dropOffTheBoardIsRefused();
    void firstTurnFollowsTheColour_data();
    void firstTurnFollowsTheColour();
    void turnAlternates();
    void initializeEmptiesTheBoard();

    void controlData_data();
    void controlData();
    void japaneseNameSurvivesTheSplit();
    void parseMoveData_data();
    void parseMoveData();

    void roundHalfEven_data();
    void roundHalfEven();
    void clickPicksTheNearestIntersection_data();
    void clickPicksTheNearestIntersection();
    void stoneIsCentredOnItsIntersection();
};

void tst_GomokuRules::winTest_data()
{
    QTest::addColumn<QString>("own");
    QTest::addColumn<QString>("partner");
    QTest::addColumn<int>("mover");
    QTest::addColumn<QPoint>("move");
    QTest::addColumn<bool>("wins");

    // Own stones, partner stones, who moves, where, result.
    QTest::newRow("right of four") << "1,1 2,1 3,1 4,1"
                                   << "" << 0 << QPoint(5, 1) << true;
    QTest::newRow("left of four") << "6,7 7,7 8,7 9,7"
                                  << "" << 0 << QPoint(5, 7) << true;
    QTest::newRow("below four") << "4,3 4,4 4,5 4,6"
                                << "" << 0 << QPoint(4, 7) << true;
    QTest::newRow("above four") << "4,3 4,4 4,5 4,6"
                                << "" << 0 << QPoint(4, 2) << true;
    QTest::newRow("down-right diagonal") << "2,2 3,3 4,4 5,5"
                                         << "" << 0 << QPoint(6, 6) << true;
    QTest::newRow("up-left end of diagonal") << "2,2 3,3 4,4 5,5"
                                             << "" << 0 << QPoint(1, 1) << true;
    QTest::newRow("up-right diagonal") << "10,10 11,9 12,8 13,7"
                                       << "" << 0 << QPoint(14, 6) << true;
    QTest::newRow("down-left end of diagonal") << "10,10 11,9 12,8 13,7"
                                               << "" << 0 << QPoint(9, 11) << true;
    QTest::newRow("right edge") << "15,4 16,4 17,4 18,4"
                                << "" << 0 << QPoint(19, 4) << true;
    QTest::newRow("bottom edge") << "19,15 19,16 19,17 19,18"
                                 << "" << 0 << QPoint(19, 19) << true;
    QTest::newRow("corner diagonal") << "15,15 16,16 17,17 18,18"
                                     << "" << 0 << QPoint(19, 19) << true;
    QTest::newRow("no wrap past right edge") << "17,4 18,4 19,4 1,5 2,5"
                                             << "" << 0 << QPoint(16, 4) << false;
    QTest::newRow("no wrap past bottom edge") << "5,17 5,18 5,19 6,1 6,2"
                                              << "" << 0 << QPoint(5, 16) << false;
    QTest::newRow("middle of two and two") << "3,9 4,9 6,9 7,9"
                                           << "" << 0 << QPoint(5, 9) << true;
    QTest::newRow("one and three on a diagonal") << "8,2 10,4 11,5 12,6"
                                                 << "" << 0 << QPoint(9, 3) << true;
    QTest::newRow("six in a row") << "3,9 4,9 5,9 7,9 8,9"
                                  << "" << 0 << QPoint(6, 9) << true;
    QTest::newRow("seven in a row") << "1,1 1,2 1,3 1,5 1,6 1,7"
                                    << "" << 0 << QPoint(1, 4) << true;
    QTest::newRow("four with open end") << "5,5 6,5 7,5"
                                        << "" << 0 << QPoint(8, 5) << false;
    QTest::newRow("four closed by partner") << "5,5 6,5 7,5"
                                            << "9,5" << 0 << QPoint(8, 5) << false;
    QTest::newRow("run broken by partner") << "3,9 4,9 6,9 7,9"
                                           << "5,9" << 0 << QPoint(8, 9) << false;
    QTest::newRow("partner stones do not count") << "3,9 4,9"
                                                 << "6,9 7,9" << 0 << QPoint(5, 9) << false;
    QTest::newRow("partner wins with own stones") << ""
                                                  << "3,9 4,9 6,9 7,9" << 1 << QPoint(5, 9) << true;
    QTest::newRow("mover's run only") << "1,1 2,1 3,1 4,1"
                                      << "" << 1 << QPoint(5, 1) << false;
    QTest::newRow("two lines of four crossing") << "1,3 2,3 3,3 5,1 5,2 5,4"
                                                << "" << 0 << QPoint(5, 3) << false;
    QTest::newRow("bent line") << "1,1 2,1 3,1 4,2"
                               << "" << 0 << QPoint(5, 2) << false;
}

void tst_GomokuRules::winTest()
{
    QFETCH(QString, own);
    QFETCH(QString, partner);
    QFETCH(int, mover);
    QFETCH(QPoint, move);
    QFETCH(bool, wins);

    GomokuRules rules;
    place(rules, OwnSide, own);
    place(rules, PartnerSide, partner);
    rules.setTurn(qint16(mover));
    QCOMPARE(rules.DropAStone(qint16(move.x()), qint16(move.y())), wins);
    QCOMPARE(rules.Board(qint16(move.x()), qint16(move.y())), qint16(mover));
}

void tst_GomokuRules::depthIsClearAfterEveryTestWithoutAWin()
{
    GomokuRules rules;
    place(rules, OwnSide, "4,4 5,5 6,6 4,5 4,6 5,4 6,4");
    rules.setTurn(OwnSide);
    QVERIFY(!rules.DropAStone(7, 7)); // four on the diagonal, three along two lines
    for (qint16 d = 1; d <= 8; ++d)
        QCOMPARE(rules.Depth(d), qint16(0));
}

void tst_GomokuRules::earlierTestDoesNotInfluenceALaterOne()
{
    // A leftover run length in one direction would let three stones beyond
    // a later stone add up to a false five.
    GomokuRules rules;
    place(rules, OwnSide, "2,10 3,10 4,10");
    rules.setTurn(OwnSide);
    QVERIFY(!rules.DropAStone(1, 10)); // three to its right
    // Nothing to the right of the next stone, one to its left: only a run
    // length left over from the test before could make this a five.
    place(rules, OwnSide, "5,15");
    rules.setTurn(OwnSide);
    QVERIFY(!rules.DropAStone(6, 15));
}

void tst_GomokuRules::dropOffTheBoardIsRefused()
{
    GomokuRules rules;
    rules.setTurn(OwnSide);
    QVERIFY(!rules.DropAStone(0, 5));
    QVERIFY(!rules.DropAStone(20, 5));
    QVERIFY(!rules.DropAStone(5, -1));
    for (qint16 x = 1; x <= BoardSize; ++x)
        for (qint16 y = 1; y <= BoardSize; ++y)
            QVERIFY(rules.isFree(x, y));
    QCOMPARE(rules.Board(0, 0), EmptyPoint);
}

void tst_GomokuRules::firstTurnFollowsTheColour_data()
{
    QTest::addColumn<int>("ownColor");
    QTest::addColumn<int>("partnerColor");
    QTest::addColumn<int>("firstTurn");
    QTest::newRow("own black moves first") << int(Black) << int(White) << int(OwnSide);
    QTest::newRow("own white waits") << int(White) << int(Black) << int(PartnerSide);
}

void tst_GomokuRules::firstTurnFollowsTheColour()
{
    QFETCH(int, ownColor);
    QFETCH(int, partnerColor);
    QFETCH(int, firstTurn);
    GomokuRules rules;
    rules.setTurn(qint16(1 - firstTurn));
    rules.setOwnColor(qint16(ownColor));
    QCOMPARE(rules.StoneColor(OwnSide), qint16(ownColor));
    QCOMPARE(rules.StoneColor(PartnerSide), qint16(partnerColor));
    rules.startGame();
    QCOMPARE(rules.Turn(), qint16(firstTurn));
    QVERIFY(rules.GameStarted());
}

void tst_GomokuRules::turnAlternates()
{
    GomokuRules rules;
    rules.setTurn(OwnSide);
    rules.flipTurn();
    QCOMPARE(rules.Turn(), PartnerSide);
    rules.flipTurn();
    QCOMPARE(rules.Turn(), OwnSide);
}

void tst_GomokuRules::initializeEmptiesTheBoard()
{
    GomokuRules rules;
    place(rules, OwnSide, "1,1 19,19 10,10");
    rules.startGame();
    QVERIFY(rules.isFree(1, 1) && rules.isFree(19, 19) && rules.isFree(10, 10));
    rules.Initialize();
    QVERIFY(!rules.GameStarted());
}

void tst_GomokuRules::controlData_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("func");
    QTest::addColumn<QString>("data");
    QTest::newRow("move") << "<GAMEFUNC>10<GAMEDATA>(192.168.0.5)3,17"
                          << "10"
                          << "(192.168.0.5)3,17";
    QTest::newRow("empty data") << "<GAMEFUNC>40<GAMEDATA>"
                                << "40"
                                << "";
    QTest::newRow("no tags") << "hello"
                             << ""
                             << "";
    QTest::newRow("data tag missing") << "<GAMEFUNC>40"
                                      << ""
                                      << "";
    QTest::newRow("code tag missing") << "<GAMEDATA>abc"
                                      << ""
                                      << "abc";
    QTest::newRow("data tag first") << "<GAMEDATA>x<GAMEFUNC>10"
                                    << ""
                                    << "x<GAMEFUNC>10";
    QTest::newRow("first tags count") << "<GAMEFUNC>10<GAMEDATA>a<GAMEDATA>b"
                                      << "10"
                                      << "a<GAMEDATA>b";
    QTest::newRow("text before the code tag") << "xx<GAMEFUNC>77<GAMEDATA>"
                                              << "77"
                                              << "";
    QTest::newRow("inner spaces kept") << "<GAMEFUNC> 10 <GAMEDATA> a b "
                                       << " 10 "
                                       << " a b ";
}

void tst_GomokuRules::controlData()
{
    QFETCH(QString, text);
    QFETCH(QString, func);
    QFETCH(QString, data);
    const LinkMessage::Parts split = LinkMessage::parse(text);
    QCOMPARE(split.code, func);
    QCOMPARE(split.data, data);
}

void tst_GomokuRules::japaneseNameSurvivesTheSplit()
{
    // 表 and ソ end in byte 0x5C in code page 932; the tags are found on bytes.
    const QString name = QStringLiteral("表ソ山田～ﾀﾛｳ");
    const LinkMessage::Parts split = LinkMessage::parse(GomokuLink::linkMessage("#2", name));
    QCOMPARE(split.code, QStringLiteral("#2"));
    QCOMPARE(split.data, name);
}

void tst_GomokuRules::parseMoveData_data()
{
    QTest::addColumn<QString>("data");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<QString>("address");
    QTest::addColumn<int>("x");
    QTest::addColumn<int>("y");
    QTest::newRow("plain") << "(192.168.0.5)3,17" << true << "192.168.0.5" << 3 << 17;
    QTest::newRow("empty address") << "()19,1" << true << "" << 19 << 1;
    QTest::newRow("out of range still parses") << "(a)0,20" << true << "a" << 0 << 20;
    QTest::newRow("no parenthesis") << "192.168.0.5)3,17" << false << "" << 0 << 0;
    QTest::newRow("no closing parenthesis") << "(192.168.0.5 3,17" << false << "" << 0 << 0;
    QTest::newRow("no comma") << "(a)317" << false << "" << 0 << 0;
    QTest::newRow("letters") << "(a)x,y" << false << "" << 0 << 0;
    QTest::newRow("negative") << "(a)-3,4" << false << "" << 0 << 0;
    QTest::newRow("trailing text") << "(a)3,4z" << false << "" << 0 << 0;
    QTest::newRow("space") << "(a)3, 4" << false << "" << 0 << 0;
    QTest::newRow("empty y") << "(a)3," << false << "" << 0 << 0;
    QTest::newRow("huge") << "(a)99999999999,4" << false << "" << 0 << 0;
    QTest::newRow("empty") << "" << false << "" << 0 << 0;
}

void tst_GomokuRules::parseMoveData()
{
    QFETCH(QString, data);
    QFETCH(bool, valid);
    const auto move = GomokuLink::parseMoveData(data);
    QCOMPARE(move.has_value(), valid);
    if (!valid)
        return;
    QFETCH(QString, address);
    QFETCH(int, x);
    QFETCH(int, y);
    QCOMPARE(move->address, address);
    QCOMPARE(move->x, x);
    QCOMPARE(move->y, y);
    QCOMPARE(GomokuLink::moveData(address, x, y), data);
}

void tst_GomokuRules::roundHalfEven_data()
{
    QTest::addColumn<int>("numerator");
    QTest::addColumn<int>("denominator");
    QTest::addColumn<int>("result");
    QTest::newRow("232/20") << 232 << 20 << 12;
    QTest::newRow("205/20") << 205 << 20 << 10;
    QTest::newRow("250/20 half to even down") << 250 << 20 << 12;
    QTest::newRow("270/20 half to even up") << 270 << 20 << 14;
    QTest::newRow("13/2") << 13 << 2 << 6;
    QTest::newRow("15/2") << 15 << 2 << 8;
    QTest::newRow("-3/2") << -3 << 2 << -2;
    QTest::newRow("-5/2") << -5 << 2 << -2;
    QTest::newRow("0") << 0 << 20 << 0;
}

void tst_GomokuRules::roundHalfEven()
{
    QFETCH(int, numerator);
    QFETCH(int, denominator);
    QFETCH(int, result);
    QCOMPARE(BoardGeometry::roundHalfEven(numerator, denominator), result);
}

void tst_GomokuRules::clickPicksTheNearestIntersection_data()
{
    QTest::addColumn<QPoint>("click");
    QTest::addColumn<int>("cellWidth");
    QTest::addColumn<int>("cellHeight");
    QTest::addColumn<QPoint>("point");
    QTest::newRow("(18,14) in 12x10") << QPoint(18, 14) << 12 << 10 << QPoint(2, 1);
    QTest::newRow("on (1,1)") << QPoint(12, 10) << 12 << 10 << QPoint(1, 1);
    QTest::newRow("half a cell left of the first line") << QPoint(6, 5) << 12 << 10 << QPoint(1, 1);
    QTest::newRow("just beyond half a cell") << QPoint(5, 4) << 12 << 10 << QPoint(0, 0);
    QTest::newRow("half a cell right of the last line")
        << QPoint(12 * 19 + 5, 10 * 19 + 4) << 12 << 10 << QPoint(19, 19);
    QTest::newRow("margin beyond 19") << QPoint(12 * 19 + 6, 10 * 19 + 5) << 12 << 10 << QPoint(20, 20);
    QTest::newRow("odd cell halves to even") << QPoint(0, 0) << 13 << 15 << QPoint(0, 0);
    QTest::newRow("odd cell boundary") << QPoint(20, 22) << 13 << 15 << QPoint(2, 2);
    QTest::newRow("no spacing") << QPoint(10, 10) << 0 << 0 << QPoint(0, 0);
}

void tst_GomokuRules::clickPicksTheNearestIntersection()
{
    QFETCH(QPoint, click);
    QFETCH(int, cellWidth);
    QFETCH(int, cellHeight);
    QFETCH(QPoint, point);
    QCOMPARE(BoardGeometry::pointAt(click.x(), click.y(), cellWidth, cellHeight), point);
}

void tst_GomokuRules::stoneIsCentredOnItsIntersection()
{
    QCOMPARE(BoardGeometry::stoneRect(2, 1, 12, 10), QRect(18, 5, 12, 10));
    // 13 * 1 - 6.5 = 6.5 rounds to 6; 13 * 2 - 6.5 = 19.5 rounds to 20.
    QCOMPARE(BoardGeometry::stoneRect(1, 2, 13, 13), QRect(6, 20, 13, 13));
    QCOMPARE(BoardGeometry::cellSpacing(232), 12);
    QCOMPARE(BoardGeometry::cellSpacing(205), 10);
}

QTEST_APPLESS_MAIN(tst_GomokuRules)
#include "tst_gomokurules.moc"
