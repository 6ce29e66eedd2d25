#include "userdirectory.h"
#include "messengerfixture.h"
#include "messengerhost.h"
#include "processgone.h"
#include "gameprocess.h"

#include <QFile>
#include <QLocalSocket>
#include <QProcess>
#include <QTest>

// Two messengers on two loopback addresses, each with its own game program
// started and introduced over the real link, play a whole game to a win.
// The second messenger runs in a process of its own; both games are played
// through a driver that clicks on the real game window.
class tst_GameMatch : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void wholeGameIsPlayedToAWinOnBothSides();
    void closingAMessengerMidGameEndsBothGames();

private:
    // Asks bob for a game from alice's messenger and waits until both games
    // have been introduced and started.
    void startGame();
    QString drive(const QString &runtimeDir, const QString &command);
    void click(const QString &runtimeDir, int x, int y);
    QStringList boxesShown(const QString &runtimeDir) const;

    quint16 m_port = 0;
    std::unique_ptr<MessageBoxRecorder> m_boxes;
    std::unique_ptr<MessengerFixture> m_alice;
    std::unique_ptr<FixtureBase> m_bob; // runs in m_bobProcess
    QProcess m_bobProcess;
    frm_pelwickUDP *m_window = nullptr;
};

void tst_GameMatch::init()
{
    m_port = freeUdpPort({ QStringLiteral("127.0.0.2"), QStringLiteral("127.0.0.3") });
    QVERIFY(m_port != 0);
    m_boxes = std::make_unique<MessageBoxRecorder>();
    m_alice = std::make_unique<MessengerFixture>(QStringLiteral("127.0.0.3"), m_port, QStringLiteral("alice"));
    m_alice->storeDirectory({ { QStringLiteral("bob"), QStringLiteral("127.0.0.2") } });
    m_bob = std::make_unique<FixtureBase>(QStringLiteral("127.0.0.2"), m_port, QStringLiteral("bob"));
    m_bob->storeDirectory({ { QStringLiteral("alice"), QStringLiteral("127.0.0.3") } });
    for (const FixtureBase *m : { static_cast<FixtureBase *>(m_alice.get()), m_bob.get() })
        QVERIFY(QFile::link(QStringLiteral(GOMOKU_DRIVER_PATH), m->programDir() + QLatin1String("/GOMOKU")));

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    m_bobProcess.setProcessEnvironment(env);
    m_bobProcess.setProcessChannelMode(QProcess::SeparateChannels);
    m_bobProcess.setReadChannel(QProcess::StandardOutput);
    QByteArrayList beforeReady;
    QVERIFY(startMessengerHost(m_bobProcess, *m_bob, &beforeReady));
    QCOMPARE(beforeReady, QByteArrayList());

    // Alice announces herself; bob's answer marks him present.
    m_window = m_alice->start();
    QVERIFY(m_window);
    QTRY_COMPARE_WITH_TIMEOUT(m_window->session()->directory()->mark(0), PresenceMark::HeardFrom, 5000);
    QCOMPARE(askHost(m_bobProcess, QStringLiteral("marks"), QStringLiteral("marks ")), QStringLiteral("○"));
}

void tst_GameMatch::cleanup()
{
    if (m_bobProcess.state() != QProcess::NotRunning) {
        m_bobProcess.write("close\n");
        if (!m_bobProcess.waitForFinished(5000))
            m_bobProcess.kill();
        m_bobProcess.waitForFinished();
    }
    m_alice.reset();
    m_bob.reset();
    m_boxes.reset();
}

QString tst_GameMatch::drive(const QString &runtimeDir, const QString &command)
{
    QLocalSocket socket;
    socket.connectToServer(runtimeDir + QLatin1String("/gomoku-driver"));
    // The driver answers from a process of its own, so waiting here blocks
    // nothing it needs; a game that has ended leaves no one to answer.
    if (!socket.waitForConnected(2000))
        return {};
    QDeadlineTimer deadline(5000);
    socket.write(command.toUtf8() + '\n');
    while (!socket.canReadLine() && socket.state() == QLocalSocket::ConnectedState && !deadline.hasExpired())
        QTest::qWait(2);
    return QString::fromUtf8(socket.readLine()).trimmed();
}

// A click on the own turn; waits until the stone has reached the other game,
// which then shows its own player to move.
void tst_GameMatch::click(const QString &runtimeDir, int x, int y)
{
    const bool byAlice = runtimeDir == m_alice->runtimeDir();
    const QString other = byAlice ? m_bob->runtimeDir() : m_alice->runtimeDir();
    const QString next = byAlice ? QStringLiteral("bob") : QStringLiteral("alice");
    const QStringList after = drive(runtimeDir, QStringLiteral("click %1 %2").arg(x).arg(y)).split(QLatin1Char('|'));
    QCOMPARE(after.value(0), QString()); // no refusal text
    QCOMPARE(after.value(1), next);
    QTRY_COMPARE_WITH_TIMEOUT(drive(other, QStringLiteral("state")).section(QLatin1Char('|'), 1, 1), next, 5000);
}

