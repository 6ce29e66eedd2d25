#include "Frm_pelwickPlp.h"
#include "trayicon.h"
#include "messengerfixture.h"
#include "recordingplayer.h"
#include "singleinstancelock.h"
#include "standingames.h"
#include "userdirectory.h"

#include <QDialog>
#include <QHeaderView>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QWindow>
#include <QRegularExpression>
#include <QTest>
#include <QUdpSocket>

#include <csignal>
#include <map>

#include <sys/stat.h>

namespace {

const QString Me = QStringLiteral("127.0.0.3");
const QString Peer2 = QStringLiteral("127.0.0.2");
const QString Peer4 = QStringLiteral("127.0.0.4");
constexpr PresenceMark Heard = PresenceMark::HeardFrom;
constexpr PresenceMark InGame = PresenceMark::InGame;
constexpr PresenceMark NotHeard = PresenceMark::NotHeard;

// A notification area that is there or not, and goes when the test says.
class FakeTray : public TrayPresence
{
public:
    bool available() const override { return present; }
    void setWatching(bool on) override { watching = on; }
    void vanish()
    {
        present = false;
        emit availabilityChanged(false);
    }
    bool present = false;
    bool watching = false;
};

} // namespace

// The main window of a real messenger on 127.0.0.3: what it shows of its
// session and what the user's clicks and menus ask of it. The protocol
// itself is the session's and is tested without widgets.
class tst_frm_pelwickUDP : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    // Arrivals and the attention devices.
    void receivedMessagesAreShownInTheLog();
    void arrivalCuesAreCarriedOut();
    void popUpBringsAHiddenWindowBack();
    void vanishedTrayBringsTheHiddenWindowBack();
    void openDialogComesForwardWithItsWindowAndKeepsItFromTheTray();
    void placeAndStayOnTopAreWrittenWhenTheyChange();
    void loginStartWaitsInTheTrayOrMinimised_data();
    void loginStartWaitsInTheTrayOrMinimised();
    void unknownKindShowsOneBoxUnderFloodAndKeepsAnswering();

    // Start and end.
    void secondInstanceShowsAlreadyRunningBringsTheFirstBackAndTouchesNothing();
    void leftoverLockIsTakenOver_data();
    void leftoverLockIsTakenOver();
    void twoMessengersSeeEachOther();
    void portInUseSaysWhichAndWhatToDo();
    void terminatedProcessSaysGoodbyeToEveryRow();
    void terminationDuringTheFirstStartDialogEndsTheProcess_data();
    void terminationDuringTheFirstStartDialogEndsTheProcess();
    void storedNameThatCannotTravelIsUsedAndNamedInTheStatus();

    // Sending.
    void refusedSendSaysWhyAndKeepsTheText_data();
    void refusedSendSaysWhyAndKeepsTheText();
    void sentMessageClearsTheTextAndIsLogged();
    void textCodePage932CannotCarryIsNotSentAndItsCharactersAreNamed();

    // The user list and its pop-up.
    void columnClicksToggleTheOrderAndSwitchTheKey();
    void popupEntriesFollowTheRowAndTheGamePrograms_data();
    void popupEntriesFollowTheRowAndTheGamePrograms();
    void popupNeedsARightPressOnASelectedRow();

    // Games.
    void gameMenuFollowsTheSessionsGameState();
    void gameRequestGoesToTheCurrentRow();
    void closingTheMessengerEndsItsGame();

private:
    UserDirectory *directory() const { return m_window->session()->directory(); }
    UserListView *list() const { return m_window->ListUser(); }
    QPlainTextEdit *txtS() const { return m_window->findChild<QPlainTextEdit *>(QStringLiteral("txtS")); }
    QPlainTextEdit *txtR() const { return m_window->findChild<QPlainTextEdit *>(QStringLiteral("txtR")); }
    void clickSend() const
    {
        QTest::mouseClick(m_window->findChild<QPushButton *>(QStringLiteral("CmdSend")), Qt::LeftButton);
    }
    // Starts a messenger as a process of its own on this test's address,
    // run as the program runs, with the user name and rows stored in home.
    void startMessengerProcess(
        QProcess &process, const QTemporaryDir &home, const QString &userName, const QStringList &rows);
    int addRow(const QString &name, PresenceMark mark, const QString &address)
    {
        directory()->appendRow(name, mark, address);
        return directory()->rowOf(address);
    }
    void select(const QList<int> &rows) const
    {
        list()->clearSelection();
        for (const int row : rows)
            list()->setRowSelected(row, true);
    }
    QStringList names() const;
    QPoint rowCenter(int row) const { return list()->visualRect(directory()->index(row, 0)).center(); }
    void rightPress(int row) const
    {
        QTest::mousePress(list()->viewport(), Qt::RightButton, {}, rowCenter(row));
        QTest::mouseRelease(list()->viewport(), Qt::RightButton, {}, rowCenter(row));
    }
    // A datagram from a peer, handled as if it had just arrived.
    void arrive(const QByteArray &datagram) const { m_window->session()->channel()->receive(datagram); }

    quint16 m_port = 0;
    // Stand-ins the window's seams point to; they outlive the window.
    std::unique_ptr<StandInGames> m_games;
    std::unique_ptr<RecordingPlayer> m_sound;
    std::unique_ptr<FakeTray> m_tray;
    std::unique_ptr<MessageBoxRecorder> m_boxes;
    std::map<QString, std::unique_ptr<UdpPeer>> m_peers;
    std::unique_ptr<MessengerFixture> m_me;
    frm_pelwickUDP *m_window = nullptr;
    QList<QMenu *> m_popups;
};

