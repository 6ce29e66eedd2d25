// Builds the Debian package with cpack into a temporary folder and reads it
// back with dpkg-deb: control fields, dependencies, contents and modes; then
// runs a launcher of the unpacked tree and, where they are installed, Debian's
// and the desktop's checkers on the package. Nothing is installed on this
// machine.
#include "installedtree.h"
#include "settingsmapping.h"

#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>

#include <csignal>

using namespace InstalledTree;

namespace {

// The package names of a Depends field, without versions; each alternative
// of "a | b" counts.
QStringList dependencyNames(const QString &field)
{
    QStringList names;
    const auto alternatives = field.split(QRegularExpression(QStringLiteral("[,|]")), Qt::SkipEmptyParts);
    for (const QString &alternative : alternatives) {
        const QString name = alternative.trimmed().section(QLatin1Char(' '), 0, 0).section(QLatin1Char(':'), 0, 0);
        if (!name.isEmpty())
            names.append(name);
    }
    return names;
}

// The desktop entries of the package, each with an icon of the same name.
constexpr const char *DesktopIds[]
    = { "org.pelwick.Pelwick", "org.pelwick.Pelwick.Split", "org.pelwick.Pelwick.Clock", "org.pelwick.Pelwick.Gomoku" };

// The text of a gzip-compressed file; empty when it cannot be read.
QString gunzipped(const QString &path)
{
    QString text;
    return run(QStringLiteral("gzip"), { QStringLiteral("-dc"), path }, &text) ? text : QString();
}

} // namespace

class tst_Package : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void controlField_data();
    void controlField();
    void dependsOn_data();
    void dependsOn();
    void contents_data();
    void contents();
    void unpackedLauncherStartsItsProgram();
    void checkerFindsNoFault_data();
    void checkerFindsNoFault();
    void releaseNotesNameThisVersion();
    void firewallRuleOpensTheDefaultPort_data();
    void firewallRuleOpensTheDefaultPort();

private:
    QString field(const QString &name) const;

    QTemporaryDir m_root;
    QString m_package;
    // Path in the package (./usr/...) to its mode and owner, as dpkg-deb lists them.
    QHash<QString, QPair<QString, QString>> m_entries;
    QString m_unpacked;
};

void tst_Package::initTestCase()
{
    for (const char *tool : { "dpkg-deb", "dpkg-shlibdeps" }) {
        if (QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty())
            QSKIP(qPrintable(QLatin1String(tool) + QLatin1String(" is missing (package dpkg-dev)")));
    }
    QVERIFY(m_root.isValid());
    const QString out = m_root.filePath(QStringLiteral("out"));
    QString output;
    QVERIFY2(run(QStringLiteral(PELWICK_CPACK_COMMAND),
                 { QStringLiteral("-G"), QStringLiteral("DEB"), QStringLiteral("--config"),
                     QStringLiteral(PELWICK_BUILD_DIR "/CPackConfig.cmake"), QStringLiteral("-B"), out },
                 &output, 200000, m_root.path()),
        qPrintable(output));
    const QStringList packages = QDir(out).entryList({ QStringLiteral("pelwick_*.deb") }, QDir::Files);
    QCOMPARE(packages.size(), 1);
    m_package = QDir(out).filePath(packages.first());

    QVERIFY2(run(QStringLiteral("dpkg-deb"), { QStringLiteral("--contents"), m_package }, &output), qPrintable(output));
    // -rwxr-xr-x root/root     12345 2024-01-01 00:00 ./usr/bin/pelwick
    const auto lines = output.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (const QString &line : lines) {
        const QStringList columns = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (columns.size() >= 6)
            m_entries.insert(columns.at(5), { columns.at(0), columns.at(1) });
    }

    m_unpacked = m_root.filePath(QStringLiteral("unpacked"));
    QVERIFY2(run(QStringLiteral("dpkg-deb"), { QStringLiteral("--extract"), m_package, m_unpacked }, &output),
        qPrintable(output));
}

void tst_Package::cleanupTestCase()
{
    if (m_unpacked.isEmpty() || !QFileInfo::exists(m_unpacked))
        return;
    for (qint64 pid : processesUnder(m_unpacked))
        ::kill(pid_t(pid), SIGKILL);
}

QString tst_Package::field(const QString &name) const
{
    QString output;
    if (!run(QStringLiteral("dpkg-deb"), { QStringLiteral("--field"), m_package, name }, &output))
        return QStringLiteral("<dpkg-deb failed: %1>").arg(output);
    return output.trimmed();
}

void tst_Package::controlField_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("expected");

    QString architecture;
    run(QStringLiteral("dpkg"), { QStringLiteral("--print-architecture") }, &architecture);
    QTest::newRow("Package") << "Package"
                             << "pelwick";
    QTest::newRow("Version") << "Version" << PELWICK_PACKAGE_VERSION;
    QTest::newRow("Architecture") << "Architecture" << architecture.trimmed();
    QTest::newRow("Section") << "Section"
                             << "net";
}

