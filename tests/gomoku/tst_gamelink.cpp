#include "gomokutestsupport.h"
#include "pelwickUDP050.h"

#include <QAction>
#include <QProcess>
#include <QTemporaryDir>

#include <csignal>

using namespace GomokuTest;
using namespace Gomoku;

namespace {
const QString Messenger = QStringLiteral("TestMessenger");
const QString Game = QStringLiteral("GOMOKU");
} // namespace

// The game's side of the link, over the real link: the test plays the
// messenger with a link source of its own in a private runtime directory.
class tst_GameLink : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void startSequenceAssignsColourAndFirstTurn_data();
    void startSequenceAssignsColourAndFirstTurn();
    void japaneseNamesArriveWhole();
    void invalidCodeShowsItsText_data();
    void invalidCodeShowsItsText();
    void paddedNudgeBeepsFlashesAndHurries();
    void partnerMoveGivesTheTurnBack();
    void ownClickIsSentThenPlayed();
    void moveWithOwnAddressIsAnOwnStoneWithoutRepaint();
    void badMovesAreRejected_data();
    void badMovesAreRejected();
    void nudgeMenuSendsToTheMessenger();
    void sendBeforeTheMessengerIsNamedFails();
    void closeSendsTheEndReportOnce();
    void endCodeEndsAtOnceWithoutReport();
    void wonGameReportsItsEnd();

    void programSecondCopyEndsAtOnce();
    void programReportsItsEndOnSignal_data();
    void programReportsItsEndOnSignal();
    void programEndsOnEndCode();

private:
    // Pokes text into the game and waits until the game has handled it.
    void send(const QString &linkText);
    QStringList receivedTexts() const;

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<LinkSource> m_messenger;
    std::unique_ptr<QSignalSpy> m_received;
    std::unique_ptr<frm_GOMOKU> m_window;
    std::unique_ptr<QSignalSpy> m_handled;
    std::unique_ptr<QSignalSpy> m_beeps;
    std::unique_ptr<BoxCatcher> m_boxes;
};

void tst_GameLink::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_messenger = std::make_unique<LinkSource>(Messenger, m_dir->path());
    m_messenger->addItem(QLatin1String(LinkInputItem));
    QVERIFY(m_messenger->listen());
    m_received = std::make_unique<QSignalSpy>(m_messenger.get(), &LinkSource::poked);

    m_window = std::make_unique<frm_GOMOKU>(m_dir->path());
    QVERIFY(m_window->linkListening());
    // Connected after the window's own handler, so it counts handled texts.
    m_handled = std::make_unique<QSignalSpy>(m_window->findChild<LinkSource *>(), &LinkSource::conversationClosed);
    m_beeps = std::make_unique<QSignalSpy>(m_window.get(), &frm_GOMOKU::beeped);
    m_boxes = std::make_unique<BoxCatcher>();
    m_window->resize(520, 560);
    showAndWait(*m_window);
}

void tst_GameLink::cleanup()
{
    m_boxes.reset();
    m_beeps.reset();
    m_handled.reset();
    m_window.reset();
    m_received.reset();
    m_messenger.reset();
    m_dir.reset();
}

void tst_GameLink::send(const QString &linkText)
{
    const qsizetype before = m_handled->count();
    QVERIFY(SendLinkText(linkText, Game, m_dir->path()));
    QTRY_COMPARE(m_handled->count(), before + 1);
}

QStringList tst_GameLink::receivedTexts() const
{
    QStringList texts;
    for (const QList<QVariant> &args : std::as_const(*m_received))
        texts.append(args.at(1).toString());
    return texts;
}

void tst_GameLink::startSequenceAssignsColourAndFirstTurn_data()
{
    QTest::addColumn<QString>("colourCode");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<int>("firstTurn");
    QTest::newRow("request received: black") << "20" << QStringLiteral("五目並べ [黒]自分 対 [白]相手") << int(OwnSide);
    QTest::newRow("request sent: white") << "21" << QStringLiteral("五目並べ [黒]相手 対 [白]自分") << int(PartnerSide);
}

