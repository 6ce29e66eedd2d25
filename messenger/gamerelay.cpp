// The messenger's side of a network game: request, start, relay and end.
#include "frm_pelwickUDP.h"

#include <QDir>
#include <QFileInfo>

QString GameProgramName(const QString &gameId)
{
    if (gameId == QLatin1String("01"))
        return QStringLiteral("GOMOKU");
    if (gameId == QLatin1String("02"))
        return QStringLiteral("OTHELLO");
    return {};
}

bool frm_pelwickUDP::gameProgramExists(const QString &programName) const
{
#ifdef Q_OS_WIN
    const QString file = programName + QLatin1String(".exe");
#else
    const QString file = programName;
#endif
    const QFileInfo info(QDir(m_env.programDirectory).filePath(file));
    return info.isFile() && info.isExecutable();
}

void frm_pelwickUDP::startGame(const QString &) {}
void frm_pelwickUDP::relayToGame(const ParsedDatagram &) {}
void frm_pelwickUDP::partnerGameEnded() {}
bool frm_pelwickUDP::endGameProgram()
{
    return true;
}
void frm_pelwickUDP::sendRemovalRequest() {}
void frm_pelwickUDP::arrivalSound(const QString &) {}
void frm_pelwickUDP::showLampPopup() {}
