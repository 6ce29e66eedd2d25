#include "userdirectory.h"
#include "messengerfixture.h"
#include "processgone.h"
#include "pelwickUDP030.h"
#include "pelwickUDP040.h"

#include <QFile>
#include <QTest>

#include <cerrno>
#include <csignal>

// The messenger's side of a game against a partner messenger played by a
// plain socket, with the real GOMOKU program started beside the messenger.
class tst_GameRelay : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void requestIsSentAndNotAnsweredWithoutGameProgram();
    void acceptedRequestStartsAndIntroducesTheGame();
    void movesAreRelayedUnchangedBothWays();
    void strayMovesFromOthersAreNotPassedToTheGame();
    void ownGameEndBecomesGameEndDatagram();
    void partnersGameEndEndsTheGameProgram();
    void partnersGoodbyeEndsTheGameProgram();
    void closingTheMessengerEndsItsGame();
    void unknownGameIdInAcceptanceShowsTheBox();
    void acceptanceCountsOnlyFromTheAskedPartnerOnce();
    void gameKindBoxAndKindBoxShareOneBoxAtATime();

private:
    void installGomoku();
    bool startAcceptedGame();
    bool pokeAsGame(const QString &text);

    quint16 m_port = 0;
    std::unique_ptr<MessageBoxRecorder> m_boxes;
    std::unique_ptr<MessengerFixture> m_me;
    std::unique_ptr<UdpPeer> m_partner;
    frm_pelwickUDP *m_window = nullptr;
};

void tst_GameRelay::init()
{
    m_port = freeUdpPort({ QStringLiteral("127.0.0.2"), QStringLiteral("127.0.0.3") });
    m_boxes = std::make_unique<MessageBoxRecorder>();
    m_me = std::make_unique<MessengerFixture>(QStringLiteral("127.0.0.3"), m_port);
    m_me->storeDirectory({ { QStringLiteral("partner"), QStringLiteral("127.0.0.2") } });
    m_partner = std::make_unique<UdpPeer>(QStringLiteral("127.0.0.2"), m_port);
    m_window = m_me->start();
    QVERIFY(m_window);
    QVERIFY(m_partner->receive().startsWith("01"));
}

void tst_GameRelay::cleanup()
{
    m_me.reset();
    EndGameProgram();
    m_partner.reset();
    m_boxes.reset();
}

void tst_GameRelay::installGomoku()
{
    QVERIFY(QFile::link(QStringLiteral(PELWICK_BIN_DIR "/GOMOKU"), m_me->programDir() + QLatin1String("/GOMOKU")));
}

bool tst_GameRelay::startAcceptedGame()
{
    m_partner->send("31<USERNAME>partner<IPADDR>127.0.0.2<GAMEID>01<DATA><GAMEFUNC>01<GAMEDATA>", "127.0.0.3");
    const QByteArray answer = m_partner->receive(15000);
    if (answer != QByteArray("32<USERNAME>me<IPADDR>127.0.0.3<GAMEID>01<DATA><GAMEFUNC>01<GAMEDATA>")) {
        qWarning() << "answer" << answer << m_window->statusText();
        return false;
    }
    return true;
}

bool tst_GameRelay::pokeAsGame(const QString &text)
{
    return SendLinkText(text, QStringLiteral("Pelwick"), m_me->runtimeDir());
}

void tst_GameRelay::requestIsSentAndNotAnsweredWithoutGameProgram()
{
    m_window->ListUser()->setCurrentItem(m_window->ListUser()->row(0));
    m_window->requestGame(QStringLiteral("01"));
    QCOMPARE(m_partner->receive(), QByteArray("31<USERNAME>me<IPADDR>127.0.0.3<GAMEID>01<DATA><GAMEFUNC>01<GAMEDATA>"));
    QCOMPARE(m_window->statusText(), QStringLiteral("ゲームスタート要求を出しました。"));
    QCOMPARE(m_window->session()->currentGame().GameName, QStringLiteral("GOMOKU"));

    // This messenger has no GOMOKU beside it: a request stays unanswered.
    m_partner->send("31<USERNAME>partner<IPADDR>127.0.0.2<GAMEID>01<DATA><GAMEFUNC>01<GAMEDATA>", "127.0.0.3");
    QVERIFY(m_partner->receive(500).isEmpty());
    QCOMPARE(m_window->session()->directory()->mark(0), QStringLiteral("×"));
}

void tst_GameRelay::acceptedRequestStartsAndIntroducesTheGame()
{
    installGomoku();
    QVERIFY(startAcceptedGame());
    QVERIFY(GameProcessHandle() != 0);
    QCOMPARE(m_window->session()->directory()->mark(0), QStringLiteral("★"));
    QVERIFY(m_window->menuGame->isChecked());
    QVERIFY(!m_window->menuGame->isVisible());
    QCOMPARE(m_window->session()->currentGame().PartnerAddress, QStringLiteral("127.0.0.2"));
    QCOMPARE(m_window->session()->currentGame().GameId, QStringLiteral("01"));
    // Presence answers now carry the game id.
    m_partner->send("01<USERNAME>partner<IPADDR>127.0.0.2<GAMEID>01<DATA>", "127.0.0.3");
    QCOMPARE(m_partner->receive(), QByteArray("02<USERNAME>me<IPADDR>127.0.0.3<GAMEID>01<DATA>"));
}

