#include "instanceactivation.h"

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>

namespace {

// A connection that has not completed its request by then is dropped.
constexpr int RequestTimeoutMs = 5000;

QString activationPath(const QString &runtimeDirectory, const QString &appName)
{
    return QDir(runtimeDirectory).filePath(appName + QLatin1String(".activate"));
}

} // namespace

InstanceActivation::InstanceActivation(const QString &runtimeDirectory, const QString &appName, QObject *parent)
    : QObject(parent)
    , m_runtimeDirectory(runtimeDirectory)
    , m_appName(appName)
{
}

InstanceActivation::~InstanceActivation()
{
    if (m_server)
        m_server->close();
}

QString InstanceActivation::serverPath() const
{
    return activationPath(m_runtimeDirectory, m_appName);
}

bool InstanceActivation::isListening() const
{
    return m_server && m_server->isListening();
}

bool InstanceActivation::listen()
{
    if (isListening())
        return true;
    if (!QDir().mkpath(m_runtimeDirectory))
        return false;
    const QString path = serverPath();
    QLocalServer::removeServer(path);
    if (!m_server) {
        m_server = new QLocalServer(this);
        m_server->setSocketOptions(QLocalServer::UserAccessOption);
        connect(m_server, &QLocalServer::newConnection, this, [this] {
            while (QLocalSocket *socket = m_server->nextPendingConnection()) {
                auto *timeout = new QTimer(socket);
                timeout->setSingleShot(true);
                connect(timeout, &QTimer::timeout, socket, &QLocalSocket::abort);
                timeout->start(RequestTimeoutMs);
                connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
                connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
                    if (!socket->canReadLine()) {
                        if (socket->bytesAvailable() > MaxTokenBytes)
                            socket->abort();
                        return;
                    }
                    const QByteArray line = socket->readLine();
                    socket->disconnectFromServer();
                    if (!line.endsWith('\n') || line.size() > MaxTokenBytes + 1)
                        return;
                    emit activationRequested(QString::fromUtf8(line.chopped(1)));
                });
            }
        });
    }
    return m_server->listen(path);
}

bool InstanceActivation::request(
    const QString &runtimeDirectory, const QString &appName, const QString &token, int timeoutMs)
{
    QByteArray request = token.toUtf8().left(MaxTokenBytes);
    request.replace('\n', ' ');
    request.append('\n');
    QLocalSocket socket;
    socket.connectToServer(activationPath(runtimeDirectory, appName));
    if (!socket.waitForConnected(timeoutMs))
        return false;
    if (socket.write(request) != request.size())
        return false;
    while (socket.bytesToWrite() > 0) {
        if (!socket.waitForBytesWritten(timeoutMs))
            return false;
    }
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState)
        socket.waitForDisconnected(timeoutMs);
    return true;
}
