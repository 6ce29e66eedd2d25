#include "fakenetworkcalls.h"
#include "networkidentity.h"

#include <QHostAddress>
#include <QHostInfo>
#include <QRegularExpression>
#include <QTest>

namespace {

using FakeCalls = FakeNetworkCalls;
constexpr quint32 ip(int a, int b, int c, int d)
{
    return FakeNetworkCalls::ip(a, b, c, d);
}

NetworkInterfaceFacts iface(
    int index, QList<quint32> ipv4, QByteArray hw = {}, bool loopback = false, bool up = true, bool running = true)
{
    return FakeNetworkCalls::iface(index, ipv4, hw, loopback, up, running);
}

using Interfaces = QList<NetworkInterfaceFacts>;
using Addresses = QList<quint32>;

} // namespace

Q_DECLARE_METATYPE(Interfaces)

class tst_NetworkIdentity : public QObject
{
    Q_OBJECT
private slots:
    void failingHostNameGivesEmptyAndItsOwnText();
    void errorNumberKeepsItsLeadingBlank_data();
    void errorNumberKeepsItsLeadingBlank();
    void addressIsFirstOwnAddressOfTheHostName_data();
    void addressIsFirstOwnAddressOfTheHostName();
    void unresolvableNameSaysSocketsAreNotResponding();
    void adapterMacIsThatOfTheAddressShown_data();
    void adapterMacIsThatOfTheAddressShown();
    void primaryAddressIsFirstUsableInterface_data();
    void primaryAddressIsFirstUsableInterface();
    void realMachineAnswersInTheRightForms();
};

void tst_NetworkIdentity::failingHostNameGivesEmptyAndItsOwnText()
{
    FakeCalls calls;
    calls.name.reset();
    calls.error = 10093;
    QStringList shown;
    const MessageSink sink = [&](const QString &t) { shown << t; };

    QCOMPARE(QueryLocalHostName(sink, calls), QString());
    QCOMPARE(QueryLocalIpAddress(sink, calls), QString());
    QCOMPARE(shown,
        QStringList({ "Windows Sockets error  10093 has occurred.  Unable to successfully get Host Name.",
            "Windows Sockets error  10093 has occurred. Unable to successfully get Host Name." }));
}

void tst_NetworkIdentity::errorNumberKeepsItsLeadingBlank_data()
{
    QTest::addColumn<int>("error");
    QTest::addColumn<QString>("text");
    QTest::newRow("zero") << 0 << "Windows Sockets error  0 has occurred. Unable to successfully get Host Name.";
    QTest::newRow("negative") << -1 << "Windows Sockets error -1 has occurred. Unable to successfully get Host Name.";
}

void tst_NetworkIdentity::errorNumberKeepsItsLeadingBlank()
{
    QFETCH(int, error);
    QFETCH(QString, text);
    QCOMPARE(socketsErrorText(error, false), text);
}

void tst_NetworkIdentity::addressIsFirstOwnAddressOfTheHostName_data()
{
    QTest::addColumn<Addresses>("resolved");
    QTest::addColumn<QString>("address");
    QTest::newRow("first of several") << Addresses { ip(192, 168, 0, 5), ip(10, 0, 0, 1) } << "192.168.0.5";
    QTest::newRow("debian 127.0.1.1 passed over")
        << Addresses { ip(127, 0, 1, 1), ip(192, 168, 0, 7) } << "192.168.0.7";
    QTest::newRow("only loopback: primary address") << Addresses { ip(127, 0, 1, 1) } << "172.16.1.2";
}

void tst_NetworkIdentity::addressIsFirstOwnAddressOfTheHostName()
{
    QFETCH(Addresses, resolved);
    QFETCH(QString, address);
    FakeCalls calls;
    calls.name = QByteArray(" pc01 ");
    calls.resolved = resolved;
    calls.list = { iface(1, { ip(127, 0, 0, 1) }, {}, true), iface(2, { ip(172, 16, 1, 2) }) };
    QStringList shown;
    QCOMPARE(QueryLocalIpAddress([&](const QString &t) { shown << t; }, calls), address);
    QCOMPARE(calls.askedFor, QByteArray("pc01"));
    QVERIFY(shown.isEmpty());
}

void tst_NetworkIdentity::unresolvableNameSaysSocketsAreNotResponding()
{
    FakeCalls calls;
    QStringList shown;
    QCOMPARE(QueryLocalIpAddress([&](const QString &t) { shown << t; }, calls), QString());
    QCOMPARE(shown, QStringList({ "Windows Sockets are not responding. Unable to successfully get Host Name." }));
}