void tst_frm_pelwickUDP::init()
{
    m_port = freeUdpPort({ Me, Peer2, Peer4, QStringLiteral("127.0.0.5") });
    QVERIFY(m_port);
    m_games = std::make_unique<StandInGames>();
    m_sound = std::make_unique<RecordingPlayer>();
    m_tray = std::make_unique<FakeTray>();
    m_boxes = std::make_unique<MessageBoxRecorder>();
    for (const QString &address : { Peer2, Peer4 }) {
        m_peers[address] = std::make_unique<UdpPeer>(address, m_port);
        QVERIFY(m_peers[address]->isBound());
    }
    m_me = std::make_unique<MessengerFixture>(Me, m_port);
    m_window = m_me->start([this](MessengerEnvironment &env) {
        env.games = m_games.get();
        env.soundPlayer = m_sound.get();
        env.trayPresence = m_tray.get();
    });
    QVERIFY(m_window);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
    m_popups.clear();
    m_window->setPopupHook([this](QMenu *menu) { m_popups.append(menu); });
}

void tst_frm_pelwickUDP::cleanup()
{
    m_window = nullptr;
    m_me.reset();
    m_peers.clear();
    m_boxes.reset();
    m_games.reset();
    m_sound.reset();
    m_tray.reset();
}

QStringList tst_frm_pelwickUDP::names() const
{
    QStringList result;
    for (int i = 0; i < directory()->rowCount(); ++i)
        result.append(directory()->name(i));
    return result;
}

void tst_frm_pelwickUDP::receivedMessagesAreShownInTheLog()
{
    // Two arrivals in one burst: both blocks reach the log widget, in order,
    // without anyone asking for the log text.
    UdpPeer &peer = *m_peers[Peer2];
    peer.send(buildDatagram("11", QStringLiteral("佐藤"), Peer2, "", QStringLiteral("こんにちは\r\n 2行目 ")), Me);
    peer.send(buildDatagram("11", QStringLiteral("佐藤"), Peer2, "", QStringLiteral("again")), Me);
    QTRY_VERIFY_WITH_TIMEOUT(txtR()->toPlainText().contains(QStringLiteral("again")), 5000);

    const QRegularExpression blocks(QStringLiteral(
        "^\\[Recv\\] Time:\\d\\d:\\d\\d:\\d\\d,相手:佐藤\\(127\\.0\\.0\\.2\\)\r\nこんにちは\r\n 2行目 \r\n\r\n"
        "\\[Recv\\] Time:\\d\\d:\\d\\d:\\d\\d,相手:佐藤\\(127\\.0\\.0\\.2\\)\r\nagain\r\n\r\n$"));
    QVERIFY2(blocks.match(m_window->logText()).hasMatch(), qPrintable(m_window->logText()));
    QCOMPARE(m_window->statusText(), QStringLiteral("メッセージを受け付けました。"));

    m_window->findChild<QPushButton *>(QStringLiteral("CmdClear"))->click();
    QCOMPARE(m_window->logText(), QString());
}

// Which cues a text gets is decided in the core (tst_datagram); here the
// window plays the sound file and opens the lamp it was told to.
void tst_frm_pelwickUDP::arrivalCuesAreCarriedOut()
{
    const QString chime = m_me->settingsDir() + QLatin1String("/chime.wav");
    QFile file(chime);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QByteArray("RIFF\x24\0\0\0WAVEfmt ", 16));
    file.close();
    m_window->localSettings().SoundFilePath = chime;
    m_window->localSettings().Sound = true;

    arrive("11<USERNAME>a<IPADDR>127.0.0.2<GAMEID>99<DATA>lamp!");
    QCOMPARE(m_sound->played, QStringList { chime });
    QVERIFY(Frm_pelwickPlp::Lamp());
    QVERIFY(Frm_pelwickPlp::Lamp()->isVisible());
    Frm_pelwickPlp::Lamp()->close();

    // Presence is no arrival.
    arrive("01<USERNAME>a<IPADDR>127.0.0.2<GAMEID><DATA>");
    QCOMPARE(m_sound->played.size(), 1);
}

