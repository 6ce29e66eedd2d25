#pragma once

#include "datagram.h"

#include <QHostAddress>
#include <QObject>

#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

// Reads a bound datagram socket on a thread of its own, as fast as the
// network delivers, into an ordered queue that the owner's thread takes
// from. While the owner's thread is busy (a window being built, a modal box,
// a nested wait), what arrives waits in the queue instead of overflowing the
// socket's receive buffer, where the system would drop it unseen.
//
// The thread also cuts each datagram into its fields (ParseDatagram, which
// shares nothing), so the owner's thread only acts on them; blank datagrams,
// which nobody acts on, are not queued.
//
// A thread that waits on the socket is woken by every datagram, a cost the
// sending side pays for each one. So while the owner has not yet taken what
// was queued (it is busy, and reading sooner would not hand it anything
// sooner), the thread reads at short intervals instead of waiting on the
// socket. An owner that runs dry meanwhile reads what is pending itself,
// one call's worth at a time, rather than wait for the interval to end;
// one reading at a time, so the queue keeps the order of the socket.
//
// The queue holds at most MaxQueuedDatagrams datagrams and MaxQueuedBytes
// bytes; what arrives beyond that is dropped and counted. On Linux the
// thread reads many datagrams per call (recvmmsg); where there is no such
// thread (other systems), start() fails and the owner reads the socket
// itself.
class DatagramReader : public QObject
{
    Q_OBJECT
public:
    static constexpr qsizetype MaxQueuedDatagrams = 100000;
    static constexpr qsizetype MaxQueuedBytes = 64 * 1024 * 1024;

    // Datagrams as they were read, in order.
    struct Batch
    {
        struct Item
        {
            ParsedDatagram datagram;
            qsizetype size = 0;
            // Where it came from and where it was sent to (null when the
            // system did not say): IPv4 in host byte order, or IPv6.
            quint32 source4 = 0;
            quint32 destination4 = 0;
            Q_IPV6ADDR source6 {};
            Q_IPV6ADDR destination6 {};
            bool sourceIsV6 = false;
            bool destinationIsV6 = false;
            bool hasDestination = false;
        };
        std::vector<Item> items;
    };

    explicit DatagramReader(QObject *parent = nullptr);
    ~DatagramReader() override;

    // Starts reading descriptor, a bound datagram socket that stays open
    // until stop(). False when no thread could be started.
    bool start(qintptr descriptor);
    // Stops the thread; what is queued stays to be taken.
    void stop();
    bool isRunning() const { return m_thread.joinable(); }

    // Takes the oldest queued batches, at least one when any is queued and
    // no more than about maxDatagrams datagrams, in arrival order. With the
    // queue empty, first reads what the socket holds (see above).
    std::deque<Batch> take(qsizetype maxDatagrams);
    // Hands back batches the owner has taken and is done with, so their
    // memory is freed on the thread that allocated it rather than freed
    // against that thread's allocations. Leaves spent empty.
    void giveBack(std::vector<Batch> &spent);
    // How many datagrams wait to be taken.
    qsizetype queuedDatagrams() const;
    // How many datagrams were dropped because the queue was full.
    quint64 dropped() const;

signals:
    // Datagrams were queued while the queue was empty, or was last taken.
    // Emitted on the owner's thread.
    void datagramsQueued();

private:
    struct Room;

    void run(int wakeDescriptor);
    // One read of up to a call's worth of datagrams into the queue; the
    // caller holds m_readMutex. byOwner: the owner reads, so it needs no
    // telling. Returns how many were read, -1 for none.
    int readOnce(bool byOwner);
    // Whether the owner has yet to take what was queued.
    bool ownerIsBusy() const;
    // Says whether the thread is about to wait on the socket (idle), and
    // returns the batches handed back so far, for the thread to free. While
    // the thread is idle, the owner frees what it hands back itself.
    std::vector<Batch> settle(bool idle);
    // Queues a batch read; drops what does not fit.
    void enqueue(Batch &&batch, bool signal);

    std::thread m_thread;
    // Stops the thread.
    int m_wake[2] = { -1, -1 };
    // The socket, while the thread runs; -1 otherwise.
    int m_descriptor = -1;
    // Held for each read and the queuing of what it read, by the thread or
    // the owner; guards m_room.
    std::mutex m_readMutex;
    std::unique_ptr<Room> m_room;

    mutable std::mutex m_mutex;
    std::deque<Batch> m_queue;
    qsizetype m_queuedDatagrams = 0;
    qsizetype m_queuedBytes = 0;
    quint64 m_dropped = 0;
    // The owner was told of queued datagrams and has not taken them yet.
    bool m_signalled = false;
    std::vector<Batch> m_spent;
    bool m_idle = true;
};
