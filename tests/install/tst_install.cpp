// Installs the build into a temporary prefix, moves the installed tree
// elsewhere, and runs the programs from there: the launchers start their
// programs, the messenger takes its port and starts the GOMOKU that lies
// beside it.
#include "datagram.h"
#include "installedtree.h"
#include "link.h"
#include "settingsmapping.h"
#include "settingsstore.h"

#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>
#include <QUdpSocket>
#include <QXmlStreamReader>

#include <csignal>

using namespace InstalledTree;

namespace {

const QString PeerAddress = QStringLiteral("127.0.0.2");
const QString MessengerUser = QStringLiteral("インストール");
const QString PeerUser = QStringLiteral("peer");

// A port that nothing on this machine holds on any address.
quint16 freePort()
{
    QUdpSocket probe;
    if (!probe.bind(QHostAddress::AnyIPv4, 0, QAbstractSocket::DontShareAddress))
        return 0;
    return probe.localPort();
}

// Whether a port can be bound on every address: false while a messenger holds it.
bool portIsFree(quint16 port)
{
    QUdpSocket probe;
    return probe.bind(QHostAddress::AnyIPv4, port, QAbstractSocket::DontShareAddress);
}

} // namespace

class tst_Install : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void cleanupTestCase();

    void installedFiles_data();
    void installedFiles();
    void desktopEntryStartsAnInstalledLauncher_data();
    void desktopEntryStartsAnInstalledLauncher();
    void launcherStartsItsProgram_data();
    void launcherStartsItsProgram();
    void installedMessengerRecordsPeersAndStartsGomokuBesideIt();

private:
    QString path(const QString &relative) const { return m_prefix + QLatin1Char('/') + relative; }
    QProcessEnvironment programEnvironment() const
    {
        return environment(m_root.filePath(QStringLiteral("config")), m_root.filePath(QStringLiteral("runtime")));
    }

    QTemporaryDir m_root;
    QString m_prefix;
    quint16 m_port = 0;
};

void tst_Install::initTestCase()
{
    QVERIFY(m_root.isValid());
    const QString staged = m_root.filePath(QStringLiteral("staged"));
    QString output;
    QVERIFY2(run(QStringLiteral(PELWICK_CMAKE_COMMAND),
                 { QStringLiteral("--install"), QStringLiteral(PELWICK_BUILD_DIR), QStringLiteral("--prefix"), staged },
                 &output),
        qPrintable(output));

    // Everything below runs from another folder than the one installed to,
    // one whose name the launchers must quote.
    const QString moved = m_root.filePath(QStringLiteral("moved prefix"));
    QVERIFY(QDir().rename(staged, moved));
    m_prefix = QDir(moved).canonicalPath();

    // Qt wants the runtime folder private to the user.
    QVERIFY(QDir().mkpath(m_root.filePath(QStringLiteral("runtime"))));
    QVERIFY(QFile::setPermissions(
        m_root.filePath(QStringLiteral("runtime")), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));

    m_port = freePort();
    QVERIFY(m_port != 0);
    // A named user, so the messenger opens no name dialog, and no directory.
    SettingsStore store(QStringLiteral("Pelwick"), m_root.filePath(QStringLiteral("config")));
    store.setValue(QStringLiteral("Local"), QStringLiteral("UserName"), MessengerUser);
    store.setValue(QStringLiteral("Local"), QStringLiteral("Port"), QString::number(m_port));
    store.setValue(QStringLiteral("Local"), QStringLiteral("Sound"), QStringLiteral("False"));
    store.setValue(QStringLiteral("Local"), QStringLiteral("PopUp"), QStringLiteral("False"));
    // The installed messenger listens on every network: it must not search them.
    store.setValue(QStringLiteral("Local"), QStringLiteral("Broadcast"), QStringLiteral("False"));
    store.setValue(QStringLiteral("User"), QStringLiteral("Count"), QStringLiteral("0"));
    QVERIFY(store.sync());
}

void tst_Install::cleanup()
{
    // Whatever a failed case left running from the installed tree (the
    // messenger's game program included) ends here, by its process id.
    if (m_prefix.isEmpty())
        return;
    for (qint64 pid : processesUnder(m_prefix))
        ::kill(pid_t(pid), SIGKILL);
    QTRY_VERIFY(processesUnder(m_prefix).isEmpty());
}

void tst_Install::cleanupTestCase()
{
    cleanup();
}

