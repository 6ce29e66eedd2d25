#include "datagram.h"
#include "settingsstore.h"
#include "udppeer.h"
#include "xdesktop.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTest>
#include <QUdpSocket>

#include <csignal>

#include <unistd.h>

namespace {

// The main window's title, as xdotool matches it.
const QString MainTitle = QStringLiteral("Ver\\.");

// With root, a machine of the messenger's own: a network namespace joined
// to this one by a virtual cable, so that this test, at HostSide, hears
// what the messenger sends. Without root (or where namespaces cannot be
// entered) none is made and isCabled() says so.
class CabledMachine
{
public:
    static constexpr const char *HostSide = "10.213.7.1";
    static constexpr const char *MachineSide = "10.213.7.2";

    CabledMachine()
    {
        if (::geteuid() != 0 || QStandardPaths::findExecutable(QStringLiteral("ip")).isEmpty())
            return;
        const QString suffix = QString::number(QCoreApplication::applicationPid());
        m_name = QStringLiteral("pw-desk-") + suffix;
        const QString host = QStringLiteral("pdh") + suffix, machine = QStringLiteral("pdm") + suffix;
        m_cabled = ip({ "netns", "add", m_name }) && ip({ "netns", "exec", m_name, "true" })
            && ip({ "link", "add", host, "type", "veth", "peer", "name", machine })
            && ip({ "link", "set", machine, "netns", m_name })
            && ip({ "addr", "add", QString::fromLatin1(HostSide) + "/24", "dev", host })
            && ip({ "link", "set", host, "up" })
            && ip({ "-n", m_name, "addr", "add", QString::fromLatin1(MachineSide) + "/24", "dev", machine })
            && ip({ "-n", m_name, "link", "set", machine, "up" }) && ip({ "-n", m_name, "link", "set", "lo", "up" });
    }
    ~CabledMachine()
    {
        // Deleting the namespace takes the cable with it.
        if (!m_name.isEmpty())
            ip({ "netns", "del", m_name });
    }
    bool isCabled() const { return m_cabled; }
    // The program and arguments that run program on this machine.
    QStringList command(const QString &program) const
    {
        return m_cabled
            ? QStringList { QStringLiteral("ip"), QStringLiteral("netns"), QStringLiteral("exec"), m_name, program }
            : QStringList { program };
    }

private:
    static bool ip(const QStringList &arguments)
    {
        QProcess p;
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(QStringLiteral("ip"), arguments);
        return p.waitForFinished(10000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    }

    QString m_name;
    bool m_cabled = false;
};

} // namespace

// The shipped messenger on a real X11 desktop (Xvfb and openbox, with and
// without a tray), as a person meets it: the window keeps its native window,
// opens where it can be reached and never gets lost.
class tst_Desktop : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void storedPlaceComesBackWithoutDrift();
    void windowStaysTheSameAndWithinReach();
    void lostDisplayEndsTheMessengerAsSigtermDoes();
    void minimisedDialogComesBackWithItsWindow();

private:
    void writeSettings(const QString &top, const QString &left);
    // Starts the messenger and waits for its main window.
    QString startMessenger(
        QProcess &process, const QStringList &command = { QStringLiteral(PELWICK_BIN_DIR "/Pelwick") });
    void stopMessenger(QProcess &process);

    std::unique_ptr<XDesktop> m_desktop;
    quint16 m_port = 0;
};

void tst_Desktop::init()
{
    m_port = freeUdpPort({ QStringLiteral("127.0.0.1"), QStringLiteral("127.0.0.2") });
}

void tst_Desktop::cleanup()
{
    m_desktop.reset();
}

void tst_Desktop::writeSettings(const QString &top, const QString &left)
{
    SettingsStore store(QStringLiteral("Pelwick"), m_desktop->configDir());
    store.setValue("Local", "Port", QString::number(m_port));
    store.setValue("Local", "UserName", "desk");
    store.setValue("Local", "Sound", "False");
    store.setValue("Local", "PopUp", "True");
    store.setValue("Local", "FormTop", "False");
    store.setValue("Local", "Broadcast", "False");
    store.setValue("Local", "KeepLog", "False");
    store.setValue("Local", "Notify", "False");
    store.setValue("User", "Count", "0");
    store.setValue("WindowPos", "Top", top);
    store.setValue("WindowPos", "Left", left);
    store.sync();
}

