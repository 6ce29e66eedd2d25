#pragma once

#include <QObject>
#include <QString>

class QLocalServer;

// How a second start of a program asks the running one to come to the front.
//
// The running program listens on the local socket "<appName>.activate" in
// the user's runtime directory (user-only access). A second start connects
// and writes one request, then closes:
//
//   request = token LF
//   token   = the activation token the desktop gave the second start
//             (Wayland XDG_ACTIVATION_TOKEN, X11 DESKTOP_STARTUP_ID), UTF-8,
//             at most MaxTokenBytes bytes, possibly empty
//
// A request without its LF, a longer one, or a connection that sends
// nothing for a while is dropped.
class InstanceActivation : public QObject
{
    Q_OBJECT
public:
    static constexpr int MaxTokenBytes = 4096;

    InstanceActivation(const QString &runtimeDirectory, const QString &appName, QObject *parent = nullptr);
    ~InstanceActivation() override;

    // Starts listening for requests. Only the program that holds the
    // single-instance lock calls it, so a socket left behind is a stale one
    // and is replaced.
    bool listen();
    bool isListening() const;
    QString serverPath() const;

    // Asks the running program to come to the front. False when none
    // listens or it did not take the request within timeoutMs.
    static bool request(
        const QString &runtimeDirectory, const QString &appName, const QString &token, int timeoutMs = 2000);

signals:
    // A second start asked for the window; token as it sent it.
    void activationRequested(const QString &token);

private:
    QString m_runtimeDirectory;
    QString m_appName;
    QLocalServer *m_server = nullptr;
};
