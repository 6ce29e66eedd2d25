#include "Frm_pelwickClk.h"
#include "accessiblenames.h"
#include "frm_pelwickAbt.h"
#include "frm_pelwickOpt.h"
#include "frm_pelwickPrc.h"
#include "frm_pelwickSpl.h"
#include "frm_pelwickSys.h"
#include "keyboardaccess.h"
#include "messengerfixture.h"
#include "networkidentity.h"
#include "userdirectory.h"
#include "userlist.h"

#include <QApplication>
#include <QCheckBox>
#include <QProcess>
#include <QStandardPaths>
#include <QDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QTreeWidget>
#include <QPushButton>
#include <QTest>

// The menu bar, the tray menu and the list's pop-up of a real main window.
class tst_Menus : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void everyEntryExistsWithItsCaption_data();
    void everyEntryExistsWithItsCaption();
    void stayOnTopTwiceReturnsAndBothMarksAgree();
    void toolEntriesBringUpOneWindowEach_data();
    void toolEntriesBringUpOneWindowEach();
    void networkIdentityBoxHasThreeLines();
    void missingHostsFileIsReported();
    void existingHostsFileOpensInTheEditor();
    void closeEntryRunsTheUnloadSteps();
    void optionsAppliedAnnounceTheNewNameOnTheOpenPort();
    void startWithoutNameAsksForItBeforeAnnouncing();
    void loginStartEntryIsWrittenAndRemoved();
    void connectionCheckMarksEveryRowNotHeardAndAnnounces();
    void removalRequestAnsweredNoSendsNothing();
    void removalRequestAsksSelectedHeardRowsAndDropsTheCurrentOne();
    void toolThatCannotOpenIsNamedInTheStatus_data();
    void toolThatCannotOpenIsNamedInTheStatus();
    void everyFocusableControlHasAName_data();
    void everyFocusableControlHasAName();
    void keyboardAloneReachesMenusPopupDirectoryAndCancel();

private:
    QAction *action(const char *name) const;
    UserDirectory *directory() const { return m_window->session()->directory(); }
    // Marks the stored row heard from, as an answer would.
    void heard(int row) const
    {
        directory()->markUser(directory()->name(row), directory()->address(row), PresenceMark::HeardFrom);
    }
    template <typename T> int topLevelCount() const;

    quint16 m_port = 0;
    std::unique_ptr<MessageBoxRecorder> m_boxes;
    std::unique_ptr<MessengerFixture> m_me;
    std::unique_ptr<UdpPeer> m_peer;
    frm_pelwickUDP *m_window = nullptr;
    QStringList m_opened;
};

QAction *tst_Menus::action(const char *name) const
{
    return m_window->findChild<QAction *>(QLatin1String(name));
}

void tst_Menus::init()
{
    m_port = freeUdpPort({ QStringLiteral("127.0.0.2"), QStringLiteral("127.0.0.3") });
    m_boxes = std::make_unique<MessageBoxRecorder>(QMessageBox::No);
    m_me = std::make_unique<MessengerFixture>(QStringLiteral("127.0.0.3"), m_port);
    m_me->storeDirectory({ { QStringLiteral("peer"), QStringLiteral("127.0.0.2") },
        { QStringLiteral("silent"), QStringLiteral("127.0.0.4") } });
    m_peer = std::make_unique<UdpPeer>(QStringLiteral("127.0.0.2"), m_port);
    m_window = m_me->start();
    QVERIFY(m_window);
    m_peer->receiveAll(100);
    m_opened.clear();
}

void tst_Menus::cleanup()
{
    m_me.reset();
    m_peer.reset();
    m_boxes.reset();
}

