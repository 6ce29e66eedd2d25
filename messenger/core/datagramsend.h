#pragma once

#include <QByteArray>
#include <QList>
#include <QtGlobal>

// One datagram to an IPv4 address (host byte order).
struct OutgoingDatagram
{
    quint32 ipv4 = 0;
    QByteArray datagram;
};

// Sends datagrams, in order, from the socket descriptor to their addresses
// on port, as many per system call as the system takes. Returns how many
// went out before the first that did not (the caller sends the rest one by
// one, and learns why); -1 where the system has no such call.
qsizetype sendDatagrams(qintptr socket, quint16 port, const QList<OutgoingDatagram> &datagrams);