void tst_frm_pelwickUDP::popUpBringsAHiddenWindowBack()
{
    m_window->hide();
    m_window->localSettings().PopUp = false;
    arrive("11<USERNAME>a<IPADDR>127.0.0.2<GAMEID><DATA>quiet");
    QVERIFY(!m_window->isVisible());
    QVERIFY(m_window->logText().contains(QStringLiteral("quiet")));

    m_window->localSettings().PopUp = true;
    m_window->showMinimized();
    m_window->hide();
    const WId native = m_window->winId();
    const QWindow *handle = m_window->windowHandle();
    arrive("11<USERNAME>a<IPADDR>127.0.0.2<GAMEID><DATA>loud");
    QVERIFY(m_window->isVisible());
    QVERIFY(!m_window->isMinimized());
    // Raised for the moment only: stay-on-top is as stored again after.
    QVERIFY(!(m_window->windowFlags() & Qt::WindowStaysOnTopHint));
    QVERIFY(!(handle->flags() & Qt::WindowStaysOnTopHint));

    // Coming forward keeps the native window, never unmapped for a moment:
    // no flicker, no new task bar entry, no new place.
    QSignalSpy mapping(handle, &QWindow::visibleChanged);
    for (const char *text : { "1", "2", "3" })
        arrive(QByteArray("11<USERNAME>a<IPADDR>127.0.0.2<GAMEID><DATA>") + text);
    QCOMPARE(mapping.count(), 0);
    QCOMPARE(m_window->windowHandle(), handle);
    QCOMPARE(m_window->winId(), native);
}

void tst_frm_pelwickUDP::vanishedTrayBringsTheHiddenWindowBack()
{
    m_tray->present = true;
    m_window->showMinimized();
    QTRY_VERIFY(m_window->isHidden());
    QVERIFY(m_tray->watching);
    // The panel restarts, the tray host quits: nothing could show the window
    // again from the tray, so it shows itself.
    m_tray->vanish();
    QVERIFY(m_window->isVisible());
    QVERIFY(!m_window->isMinimized());
    QVERIFY(!m_tray->watching);

    // Without a tray, minimising leaves the window in the task bar.
    m_window->showMinimized();
    QVERIFY(m_window->isVisible());
}

void tst_frm_pelwickUDP::openDialogComesForwardWithItsWindowAndKeepsItFromTheTray()
{
    m_tray->present = true;
    m_window->localSettings().PopUp = true;
    QDialog dialog(m_window);
    dialog.setWindowModality(Qt::WindowModal);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    // Minimised with a dialog open, the window stays out of the tray: hidden,
    // it would strand the dialog.
    m_window->showMinimized();
    QCoreApplication::processEvents();
    QVERIFY(!m_window->isHidden());

    // An arriving text, a tray click and a second start each bring both
    // back, the dialog on top with the focus.
    PelwickTrayIcon *icon = findTrayIcon(m_window);
    QVERIFY(icon);
    const std::function<void()> ways[] = {
        [this] { arrive("11<USERNAME>a<IPADDR>127.0.0.2<GAMEID><DATA>text"); },
        [icon] { emit icon->restoreRequested(); },
        [this] {
            frm_pelwickUDP second(m_me->environment());
            QVERIFY(!second.Form_Load());
        },
    };
    for (const auto &way : ways) {
        m_window->showMinimized();
        dialog.showMinimized();
        way();
        QTRY_VERIFY(!m_window->isMinimized() && m_window->isVisible());
        QTRY_VERIFY(dialog.isVisible() && !dialog.isMinimized());
        QTRY_COMPARE(QApplication::activeWindow(), &dialog);
    }
}

void tst_frm_pelwickUDP::placeAndStayOnTopAreWrittenWhenTheyChange()
{
    auto stored = [this](const char *section, const char *key) {
        return SettingsStore(QStringLiteral("Pelwick"), m_me->settingsDir())
            .value(QLatin1String(section), QLatin1String(key));
    };
    // Written as it changes, not only at the end: a killed messenger keeps it.
    m_window->findChild<QAction *>(QStringLiteral("menuMon"))->trigger();
    QCOMPARE(stored("Local", "FormTop"), QStringLiteral("True"));

    const QString left = stored("WindowPos", "Left");
    m_window->move(m_window->pos() + QPoint(40, 30));
    QTRY_VERIFY(stored("WindowPos", "Left") != left);
}

void tst_frm_pelwickUDP::loginStartWaitsInTheTrayOrMinimised_data()
{
    QTest::addColumn<bool>("tray");
    QTest::newRow("with a tray") << true;
    QTest::newRow("without a tray") << false;
}

void tst_frm_pelwickUDP::loginStartWaitsInTheTrayOrMinimised()
{
    QFETCH(bool, tray);
    m_tray->present = tray;
    MessengerFixture other(QStringLiteral("127.0.0.5"), m_port);
    frm_pelwickUDP *window = other.start([this](MessengerEnvironment &env) {
        env.trayPresence = m_tray.get();
        env.startedAtLogin = true;
    });
    QVERIFY(window);
    window->showAtStart();
    QCOMPARE(window->isVisible(), !tray);
    QCOMPARE(window->isMinimized(), !tray);
    QCOMPARE(m_tray->watching, tray);
}

