#include "userdirectory.h"
#include "cp932.h"
#include "Frm_pelwickPlp.h"
#include "arrivalsound.h"
#include "messengerfixture.h"

#include <QPlainTextEdit>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

// The receive dispatch of a real main window, driven by real datagrams from
// peers on other loopback addresses.
class tst_Receive : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void announceFromNewAddressAddsRowAndIsAnsweredExactly();
    void announceWithGameIdMarksInGame();
    void knownAddressUnderNewNameIsRenamed();
    void onlyTheFirstOfTwoRowsWithOneAddressChanges();
    void textMessageIsLoggedAsOneBlock();
    void blankDatagramsChangeNothing();
    void lampOpensOnlyForGameId99();
    void arrivalSoundFollowsTheSoundSetting();
    void popUpBringsAHiddenWindowBack();
    void goodbyeMarksNotHeardAndAddsUnknownSenders();
    void removalRequestRemovesTheSendersRow();
    void unknownKindShowsOneBoxUnderFloodAndKeepsAnswering();
    void everyPendingDatagramIsHandled();
    void largestDatagramIsReceived();
    void secondInstanceShowsAlreadyRunningAndTouchesNothing();
    void twoMessengersSeeEachOther();
    void terminatedProcessSaysGoodbyeToEveryRow();

private:
    void waitHandled(int count = 1);
    quint16 m_port = 0;
    std::unique_ptr<MessengerFixture> m_me;
    std::unique_ptr<UdpPeer> m_peer;
    std::unique_ptr<MessageBoxRecorder> m_boxes;
    frm_pelwickUDP *m_window = nullptr;
    std::unique_ptr<QSignalSpy> m_handled;
};

void tst_Receive::init()
{
    m_port = freeUdpPort({ QStringLiteral("127.0.0.2"), QStringLiteral("127.0.0.3") });
    QVERIFY(m_port);
    m_boxes = std::make_unique<MessageBoxRecorder>();
    m_me = std::make_unique<MessengerFixture>(QStringLiteral("127.0.0.3"), m_port);
    m_peer = std::make_unique<UdpPeer>(QStringLiteral("127.0.0.2"), m_port);
    QVERIFY(m_peer->isBound());
    m_window = m_me->start();
    QVERIFY(m_window);
    m_handled = std::make_unique<QSignalSpy>(m_window, &frm_pelwickUDP::datagramHandled);
}

void tst_Receive::cleanup()
{
    m_handled.reset();
    m_me.reset();
    m_peer.reset();
    m_boxes.reset();
    m_window = nullptr;
}

void tst_Receive::waitHandled(int count)
{
    QTRY_VERIFY_WITH_TIMEOUT(m_handled->size() >= count, 5000);
}

void tst_Receive::announceFromNewAddressAddsRowAndIsAnsweredExactly()
{
    m_peer->send(Cp932::encode(QStringLiteral("01<USERNAME>山田<IPADDR>127.0.0.2<GAMEID><DATA>")), "127.0.0.3");
    waitHandled();
    QCOMPARE(m_window->session()->directory()->rowCount(), 1);
    const QTreeWidgetItem *row = m_window->ListUser()->row(0);
    QCOMPARE(row->text(0), QStringLiteral("山田"));
    QCOMPARE(row->text(1), QStringLiteral("○"));
    QCOMPARE(row->text(2), QStringLiteral("127.0.0.2"));
    QCOMPARE(m_peer->receive(), QByteArray("02<USERNAME>me<IPADDR>127.0.0.3<GAMEID><DATA>"));
}

void tst_Receive::announceWithGameIdMarksInGame()
{
    m_peer->send("01<USERNAME>a<IPADDR>127.0.0.2<GAMEID>01<DATA>", "127.0.0.3");
    m_peer->send("02<USERNAME>b<IPADDR>127.0.0.9<GAMEID>02<DATA>", "127.0.0.3");
    waitHandled(2);
    QCOMPARE(m_window->session()->directory()->mark(0), QStringLiteral("★"));
    QCOMPARE(m_window->session()->directory()->mark(1), QStringLiteral("★"));
    // Only the announcement is answered.
    QVERIFY(!m_peer->receive().isEmpty());
    QVERIFY(m_peer->receive(300).isEmpty());
}

