#include "datagramchannel.h"

#include "pelwickUDP080.h"

#include <QNetworkDatagram>
#include <QUdpSocket>
#include <QVariant>

namespace {

// How long an own address asked of the routing table stays good.
constexpr qint64 OwnAddressLifetimeMs = 30000;
// At most this many destinations are remembered: a directory of invented
// addresses must not grow the cache without bound.
constexpr qsizetype MaxCachedOwnAddresses = 10000;

} // namespace

DatagramChannel::DatagramChannel(const SessionEnvironment &environment, QObject *parent)
    : QObject(parent)
    , m_env(environment)
{
    if (!m_env.ownAddress.isEmpty())
        m_ownAddress = m_env.ownAddress;
    else
        m_ownAddress = m_env.listensEverywhere() ? primaryIpv4Address() : m_env.bindAddress.toString();
    // At start the remote host is the own machine.
    m_remoteHost = m_ownAddress;
}

DatagramChannel::~DatagramChannel() = default;

bool DatagramChannel::open(qint32 port)
{
    close();
    delete m_socket;
    m_socket = nullptr;
    if (port < 1 || port > 65535) {
        emit statusChanged(QStringLiteral("[%1]Invalid port number").arg(port));
        return false;
    }
    m_socket = new QUdpSocket(this);
    connect(m_socket, &QUdpSocket::readyRead, this, &DatagramChannel::onReadyRead);
    connect(m_socket, &QUdpSocket::errorOccurred, this, [this](QAbstractSocket::SocketError error) {
        emit statusChanged(QLatin1Char('[') + QString::number(int(error)) + QLatin1Char(']') + m_socket->errorString());
    });
    // A failure has shown its reason in the status text through errorOccurred.
    if (!m_socket->bind(m_env.bindAddress, quint16(port)))
        return false;
    m_socket->setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, 1024 * 1024);
    m_port = quint16(port);
    return true;
}

void DatagramChannel::close()
{
    if (m_socket)
        m_socket->close();
    m_port = 0;
}

void DatagramChannel::setDatagramSender(DatagramSender sender, quint16 port)
{
    m_sender = std::move(sender);
    m_port = port;
}

bool DatagramChannel::send(const QString &address, const QByteArray &datagram)
{
    m_remoteHost = address;
    return sendAside(address, datagram);
}

bool DatagramChannel::sendAside(const QString &address, const QByteArray &datagram)
{
    if (!isOpen())
        return false;
    const QHostAddress host(address);
    if (host.isNull() || host.protocol() != QAbstractSocket::IPv4Protocol)
        return false;
    if (datagram.size() > MaxDatagramSize)
        return false;
    if (m_sender)
        return m_sender(datagram, host, m_port) == datagram.size();
    return m_socket->writeDatagram(datagram, host, m_port) == datagram.size();
}

QString DatagramChannel::ownAddressFor(const QString &destination)
{
    // A messenger given its address, pinned by the user, or bound to one
    // address always names that one.
    if (!m_env.ownAddress.isEmpty())
        return m_env.ownAddress;
    if (!m_pinnedAddress.isEmpty())
        return m_pinnedAddress;
    if (!m_env.listensEverywhere())
        return m_ownAddress;
    // On a host with several networks, each peer must be told the address it
    // can reach: the one the system sends to it from.
    if (!m_ownAddressAge.isValid() || m_ownAddressAge.hasExpired(OwnAddressLifetimeMs)) {
        m_ownAddressCache.clear();
        m_ownAddressAge.start();
    }
    auto cached = m_ownAddressCache.constFind(destination);
    if (cached != m_ownAddressCache.constEnd())
        return *cached;
    QString own = localAddressTowards(destination);
    if (own.isEmpty() || QHostAddress(own).isLoopback())
        own = m_ownAddress;
    if (m_ownAddressCache.size() < MaxCachedOwnAddresses)
        m_ownAddressCache.insert(destination, own);
    return own;
}

void DatagramChannel::broadcast(const std::function<QByteArray(const QString &ownAddress)> &datagramFrom)
{
    if (!m_env.listensEverywhere() || !isOpen())
        return;
    const QList<BroadcastRoute> routes = broadcastRoutes();
    for (const BroadcastRoute &route : routes) {
        const QString own = m_pinnedAddress.isEmpty() ? route.ownAddress : m_pinnedAddress;
        m_broadcastSources.insert(own);
        m_broadcastTargets.insert(QHostAddress(route.broadcastAddress));
        // A broadcast is nobody's conversation: the remote host stays the last peer.
        sendAside(route.broadcastAddress, datagramFrom(own));
    }
}

void DatagramChannel::onReadyRead()
{
    // Drain everything pending: one ready-read may stand for many datagrams.
    while (m_socket->hasPendingDatagrams()) {
        const QNetworkDatagram datagram = m_socket->receiveDatagram(MaxDatagramSize);
        if (!datagram.isValid())
            break;
        receive(datagram.data(), datagram.senderAddress(), datagram.destinationAddress());
    }
}

void DatagramChannel::receive(QByteArrayView bytes, const QHostAddress &source, const QHostAddress &destination)
{
    if (isBlankDatagram(bytes))
        return;
    const ParsedDatagram datagram = ParseDatagram(bytes);
    if (!isOwnBroadcast(datagram, source, destination))
        emit received(datagram, source);
}

bool DatagramChannel::isOwnBroadcast(
    const ParsedDatagram &datagram, const QHostAddress &source, const QHostAddress &destination) const
{
    // Our own broadcast comes back to us from our own address.
    return datagram.Kind == QLatin1String(MessageKind::Announce) && !source.isNull()
        && m_broadcastSources.contains(datagram.IpAddr) && QHostAddress(datagram.IpAddr).isEqual(source)
        && (destination.isNull() || m_broadcastTargets.contains(destination));
}