void tst_frm_pelwickUDP::unknownKindShowsOneBoxUnderFloodAndKeepsAnswering()
{
    UdpPeer &peer = *m_peers[Peer2];
    QSignalSpy handled(m_window->session(), &MessengerSession::datagramHandled);
    // While the first box is open, a flood arrives and is handled by the
    // event loop the box runs; an announcement is still answered.
    QByteArray answer;
    bool flooded = false;
    m_boxes->whileOpen = [&] {
        if (std::exchange(flooded, true))
            return;
        for (int i = 0; i < 1000; ++i)
            peer.send("12<USERNAME>x<IPADDR>127.0.0.2<GAMEID><DATA>", Me);
        QTRY_VERIFY_WITH_TIMEOUT(handled.size() >= 900, 10000);
        peer.send("01<USERNAME>a<IPADDR>127.0.0.2<GAMEID><DATA>", Me);
        answer = peer.receive();
    };
    peer.send("12<USERNAME>x<IPADDR>127.0.0.2<GAMEID><DATA>", Me);
    QTRY_VERIFY_WITH_TIMEOUT(flooded, 5000);
    QCOMPARE(m_boxes->texts, QStringList { QStringLiteral("電文種別エラー") });
    QCOMPARE(answer, QByteArray("02<USERNAME>me<IPADDR>127.0.0.3<GAMEID><DATA>"));

    // Once the box is closed, the same sender's next foreign kind only
    // reaches the status bar (one box per sender a minute); another
    // sender's shows a box again.
    handled.clear();
    peer.send("hello", Me);
    QTRY_VERIFY(!handled.isEmpty());
    QCOMPARE(m_boxes->texts.size(), 1);
    QCOMPARE(m_window->statusText(), QStringLiteral("電文種別エラー"));
    m_peers[Peer4]->send("hello", Me);
    QTRY_COMPARE(m_boxes->texts.size(), 2);
}

void tst_frm_pelwickUDP::secondInstanceShowsAlreadyRunningBringsTheFirstBackAndTouchesNothing()
{
    addRow(QStringLiteral("kept"), Heard, Peer2);
    // The first one waits minimised and out of sight, as in the tray.
    m_window->showMinimized();
    m_window->hide();
    frm_pelwickUDP second(m_me->environment());
    QVERIFY(!second.Form_Load());
    QCOMPARE(m_boxes->texts, QStringList { QStringLiteral("既に起動されています。") });
    // Titled in full, and saying where to find the running one.
    QCOMPARE(m_boxes->requests.first().title, m_window->windowTitle());
    QVERIFY(m_boxes->requests.first().detail.contains(QStringLiteral("通知領域")));
    second.close();
    // The first one comes to the front, where the user looks for it.
    QTRY_VERIFY(m_window->isVisible());
    QVERIFY(!m_window->isMinimized());
    // The duplicate sent no goodbye and saved nothing.
    QVERIFY(m_peers[Peer2]->receive(300).isEmpty());
    SettingsStore store(QStringLiteral("Pelwick"), m_me->settingsDir());
    QCOMPARE(store.value("User", "Count"), QStringLiteral("0"));
    QCOMPARE(directory()->rowCount(), 1);
}

void tst_frm_pelwickUDP::leftoverLockIsTakenOver_data()
{
    QTest::addColumn<QString>("leftover");
    QTest::newRow("empty") << QStringLiteral("empty");
    QTest::newRow("garbage") << QStringLiteral("garbage");
    QTest::newRow("process that does not run") << QStringLiteral("gone");
    QTest::newRow("fifo") << QStringLiteral("fifo");
    QTest::newRow("dangling link") << QStringLiteral("link");
}

void tst_frm_pelwickUDP::leftoverLockIsTakenOver()
{
    QFETCH(QString, leftover);
    MessengerFixture other(QStringLiteral("127.0.0.5"), m_port);
    const QString lock = other.runtimeDir() + QStringLiteral("/Pelwick.lock");
    if (leftover == QLatin1String("fifo")) {
        QCOMPARE(::mkfifo(QFile::encodeName(lock).constData(), 0600), 0);
    } else if (leftover == QLatin1String("link")) {
        QVERIFY(QFile::link(other.runtimeDir() + QStringLiteral("/gone"), lock));
    } else {
        QByteArray text;
        if (leftover == QLatin1String("garbage"))
            text = QByteArray("\x01\xff not a lock");
        if (leftover == QLatin1String("gone")) {
            QProcess ended;
            ended.start(QStringLiteral("true"));
            QVERIFY(ended.waitForStarted());
            text = QByteArray::number(ended.processId()) + "\nPelwick\n" + QSysInfo::machineHostName().toUtf8() + '\n';
            QVERIFY(ended.waitForFinished());
        }
        QFile file(lock);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(text);
    }
    QVERIFY(other.start());
    QVERIFY(m_boxes->texts.isEmpty());
    // Taken over for real: the next copy is refused.
    frm_pelwickUDP third(other.environment());
    QVERIFY(!third.Form_Load());
    QCOMPARE(m_boxes->texts, QStringList { QStringLiteral("既に起動されています。") });
    other.stop();
}