void tst_Menus::everyEntryExistsWithItsCaption_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    QList<std::pair<const char *, QString>> entries = {
        { "menuMon", QStringLiteral("前面表示") },
        { "menuClose", QStringLiteral("閉じる") },
        { "menuOpsion", QStringLiteral("ｵﾌﾟｼｮﾝ") },
        { "menuPC", QStringLiteral("PC情報") },
        { "menuNet", QStringLiteral("Net情報") },
        { "menuProcess", QStringLiteral("ﾌﾟﾛｾｽ一覧") },
        { "menuSplit", QStringLiteral("ﾌｧｲﾙ分割") },
        { "menuClock", QStringLiteral("時計") },
        { "menuControlpanel", QStringLiteral("ｺﾝﾄﾛｰﾙﾊﾟﾈﾙ表示") },
        { "menuNetwork", QStringLiteral("ﾈｯﾄﾜｰｸ") },
        { "menuODBC", QStringLiteral("ODBC32") },
        { "menuLmhosts", QStringLiteral("Lmhostsﾌｧｲﾙ") },
        { "menuHosts", QStringLiteral("Hostsﾌｧｲﾙ") },
        { "menuVar", QStringLiteral("ﾊﾞｰｼﾞｮﾝ") },
        { "menuListUserLanCheck", QStringLiteral("接続確認") },
        { "menuGame", QStringLiteral("ｹﾞｰﾑ") },
        { "menuGame_Gomoku", QStringLiteral("五目並べ") },
        { "menuGame_Osero", QStringLiteral("オセロ") },
        { "menuRemove", QStringLiteral("相互のＰＣからIP情報を消去") },
        { "menuTaskBarDsp", QStringLiteral("表示") },
        { "menuTaskBarTopForm", QStringLiteral("前面表示") },
        { "meniTaskBarTool", QStringLiteral("ﾂｰﾙ") },
        { "menuTaskBarOpsion", QStringLiteral("ｵﾌﾟｼｮﾝ") },
        { "menuTaskBarPC", QStringLiteral("PC情報") },
        { "menuTaskBarNet", QStringLiteral("Net情報") },
        { "menuTaskBarProcess", QStringLiteral("ﾌﾟﾛｾｽ一覧") },
        { "menuTaskBarSplit", QStringLiteral("ﾌｧｲﾙ分割") },
        { "menuTaskBarClock", QStringLiteral("時計") },
        { "menuTaskBarControlPanel", QStringLiteral("ｺﾝﾄﾛｰﾙﾊﾟﾈﾙ") },
        { "menuTaskBarNetwork", QStringLiteral("ﾈｯﾄﾜｰｸ") },
        { "menuTaskBarOdbc", QStringLiteral("ODBC32") },
        { "menuTaskBarLmhosts", QStringLiteral("Lmhostsﾌｧｲﾙ") },
        { "menuTaskBarHosts", QStringLiteral("Hostsﾌｧｲﾙ") },
        { "menuTaskBarVar", QStringLiteral("ﾊﾞｰｼﾞｮﾝ") },
        { "menuTaskBarClose", QStringLiteral("閉じる") },
    };
    // Separators are plain lines: no "-" or any other text.
    for (const char *separator : { "menuH0", "menuH1", "menuH2", "menuTaskBarH1", "menuTaskBarH2", "menuTaskBarH3",
             "menuTaskBarH4" })
        entries.append({ separator, QString() });
    for (const auto &[name, caption] : entries)
        QTest::newRow(name) << QString::fromLatin1(name) << caption;
}

void tst_Menus::everyEntryExistsWithItsCaption()
{
    QFETCH(QString, name);
    QFETCH(QString, caption);
    auto *entry = m_window->findChild<QAction *>(name);
    QVERIFY2(entry, qPrintable(name));
    QCOMPARE(entry->text(), caption);
    QCOMPARE(entry->isSeparator(), caption.isEmpty());
}

void tst_Menus::stayOnTopTwiceReturnsAndBothMarksAgree()
{
    const bool before = m_window->localSettings().FormTop;
    action("menuMon")->trigger();
    QCOMPARE(m_window->localSettings().FormTop, !before);
    QCOMPARE(action("menuMon")->isChecked(), !before);
    QCOMPARE(action("menuTaskBarTopForm")->isChecked(), !before);
    QCOMPARE(bool(m_window->windowFlags() & Qt::WindowStaysOnTopHint), !before);
    action("menuTaskBarTopForm")->trigger();
    QCOMPARE(m_window->localSettings().FormTop, before);
    QCOMPARE(action("menuMon")->isChecked(), before);
    QCOMPARE(action("menuTaskBarTopForm")->isChecked(), before);
}

