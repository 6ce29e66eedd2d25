#include "gomokugame.h"
#include "gomokutestsupport.h"

#include <QSignalSpy>
#include <QTest>

#include <memory>

using namespace GomokuTest;
using namespace Gomoku;

namespace {
const QString Messenger = QStringLiteral("TestMessenger");
const QString OwnAddress = QStringLiteral("192.168.0.5");
const QString PartnerAddress = QStringLiteral("192.168.0.7");
const QString EndReport = QStringLiteral("<GAMEFUNC>99<GAMEDATA>");
} // namespace

// The game without a window: link texts in, clicks on intersections, and
// what it reports. The messenger is a sender that records the texts and
// accepts them or not.
class tst_GomokuGame : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void introductionSetsColourAndFirstTurn_data();
    void introductionSetsColourAndFirstTurn();
    void clickBeforeStartOnlyBeeps();
    void refusedClicksOnlyBeep_data();
    void refusedClicksOnlyBeep();
    void partnerMoveGivesTheTurnBack();
    void ownClickIsSentOnceAndPlayed();
    void badMovesAreRejected_data();
    void badMovesAreRejected();
    void linkPlaysOnlyThePartnersMovesInItsTurn();
    void paddedNudgeBeepsFlashesThenAsksToHurry();
    void boxesSayWhatWentWrong_data();
    void boxesSayWhatWentWrong();
    void endReportIsSentOnceUnlessTheEndCodeCame_data();
    void endReportIsSentOnceUnlessTheEndCodeCame();
    void fiveInARowEndsTheGame_data();
    void fiveInARowEndsTheGame();

private:
    void receive(const QString &linkText) { m_game->ReceiveLinkText(linkText); }
    void introduce(bool ownBlack, const QString &messenger = Messenger);
    void partnerMove(int x, int y) { receive(text("10", GomokuLink::moveData(PartnerAddress, x, y))); }
    void click(int x, int y, Qt::MouseButton button = Qt::LeftButton) { m_game->clickPoint(button, x, y); }
    int stones() const;
    QStringList boxTexts() const;

    QStringList m_sent;
    QStringList m_sentTo;
    bool m_sendWorks = true;
    // "clear" and "x,y" in the order the board was cleared and stones placed.
    QStringList m_drawn;
    std::unique_ptr<GomokuGame> m_game;
    std::unique_ptr<QSignalSpy> m_beeps;
    std::unique_ptr<QSignalSpy> m_boxes;
    std::unique_ptr<QSignalSpy> m_closes;
    std::unique_ptr<QSignalSpy> m_ended;
};

void tst_GomokuGame::init()
{
    m_sent.clear();
    m_sentTo.clear();
    m_sendWorks = true;
    m_drawn.clear();
    m_game = std::make_unique<GomokuGame>([this](const QString &application, const QString &text) {
        m_sentTo.append(application);
        m_sent.append(text);
        return m_sendWorks;
    });
    connect(m_game.get(), &GomokuGame::boardCleared, this, [this] { m_drawn.append(QStringLiteral("clear")); });
    connect(m_game.get(), &GomokuGame::stonePlaced, this,
        [this](int x, int y) { m_drawn.append(QStringLiteral("%1,%2").arg(x).arg(y)); });
    m_beeps = std::make_unique<QSignalSpy>(m_game.get(), &GomokuGame::beepRequested);
    m_boxes = std::make_unique<QSignalSpy>(m_game.get(), &GomokuGame::boxRequested);
    m_closes = std::make_unique<QSignalSpy>(m_game.get(), &GomokuGame::closeRequested);
    m_ended = std::make_unique<QSignalSpy>(m_game.get(), &GomokuGame::programEnded);
}

void tst_GomokuGame::cleanup()
{
    m_ended.reset();
    m_closes.reset();
    m_boxes.reset();
    m_beeps.reset();
    m_game.reset();
}

void tst_GomokuGame::introduce(bool ownBlack, const QString &messenger)
{
    // The messenger's order: #1 to #5, the colour, then the start.
    receive(text("#1", messenger));
    receive(text("#2", QStringLiteral("相手")));
    receive(text("#3", PartnerAddress));
    receive(text("#4", QStringLiteral("自分")));
    receive(text("#5", OwnAddress));
    receive(text(ownBlack ? "20" : "21"));
    receive(text("01"));
}

int tst_GomokuGame::stones() const
{
    int count = 0;
    for (qint16 x = 1; x <= BoardSize; ++x)
        for (qint16 y = 1; y <= BoardSize; ++y)
            count += m_game->rules().isFree(x, y) ? 0 : 1;
    return count;
}