void tst_frm_pelwickUDP::portInUseSaysWhichAndWhatToDo()
{
    QUdpSocket holder;
    QVERIFY(holder.bind(QHostAddress(QStringLiteral("127.0.0.5")), 0, QAbstractSocket::DontShareAddress));
    MessengerFixture other(QStringLiteral("127.0.0.5"), holder.localPort());
    frm_pelwickUDP *window = other.start();
    QVERIFY(window);
    QCOMPARE(window->statusText(),
        QStringLiteral("[8]ﾎﾟｰﾄ %1 は他のﾌﾟﾛｸﾞﾗﾑが使用中です。ｵﾌﾟｼｮﾝでﾎﾟｰﾄ番号を変えて下さい。").arg(holder.localPort()));
    other.stop();
}

void tst_frm_pelwickUDP::twoMessengersSeeEachOther()
{
    MessengerFixture other(Peer2, m_port, QStringLiteral("other"));
    m_peers.erase(Peer2); // the second messenger takes the peer's address
    other.storeDirectory({ { QStringLiteral("me?"), Me } });
    frm_pelwickUDP *second = other.start();
    QVERIFY(second);
    // The start-up announcement reaches the first messenger, whose answer
    // marks it on the second.
    QTRY_COMPARE_WITH_TIMEOUT(names(), QStringList { QStringLiteral("other") }, 5000);
    QTRY_COMPARE_WITH_TIMEOUT(second->session()->directory()->mark(0), Heard, 5000);
    QCOMPARE(second->session()->directory()->name(0), QStringLiteral("me"));

    other.stop();
    QTRY_COMPARE_WITH_TIMEOUT(directory()->mark(0), NotHeard, 5000);
}

void tst_frm_pelwickUDP::startMessengerProcess(
    QProcess &process, const QTemporaryDir &home, const QString &userName, const QStringList &rows)
{
    // The test's own window steps aside: the process takes its address.
    m_window = nullptr;
    m_me.reset();
    SettingsStore store(QStringLiteral("Pelwick"), home.filePath(QStringLiteral("config")));
    store.setValue("Local", "Port", QString::number(m_port));
    store.setValue("Local", "UserName", userName);
    store.setValue("Local", "Broadcast", "False");
    QList<DirectoryEntry> entries;
    for (const QString &address : rows)
        entries.append({ QStringLiteral("user"), address });
    saveDirectory(store, entries);
    QVERIFY(store.sync());
    const QString runtime = home.filePath(QStringLiteral("runtime"));
    QVERIFY(QDir().mkpath(runtime));
    QFile::setPermissions(runtime, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(QStringLiteral(MESSENGER_HOST_PATH),
        { Me, home.filePath(QStringLiteral("config")), runtime, home.filePath(QStringLiteral("programs")),
            home.filePath(QStringLiteral("data")) });
    QVERIFY(process.waitForStarted());
}

void tst_frm_pelwickUDP::terminatedProcessSaysGoodbyeToEveryRow()
{
    QTemporaryDir home;
    UdpPeer third(QStringLiteral("127.0.0.5"), m_port);
    QVERIFY(third.isBound());
    QProcess pelwick;
    startMessengerProcess(pelwick, home, QStringLiteral("proc"), { Peer2, QStringLiteral("127.0.0.5"), Peer4 });
    // The announcement to every row proves it is up.
    for (UdpPeer *peer : { m_peers[Peer2].get(), &third, m_peers[Peer4].get() }) {
        const QByteArray hello = peer->receive(10000);
        QVERIFY2(hello.startsWith("01<USERNAME>proc<IPADDR>"), hello.constData());
    }

    pelwick.terminate();
    QVERIFY(pelwick.waitForFinished(10000));
    QCOMPARE(pelwick.exitStatus(), QProcess::NormalExit);
    for (UdpPeer *peer : { m_peers[Peer2].get(), &third, m_peers[Peer4].get() })
        QVERIFY(peer->receive().startsWith("99<USERNAME>proc<IPADDR>"));
    // The unload steps saved the settings too.
    SettingsStore saved(QStringLiteral("Pelwick"), home.filePath(QStringLiteral("config")));
    QVERIFY(saved.contains("Local", "Sound"));
}

void tst_frm_pelwickUDP::storedNameThatCannotTravelIsUsedAndNamedInTheStatus()
{
    const QString name = QStringLiteral("Jos\u00E9<DATA>x");
    MessengerFixture other(QStringLiteral("127.0.0.5"), m_port, name);
    frm_pelwickUDP *window = other.start();
    QVERIFY(window);
    QCOMPARE(window->statusText(), QStringLiteral("使用者氏名に使えない文字が含まれています"));
    QCOMPARE(window->localSettings().UserName, name);
    window->close();
    SettingsStore stored(QStringLiteral("Pelwick"), other.settingsDir());
    QCOMPARE(stored.value(QStringLiteral("Local"), QStringLiteral("UserName")), name);
}

void tst_frm_pelwickUDP::terminationDuringTheFirstStartDialogEndsTheProcess_data()
{
    QTest::addColumn<int>("signalNumber");
    QTest::newRow("SIGTERM") << SIGTERM;
    QTest::newRow("Ctrl+C") << SIGINT;
}

void tst_frm_pelwickUDP::terminationDuringTheFirstStartDialogEndsTheProcess()
{
    QFETCH(int, signalNumber);
    QTemporaryDir home;
    // No user name: the options dialog opens before anything is announced.
    QProcess pelwick;
    startMessengerProcess(pelwick, home, QString(), { Peer2 });
    // The socket opens just before the dialog; the signal waits for the
    // dialog's event loop if it comes earlier.
    QTRY_VERIFY_WITH_TIMEOUT(!UdpPeer(Me, m_port).isBound(), 10000);
    QCOMPARE(::kill(pid_t(pelwick.processId()), signalNumber), 0);

    QVERIFY(pelwick.waitForFinished(10000));
    QCOMPARE(pelwick.exitStatus(), QProcess::NormalExit);
    QCOMPARE(pelwick.exitCode(), 0);
    QVERIFY(!pelwick.readAllStandardOutput().contains("ready"));
    // Nothing was announced, the goodbye went out on the open socket, and
    // the lock is free for the next start.
    QCOMPARE(m_peers[Peer2]->receive(), buildDatagram("99", QString(), Me));
    SingleInstanceLock lock(home.filePath(QStringLiteral("runtime/Pelwick.lock")));
    QCOMPARE(lock.tryLock(), SingleInstanceLock::Result::Locked);
}

void tst_frm_pelwickUDP::refusedSendSaysWhyAndKeepsTheText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("address");
    QTest::addColumn<PresenceMark>("mark");
    QTest::addColumn<bool>("selected");
    QTest::addColumn<QString>("status");
    QTest::addColumn<QString>("focus");

    const QString noText = QStringLiteral("送信メッセージを入力して下さい。");
    QTest::newRow("only spaces") << "    " << Peer2 << Heard << true << noText << "txtS";
    QTest::newRow("empty") << "" << Peer2 << Heard << true << noText << "txtS";
    QTest::newRow("nobody selected") << "hello" << Peer2 << Heard << false
                                     << QStringLiteral("送信先の相手を選択して下さい。") << "ListUser";
    // The session refuses these; the window keeps the text for another try.
    QTest::newRow("only not-heard rows selected")
        << "hello" << Peer2 << NotHeard << true << QStringLiteral("通信状態が○の対象者を設定して下さい。") << "";
    QTest::newRow("send fails") << "hello"
                                << "localhost" << Heard << true << QStringLiteral("送信に失敗しました。") << "";
}