void tst_Receive::knownAddressUnderNewNameIsRenamed()
{
    m_window->session()->directory()->appendRow("old", "×", "127.0.0.2");
    m_peer->send("02<USERNAME>new<IPADDR>127.0.0.2<GAMEID><DATA>", "127.0.0.3");
    waitHandled();
    QCOMPARE(m_window->session()->directory()->rowCount(), 1);
    QCOMPARE(m_window->session()->directory()->name(0), QStringLiteral("new"));
    QCOMPARE(m_window->session()->directory()->mark(0), QStringLiteral("○"));
}

void tst_Receive::onlyTheFirstOfTwoRowsWithOneAddressChanges()
{
    UserListView *list = m_window->ListUser();
    list->appendRow("first", "×", "127.0.0.2");
    list->appendRow("second", "×", "127.0.0.2");
    m_peer->send("02<USERNAME>renamed<IPADDR>127.0.0.2<GAMEID><DATA>", "127.0.0.3");
    waitHandled();
    QCOMPARE(list->row(0)->text(0), QStringLiteral("renamed"));
    QCOMPARE(list->row(1)->text(0), QStringLiteral("second"));
    QCOMPARE(list->row(1)->text(1), QStringLiteral("×"));

    m_peer->send("40<USERNAME>x<IPADDR>127.0.0.2<GAMEID><DATA>", "127.0.0.3");
    waitHandled(2);
    QCOMPARE(list->rowCount(), 1);
    QCOMPARE(list->row(0)->text(0), QStringLiteral("second"));
    // The remaining row is found by its address again.
    m_peer->send("02<USERNAME>back<IPADDR>127.0.0.2<GAMEID><DATA>", "127.0.0.3");
    waitHandled(3);
    QCOMPARE(list->rowCount(), 1);
    QCOMPARE(list->row(0)->text(0), QStringLiteral("back"));
}

void tst_Receive::textMessageIsLoggedAsOneBlock()
{
    m_window->session()->directory()->appendRow("sato", "×", "127.0.0.2");
    const QString text = QStringLiteral("こんにちは\r\n 2行目 ");
    m_peer->send(BuildDatagram("11", QStringLiteral("佐藤"), "127.0.0.2", "", text), "127.0.0.3");
    waitHandled();
    const QRegularExpression block(QStringLiteral(
        "^\\[Recv\\] Time:\\d\\d:\\d\\d:\\d\\d,相手:佐藤\\(127\\.0\\.0\\.2\\)\r\nこんにちは\r\n 2行目 \r\n\r\n$"));
    QVERIFY2(block.match(m_window->logText()).hasMatch(), qPrintable(m_window->logText()));
    QCOMPARE(m_window->statusText(), QStringLiteral("メッセージを受け付けました。"));
    QCOMPARE(m_window->session()->directory()->name(0), QStringLiteral("佐藤"));
    QCOMPARE(m_window->session()->directory()->mark(0), QStringLiteral("○"));

    // A second message is appended behind the first.
    m_peer->send(BuildDatagram("11", QStringLiteral("佐藤"), "127.0.0.2", "", "again"), "127.0.0.3");
    waitHandled(2);
    QCOMPARE(m_window->logText().count(QStringLiteral("[Recv]")), 2);
    QVERIFY(m_window->logText().endsWith(QStringLiteral("\r\nagain\r\n\r\n")));
}

void tst_Receive::lampOpensOnlyForGameId99()
{
    m_peer->send("11<USERNAME>a<IPADDR>127.0.0.2<GAMEID><DATA>plain", "127.0.0.3");
    waitHandled();
    QVERIFY(!Frm_pelwickPlp::Lamp() || !Frm_pelwickPlp::Lamp()->isVisible());
    m_peer->send("11<USERNAME>a<IPADDR>127.0.0.2<GAMEID>99<DATA>lamp!", "127.0.0.3");
    waitHandled(2);
    QVERIFY(Frm_pelwickPlp::Lamp());
    QVERIFY(Frm_pelwickPlp::Lamp()->isVisible());
    Frm_pelwickPlp *first = Frm_pelwickPlp::Lamp();
    // One lamp only.
    m_peer->send("11<USERNAME>a<IPADDR>127.0.0.2<GAMEID>99<DATA>again", "127.0.0.3");
    waitHandled(3);
    QCOMPARE(Frm_pelwickPlp::Lamp(), first);
    first->close();
}

