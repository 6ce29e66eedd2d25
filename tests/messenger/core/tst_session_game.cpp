#include "cp932.h"
#include "link.h"
#include "gameprocess.h"
#include "processgone.h"
#include "sessionfixture.h"
#include "standingames.h"

#include <QFile>
#include <QTest>

#include <csignal>

namespace {

const QString Me = QStringLiteral("127.0.0.3");
const QString Partner = QStringLiteral("127.0.0.2");
const QByteArray Request = "31<USERNAME>partner<IPADDR>127.0.0.2<GAMEID>01<DATA><GAMEFUNC>01<GAMEDATA>";
const QByteArray Accept = "32<USERNAME>partner<IPADDR>127.0.0.2<GAMEID>01<DATA><GAMEFUNC>01<GAMEDATA>";
const QByteArray OwnRequest = "31<USERNAME>me<IPADDR>127.0.0.3<GAMEID>01<DATA><GAMEFUNC>01<GAMEDATA>";
const QByteArray OwnAccept = "32<USERNAME>me<IPADDR>127.0.0.3<GAMEID>01<DATA><GAMEFUNC>01<GAMEDATA>";

// The introduction the session pokes into GOMOKU, then its colour and start.
QStringList introduction(const QString &colour)
{
    return { "<GAMEFUNC>#1<GAMEDATA>Pelwick", "<GAMEFUNC>#2<GAMEDATA>partner", "<GAMEFUNC>#3<GAMEDATA>127.0.0.2",
        "<GAMEFUNC>#4<GAMEDATA>me", "<GAMEFUNC>#5<GAMEDATA>127.0.0.3", "<GAMEFUNC>" + colour + "<GAMEDATA>",
        "<GAMEFUNC>01<GAMEDATA>" };
}

QStringList pokes(const QStringList &texts)
{
    QStringList calls;
    for (const QString &text : texts)
        calls.append(QLatin1String("poke GOMOKU ") + text);
    return calls;
}

} // namespace

// The session's side of a game against a partner messenger played by a
// plain socket on 127.0.0.2, with the game program played by StandInGames
// (and once by a real stand-in program over the real link).
class tst_SessionGame : public QObject
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
    void unknownGameIdInAcceptanceShowsTheBox();
    void acceptanceCountsOnlyFromTheAskedPartnerOnce();
    void gameKindBoxAndKindBoxShareOneBoxAtATime();
    void realGameProgramIsIntroducedOverTheLinkAndEnded();
    void gameIsReplacedOnlyByItsPartnerAtABoundedRate();
    void partnerCannotGiveTheGameTheMessengersCodes();
    void gameProgramEndingUnannouncedEndsTheGameForThePartner();

private:
    bool startSession(GamePrograms *games);
    bool startAcceptedGame();
    bool pokeAsGame(const QString &text) { return SendLinkText(text, QStringLiteral("Pelwick"), m_me->runtimeDir()); }
    void handledFromPartner(const QByteArray &datagram);
    PresenceMark mark() const { return m_me->directory()->mark(0); }

    quint16 m_port = 0;
    std::unique_ptr<SessionFixture> m_me;
    std::unique_ptr<UdpPeer> m_partner;
    StandInGames m_games;
    MessengerSession *m_session = nullptr;
};

void tst_SessionGame::init()
{
    m_port = freeUdpPort({ Partner, Me });
    QVERIFY(m_port);
    m_me = std::make_unique<SessionFixture>(Me, m_port);
    m_me->storeDirectory({ { QStringLiteral("partner"), Partner } });
    m_partner = std::make_unique<UdpPeer>(Partner, m_port);
    QVERIFY(m_partner->isBound());
    m_games = StandInGames();
    m_games.presentBoth();
}

void tst_SessionGame::cleanup()
{
    m_session = nullptr;
    m_me.reset();
    m_partner.reset();
}

bool tst_SessionGame::startSession(GamePrograms *games)
{
    m_session = m_me->start(games);
    return m_session != nullptr;
}