template <typename T> int tst_Menus::topLevelCount() const
{
    int n = 0;
    for (QWidget *w : QApplication::topLevelWidgets())
        n += (w->isVisible() && w->objectName() == QLatin1String(T::staticMetaObject.className())) ? 1 : 0;
    return n;
}

void tst_Menus::toolEntriesBringUpOneWindowEach_data()
{
    QTest::addColumn<QString>("menuBarEntry");
    QTest::addColumn<QString>("trayEntry");
    QTest::addColumn<QString>("windowName");
    QTest::newRow("system") << "menuPC"
                            << "menuTaskBarPC"
                            << "frm_pelwickSys";
    QTest::newRow("process") << "menuProcess"
                             << "menuTaskBarProcess"
                             << "frm_pelwickPrc";
    QTest::newRow("splitter") << "menuSplit"
                              << "menuTaskBarSplit"
                              << "Frm_pelwickSpl";
    QTest::newRow("about") << "menuVar"
                           << "menuTaskBarVar"
                           << "frm_pelwickAbt";
    QTest::newRow("clock") << "menuClock"
                           << "menuTaskBarClock"
                           << "Frm_pelwickClk";
}

void tst_Menus::toolEntriesBringUpOneWindowEach()
{
    QFETCH(QString, menuBarEntry);
    QFETCH(QString, trayEntry);
    QFETCH(QString, windowName);
    auto visibleWindows = [&] {
        QList<QWidget *> found;
        for (QWidget *w : QApplication::topLevelWidgets()) {
            if (w->isVisible()
                && (w->objectName() == windowName || QLatin1String(w->metaObject()->className()) == windowName))
                found.append(w);
        }
        return found;
    };
    m_window->findChild<QAction *>(menuBarEntry)->trigger();
    const QList<QWidget *> first = visibleWindows();
    QCOMPARE(first.size(), 1);
    // A window of its own: a dialog would be kept above the main window.
    QCOMPARE(first.first()->windowType(), Qt::Window);
    m_window->findChild<QAction *>(trayEntry)->trigger();
    QCOMPARE(visibleWindows(), first);
    first.first()->close();
}

void tst_Menus::networkIdentityBoxHasThreeLines()
{
    QCOMPARE(networkIdentityText("pc1", "", "00 00 00 00 00 00"),
        QStringLiteral("Host\t = pc1\rIP\t = \rMAC\t = 00 00 00 00 00 00"));
    // The name maps to 127.0.1.1 first, as on Debian; the cable listed
    // first is unplugged, the Wi-Fi carries the address.
    FakeNetworkCalls &calls = m_me->networkCalls();
    using F = FakeNetworkCalls;
    calls.name = QByteArray("pc01");
    calls.resolved = { F::ip(127, 0, 1, 1), F::ip(192, 168, 0, 5) };
    calls.list = { F::iface(1, { F::ip(127, 0, 0, 1) }, {}, true),
        F::iface(2, {}, QByteArray::fromHex("111111111111"), false, true, false),
        F::iface(3, { F::ip(192, 168, 0, 5) }, QByteArray::fromHex("00a0c90a3b7f")) };
    action("menuTaskBarNet")->trigger();
    QCOMPARE(m_boxes->texts, QStringList({ "Host\t = pc01\nIP\t = 192.168.0.5\nMAC\t = 00 A0 C9 0A 3B 7F" }));

    // A name that does not resolve: its box first, then the three lines.
    m_boxes->texts.clear();
    calls.resolved.clear();
    action("menuNet")->trigger();
    QCOMPARE(m_boxes->texts,
        QStringList({ "Windows Sockets are not responding. Unable to successfully get Host Name.",
            "Host\t = pc01\nIP\t = \nMAC\t = 00 A0 C9 0A 3B 7F" }));
}

void tst_Menus::missingHostsFileIsReported()
{
    MessengerFixture other(QStringLiteral("127.0.0.5"), m_port);
    MessengerEnvironment env = other.environment();
    env.lmhostsFile = other.settingsDir() + QLatin1String("/lmhosts");
    frm_pelwickUDP window(env);
    QVERIFY(window.Form_Load());
    window.findChild<QAction *>(QStringLiteral("menuTaskBarLmhosts"))->trigger();
    QCOMPARE(m_boxes->texts, QStringList { env.lmhostsFile + QStringLiteral("は存在しません。") });
    window.close();
}