QStringList tst_GomokuGame::boxTexts() const
{
    QStringList texts;
    for (const QList<QVariant> &args : std::as_const(*m_boxes))
        texts.append(args.at(0).toString());
    return texts;
}

void tst_GomokuGame::introductionSetsColourAndFirstTurn_data()
{
    QTest::addColumn<bool>("ownBlack");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<int>("firstTurn");
    QTest::newRow("20: black") << true << QStringLiteral("五目並べ [黒]自分 対 [白]相手") << int(OwnSide);
    QTest::newRow("21: white") << false << QStringLiteral("五目並べ [黒]相手 対 [白]自分") << int(PartnerSide);
}

void tst_GomokuGame::introductionSetsColourAndFirstTurn()
{
    QFETCH(bool, ownBlack);
    QFETCH(QString, caption);
    QFETCH(int, firstTurn);
    QSignalSpy captions(m_game.get(), &GomokuGame::captionChanged);
    QCOMPARE(m_game->caption(), QStringLiteral("五目並べ"));
    introduce(ownBlack);
    QCOMPARE(m_game->LinkApplication(), Messenger);
    QCOMPARE(m_game->PartnerAddress(), PartnerAddress);
    QCOMPARE(m_game->OwnAddress(), OwnAddress);
    QCOMPARE(m_game->caption(), caption);
    QCOMPARE(captions.count(), 1);
    QVERIFY(m_game->rules().GameStarted());
    QCOMPARE(m_game->rules().Turn(), qint16(firstTurn));
    QCOMPARE(m_game->rules().StoneColor(OwnSide), ownBlack ? Black : White);
    QCOMPARE(m_game->rules().PlayerName(OwnSide), QStringLiteral("自分"));
    QCOMPARE(m_game->rules().PlayerName(PartnerSide), QStringLiteral("相手"));
    QCOMPARE(m_game->panelText(1), QStringLiteral("Game Start !!!"));
    QCOMPARE(m_drawn, QStringList { QStringLiteral("clear") });
    QCOMPARE(m_beeps->count(), 1);
    QVERIFY(m_boxes->isEmpty());
    QVERIFY(m_sent.isEmpty());
}

void tst_GomokuGame::clickBeforeStartOnlyBeeps()
{
    QSignalSpy flashStops(m_game.get(), &GomokuGame::flashStopRequested);
    click(10, 10);
    receive(text("20")); // the colour alone does not start a game
    click(10, 10);
    QCOMPARE(m_beeps->count(), 2);
    QCOMPARE(m_game->panelText(1), QStringLiteral("ｹﾞｰﾑがｽﾀｰﾄしていません"));
    QVERIFY(m_game->rules().isFree(10, 10));
    // A nudge's flash goes on until a click reaches a started game.
    QVERIFY(flashStops.isEmpty());
    QVERIFY(m_sent.isEmpty());
}

void tst_GomokuGame::refusedClicksOnlyBeep_data()
{
    QTest::addColumn<bool>("ownBlack");
    QTest::addColumn<QPoint>("partnerStone");
    QTest::addColumn<QPoint>("point");
    QTest::addColumn<Qt::MouseButton>("button");
    QTest::addColumn<QString>("panel");
    QTest::addColumn<int>("beeps");
    const QString notYourTurn = QStringLiteral("あなたの番ではありません");
    const QString outOfRange = QStringLiteral("範囲外選択！");
    // The turn is checked before the range, the range before the button.
    QTest::newRow("partner's turn, on the board")
        << false << QPoint() << QPoint(5, 5) << Qt::LeftButton << notYourTurn << 1;
    QTest::newRow("partner's turn, in the margin")
        << false << QPoint() << QPoint(20, 20) << Qt::RightButton << notYourTurn << 1;
    QTest::newRow("own turn, beyond 19") << true << QPoint() << QPoint(20, 10) << Qt::LeftButton << outOfRange << 1;
    QTest::newRow("own turn, before 1") << true << QPoint() << QPoint(10, 0) << Qt::MiddleButton << outOfRange << 1;
    QTest::newRow("right button") << true << QPoint() << QPoint(4, 4) << Qt::RightButton << QString() << 1;
    QTest::newRow("middle button") << true << QPoint() << QPoint(4, 4) << Qt::MiddleButton << QString() << 0;
    QTest::newRow("onto a stone") << false << QPoint(6, 6) << QPoint(6, 6) << Qt::LeftButton << QString() << 1;
}

