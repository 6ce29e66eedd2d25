#include "userdirectory.h"
#include "boardgeometry.h"
#include "frm_GOMOKU.h"
#include "messengerfixture.h"
#include "messengerhost.h"
#include "processgone.h"
#include "gameprocess.h"

#include <QAction>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QTest>

#include <csignal>

// One side of a game dies while the other goes on: the game program killed
// under the messenger, and the messenger killed under its game.
class tst_GameFaults : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void gameKilledMidGameLeavesTheMessengerUsable();
    void messengerKilledMidGameLeavesTheGameUsableUntilClosed();
    void terminationDuringAGameStartEndsTheMessengerAtOnce();

private:

    quint16 m_port = 0;
    std::unique_ptr<UdpPeer> m_partner;
};

namespace {

const QByteArray Request = "31<USERNAME>partner<IPADDR>127.0.0.2<GAMEID>01<DATA><GAMEFUNC>01<GAMEDATA>";
const QByteArray Accept = "32<USERNAME>me<IPADDR>127.0.0.3<GAMEID>01<DATA><GAMEFUNC>01<GAMEDATA>";

} // namespace

void tst_GameFaults::init()
{
    m_port = freeUdpPort({ QStringLiteral("127.0.0.2"), QStringLiteral("127.0.0.3") });
    QVERIFY(m_port != 0);
    m_partner = std::make_unique<UdpPeer>(QStringLiteral("127.0.0.2"), m_port);
    QVERIFY(m_partner->isBound());
}

void tst_GameFaults::cleanup()
{
    m_partner.reset();
}

void tst_GameFaults::gameKilledMidGameLeavesTheMessengerUsable()
{
    MessageBoxRecorder boxes;
    MessengerFixture me(QStringLiteral("127.0.0.3"), m_port);
    me.storeDirectory({ { QStringLiteral("partner"), QStringLiteral("127.0.0.2") } });
    QVERIFY(QFile::link(QStringLiteral(PELWICK_BIN_DIR "/GOMOKU"), me.programDir() + QStringLiteral("/GOMOKU")));
    frm_pelwickUDP *window = me.start();
    QVERIFY(window);
    QVERIFY(m_partner->receive().startsWith("01"));

    m_partner->send(Request, QStringLiteral("127.0.0.3"));
    QCOMPARE(m_partner->receive(15000), Accept);
    const qint64 first = qint64(window->session()->game()->gamePrograms()->GameProcessHandle());
    QVERIFY(first != 0);

    QCOMPARE(::kill(pid_t(first), SIGKILL), 0);
    QTRY_VERIFY_WITH_TIMEOUT(processGone(first), 10000);

    // The messenger notices the game's end: the partner gets its end
    // report, and the partner and the game menu are free again.
    QCOMPARE(m_partner->receive(10000), QByteArray("29<USERNAME>me<IPADDR>127.0.0.3<GAMEID>01<DATA>"));
    QCOMPARE(window->session()->directory()->mark(0), PresenceMark::HeardFrom);
    QVERIFY(!window->menus().menuGame->isChecked());
    // A move for the dead game goes nowhere, and says nothing.
    m_partner->send("21<USERNAME>partner<IPADDR>127.0.0.2<GAMEID>01<DATA><GAMEFUNC>10<GAMEDATA>(127.0.0.2)9,9",
                    QStringLiteral("127.0.0.3"));
    // Messages and announcements go on as before.
    m_partner->send("11<USERNAME>partner<IPADDR>127.0.0.2<GAMEID><DATA>still there?", QStringLiteral("127.0.0.3"));
    QTRY_VERIFY(window->logText().contains(QStringLiteral("still there?")));
    m_partner->send("01<USERNAME>partner<IPADDR>127.0.0.2<GAMEID><DATA>", QStringLiteral("127.0.0.3"));
    QVERIFY(m_partner->receive().startsWith("02<USERNAME>me<IPADDR>127.0.0.3"));

    // A new game starts with a fresh game program.
    m_partner->send(Request, QStringLiteral("127.0.0.3"));
    QCOMPARE(m_partner->receive(15000), Accept);
    const qint64 second = qint64(window->session()->game()->gamePrograms()->GameProcessHandle());
    QVERIFY(second != 0 && second != first);
    QVERIFY(!processGone(second));
    QCOMPARE(window->session()->directory()->mark(0), PresenceMark::InGame);
    QVERIFY(boxes.texts.isEmpty());
}