void tst_GameLink::startSequenceAssignsColourAndFirstTurn()
{
    QFETCH(QString, colourCode);
    QFETCH(QString, caption);
    QFETCH(int, firstTurn);
    send(text("#1", Messenger));
    send(text("#2", QStringLiteral("相手")));
    send(text("#3", QLatin1String(PartnerAddress)));
    send(text("#4", QStringLiteral("自分")));
    send(text("#5", QLatin1String(OwnAddress)));
    QCOMPARE(m_window->LinkApplication(), Messenger);
    QCOMPARE(m_window->PartnerAddress(), QLatin1String(PartnerAddress));
    QCOMPARE(m_window->OwnAddress(), QLatin1String(OwnAddress));
    send(GomokuLink::linkMessage(colourCode));
    QCOMPARE(m_window->windowTitle(), caption);
    QVERIFY(!m_window->rules().GameStarted());
    QCOMPARE(m_beeps->count(), 0);

    send(text("01"));
    QVERIFY(m_window->rules().GameStarted());
    QCOMPARE(m_window->rules().Turn(), qint16(firstTurn));
    QCOMPARE(m_window->panelText(1), QStringLiteral("Game Start !!!"));
    QCOMPARE(m_window->rules().PlayerName(OwnSide), QStringLiteral("自分"));
    QCOMPARE(m_window->rules().PlayerName(PartnerSide), QStringLiteral("相手"));
    QCOMPARE(m_beeps->count(), 1);
    QVERIFY(m_boxes->texts.isEmpty());
    QVERIFY(m_received->isEmpty());
}

void tst_GameLink::japaneseNamesArriveWhole()
{
    // 表 and ソ end in byte 0x5C in code page 932.
    const QString name = QStringLiteral("表ソ～ﾀﾛｳ");
    send(text("#2", name));
    QCOMPARE(m_window->PartnerName(), name);
}

void tst_GameLink::invalidCodeShowsItsText_data()
{
    QTest::addColumn<QString>("linkText");
    QTest::addColumn<QString>("box");
    QTest::newRow("code 77") << text("77") << QStringLiteral("プログラム不正処理発生 Game_Func=77");
    QTest::newRow("no tags") << QStringLiteral("hello") << QStringLiteral("プログラム不正処理発生 Game_Func=");
    QTest::newRow("empty") << QString() << QStringLiteral("プログラム不正処理発生 Game_Func=");
    QTest::newRow("code tag without data tag") << QStringLiteral("<GAMEFUNC>40") << QStringLiteral("プログラム不正処理発生 Game_Func=");
}

void tst_GameLink::invalidCodeShowsItsText()
{
    QFETCH(QString, linkText);
    QFETCH(QString, box);
    send(linkText);
    QTRY_COMPARE(m_boxes->texts, QStringList { box });
    QVERIFY(!m_window->rules().GameStarted());
}

void tst_GameLink::paddedNudgeBeepsFlashesAndHurries()
{
    bool flashed = false;
    QTimer probe;
    connect(&probe, &QTimer::timeout, this, [&] {
        if (CaptionInverted(m_window.get())) {
            flashed = true;
            StopFlashing();
        }
    });
    probe.start(1);
    send(QStringLiteral("   <GAMEFUNC>40<GAMEDATA>  "));
    QVERIFY(flashed);
    QCOMPARE(m_beeps->count(), 1);
    QCOMPARE(m_window->panelText(1), QStringLiteral("早く～ (^0^)"));
    QVERIFY(!CaptionInverted(m_window.get()));
}

void tst_GameLink::partnerMoveGivesTheTurnBack()
{
    introduce(*m_window, Messenger, false);
    m_beeps->clear();
    send(partnerMove(10, 10));
    QCOMPARE(m_window->rules().Board(10, 10), PartnerSide);
    QCOMPARE(m_window->rules().Turn(), OwnSide);
    QCOMPARE(m_window->panelText(2), QStringLiteral("自分"));
    QCOMPARE(m_window->panelText(3), QStringLiteral("白"));
    QCOMPARE(m_beeps->count(), 1);
}

void tst_GameLink::ownClickIsSentThenPlayed()
{
    introduce(*m_window, Messenger, true);
    m_beeps->clear();
    clickPoint(*m_window, 3, 17);
    QCOMPARE(receivedTexts(), QStringList { QStringLiteral("<GAMEFUNC>10<GAMEDATA>(192.168.0.5)3,17") });
    QCOMPARE(m_window->rules().Board(3, 17), OwnSide);
    QCOMPARE(m_window->rules().Turn(), PartnerSide);
    QCOMPARE(m_window->panelText(2), QStringLiteral("相手"));
    QCOMPARE(m_window->panelText(3), QStringLiteral("白"));
    QCOMPARE(m_beeps->count(), 0);
    QVERIFY(m_boxes->texts.isEmpty());
}