bool tst_SessionGame::startAcceptedGame()
{
    m_partner->send(Request, Me);
    const QByteArray answer = m_partner->receive(15000);
    if (answer != OwnAccept) {
        qWarning() << "answer" << answer << m_me->status;
        return false;
    }
    return true;
}

// Sends datagram as the partner and waits until the session has handled it.
void tst_SessionGame::handledFromPartner(const QByteArray &datagram)
{
    QSignalSpy handled(m_session, &MessengerSession::datagramHandled);
    m_partner->send(datagram, Me);
    QVERIFY(handled.wait(5000));
}

void tst_SessionGame::requestIsSentAndNotAnsweredWithoutGameProgram()
{
    m_games.present.clear();
    QVERIFY(startSession(&m_games));
    m_session->game()->requestGame(QStringLiteral("01"), 0);
    QCOMPARE(m_partner->receive(), OwnRequest);
    QCOMPARE(m_me->status, QStringLiteral("ゲームスタート要求を出しました。"));
    QCOMPARE(m_session->game()->currentGame().GameName, QStringLiteral("GOMOKU"));
    QCOMPARE(m_session->game()->currentGame().PartnerAddress, Partner);

    // This messenger has no GOMOKU: a request stays unanswered and starts
    // nothing.
    handledFromPartner(Request);
    QCOMPARE(mark(), PresenceMark::NotHeard);
    QCOMPARE(m_games.calls, QStringList());
    QCOMPARE(m_me->sentTo(*m_partner), QList<QByteArray>());
}

void tst_SessionGame::acceptedRequestStartsAndIntroducesTheGame()
{
    QVERIFY(startSession(&m_games));
    QSignalSpy state(m_session, &MessengerSession::gameStateChanged);
    QVERIFY(startAcceptedGame());
    // Accepting is black (20); the acceptance goes out after the start.
    QCOMPARE(m_games.calls, QStringList { "start GOMOKU" } + pokes(introduction("20")));
    QCOMPARE(mark(), PresenceMark::InGame);
    QCOMPARE(m_me->status, QStringLiteral("ゲームスタート要求を出しました。"));
    QCOMPARE(m_session->game()->state(), GameState::Playing);
    QVERIFY(!state.isEmpty());
    QCOMPARE(m_session->game()->currentGame().PartnerAddress, Partner);
    QCOMPARE(m_session->game()->currentGame().GameId, QStringLiteral("01"));

    // Presence answers and the goodbye now carry the game id.
    m_partner->send("01<USERNAME>partner<IPADDR>127.0.0.2<GAMEID>01<DATA>", Me);
    QCOMPARE(m_partner->receive(), m_me->own("02", "01"));
    m_session->presence()->sayGoodbye();
    QCOMPARE(m_partner->receive(), m_me->own("99", "01"));
}

void tst_SessionGame::movesAreRelayedUnchangedBothWays()
{
    QVERIFY(startSession(&m_games));
    QVERIFY(startAcceptedGame());
    const qsizetype before = m_games.calls.size();
    // The partner's move reaches the game exactly as it came.
    handledFromPartner(QByteArray("21<USERNAME>partner<IPADDR>127.0.0.2<GAMEID>01<DATA>")
        + Cp932::encode(QStringLiteral(" <GAMEFUNC>10<GAMEDATA>(127.0.0.2)9,9 名 ")));
    QCOMPARE(m_games.calls.mid(before), pokes({ QStringLiteral(" <GAMEFUNC>10<GAMEDATA>(127.0.0.2)9,9 名 ") }));
    QCOMPARE(m_me->status, QStringLiteral("ゲームスタート要求を出しました。"));

    // A text from the game goes out once trimmed at its ends, inner spaces kept.
    QVERIFY(pokeAsGame(QStringLiteral("  <GAMEFUNC>10<GAMEDATA>(127.0.0.3) 10,9  ")));
    QCOMPARE(m_partner->receive(), m_me->own("21", "01", QStringLiteral("<GAMEFUNC>10<GAMEDATA>(127.0.0.3) 10,9")));
    // The hurry-up nudge is relayed and changes nothing.
    QVERIFY(pokeAsGame(QStringLiteral("<GAMEFUNC>40<GAMEDATA>")));
    QCOMPARE(m_partner->receive(), m_me->own("21", "01", QStringLiteral("<GAMEFUNC>40<GAMEDATA>")));
    QCOMPARE(m_session->game()->currentGame().PartnerAddress, Partner);
    QCOMPARE(mark(), PresenceMark::InGame);
    QCOMPARE(m_session->game()->state(), GameState::Playing);

    // A move the game does not take says so.
    m_games.acceptPokes = false;
    handledFromPartner("21<USERNAME>partner<IPADDR>127.0.0.2<GAMEID>01<DATA><GAMEFUNC>10<GAMEDATA>(127.0.0.2)1,1");
    QCOMPARE(m_me->status, QStringLiteral("失敗しました"));
}