void tst_Install::installedFiles_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<bool>("executable");

    for (const QString &program : programs())
        QTest::newRow(qPrintable(program)) << QStringLiteral("lib/pelwick/") + program << true;
    for (const Launcher &launcher : Launchers)
        QTest::newRow(launcher.name) << QStringLiteral("bin/") + QLatin1String(launcher.name) << true;
    QTest::newRow("arrival sound") << QStringLiteral("lib/pelwick/arrival.wav") << false;
    QTest::newRow("AppStream metadata") << QStringLiteral("share/metainfo/org.pelwick.Pelwick.metainfo.xml") << false;
    QTest::newRow("copyright") << QStringLiteral("share/doc/pelwick/copyright") << false;
    QTest::newRow("changelog") << QStringLiteral("share/doc/pelwick/changelog.gz") << false;
    for (const Launcher &launcher : Launchers)
        QTest::newRow(qPrintable(QLatin1String("manual page ") + QLatin1String(launcher.name)))
            << QStringLiteral("share/man/man1/%1.1.gz").arg(QLatin1String(launcher.name)) << false;
    QTest::newRow("firewalld service") << QStringLiteral("lib/firewalld/services/pelwick.xml") << false;
    // Under any prefix but /usr the ufw profile stays inside it, off the system's /etc.
    QTest::newRow("ufw profile") << QStringLiteral("etc/ufw/applications.d/pelwick") << false;
}

void tst_Install::installedFiles()
{
    QFETCH(QString, file);
    QFETCH(bool, executable);

    const QFileInfo info(path(file));
    QVERIFY2(info.isFile(), qPrintable(file));
    QVERIFY(info.size() > 0);
    QCOMPARE(info.isExecutable(), executable);
    // Everyone may run and read what is installed system-wide.
    QVERIFY(info.permission(QFile::ReadOther));
    QCOMPARE(info.permission(QFile::ExeOther), executable);
}

void tst_Install::desktopEntryStartsAnInstalledLauncher_data()
{
    QTest::addColumn<QString>("id");
    QTest::addColumn<QString>("launcher");
    QTest::addColumn<QString>("windowClass");
    // The window class is the program's name: what StartupWMClass must say
    // for the desktop to join the program's windows to its entry on X11.
    QTest::newRow("messenger") << "org.pelwick.Pelwick"
                               << "pelwick"
                               << "Pelwick";
    QTest::newRow("splitter") << "org.pelwick.Pelwick.Split"
                              << "pelwick-split"
                              << "split";
    QTest::newRow("clock") << "org.pelwick.Pelwick.Clock"
                           << "pelwick-clock"
                           << "clock";
    QTest::newRow("gomoku windows") << "org.pelwick.Pelwick.Gomoku"
                                    << "pelwick"
                                    << "GOMOKU";
}

void tst_Install::desktopEntryStartsAnInstalledLauncher()
{
    QFETCH(QString, id);
    QFETCH(QString, launcher);
    QFETCH(QString, windowClass);
    QFile entry(path(QStringLiteral("share/applications/%1.desktop").arg(id)));
    QVERIFY(entry.open(QIODevice::ReadOnly | QIODevice::Text));
    QStringList commands;
    QHash<QString, QString> values;
    const QStringList lines = QString::fromUtf8(entry.readAll()).split(QLatin1Char('\n'));
    QCOMPARE(lines.first(), QStringLiteral("[Desktop Entry]"));
    for (const QString &line : lines) {
        if (line.startsWith(QLatin1String("Exec=")))
            commands.append(line.mid(5).section(QLatin1Char(' '), 0, 0));
        else if (!values.contains(line.section(QLatin1Char('='), 0, 0)))
            values.insert(line.section(QLatin1Char('='), 0, 0), line.section(QLatin1Char('='), 1));
    }
    QCOMPARE(values.value(QStringLiteral("Type")), QStringLiteral("Application"));
    QCOMPARE(commands.first(), launcher);
    // Each command is a launcher of the same installation, found on the PATH.
    for (const QString &command : std::as_const(commands)) {
        QVERIFY2(!command.contains(QLatin1Char('/')), qPrintable(command));
        QVERIFY2(QFileInfo(path(QStringLiteral("bin/") + command)).isExecutable(), qPrintable(command));
    }
    QCOMPARE(values.value(QStringLiteral("StartupWMClass")), windowClass);
    // The icon has the entry's name, as a picture and at the theme's sizes.
    QCOMPARE(values.value(QStringLiteral("Icon")), id);
    QFile svgFile(path(QStringLiteral("share/icons/hicolor/scalable/apps/%1.svg").arg(id)));
    QVERIFY(svgFile.open(QIODevice::ReadOnly));
    QXmlStreamReader svg(&svgFile);
    QVERIFY(svg.readNextStartElement());
    QCOMPARE(svg.name(), QStringLiteral("svg"));
    QCOMPARE(svg.namespaceUri(), QStringLiteral("http://www.w3.org/2000/svg"));
    while (!svg.atEnd())
        svg.readNext();
    QVERIFY2(!svg.hasError(), qPrintable(svg.errorString()));
    for (const int size : { 16, 22, 24, 32, 48, 64, 128, 256 }) {
        const QImage png(path(QStringLiteral("share/icons/hicolor/%1x%1/apps/%2.png").arg(size).arg(id)));
        QCOMPARE(png.size(), QSize(size, size));
    }
}

void tst_Install::launcherStartsItsProgram_data()
{
    QTest::addColumn<QString>("launcher");
    QTest::addColumn<QString>("program");
    QTest::addColumn<bool>("throughLink");

    QTest::newRow("pelwick-split") << "pelwick-split"
                                   << "split" << false;
    QTest::newRow("pelwick-clock") << "pelwick-clock"
                                   << "clock" << false;
    // A launcher linked from a folder of the PATH still finds its programs.
    QTest::newRow("pelwick-clock linked") << "pelwick-clock"
                                          << "clock" << true;
}