void tst_Menus::existingHostsFileOpensInTheEditor()
{
    MessengerFixture other(QStringLiteral("127.0.0.5"), m_port);
    MessengerEnvironment env = other.environment();
    env.hostsFile = other.settingsDir() + QLatin1String("/hosts");
    QFile hosts(env.hostsFile);
    QVERIFY(hosts.open(QIODevice::WriteOnly));
    hosts.close();
    env.openFile = [this](const QString &path) {
        m_opened.append(path);
        return true;
    };
    frm_pelwickUDP window(env);
    QVERIFY(window.Form_Load());
    window.findChild<QAction *>(QStringLiteral("menuHosts"))->trigger();
    QCOMPARE(m_opened, QStringList { env.hostsFile });
    QVERIFY(m_boxes->texts.isEmpty());
    window.close();
}

// Fills the options dialog's user name (and port) and applies it.
static void applyName(QDialog *dialog, const QString &name, const QString &port = {})
{
    dialog->findChild<QLineEdit *>(QStringLiteral("txtLocalUserName"))->setText(name);
    if (!port.isEmpty())
        dialog->findChild<QLineEdit *>(QStringLiteral("txtLocalPort"))->setText(port);
    dialog->findChild<QPushButton *>(QStringLiteral("cmdApply"))->click();
    dialog->findChild<QPushButton *>(QStringLiteral("cmdOK"))->click();
}

void tst_Menus::optionsAppliedAnnounceTheNewNameOnTheOpenPort()
{
    MessengerFixture other(QStringLiteral("127.0.0.5"), m_port);
    other.storeDirectory({ { QStringLiteral("peer"), QStringLiteral("127.0.0.2") } });
    MessengerEnvironment env = other.environment();
    // A new port is stored for the next start; this run keeps listening and
    // sending on the port it opened, so its peers still hear it.
    const QString newPort = QString::number(m_port == 65535 ? 1024 : m_port + 1);
    env.dialogHook = [&](QDialog *dialog) { applyName(dialog, QStringLiteral("新しい名前"), newPort); };
    frm_pelwickUDP window(env);
    QVERIFY(window.Form_Load());
    m_peer->receiveAll(100);
    window.findChild<QAction *>(QStringLiteral("menuOpsion"))->trigger();
    QCOMPARE(window.localSettings().UserName, QStringLiteral("新しい名前"));
    // The empty datagram goes first, to the last addressee: the peer.
    QCOMPARE(m_peer->receive(), QByteArray(""));
    QCOMPARE(m_peer->receive(), buildDatagram("01", QStringLiteral("新しい名前"), "127.0.0.5"));
    // Apply rebuilt the list: nobody is heard from yet.
    QCOMPARE(window.session()->directory()->mark(0), PresenceMark::NotHeard);
    QCOMPARE(SettingsStore(QStringLiteral("Pelwick"), other.settingsDir()).value("Local", "Port"), newPort);
    window.close();
    QVERIFY(m_peer->receive().startsWith("99<USERNAME>"));
}