void tst_GameLink::moveWithOwnAddressIsAnOwnStoneWithoutRepaint()
{
    // The partner plays black: its newest stone carries the yellow mark.
    const QColor yellow(255, 230, 0);
    introduce(*m_window, Messenger, false);
    send(partnerMove(5, 5));
    const auto centre = [&](int x, int y) {
        return boardView(*m_window)->grab().toImage().pixelColor(m_window->CellWidth() * x, m_window->CellHeight() * y);
    };
    QTRY_COMPARE(centre(5, 5), yellow);
    send(text("10", GomokuLink::moveData(QLatin1String(OwnAddress), 6, 6)));
    QCOMPARE(m_window->rules().Board(6, 6), OwnSide);
    QCOMPARE(centre(5, 5), yellow);
    QCOMPARE(centre(6, 6), QColor(230, 0, 0));
    QCOMPARE(m_window->rules().Turn(), PartnerSide);
}

void tst_GameLink::badMovesAreRejected_data()
{
    QTest::addColumn<QString>("data");
    QTest::newRow("column 0") << "(192.168.0.7)0,5";
    QTest::newRow("column 20") << "(192.168.0.7)20,5";
    QTest::newRow("row 0") << "(192.168.0.7)5,0";
    QTest::newRow("row 20") << "(192.168.0.7)5,20";
    QTest::newRow("huge") << "(192.168.0.7)65541,5";
    QTest::newRow("negative") << "(192.168.0.7)-1,5";
    QTest::newRow("occupied by partner") << "(192.168.0.7)9,9";
    QTest::newRow("occupied by own") << "(192.168.0.5)8,8";
    QTest::newRow("no address") << "9,10";
    QTest::newRow("no parenthesis") << "192.168.0.7)9,10";
    QTest::newRow("semicolon") << "(192.168.0.7)9;10";
    QTest::newRow("three numbers") << "(192.168.0.7)9,10,11";
    QTest::newRow("spaces inside") << "(192.168.0.7) 9,10";
    QTest::newRow("empty") << "";
}

void tst_GameLink::badMovesAreRejected()
{
    QFETCH(QString, data);
    introduce(*m_window, Messenger, true);
    feed(*m_window, text("10", GomokuLink::moveData(QLatin1String(OwnAddress), 8, 8)));
    feed(*m_window, partnerMove(9, 9));
    QCOMPARE(m_window->rules().Turn(), OwnSide);
    const QString panel2 = m_window->panelText(2);
    m_beeps->clear();

    send(text("10", data));
    QCOMPARE(m_window->rules().Turn(), OwnSide);
    QCOMPARE(m_window->rules().Board(8, 8), OwnSide);
    QCOMPARE(m_window->rules().Board(9, 9), PartnerSide);
    int stones = 0;
    for (qint16 x = 1; x <= BoardSize; ++x)
        for (qint16 y = 1; y <= BoardSize; ++y)
            stones += m_window->rules().isFree(x, y) ? 0 : 1;
    QCOMPARE(stones, 2);
    QCOMPARE(m_window->panelText(2), panel2);
    QCOMPARE(m_beeps->count(), 0);
    QVERIFY(m_boxes->texts.isEmpty());
    // The game goes on normally afterwards.
    clickPoint(*m_window, 1, 1);
    QCOMPARE(m_window->rules().Board(1, 1), OwnSide);
}

void tst_GameLink::nudgeMenuSendsToTheMessenger()
{
    send(text("#1", Messenger));
    m_window->findChild<QAction *>(QStringLiteral("manuS01"))->trigger();
    QCOMPARE(receivedTexts(), QStringList { QStringLiteral("<GAMEFUNC>40<GAMEDATA>") });
    QVERIFY(m_boxes->texts.isEmpty());
}

void tst_GameLink::sendBeforeTheMessengerIsNamedFails()
{
    // A program listening under an empty-looking name must not get the text.
    LinkSource nameless(QString(), m_dir->path());
    nameless.addItem(QLatin1String(LinkInputItem));
    nameless.listen();
    QSignalSpy namelessReceived(&nameless, &LinkSource::poked);

    m_window->findChild<QAction *>(QStringLiteral("manuS01"))->trigger();
    QTRY_COMPARE(m_boxes->texts, QStringList { QStringLiteral("催促送信に失敗しました。") });
    m_window->close();
    QTRY_COMPARE(m_boxes->texts.size(), 2);
    QCOMPARE(m_boxes->texts.at(1), QStringLiteral("終了報告を失敗しました。"));
    QVERIFY(m_received->isEmpty());
    QVERIFY(namelessReceived.isEmpty());
}

