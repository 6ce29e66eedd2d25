#include "addresswatch.h"

#include "localnetworks.h"

#include <QSocketNotifier>
#include <QTimer>

#include <algorithm>
#include <cerrno>

#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// How long notifications must have been quiet before the addresses are
// compared: a change comes as several messages (old address gone, new one
// added, routes), and a lease change as a removal and an addition.
constexpr int SettleMs = 1000;
// Notifications that never settle (a flapping link) still get the addresses
// compared this often.
constexpr qint64 LongestSettleMs = 5000;

QList<quint32> runningAddresses()
{
    QList<quint32> addresses;
    const QList<LocalNetwork> networks = localNetworks();
    for (const LocalNetwork &network : networks)
        addresses.append(network.address);
    std::sort(addresses.begin(), addresses.end());
    return addresses;
}

} // namespace

AddressWatch::AddressWatch(QObject *parent)
    : QObject(parent)
    , m_settle(new QTimer(this))
{
    m_settle->setSingleShot(true);
    m_settle->setInterval(SettleMs);
    connect(m_settle, &QTimer::timeout, this, &AddressWatch::compare);

    const int fd = ::socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC | SOCK_NONBLOCK, NETLINK_ROUTE);
    if (fd < 0)
        return;
    sockaddr_nl local {};
    local.nl_family = AF_NETLINK;
    local.nl_groups = RTMGRP_IPV4_IFADDR | RTMGRP_LINK;
    if (::bind(fd, reinterpret_cast<const sockaddr *>(&local), sizeof local) != 0) {
        ::close(fd);
        return;
    }
    m_descriptor = fd;
    m_known = runningAddresses();
    m_notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &AddressWatch::onNotified);
}

AddressWatch::~AddressWatch()
{
    delete m_notifier;
    if (m_descriptor >= 0)
        ::close(m_descriptor);
}

void AddressWatch::onNotified()
{
    // What the messages say does not matter: the addresses are compared
    // once they settle. An overrun (ENOBUFS) means changes too.
    char buffer[8192];
    for (;;) {
        const ssize_t n = ::recv(m_descriptor, buffer, sizeof buffer, MSG_DONTWAIT);
        if (n > 0 || (n < 0 && errno == ENOBUFS))
            continue;
        if (n < 0 && errno == EINTR)
            continue;
        break;
    }
    if (!m_settle->isActive())
        m_pendingSince.start();
    if (m_pendingSince.hasExpired(LongestSettleMs)) {
        m_settle->stop();
        compare();
        return;
    }
    m_settle->start();
}

void AddressWatch::compare()
{
    QList<quint32> now = runningAddresses();
    if (now == m_known)
        return;
    m_known = std::move(now);
    emit addressesChanged();
}