void tst_Package::controlField()
{
    QFETCH(QString, name);
    QFETCH(QString, expected);
    QCOMPARE(field(name), expected);
}

void tst_Package::dependsOn_data()
{
    QTest::addColumn<QString>("dependency");

    // Found by dpkg-shlibdeps in the programs.
    for (const char *library :
        { "libc6", "libstdc++6", "libqt6core6", "libqt6gui6", "libqt6widgets6", "libqt6network6", "libqt6multimedia6" })
        QTest::newRow(library) << library;
    // Loaded at run time, invisible to dpkg-shlibdeps.
    for (const char *runtime : { "qt6-qpa-plugins", "qt6-wayland", "gstreamer1.0-plugins-base", "fonts-ipafont-gothic",
             "qt6-translations-l10n" })
        QTest::newRow(runtime) << runtime;
}

void tst_Package::dependsOn()
{
    QFETCH(QString, dependency);
    const QString depends = field(QStringLiteral("Depends"));
    QVERIFY2(dependencyNames(depends).contains(dependency), qPrintable(depends));
}

void tst_Package::contents_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("mode");

    for (const QString &program : programs())
        QTest::newRow(qPrintable(program)) << QStringLiteral("./usr/lib/pelwick/") + program << "-rwxr-xr-x";
    for (const Launcher &launcher : Launchers)
        QTest::newRow(launcher.name) << QStringLiteral("./usr/bin/") + QLatin1String(launcher.name) << "-rwxr-xr-x";
    QTest::newRow("arrival sound") << "./usr/lib/pelwick/arrival.wav"
                                   << "-rw-r--r--";
    // Every program a person starts has its entry and icon; GOMOKU's windows too.
    for (const char *id : DesktopIds) {
        QTest::newRow(qPrintable(QLatin1String("entry ") + QLatin1String(id)))
            << QStringLiteral("./usr/share/applications/%1.desktop").arg(QLatin1String(id)) << "-rw-r--r--";
        QTest::newRow(qPrintable(QLatin1String("scalable icon ") + QLatin1String(id)))
            << QStringLiteral("./usr/share/icons/hicolor/scalable/apps/%1.svg").arg(QLatin1String(id)) << "-rw-r--r--";
        for (const int size : { 16, 48, 256 })
            QTest::newRow(qPrintable(QStringLiteral("%1 icon %2").arg(size).arg(QLatin1String(id))))
                << QStringLiteral("./usr/share/icons/hicolor/%1x%1/apps/%2.png").arg(size).arg(QLatin1String(id))
                << "-rw-r--r--";
    }
    QTest::newRow("AppStream metadata") << "./usr/share/metainfo/org.pelwick.Pelwick.metainfo.xml"
                                        << "-rw-r--r--";
    QTest::newRow("copyright") << "./usr/share/doc/pelwick/copyright"
                               << "-rw-r--r--";
    QTest::newRow("changelog") << "./usr/share/doc/pelwick/changelog.gz"
                               << "-rw-r--r--";
    for (const Launcher &launcher : Launchers)
        QTest::newRow(qPrintable(QLatin1String("manual page ") + QLatin1String(launcher.name)))
            << QStringLiteral("./usr/share/man/man1/%1.1.gz").arg(QLatin1String(launcher.name)) << "-rw-r--r--";
    QTest::newRow("ufw profile") << "./etc/ufw/applications.d/pelwick"
                                 << "-rw-r--r--";
    QTest::newRow("firewalld service") << "./usr/lib/firewalld/services/pelwick.xml"
                                       << "-rw-r--r--";
}

void tst_Package::contents()
{
    QFETCH(QString, entry);
    QFETCH(QString, mode);
    QVERIFY2(m_entries.contains(entry), qPrintable(QStringList(m_entries.keys()).join(QLatin1Char(' '))));
    QCOMPARE(m_entries.value(entry).first, mode);
    QCOMPARE(m_entries.value(entry).second, QStringLiteral("root/root"));
}

void tst_Package::unpackedLauncherStartsItsProgram()
{
    // The unpacked tree is an installation under another prefix: its
    // stripped programs must run and its launchers must find them.
    const QString usr = QDir(m_unpacked + QLatin1String("/usr")).canonicalPath();
    QTemporaryDir config;
    QTemporaryDir runtime;
    QProcess clock;
    clock.setProcessEnvironment(environment(config.path(), runtime.path()));
    clock.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    clock.setStandardOutputFile(QProcess::nullDevice());
    clock.start(usr + QLatin1String("/bin/pelwick-clock"), {});
    QVERIFY2(clock.waitForStarted(), qPrintable(clock.errorString()));
    const QString expected = usr + QLatin1String("/lib/pelwick/clock");
    QTRY_VERIFY_WITH_TIMEOUT(clock.state() != QProcess::Running || executableOf(clock.processId()) == expected, 10000);
    QCOMPARE(clock.state(), QProcess::Running);
    QCOMPARE(executableOf(clock.processId()), expected);
    clock.terminate();
    QVERIFY(clock.waitForFinished(10000));
}

