#include "gameprocess.h"

#include "logcategories.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <algorithm>

namespace {

constexpr int StartWaitMs = 5000;
constexpr int EndWaitMs = 3000;

} // namespace

GameProgramControl::~GameProgramControl()
{
    // A game outlives no messenger: the messenger ends its game as it
    // closes, and whatever owns this control is closing.
    kill();
    delete m_process;
}

void GameProgramControl::forget()
{
    if (m_process) {
        m_process->disconnect();
        m_process->deleteLater();
    }
    m_process = nullptr;
    m_handle = 0;
}

bool GameProgramControl::kill()
{
    // A program that already ended by itself cannot be ended; looking first
    // makes that answer independent of whether its end was noticed yet.
    if (!m_process)
        return false;
    // Ended from here: nobody is told it ended by itself.
    QObject::disconnect(m_process, &QProcess::finished, nullptr, nullptr);
    if (m_process->state() == QProcess::NotRunning || m_process->waitForFinished(0))
        return false;
    // QProcess signals only its own unreaped child, never a reused id.
    m_process->kill();
    return m_process->waitForFinished(EndWaitMs);
}

quintptr GameProgramControl::StartGameProgram(const QString &GameProgramPath, const QString &runtimeDirectory)
{
    if (m_process) {
        kill();
        forget();
    }
    if (GameProgramPath.isEmpty())
        return 0;
    auto *process = new QProcess;
    process->setProgram(GameProgramPath);
    process->setWorkingDirectory(QFileInfo(GameProgramPath).absolutePath());
    process->setStandardInputFile(QProcess::nullDevice());
    process->setProcessChannelMode(QProcess::ForwardedChannels);
    if (!runtimeDirectory.isEmpty()) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtimeDirectory);
        process->setProcessEnvironment(environment);
    }
    process->start();
    if (!process->waitForStarted(StartWaitMs) || process->processId() <= 0) {
        qCWarning(lcGame).noquote() << "game program" << GameProgramPath
                                    << "could not start:" << process->errorString();
        delete process;
        return 0;
    }
    m_process = process;
    m_handle = quintptr(process->processId());
    QObject::connect(
        process, &QProcess::finished, process, [this, pid = m_handle](int code, QProcess::ExitStatus status) {
            // Also how a game that sent its end report closes.
            if (status == QProcess::CrashExit)
                qCDebug(lcGame) << "game program" << pid << "crashed or was killed";
            else
                qCDebug(lcGame) << "game program" << pid << "ended by itself, exit code" << code;
            if (m_ended)
                m_ended();
        });
    return m_handle;
}

quintptr GameProgramControl::EndGameProgram()
{
    if (!m_handle)
        return 0;
    if (!kill())
        return m_handle;
    forget();
    return 0;
}
