#pragma once

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

// Helpers of the tests that run an installed Pelwick: the programs run as
// real processes on the offscreen platform with their own configuration and
// runtime folders, never the user's.
namespace InstalledTree {

// The launchers in <prefix>/bin and the program each starts.
struct Launcher
{
    const char *name;
    const char *program;
};
inline constexpr Launcher Launchers[] = {
    { "pelwick", "Pelwick" },
    { "pelwick-split", "split" },
    { "pelwick-clock", "clock" },
};

// The programs the build registers, in <prefix>/lib/pelwick.
inline QStringList programs()
{
    return QString::fromLatin1(PELWICK_PROGRAMS).split(QLatin1Char(','), Qt::SkipEmptyParts);
}

// The executable a running process was started from; empty once it ended.
inline QString executableOf(qint64 pid)
{
    return QFileInfo(QStringLiteral("/proc/%1/exe").arg(pid)).symLinkTarget();
}

// The parent of a running process; 0 once it ended.
inline qint64 parentOf(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return 0;
    // pid (comm) state ppid ...: comm may hold spaces and parentheses.
    const QByteArray line = stat.readAll();
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    return fields.size() > 1 ? fields.at(1).toLongLong() : 0;
}

// Every process of this user whose executable lies under folder.
inline QList<qint64> processesUnder(const QString &folder)
{
    QList<qint64> found;
    const QString prefix = QDir(folder).canonicalPath() + QLatin1Char('/');
    const auto entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &entry : entries) {
        bool isPid = false;
        const qint64 pid = entry.toLongLong(&isPid);
        if (isPid && executableOf(pid).startsWith(prefix))
            found.append(pid);
    }
    return found;
}

// The environment of a program under test: offscreen, and the given
// configuration and runtime folders in place of the user's.
inline QProcessEnvironment environment(const QString &configDir, const QString &runtimeDir)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("qt.qpa.*=false;qt.multimedia*=false"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), configDir);
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtimeDir);
    // The kept conversation goes beside the settings, never into the
    // user's own data folder.
    env.insert(QStringLiteral("XDG_DATA_HOME"), configDir + QStringLiteral("/../data"));
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    return env;
}

// Runs a command to its end; its output, or why it failed, in output.
inline bool run(const QString &program, const QStringList &arguments, QString *output, int timeoutMs = 60000,
    const QString &workingDirectory = {})
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    if (!workingDirectory.isEmpty())
        process.setWorkingDirectory(workingDirectory);
    process.start(program, arguments);
    const bool finished = process.waitForFinished(timeoutMs);
    if (output)
        *output = QString::fromLocal8Bit(process.readAll());
    if (!finished) {
        process.kill();
        process.waitForFinished();
        if (output)
            output->prepend(program + QLatin1String(" did not finish: "));
        return false;
    }
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

} // namespace InstalledTree