void tst_SessionGame::strayMovesFromOthersAreNotPassedToTheGame()
{
    QVERIFY(startSession(&m_games));
    const QByteArray stray = "21<USERNAME>x<IPADDR>127.0.0.9<GAMEID>01<DATA><GAMEFUNC>10<GAMEDATA>(127.0.0.9)1,1";
    // No game runs: a relayed text has nowhere to go and says nothing.
    handledFromPartner(stray);
    QCOMPARE(m_games.calls, QStringList());
    QCOMPARE(m_me->status, QString());

    QVERIFY(startAcceptedGame());
    const QStringList calls = m_games.calls;
    const QString status = m_me->status;
    // The packet comes from the partner's socket, but the sender named in
    // it is someone else.
    handledFromPartner(stray);
    QCOMPARE(m_games.calls, calls);
    QCOMPARE(m_me->status, status);
    QCOMPARE(m_me->directory()->rowCount(), 1);

    // Nor may anyone else end the game.
    handledFromPartner("29<USERNAME>x<IPADDR>127.0.0.9<GAMEID>01<DATA>");
    QCOMPARE(m_games.calls, calls);
    QCOMPARE(m_session->game()->state(), GameState::Playing);
    QCOMPARE(m_session->game()->currentGame().PartnerAddress, Partner);

    // A third host that names the partner's address moves no stone, ends
    // nothing and starts no game.
    UdpPeer third(QStringLiteral("127.0.0.4"), m_port);
    QVERIFY(third.isBound());
    for (const QByteArray &forged : { QByteArray("21<USERNAME>partner<IPADDR>127.0.0.2<GAMEID>01<DATA>"
                                                 "<GAMEFUNC>10<GAMEDATA>(127.0.0.2)1,1"),
             QByteArray("29<USERNAME>partner<IPADDR>127.0.0.2<GAMEID>01<DATA>"),
             QByteArray("99<USERNAME>partner<IPADDR>127.0.0.2<GAMEID>01<DATA>"), Request }) {
        QSignalSpy handled(m_session, &MessengerSession::datagramHandled);
        third.send(forged, Me);
        QVERIFY(handled.wait(5000));
        QCOMPARE(m_games.calls, calls);
        QCOMPARE(m_session->game()->state(), GameState::Playing);
    }
    // Nor does the partner hear of any of it (no 32, no 29).
    QCOMPARE(m_me->sentTo(*m_partner), QList<QByteArray>());
}

void tst_SessionGame::ownGameEndBecomesGameEndDatagram()
{
    QVERIFY(startSession(&m_games));
    QVERIFY(startAcceptedGame());
    const qsizetype before = m_games.calls.size();
    QVERIFY(pokeAsGame(QStringLiteral("<GAMEFUNC>99<GAMEDATA>")));
    QCOMPARE(m_partner->receive(), m_me->own("29", "01"));
    QCOMPARE(mark(), PresenceMark::HeardFrom);
    QCOMPARE(m_session->game()->state(), GameState::Idle);
    QCOMPARE(m_session->game()->currentGame().PartnerAddress, QString());
    QCOMPARE(m_session->game()->currentGame().GameId, QString());
    // The game ends itself: the session leaves it alone, and its name stays
    // until the program has been ended.
    QCOMPARE(m_games.calls.size(), before);
    QCOMPARE(m_session->game()->currentGame().GameName, QStringLiteral("GOMOKU"));
}

