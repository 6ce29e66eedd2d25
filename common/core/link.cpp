#include "link.h"

#include "cp932.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QList>
#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>
#include <QStandardPaths>
#include <QTimer>

#include <optional>

#if defined(Q_OS_LINUX)
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace {

constexpr char Magic[4] = { 'P', 'L', 'N', 'K' };
constexpr char Accepted = 'A';
constexpr char Refused = 'R';
constexpr qsizetype MaxItemBytes = 255;
constexpr qsizetype HeaderBytes = 4 + 1; // magic, item length

QString runtimeDirOrDefault(const QString &runtimeDir)
{
    if (!runtimeDir.isEmpty())
        return runtimeDir;
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
}

// A name as one safe file-name component.
QString fileNamePart(const QString &name)
{
    QString out;
    const QByteArray utf8 = name.toLower().toUtf8();
    for (const char c : utf8) {
        const auto u = static_cast<unsigned char>(c);
        if ((u >= 'a' && u <= 'z') || (u >= '0' && u <= '9') || u == '-' || u == '_')
            out += QLatin1Char(c);
        else
            out += QStringLiteral("%%1").arg(u, 2, 16, QLatin1Char('0')).toUpper();
    }
    return out;
}

// Whether the other end of a connected local socket runs as this user. Where
// the platform cannot tell, the socket's access rights alone guard it.
bool peerIsSameUser(const QLocalSocket &socket)
{
#if defined(Q_OS_LINUX)
    ucred cred {};
    socklen_t len = sizeof cred;
    if (::getsockopt(int(socket.socketDescriptor()), SOL_SOCKET, SO_PEERCRED, &cred, &len) != 0)
        return false;
    return cred.uid == ::geteuid();
#else
    Q_UNUSED(socket);
    return true;
#endif
}

// Whether a program answers on path: a stale socket left by a crashed program
// refuses the connection at once.
bool somebodyListens(const QString &path)
{
    QLocalSocket probe;
    probe.connectToServer(path);
    const bool live = probe.waitForConnected(1000);
    probe.abort();
    return live;
}

// Waits until ready() holds, the socket is gone or the deadline passes, with
// the event loop running when there is one.
template <typename Ready> void waitFor(QLocalSocket &socket, const QDeadlineTimer &deadline, Ready ready)
{
    const auto done
        = [&] { return ready() || socket.state() == QLocalSocket::UnconnectedState || deadline.hasExpired(); };
    const auto waitBlocking = [&] {
        while (!done()) {
            if (socket.state() == QLocalSocket::ConnectingState)
                socket.waitForConnected(int(deadline.remainingTime()));
            else
                socket.waitForReadyRead(int(deadline.remainingTime()));
        }
    };
    if (!QCoreApplication::instance()) {
        waitBlocking();
        return;
    }
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    QObject::connect(&socket, &QLocalSocket::connected, &loop, &QEventLoop::quit);
    QObject::connect(&socket, &QLocalSocket::readyRead, &loop, &QEventLoop::quit);
    QObject::connect(&socket, &QLocalSocket::disconnected, &loop, &QEventLoop::quit);
    QObject::connect(&socket, &QLocalSocket::errorOccurred, &loop, &QEventLoop::quit);
    while (!done()) {
        timer.start(int(qMax<qint64>(1, deadline.remainingTime())));
        // Once the application quits, a nested loop returns at once: it
        // would spin until the deadline, so the rest of the wait blocks.
        if (loop.exec() < 0) {
            waitBlocking();
            return;
        }
    }
}

} // namespace

// One conversation on the server side. Owned by the source; its socket is
// its child.
class LinkConversation : public QObject
{
public:
    explicit LinkConversation(QLocalSocket *s, QObject *parent)
        : QObject(parent)
        , socket(s)
    {
        socket->setParent(this);
        stall.setSingleShot(true);
        stall.setInterval(LinkStallMs);
    }

    QLocalSocket *socket;
    QTimer stall;
    QByteArray buffer;
    QString item;
    QString text;
    bool answered = false;
    bool accepted = false;
    bool ended = false;
};