QStringList tst_GameMatch::boxesShown(const QString &runtimeDir) const
{
    QFile log(runtimeDir + QLatin1String("/gomoku-driver.log"));
    if (!log.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(log.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

void tst_GameMatch::startGame()
{
    m_window->ListUser()->setCurrentIndex(m_window->session()->directory()->index(0, 0));
    m_window->menuGame_Gomoku_Click();
    // Bob's messenger accepts, starts its game and introduces it (black, as
    // the one asked); alice's does the same on the acceptance (white).
    QTRY_VERIFY_WITH_TIMEOUT(m_window->session()->game()->gamePrograms()->GameProcessHandle() != 0, 15000);
    QTRY_COMPARE_WITH_TIMEOUT(m_window->session()->directory()->mark(0), PresenceMark::InGame, 15000);
    QCOMPARE(askHost(m_bobProcess, QStringLiteral("marks"), QStringLiteral("marks ")), QStringLiteral("★"));
    QCOMPARE(
        askHost(m_bobProcess, QStringLiteral("game"), QStringLiteral("game ")), QStringLiteral("127.0.0.3|GOMOKU"));

    // Both games know the colours and have started.
    for (const QString &runtime : { m_bob->runtimeDir(), m_alice->runtimeDir() }) {
        QTRY_COMPARE_WITH_TIMEOUT(drive(runtime, QStringLiteral("state")).section(QLatin1Char('|'), 0, 0),
            QStringLiteral("Game Start !!!"), 15000);
        QCOMPARE(drive(runtime, QStringLiteral("state")).section(QLatin1Char('|'), 3),
            QStringLiteral("五目並べ [黒]bob 対 [白]alice"));
    }
}

void tst_GameMatch::wholeGameIsPlayedToAWinOnBothSides()
{
    startGame();
    if (QTest::currentTestFailed())
        return;

    // Alice may not move first, and her refusal stays local.
    QCOMPARE(drive(m_alice->runtimeDir(), QStringLiteral("click 5 5")).section(QLatin1Char('|'), 0, 0),
        QStringLiteral("あなたの番ではありません"));

    // Bob builds a row on line 1, alice answers on line 5; bob's fifth
    // stone wins.
    for (int i = 1; i <= 4; ++i) {
        click(m_bob->runtimeDir(), i, 1);
        if (QTest::currentTestFailed())
            return;
        click(m_alice->runtimeDir(), i, 5);
        if (QTest::currentTestFailed())
            return;
    }
    const qint64 aliceGame = qint64(m_window->session()->game()->gamePrograms()->GameProcessHandle());
    drive(m_bob->runtimeDir(), QStringLiteral("click 5 1"));

    // Both games see the win, say so in their own words and end; each end
    // report reaches the other messenger, and both show the partner present.
    QTRY_COMPARE_WITH_TIMEOUT(boxesShown(m_bob->runtimeDir()),
        QStringList { QStringLiteral("あなたの勝ちです。\\nプログラムは終了します！") }, 10000);
    QTRY_COMPARE_WITH_TIMEOUT(boxesShown(m_alice->runtimeDir()),
        QStringList { QStringLiteral("bobの勝ちです。\\nプログラムは終了します！") }, 10000);
    QTRY_VERIFY_WITH_TIMEOUT(processGone(aliceGame), 10000);
    QTRY_COMPARE_WITH_TIMEOUT(m_window->session()->directory()->mark(0), PresenceMark::HeardFrom, 5000);
    QTRY_COMPARE_WITH_TIMEOUT(
        askHost(m_bobProcess, QStringLiteral("marks"), QStringLiteral("marks ")), QStringLiteral("○"), 5000);
    QTRY_VERIFY_WITH_TIMEOUT(
        askHost(m_bobProcess, QStringLiteral("game"), QStringLiteral("game ")).startsWith(QLatin1Char('|')), 5000);
    QTRY_VERIFY_WITH_TIMEOUT(drive(m_bob->runtimeDir(), QStringLiteral("state")).isEmpty(), 5000);
    QCOMPARE(m_window->session()->game()->currentGame().PartnerAddress, QString());
    QVERIFY(!m_window->menus().menuGame->isChecked());
    QVERIFY(m_boxes->texts.isEmpty());

    // The next game starts afresh on both sides.
    QFile::remove(m_bob->runtimeDir() + QLatin1String("/gomoku-driver.log"));
    QFile::remove(m_alice->runtimeDir() + QLatin1String("/gomoku-driver.log"));
    startGame();
    if (QTest::currentTestFailed())
        return;
    click(m_bob->runtimeDir(), 10, 10);
}

void tst_GameMatch::closingAMessengerMidGameEndsBothGames()
{
    startGame();
    if (QTest::currentTestFailed())
        return;
    click(m_bob->runtimeDir(), 10, 10);
    if (QTest::currentTestFailed())
        return;

    const qint64 aliceGame = qint64(m_window->session()->game()->gamePrograms()->GameProcessHandle());
    m_window->close();
    // Alice's game is ended with her messenger; bob's messenger hears her
    // goodbye, ends his game and marks her absent.
    QTRY_VERIFY_WITH_TIMEOUT(processGone(aliceGame), 5000);
    QTRY_COMPARE_WITH_TIMEOUT(
        askHost(m_bobProcess, QStringLiteral("marks"), QStringLiteral("marks ")), QStringLiteral("×"), 5000);
    // The game is over with its partner gone: nothing of it stays on record,
    // so presence no longer carries its id.
    QTRY_COMPARE_WITH_TIMEOUT(
        askHost(m_bobProcess, QStringLiteral("game"), QStringLiteral("game ")), QStringLiteral("|"), 5000);
    QTRY_VERIFY_WITH_TIMEOUT(drive(m_bob->runtimeDir(), QStringLiteral("state")).isEmpty(), 5000);
    // Neither game had anything to complain about.
    QCOMPARE(boxesShown(m_alice->runtimeDir()), QStringList());
    QCOMPARE(boxesShown(m_bob->runtimeDir()), QStringList());
}

QTEST_MAIN(tst_GameMatch)
#include "tst_gamematch.moc"