void tst_Install::launcherStartsItsProgram()
{
    QFETCH(QString, launcher);
    QFETCH(QString, program);
    QFETCH(bool, throughLink);

    QString command = path(QStringLiteral("bin/") + launcher);
    if (throughLink) {
        const QString links = m_root.filePath(QStringLiteral("links"));
        QVERIFY(QDir().mkpath(links));
        const QString link = links + QLatin1Char('/') + launcher;
        QFile::remove(link);
        QVERIFY(QFile::link(command, link));
        command = link;
    }

    QProcess process;
    process.setProcessEnvironment(programEnvironment());
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.setStandardOutputFile(QProcess::nullDevice());
    process.start(command, {});
    QVERIFY2(process.waitForStarted(), qPrintable(process.errorString()));

    // The launcher replaces itself by the program, so the process it
    // started turns into the installed program.
    const QString expected = path(QStringLiteral("lib/pelwick/") + program);
    QTRY_VERIFY_WITH_TIMEOUT(
        process.state() != QProcess::Running || executableOf(process.processId()) == expected, 10000);
    QCOMPARE(process.state(), QProcess::Running);
    QCOMPARE(executableOf(process.processId()), expected);
    process.terminate();
    QVERIFY(process.waitForFinished(10000));
}

void tst_Install::installedMessengerRecordsPeersAndStartsGomokuBesideIt()
{
    const QString runtime = m_root.filePath(QStringLiteral("runtime"));
    QProcess messenger;
    messenger.setProcessEnvironment(programEnvironment());
    messenger.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    messenger.setStandardOutputFile(QProcess::nullDevice());
    messenger.start(path(QStringLiteral("bin/pelwick")), {});
    QVERIFY2(messenger.waitForStarted(), qPrintable(messenger.errorString()));

    // Started without a dialog: it holds its port and serves its link.
    QTRY_VERIFY_WITH_TIMEOUT(messenger.state() != QProcess::Running || !portIsFree(m_port), 15000);
    QCOMPARE(messenger.state(), QProcess::Running);
    QCOMPARE(executableOf(messenger.processId()), path(QStringLiteral("lib/pelwick/Pelwick")));
    QTRY_VERIFY(QFileInfo::exists(linkServerPath(QStringLiteral("Pelwick"), QLatin1String(LinkTopic), runtime)));

    // The messenger holds the port on every address, so this peer sends
    // from another port; what it announces lands in the saved directory.
    QUdpSocket peer;
    QVERIFY(peer.bind(QHostAddress(PeerAddress), 0));
    const auto send
        = [&](const char *kind, const QString &address, const QString &gameId = {}, const QString &data = {}) {
              peer.writeDatagram(
                  buildDatagram(QLatin1String(kind), PeerUser, address, gameId, data), QHostAddress::LocalHost, m_port);
          };
    send("01", PeerAddress);

    // A game request starts GOMOKU from the messenger's own folder, which
    // opens its link in the messenger's runtime folder. The acceptance goes
    // to the peer's address on this machine, where nobody listens on the
    // messenger's port.
    const QString gomoku = path(QStringLiteral("lib/pelwick/GOMOKU"));
    const QString partner = PeerAddress;
    QVERIFY(QFileInfo(gomoku).isExecutable());
    send("31", partner, QStringLiteral("01"), QStringLiteral("<GAMEFUNC>01<GAMEDATA>"));
    const auto gameProgram = [&]() -> qint64 {
        for (qint64 pid : processesUnder(m_prefix)) {
            if (pid != messenger.processId() && executableOf(pid) == gomoku)
                return pid;
        }
        return 0;
    };
    QTRY_VERIFY_WITH_TIMEOUT(messenger.state() != QProcess::Running || gameProgram() != 0, 15000);
    QCOMPARE(messenger.state(), QProcess::Running);
    QCOMPARE(parentOf(gameProgram()), messenger.processId());
    QTRY_VERIFY_WITH_TIMEOUT(
        QFileInfo::exists(linkServerPath(QStringLiteral("GOMOKU"), QLatin1String(LinkTopic), runtime)), 15000);

    // The partner leaves: the messenger ends its game program.
    send("99", partner);
    QTRY_COMPARE_WITH_TIMEOUT(processesUnder(m_prefix), QList<qint64> { messenger.processId() }, 10000);

    // Terminated as at log-out, it saves its directory and ends normally.
    messenger.terminate();
    QVERIFY(messenger.waitForFinished(10000));
    QCOMPARE(messenger.exitStatus(), QProcess::NormalExit);
    QCOMPARE(messenger.exitCode(), 0);
    const SettingsStore saved(QStringLiteral("Pelwick"), m_root.filePath(QStringLiteral("config")));
    QVERIFY(loadDirectory(saved).contains(DirectoryEntry { PeerUser, PeerAddress }));
}

QTEST_GUILESS_MAIN(tst_Install)
#include "tst_install.moc"
