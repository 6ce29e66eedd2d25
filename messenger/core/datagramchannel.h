#pragma once

#include "datagram.h"
#include "datagramreader.h"
#include "localnetworks.h"
#include "networkidentity.h"
#include "sessionenvironment.h"

#include <QElapsedTimer>
#include <QHash>
#include <QAbstractSocket>
#include <QHostAddress>
#include <QObject>
#include <QTimer>
#include <QSet>

#include <deque>
#include <functional>

class AddressWatch;
class QUdpSocket;

// The messenger's datagram transport: one UDP socket on one port for both
// ends, the address each datagram names as its sender, and the broadcasts
// that go out to every subnet. What arrives is parsed and handed on, except
// blank datagrams and our own broadcasts coming back.
//
// The socket is read on a thread of its own (DatagramReader), so nothing is
// lost while this thread is busy; what was read is handled here, on the
// channel's thread, in arrival order, a slice at a time so the window stays
// responsive under a flood. What the queue had to drop is said once in the
// status text.
//
// A listening-everywhere channel watches the machine's addresses: when they
// change, it forgets the own addresses it worked out and tells its users,
// who announce the new ones.
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
    // The status text of a socket failure on port: "[" + the error number +
    // "]" and what happened in the user's words (what to do, where there is
    // something to do); detail, the system's own words, follows where the
    // failure has no words of its own.
    static QString socketErrorText(QAbstractSocket::SocketError error, qint32 port, const QString &detail);
    // Closes the socket; what it had queued is not handled any more.
    void close();
    bool isOpen() const { return m_port != 0; }
    quint16 port() const { return m_port; }

    // Where datagrams go out instead of the socket: it gets each datagram
    // with its destination and returns the bytes it took, -1 on failure.
    // The receive fuzzer answers whatever address a datagram names, so its
    // answers must never leave the process. Counts as open on port.
    using DatagramSender = std::function<qint64(const QByteArray &datagram, const QHostAddress &host, quint16 port)>;
    void setDatagramSender(DatagramSender sender, quint16 port);

    // While the owner waits in a nested event loop of its own (a box open),
    // queued datagrams are also handled from a short timer: the reader's
    // wake-up is a posted call, and a nested loop entered from the delivery
    // of another posted call does not always deliver it.
    void setWaitingInNestedLoop(bool waiting);

    // Sends one datagram to address; the destination becomes the remote
    // host. False when it did not go out whole.
    bool send(const QString &address, const QByteArray &datagram);
    // Sends one datagram and leaves the remote host as it is.
    bool sendAside(const QString &address, const QByteArray &datagram);
    // Sends each datagram to its address, as send does one after the other
    // (the last address becomes the remote host), in as few system calls as
    // the system allows: a goodbye to thousands of rows.
    void sendEach(const QList<std::pair<QString, QByteArray>> &datagrams);
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
    // of every subnet this machine is on, then to each of extraTargets
    // (dotted-quad IPv4 addresses; anything else is passed over) that is not
    // one of those. Only a channel that listens on every network can hear
    // the answers of its subnets; one bound to a single address sends only
    // to extraTargets, whose answers come back to the address it names.
    void broadcast(
        const std::function<QByteArray(const QString &ownAddress)> &datagramFrom, const QStringList &extraTargets = {});

    // Takes one received datagram as if it had arrived on the socket.
    // source: where it came from (null: trusted, as from this program
    // itself); destination: where it was sent to, when known.
    void receive(QByteArrayView bytes, const QHostAddress &source = {}, const QHostAddress &destination = {});

    // Datagrams read from the socket and not yet handled, and those dropped
    // because too many were waiting.
    qsizetype queuedDatagrams() const;
    quint64 droppedDatagrams() const { return m_reader ? m_reader->dropped() : 0; }

signals:
    // A datagram arrived that is neither blank nor our own broadcast;
    // byBroadcast: it was sent to a broadcast address, not to us.
    void received(const ParsedDatagram &datagram, const QHostAddress &source, bool byBroadcast);
    void statusChanged(const QString &text);
    // The machine's IPv4 addresses changed; ownAddressFor already answers
    // with the new ones.
    void ownAddressesChanged();

private:
    void onReadyRead();
    // Handles what the reader queued, in order, until the queue is empty or
    // the slice is used up (then it goes on from the event loop).
    void handleQueued();
    // Hands on a received datagram that is not our own broadcast.
    void deliver(const ParsedDatagram &datagram, const QHostAddress &source, const QHostAddress &destination);
    bool isOwnBroadcast(const ParsedDatagram &datagram, const QHostAddress &source, const QHostAddress &destination) const;
    bool isBroadcastDestination(const QHostAddress &destination);
    // The networks this machine is on, asked of the system when unknown.
    const QList<LocalNetwork> &networks();
    void forgetNetworks();
    void onAddressesChanged();

    SessionEnvironment m_env;
    QUdpSocket *m_socket = nullptr;
    DatagramSender m_sender;
    quint16 m_port = 0;
    QString m_ownAddress;
    QString m_pinnedAddress;
    QString m_remoteHost;

    DatagramReader *m_reader = nullptr;
    // Batches taken from the reader and not yet handled through, the next
    // datagram of the first one at m_takenNext.
    std::deque<DatagramReader::Batch> m_taken;
    size_t m_takenNext = 0;
    // Batches handled through, given back to the reader at the end of the
    // pass.
    std::vector<DatagramReader::Batch> m_spent;
    // Counts passes, to tell whether a handler ran a nested one.
    quint64 m_passes = 0;
    bool m_dropReported = false;
    // The drops the diagnostics have told of.
    quint64 m_droppedLogged = 0;
    // Handles what is queued while the owner waits in a nested loop.
    QTimer *m_nestedPump = nullptr;
    // Closed: nothing queued is handled any more.
    bool m_closed = false;
    AddressWatch *m_watch = nullptr;

    // The networks this machine is on and their broadcast addresses;
    // forgotten when the addresses change, and now and then where nobody
    // reports changes.
    QList<LocalNetwork> m_networks;
    QSet<QHostAddress> m_networkBroadcasts;
    bool m_networksKnown = false;
    QElapsedTimer m_networksAge;
    // Own address per destination off those networks, asked of the routing
    // table; forgotten with the networks.
    QHash<QString, QString> m_ownAddressCache;
    // Own addresses and subnet broadcast addresses our broadcasts went out
    // from and to: what comes back from there is our own broadcast.
    QSet<QString> m_broadcastSources;
    QSet<QHostAddress> m_broadcastTargets;
};