QString tst_Desktop::startMessenger(QProcess &process, const QStringList &command)
{
    process.setProcessEnvironment(m_desktop->environment());
    process.setStandardOutputFile(QProcess::nullDevice());
    process.start(command.first(), command.mid(1));
    QString window;
    XDesktop::waitUntil(
        [&] {
            const QStringList found = m_desktop->visibleWindows(MainTitle);
            window = found.isEmpty() ? QString() : found.first();
            return !window.isEmpty();
        },
        60000);
    if (window.isEmpty()) {
        // What the desktop showed instead, for a failure that says why.
        QStringList shown;
        for (const QString &id : m_desktop->visibleWindows(QStringLiteral(".")))
            shown.append(m_desktop->x(QStringLiteral("xdotool"), { QStringLiteral("getwindowname"), id }).trimmed());
        QFile waiting(QStringLiteral("/proc/%1/wchan").arg(process.processId()));
        const QByteArray waitingIn = waiting.open(QIODevice::ReadOnly) ? waiting.readAll() : QByteArray("-");
        qWarning("no main window; the messenger %s (waiting in %s); windows shown: [%s]; %s; its errors: %s",
            process.state() == QProcess::Running ? "runs" : "ended", waitingIn.constData(),
            qPrintable(shown.join(QStringLiteral(", "))), qPrintable(m_desktop->state()),
            process.readAllStandardError().constData());
    }
    return window;
}

void tst_Desktop::stopMessenger(QProcess &process)
{
    // As at log-out: the messenger saves and says goodbye.
    process.terminate();
    QVERIFY(process.waitForFinished(10000));
}

void tst_Desktop::storedPlaceComesBackWithoutDrift()
{
    if (const QString missing = XDesktop::missingTools(false); !missing.isEmpty())
        QSKIP(qPrintable(missing));
    m_desktop = std::make_unique<XDesktop>();
    QVERIFY(m_desktop->start(false));
    // A place whose title bar lies above the screen by the frame's height.
    writeSettings(QStringLiteral("-300"), QStringLiteral("-15"));

    QList<QPair<double, double>> saved;
    for (int run = 0; run < 3; ++run) {
        QProcess pelwick;
        const QString window = startMessenger(pelwick);
        QVERIFY2(!window.isEmpty(), "the main window did not appear");
        stopMessenger(pelwick);
        const SettingsStore store(QStringLiteral("Pelwick"), m_desktop->configDir());
        saved.append({ store.value("WindowPos", "Left").toDouble(), store.value("WindowPos", "Top").toDouble() });
    }
    // Opened on the screen, title bar and all; then where it was left.
    QVERIFY(saved.first().first >= 0 && saved.first().second >= 0);
    QCOMPARE(saved.at(1), saved.first());
    QCOMPARE(saved.at(2), saved.first());
}

void tst_Desktop::windowStaysTheSameAndWithinReach()
{
    if (const QString missing = XDesktop::missingTools(true); !missing.isEmpty())
        QSKIP(qPrintable(missing));
    m_desktop = std::make_unique<XDesktop>();
    QVERIFY(m_desktop->start(true));
    writeSettings(QStringLiteral("3000"), QStringLiteral("3000"));
    QProcess pelwick;
    const QString window = startMessenger(pelwick);
    QVERIFY2(!window.isEmpty(), "the main window did not appear");

    // Waiting in the tray, each arriving text brings the window forward:
    // the same X window each time, never a new one.
    QUdpSocket peer;
    for (const char *text : { "one", "two", "three" }) {
        m_desktop->x(QStringLiteral("xdotool"), { QStringLiteral("windowminimize"), window });
        QVERIFY(XDesktop::waitUntil([&] { return m_desktop->withdrawn(window); }));
        peer.writeDatagram(buildDatagram("11", QStringLiteral("peer"), "127.0.0.1", "", QString::fromLatin1(text)),
            QHostAddress(QStringLiteral("127.0.0.1")), m_port);
        QVERIFY(XDesktop::waitUntil([&] { return m_desktop->viewable(window); }));
    }
    QCOMPARE(m_desktop->visibleWindows(MainTitle), QStringList { window });

    // Minimised, it waits in the tray; a second start brings it back.
    m_desktop->x(QStringLiteral("xdotool"), { QStringLiteral("windowminimize"), window });
    QVERIFY(XDesktop::waitUntil([&] { return m_desktop->withdrawn(window); }));
    QProcess second;
    second.setProcessEnvironment(m_desktop->environment());
    second.start(QStringLiteral(PELWICK_BIN_DIR "/Pelwick"), {});
    QVERIFY(XDesktop::waitUntil([&] { return m_desktop->viewable(window); }));
    // The second start waits on its "already running" box; nothing more of it.
    second.kill();
    second.waitForFinished();

    // In the tray again, the tray goes away: the window shows itself. (A
    // tray gone while the window is still only iconified leaves it
    // minimised, reachable as any other; hence waiting for the tray to have it.)
    m_desktop->x(QStringLiteral("xdotool"), { QStringLiteral("windowminimize"), window });
    QVERIFY(XDesktop::waitUntil([&] { return m_desktop->withdrawn(window); }));
    m_desktop->stopTray();
    QVERIFY(XDesktop::waitUntil([&] { return m_desktop->viewable(window); }));
    QCOMPARE(m_desktop->visibleWindows(MainTitle), QStringList { window });
    stopMessenger(pelwick);
}