void tst_NetworkIdentity::adapterMacIsThatOfTheAddressShown_data()
{
    QTest::addColumn<Interfaces>("interfaces");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("mac");
    const auto lo = iface(1, { ip(127, 0, 0, 1) }, QByteArray(6, '\0'), true);
    QTest::newRow("byte 0x0A") << Interfaces { iface(2, { ip(10, 0, 0, 2) }, QByteArray::fromHex("00a0c90a3b7f")) }
                               << "10.0.0.2"
                               << "00 A0 C9 0A 3B 7F";
    QTest::newRow("no adapter") << Interfaces {} << ""
                                << "00 00 00 00 00 00";
    // A cable listed first but unplugged, and the Wi-Fi carrying the address.
    QTest::newRow("unused adapter listed first passed over")
        << Interfaces { lo, iface(2, {}, QByteArray::fromHex("111111111111"), false, true, false),
               iface(3, { ip(192, 168, 0, 5) }, QByteArray::fromHex("0123456789ab")) }
        << "192.168.0.5"
        << "01 23 45 67 89 AB";
    QTest::newRow("second address of an adapter")
        << Interfaces { iface(2, { ip(10, 0, 0, 2) }, QByteArray::fromHex("222222222222")),
               iface(3, { ip(10, 1, 0, 3), ip(10, 1, 0, 4) }, QByteArray::fromHex("333333333333")) }
        << "10.1.0.4"
        << "33 33 33 33 33 33";
    QTest::newRow("address of no adapter: the primary one's")
        << Interfaces { iface(5, {}, QByteArray::fromHex("555555555555")),
               iface(4, { ip(10, 4, 4, 4) }, QByteArray::fromHex("444444444444")),
               iface(3, { ip(10, 3, 3, 3) }, QByteArray::fromHex("333333333333"), false, false) }
        << "203.0.113.9"
        << "44 44 44 44 44 44";
    QTest::newRow("no address shown: the primary one's")
        << Interfaces { iface(2, { ip(10, 0, 0, 2) }, QByteArray::fromHex("222222222222")) } << ""
        << "22 22 22 22 22 22";
    QTest::newRow("tunnel carrying it has none")
        << Interfaces { iface(2, { ip(10, 0, 0, 2) }, QByteArray::fromHex("222222222222")),
               iface(9, { ip(10, 8, 0, 1) }) }
        << "10.8.0.1"
        << "00 00 00 00 00 00";
    QTest::newRow("only loopback") << Interfaces { lo } << "127.0.0.1"
                                   << "00 00 00 00 00 00";
    QTest::newRow("short address padded")
        << Interfaces { iface(2, { ip(10, 0, 0, 2) }, QByteArray::fromHex("ff")) } << "10.0.0.2"
        << "FF 00 00 00 00 00";
}

void tst_NetworkIdentity::adapterMacIsThatOfTheAddressShown()
{
    QFETCH(Interfaces, interfaces);
    QFETCH(QString, shown);
    QFETCH(QString, mac);
    FakeCalls calls;
    calls.list = interfaces;
    QCOMPARE(QueryAdapterMac(shown, calls), mac);
}

void tst_NetworkIdentity::primaryAddressIsFirstUsableInterface_data()
{
    QTest::addColumn<Interfaces>("interfaces");
    QTest::addColumn<QString>("address");
    QTest::newRow("none") << Interfaces {} << "127.0.0.1";
    QTest::newRow("only loopback") << Interfaces { iface(1, { ip(127, 0, 0, 1) }, {}, true) } << "127.0.0.1";
    QTest::newRow("down, not running and address-less passed over") << Interfaces {
        iface(2, { ip(10, 0, 0, 2) }, {}, false, false), iface(3, { ip(10, 0, 0, 3) }, {}, false, true, false),
        iface(4, {}), iface(5, { ip(10, 0, 0, 5), ip(10, 0, 0, 6) })
    } << "10.0.0.5";
    QTest::newRow("index order") << Interfaces { iface(9, { ip(10, 9, 9, 9) }), iface(4, { ip(10, 4, 4, 4) }) }
                                 << "10.4.4.4";
}

void tst_NetworkIdentity::primaryAddressIsFirstUsableInterface()
{
    QFETCH(Interfaces, interfaces);
    QFETCH(QString, address);
    FakeCalls calls;
    calls.list = interfaces;
    QCOMPARE(primaryIpv4Address(calls), address);
}

void tst_NetworkIdentity::realMachineAnswersInTheRightForms()
{
    QStringList shown;
    const MessageSink sink = [&](const QString &t) { shown << t; };
    QCOMPARE(QueryLocalHostName(sink), QHostInfo::localHostName());
    const QHostAddress primary(primaryIpv4Address());
    QCOMPARE(primary.protocol(), QAbstractSocket::IPv4Protocol);
    const QString own = QueryLocalIpAddress(sink);
    QVERIFY(
        QRegularExpression(QStringLiteral("^[0-9A-F]{2}( [0-9A-F]{2}){5}$")).match(QueryAdapterMac(own)).hasMatch());
    if (!own.isEmpty())
        QVERIFY(!own.startsWith(QLatin1String("127.")) || primary.isLoopback());
    QVERIFY(shown.size() <= 1); // only an unresolvable host name may speak
}

QTEST_GUILESS_MAIN(tst_NetworkIdentity)
#include "tst_networkidentity.moc"
