#include "datagramreader.h"

#include "datagram.h"

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
    if (::pipe(m_taken) != 0) {
        stop();
        return false;
    }
    for (const int fd : { m_wake[0], m_wake[1], m_taken[0], m_taken[1] })
        ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    for (const int fd : m_taken)
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    m_pausing = false;
    askForDestinations(int(descriptor));
    try {
        m_thread = std::thread(&DatagramReader::run, this, int(descriptor), m_wake[0], m_taken[0]);
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
        const std::lock_guard lock(m_mutex);
        m_pausing = false;
    }
    for (int *pipe : { m_wake, m_taken }) {
        for (int i = 0; i < 2; ++i) {
            if (pipe[i] >= 0)
                ::close(pipe[i]);
            pipe[i] = -1;
        }
    }
#endif
}

std::deque<DatagramReader::Batch> DatagramReader::take(qsizetype maxDatagrams)
{
    std::deque<Batch> taken;
    bool endPause = false;
    {
        const std::lock_guard lock(m_mutex);
        qsizetype count = 0;
        while (!m_queue.empty()
            && (taken.empty() || count + qsizetype(m_queue.front().items.size()) <= maxDatagrams)) {
            Batch &batch = m_queue.front();
            count += qsizetype(batch.items.size());
            m_queuedDatagrams -= qsizetype(batch.items.size());
            for (const Batch::Item &item : batch.items)
                m_queuedBytes -= item.size;
            taken.push_back(std::move(batch));
            m_queue.pop_front();
        }
        m_signalled = false;
        // The owner has run dry: what gathered meanwhile is read now.
        endPause = m_pausing && taken.empty();
        if (endPause)
            m_pausing = false;
    }
#if defined(Q_OS_UNIX)
    if (endPause) {
        const char byte = 0;
        [[maybe_unused]] const ssize_t written = ::write(m_taken[1], &byte, 1);
    }
#else
    Q_UNUSED(endPause);
#endif
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

bool DatagramReader::startPause()
{
    const std::lock_guard lock(m_mutex);
    m_pausing = m_signalled;
    return m_pausing;
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

void DatagramReader::enqueue(Batch &&batch)
{
    bool signal = false;
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
        signal = !m_signalled;
        m_signalled = true;
    }
    // Once per taking: the owner takes everything there is when it comes.
    if (signal)
        QMetaObject::invokeMethod(this, &DatagramReader::datagramsQueued, Qt::QueuedConnection);
}

void DatagramReader::run(int descriptor, int wakeDescriptor, int takenDescriptor)
{
#if defined(Q_OS_UNIX)
    // Left uninitialised: pages the system never writes into stay untouched.
    const std::unique_ptr<char[]> buffers(new char[Slots * SlotSize]);
    const std::unique_ptr<char[]> controls(new char[Slots * ControlSize]);
    sockaddr_storage from[Slots];
    iovec vectors[Slots];
#if defined(Q_OS_LINUX)
    mmsghdr messages[Slots];
#endif
    // Whether the last reading found datagrams: they are still coming.
    bool flowing = false;
    for (;;) {
        if (flowing && startPause()) {
            // The owner is busy: read again after an interval, or as soon
            // as it takes the queue.
            pollfd watched[2] = { { wakeDescriptor, POLLIN, 0 }, { takenDescriptor, POLLIN, 0 } };
#if defined(Q_OS_LINUX)
            const timespec interval { 0, BusyOwnerIntervalNs };
            const int woken = ::ppoll(watched, 2, &interval, nullptr);
#else
            const int woken = ::poll(watched, 2, 1);
#endif
            if (woken > 0 && watched[0].revents != 0)
                return;
            {
                const std::lock_guard lock(m_mutex);
                m_pausing = false;
            }
            // What the owner wrote before that is read; later takes write nothing.
            char drained[64];
            while (::read(takenDescriptor, drained, sizeof drained) > 0) {
            }
        } else {
            settle(true);
            pollfd watched[2] = { { descriptor, POLLIN, 0 }, { wakeDescriptor, POLLIN, 0 } };
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
        flowing = false;
        // Everything pending, a batch at a time.
        for (;;) {
            auto prepare = [&](int i, msghdr &header) {
                vectors[i] = { buffers.get() + size_t(i) * SlotSize, SlotSize };
                header = {};
                from[i].ss_family = AF_UNSPEC;
                header.msg_name = &from[i];
                header.msg_namelen = sizeof from[i];
                header.msg_iov = &vectors[i];
                header.msg_iovlen = 1;
                header.msg_control = controls.get() + size_t(i) * ControlSize;
                header.msg_controllen = ControlSize;
            };
#if defined(Q_OS_LINUX)
            for (int i = 0; i < Slots; ++i) {
                prepare(i, messages[i].msg_hdr);
                messages[i].msg_len = 0;
            }
            const int count = ::recvmmsg(descriptor, messages, Slots, MSG_DONTWAIT, nullptr);
            auto header = [&](int i) -> const msghdr & { return messages[i].msg_hdr; };
            auto length = [&](int i) { return qsizetype(messages[i].msg_len); };
#else
            msghdr headers[Slots];
            qsizetype lengths[Slots];
            int count = 0;
            for (; count < Slots; ++count) {
                prepare(count, headers[count]);
                const ssize_t n = ::recvmsg(descriptor, &headers[count], MSG_DONTWAIT);
                if (n < 0)
                    break;
                lengths[count] = qsizetype(n);
            }
            if (count == 0)
                count = -1;
            auto header = [&](int i) -> const msghdr & { return headers[i]; };
            auto length = [&](int i) { return lengths[i]; };
#endif
            if (count < 0) {
                if (errno == EINTR)
                    continue;
                break; // nothing more pending, or an error the next poll shows again
            }
            flowing = flowing || count > 0;
            Batch batch;
            batch.items.reserve(size_t(count));
            for (int i = 0; i < count; ++i) {
                const QByteArrayView bytes(static_cast<const char *>(vectors[i].iov_base), length(i));
                if (isBlankDatagram(bytes))
                    continue;
                Batch::Item &item = batch.items.emplace_back();
                item.datagram = ParseDatagram(bytes);
                item.size = bytes.size();
                readAddress(from[i], item);
                readDestination(header(i), item);
            }
            if (!batch.items.empty())
                enqueue(std::move(batch));
            if (count < Slots)
                break;
        }
    }
#else
    Q_UNUSED(descriptor);
    Q_UNUSED(wakeDescriptor);
    Q_UNUSED(takenDescriptor);
#endif
}
