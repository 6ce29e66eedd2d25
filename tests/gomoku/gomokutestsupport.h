#pragma once

#include "gomokulink.h"

#include <QProcess>

namespace GomokuTest {

inline QString text(const char *code, const QString &data = {})
{
    return GomokuLink::linkMessage(QLatin1String(code), data);
}

// Starts the shipped program, which finds its runtime directory the
// standard way.
inline void startGame(QProcess &process, const QString &runtimeDir)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtimeDir);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(QStringLiteral(PELWICK_BIN_DIR "/GOMOKU"), {});
}

} // namespace GomokuTest