void tst_Menus::loginStartEntryIsWrittenAndRemoved()
{
    MessengerFixture other(QStringLiteral("127.0.0.5"), m_port);
    MessengerEnvironment env = other.environment();
    // A folder with a space and a quote: the Exec line must still name it.
    const QString program = other.programDir() + QStringLiteral("/my \"apps\"/pelwick");
    env.autostartCommand = { program, QStringLiteral("--autostart") };
    bool wasChecked = true;
    bool check = true;
    env.dialogHook = [&](QDialog *dialog) {
        auto *box = dialog->findChild<QCheckBox *>(QStringLiteral("Check_Autostart"));
        QVERIFY(box && box->isVisibleTo(dialog));
        QCOMPARE(box->text(), QStringLiteral("ﾛｸﾞｲﾝ時に起動"));
        wasChecked = box->isChecked();
        box->setChecked(check);
        dialog->findChild<QPushButton *>(QStringLiteral("cmdApply"))->click();
        dialog->findChild<QPushButton *>(QStringLiteral("cmdOK"))->click();
    };
    frm_pelwickUDP window(env);
    QVERIFY(window.Form_Load());
    const QString entry = env.autostartDirectory + QStringLiteral("/org.pelwick.Pelwick.desktop");

    // Off by default; checked and applied, a valid entry starts the program.
    window.findChild<QAction *>(QStringLiteral("menuOpsion"))->trigger();
    QVERIFY(!wasChecked);
    QFile file(entry);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(file.readAll());
    file.close();
    QVERIFY2(text.startsWith(QLatin1String("[Desktop Entry]\n")), qPrintable(text));
    QVERIFY2(text.contains(QLatin1String("\nType=Application\n")), qPrintable(text));
    // Quoted as an argument, then its backslashes escaped as a string value.
    QVERIFY2(text.contains(QStringLiteral("\nExec=\"%1\" --autostart\n")
                               .arg(QString(program).replace(QLatin1String("\""), QLatin1String("\\\\\"")))),
        qPrintable(text));
    if (!QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate")).isEmpty()) {
        QProcess validate;
        validate.start(QStringLiteral("desktop-file-validate"), { entry });
        QVERIFY(validate.waitForFinished());
        const QByteArray report = validate.readAll();
        QVERIFY2(validate.exitCode() == 0 && report.isEmpty(), report.constData());
    }

    // Read back from the file: checked; unchecked and applied, it goes.
    check = false;
    window.findChild<QAction *>(QStringLiteral("menuOpsion"))->trigger();
    QVERIFY(wasChecked);
    QVERIFY(!QFileInfo::exists(entry));

    // An entry the session settings switched off counts as off.
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("[Desktop Entry]\nType=Application\nName=Pelwick\nExec=pelwick\nHidden=true\n");
    file.close();
    window.findChild<QAction *>(QStringLiteral("menuOpsion"))->trigger();
    QVERIFY(!wasChecked);
    QVERIFY(m_boxes->texts.isEmpty());
    window.close();
}

void tst_Menus::startWithoutNameAsksForItBeforeAnnouncing()
{
    MessengerFixture other(QStringLiteral("127.0.0.5"), m_port, QString());
    other.storeDirectory({ { QStringLiteral("peer"), QStringLiteral("127.0.0.2") } });
    {
        SettingsStore store(QStringLiteral("Pelwick"), other.settingsDir());
        store.setValue("Local", "UserName", QString());
    }
    MessengerEnvironment env = other.environment();
    int dialogs = 0;
    env.dialogHook = [&](QDialog *dialog) {
        ++dialogs;
        QVERIFY(!m_peer->hasPending());
        applyName(dialog, QStringLiteral("taro"));
    };
    frm_pelwickUDP window(env);
    QVERIFY(window.Form_Load());
    QCOMPARE(dialogs, 1);
    QCOMPARE(m_peer->receive(), buildDatagram("01", QStringLiteral("taro"), "127.0.0.5"));
    SettingsStore store(QStringLiteral("Pelwick"), other.settingsDir());
    QCOMPARE(store.value("Local", "UserName"), QStringLiteral("taro"));
    window.close();
}

void tst_Menus::closeEntryRunsTheUnloadSteps()
{
    QSignalSpy unloaded(m_window, &frm_pelwickUDP::unloaded);
    action("menuClose")->trigger();
    QCOMPARE(unloaded.size(), 1);
    // Goodbye to every row, the silent one included.
    QCOMPARE(m_peer->receive(), QByteArray("99<USERNAME>me<IPADDR>127.0.0.3<GAMEID><DATA>"));
    SettingsStore store(QStringLiteral("Pelwick"), m_me->settingsDir());
    QCOMPARE(store.value("User", "Count"), QStringLiteral("2"));
}

void tst_Menus::connectionCheckMarksEveryRowNotHeardAndAnnounces()
{
    heard(0);
    heard(1);
    action("menuListUserLanCheck")->trigger();
    QCOMPARE(directory()->mark(0), PresenceMark::NotHeard);
    QCOMPARE(directory()->mark(1), PresenceMark::NotHeard);
    QCOMPARE(m_peer->receive(), QByteArray("01<USERNAME>me<IPADDR>127.0.0.3<GAMEID><DATA>"));
}

