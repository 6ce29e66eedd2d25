#include "datagramsend.h"

#include "logcategories.h"

#include <QHostAddress>

#include <netinet/in.h>
#include <sys/socket.h>

#include <cerrno>
#include <vector>

qsizetype sendDatagrams(qintptr socket, quint16 port, const QList<OutgoingDatagram> &datagrams)
{
    // The kernel takes at most UIO_MAXIOV (1024) messages a call.
    constexpr qsizetype Batch = 1024;
    std::vector<sockaddr_in> to(size_t(qMin(Batch, datagrams.size())));
    std::vector<iovec> parts(to.size());
    std::vector<mmsghdr> messages(to.size());
    qsizetype sent = 0;
    while (sent < datagrams.size()) {
        const qsizetype count = qMin(Batch, datagrams.size() - sent);
        for (qsizetype i = 0; i < count; ++i) {
            const OutgoingDatagram &d = datagrams[sent + i];
            to[size_t(i)] = {};
            to[size_t(i)].sin_family = AF_INET;
            to[size_t(i)].sin_port = htons(port);
            to[size_t(i)].sin_addr.s_addr = htonl(d.ipv4);
            parts[size_t(i)] = { const_cast<char *>(d.datagram.constData()), size_t(d.datagram.size()) };
            messages[size_t(i)] = {};
            messages[size_t(i)].msg_hdr.msg_name = &to[size_t(i)];
            messages[size_t(i)].msg_hdr.msg_namelen = sizeof(sockaddr_in);
            messages[size_t(i)].msg_hdr.msg_iov = &parts[size_t(i)];
            messages[size_t(i)].msg_hdr.msg_iovlen = 1;
        }
        int done;
        do
            done = sendmmsg(int(socket), messages.data(), unsigned(count), 0);
        while (done < 0 && errno == EINTR);
        if (done <= 0) {
            const int error = errno;
            // The caller sends the rest one by one and learns of each.
            qCDebug(lcNetwork).noquote() << "batch send stopped at" << QHostAddress(datagrams[sent].ipv4).toString()
                                         << "-" << qt_error_string(error);
            break;
        }
        sent += done;
    }
    return sent;
}
