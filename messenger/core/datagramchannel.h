#pragma once

#include "datagram.h"
#include "sessionenvironment.h"

#include <QElapsedTimer>
#include <QHash>
#include <QHostAddress>
#include <QObject>
#include <QSet>

#include <functional>

class QUdpSocket;

// The messenger's datagram transport: one UDP socket on one port for both
// ends, the address each datagram names as its sender, and the broadcasts
// that go out to every subnet. What arrives is parsed and handed on, except
// blank datagrams and our own broadcasts coming back.
//
// The port is the one the channel was opened with, for listening and for
// sending, until it is opened again: a port changed in the options takes
// effect at the next start. Nothing is sent while the channel is not open,
// so a socket that could not be bound never goes out from a port of the
// system's choosing.
class DatagramChannel : public QObject
{
    Q_OBJECT
public:
    explicit DatagramChannel(const SessionEnvironment &environment, QObject *parent = nullptr);
    ~DatagramChannel() override;

    // Binds the socket on port for both ends; a failure is reported in the
    // status text.
    bool open(qint32 port);
    void close();
    bool isOpen() const { return m_port != 0; }
    quint16 port() const { return m_port; }

    // Where datagrams go out instead of the socket: it gets each datagram
    // with its destination and returns the bytes it took, -1 on failure.
    // The receive fuzzer answers whatever address a datagram names, so its
    // answers must never leave the process. Counts as open on port.
    using DatagramSender = std::function<qint64(const QByteArray &datagram, const QHostAddress &host, quint16 port)>;
    void setDatagramSender(DatagramSender sender, quint16 port);

    // Sends one datagram to address; the destination becomes the remote
    // host. False when it did not go out whole.
    bool send(const QString &address, const QByteArray &datagram);
    // Sends one datagram and leaves the remote host as it is.
    bool sendAside(const QString &address, const QByteArray &datagram);
    // The last destination: the own address at first.
    QString remoteHost() const { return m_remoteHost; }
    void setRemoteHost(const QString &address) { m_remoteHost = address; }

    // The machine's own address as the identity shows it.
    QString ownAddress() const { return m_ownAddress; }
    // The address written into <IPADDR> of a datagram to destination.
    QString ownAddressFor(const QString &destination);
    // An address every datagram names, whatever its destination (the
    // user's [Local] IpAddr); empty: the one each destination is reached from.
    void setPinnedAddress(const QString &address) { m_pinnedAddress = address; }

    // Sends the datagram datagramFrom(own address) to the broadcast address
    // of every subnet this machine is on. Only a channel that listens on
    // every network can hear the answers; one bound to a single address
    // stays on it.
    void broadcast(const std::function<QByteArray(const QString &ownAddress)> &datagramFrom);

    // Takes one received datagram as if it had arrived on the socket.
    // source: where it came from (null: trusted, as from this program
    // itself); destination: where it was sent to, when known.
    void receive(QByteArrayView bytes, const QHostAddress &source = {}, const QHostAddress &destination = {});

signals:
    // A datagram arrived that is neither blank nor our own broadcast.
    void received(const ParsedDatagram &datagram, const QHostAddress &source);
    void statusChanged(const QString &text);

private:
    void onReadyRead();
    bool isOwnBroadcast(const ParsedDatagram &datagram, const QHostAddress &source, const QHostAddress &destination) const;

    SessionEnvironment m_env;
    QUdpSocket *m_socket = nullptr;
    DatagramSender m_sender;
    quint16 m_port = 0;
    QString m_ownAddress;
    QString m_pinnedAddress;
    QString m_remoteHost;

    // Own address per destination, asked of the routing table; forgotten
    // now and then, so a changed network is noticed.
    QHash<QString, QString> m_ownAddressCache;
    QElapsedTimer m_ownAddressAge;
    // Own addresses and subnet broadcast addresses our broadcasts went out
    // from and to: what comes back from there is our own broadcast.
    QSet<QString> m_broadcastSources;
    QSet<QHostAddress> m_broadcastTargets;
};