void tst_Menus::removalRequestAnsweredNoSendsNothing()
{
    heard(0);
    m_window->ListUser()->setCurrentIndex(directory()->index(0, 0));
    action("menuRemove")->trigger();
    QCOMPARE(m_boxes->texts, QStringList { QStringLiteral("削除してもよろしいですか") });
    QVERIFY(m_peer->receive(300).isEmpty());
    QCOMPARE(directory()->rowCount(), 2);
}

void tst_Menus::removalRequestAsksSelectedHeardRowsAndDropsTheCurrentOne()
{
    m_boxes.reset(); // one hook at a time
    m_boxes = std::make_unique<MessageBoxRecorder>(QMessageBox::Yes);
    UserListView *list = m_window->ListUser();
    heard(0);
    list->setCurrentIndex(directory()->index(0, 0));
    list->setRowSelected(1, true); // × rows are not asked
    action("menuRemove")->trigger();
    QCOMPARE(m_peer->receive(), QByteArray("40<USERNAME>me<IPADDR>127.0.0.3<GAMEID><DATA>"));
    QCOMPARE(m_window->statusText(), QStringLiteral("相手に自分の情報を消去する様に要求しました"));
    QCOMPARE(
        directory()->entries(), QList<DirectoryEntry>({ { QStringLiteral("silent"), QStringLiteral("127.0.0.4") } }));
}

void tst_Menus::toolThatCannotOpenIsNamedInTheStatus_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("named");
    QTest::newRow("hosts") << "menuHosts"
                           << "<hosts>";
    QTest::newRow("network") << "menuTaskBarNetwork"
                             << "nm-connection-editor";
    QTest::newRow("odbc") << "menuODBC"
                          << "ODBCManageDataSourcesQ5";
}

void tst_Menus::toolThatCannotOpenIsNamedInTheStatus()
{
    QFETCH(QString, entry);
    QFETCH(QString, named);
    MessengerFixture other(QStringLiteral("127.0.0.5"), m_port);
    MessengerEnvironment env = other.environment();
    env.hostsFile = other.settingsDir() + QLatin1String("/hosts");
    QFile hosts(env.hostsFile);
    QVERIFY(hosts.open(QIODevice::WriteOnly));
    hosts.close();
    QStringList tried;
    env.openFile = [&tried](const QString &path) {
        tried.append(path);
        return false;
    };
    env.startTool = [&tried](const QString &program) {
        tried.append(program);
        return false;
    };
    if (named == QLatin1String("<hosts>"))
        named = env.hostsFile;
    frm_pelwickUDP window(env);
    QVERIFY(window.Form_Load());
    window.findChild<QAction *>(entry)->trigger();
    QCOMPARE(tried, QStringList { named });
    QCOMPARE(window.statusText(), QStringLiteral("開けませんでした: ") + named);
    QVERIFY(m_boxes->texts.isEmpty());
    window.close();
}

void tst_Menus::everyFocusableControlHasAName_data()
{
    QTest::addColumn<QString>("window");
    for (const char *name : { "frm_pelwickUDP", "frm_pelwickOpt", "frm_pelwickAbt", "frm_pelwickSys",
             "frm_pelwickPrc", "Frm_pelwickSpl", "Frm_pelwickClk" })
        QTest::newRow(name) << QString::fromLatin1(name);
}

void tst_Menus::everyFocusableControlHasAName()
{
    QFETCH(QString, window);
    std::unique_ptr<QWidget> owned;
    QWidget *shown = nullptr;
    if (window == QLatin1String("frm_pelwickUDP"))
        shown = m_window;
    else if (window == QLatin1String("frm_pelwickOpt"))
        owned = std::make_unique<frm_pelwickOpt>(
            m_window->localSettings(), directory()->entries(), nullptr, m_window->session()->storage());
    else if (window == QLatin1String("frm_pelwickAbt"))
        owned = std::make_unique<frm_pelwickAbt>();
    else if (window == QLatin1String("frm_pelwickSys"))
        owned = std::make_unique<frm_pelwickSys>();
    else if (window == QLatin1String("frm_pelwickPrc"))
        owned = std::make_unique<frm_pelwickPrc>();
    else if (window == QLatin1String("Frm_pelwickSpl"))
        owned = std::make_unique<Frm_pelwickSpl>(SplitterCaption::Standalone);
    else
        owned = std::make_unique<Frm_pelwickClk>();
    if (owned)
        shown = owned.get();
    shown->show();
    QVERIFY(QTest::qWaitForWindowExposed(shown));
    const QStringList unnamed = unnamedFocusableControls(shown);
    QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(u' ')));
}

