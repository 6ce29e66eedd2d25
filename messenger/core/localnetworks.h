#pragma once

#include <QList>
#include <QString>

// The IPv4 networks this machine is on, which the datagram channel routes
// replies and broadcasts by.

// The local IPv4 address the system would send from to reach destination
// (the route's source address); empty when there is no route.
QString localAddressTowards(const QString &destination);

// One IPv4 network this machine is on: its own address there, the
// network's prefix length, and its broadcast address (empty where the
// interface cannot broadcast, as on most tunnels).
struct LocalNetwork
{
    QString ownAddress;
    quint32 address = 0; // ownAddress in host byte order
    int prefixLength = 32;
    QString broadcastAddress;

    // Whether address (host byte order) lies on this network.
    bool contains(quint32 address) const;
};

// Every IPv4 address of an up, running, non-loopback interface, in
// interface order and, per interface, in the order the system lists them
// (its primary address first).
QList<LocalNetwork> localNetworks();
