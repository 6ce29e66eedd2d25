#include "gameprograms.h"

#include "datagram.h"
#include "link.h"

#include <QDir>
#include <QFileInfo>

SystemGamePrograms::SystemGamePrograms(const QString &programDirectory, const QString &runtimeDirectory)
    : m_programDirectory(programDirectory)
    , m_runtimeDirectory(runtimeDirectory)
{
}

QString SystemGamePrograms::fileName(const QString &programName)
{
#ifdef Q_OS_WIN
    return programName + QLatin1String(".exe");
#else
    return programName;
#endif
}

bool SystemGamePrograms::exists(const QString &programName) const
{
    const QFileInfo info(QDir(m_programDirectory).filePath(fileName(programName)));
    return info.isFile() && info.isExecutable();
}

bool SystemGamePrograms::start(const QString &programName)
{
    const QString GameProgramPath = QDir(m_programDirectory).filePath(fileName(programName));
    return m_control.StartGameProgram(GameProgramPath, m_runtimeDirectory) != 0;
}

quintptr SystemGamePrograms::GameProcessHandle() const
{
    return m_control.GameProcessHandle();
}

bool SystemGamePrograms::end()
{
    return m_control.EndGameProgram() == 0;
}

bool SystemGamePrograms::poke(const QString &text, const QString &application)
{
    return SendLinkText(text, application, m_runtimeDirectory);
}

void SystemGamePrograms::setEndedHandler(std::function<void()> ended)
{
    m_control.setEndedHandler(std::move(ended));
}

QString gameProgramName(const QString &gameId)
{
    if (gameId == GameIds::Gomoku)
        return QStringLiteral("GOMOKU");
    if (gameId == GameIds::Othello)
        return QStringLiteral("OTHELLO");
    return {};
}