// Records what the arrival notice would play.
class RecordingPlayer : public ArrivalSoundPlayer
{
public:
    void playFile(const QString &path) override { played.append(path); }
    void playDefault() override { played.append(QStringLiteral("<default>")); }
    QStringList played;
};

void tst_Receive::arrivalSoundFollowsTheSoundSetting()
{
    RecordingPlayer player;
    MessengerFixture other(QStringLiteral("127.0.0.5"), m_port);
    MessengerEnvironment env = other.environment();
    env.soundPlayer = &player;
    frm_pelwickUDP window(env);
    QVERIFY(window.Form_Load());
    QSignalSpy handled(&window, &frm_pelwickUDP::datagramHandled);
    const QString chime = QStringLiteral(PELWICK_BIN_DIR "/arrival.wav");

    window.localSettings().Sound = false;
    window.localSettings().SoundFilePath = chime;
    m_peer->send("11<USERNAME>a<IPADDR>127.0.0.2<GAMEID><DATA>1", "127.0.0.5");
    QTRY_COMPARE(handled.size(), 1);
    QVERIFY(player.played.isEmpty());

    window.localSettings().Sound = true;
    window.localSettings().SoundFilePath.clear();
    m_peer->send("11<USERNAME>a<IPADDR>127.0.0.2<GAMEID><DATA>2", "127.0.0.5");
    QTRY_COMPARE(handled.size(), 2);
    QVERIFY(player.played.isEmpty());

    window.localSettings().SoundFilePath = chime;
    m_peer->send("11<USERNAME>a<IPADDR>127.0.0.2<GAMEID><DATA>3", "127.0.0.5");
    QTRY_COMPARE(handled.size(), 3);
    QCOMPARE(player.played, QStringList { chime });

    window.localSettings().SoundFilePath = other.settingsDir() + QLatin1String("/missing.wav");
    m_peer->send("11<USERNAME>a<IPADDR>127.0.0.2<GAMEID><DATA>4", "127.0.0.5");
    QTRY_COMPARE(handled.size(), 4);
    QCOMPARE(player.played.last(), QStringLiteral("<default>"));
    window.close();
}

void tst_Receive::popUpBringsAHiddenWindowBack()
{
    m_window->hide();
    m_window->localSettings().PopUp = false;
    m_peer->send("11<USERNAME>a<IPADDR>127.0.0.2<GAMEID><DATA>quiet", "127.0.0.3");
    waitHandled();
    QVERIFY(!m_window->isVisible());
    QVERIFY(m_window->logText().contains(QStringLiteral("quiet")));

    m_window->localSettings().PopUp = true;
    m_peer->send("11<USERNAME>a<IPADDR>127.0.0.2<GAMEID><DATA>loud", "127.0.0.3");
    waitHandled(2);
    QVERIFY(m_window->isVisible());
    QVERIFY(!(m_window->windowFlags() & Qt::WindowStaysOnTopHint));
}

void tst_Receive::blankDatagramsChangeNothing()
{
    m_peer->send("     ", "127.0.0.3");
    m_peer->send("", "127.0.0.3");
    m_peer->send("02<USERNAME>a<IPADDR>127.0.0.2<GAMEID><DATA>", "127.0.0.3");
    waitHandled(1);
    QCOMPARE(m_handled->size(), 1);
    QCOMPARE(m_window->session()->directory()->rowCount(), 1);
    QVERIFY(m_boxes->texts.isEmpty());
    QCOMPARE(m_window->statusText(), QString());
}