void tst_Package::checkerFindsNoFault_data()
{
    QTest::addColumn<QString>("tool");
    QTest::addColumn<QStringList>("arguments");

    // Lintian warns when run as root unless told it is meant; its exit
    // status reports errors and warnings, not the informational tags.
    QTest::newRow("lintian") << "lintian"
                             << QStringList { QStringLiteral("--allow-root"), QStringLiteral("--fail-on"),
                                    QStringLiteral("error,warning"), m_package };
    // The whole tree: the metadata and the desktop file it names as launchable.
    QTest::newRow("appstreamcli") << "appstreamcli"
                                  << QStringList { QStringLiteral("validate-tree"), QStringLiteral("--no-net"),
                                         m_unpacked };
    for (const char *id : DesktopIds)
        QTest::newRow(qPrintable(QLatin1String("desktop-file-validate ") + QLatin1String(id)))
            << "desktop-file-validate"
            << QStringList { m_unpacked + QStringLiteral("/usr/share/applications/%1.desktop").arg(QLatin1String(id)) };
    for (const Launcher &launcher : Launchers)
        QTest::newRow(qPrintable(QLatin1String("man ") + QLatin1String(launcher.name)))
            << "man"
            << QStringList { QStringLiteral("--warnings"), QStringLiteral("-l"),
                   m_unpacked + QStringLiteral("/usr/share/man/man1/%1.1.gz").arg(QLatin1String(launcher.name)) };
}

void tst_Package::checkerFindsNoFault()
{
    QFETCH(QString, tool);
    QFETCH(QStringList, arguments);
    if (QStandardPaths::findExecutable(tool).isEmpty())
        QSKIP(qPrintable(tool + QLatin1String(" is not installed")));

    // What the checker reports: everything but a manual page's own text.
    const bool isMan = tool == QLatin1String("man");
    QProcess checker;
    if (isMan)
        checker.setStandardOutputFile(QProcess::nullDevice());
    checker.start(tool, arguments);
    QVERIFY(checker.waitForFinished(120000));
    const QString report = QString::fromLocal8Bit(
        (isMan ? QByteArray() : checker.readAllStandardOutput()) + checker.readAllStandardError());
    QVERIFY2(checker.exitStatus() == QProcess::NormalExit && checker.exitCode() == 0, qPrintable(report));
    // desktop-file-validate's warnings leave the exit status at 0.
    static const QRegularExpression fault(QStringLiteral("^\\s*(E|W):|error:|warning:"),
        QRegularExpression::MultilineOption | QRegularExpression::CaseInsensitiveOption);
    QVERIFY2(!fault.match(report).hasMatch(), qPrintable(report));
    // Whatever man says besides the page is a warning of groff's.
    if (isMan)
        QVERIFY2(report.trimmed().isEmpty(), qPrintable(report));
}

void tst_Package::releaseNotesNameThisVersion()
{
    // A new version needs its own changelog entry and AppStream release, or
    // the package and the software centres describe the one before.
    const QString changelog = gunzipped(m_unpacked + QLatin1String("/usr/share/doc/pelwick/changelog.gz"));
    QCOMPARE(changelog.section(QLatin1Char('\n'), 0, 0).section(QLatin1Char(' '), 0, 1),
        QStringLiteral("pelwick (" PELWICK_PACKAGE_VERSION ")"));

    QFile metainfo(m_unpacked + QLatin1String("/usr/share/metainfo/org.pelwick.Pelwick.metainfo.xml"));
    QVERIFY(metainfo.open(QIODevice::ReadOnly));
    QXmlStreamReader xml(&metainfo);
    QString newestRelease;
    while (newestRelease.isEmpty() && xml.readNextStartElement()) {
        if (xml.name() == QLatin1String("release"))
            newestRelease = xml.attributes().value(QLatin1String("version")).toString();
        else if (xml.name() != QLatin1String("component") && xml.name() != QLatin1String("releases"))
            xml.skipCurrentElement();
    }
    QCOMPARE(newestRelease, QStringLiteral(PELWICK_PACKAGE_VERSION));
}

void tst_Package::firewallRuleOpensTheDefaultPort_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("rule");

    QTest::newRow("ufw") << "/etc/ufw/applications.d/pelwick" << QStringLiteral("^ports=%1/udp$").arg(DefaultPort);
    QTest::newRow("firewalld") << "/usr/lib/firewalld/services/pelwick.xml"
                               << QStringLiteral("<port protocol=\"udp\" port=\"%1\"/>").arg(DefaultPort);
}

void tst_Package::firewallRuleOpensTheDefaultPort()
{
    QFETCH(QString, file);
    QFETCH(QString, rule);
    QFile rules(m_unpacked + file);
    QVERIFY(rules.open(QIODevice::ReadOnly | QIODevice::Text));
    const QString text = QString::fromUtf8(rules.readAll());
    QVERIFY2(QRegularExpression(rule, QRegularExpression::MultilineOption).match(text).hasMatch(), qPrintable(text));
}

QTEST_GUILESS_MAIN(tst_Package)
#include "tst_package.moc"