void tst_frm_pelwickUDP::refusedSendSaysWhyAndKeepsTheText()
{
    QFETCH(QString, text);
    QFETCH(QString, address);
    QFETCH(PresenceMark, mark);
    QFETCH(bool, selected);
    QFETCH(QString, status);
    QFETCH(QString, focus);

    const int row = addRow(QStringLiteral("a"), mark, address);
    select(selected ? QList<int> { row } : QList<int> {});
    m_window->findChild<QPushButton *>(QStringLiteral("CmdClear"))->setFocus();
    m_window->ShowStatus(QStringLiteral("old status"));
    txtS()->setPlainText(text);
    clickSend();

    QCOMPARE(m_window->statusText(), status);
    QCOMPARE(txtS()->toPlainText(), text);
    QCOMPARE(m_window->logText(), QString());
    if (!focus.isEmpty())
        QCOMPARE(m_window->focusWidget()->objectName(), focus);
    QVERIFY(m_peers[Peer2]->receive(300).isEmpty());
}

void tst_frm_pelwickUDP::sentMessageClearsTheTextAndIsLogged()
{
    addRow(QStringLiteral("a"), Heard, Peer2);
    addRow(QStringLiteral("b"), Heard, Peer4);
    select({ 1 });
    m_window->ShowStatus(QStringLiteral("old status"));
    txtS()->setFocus();
    QTest::keyClicks(txtS(), QStringLiteral(" line1"));
    QTest::keyClick(txtS(), Qt::Key_Return);
    QTest::keyClicks(txtS(), QStringLiteral("line2 "));
    clickSend();

    // What the user typed goes to the selected row only.
    QCOMPARE(m_peers[Peer4]->receive(), QByteArray("11<USERNAME>me<IPADDR>127.0.0.3<GAMEID><DATA>line1\r\nline2"));
    QVERIFY(!m_peers[Peer2]->hasPending());
    QCOMPARE(txtS()->toPlainText(), QString());
    QCOMPARE(m_window->focusWidget(), txtS());
    QCOMPARE(m_window->statusText(), QString());
    const QRegularExpression block(
        QStringLiteral("^\\[Send\\] Time:\\d\\d:\\d\\d:\\d\\d,相手:b\r\nline1\r\nline2\r\n\r\n$"));
    QVERIFY2(block.match(m_window->logText()).hasMatch(), qPrintable(m_window->logText()));
}