namespace {

enum class Parse { Incomplete, Garbage, Complete };

// Parses one request from buffer; on Complete fills item and text bytes.
Parse parseRequest(const QByteArray &buffer, QByteArray &item, QByteArray &text, bool &tooLong)
{
    const qsizetype magicSeen = qMin<qsizetype>(buffer.size(), 4);
    if (QByteArrayView(buffer.constData(), magicSeen) != QByteArrayView(Magic, magicSeen))
        return Parse::Garbage;
    if (buffer.size() < HeaderBytes)
        return Parse::Incomplete;
    const auto itemLen = qsizetype(static_cast<unsigned char>(buffer.at(4)));
    if (itemLen == 0)
        return Parse::Garbage;
    const qsizetype lengthAt = HeaderBytes + itemLen;
    if (buffer.size() < lengthAt + 4)
        return Parse::Incomplete;
    const auto *p = reinterpret_cast<const unsigned char *>(buffer.constData() + lengthAt);
    const quint32 textLen = (quint32(p[0]) << 24) | (quint32(p[1]) << 16) | (quint32(p[2]) << 8) | quint32(p[3]);
    item = buffer.mid(HeaderBytes, itemLen);
    if (textLen > quint32(LinkMaxTextBytes)) {
        // Answered with a refusal without reading the text.
        tooLong = true;
        return Parse::Complete;
    }
    if (buffer.size() < lengthAt + 4 + qsizetype(textLen))
        return Parse::Incomplete;
    text = buffer.mid(lengthAt + 4, textLen);
    return Parse::Complete;
}

} // namespace

struct LinkSource::Private
{
    QString application;
    QString topic;
    QString runtimeDir;
    QStringList items; // lower case
    QString error;
    QLocalServer *server = nullptr;
    QList<LinkConversation *> conversations;

    // Ends are reported in the order they happened, never nested in each
    // other nor inside a poked() handler: a handler that pumps events may see
    // further conversations end, and those wait their turn.
    struct Ended
    {
        QString item;
        QString text;
    };
    QList<Ended> ended;
    int pokeDepth = 0;
    bool reportingEnds = false;
};

LinkSource::LinkSource(const QString &application, const QString &runtimeDir, const QString &topic, QObject *parent)
    : QObject(parent)
    , d(new Private)
{
    d->application = application;
    d->topic = topic;
    d->runtimeDir = runtimeDirOrDefault(runtimeDir);
}

LinkSource::~LinkSource()
{
    // No callbacks into a half-destroyed source.
    for (LinkConversation *c : std::as_const(d->conversations)) {
        c->socket->disconnect();
        c->stall.disconnect();
    }
    if (d->server)
        d->server->disconnect();
    delete d;
}

void LinkSource::addItem(const QString &item)
{
    const QString key = item.toLower();
    if (!d->items.contains(key))
        d->items.append(key);
}

QString LinkSource::serverPath() const
{
    return linkServerPath(d->application, d->topic, d->runtimeDir);
}

bool LinkSource::isListening() const
{
    return d->server && d->server->isListening();
}

void LinkSource::close()
{
    if (d->server)
        d->server->close();
}

bool LinkSource::listen()
{
    if (isListening())
        return true;
    d->error.clear();
    if (!QDir().mkpath(d->runtimeDir)) {
        d->error = tr("Cannot create the runtime directory %1").arg(d->runtimeDir);
        return false;
    }
    const QString path = serverPath();
    // Qt replaces an existing socket file when it listens with access
    // options, so a live holder must be found before, not by a failing bind.
    if (QFileInfo(path).exists() || QFileInfo(path).isSymLink()) {
        if (somebodyListens(path)) {
            d->error = tr("Another program already serves %1|%2").arg(d->application, d->topic);
            return false;
        }
        QLocalServer::removeServer(path);
    }
    if (!d->server) {
        d->server = new QLocalServer(this);
        d->server->setSocketOptions(QLocalServer::UserAccessOption);
        connect(d->server, &QLocalServer::newConnection, this, [this] {
            while (QLocalSocket *s = d->server->nextPendingConnection()) {
                if (!peerIsSameUser(*s)) {
                    s->abort();
                    s->deleteLater();
                    continue;
                }
                auto *c = new LinkConversation(s, this);
                d->conversations.append(c);
                startConversation(c);
            }
        });
    }
    if (!d->server->listen(path)) {
        d->error = d->server->errorString();
        return false;
    }
    return true;
}

QString LinkSource::errorString() const
{
    return d->error;
}

void LinkSource::startConversation(LinkConversation *c)
{
    connect(&c->stall, &QTimer::timeout, c, [this, c] { endConversation(c); });
    connect(c->socket, &QLocalSocket::disconnected, c, [this, c] { endConversation(c); });
    connect(c->socket, &QLocalSocket::readyRead, c, [this, c] { readConversation(c); });
    c->stall.start();
    if (c->socket->bytesAvailable() > 0)
        readConversation(c);
}

