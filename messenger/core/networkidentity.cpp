#include "networkidentity.h"

#include <QHostAddress>
#include <QNetworkInterface>

#include <algorithm>
#include <cerrno>

#if defined(Q_OS_UNIX)
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#else
#include <QHostInfo>
#endif

namespace {

constexpr int HostNameBufferSize = 256;
constexpr quint32 LoopbackNet = 0x7F000000;

bool isLoopback(quint32 address)
{
    return (address & 0xFF000000) == LoopbackNet;
}

QString dotted(quint32 address)
{
    return QHostAddress(address).toString();
}

class SystemCalls : public NetworkCalls
{
public:
    std::optional<QByteArray> hostName(int &error) const override
    {
#if defined(Q_OS_UNIX)
        char buffer[HostNameBufferSize] = {};
        if (::gethostname(buffer, sizeof buffer - 1) != 0) {
            error = errno;
            return std::nullopt;
        }
        return QByteArray(buffer); // up to the first zero
#else
        const QString name = QHostInfo::localHostName();
        if (name.isEmpty()) {
            error = -1;
            return std::nullopt;
        }
        return name.toLocal8Bit();
#endif
    }

    QList<quint32> resolveIpv4(const QByteArray &name) const override
    {
        QList<quint32> out;
#if defined(Q_OS_UNIX)
        addrinfo hints {};
        hints.ai_family = AF_INET;
        hints.ai_socktype = SOCK_DGRAM;
        addrinfo *result = nullptr;
        if (::getaddrinfo(name.constData(), nullptr, &hints, &result) != 0)
            return out;
        for (const addrinfo *ai = result; ai; ai = ai->ai_next) {
            if (ai->ai_family != AF_INET || !ai->ai_addr)
                continue;
            const auto *sin = reinterpret_cast<const sockaddr_in *>(ai->ai_addr);
            const quint32 a = ntohl(sin->sin_addr.s_addr);
            if (!out.contains(a))
                out.append(a);
        }
        ::freeaddrinfo(result);
#else
        Q_UNUSED(name);
#endif
        return out;
    }

    QList<NetworkInterfaceFacts> interfaces() const override
    {
        QList<NetworkInterfaceFacts> out;
        const QList<QNetworkInterface> all = QNetworkInterface::allInterfaces();
        for (const QNetworkInterface &i : all) {
            NetworkInterfaceFacts f;
            f.index = i.index();
            f.up = i.flags().testFlag(QNetworkInterface::IsUp);
            f.running = i.flags().testFlag(QNetworkInterface::IsRunning);
            f.loopback = i.flags().testFlag(QNetworkInterface::IsLoopBack);
            const QList<QNetworkAddressEntry> entries = i.addressEntries();
            for (const QNetworkAddressEntry &e : entries) {
                if (e.ip().protocol() == QAbstractSocket::IPv4Protocol)
                    f.ipv4.append(e.ip().toIPv4Address());
            }
            const QString hw = i.hardwareAddress();
            if (!hw.isEmpty())
                f.hardwareAddress = QByteArray::fromHex(hw.toLatin1().replace(':', QByteArray()));
            out.append(f);
        }
        return out;
    }
};

QList<NetworkInterfaceFacts> inIndexOrder(const NetworkCalls &calls)
{
    QList<NetworkInterfaceFacts> list = calls.interfaces();
    std::stable_sort(list.begin(), list.end(), [](const auto &a, const auto &b) { return a.index < b.index; });
    return list;
}

void tell(const MessageSink &show, const QString &text)
{
    if (show)
        show(text);
}

} // namespace

const NetworkCalls &systemNetworkCalls()
{
    static const SystemCalls calls;
    return calls;
}

QString socketsErrorText(int error, bool twoBlanks)
{
    const QString number = error >= 0 ? QLatin1Char(' ') + QString::number(error) : QString::number(error);
    return QStringLiteral("Windows Sockets error ") + number + QStringLiteral(" has occurred.")
        + (twoBlanks ? QStringLiteral("  ") : QStringLiteral(" "))
        + QStringLiteral("Unable to successfully get Host Name.");
}

QString QueryLocalHostName(const MessageSink &show, const NetworkCalls &calls)
{
    int error = 0;
    const auto name = calls.hostName(error);
    QString result;
    if (!name)
        tell(show, socketsErrorText(error, true));
    else
        result = QString::fromLocal8Bit(*name);
    return result;
}

QString QueryLocalIpAddress(const MessageSink &show, const NetworkCalls &calls)
{
    QString result;
    int error = 0;
    const auto name = calls.hostName(error);
    if (!name) {
        tell(show, socketsErrorText(error, false));
    } else {
        const QList<quint32> addresses = calls.resolveIpv4(name->trimmed());
        if (addresses.isEmpty()) {
            tell(show, QStringLiteral("Windows Sockets are not responding. Unable to successfully get Host Name."));
        } else {
            const auto own = std::find_if(addresses.begin(), addresses.end(), [](quint32 a) { return !isLoopback(a); });
            result = own != addresses.end() ? dotted(*own) : primaryIpv4Address(calls);
        }
    }
    return result;
}

QString macText(const QByteArray &bytes)
{
    QStringList parts;
    for (int i = 0; i < 6; ++i) {
        const auto b = i < bytes.size() ? static_cast<unsigned char>(bytes.at(i)) : 0u;
        parts << QStringLiteral("%1").arg(b, 2, 16, QLatin1Char('0')).toUpper();
    }
    return parts.join(QLatin1Char(' '));
}

QString QueryAdapterMac(const QString &ipAddress, const NetworkCalls &calls)
{
    const QList<NetworkInterfaceFacts> list = inIndexOrder(calls);
    const auto carrying = [&](quint32 address) {
        return std::find_if(list.cbegin(), list.cend(),
            [&](const NetworkInterfaceFacts &f) { return !f.loopback && f.ipv4.contains(address); });
    };
    bool isV4 = false;
    const quint32 shown = QHostAddress(ipAddress).toIPv4Address(&isV4);
    auto adapter = isV4 ? carrying(shown) : list.cend();
    if (adapter == list.cend())
        adapter = carrying(QHostAddress(primaryIpv4Address(calls)).toIPv4Address());
    return macText(adapter != list.cend() ? adapter->hardwareAddress : QByteArray());
}

QString primaryIpv4Address(const NetworkCalls &calls)
{
    const QList<NetworkInterfaceFacts> list = inIndexOrder(calls);
    for (const NetworkInterfaceFacts &f : list) {
        if (f.up && f.running && !f.loopback && !f.ipv4.isEmpty())
            return dotted(f.ipv4.first());
    }
    return QStringLiteral("127.0.0.1");
}

QString networkIdentityText(const QString &host, const QString &ip, const QString &mac)
{
    return QLatin1String("Host\t = ") + host + QLatin1Char('\r') + QLatin1String("IP\t = ") + ip + QLatin1Char('\r')
        + QLatin1String("MAC\t = ") + mac;
}