void tst_Menus::keyboardAloneReachesMenusPopupDirectoryAndCancel()
{
    QList<QMenu *> popups;
    m_window->setPopupHook([&popups](QMenu *menu) { popups.append(menu); });
    m_window->show();
    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window));

    // F10 opens the bar's first menu; Right walks on to the next; Esc leaves.
    QMenuBar *bar = m_window->menuBar();
    QTest::keyClick(m_window, Qt::Key_F10);
    QTRY_VERIFY(bar->activeAction() && bar->activeAction()->menu());
    QCOMPARE(bar->activeAction()->menu()->objectName(), QStringLiteral("menuM01"));
    QTRY_VERIFY(QApplication::activePopupWidget());
    QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Right);
    QTRY_COMPARE(bar->activeAction()->menu()->objectName(), QStringLiteral("menuM02"));
    while (QWidget *popup = QApplication::activePopupWidget())
        QTest::keyClick(popup, Qt::Key_Escape);

    // The Menu key (a context-menu request from the keyboard) and Shift+F10
    // open the list's pop-up at the selected row, below it.
    heard(0);
    UserListView *list = m_window->ListUser();
    list->setFocus();
    list->setCurrentIndex(directory()->index(0, 0));
    QContextMenuEvent menuKey(QContextMenuEvent::Keyboard, QPoint(1, 1), list->mapToGlobal(QPoint(1, 1)));
    QApplication::sendEvent(list, &menuKey);
    QTest::keyClick(list, Qt::Key_F10, Qt::ShiftModifier);
    QCOMPARE(popups, (QList<QMenu *> { m_window->menus().menuListUser, m_window->menus().menuListUser }));
    QVERIFY(m_window->menus().menuRemove->isVisible());

    // The desktop's preferences key opens the options; there Enter on a
    // directory row copies it into the fields, and Esc cancels: nothing is
    // applied.
    MessengerFixture other(QStringLiteral("127.0.0.5"), m_port);
    other.storeDirectory({ { QStringLiteral("peer"), QStringLiteral("127.0.0.2") } });
    MessengerEnvironment env = other.environment();
    bool cancelled = false;
    QString copied;
    env.dialogHook = [&](QDialog *dialog) {
        dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(dialog));
        auto *rows = dialog->findChild<QTreeWidget *>(QStringLiteral("ListViewUser"));
        rows->setFocus();
        rows->setCurrentItem(rows->topLevelItem(0));
        QTest::keyClick(rows, Qt::Key_Return);
        copied = dialog->findChild<QLineEdit *>(QStringLiteral("txtRemoteIPAddr"))->text();
        dialog->findChild<QLineEdit *>(QStringLiteral("txtLocalUserName"))->setText(QStringLiteral("changed"));
        QTest::keyClick(dialog, Qt::Key_Escape);
        cancelled = dialog->result() == QDialog::Rejected && !dialog->isVisible();
    };
    frm_pelwickUDP window(env);
    QVERIFY(window.Form_Load());
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QTest::keySequence(&window, KeyboardAccess::standardKeys(QKeySequence::Preferences).first());
    QCOMPARE(copied, QStringLiteral("127.0.0.2"));
    QVERIFY(cancelled);
    QCOMPARE(window.localSettings().UserName, QStringLiteral("me"));

    // The desktop's close key closes the window as 閉じる does.
    QSignalSpy unloaded(&window, &frm_pelwickUDP::unloaded);
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QTest::keySequence(&window, KeyboardAccess::standardKeys(QKeySequence::Close).first());
    QCOMPARE(unloaded.size(), 1);
}

QTEST_MAIN(tst_Menus)
#include "tst_menus.moc"
