#include "datagramchannel.h"

#include "addresswatch.h"
#include "datagramsend.h"

#include <QNetworkDatagram>
#include <QUdpSocket>
#include <QVariant>

#include <cstring>

namespace {

// How long the networks and the own addresses asked of the routing table
// stay good where no address watch reports changes.
constexpr qint64 OwnAddressLifetimeMs = 30000;
// At most this many destinations are remembered: a directory of invented
// addresses must not grow the cache without bound.
constexpr qsizetype MaxCachedOwnAddresses = 10000;
// The receive buffer asked of the system; it grants what its limit allows
// (on Linux net.core.rmem_max, twice over).
constexpr int LargestReceiveBuffer = 64 * 1024 * 1024;
// Received datagrams are handled in slices of about this long, so the
// window stays responsive while a flood is worked off; and taken from the
// reader this many at a time, so the queue's bound holds.
constexpr qint64 HandlingSliceMs = 20;
// How often what is queued is handled while the owner waits in a nested loop.
constexpr int NestedPumpIntervalMs = 10;
constexpr qsizetype TakenAtOnce = 4096;

// The last address made from the reader's raw form.
class AddressCache
{
public:
    const QHostAddress &of(quint32 v4, bool isV6, const Q_IPV6ADDR &v6, bool known)
    {
        if (!m_valid || known != m_known || isV6 != m_isV6
            || (isV6 ? std::memcmp(&v6, &m_v6, sizeof v6) != 0 : v4 != m_v4)) {
            m_valid = true;
            m_known = known;
            m_isV6 = isV6;
            m_v4 = v4;
            m_v6 = v6;
            // 0.0.0.0 stays an address: only the program itself passes a
            // null source, which counts as trusted.
            m_address = !known ? QHostAddress() : isV6 ? QHostAddress(v6) : QHostAddress(v4);
        }
        return m_address;
    }

private:
    bool m_valid = false;
    bool m_known = false;
    bool m_isV6 = false;
    quint32 m_v4 = 0;
    Q_IPV6ADDR m_v6 {};
    QHostAddress m_address;
};

// The address text names; a dotted quad, what the directory holds, is read
// without the general parser, which costs more than the send itself.
QHostAddress hostAddress(const QString &text)
{
    if (const std::optional<quint32> v4 = dottedQuadValue(text))
        return QHostAddress(*v4);
    return QHostAddress(text);
}

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
    m_nestedPump = new QTimer(this);
    m_nestedPump->setInterval(NestedPumpIntervalMs);
    connect(m_nestedPump, &QTimer::timeout, this, [this] {
        if (m_reader && queuedDatagrams() > 0)
            handleQueued();
    });
}

void DatagramChannel::setWaitingInNestedLoop(bool waiting)
{
    if (waiting)
        m_nestedPump->start();
    else
        m_nestedPump->stop();
}

DatagramChannel::~DatagramChannel()
{
    close();
}

bool DatagramChannel::open(qint32 port)
{
    close();
    m_closed = false;
    delete m_socket;
    m_socket = nullptr;
    if (port < 1 || port > 65535) {
        emit statusChanged(tr("[%1]ﾎﾟｰﾄ番号が正しくありません。ｵﾌﾟｼｮﾝでﾎﾟｰﾄ番号を変えて下さい。").arg(port));
        return false;
    }
    m_socket = new QUdpSocket(this);
    connect(m_socket, &QUdpSocket::errorOccurred, this, [this, port](QAbstractSocket::SocketError error) {
        emit statusChanged(socketErrorText(error, port, m_socket->errorString()));
    });
    // A failure has shown its reason in the status text through errorOccurred.
    if (!m_socket->bind(m_env.bindAddress, quint16(port)))
        return false;
    m_socket->setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, LargestReceiveBuffer);
    if (!m_reader) {
        m_reader = new DatagramReader(this);
        connect(m_reader, &DatagramReader::datagramsQueued, this, &DatagramChannel::handleQueued);
    }
    // Without a reader thread the socket is read here, as it arrives.
    if (!m_reader->start(m_socket->socketDescriptor()))
        connect(m_socket, &QUdpSocket::readyRead, this, &DatagramChannel::onReadyRead);
    if (m_env.listensEverywhere() && !m_watch) {
        m_watch = new AddressWatch(this);
        connect(m_watch, &AddressWatch::addressesChanged, this, &DatagramChannel::onAddressesChanged);
    }
    m_port = quint16(port);
    return true;
}