void tst_frm_pelwickUDP::textCodePage932CannotCarryIsNotSentAndItsCharactersAreNamed()
{
    const int row = addRow(QStringLiteral("a"), Heard, Peer2);
    select({ row });
    const QString unsendable = QStringLiteral("caf\u00E9 \U0001F600 \u00E9");
    txtS()->setPlainText(unsendable);
    clickSend();
    QCOMPARE(m_boxes->texts, QStringList { QStringLiteral("送信できない文字が含まれています: \u00E9 \U0001F600") });
    QCOMPARE(txtS()->toPlainText(), unsendable);
    QCOMPARE(m_window->focusWidget(), txtS());
    QCOMPARE(m_window->logText(), QString());

    // Kanji, half-width kana and the NEC and IBM extensions leave byte for
    // byte; being the first datagram the peer gets, it also shows that the
    // refused text never left.
    txtS()->setPlainText(QStringLiteral("漢字ｶﾅ①Ⅱ纊～"));
    clickSend();
    QCOMPARE(m_peers[Peer2]->receive(),
        QByteArray("11<USERNAME>me<IPADDR>127.0.0.3<GAMEID><DATA>"
                   "\x8A\xBF\x8E\x9A\xB6\xC5\x87\x40\x87\x55\xFA\x5C\x81\x60"));
    QCOMPARE(txtS()->toPlainText(), QString());
    QCOMPARE(m_boxes->texts.size(), 1);
}

void tst_frm_pelwickUDP::columnClicksToggleTheOrderAndSwitchTheKey()
{
    addRow("b", Heard, QStringLiteral("127.0.0.2"));
    addRow("c", InGame, QStringLiteral("127.0.0.7"));
    addRow("a", NotHeard, QStringLiteral("127.0.0.5"));
    QHeaderView *header = list()->header();
    auto click = [&](int column) {
        const QPoint at(
            header->sectionViewportPosition(column) + header->sectionSize(column) / 2, header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
    };
    auto shown = [&](const QStringList &expected, int column, Qt::SortOrder order) {
        QCOMPARE(names(), expected);
        QCOMPARE(header->sortIndicatorSection(), column);
        QCOMPARE(header->sortIndicatorOrder(), order);
        QCOMPARE(list()->visualRect(directory()->index(0, 0)).top(), 0);
    };

    click(UserDirectory::NameColumn);
    shown({ "c", "b", "a" }, UserDirectory::NameColumn, Qt::DescendingOrder);
    click(UserDirectory::NameColumn);
    shown({ "a", "b", "c" }, UserDirectory::NameColumn, Qt::AscendingOrder);
    // Another column: the order opposite to the one in force.
    click(UserDirectory::AddressColumn);
    shown({ "c", "a", "b" }, UserDirectory::AddressColumn, Qt::DescendingOrder);
    click(UserDirectory::AddressColumn);
    shown({ "b", "a", "c" }, UserDirectory::AddressColumn, Qt::AscendingOrder);
    click(UserDirectory::NameColumn);
    shown({ "c", "b", "a" }, UserDirectory::NameColumn, Qt::DescendingOrder);
}

void tst_frm_pelwickUDP::popupEntriesFollowTheRowAndTheGamePrograms_data()
{
    QTest::addColumn<PresenceMark>("mark");
    QTest::addColumn<bool>("gomoku");
    QTest::addColumn<bool>("othello");
    QTest::addColumn<bool>("game");
    QTest::addColumn<bool>("remove");

    QTest::newRow("in game, both programs") << InGame << true << true << false << false;
    QTest::newRow("not heard, both programs") << NotHeard << true << true << false << false;
    QTest::newRow("heard, no programs") << Heard << false << false << false << true;
    QTest::newRow("heard, gomoku") << Heard << true << false << true << true;
    QTest::newRow("heard, othello") << Heard << false << true << true << true;
    QTest::newRow("heard, both") << Heard << true << true << true << true;
}

void tst_frm_pelwickUDP::popupEntriesFollowTheRowAndTheGamePrograms()
{
    QFETCH(PresenceMark, mark);
    QFETCH(bool, gomoku);
    QFETCH(bool, othello);
    QFETCH(bool, game);
    QFETCH(bool, remove);

    if (gomoku)
        m_games->present.append(QStringLiteral("GOMOKU"));
    if (othello)
        m_games->present.append(QStringLiteral("OTHELLO"));
    addRow("other", Heard, Peer4);
    const int row = addRow("target", mark, Peer2);
    rightPress(row);

    QCOMPARE(m_popups, QList<QMenu *> { m_window->menus().menuListUser });
    QCOMPARE(list()->selectedRows(), QList<int> { row });
    QVERIFY(m_window->menus().menuListUserLanCheck->isVisible());
    QCOMPARE(m_window->menus().menuGame->isVisible(), game);
    QCOMPARE(m_window->menus().menuRemove->isVisible(), remove);
    if (game) {
        QCOMPARE(m_window->menus().menuGame_Gomoku->isVisible(), gomoku);
        QCOMPARE(m_window->menus().menuGame_Osero->isVisible(), othello);
    }
}

void tst_frm_pelwickUDP::popupNeedsARightPressOnASelectedRow()
{
    const int row = addRow("a", Heard, Peer2);
    QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, rowCenter(row));
    QCOMPARE(list()->selectedRows(), QList<int> { row });
    QTest::mouseClick(list()->viewport(), Qt::MiddleButton, {}, rowCenter(row));
    QVERIFY(m_popups.isEmpty());

    // Nothing selected, and a right press below the last row selects
    // nothing: no menu.
    list()->clearSelection();
    const QPoint below(rowCenter(row).x(), list()->visualRect(directory()->index(row, 0)).bottom() + 40);
    QVERIFY(list()->viewport()->rect().contains(below));
    QTest::mousePress(list()->viewport(), Qt::RightButton, {}, below);
    QVERIFY(list()->selectedRows().isEmpty());
    QVERIFY(m_popups.isEmpty());

    rightPress(row);
    QCOMPARE(m_popups.size(), 1);
}