void tst_SessionGame::partnersGameEndEndsTheGameProgram()
{
    QVERIFY(startSession(&m_games));
    QVERIFY(startAcceptedGame());
    handledFromPartner("29<USERNAME>partner<IPADDR>127.0.0.2<GAMEID>01<DATA>");
    QCOMPARE(m_games.calls.last(), QStringLiteral("end"));
    QCOMPARE(m_me->status, QStringLiteral("対戦相手よりゲーム終了報告を受けました。"));
    QCOMPARE(mark(), PresenceMark::HeardFrom);
    QCOMPARE(m_session->game()->state(), GameState::Idle);
    QCOMPARE(m_session->game()->currentGame().GameName, QString());

    // The game's own end report, crossing the partner's, finds no partner
    // any more: nothing is sent and no blank row appears.
    QVERIFY(pokeAsGame(QStringLiteral("<GAMEFUNC>99<GAMEDATA>")));
    QCOMPARE(m_me->sentTo(*m_partner), QList<QByteArray>());
    QCOMPARE(m_me->directory()->rowCount(), 1);

    // A new game can start afterwards.
    m_games.calls.clear();
    QVERIFY(startAcceptedGame());
    QCOMPARE(m_games.calls.first(), QStringLiteral("start GOMOKU"));
    QCOMPARE(m_session->game()->state(), GameState::Playing);
}

void tst_SessionGame::partnersGoodbyeEndsTheGameProgram()
{
    QVERIFY(startSession(&m_games));
    QVERIFY(startAcceptedGame());
    handledFromPartner("99<USERNAME>partner<IPADDR>127.0.0.2<GAMEID>01<DATA>");
    QCOMPARE(m_games.calls.last(), QStringLiteral("end"));
    QCOMPARE(mark(), PresenceMark::NotHeard);
    QCOMPARE(m_session->game()->currentGame().GameName, QString());
}

void tst_SessionGame::unknownGameIdInAcceptanceShowsTheBox()
{
    QVERIFY(startSession(&m_games));
    m_session->game()->requestGame(QStringLiteral("01"), 0);
    QCOMPARE(m_partner->receive(), OwnRequest);
    handledFromPartner("32<USERNAME>partner<IPADDR>127.0.0.2<GAMEID>07<DATA><GAMEFUNC>01<GAMEDATA>");
    QTRY_COMPARE(m_me->boxes, QStringList { QStringLiteral("ｹﾞｰﾑ種別ｴﾗｰ CD=07") });
    QCOMPARE(m_games.calls, QStringList());
    QVERIFY(m_session->game()->state() != GameState::Playing);
}

void tst_SessionGame::acceptanceCountsOnlyFromTheAskedPartnerOnce()
{
    QVERIFY(startSession(&m_games));
    const QByteArray strangerAccept = "32<USERNAME>x<IPADDR>127.0.0.9<GAMEID>01<DATA><GAMEFUNC>01<GAMEDATA>";

    // Nobody was asked: an acceptance starts nothing.
    m_session->channel()->receive(Accept);
    QCOMPARE(m_games.calls, QStringList());
    QCOMPARE(m_session->game()->currentGame().GameName, QString());

    m_session->game()->requestGame(QStringLiteral("01"), 0);
    QCOMPARE(m_partner->receive(), OwnRequest);

    // Someone else accepting our request to the partner starts nothing.
    m_session->channel()->receive(strangerAccept);
    QCOMPARE(m_games.calls, QStringList());
    QCOMPARE(m_session->game()->currentGame().PartnerAddress, Partner);

    // The partner's acceptance starts the game as the requesting side
    // (white, 21), and is not answered.
    handledFromPartner(Accept);
    QCOMPARE(m_games.calls, QStringList { "start GOMOKU" } + pokes(introduction("21")));
    QCOMPARE(m_session->game()->state(), GameState::Playing);
    QCOMPARE(mark(), PresenceMark::InGame);

    // A second acceptance does not start the game over.
    handledFromPartner(Accept);
    QCOMPARE(m_games.calls.size(), 8);
    QCOMPARE(m_me->sentTo(*m_partner), QList<QByteArray>());
}