QString DatagramChannel::socketErrorText(QAbstractSocket::SocketError error, qint32 port, const QString &detail)
{
    using E = QAbstractSocket::SocketError;
    QString text;
    bool ownWords = true;
    switch (error) {
    case E::AddressInUseError:
        text = tr("ﾎﾟｰﾄ %1 は他のﾌﾟﾛｸﾞﾗﾑが使用中です。ｵﾌﾟｼｮﾝでﾎﾟｰﾄ番号を変えて下さい。").arg(port);
        break;
    case E::SocketAccessError:
        text = tr("ﾎﾟｰﾄ %1 を使う権限がありません。ｵﾌﾟｼｮﾝでﾎﾟｰﾄ番号を変えて下さい。").arg(port);
        break;
    case E::SocketAddressNotAvailableError:
        text = tr("指定されたIPｱﾄﾞﾚｽはこのPCにありません。");
        break;
    case E::SocketResourceError:
        text = tr("ｿｹｯﾄを作れません (資源が足りません)。");
        break;
    case E::DatagramTooLargeError:
        text = tr("送信ﾃﾞｰﾀが大きすぎます。");
        break;
    case E::NetworkError:
        text = tr("ﾈｯﾄﾜｰｸに接続できません。");
        break;
    case E::HostNotFoundError:
        text = tr("相手のPCが見つかりません。");
        break;
    default:
        text = tr("通信ｴﾗｰが発生しました。");
        ownWords = false;
        break;
    }
    if (!ownWords && !detail.isEmpty())
        text += QStringLiteral(" (") + detail + QLatin1Char(')');
    return QLatin1Char('[') + QString::number(int(error)) + QLatin1Char(']') + text;
}

void DatagramChannel::close()
{
    // What was read and not yet handled stays unhandled: a handler waiting
    // in a nested event loop returns to a pass that stops here.
    m_closed = true;
    // The reader stops before its socket closes under it.
    if (m_reader)
        m_reader->stop();
    if (m_socket)
        m_socket->close();
    delete m_watch;
    m_watch = nullptr;
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
    const QHostAddress host = hostAddress(address);
    if (host.isNull() || host.protocol() != QAbstractSocket::IPv4Protocol)
        return false;
    if (datagram.size() > MaxDatagramSize)
        return false;
    if (m_sender)
        return m_sender(datagram, host, m_port) == datagram.size();
    return m_socket->writeDatagram(datagram, host, m_port) == datagram.size();
}

void DatagramChannel::sendEach(const QList<std::pair<QString, QByteArray>> &datagrams)
{
    if (datagrams.isEmpty())
        return;
    m_remoteHost = datagrams.last().first;
    if (!isOpen())
        return;
    // What send would refuse is left out; the rest goes out in batches.
    QList<OutgoingDatagram> batch;
    batch.reserve(datagrams.size());
    for (const auto &[address, datagram] : datagrams) {
        bool isV4 = false;
        const quint32 host = hostAddress(address).toIPv4Address(&isV4);
        if (!isV4 || datagram.size() > MaxDatagramSize)
            continue;
        batch.append({ host, datagram });
    }
    qsizetype sent = 0;
    if (!m_sender && m_socket)
        sent = qMax<qsizetype>(0, sendDatagrams(m_socket->socketDescriptor(), m_port, batch));
    // The rest (every one where the system sends no batches) one by one.
    for (qsizetype i = sent; i < batch.size(); ++i) {
        const QHostAddress host(batch[i].ipv4);
        if (m_sender)
            m_sender(batch[i].datagram, host, m_port);
        else
            m_socket->writeDatagram(batch[i].datagram, host, m_port);
    }
}

const QList<LocalNetwork> &DatagramChannel::networks()
{
    // Where nobody reports address changes, they are noticed within a while.
    const bool watched = m_watch && m_watch->isWatching();
    if (m_networksKnown && !watched && m_networksAge.hasExpired(OwnAddressLifetimeMs))
        forgetNetworks();
    if (!m_networksKnown) {
        m_networks = localNetworks();
        for (const LocalNetwork &network : std::as_const(m_networks)) {
            if (!network.broadcastAddress.isEmpty())
                m_networkBroadcasts.insert(QHostAddress(network.broadcastAddress));
        }
        m_networksKnown = true;
        m_networksAge.start();
    }
    return m_networks;
}

void DatagramChannel::forgetNetworks()
{
    m_networks.clear();
    m_networkBroadcasts.clear();
    m_networksKnown = false;
    m_ownAddressCache.clear();
}