void LinkSource::readConversation(LinkConversation *c)
{
    if (c->ended)
        return;
    if (c->answered) {
        c->socket->readAll(); // nothing more is expected; ignore it
        return;
    }
    c->buffer += c->socket->readAll();
    QByteArray itemBytes;
    QByteArray textBytes;
    bool tooLong = false;
    switch (parseRequest(c->buffer, itemBytes, textBytes, tooLong)) {
    case Parse::Incomplete:
        return;
    case Parse::Garbage:
        endConversation(c);
        return;
    case Parse::Complete:
        break;
    }
    c->buffer.clear();
    c->answered = true;
    c->item = Cp932::decode(itemBytes);
    c->accepted = !tooLong && d->items.contains(c->item.toLower());
    c->socket->write(c->accepted ? &Accepted : &Refused, 1);
    c->socket->flush();
    c->stall.start(); // now waiting for the client to close
    if (!c->accepted)
        return;
    c->text = Cp932::decode(textBytes);
    const QPointer<LinkSource> self(this);
    ++d->pokeDepth;
    emit poked(c->item, c->text);
    if (!self)
        return;
    --d->pokeDepth;
    reportEnds();
}

void LinkSource::endConversation(LinkConversation *c)
{
    if (c->ended)
        return;
    c->ended = true;
    c->stall.stop();
    c->socket->disconnect();
    c->socket->abort();
    d->conversations.removeOne(c);
    c->deleteLater();
    if (c->accepted) {
        d->ended.append({ c->item, c->text });
        reportEnds();
    }
}

void LinkSource::reportEnds()
{
    if (d->pokeDepth > 0 || d->reportingEnds)
        return;
    const QPointer<LinkSource> self(this);
    d->reportingEnds = true;
    while (!d->ended.isEmpty()) {
        const Private::Ended e = d->ended.takeFirst();
        emit conversationClosed(e.item, e.text);
        if (!self)
            return;
    }
    d->reportingEnds = false;
}

LinkPokeResult pokeLink(const QString &application, const QString &topic, const QString &item, const QString &text,
    const QString &runtimeDir, int timeoutMs)
{
    const QByteArray itemBytes = Cp932::encode(item);
    const QByteArray textBytes = Cp932::encode(text);
    if (itemBytes.isEmpty() || itemBytes.size() > MaxItemBytes || textBytes.size() > LinkMaxTextBytes)
        return LinkPokeResult::Refused;
    const QString path = linkServerPath(application, topic, runtimeDir);
    if (!QFileInfo::exists(path))
        return LinkPokeResult::NoListener;

    const QDeadlineTimer deadline(qMax(0, timeoutMs));
    QLocalSocket socket;
    socket.connectToServer(path);
    waitFor(socket, deadline, [&] { return socket.state() == QLocalSocket::ConnectedState; });
    if (socket.state() != QLocalSocket::ConnectedState) {
        const bool stillConnecting = socket.state() == QLocalSocket::ConnectingState;
        socket.abort();
        return stillConnecting ? LinkPokeResult::NoAnswer : LinkPokeResult::NoListener;
    }
    // A socket planted under our name by someone else gets nothing.
    if (!peerIsSameUser(socket)) {
        socket.abort();
        return LinkPokeResult::Refused;
    }

    QByteArray request;
    request.reserve(HeaderBytes + itemBytes.size() + 4 + textBytes.size());
    request.append(Magic, 4);
    request.append(char(itemBytes.size()));
    request.append(itemBytes);
    const auto n = quint32(textBytes.size());
    request.append(char(n >> 24)).append(char(n >> 16)).append(char(n >> 8)).append(char(n));
    request.append(textBytes);
    socket.write(request);

    waitFor(socket, deadline, [&] { return socket.bytesAvailable() > 0; });
    char answer = 0;
    const bool gotAnswer = socket.bytesAvailable() > 0 && socket.getChar(&answer);
    // Closing ends the conversation; the source reports its link close.
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState)
        socket.abort();
    if (!gotAnswer)
        return LinkPokeResult::NoAnswer;
    return answer == Accepted ? LinkPokeResult::Accepted : LinkPokeResult::Refused;
}

bool SendLinkText(const QString &text, const QString &application, const QString &runtimeDir)
{
    return pokeLink(application, QString::fromLatin1(LinkTopic), QString::fromLatin1(LinkInputItem), text, runtimeDir)
        == LinkPokeResult::Accepted;
}

QString linkServerPath(const QString &application, const QString &topic, const QString &runtimeDir)
{
    return runtimeDirOrDefault(runtimeDir) + QStringLiteral("/pelwick-link-") + fileNamePart(application)
        + QLatin1Char('.') + fileNamePart(topic);
}