void tst_SessionGame::gameKindBoxAndKindBoxShareOneBoxAtATime()
{
    QVERIFY(startSession(&m_games));
    m_me->holdBoxes();
    m_session->game()->requestGame(QStringLiteral("01"), 0);
    QCOMPARE(m_partner->receive(), OwnRequest);

    m_session->channel()->receive("32<USERNAME>partner<IPADDR>127.0.0.2<GAMEID>07<DATA>");
    m_me->deliverBoxes();
    QCOMPARE(m_me->boxes, QStringList { QStringLiteral("ｹﾞｰﾑ種別ｴﾗｰ CD=07") });
    // While it is open, neither an unknown kind nor another game kind error
    // asks for a second box.
    m_session->channel()->receive("zz<USERNAME>x<IPADDR>127.0.0.9<GAMEID><DATA>");
    m_session->game()->requestGame(QStringLiteral("01"), 0);
    m_session->channel()->receive("32<USERNAME>partner<IPADDR>127.0.0.2<GAMEID>08<DATA>");
    m_me->deliverBoxes();
    QCOMPARE(m_me->boxes.size(), 1);

    // With the box closed, the next error shows again.
    m_me->closeBox();
    m_session->channel()->receive("zz<USERNAME>x<IPADDR>127.0.0.9<GAMEID><DATA>");
    m_me->deliverBoxes();
    QCOMPARE(m_me->boxes, QStringList({ QStringLiteral("ｹﾞｰﾑ種別ｴﾗｰ CD=07"), QStringLiteral("電文種別エラー") }));
}

void tst_SessionGame::realGameProgramIsIntroducedOverTheLinkAndEnded()
{
    // The programs beside the messenger: a stand-in program that records
    // what it is poked over the link.
    const QString program = m_me->programDir() + QStringLiteral("/GOMOKU");
    QVERIFY(QFile::copy(QStringLiteral(PELWICK_BIN_DIR "/pelwick_gamestub"), program));
    QFile poked(m_me->programDir() + QStringLiteral("/poked"));
    QVERIFY(poked.open(QIODevice::WriteOnly));
    poked.close();
    QVERIFY(startSession(nullptr));
    QVERIFY(m_session->game()->gameProgramExists(QStringLiteral("GOMOKU")));
    QVERIFY(!m_session->game()->gameProgramExists(QStringLiteral("OTHELLO")));

    auto pokedLines = [&] {
        QFile f(poked.fileName());
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts)
                                           : QStringList();
    };
    QVERIFY(startAcceptedGame());
    const qint64 pid = qint64(m_session->game()->gamePrograms()->GameProcessHandle());
    QVERIFY(pid != 0);
    QTRY_COMPARE(pokedLines(), introduction("20"));

    handledFromPartner("21<USERNAME>partner<IPADDR>127.0.0.2<GAMEID>01<DATA><GAMEFUNC>10<GAMEDATA>(127.0.0.2)9,9");
    QTRY_COMPARE(pokedLines().value(7), QStringLiteral("<GAMEFUNC>10<GAMEDATA>(127.0.0.2)9,9"));
    QCOMPARE(m_me->status, QStringLiteral("ゲームスタート要求を出しました。"));

    handledFromPartner("29<USERNAME>partner<IPADDR>127.0.0.2<GAMEID>01<DATA>");
    QCOMPARE(m_me->status, QStringLiteral("対戦相手よりゲーム終了報告を受けました。"));
    QVERIFY(processGone(pid));
    QCOMPARE(m_session->game()->gamePrograms()->GameProcessHandle(), quintptr(0));
}

