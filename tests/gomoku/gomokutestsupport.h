#pragma once

#include "gomokulink.h"

#include <QApplication>
#include <QMessageBox>
#include <QProcess>
#include <QTimer>

// Answers every message box as soon as it shows and remembers its text.
class BoxCatcher : public QObject
{
public:
    BoxCatcher()
    {
        connect(&m_timer, &QTimer::timeout, this, &BoxCatcher::poll);
        m_timer.start(5);
    }

    QStringList texts;
    QStringList titles;

private:
    void poll()
    {
        const QList<QWidget *> windows = QApplication::topLevelWidgets();
        for (QWidget *w : windows) {
            auto *box = qobject_cast<QMessageBox *>(w);
            if (!box || !box->isVisible())
                continue;
            texts.append(box->text());
            titles.append(box->windowTitle());
            box->done(QMessageBox::Ok);
        }
    }

    QTimer m_timer;
};

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