void tst_frm_pelwickUDP::gameMenuFollowsTheSessionsGameState()
{
    m_games->present = QStringList { QStringLiteral("GOMOKU") };
    addRow("partner", Heard, Peer2);
    QVERIFY(!m_window->menus().menuGame->isChecked());
    QVERIFY(m_window->menus().menuGame->isVisible());

    // The partner asks, this messenger accepts: a game is on.
    arrive("31<USERNAME>partner<IPADDR>127.0.0.2<GAMEID>01<DATA><GAMEFUNC>01<GAMEDATA>");
    QVERIFY(m_games->GameProcessHandle() != 0);
    QVERIFY(m_window->menus().menuGame->isChecked());
    QVERIFY(!m_window->menus().menuGame->isVisible());

    arrive("29<USERNAME>partner<IPADDR>127.0.0.2<GAMEID>01<DATA>");
    QVERIFY(!m_window->menus().menuGame->isChecked());
    QVERIFY(m_window->menus().menuGame->isVisible());
    QCOMPARE(m_window->statusText(), QStringLiteral("対戦相手よりゲーム終了報告を受けました。"));
}

void tst_frm_pelwickUDP::gameRequestGoesToTheCurrentRow()
{
    addRow("a", Heard, Peer2);
    addRow("b", Heard, Peer4);
    const MessengerSession *session = m_window->session();

    // The current row counts, whatever else is selected.
    select({ 0 });
    list()->selectionModel()->setCurrentIndex(directory()->index(1, 0), QItemSelectionModel::NoUpdate);
    m_window->menus().menuGame_Gomoku->trigger();
    QCOMPARE(session->game()->currentGame().PartnerAddress, Peer4);
    QCOMPARE(session->game()->currentGame().GameId, QStringLiteral("01"));
    QCOMPARE(m_window->statusText(), QStringLiteral("ゲームスタート要求を出しました。"));
    QVERIFY(m_peers[Peer4]->receive().startsWith("31<USERNAME>me<IPADDR>127.0.0.3<GAMEID>01<DATA>"));

    // Without a current row, the first selected one.
    list()->selectionModel()->setCurrentIndex({}, QItemSelectionModel::NoUpdate);
    m_window->menus().menuGame_Osero->trigger();
    QCOMPARE(session->game()->currentGame().PartnerAddress, Peer2);
    QCOMPARE(session->game()->currentGame().GameId, QStringLiteral("02"));
    QVERIFY(m_peers[Peer2]->receive().startsWith("31<USERNAME>me<IPADDR>127.0.0.3<GAMEID>02<DATA>"));
}

void tst_frm_pelwickUDP::closingTheMessengerEndsItsGame()
{
    m_games->present = QStringList { QStringLiteral("GOMOKU") };
    addRow("partner", Heard, Peer2);
    arrive("31<USERNAME>partner<IPADDR>127.0.0.2<GAMEID>01<DATA><GAMEFUNC>01<GAMEDATA>");
    QVERIFY(m_games->GameProcessHandle() != 0);
    QVERIFY(m_peers[Peer2]->receive().startsWith("32"));

    m_window->close();
    QVERIFY(m_games->GameProcessHandle() == 0);
    // The goodbye still names the game it leaves.
    QCOMPARE(m_peers[Peer2]->receive(), QByteArray("99<USERNAME>me<IPADDR>127.0.0.3<GAMEID>01<DATA>"));
}

QTEST_MAIN(tst_frm_pelwickUDP)
#include "tst_frm_pelwickudp.moc"
