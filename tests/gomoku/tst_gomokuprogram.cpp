#include "gomokutestsupport.h"
#include "link.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

using namespace GomokuTest;

namespace {
const QString Messenger = QStringLiteral("TestMessenger");
const QString Game = QStringLiteral("GOMOKU");
} // namespace

// The shipped program GOMOKU as a process, reached over the real link.
class tst_GomokuProgram : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void secondCopyEndsAtOnce();
    void signalActsLikeAClose_data();
    void signalActsLikeAClose();
    void endCodeEndsWithoutReport();

private:
    void startIntroduced(QProcess &game);

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<LinkSource> m_messenger;
    std::unique_ptr<QSignalSpy> m_received;
};

void tst_GomokuProgram::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_messenger = std::make_unique<LinkSource>(Messenger, m_dir->path());
    m_messenger->addItem(QLatin1String(LinkInputItem));
    QVERIFY(m_messenger->listen());
    m_received = std::make_unique<QSignalSpy>(m_messenger.get(), &LinkSource::poked);
}

void tst_GomokuProgram::cleanup()
{
    m_received.reset();
    m_messenger.reset();
    m_dir.reset();
}

void tst_GomokuProgram::startIntroduced(QProcess &game)
{
    startGame(game, m_dir->path());
    QVERIFY(game.waitForStarted());
    // The program serves the link once its window is up.
    QTRY_VERIFY_WITH_TIMEOUT(SendLinkText(text("#1", Messenger), Game, m_dir->path()), 10000);
    QVERIFY(SendLinkText(text("20"), Game, m_dir->path()));
    QVERIFY(SendLinkText(text("01"), Game, m_dir->path()));
}

void tst_GomokuProgram::secondCopyEndsAtOnce()
{
    QProcess first;
    startIntroduced(first);
    QProcess second;
    startGame(second, m_dir->path());
    QVERIFY(second.waitForFinished(10000));
    QCOMPARE(second.exitCode(), 0);
    QCOMPARE(first.state(), QProcess::Running);
    first.kill();
    first.waitForFinished();
    QVERIFY(m_received->isEmpty());
}

void tst_GomokuProgram::signalActsLikeAClose_data()
{
    QTest::addColumn<int>("signalNumber");
    QTest::newRow("SIGTERM") << int(SIGTERM);
    QTest::newRow("SIGHUP") << int(SIGHUP);
}

void tst_GomokuProgram::signalActsLikeAClose()
{
    QFETCH(int, signalNumber);
    QProcess game;
    startIntroduced(game);
    ::kill(pid_t(game.processId()), signalNumber);
    QTRY_COMPARE_WITH_TIMEOUT(m_received->count(), 1, 10000);
    QCOMPARE(m_received->at(0).at(1).toString(), QStringLiteral("<GAMEFUNC>99<GAMEDATA>"));
    QTRY_COMPARE_WITH_TIMEOUT(game.state(), QProcess::NotRunning, 10000);
    QCOMPARE(game.exitStatus(), QProcess::NormalExit);
    QCOMPARE(game.exitCode(), 0);
}

void tst_GomokuProgram::endCodeEndsWithoutReport()
{
    QProcess game;
    startIntroduced(game);
    QVERIFY(SendLinkText(text("99"), Game, m_dir->path()));
    QTRY_COMPARE_WITH_TIMEOUT(game.state(), QProcess::NotRunning, 10000);
    QCOMPARE(game.exitCode(), 0);
    QVERIFY(m_received->isEmpty());
}

QTEST_MAIN(tst_GomokuProgram)
#include "tst_gomokuprogram.moc"