void tst_GomokuGame::refusedClicksOnlyBeep()
{
    QFETCH(bool, ownBlack);
    QFETCH(QPoint, partnerStone);
    QFETCH(QPoint, point);
    QFETCH(Qt::MouseButton, button);
    QFETCH(QString, panel);
    QFETCH(int, beeps);
    introduce(ownBlack);
    if (!partnerStone.isNull())
        partnerMove(partnerStone.x(), partnerStone.y());
    const qint16 turn = m_game->rules().Turn();
    const int before = stones();
    m_beeps->clear();
    click(point.x(), point.y(), button);
    QCOMPARE(m_beeps->count(), beeps);
    QCOMPARE(m_game->panelText(1), panel);
    QCOMPARE(m_game->rules().Turn(), turn);
    QCOMPARE(stones(), before);
    QVERIFY(m_sent.isEmpty());
}

void tst_GomokuGame::partnerMoveGivesTheTurnBack()
{
    introduce(false);
    m_beeps->clear();
    m_drawn.clear();
    partnerMove(10, 10);
    QCOMPARE(m_game->rules().Board(10, 10), PartnerSide);
    QCOMPARE(m_game->rules().Turn(), OwnSide);
    QCOMPARE(m_game->panelText(2), QStringLiteral("自分"));
    QCOMPARE(m_game->panelText(3), QStringLiteral("白"));
    QCOMPARE(m_beeps->count(), 1);
    // The partner's stone is marked alone.
    QCOMPARE(m_drawn, (QStringList { QStringLiteral("clear"), QStringLiteral("10,10") }));
}

void tst_GomokuGame::ownClickIsSentOnceAndPlayed()
{
    introduce(true);
    m_beeps->clear();
    m_drawn.clear();
    click(3, 17);
    QCOMPARE(m_sent, QStringList { QStringLiteral("<GAMEFUNC>10<GAMEDATA>(192.168.0.5)3,17") });
    QCOMPARE(m_sentTo, QStringList { Messenger });
    QCOMPARE(m_game->rules().Board(3, 17), OwnSide);
    QCOMPARE(m_game->rules().Turn(), PartnerSide);
    QCOMPARE(m_game->panelText(2), QStringLiteral("相手"));
    QCOMPARE(m_game->panelText(3), QStringLiteral("白"));
    // Marked beside the partner's last stone, which stays marked.
    QCOMPARE(m_drawn, QStringList { QStringLiteral("3,17") });
    QCOMPARE(m_beeps->count(), 0);
    QVERIFY(m_boxes->isEmpty());
}

void tst_GomokuGame::badMovesAreRejected_data()
{
    QTest::addColumn<QString>("data");
    QTest::newRow("column 0") << "(192.168.0.7)0,5";
    QTest::newRow("column 20") << "(192.168.0.7)20,5";
    QTest::newRow("row 0") << "(192.168.0.7)5,0";
    QTest::newRow("row 20") << "(192.168.0.7)5,20";
    QTest::newRow("huge") << "(192.168.0.7)65541,5";
    QTest::newRow("negative") << "(192.168.0.7)-1,5";
    QTest::newRow("onto the partner's stone") << "(192.168.0.7)9,9";
    QTest::newRow("onto an own stone") << "(192.168.0.5)8,8";
    QTest::newRow("no address") << "9,10";
    QTest::newRow("semicolon") << "(192.168.0.7)9;10";
    QTest::newRow("three numbers") << "(192.168.0.7)9,10,11";
    QTest::newRow("space inside") << "(192.168.0.7) 9,10";
    // Link texts lose spaces at their ends only, in the game as in the
    // messenger: a line break stays part of the move.
    QTest::newRow("line break after") << "(192.168.0.7)9,10\r\n";
    QTest::newRow("empty") << "";
}

void tst_GomokuGame::badMovesAreRejected()
{
    QFETCH(QString, data);
    introduce(true);
    click(8, 8);
    partnerMove(9, 9);
    const QString panel2 = m_game->panelText(2);
    m_beeps->clear();
    m_drawn.clear();

    receive(text("10", data));
    QCOMPARE(m_game->rules().Turn(), OwnSide);
    QCOMPARE(stones(), 2);
    QCOMPARE(m_game->rules().Board(8, 8), OwnSide);
    QCOMPARE(m_game->rules().Board(9, 9), PartnerSide);
    QCOMPARE(m_game->panelText(2), panel2);
    QVERIFY(m_drawn.isEmpty());
    QCOMPARE(m_beeps->count(), 0);
    QVERIFY(m_boxes->isEmpty());
}