void tst_Receive::goodbyeMarksNotHeardAndAddsUnknownSenders()
{
    m_window->session()->directory()->appendRow("a", "○", "127.0.0.2");
    m_peer->send("99<USERNAME>a<IPADDR>127.0.0.2<GAMEID><DATA>", "127.0.0.3");
    m_peer->send("99<USERNAME>z<IPADDR>10.9.9.9<GAMEID><DATA>", "127.0.0.3");
    waitHandled(2);
    QCOMPARE(m_window->session()->directory()->mark(0), QStringLiteral("×"));
    QCOMPARE(m_window->session()->directory()->rowCount(), 2);
    QCOMPARE(m_window->session()->directory()->mark(1), QStringLiteral("×"));
}

void tst_Receive::removalRequestRemovesTheSendersRow()
{
    m_window->session()->directory()->appendRow("a", "○", "127.0.0.2");
    m_window->session()->directory()->appendRow("b", "○", "127.0.0.4");
    m_peer->send("40<USERNAME>a<IPADDR>127.0.0.2<GAMEID><DATA>", "127.0.0.3");
    m_peer->send("40<USERNAME>q<IPADDR>10.1.1.1<GAMEID><DATA>", "127.0.0.3");
    waitHandled(2);
    QCOMPARE(m_window->session()->directory()->rowCount(), 1);
    QCOMPARE(m_window->session()->directory()->address(0), QStringLiteral("127.0.0.4"));
    QVERIFY(m_peer->receive(200).isEmpty());
}

void tst_Receive::unknownKindShowsOneBoxUnderFloodAndKeepsAnswering()
{
    // While the first box is open the flood arrives and is handled by the
    // nested event loop of the box.
    bool flooded = false;
    m_boxes->whileOpen = [&] {
        if (flooded)
            return;
        flooded = true;
        for (int i = 0; i < 1000; ++i)
            m_peer->send("12<USERNAME>x<IPADDR>127.0.0.2<GAMEID><DATA>", "127.0.0.3");
        QTRY_VERIFY_WITH_TIMEOUT(m_handled->size() >= 900, 10000);
    };
    m_peer->send("12<USERNAME>x<IPADDR>127.0.0.2<GAMEID><DATA>", "127.0.0.3");
    QTRY_VERIFY_WITH_TIMEOUT(flooded, 5000);
    QCOMPARE(m_boxes->texts, QStringList { QStringLiteral("電文種別エラー") });

    m_peer->receiveAll(50);
    m_peer->send("01<USERNAME>a<IPADDR>127.0.0.2<GAMEID><DATA>", "127.0.0.3");
    QCOMPARE(m_peer->receive(), QByteArray("02<USERNAME>me<IPADDR>127.0.0.3<GAMEID><DATA>"));

    // Once the box is closed, the next foreign kind shows one again.
    m_peer->send("hello", "127.0.0.3");
    QTRY_COMPARE(m_boxes->texts.size(), 2);
}

void tst_Receive::everyPendingDatagramIsHandled()
{
    for (int i = 0; i < 200; ++i)
        m_peer->send(QStringLiteral("02<USERNAME>u%1<IPADDR>10.0.%2.%3<GAMEID><DATA>")
                         .arg(i).arg(i / 250).arg(i % 250 + 1).toLatin1(), "127.0.0.3");
    QTRY_COMPARE_WITH_TIMEOUT(m_window->session()->directory()->rowCount(), 200, 10000);
}

void tst_Receive::largestDatagramIsReceived()
{
    QByteArray datagram = "11<USERNAME>big<IPADDR>127.0.0.2<GAMEID><DATA>";
    datagram += QByteArray(MaxDatagramSize - datagram.size(), 'x');
    m_peer->send(datagram, "127.0.0.3");
    waitHandled();
    QCOMPARE(m_window->session()->parsedDatagram().Data.size(), MaxDatagramSize - 46);
}

