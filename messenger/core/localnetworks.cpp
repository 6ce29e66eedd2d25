#include "localnetworks.h"

#include <QHostAddress>
#include <QNetworkInterface>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

QString localAddressTowards(const QString &destination)
{
    const QHostAddress host(destination);
    bool isV4 = false;
    const quint32 v4 = host.toIPv4Address(&isV4);
    if (!isV4)
        return {};
    // Connecting a datagram socket sends nothing; it only asks the routing
    // table which source address the system would use.
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return {};
    sockaddr_in to {};
    to.sin_family = AF_INET;
    to.sin_port = htons(9);
    to.sin_addr.s_addr = htonl(v4);
    QString result;
    sockaddr_in local {};
    socklen_t length = sizeof local;
    if (::connect(fd, reinterpret_cast<const sockaddr *>(&to), sizeof to) == 0
        && ::getsockname(fd, reinterpret_cast<sockaddr *>(&local), &length) == 0 && local.sin_addr.s_addr != 0)
        result = QHostAddress(ntohl(local.sin_addr.s_addr)).toString();
    ::close(fd);
    return result;
}

bool LocalNetwork::contains(quint32 other) const
{
    const quint32 mask = prefixLength <= 0 ? 0u : ~quint32(0) << (32 - qMin(prefixLength, 32));
    return (other & mask) == (address & mask);
}

QList<LocalNetwork> localNetworks()
{
    QList<LocalNetwork> networks;
    const QList<QNetworkInterface> interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface &i : interfaces) {
        const auto flags = i.flags();
        if (!flags.testFlag(QNetworkInterface::IsUp) || !flags.testFlag(QNetworkInterface::IsRunning)
            || flags.testFlag(QNetworkInterface::IsLoopBack))
            continue;
        const bool canBroadcast = flags.testFlag(QNetworkInterface::CanBroadcast);
        const QList<QNetworkAddressEntry> entries = i.addressEntries();
        for (const QNetworkAddressEntry &e : entries) {
            if (e.ip().protocol() != QAbstractSocket::IPv4Protocol)
                continue;
            const int prefix = e.prefixLength() < 0 ? 32 : e.prefixLength();
            const QString broadcast = canBroadcast && !e.broadcast().isNull() ? e.broadcast().toString() : QString();
            networks.append({ e.ip().toString(), e.ip().toIPv4Address(), prefix, broadcast });
        }
    }
    return networks;
}