// A hostile partner tries to move for the own side, out of turn, twice in a
// row and before the game has started.
void tst_GomokuGame::linkPlaysOnlyThePartnersMovesInItsTurn()
{
    receive(text("#3", PartnerAddress));
    partnerMove(1, 1);
    QCOMPARE(stones(), 0);

    introduce(false);
    QCOMPARE(m_game->rules().Turn(), PartnerSide);
    receive(text("10", GomokuLink::moveData(OwnAddress, 2, 2)));
    receive(text("10", GomokuLink::moveData(QStringLiteral("192.168.0.9"), 3, 3)));
    QCOMPARE(stones(), 0);
    QCOMPARE(m_game->rules().Turn(), PartnerSide);

    partnerMove(4, 4);
    partnerMove(5, 5);
    QCOMPARE(stones(), 1);
    QCOMPARE(m_game->rules().Board(4, 4), PartnerSide);
    QCOMPARE(m_game->rules().Turn(), OwnSide);
    // The own move still comes from the click.
    click(6, 6);
    QCOMPARE(m_game->rules().Board(6, 6), OwnSide);
    QCOMPARE(stones(), 2);
}

void tst_GomokuGame::paddedNudgeBeepsFlashesThenAsksToHurry()
{
    introduce(true);
    m_beeps->clear();
    QSignalSpy flashStops(m_game.get(), &GomokuGame::flashStopRequested);
    // The own player clicks while the caption flashes: the click ends the
    // flash and clears panel 1, the request to hurry comes after the flash.
    int beepsBeforeFlash = -1;
    QString panelAfterClick;
    connect(m_game.get(), &GomokuGame::flashRequested, this, [&] {
        beepsBeforeFlash = int(m_beeps->count());
        click(1, 1);
        panelAfterClick = m_game->panelText(1);
    });
    receive(QStringLiteral("   <GAMEFUNC>40<GAMEDATA>  "));
    QCOMPARE(beepsBeforeFlash, 1);
    QCOMPARE(flashStops.count(), 1);
    QCOMPARE(m_game->rules().Board(1, 1), OwnSide);
    QCOMPARE(panelAfterClick, QString());
    QCOMPARE(m_game->panelText(1), QStringLiteral("早く～ (^0^)"));
    QCOMPARE(m_beeps->count(), 1);
}

void tst_GomokuGame::boxesSayWhatWentWrong_data()
{
    QTest::addColumn<QString>("messenger");
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("box");
    QTest::addColumn<int>("sends");
    QTest::newRow("code 77") << Messenger << text("77") << QStringLiteral("プログラム不正処理発生 Game_Func=77") << 0;
    QTest::newRow("no tags") << Messenger << QStringLiteral("hello")
                             << QStringLiteral("プログラム不正処理発生 Game_Func=") << 0;
    QTest::newRow("no data tag") << Messenger << QStringLiteral("<GAMEFUNC>40")
                                 << QStringLiteral("プログラム不正処理発生 Game_Func=") << 0;
    QTest::newRow("move not accepted") << QStringLiteral("Nobody") << QStringLiteral("click")
                                       << QStringLiteral("失敗しました!!Nobody<GAMEFUNC>10<GAMEDATA>(192.168.0.5)3,17")
                                       << 1;
    QTest::newRow("nudge not accepted") << QStringLiteral("Nobody") << QStringLiteral("nudge")
                                        << QStringLiteral("催促送信に失敗しました。") << 1;
    QTest::newRow("end report not accepted")
        << QStringLiteral("Nobody") << QStringLiteral("close") << QStringLiteral("終了報告を失敗しました。") << 1;
    // Nothing may reach a program that happens to listen under an empty name.
    QTest::newRow("nudge, messenger never named")
        << QString() << QStringLiteral("nudge") << QStringLiteral("催促送信に失敗しました。") << 0;
    QTest::newRow("end report, messenger never named")
        << QString() << QStringLiteral("close") << QStringLiteral("終了報告を失敗しました。") << 0;
}

