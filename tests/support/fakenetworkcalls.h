#pragma once

#include "networkidentity.h"

// The network identity's questions answered from fields a test sets: a host
// name (or its error number), what it resolves to and the interface list.
// The default is a machine "pc01" whose name resolves to nothing.
class FakeNetworkCalls : public NetworkCalls
{
public:
    std::optional<QByteArray> name = QByteArray("pc01");
    int error = 0;
    QList<quint32> resolved;
    QList<NetworkInterfaceFacts> list;
    mutable QByteArray askedFor;

    std::optional<QByteArray> hostName(int &e) const override
    {
        e = error;
        return name;
    }
    QList<quint32> resolveIpv4(const QByteArray &n) const override
    {
        askedFor = n;
        return resolved;
    }
    QList<NetworkInterfaceFacts> interfaces() const override { return list; }

    static constexpr quint32 ip(int a, int b, int c, int d)
    {
        return (quint32(a) << 24) | (quint32(b) << 16) | (quint32(c) << 8) | quint32(d);
    }

    static NetworkInterfaceFacts iface(
        int index, QList<quint32> ipv4, QByteArray hw = {}, bool loopback = false, bool up = true, bool running = true)
    {
        NetworkInterfaceFacts f;
        f.index = index;
        f.ipv4 = ipv4;
        f.hardwareAddress = hw;
        f.loopback = loopback;
        f.up = up;
        f.running = running;
        return f;
    }
};
