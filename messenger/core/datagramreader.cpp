#include "datagramreader.h"

#include "datagram.h"
#include "logcategories.h"

#include <cerrno>
#include <cstring>
#include <iterator>
#include <memory>

#if defined(Q_OS_UNIX)
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace {

#if defined(Q_OS_UNIX)
// Datagrams asked for per call, and the room for each: a whole UDP payload,
// so nothing is ever cut.
constexpr int Slots = 32;
constexpr size_t SlotSize = 65536;
static_assert(SlotSize > size_t(MaxDatagramSize));
// How long the thread reads nothing while the owner has not taken the
// queue: short against what the receive buffer holds under a flood.
constexpr long BusyOwnerIntervalNs = 25000;
// Room for the destination address the system reports beside a datagram.
constexpr size_t ControlSize = CMSG_SPACE(sizeof(in_pktinfo)) + CMSG_SPACE(sizeof(in6_pktinfo));

void readAddress(const sockaddr_storage &from, DatagramReader::Batch::Item &item)
{
    if (from.ss_family == AF_INET) {
        item.source4 = ntohl(reinterpret_cast<const sockaddr_in &>(from).sin_addr.s_addr);
    } else if (from.ss_family == AF_INET6) {
        item.sourceIsV6 = true;
        std::memcpy(&item.source6, &reinterpret_cast<const sockaddr_in6 &>(from).sin6_addr, sizeof item.source6);
    }
}

// The sender's address, for the diagnostics.
QString sourceText(const sockaddr_storage &from)
{
    if (from.ss_family == AF_INET)
        return QHostAddress(ntohl(reinterpret_cast<const sockaddr_in &>(from).sin_addr.s_addr)).toString();
    if (from.ss_family == AF_INET6)
        return QHostAddress(reinterpret_cast<const sockaddr_in6 &>(from).sin6_addr.s6_addr).toString();
    return QStringLiteral("an unknown address");
}

void readDestination(const msghdr &header, DatagramReader::Batch::Item &item)
{
    auto *message = const_cast<msghdr *>(&header);
    for (cmsghdr *c = CMSG_FIRSTHDR(message); c; c = CMSG_NXTHDR(message, c)) {
#if defined(IP_PKTINFO)
        if (c->cmsg_level == IPPROTO_IP && c->cmsg_type == IP_PKTINFO) {
            in_pktinfo info;
            std::memcpy(&info, CMSG_DATA(c), sizeof info);
            item.destination4 = ntohl(info.ipi_addr.s_addr);
            item.hasDestination = true;
        }
#endif
#if defined(IPV6_PKTINFO)
        if (c->cmsg_level == IPPROTO_IPV6 && c->cmsg_type == IPV6_PKTINFO) {
            in6_pktinfo info;
            std::memcpy(&info, CMSG_DATA(c), sizeof info);
            std::memcpy(&item.destination6, &info.ipi6_addr, sizeof item.destination6);
            item.destinationIsV6 = true;
            item.hasDestination = true;
        }
#endif
    }
}

// The system reports the destination of each datagram beside it (to tell a
// broadcast from a datagram sent to us).
void askForDestinations(int descriptor)
{
    const int on = 1;
#if defined(IP_PKTINFO)
    ::setsockopt(descriptor, IPPROTO_IP, IP_PKTINFO, &on, sizeof on);
#endif
#if defined(IPV6_RECVPKTINFO)
    ::setsockopt(descriptor, IPPROTO_IPV6, IPV6_RECVPKTINFO, &on, sizeof on);
#endif
}
#endif

} // namespace

// Where datagrams are read into.
struct DatagramReader::Room
{
#if defined(Q_OS_UNIX)
    // Left uninitialised: pages the system never writes into stay untouched.
    std::unique_ptr<char[]> buffers { new char[Slots * SlotSize] };
    std::unique_ptr<char[]> controls { new char[Slots * ControlSize] };
    sockaddr_storage from[Slots];
    iovec vectors[Slots];
#if defined(Q_OS_LINUX)
    mmsghdr messages[Slots];
#else
    msghdr headers[Slots];
    qsizetype lengths[Slots];
#endif
#endif
};

DatagramReader::DatagramReader(QObject *parent)
    : QObject(parent)
{
}

DatagramReader::~DatagramReader()
{
    stop();
}

