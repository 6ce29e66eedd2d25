#include "pelwickUDP040.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <algorithm>

QString GameProgramPath;
QString GameProgramRuntimeDirectory;

namespace {

// The one owner of the started game program. Never destroyed at exit: a
// messenger that ends without EndGameProgram leaves its game running, as a
// detached program would.
QProcess *gameProcess = nullptr;
quintptr gameHandle = 0;

constexpr int StartWaitMs = 5000;
constexpr int EndWaitMs = 3000;

void forgetGame()
{
    if (gameProcess) {
        gameProcess->disconnect();
        gameProcess->deleteLater();
    }
    gameProcess = nullptr;
    gameHandle = 0;
}

bool killGame()
{
    // A program that already ended by itself cannot be ended; looking first
    // makes that answer independent of whether its end was noticed yet.
    if (!gameProcess || gameProcess->state() == QProcess::NotRunning || gameProcess->waitForFinished(0))
        return false;
    // QProcess signals only its own unreaped child, never a reused id.
    gameProcess->kill();
    return gameProcess->waitForFinished(EndWaitMs);
}

} // namespace

quintptr GameProcessHandle()
{
    return gameHandle;
}

quintptr StartGameProgram()
{
    if (gameProcess) {
        killGame();
        forgetGame();
    }
    if (GameProgramPath.isEmpty())
        return 0;
    auto *process = new QProcess;
    process->setProgram(GameProgramPath);
    process->setWorkingDirectory(QFileInfo(GameProgramPath).absolutePath());
    process->setStandardInputFile(QProcess::nullDevice());
    process->setProcessChannelMode(QProcess::ForwardedChannels);
    if (!GameProgramRuntimeDirectory.isEmpty()) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), GameProgramRuntimeDirectory);
        process->setProcessEnvironment(environment);
    }
    process->start();
    if (!process->waitForStarted(StartWaitMs) || process->processId() <= 0) {
        delete process;
        return 0;
    }
    gameProcess = process;
    gameHandle = quintptr(process->processId());
    return gameHandle;
}

quintptr EndGameProgram()
{
    if (!gameHandle)
        return 0;
    if (!killGame())
        return gameHandle;
    forgetGame();
    return 0;
}

ProcProcessTable::ProcProcessTable(const QString &procRoot)
    : m_root(procRoot)
{
}

std::optional<QList<ProcessEntry>> ProcProcessTable::snapshot() const
{
    const QDir root(m_root);
    if (!root.exists())
        return std::nullopt;
    QList<ProcessEntry> entries;
    const QStringList names = root.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &name : names) {
        bool ok = false;
        const quint32 id = name.toUInt(&ok, 10);
        if (!ok || id == 0)
            continue;
        const QString dir = root.filePath(name);
        ProcessEntry e;
        e.id = id;
        e.exePath = QFile::symLinkTarget(dir + QStringLiteral("/exe"));
        if (e.exePath.isEmpty()) {
            QFile cmdline(dir + QStringLiteral("/cmdline"));
            if (cmdline.open(QIODevice::ReadOnly)) {
                const QByteArray all = cmdline.read(64 * 1024);
                e.exePath = QFile::decodeName(all.left(all.indexOf('\0')));
            }
        }
        if (e.exePath.isEmpty()) {
            QFile comm(dir + QStringLiteral("/comm"));
            if (comm.open(QIODevice::ReadOnly))
                e.exePath = QFile::decodeName(comm.readAll().trimmed());
        }
        entries.append(e);
    }
    if (entries.isEmpty())
        return std::nullopt; // no readable process table (our own process is always in a real one)
    std::sort(entries.begin(), entries.end(), [](const auto &a, const auto &b) { return a.id < b.id; });
    return entries;
}

QList<ProcessListRow> processListRows(const ProcessTable &table)
{
    const auto entries = table.snapshot();
    if (!entries)
        return { { QString(), QString::fromUtf16(ProcessListFailureText) } };
    QList<ProcessListRow> rows;
    rows.reserve(entries->size());
    for (const ProcessEntry &e : *entries)
        rows.append({ QString::number(e.id, 16).toUpper(), e.exePath });
    return rows;
}