// A hostile host (127.0.0.4) asks for a game while one runs; then the
// partner floods requests; then the own user asks the hostile host.
void tst_SessionGame::gameIsReplacedOnlyByItsPartnerAtABoundedRate()
{
    QVERIFY(startSession(&m_games));
    QVERIFY(startAcceptedGame());
    UdpPeer hostile(QStringLiteral("127.0.0.4"), m_port);
    QVERIFY(hostile.isBound());
    QSignalSpy handled(m_session, &MessengerSession::datagramHandled);
    hostile.send("31<USERNAME>x<IPADDR>127.0.0.4<GAMEID>01<DATA><GAMEFUNC>01<GAMEDATA>", Me);
    QVERIFY(handled.wait(5000));
    QCOMPARE(m_games.calls.count(QStringLiteral("start GOMOKU")), 1);
    QCOMPARE(m_session->game()->state(), GameState::Playing);
    QCOMPARE(m_session->game()->currentGame().PartnerAddress, Partner);
    // Ignored, as a busy messenger ignores it.
    QCOMPARE(m_me->sentTo(hostile), QList<QByteArray>());

    handled.clear();
    for (int i = 0; i < 50; ++i)
        m_partner->send(Request, Me);
    QTRY_COMPARE_WITH_TIMEOUT(handled.size(), 50, 10000);
    QCOMPARE(m_games.calls.count(QStringLiteral("start GOMOKU")), GameRelay::MaxGameStarts);

    // Asking someone else ends the running game: its partner is told.
    m_games.calls.clear();
    m_session->game()->requestGame(QStringLiteral("01"), m_me->directory()->rowOf(QStringLiteral("127.0.0.4")));
    QVERIFY(SessionFixture::receiveUntil(*m_partner, m_me->own("29", "01")));
    QCOMPARE(m_games.calls.value(0), QStringLiteral("end"));
    QCOMPARE(mark(), PresenceMark::HeardFrom);
    QCOMPARE(m_session->game()->currentGame().PartnerAddress, QStringLiteral("127.0.0.4"));
}

void tst_SessionGame::partnerCannotGiveTheGameTheMessengersCodes()
{
    QVERIFY(startSession(&m_games));
    QVERIFY(startAcceptedGame());
    const QStringList calls = m_games.calls;
    for (const char *code : { "#1", "#2", "#3", "#4", "#5", "01", "20", "21", "99" }) {
        handledFromPartner(QByteArray("21<USERNAME>partner<IPADDR>127.0.0.2<GAMEID>01<DATA> <GAMEFUNC>")
            + QByteArray(code).trimmed() + "<GAMEDATA>(127.0.0.2)1,1");
    }
    QCOMPARE(m_games.calls, calls);
    // The game's own codes pass as before.
    handledFromPartner("21<USERNAME>partner<IPADDR>127.0.0.2<GAMEID>01<DATA><GAMEFUNC>40<GAMEDATA>");
    QCOMPARE(m_games.calls.mid(calls.size()), pokes({ QStringLiteral("<GAMEFUNC>40<GAMEDATA>") }));
}

void tst_SessionGame::gameProgramEndingUnannouncedEndsTheGameForThePartner()
{
    const QString program = m_me->programDir() + QStringLiteral("/GOMOKU");
    QVERIFY(QFile::copy(QStringLiteral(PELWICK_BIN_DIR "/pelwick_gamestub"), program));
    QFile poked(m_me->programDir() + QStringLiteral("/poked"));
    QVERIFY(poked.open(QIODevice::WriteOnly));
    poked.close();
    QVERIFY(startSession(nullptr));
    QSignalSpy states(m_session, &MessengerSession::gameStateChanged);
    QVERIFY(startAcceptedGame());
    QCOMPARE(mark(), PresenceMark::InGame);
    const qint64 pid = qint64(m_session->game()->gamePrograms()->GameProcessHandle());
    QVERIFY(pid != 0);

    // Killed: no end report comes over the link.
    QCOMPARE(::kill(pid_t(pid), SIGKILL), 0);
    QCOMPARE(m_partner->receive(10000), m_me->own("29", "01"));
    QCOMPARE(m_session->game()->state(), GameState::Idle);
    QCOMPARE(mark(), PresenceMark::HeardFrom);
    QVERIFY(!states.isEmpty());
}

QTEST_GUILESS_MAIN(tst_SessionGame)
#include "tst_session_game.moc"