bool DatagramReader::start(qintptr descriptor)
{
    stop();
#if defined(Q_OS_UNIX)
    if (::pipe(m_wake) != 0)
        return false;
    for (const int fd : m_wake)
        ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    askForDestinations(int(descriptor));
    m_room = std::make_unique<Room>();
    m_descriptor = int(descriptor);
    try {
        m_thread = std::thread(&DatagramReader::run, this, m_wake[0]);
    } catch (const std::system_error &) {
        stop();
        return false;
    }
    return true;
#else
    Q_UNUSED(descriptor);
    return false;
#endif
}

void DatagramReader::stop()
{
#if defined(Q_OS_UNIX)
    if (m_thread.joinable()) {
        const char byte = 0;
        [[maybe_unused]] const ssize_t written = ::write(m_wake[1], &byte, 1);
        m_thread.join();
        std::vector<Batch> spent = settle(true);
    }
    // The owner no longer reads the socket either: it may close.
    m_descriptor = -1;
    m_room.reset();
    for (int &fd : m_wake) {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
#endif
}

std::deque<DatagramReader::Batch> DatagramReader::take(qsizetype maxDatagrams)
{
    bool empty = false;
    {
        const std::lock_guard lock(m_mutex);
        empty = m_queue.empty();
    }
    // Run dry: what is pending is read here and now. When the thread is
    // reading, what it reads is queued in a moment and the owner told.
    if (empty && m_descriptor >= 0) {
        std::unique_lock reading(m_readMutex, std::try_to_lock);
        if (reading.owns_lock())
            readOnce(true);
    }
    std::deque<Batch> taken;
    const std::lock_guard lock(m_mutex);
    qsizetype count = 0;
    while (!m_queue.empty() && (taken.empty() || count + qsizetype(m_queue.front().items.size()) <= maxDatagrams)) {
        Batch &batch = m_queue.front();
        count += qsizetype(batch.items.size());
        m_queuedDatagrams -= qsizetype(batch.items.size());
        for (const Batch::Item &item : batch.items)
            m_queuedBytes -= item.size;
        taken.push_back(std::move(batch));
        m_queue.pop_front();
    }
    m_signalled = false;
    return taken;
}

void DatagramReader::giveBack(std::vector<Batch> &spent)
{
    {
        const std::lock_guard lock(m_mutex);
        if (!m_idle) {
            if (m_spent.empty())
                m_spent.swap(spent);
            else
                std::move(spent.begin(), spent.end(), std::back_inserter(m_spent));
        }
    }
    spent.clear();
}

std::vector<DatagramReader::Batch> DatagramReader::settle(bool idle)
{
    std::vector<Batch> spent;
    const std::lock_guard lock(m_mutex);
    m_idle = idle;
    spent.swap(m_spent);
    return spent;
}

bool DatagramReader::ownerIsBusy() const
{
    const std::lock_guard lock(m_mutex);
    return m_signalled;
}

qsizetype DatagramReader::queuedDatagrams() const
{
    const std::lock_guard lock(m_mutex);
    return m_queuedDatagrams;
}

quint64 DatagramReader::dropped() const
{
    const std::lock_guard lock(m_mutex);
    return m_dropped;
}

void DatagramReader::enqueue(Batch &&batch, bool signal)
{
    {
        const std::lock_guard lock(m_mutex);
        // Keep what fits, in order; the rest is dropped.
        size_t kept = 0;
        qsizetype bytes = 0;
        while (kept < batch.items.size() && m_queuedDatagrams + qsizetype(kept) < MaxQueuedDatagrams
            && m_queuedBytes + bytes + batch.items[kept].size <= MaxQueuedBytes) {
            bytes += batch.items[kept].size;
            ++kept;
        }
        m_dropped += batch.items.size() - kept;
        if (kept == 0)
            return;
        batch.items.resize(kept);
        m_queuedDatagrams += qsizetype(kept);
        m_queuedBytes += bytes;
        m_queue.push_back(std::move(batch));
        signal = signal && !m_signalled;
        if (signal)
            m_signalled = true;
    }
    // Once per taking: the owner takes everything there is when it comes.
    if (signal)
        QMetaObject::invokeMethod(this, &DatagramReader::datagramsQueued, Qt::QueuedConnection);
}

int DatagramReader::readOnce(bool byOwner)
{
#if defined(Q_OS_UNIX)
    Room &room = *m_room;
    auto prepare = [&](int i, msghdr &header) {
        room.vectors[i] = { room.buffers.get() + size_t(i) * SlotSize, SlotSize };
        header = {};
        room.from[i].ss_family = AF_UNSPEC;
        header.msg_name = &room.from[i];
        header.msg_namelen = sizeof room.from[i];
        header.msg_iov = &room.vectors[i];
        header.msg_iovlen = 1;
        header.msg_control = room.controls.get() + size_t(i) * ControlSize;
        header.msg_controllen = ControlSize;
    };
#if defined(Q_OS_LINUX)
    for (int i = 0; i < Slots; ++i) {
        prepare(i, room.messages[i].msg_hdr);
        room.messages[i].msg_len = 0;
    }
    int count = -1;
    do
        count = ::recvmmsg(m_descriptor, room.messages, Slots, MSG_DONTWAIT, nullptr);
    while (count < 0 && errno == EINTR);
    auto header = [&](int i) -> const msghdr & { return room.messages[i].msg_hdr; };
    auto length = [&](int i) { return qsizetype(room.messages[i].msg_len); };
#else
    int count = 0;
    for (; count < Slots; ++count) {
        prepare(count, room.headers[count]);
        const ssize_t n = ::recvmsg(m_descriptor, &room.headers[count], MSG_DONTWAIT);
        if (n < 0)
            break;
        room.lengths[count] = qsizetype(n);
    }
    if (count == 0)
        count = -1;
    auto header = [&](int i) -> const msghdr & { return room.headers[i]; };
    auto length = [&](int i) { return room.lengths[i]; };
#endif
    if (count <= 0)
        return -1; // nothing pending, or an error the next poll shows again
    Batch batch;
    batch.items.reserve(size_t(count));
    for (int i = 0; i < count; ++i) {
        const QByteArrayView bytes(static_cast<const char *>(room.vectors[i].iov_base), length(i));
        if (isBlankDatagram(bytes)) {
            qCDebug(lcNetwork).noquote() << "dropped a blank datagram from" << sourceText(room.from[i]);
            continue;
        }
        Batch::Item &item = batch.items.emplace_back();
        item.datagram = ParseDatagram(bytes);
        item.size = bytes.size();
        readAddress(room.from[i], item);
        readDestination(header(i), item);
    }
    if (!batch.items.empty())
        enqueue(std::move(batch), !byOwner);
    return count;
#else
    Q_UNUSED(byOwner);
    return -1;
#endif
}

void DatagramReader::run(int wakeDescriptor)
{
#if defined(Q_OS_UNIX)
    // Whether the last reading found datagrams while the owner had still to
    // take earlier ones: they keep coming faster than it takes them. A
    // datagram on its own (a game move, an answer) is read at once.
    bool flowing = false;
    for (;;) {
        if (flowing && ownerIsBusy()) {
            // The owner is busy: read again after an interval.
            pollfd stopping { wakeDescriptor, POLLIN, 0 };
#if defined(Q_OS_LINUX)
            const timespec interval { 0, BusyOwnerIntervalNs };
            const int woken = ::ppoll(&stopping, 1, &interval, nullptr);
#else
            const int woken = ::poll(&stopping, 1, 1);
#endif
            if (woken > 0)
                return;
        } else {
            settle(true);
            pollfd watched[2] = { { m_descriptor, POLLIN, 0 }, { wakeDescriptor, POLLIN, 0 } };
            const int woken = ::poll(watched, 2, -1);
            if (woken < 0) {
                if (errno == EINTR)
                    continue;
                return;
            }
            if (watched[1].revents != 0 || (watched[0].revents & POLLNVAL))
                return;
        }
        // What the owner is done with is freed here, where it was made.
        settle(false);
        const bool ownerWasBusy = ownerIsBusy();
        flowing = false;
        // Everything pending, a call's worth at a time.
        for (;;) {
            const std::lock_guard reading(m_readMutex);
            const int count = readOnce(false);
            flowing = flowing || (count > 0 && ownerWasBusy);
            if (count < Slots)
                break;
        }
    }
#else
    Q_UNUSED(wakeDescriptor);
#endif
}