void tst_Desktop::lostDisplayEndsTheMessengerAsSigtermDoes()
{
    if (const QString missing = XDesktop::missingTools(false); !missing.isEmpty())
        QSKIP(qPrintable(missing));
    m_desktop = std::make_unique<XDesktop>();
    QVERIFY(m_desktop->start(false));
    const CabledMachine machine;
    QUdpSocket peer;
    const QString peerAddress = QString::fromLatin1(machine.isCabled() ? CabledMachine::HostSide : "127.0.0.2");
    if (machine.isCabled())
        QVERIFY(peer.bind(QHostAddress(peerAddress), m_port));
    {
        // A first run's settings: no [WindowPos] yet.
        SettingsStore store(QStringLiteral("Pelwick"), m_desktop->configDir());
        store.setValue("Local", "Port", QString::number(m_port));
        store.setValue("Local", "UserName", "desk");
        store.setValue("Local", "Sound", "False");
        store.setValue("Local", "Broadcast", "False");
        store.setValue("Local", "KeepLog", "False");
        store.setValue("Local", "Notify", "False");
        store.setValue("User", "Count", "1");
        store.setValue("User", "001UserName", "peer");
        store.setValue("User", "001UserIpAddr", peerAddress);
        store.sync();
    }
    QProcess pelwick;
    QVERIFY2(!startMessenger(pelwick, machine.command(QStringLiteral(PELWICK_BIN_DIR "/Pelwick"))).isEmpty(),
        "the main window did not appear");

    // The unload that SIGTERM runs (goodbye to every row included, see
    // tst_frm_pelwickudp) runs here too: what it saves shows it ran.
    m_desktop->killServer();
    QVERIFY(pelwick.waitForFinished(10000));
    // The row heard the goodbye (on a machine of its own only: here the
    // messenger's port is taken by the messenger itself).
    if (machine.isCabled()) {
        QByteArray heard;
        while (peer.hasPendingDatagrams())
            heard += peer.receiveDatagram().data() + '\n';
        QVERIFY2(heard.contains("99<USERNAME>desk<IPADDR>"), heard.constData());
    } else {
        qInfo("no goodbye check on the wire: a network namespace needs root");
    }
    const SettingsStore store(QStringLiteral("Pelwick"), m_desktop->configDir());
    QVERIFY(!store.value("WindowPos", "Top").isEmpty());
    // Written whole by the unload alone: the keys this first run lacked.
    QCOMPARE(store.value("Local", "PopUp"), QStringLiteral("True"));
    QCOMPARE(store.value("Local", "FormTop"), QStringLiteral("False"));
    QCOMPARE(store.value("User", "001UserIpAddr"), peerAddress);
    // The lock and the game link went with it: a new start is not refused,
    // and nothing stale is left in the runtime folder.
    QVERIFY(!QFileInfo::exists(m_desktop->runtimeDir() + QStringLiteral("/Pelwick.lock")));
    QCOMPARE(
        QDir(m_desktop->runtimeDir()).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot), QStringList());
}

void tst_Desktop::minimisedDialogComesBackWithItsWindow()
{
    if (const QString missing = XDesktop::missingTools(false); !missing.isEmpty())
        QSKIP(qPrintable(missing));
    m_desktop = std::make_unique<XDesktop>();
    QVERIFY(m_desktop->start(false));
    writeSettings(QStringLiteral("20"), QStringLiteral("20"));
    QProcess pelwick;
    const QString window = startMessenger(pelwick);
    QVERIFY2(!window.isEmpty(), "the main window did not appear");
    m_desktop->x(QStringLiteral("xdotool"), { QStringLiteral("windowactivate"), QStringLiteral("--sync"), window });
    m_desktop->x(QStringLiteral("xdotool"), { QStringLiteral("key"), QStringLiteral("ctrl+comma") });
    QString dialog;
    QVERIFY(XDesktop::waitUntil([&] {
        dialog = m_desktop->visibleWindows(QStringLiteral("ｵﾌﾟｼｮﾝ")).value(0);
        return !dialog.isEmpty();
    }));

    // openbox minimises the dialog and its window with it; both come back,
    // the dialog in front with the focus. (Waiting first for the minimise
    // to be seen, or for the window manager to have long handled it.)
    m_desktop->x(QStringLiteral("xdotool"), { QStringLiteral("windowminimize"), dialog });
    XDesktop::waitUntil([&] { return !m_desktop->viewable(dialog); }, 2000);
    QVERIFY(XDesktop::waitUntil([&] {
        return m_desktop->viewable(dialog) && m_desktop->viewable(window)
            && m_desktop->x(QStringLiteral("xdotool"), { QStringLiteral("getactivewindow") }).trimmed() == dialog;
    }));
    stopMessenger(pelwick);
}

QTEST_GUILESS_MAIN(tst_Desktop)
#include "tst_desktop.moc"