void tst_GameFaults::messengerKilledMidGameLeavesTheGameUsableUntilClosed()
{
    // The messenger runs in a process of its own; the game window lives in
    // this test, so its boxes can be seen. The messenger's game program is a
    // stand-in that just waits, so the introduction reaches this window.
    MessengerFixture me(QStringLiteral("127.0.0.3"), m_port);
    me.storeDirectory({ { QStringLiteral("partner"), QStringLiteral("127.0.0.2") } });
    QVERIFY(QFile::copy(QStringLiteral(PELWICK_BIN_DIR "/pelwick_gamestub"), me.programDir() + QStringLiteral("/GOMOKU")));
    QFile::setPermissions(me.programDir() + QStringLiteral("/GOMOKU"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    MessageBoxRecorder boxes;
    frm_GOMOKU game(me.runtimeDir());
    QVERIFY(game.linkListening());
    game.show();
    bool ended = false;
    connect(&game, &frm_GOMOKU::programEnded, this, [&] { ended = true; });

    QProcess messenger;
    messenger.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    // Whatever happens, nothing this test started outlives it.
    const QString stubStarted = me.programDir() + QStringLiteral("/started");
    const auto reap = qScopeGuard([&] {
        messenger.kill();
        messenger.waitForFinished();
        QFile started(stubStarted);
        if (started.open(QIODevice::ReadOnly)) {
            if (const qint64 pid = started.readAll().toLongLong(); pid > 0)
                ::kill(pid_t(pid), SIGKILL);
        }
    });
    QVERIFY(startMessengerHost(messenger, me));
    QVERIFY(m_partner->receive(10000).startsWith("01"));

    m_partner->send(Request, QStringLiteral("127.0.0.3"));
    QCOMPARE(m_partner->receive(20000), Accept);
    // The stand-in game program is up (the clean-up above must find it).
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(stubStarted), 10000);
    QTRY_VERIFY(game.rules().GameStarted());
    QCOMPARE(game.LinkApplication(), QStringLiteral("Pelwick"));
    QCOMPARE(game.PartnerAddress(), QStringLiteral("127.0.0.2"));

    messenger.kill();
    QVERIFY(messenger.waitForFinished());

    // Black (the accepting side) moves first: the move cannot be sent, the
    // game says so in its own box and still places the stone.
    QWidget *board = game.findChild<QWidget *>(QStringLiteral("BoardView"));
    QVERIFY(board);
    QTest::mouseClick(board, Qt::LeftButton, {},
                      QPoint(BoardGeometry::cellSpacing(board->width()) * 10,
                             BoardGeometry::cellSpacing(board->height()) * 10));
    QTRY_COMPARE(boxes.texts.size(), 1);
    QVERIFY2(boxes.texts.first().startsWith(QStringLiteral("失敗しました!!Pelwick<GAMEFUNC>10<GAMEDATA>")),
             qPrintable(boxes.texts.first()));
    QCOMPARE(game.rules().Board(10, 10), Gomoku::OwnSide);

    // The nudge fails the same way.
    QAction *nudge = game.findChild<QAction *>(QStringLiteral("manuS01"));
    QVERIFY(nudge);
    nudge->trigger();
    QTRY_COMPARE(boxes.texts.size(), 2);
    QCOMPARE(boxes.texts.last(), QStringLiteral("催促送信に失敗しました。"));
    QVERIFY(!ended);

    // Closing reports that the end could not be sent, then ends the program.
    game.close();
    QTRY_VERIFY(ended);
    QCOMPARE(boxes.texts.size(), 3);
    QCOMPARE(boxes.texts.last(), QStringLiteral("終了報告を失敗しました。"));
}

void tst_GameFaults::terminationDuringAGameStartEndsTheMessengerAtOnce()
{
    // The game program never opens its link, so the start waits for it
    // while more requests queue up behind.
    MessengerFixture me(QStringLiteral("127.0.0.3"), m_port);
    me.storeDirectory({ { QStringLiteral("partner"), QStringLiteral("127.0.0.2") } });
    QVERIFY(QFile::copy(QStringLiteral(PELWICK_BIN_DIR "/pelwick_gamestub"), me.programDir() + QStringLiteral("/GOMOKU")));
    QFile::setPermissions(me.programDir() + QStringLiteral("/GOMOKU"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QString stubStarted = me.programDir() + QStringLiteral("/started");
    QProcess messenger;
    messenger.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    const auto reap = qScopeGuard([&] {
        messenger.kill();
        messenger.waitForFinished();
        QFile started(stubStarted);
        if (started.open(QIODevice::ReadOnly)) {
            if (const qint64 pid = started.readAll().toLongLong(); pid > 0)
                ::kill(pid_t(pid), SIGKILL);
        }
    });
    QVERIFY(startMessengerHost(messenger, me));
    QVERIFY(m_partner->receive(10000).startsWith("01"));

    m_partner->send(Request, QStringLiteral("127.0.0.3"));
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(stubStarted), 10000);
    for (int i = 0; i < 20; ++i)
        m_partner->send(Request, QStringLiteral("127.0.0.3"));
    QFile started(stubStarted);
    QVERIFY(started.open(QIODevice::ReadOnly));
    const qint64 stub = started.readAll().toLongLong();
    QVERIFY(stub > 0);

    messenger.terminate();
    // Far less than one start's patience: nothing waits for the game any more.
    QVERIFY(messenger.waitForFinished(5000));
    QCOMPARE(messenger.exitStatus(), QProcess::NormalExit);
    QVERIFY(processGone(stub));
    // The goodbye went out, and nothing after it.
    const QList<QByteArray> sent = m_partner->receiveAll(300);
    QVERIFY(!sent.isEmpty());
    QVERIFY(sent.last().startsWith("99"));
}

QTEST_MAIN(tst_GameFaults)
#include "tst_gamefaults.moc"
