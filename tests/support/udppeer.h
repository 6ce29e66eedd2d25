#pragma once

#include <QDeadlineTimer>
#include <QHostAddress>
#include <QNetworkDatagram>
#include <QSignalSpy>
#include <QTest>
#include <QUdpSocket>

#include <optional>

// A plain UDP socket standing in for another messenger on a loopback
// address, on the port every messenger of the test uses.
class UdpPeer
{
public:
    UdpPeer(const QString &address, quint16 port)
        : m_address(address), m_port(port)
    {
        m_bound = m_socket.bind(QHostAddress(address), port);
    }

    bool isBound() const { return m_bound; }
    QString address() const { return m_address; }

    void send(const QByteArray &datagram, const QString &to)
    {
        m_socket.writeDatagram(datagram, QHostAddress(to), m_port);
    }

    // The next datagram, waiting up to timeoutMs while the event loop runs
    // (the messenger under test lives in this thread); empty when none came.
    QByteArray receive(int timeoutMs = 3000)
    {
        if (!waitForDatagram(timeoutMs))
            return {};
        return m_socket.receiveDatagram().data();
    }

    // The next datagram, empty ones included; nothing when none came within
    // timeoutMs.
    std::optional<QByteArray> next(int timeoutMs = 3000)
    {
        if (!waitForDatagram(timeoutMs))
            return std::nullopt;
        return QByteArray(m_socket.receiveDatagram().data());
    }

    // Every datagram that arrives within timeoutMs after the last one.
    QList<QByteArray> receiveAll(int quietMs = 300)
    {
        QList<QByteArray> all;
        for (;;) {
            QByteArray next = receive(quietMs);
            if (next.isNull())
                return all;
            all.append(next);
        }
    }

    bool hasPending() { return m_socket.hasPendingDatagrams(); }

private:
    // Waits for a datagram on the socket's ready-read while the event loop
    // runs; true when one is pending.
    bool waitForDatagram(int timeoutMs)
    {
        QDeadlineTimer deadline(timeoutMs);
        while (!m_socket.hasPendingDatagrams() && !deadline.hasExpired()) {
            QSignalSpy arrived(&m_socket, &QUdpSocket::readyRead);
            arrived.wait(int(qMax<qint64>(1, deadline.remainingTime())));
        }
        return m_socket.hasPendingDatagrams();
    }

    QString m_address;
    quint16 m_port;
    QUdpSocket m_socket;
    bool m_bound = false;
};

// A port that is free on the loopback addresses the test uses, found by
// letting the system pick one.
inline quint16 freeUdpPort(const QStringList &addresses)
{
    for (int attempt = 0; attempt < 50; ++attempt) {
        QUdpSocket probe;
        if (!probe.bind(QHostAddress(addresses.value(0, QStringLiteral("127.0.0.1"))), 0))
            continue;
        const quint16 port = probe.localPort();
        bool allFree = true;
        for (qsizetype i = 1; i < addresses.size() && allFree; ++i) {
            QUdpSocket other;
            allFree = other.bind(QHostAddress(addresses[i]), port);
        }
        if (allFree)
            return port;
    }
    return 0;
}
