#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>
#include <optional>

// Network identity of the local machine: host name, IPv4 address and the
// hardware (MAC) address of the adapter that carries that address. The failure texts are
// in English and reach the user through the caller's message sink, one
// message box each:
//   "Windows Sockets error " + n + " has occurred.  Unable to successfully get Host Name."
//       (host-name query: two blanks after the full stop)
//   "Windows Sockets error " + n + " has occurred. Unable to successfully get Host Name."
//       (address query: one blank)
//   "Windows Sockets are not responding. Unable to successfully get Host Name."
//       (the host name does not resolve)
// where n is the error number (errno) with a leading blank when it is not
// negative, so two blanks follow "error". The MAC text is six bytes as two
// upper-case hexadecimal digits, separated by single blanks.

// Shows one message to the user (a message box with an OK button).
using MessageSink = std::function<void(const QString &)>;

// One network interface as the identity queries see it.
struct NetworkInterfaceFacts
{
    int index = 0;
    bool up = false;
    bool running = false;
    bool loopback = false;
    QList<quint32> ipv4; // host byte order, in the order the system lists them
    QByteArray hardwareAddress; // raw bytes, empty when the interface has none
};

// The seam over the platform's calls.
class NetworkCalls
{
public:
    virtual ~NetworkCalls() = default;
    // The host name, or nothing with the error number in error.
    virtual std::optional<QByteArray> hostName(int &error) const = 0;
    // The IPv4 addresses name resolves to, in resolver order; empty: none.
    virtual QList<quint32> resolveIpv4(const QByteArray &name) const = 0;
    virtual QList<NetworkInterfaceFacts> interfaces() const = 0;
};

// gethostname, getaddrinfo and the system's interface list.
const NetworkCalls &systemNetworkCalls();

QString QueryLocalHostName(const MessageSink &show = {}, const NetworkCalls &calls = systemNetworkCalls());

// The first address of the host's own name. Addresses in 127.0.0.0/8 (a
// host name mapped to 127.0.1.1) are passed over for a later non-loopback
// address of the same answer, else primaryIpv4Address().
QString QueryLocalIpAddress(const MessageSink &show = {}, const NetworkCalls &calls = systemNetworkCalls());

// The hardware address of the interface that carries ipAddress (the address
// the identity box shows beside it), so both describe one adapter. When no
// interface carries it (empty, or not an address of this machine): that of
// the interface carrying primaryIpv4Address(). "00 00 00 00 00 00" when that
// interface has no hardware address (a tunnel) or there is none.
QString QueryAdapterMac(const QString &ipAddress, const NetworkCalls &calls = systemNetworkCalls());

// The machine's own address for the messenger: the first IPv4 address of the
// first up, running, non-loopback interface (index order) that has one;
// "127.0.0.1" when there is none.
QString primaryIpv4Address(const NetworkCalls &calls = systemNetworkCalls());

// The text of the network identity box: three lines separated by CR.
QString networkIdentityText(const QString &host, const QString &ip, const QString &mac);

// The MAC text of raw hardware-address bytes: the first six, missing ones as 00.
QString macText(const QByteArray &bytes);

// "Windows Sockets error " + error number as described above + rest.
QString socketsErrorText(int error, bool twoBlanks);