void tst_GomokuGame::boxesSayWhatWentWrong()
{
    QFETCH(QString, messenger);
    QFETCH(QString, action);
    QFETCH(QString, box);
    QFETCH(int, sends);
    introduce(true, messenger);
    m_sendWorks = false;
    if (action == QLatin1String("click"))
        click(3, 17);
    else if (action == QLatin1String("nudge"))
        m_game->sendNudge();
    else if (action == QLatin1String("close"))
        m_game->unload();
    else
        receive(action);
    QCOMPARE(boxTexts(), QStringList { box });
    QCOMPARE(m_boxes->at(0).at(1).toString(), QStringLiteral("GOMOKU"));
    QCOMPARE(m_boxes->at(0).at(2).value<GomokuGame::BoxIcon>(), GomokuGame::BoxIcon::None);
    QCOMPARE(m_sent.size(), sends);
    // A move that could not be sent is still played; a close still ends.
    if (action == QLatin1String("click")) {
        QCOMPARE(m_game->rules().Board(3, 17), OwnSide);
        QCOMPARE(m_game->rules().Turn(), PartnerSide);
    }
    QCOMPARE(m_ended->count(), action == QLatin1String("close") ? 1 : 0);
}

void tst_GomokuGame::endReportIsSentOnceUnlessTheEndCodeCame_data()
{
    QTest::addColumn<bool>("endCode");
    QTest::addColumn<bool>("quiet");
    QTest::addColumn<bool>("sendWorks");
    QTest::addColumn<QStringList>("sent");
    QTest::newRow("closed") << false << false << true << QStringList { EndReport };
    QTest::newRow("closed on a signal, not accepted") << false << true << false << QStringList { EndReport };
    QTest::newRow("end code received") << true << false << true << QStringList();
}

void tst_GomokuGame::endReportIsSentOnceUnlessTheEndCodeCame()
{
    QFETCH(bool, endCode);
    QFETCH(bool, quiet);
    QFETCH(bool, sendWorks);
    QFETCH(QStringList, sent);
    introduce(true);
    m_sendWorks = sendWorks;
    m_game->setQuietEndReport(quiet);
    if (endCode) {
        receive(text("99"));
        // Ends at once: the window closes and the program ends.
        QCOMPARE(m_closes->count(), 1);
        QCOMPARE(m_ended->count(), 1);
    }
    m_game->unload();
    m_game->unload();
    QCOMPARE(m_sent, sent);
    QVERIFY(m_boxes->isEmpty());
    QVERIFY(!m_ended->isEmpty());
}

void tst_GomokuGame::fiveInARowEndsTheGame_data()
{
    QTest::addColumn<bool>("ownWins");
    QTest::addColumn<QString>("box");
    QTest::newRow("own five") << true << QStringLiteral("あなたの勝ちです。\nプログラムは終了します！");
    QTest::newRow("partner's five") << false << QStringLiteral("相手の勝ちです。\nプログラムは終了します！");
}

void tst_GomokuGame::fiveInARowEndsTheGame()
{
    QFETCH(bool, ownWins);
    QFETCH(QString, box);
    introduce(true);
    QSignalSpy won(m_game.get(), &GomokuGame::gameWon);
    // The three beeps and the drawn stone come before the box, the close
    // request after it.
    QStringList beforeBox;
    connect(m_game.get(), &GomokuGame::boxRequested, this, [&] {
        beforeBox << QString::number(m_beeps->count()) << QString::number(won.count())
                  << QString::number(m_closes->count());
    });
    // Own stones along row 2 (every other one on row 14 when the partner is
    // to win), the partner's on the diagonal from (4, 4).
    for (int i = 1; i <= 5 && won.isEmpty(); ++i) {
        m_beeps->clear();
        click(i + 2, ownWins || i % 2 ? 2 : 14);
        if (won.isEmpty())
            partnerMove(i + 3, i + 3);
    }
    QCOMPARE(won.count(), 1);
    QCOMPARE(beforeBox, (QStringList { QStringLiteral("3"), QStringLiteral("1"), QStringLiteral("0") }));
    QCOMPARE(boxTexts(), QStringList { box });
    QCOMPARE(m_boxes->at(0).at(1).toString(), QStringLiteral("五目並べ"));
    QCOMPARE(m_boxes->at(0).at(2).value<GomokuGame::BoxIcon>(), GomokuGame::BoxIcon::Information);
    QCOMPARE(m_closes->count(), 1);
    QCOMPARE(m_sent.size(), 5);

    // A move that arrives after the win is not played.
    const int before = stones();
    partnerMove(15, 15);
    QCOMPARE(stones(), before);

    m_game->unload();
    QCOMPARE(m_sent.size(), 6);
    QCOMPARE(m_sent.last(), EndReport);
    QCOMPARE(m_ended->count(), 1);
}

QTEST_GUILESS_MAIN(tst_GomokuGame)
#include "tst_gomokugame.moc"