void tst_GameRelay::movesAreRelayedUnchangedBothWays()
{
    installGomoku();
    QVERIFY(startAcceptedGame());
    // The partner's move reaches the real game: a failed poke would say so.
    m_partner->send("21<USERNAME>partner<IPADDR>127.0.0.2<GAMEID>01<DATA><GAMEFUNC>10<GAMEDATA>(127.0.0.2)9,9",
                    "127.0.0.3");
    QTest::qWait(300);
    QVERIFY2(m_window->statusText() != QStringLiteral("失敗しました"), qPrintable(m_window->statusText()));

    // A text from the game goes out once trimmed at its ends, inner spaces kept.
    QVERIFY(pokeAsGame(QStringLiteral("  <GAMEFUNC>10<GAMEDATA>(127.0.0.3) 10,9  ")));
    QCOMPARE(m_partner->receive(),
             QByteArray("21<USERNAME>me<IPADDR>127.0.0.3<GAMEID>01<DATA><GAMEFUNC>10<GAMEDATA>(127.0.0.3) 10,9"));
    // The hurry-up nudge is relayed and changes nothing.
    QVERIFY(pokeAsGame(QStringLiteral("<GAMEFUNC>40<GAMEDATA>")));
    QCOMPARE(m_partner->receive(), QByteArray("21<USERNAME>me<IPADDR>127.0.0.3<GAMEID>01<DATA><GAMEFUNC>40<GAMEDATA>"));
    QCOMPARE(m_window->session()->currentGame().PartnerAddress, QStringLiteral("127.0.0.2"));
    QCOMPARE(m_window->session()->directory()->mark(0), QStringLiteral("★"));
}

void tst_GameRelay::strayMovesFromOthersAreNotPassedToTheGame()
{
    // No game runs: a relayed text has nowhere to go and says nothing.
    m_partner->send("21<USERNAME>x<IPADDR>127.0.0.9<GAMEID>01<DATA><GAMEFUNC>10<GAMEDATA>(127.0.0.9)1,1", "127.0.0.3");
    QTest::qWait(200);
    QCOMPARE(m_window->statusText(), QString());

    installGomoku();
    QVERIFY(startAcceptedGame());
    const QString before = m_window->statusText();
    m_partner->send("21<USERNAME>x<IPADDR>127.0.0.9<GAMEID>01<DATA><GAMEFUNC>10<GAMEDATA>(127.0.0.9)1,1", "127.0.0.3");
    QTest::qWait(200);
    QCOMPARE(m_window->statusText(), before);
}

void tst_GameRelay::ownGameEndBecomesGameEndDatagram()
{
    installGomoku();
    QVERIFY(startAcceptedGame());
    QVERIFY(pokeAsGame(QStringLiteral("<GAMEFUNC>99<GAMEDATA>")));
    QCOMPARE(m_partner->receive(), QByteArray("29<USERNAME>me<IPADDR>127.0.0.3<GAMEID>01<DATA>"));
    QCOMPARE(m_window->session()->directory()->mark(0), QStringLiteral("○"));
    QVERIFY(!m_window->menuGame->isChecked());
    QCOMPARE(m_window->session()->currentGame().PartnerAddress, QString());
    QCOMPARE(m_window->session()->currentGame().GameId, QString());
    // The game name stays until the program has been ended.
    QCOMPARE(m_window->session()->currentGame().GameName, QStringLiteral("GOMOKU"));
}

void tst_GameRelay::partnersGameEndEndsTheGameProgram()
{
    installGomoku();
    QVERIFY(startAcceptedGame());
    const quintptr pid = GameProcessHandle();
    m_partner->send("29<USERNAME>partner<IPADDR>127.0.0.2<GAMEID>01<DATA>", "127.0.0.3");
    QTRY_COMPARE_WITH_TIMEOUT(m_window->statusText(), QStringLiteral("対戦相手よりゲーム終了報告を受けました。"), 5000);
    QVERIFY(processGone(pid));
    QCOMPARE(GameProcessHandle(), quintptr(0));
    QCOMPARE(m_window->session()->directory()->mark(0), QStringLiteral("○"));
    QVERIFY(m_window->menuGame->isVisible());
    QCOMPARE(m_window->session()->currentGame().GameName, QString());

    // The game's own end report, crossing the partner's, finds no partner
    // any more: nothing is sent and no blank row appears.
    QVERIFY(pokeAsGame(QStringLiteral("<GAMEFUNC>99<GAMEDATA>")));
    QVERIFY(m_partner->receive(300).isEmpty());
    QCOMPARE(m_window->session()->directory()->rowCount(), 1);

    // A new game can start afterwards.
    QVERIFY(startAcceptedGame());
    QVERIFY(GameProcessHandle() != 0);
}