void DatagramChannel::onAddressesChanged()
{
    forgetNetworks();
    if (m_env.ownAddress.isEmpty())
        m_ownAddress = primaryIpv4Address();
    emit ownAddressesChanged();
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
    // can reach: the one the system sends to it from. On a network of our
    // own that is our address there (the most specific network first);
    // beyond them, the routing table is asked, once per destination.
    bool isV4 = false;
    const quint32 target = hostAddress(destination).toIPv4Address(&isV4);
    const LocalNetwork *best = nullptr;
    if (isV4) {
        for (const LocalNetwork &network : networks()) {
            if (network.contains(target) && (!best || network.prefixLength > best->prefixLength))
                best = &network;
        }
    }
    if (best)
        return best->ownAddress;
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

void DatagramChannel::broadcast(
    const std::function<QByteArray(const QString &ownAddress)> &datagramFrom, const QStringList &extraTargets)
{
    if (!isOpen())
        return;
    QSet<QString> sentTo;
    auto sendTo = [&](const QString &target, const QString &routeOwn) {
        const QString own = m_pinnedAddress.isEmpty() ? routeOwn : m_pinnedAddress;
        m_broadcastSources.insert(own);
        m_broadcastTargets.insert(QHostAddress(target));
        sentTo.insert(target);
        // A broadcast is nobody's conversation: the remote host stays the last peer.
        sendAside(target, datagramFrom(own));
    };
    if (m_env.listensEverywhere()) {
        for (const LocalNetwork &network : networks()) {
            if (!network.broadcastAddress.isEmpty() && !sentTo.contains(network.broadcastAddress))
                sendTo(network.broadcastAddress, network.ownAddress);
        }
    }
    for (const QString &target : extraTargets) {
        if (isDottedQuad(target) && !sentTo.contains(target) && QHostAddress(target) != QHostAddress::AnyIPv4)
            sendTo(target, ownAddressFor(target));
    }
}

qsizetype DatagramChannel::queuedDatagrams() const
{
    qsizetype count = 0;
    for (size_t i = 0; i < m_taken.size(); ++i)
        count += qsizetype(m_taken[i].items.size()) - qsizetype(i == 0 ? m_takenNext : 0);
    return count + (m_reader ? m_reader->queuedDatagrams() : 0);
}

void DatagramChannel::handleQueued()
{
    // A handler may wait in a nested event loop and come back here; each
    // pass takes the next datagram in order, so none is handled twice and
    // none overtakes another.
    QElapsedTimer slice;
    slice.start();
    ++m_passes;
    // Most datagrams of a run share their source or destination: their
    // addresses are made once.
    AddressCache source;
    AddressCache destination;
    for (int handled = 0;; ++handled) {
        if (m_closed)
            break;
        if (m_taken.empty()) {
            m_taken = m_reader->take(TakenAtOnce);
            m_takenNext = 0;
            if (m_taken.empty())
                break;
        }
        if (m_takenNext >= m_taken.front().items.size()) {
            m_spent.push_back(std::move(m_taken.front()));
            m_taken.pop_front();
            m_takenNext = 0;
            continue;
        }
        // Taken out: what the handler does to the queue cannot pull it away.
        DatagramReader::Batch::Item &item = m_taken.front().items[m_takenNext++];
        ParsedDatagram datagram = std::move(item.datagram);
        // Good until the next datagram of this pass: a nested pass has caches of its own.
        const QHostAddress &from = source.of(item.source4, item.sourceIsV6, item.source6, true);
        const QHostAddress &to
            = destination.of(item.destination4, item.destinationIsV6, item.destination6, item.hasDestination);
        const quint64 pass = m_passes;
        deliver(datagram, from, to);
        // Put back, to be freed with its batch where it was allocated,
        // unless a nested pass has moved on (and perhaps given it back).
        if (m_passes == pass)
            item.datagram = std::move(datagram);
        if (handled % 64 == 63 && slice.hasExpired(HandlingSliceMs)) {
            QMetaObject::invokeMethod(this, &DatagramChannel::handleQueued, Qt::QueuedConnection);
            break;
        }
    }
    m_reader->giveBack(m_spent);
    if (!m_dropReported && m_reader->dropped() > 0) {
        m_dropReported = true;
        emit statusChanged(tr("受信が集中したため、一部の電文を破棄しました。"));
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
    if (!isBlankDatagram(bytes))
        deliver(ParseDatagram(bytes), source, destination);
}

void DatagramChannel::deliver(
    const ParsedDatagram &datagram, const QHostAddress &source, const QHostAddress &destination)
{
    if (isOwnBroadcast(datagram, source, destination))
        return;
    // Only an announcement's answer depends on how it came.
    const bool announce = datagram.Kind == QLatin1String(MessageKind::Announce);
    emit received(datagram, source, announce && isBroadcastDestination(destination));
}

bool DatagramChannel::isBroadcastDestination(const QHostAddress &destination)
{
    // A destination that is not known to be a broadcast address counts as
    // our own: its announcement is answered at once, as always.
    if (destination.isNull() || destination.protocol() != QAbstractSocket::IPv4Protocol)
        return false;
    if (destination == QHostAddress(QHostAddress::Broadcast) || destination.isMulticast())
        return true;
    if (!m_env.listensEverywhere())
        return false;
    networks();
    return m_networkBroadcasts.contains(destination);
}

bool DatagramChannel::isOwnBroadcast(
    const ParsedDatagram &datagram, const QHostAddress &source, const QHostAddress &destination) const
{
    // Our own broadcast comes back to us from our own address.
    return datagram.Kind == QLatin1String(MessageKind::Announce) && !source.isNull()
        && m_broadcastSources.contains(datagram.IpAddr) && QHostAddress(datagram.IpAddr).isEqual(source)
        && (destination.isNull() || m_broadcastTargets.contains(destination));
}