void tst_Receive::secondInstanceShowsAlreadyRunningAndTouchesNothing()
{
    m_window->session()->directory()->appendRow("kept", "○", "127.0.0.2");
    frm_pelwickUDP second(m_me->environment());
    QVERIFY(!second.Form_Load());
    QCOMPARE(m_boxes->texts, QStringList { QStringLiteral("既に起動されています。") });
    second.close();
    // The duplicate sent no goodbye and saved nothing.
    QVERIFY(m_peer->receive(300).isEmpty());
    SettingsStore store(QStringLiteral("Pelwick"), m_me->settingsDir());
    QCOMPARE(store.value("User", "Count"), QStringLiteral("0"));
    QCOMPARE(m_window->session()->directory()->rowCount(), 1);
}

void tst_Receive::twoMessengersSeeEachOther()
{
    MessengerFixture other(QStringLiteral("127.0.0.2"), m_port, QStringLiteral("other"));
    m_peer.reset(); // the second messenger takes the peer's address
    other.storeDirectory({ { QStringLiteral("me?"), QStringLiteral("127.0.0.3") } });
    frm_pelwickUDP *second = other.start();
    QVERIFY(second);
    // The start-up announcement reaches the first messenger, whose answer
    // marks it on the second.
    QTRY_VERIFY_WITH_TIMEOUT(m_window->session()->directory()->rowCount() == 1, 5000);
    QCOMPARE(m_window->session()->directory()->name(0), QStringLiteral("other"));
    QTRY_COMPARE_WITH_TIMEOUT(second->session()->directory()->mark(0), QStringLiteral("○"), 5000);
    QCOMPARE(second->session()->directory()->name(0), QStringLiteral("me"));

    other.stop();
    QTRY_COMPARE_WITH_TIMEOUT(m_window->session()->directory()->mark(0), QStringLiteral("×"), 5000);
}

void tst_Receive::terminatedProcessSaysGoodbyeToEveryRow()
{
    // A real Pelwick process with its own settings, bound to every address
    // of this machine is not possible next to the test's sockets, so it runs
    // with the stored port and answers on the test's peer address.
    m_me.reset();
    QTemporaryDir home;
    const QString config = home.filePath(QStringLiteral("config"));
    const QString runtime = home.filePath(QStringLiteral("runtime"));
    QDir().mkpath(runtime);
    QFile::setPermissions(runtime, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    {
        SettingsStore store(QStringLiteral("Pelwick"), config);
        store.setValue("Local", "Port", QString::number(m_port));
        store.setValue("Local", "UserName", "proc");
        store.setValue("User", "Count", "3");
        store.setValue("User", "001UserName", "a");
        store.setValue("User", "001UserIpAddr", "127.0.0.2");
        store.setValue("User", "002UserName", "b");
        store.setValue("User", "002UserIpAddr", "127.0.0.2");
        store.setValue("User", "003UserName", "c");
        store.setValue("User", "003UserIpAddr", "127.0.0.5");
    }
    UdpPeer other(QStringLiteral("127.0.0.5"), m_port);
    QProcess pelwick;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_CONFIG_HOME", config);
    env.insert("XDG_RUNTIME_DIR", runtime);
    env.insert("QT_QPA_PLATFORM", "offscreen");
    pelwick.setProcessEnvironment(env);
    pelwick.start(QStringLiteral(PELWICK_BIN_DIR "/Pelwick"), {});
    QVERIFY(pelwick.waitForStarted());
    // The announcement proves it is up; rows a and b share one address.
    const QByteArray hello = m_peer->receive(10000);
    QVERIFY2(hello.startsWith("01<USERNAME>proc<IPADDR>"), hello.constData());
    QVERIFY(other.receive(5000).startsWith("01"));

    pelwick.terminate();
    QVERIFY(pelwick.waitForFinished(10000));
    QCOMPARE(pelwick.exitStatus(), QProcess::NormalExit);
    QVERIFY(m_peer->receive().startsWith("99<USERNAME>proc<IPADDR>"));
    QVERIFY(other.receive().startsWith("99<USERNAME>proc<IPADDR>"));
    SettingsStore saved(QStringLiteral("Pelwick"), config);
    QCOMPARE(saved.value("User", "Count"), QStringLiteral("2"));
}

QTEST_MAIN(tst_Receive)
#include "tst_receive.moc"
