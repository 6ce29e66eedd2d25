#pragma once

#include <QDeadlineTimer>
#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

// A real X11 desktop of a test's own: Xvfb, the openbox window manager and,
// when asked for, a trayer notification area. Programs started with
// environment() run on it through the xcb platform with their own config,
// data and runtime folders. Tests skip when a tool is missing.
class XDesktop
{
public:
    // The tools a desktop needs, as a skip message; empty when all are there.
    static QString missingTools(bool tray)
    {
        QStringList tools { QStringLiteral("Xvfb"), QStringLiteral("openbox"), QStringLiteral("xdotool"),
            QStringLiteral("xwininfo"), QStringLiteral("xprop") };
        if (tray)
            tools.append(QStringLiteral("trayer"));
        for (const QString &tool : std::as_const(tools)) {
            if (QStandardPaths::findExecutable(tool).isEmpty())
                return tool + QStringLiteral(" is missing (scripts/install-deps.sh installs it)");
        }
        return {};
    }

    // Starts the server, the window manager and the tray; false on failure.
    // A desktop that does not come up is started once more on a new server
    // (seen rarely in a loaded parallel run), saying what went wrong.
    bool start(bool tray)
    {
        for (int attempt = 0; attempt < 2; ++attempt) {
            if (startServerAndManager())
                return !tray || startTray();
            stopAll();
        }
        return false;
    }

    bool startTray()
    {
        startTool(m_tray, QStringLiteral("trayer"));
        return waitUntil([this] {
            return !x(QStringLiteral("xdotool"), { QStringLiteral("search"), QStringLiteral("--class"), QStringLiteral("trayer") })
                        .trimmed()
                        .isEmpty();
        });
    }

    // Lets the event loop run until condition holds; false after timeoutMs.
    template <typename Condition> static bool waitUntil(Condition condition, int timeoutMs = 30000)
    {
        QDeadlineTimer deadline(timeoutMs);
        while (!condition()) {
            if (deadline.hasExpired())
                return false;
            QTest::qWait(50);
        }
        return true;
    }

    // The X server ends, as a display manager ends it at log-out.
    void killServer()
    {
        m_server.kill();
        m_server.waitForFinished(5000);
    }

    // The tray host quits, as when a panel restarts.
    void stopTray()
    {
        m_tray.terminate();
        m_tray.waitForFinished(5000);
    }

    ~XDesktop() { stopAll(); }

    QProcessEnvironment environment() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DISPLAY"), m_display);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_home.filePath(QStringLiteral("config")));
        env.insert(QStringLiteral("XDG_DATA_HOME"), m_home.filePath(QStringLiteral("data")));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtimeDir());
        return env;
    }
    QString configDir() const { return m_home.filePath(QStringLiteral("config")); }
    QString runtimeDir() const
    {
        const QString dir = m_home.filePath(QStringLiteral("runtime"));
        QDir().mkpath(dir);
        QFile::setPermissions(dir, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        return dir;
    }

    // Runs an X tool on this desktop and returns what it printed.
    QString x(const QString &tool, const QStringList &arguments) const
    {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DISPLAY"), m_display);
        p.setProcessEnvironment(env);
        p.start(tool, arguments);
        p.waitForFinished(10000);
        return QString::fromLocal8Bit(p.readAllStandardOutput());
    }

    // The ids of the visible top-level windows whose title matches pattern.
    QStringList visibleWindows(const QString &pattern) const
    {
        return x(QStringLiteral("xdotool"), { QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                                QStringLiteral("--name"), pattern })
            .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

    // Whether the window is mapped and shown (not withdrawn, not iconic).
    bool viewable(const QString &window) const
    {
        return x(QStringLiteral("xwininfo"), { QStringLiteral("-id"), window })
            .contains(QLatin1String("Map State: IsViewable"));
    }

    // Whether the window is hidden by its program (as into a tray), not
    // merely iconified by the window manager on the way there.
    bool withdrawn(const QString &window) const
    {
        return !viewable(window)
            && !x(QStringLiteral("xprop"), { QStringLiteral("-id"), window, QStringLiteral("WM_STATE") })
                    .contains(QLatin1String("Iconic"));
    }

    // The desktop's state in a line, for a failure message.
    QString state()
    {
        return QStringLiteral("openbox %1, %2; openbox said: %3")
            .arg(m_windowManager.state() == QProcess::Running ? QStringLiteral("running") : QStringLiteral("ended"),
                managerIsReady() ? QStringLiteral("work area set") : QStringLiteral("no work area yet"),
                QString::fromLocal8Bit(m_windowManager.readAllStandardError()).trimmed());
    }

private:
    bool startServerAndManager()
    {
        m_server.start(QStringLiteral("Xvfb"), { QStringLiteral("-displayfd"), QStringLiteral("1"),
                                                   QStringLiteral("-screen"), QStringLiteral("0"),
                                                   QStringLiteral("1280x800x24"), QStringLiteral("-nolisten"),
                                                   QStringLiteral("tcp") });
        if (!m_server.waitForReadyRead(15000)) {
            qWarning("Xvfb did not start: %s", m_server.readAllStandardError().constData());
            return false;
        }
        m_display = QLatin1Char(':') + QString::fromLatin1(m_server.readLine()).trimmed();
        startTool(m_windowManager, QStringLiteral("openbox"));
        // openbox claims the screen first and maps nothing until it has read
        // its configuration and theme; the work area is the last thing it
        // sets on the way. Windows shown before would wait unmapped.
        const bool managed = waitUntil([this] { return managerIsReady(); });
        if (!managed)
            qWarning("openbox did not become ready on %s: %s", qPrintable(m_display), qPrintable(state()));
        return managed;
    }

    bool managerIsReady() const
    {
        return x(QStringLiteral("xprop"), { QStringLiteral("-root"), QStringLiteral("_NET_WORKAREA") })
            .contains(QLatin1String(" = "));
    }

    void stopAll()
    {
        for (QProcess *p : { &m_tray, &m_windowManager, &m_server }) {
            p->terminate();
            if (!p->waitForFinished(5000))
                p->kill();
        }
    }

    void startTool(QProcess &process, const QString &tool)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DISPLAY"), m_display);
        // The tools' own settings and caches, away from the user's.
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_home.filePath(QStringLiteral("tools/config")));
        env.insert(QStringLiteral("XDG_CACHE_HOME"), m_home.filePath(QStringLiteral("tools/cache")));
        process.setProcessEnvironment(env);
        process.setStandardOutputFile(QProcess::nullDevice());
        process.start(tool, {});
        process.waitForStarted();
    }

    QTemporaryDir m_home;
    QProcess m_server;
    QProcess m_windowManager;
    QProcess m_tray;
    QString m_display;
};