void tst_GameLink::closeSendsTheEndReportOnce()
{
    send(text("#1", Messenger));
    QSignalSpy ended(m_window.get(), &frm_GOMOKU::programEnded);
    m_window->findChild<QAction *>(QStringLiteral("menuM02"))->trigger();
    QVERIFY(!m_window->isVisible());
    m_window->close();
    QCOMPARE(receivedTexts(), QStringList { QStringLiteral("<GAMEFUNC>99<GAMEDATA>") });
    QVERIFY(m_boxes->texts.isEmpty());
    QVERIFY(ended.count() >= 1);
}

void tst_GameLink::endCodeEndsAtOnceWithoutReport()
{
    introduce(*m_window, Messenger, true);
    QSignalSpy ended(m_window.get(), &frm_GOMOKU::programEnded);
    send(text("99"));
    QVERIFY(!m_window->isVisible());
    QVERIFY(!ended.isEmpty());
    // Any report would have been delivered before the close returned.
    QVERIFY(m_received->isEmpty());
    QVERIFY(m_boxes->texts.isEmpty());
}

void tst_GameLink::wonGameReportsItsEnd()
{
    introduce(*m_window, Messenger, true);
    for (int i = 1; i <= 4; ++i) {
        clickPoint(*m_window, i, 1);
        send(partnerMove(i, 2));
    }
    m_beeps->clear();
    clickPoint(*m_window, 5, 1);
    QTRY_VERIFY(!m_window->isVisible());
    QCOMPARE(m_boxes->texts, QStringList { QStringLiteral("あなたの勝ちです。\nプログラムは終了します！") });
    QCOMPARE(m_beeps->count(), 3);
    const QStringList texts = receivedTexts();
    QCOMPARE(texts.size(), 6);
    QCOMPARE(texts.at(4), QStringLiteral("<GAMEFUNC>10<GAMEDATA>(192.168.0.5)5,1"));
    QCOMPARE(texts.at(5), QStringLiteral("<GAMEFUNC>99<GAMEDATA>"));
}

// ---- the program GOMOKU as a process -------------------------------------

namespace {

void startGame(QProcess &process, const QString &runtimeDir)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    // The shipped program finds its runtime directory the standard way.
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtimeDir);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(QStringLiteral(PELWICK_BIN_DIR "/GOMOKU"), {});
}

} // namespace

void tst_GameLink::programSecondCopyEndsAtOnce()
{
    m_window.reset(); // frees the name in this runtime directory
    QProcess first;
    startGame(first, m_dir->path());
    QVERIFY(first.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(SendLinkText(text("#1", Messenger), Game, m_dir->path()), 10000);
    QProcess second;
    startGame(second, m_dir->path());
    QVERIFY(second.waitForFinished(10000));
    QCOMPARE(second.exitCode(), 0);
    QCOMPARE(first.state(), QProcess::Running);
    first.kill();
    first.waitForFinished();
    QVERIFY(m_received->isEmpty());
}

void tst_GameLink::programReportsItsEndOnSignal_data()
{
    QTest::addColumn<int>("signalNumber");
    QTest::newRow("SIGTERM") << int(SIGTERM);
    QTest::newRow("SIGHUP") << int(SIGHUP);
}

void tst_GameLink::programReportsItsEndOnSignal()
{
    QFETCH(int, signalNumber);
    m_window.reset();
    QProcess game;
    startGame(game, m_dir->path());
    QVERIFY(game.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(SendLinkText(text("#1", Messenger), Game, m_dir->path()), 10000);
    QVERIFY(SendLinkText(text("20"), Game, m_dir->path()));
    QVERIFY(SendLinkText(text("01"), Game, m_dir->path()));
    ::kill(pid_t(game.processId()), signalNumber);
    QTRY_COMPARE_WITH_TIMEOUT(receivedTexts(), QStringList { QStringLiteral("<GAMEFUNC>99<GAMEDATA>") }, 10000);
    QTRY_COMPARE_WITH_TIMEOUT(game.state(), QProcess::NotRunning, 10000);
    QCOMPARE(game.exitStatus(), QProcess::NormalExit);
    QCOMPARE(game.exitCode(), 0);
}

void tst_GameLink::programEndsOnEndCode()
{
    m_window.reset();
    QProcess game;
    startGame(game, m_dir->path());
    QVERIFY(game.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(SendLinkText(text("#1", Messenger), Game, m_dir->path()), 10000);
    QVERIFY(SendLinkText(text("99"), Game, m_dir->path()));
    QTRY_COMPARE_WITH_TIMEOUT(game.state(), QProcess::NotRunning, 10000);
    QCOMPARE(game.exitCode(), 0);
    QVERIFY(m_received->isEmpty());
}

QTEST_MAIN(tst_GameLink)
#include "tst_gamelink.moc"