void tst_GameRelay::partnersGoodbyeEndsTheGameProgram()
{
    installGomoku();
    QVERIFY(startAcceptedGame());
    const quintptr pid = GameProcessHandle();
    m_partner->send("99<USERNAME>partner<IPADDR>127.0.0.2<GAMEID>01<DATA>", "127.0.0.3");
    QTRY_VERIFY_WITH_TIMEOUT(processGone(pid), 5000);
    QCOMPARE(m_window->session()->directory()->mark(0), QStringLiteral("×"));
    QCOMPARE(m_window->session()->currentGame().GameName, QString());
}

void tst_GameRelay::closingTheMessengerEndsItsGame()
{
    installGomoku();
    QVERIFY(startAcceptedGame());
    const quintptr pid = GameProcessHandle();
    m_window->close();
    QVERIFY(m_partner->receive().startsWith("99<USERNAME>me<IPADDR>127.0.0.3<GAMEID>01"));
    QTRY_VERIFY_WITH_TIMEOUT(processGone(pid), 5000);
}

void tst_GameRelay::unknownGameIdInAcceptanceShowsTheBox()
{
    m_window->ListUser()->setCurrentItem(m_window->ListUser()->row(0));
    m_window->requestGame(QStringLiteral("01"));
    QVERIFY(m_partner->receive().startsWith("31"));
    m_partner->send("32<USERNAME>partner<IPADDR>127.0.0.2<GAMEID>07<DATA><GAMEFUNC>01<GAMEDATA>", "127.0.0.3");
    QTRY_COMPARE(m_boxes->texts, QStringList { QStringLiteral("ｹﾞｰﾑ種別ｴﾗｰ CD=07") });
    QCOMPARE(GameProcessHandle(), quintptr(0));
}

void tst_GameRelay::acceptanceCountsOnlyFromTheAskedPartnerOnce()
{
    installGomoku();
    const QByteArray accept = "32<USERNAME>partner<IPADDR>127.0.0.2<GAMEID>01<DATA><GAMEFUNC>01<GAMEDATA>";
    const QByteArray strangerAccept = "32<USERNAME>x<IPADDR>127.0.0.9<GAMEID>01<DATA><GAMEFUNC>01<GAMEDATA>";

    // Nobody was asked: an acceptance starts nothing.
    m_window->session()->handleDatagram(accept);
    QCOMPARE(GameProcessHandle(), quintptr(0));
    QCOMPARE(m_window->session()->currentGame().GameName, QString());

    m_window->ListUser()->setCurrentItem(m_window->ListUser()->row(0));
    m_window->requestGame(QStringLiteral("01"));
    QVERIFY(m_partner->receive().startsWith("31"));

    // Someone else accepting our request to the partner starts nothing.
    m_window->session()->handleDatagram(strangerAccept);
    QCOMPARE(GameProcessHandle(), quintptr(0));
    QCOMPARE(m_window->session()->currentGame().PartnerAddress, QStringLiteral("127.0.0.2"));

    // The partner's acceptance starts the game, as the requesting side (white).
    m_partner->send(accept, "127.0.0.3");
    QTRY_VERIFY_WITH_TIMEOUT(m_window->menuGame->isChecked(), 15000);
    const quintptr pid = GameProcessHandle();
    QVERIFY(pid != 0);
    QCOMPARE(m_window->session()->directory()->mark(0), QStringLiteral("★"));

    // A second acceptance does not start the game over.
    m_window->session()->handleDatagram(accept);
    QCOMPARE(GameProcessHandle(), pid);
    QVERIFY(!processGone(pid));
}

void tst_GameRelay::gameKindBoxAndKindBoxShareOneBoxAtATime()
{
    m_window->ListUser()->setCurrentItem(m_window->ListUser()->row(0));
    m_window->requestGame(QStringLiteral("01"));
    QVERIFY(m_partner->receive().startsWith("31"));

    // While the game kind box is open, neither an unknown kind nor another
    // game kind error opens a second box.
    m_boxes->whileOpen = [this] {
        m_boxes->whileOpen = nullptr;
        m_window->session()->handleDatagram("zz<USERNAME>x<IPADDR>127.0.0.9<GAMEID><DATA>");
        m_window->requestGame(QStringLiteral("01"));
        m_window->session()->handleDatagram("32<USERNAME>partner<IPADDR>127.0.0.2<GAMEID>08<DATA>");
        QTest::qWait(50);
    };
    m_window->session()->handleDatagram("32<USERNAME>partner<IPADDR>127.0.0.2<GAMEID>07<DATA>");
    QTRY_COMPARE(m_boxes->texts, QStringList { QStringLiteral("ｹﾞｰﾑ種別ｴﾗｰ CD=07") });
    QTest::qWait(50);
    QCOMPARE(m_boxes->texts.size(), 1);

    // With the box closed, the next error shows again.
    m_window->session()->handleDatagram("zz<USERNAME>x<IPADDR>127.0.0.9<GAMEID><DATA>");
    QTRY_COMPARE(m_boxes->texts.size(), 2);
    QCOMPARE(m_boxes->texts.last(), QStringLiteral("電文種別エラー"));
}

QTEST_MAIN(tst_GameRelay)
#include "tst_gamerelay.moc"
