#include "datagram.h"
#include "settingsmapping.h"
#include "settingsstore.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QNetworkDatagram>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QUdpSocket>

#include <functional>
#include <thread>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sched.h>
#include <sys/socket.h>
#include <unistd.h>

static QList<DirectoryEntry> savedUsers(const QTemporaryDir &home)
{
    return loadDirectory(SettingsStore(QStringLiteral("Pelwick"), home.filePath(QStringLiteral("config"))));
}

// Two real Pelwick programs on two machines of their own: network
// namespaces joined by a virtual cable. Needs root; skips without it.
class tst_Netns : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void twoProgramsFindEachOtherAndKeepWhatTheyLearnt();
    void aHostWithTwoNetworksNamesTheAddressItsPeerReaches();
    void emptyDirectoriesFillThroughTheBroadcast_data();
    void emptyDirectoriesFillThroughTheBroadcast();
    void aNewOwnAddressIsAnnounced();

private:
    // Runs ip; empty when it succeeded, else the command and what it printed.
    static QString ipError(const QStringList &arguments);
    // Runs ip; a failure is logged with what ip printed.
    static bool ip(const QStringList &arguments);
    void startPelwick(QProcess &process, const QString &netns, const QTemporaryDir &home);
    static bool listening(const QString &netns);
    static void writeSettings(const QTemporaryDir &home, const QString &name, const QList<DirectoryEntry> &users,
        const QString &broadcast = QStringLiteral("True"));
    // Starts beta (or alpha) first, then the other, lets them talk, and ends
    // both as a session end would.
    // Runs both programs until settled() (what they saved while running)
    // holds, then ends them as a session end does.
    void runBoth(const QTemporaryDir &alphaHome, const QTemporaryDir &betaHome, const std::function<bool()> &settled,
        bool alphaFirst = false);

    QString m_alpha;
    QString m_beta;
    // Alpha's end of the cable to beta.
    QString m_alphaCable;
    bool m_created = false;
};

static const char AlphaAddress[] = "10.231.7.1";
static const char BetaAddress[] = "10.231.7.2";
// A second network of alpha's, listed before the one beta is on.
static const char AlphaOtherAddress[] = "10.232.9.1";

QString tst_Netns::ipError(const QStringList &arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(QStringLiteral("ip"), arguments);
    const QString command = QStringLiteral("ip ") + arguments.join(QLatin1Char(' '));
    if (!process.waitForFinished(10000))
        return command + QStringLiteral(": ") + process.errorString();
    if (process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0)
        return {};
    return command + QStringLiteral(" failed: ") + QString::fromLocal8Bit(process.readAll()).trimmed();
}

bool tst_Netns::ip(const QStringList &arguments)
{
    const QString error = ipError(arguments);
    if (!error.isEmpty())
        qWarning().noquote() << error;
    return error.isEmpty();
}

void tst_Netns::initTestCase()
{
    if (::geteuid() != 0)
        QSKIP("network namespaces need root");
    if (QStandardPaths::findExecutable(QStringLiteral("ip")).isEmpty())
        QSKIP("the ip tool is not installed");
    const QString suffix = QString::number(QCoreApplication::applicationPid());
    m_alpha = QStringLiteral("pw-alpha-") + suffix;
    m_beta = QStringLiteral("pw-beta-") + suffix;
    if (const QString error = ipError({ QStringLiteral("netns"), QStringLiteral("add"), m_alpha }); !error.isEmpty())
        QSKIP(qPrintable(QStringLiteral("network namespaces cannot be created here: ") + error));
    m_created = true;
    // Entering one needs more than creating it (in a chroot, "/" is no
    // mount point and ip cannot set up the namespace's mounts).
    if (const QString error
        = ipError({ QStringLiteral("netns"), QStringLiteral("exec"), m_alpha, QStringLiteral("true") });
        !error.isEmpty())
        QSKIP(qPrintable(QStringLiteral("network namespaces cannot be entered here: ") + error));
    QVERIFY(ip({ QStringLiteral("netns"), QStringLiteral("add"), m_beta }));
    // Created first, so alpha lists it before the cable to beta.
    const QString xa = QStringLiteral("pxa") + suffix, xb = QStringLiteral("pxb") + suffix;
    QVERIFY(ip({ "link", "add", xa, "type", "veth", "peer", "name", xb }));
    QVERIFY(ip({ "link", "set", xa, "netns", m_alpha }));
    QVERIFY(ip({ "link", "set", xb, "netns", m_alpha }));
    QVERIFY(ip({ "-n", m_alpha, "addr", "add", QString::fromLatin1(AlphaOtherAddress) + "/24", "dev", xa }));
    QVERIFY(ip({ "-n", m_alpha, "link", "set", xa, "up" }));
    QVERIFY(ip({ "-n", m_alpha, "link", "set", xb, "up" }));
    const QString va = QStringLiteral("pwa") + suffix, vb = QStringLiteral("pwb") + suffix;
    m_alphaCable = va;
    QVERIFY(ip({ "link", "add", va, "type", "veth", "peer", "name", vb }));
    QVERIFY(ip({ "link", "set", va, "netns", m_alpha }));
    QVERIFY(ip({ "link", "set", vb, "netns", m_beta }));
    QVERIFY(ip({ "-n", m_alpha, "addr", "add", QString::fromLatin1(AlphaAddress) + "/24", "dev", va }));
    QVERIFY(ip({ "-n", m_beta, "addr", "add", QString::fromLatin1(BetaAddress) + "/24", "dev", vb }));
    for (const auto &[ns, dev] : { std::pair { m_alpha, va }, std::pair { m_beta, vb } }) {
        QVERIFY(ip({ "-n", ns, "link", "set", "lo", "up" }));
        QVERIFY(ip({ "-n", ns, "link", "set", dev, "up" }));
    }
}

void tst_Netns::cleanupTestCase()
{
    // Deleting a namespace also removes its end of the cable.
    if (m_created) {
        ip({ QStringLiteral("netns"), QStringLiteral("del"), m_alpha });
        ip({ QStringLiteral("netns"), QStringLiteral("del"), m_beta });
    }
}

// Each machine has its own home: settings and runtime folders found the
// way a user's session provides them.
void tst_Netns::startPelwick(QProcess &process, const QString &netns, const QTemporaryDir &home)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("HOME"), home.path());
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), home.filePath(QStringLiteral("runtime")));
    env.insert(QStringLiteral("XDG_DATA_HOME"), home.filePath(QStringLiteral("data")));
    QDir(home.path()).mkpath(QStringLiteral("runtime"));
    QFile::setPermissions(home.filePath(QStringLiteral("runtime")),
        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.start(QStringLiteral("ip"),
        { QStringLiteral("netns"), QStringLiteral("exec"), netns, QStringLiteral(PELWICK_BIN_DIR "/Pelwick") });
}

// Whether a program in the namespace has bound the messenger's port.
bool tst_Netns::listening(const QString &netns)
{
    QProcess process;
    process.start(QStringLiteral("ip"),
        { QStringLiteral("netns"), QStringLiteral("exec"), netns, QStringLiteral("cat"),
            QStringLiteral("/proc/net/udp") });
    process.waitForFinished(5000);
    return process.readAllStandardOutput().contains(":E8F8 ");
}

void tst_Netns::twoProgramsFindEachOtherAndKeepWhatTheyLearnt()
{
    // Alpha knows beta's machine under an old name; beta knows no one.
    // Alpha's announcement reaches beta, who adds alpha to the list; beta's
    // answer renames the row alpha holds for beta's address. Ended by the
    // session, both save their directory.
    QTemporaryDir alphaHome, betaHome;
    writeSettings(alphaHome, QStringLiteral("alpha"),
        { { QStringLiteral("old-name"), QString::fromLatin1(BetaAddress) } }, QStringLiteral("False"));
    writeSettings(betaHome, QStringLiteral("ベータ"), {}, QStringLiteral("False"));
    runBoth(alphaHome, betaHome, [&] {
        return savedUsers(alphaHome).value(0).UserName == QStringLiteral("ベータ") && savedUsers(betaHome).size() == 1;
    });
    const SettingsStore alphaSaved(QStringLiteral("Pelwick"), alphaHome.filePath(QStringLiteral("config")));
    QCOMPARE(alphaSaved.value("User", "Count"), QStringLiteral("1"));
    QCOMPARE(alphaSaved.value("User", "001UserName"), QStringLiteral("ベータ"));
    QCOMPARE(alphaSaved.value("User", "001UserIpAddr"), QString::fromLatin1(BetaAddress));
    const SettingsStore betaSaved(QStringLiteral("Pelwick"), betaHome.filePath(QStringLiteral("config")));
    QCOMPARE(betaSaved.value("User", "Count"), QStringLiteral("1"));
    QCOMPARE(betaSaved.value("User", "001UserName"), QStringLiteral("alpha"));
    QCOMPARE(betaSaved.value("User", "001UserIpAddr"), QString::fromLatin1(AlphaAddress));
}

void tst_Netns::writeSettings(
    const QTemporaryDir &home, const QString &name, const QList<DirectoryEntry> &users, const QString &broadcast)
{
    SettingsStore store(QStringLiteral("Pelwick"), home.filePath(QStringLiteral("config")));
    store.setValue("Local", "UserName", name);
    store.setValue("Local", "Sound", "False");
    store.setValue("Local", "Notify", "False");
    store.setValue("Local", "Broadcast", broadcast);
    saveDirectory(store, users);
    QVERIFY(store.sync());
}

void tst_Netns::runBoth(const QTemporaryDir &alphaHome, const QTemporaryDir &betaHome,
    const std::function<bool()> &settled, bool alphaFirst)
{
    QProcess beta, alpha;
    struct Side
    {
        QProcess *process;
        QString netns;
        const QTemporaryDir *home;
    };
    Side sides[] = { { &beta, m_beta, &betaHome }, { &alpha, m_alpha, &alphaHome } };
    if (alphaFirst)
        std::swap(sides[0], sides[1]);
    for (const Side &side : sides) {
        startPelwick(*side.process, side.netns, *side.home);
        QTRY_VERIFY_WITH_TIMEOUT(listening(side.netns), 10000);
    }
    // A changed directory is saved within a second of the change.
    QTRY_VERIFY_WITH_TIMEOUT(settled(), 10000);
    alpha.terminate();
    beta.terminate();
    QVERIFY(alpha.waitForFinished(10000));
    QVERIFY(beta.waitForFinished(10000));
    QCOMPARE(alpha.exitCode(), 0);
    QCOMPARE(beta.exitCode(), 0);
}

// Alpha's first network is one beta cannot reach: every datagram alpha sends
// to beta must name alpha's address on their common cable. Beta holds
// alpha's row under an old name; only a datagram naming that address from
// that address renames it (one naming the other network is dropped).
void tst_Netns::aHostWithTwoNetworksNamesTheAddressItsPeerReaches()
{
    QTemporaryDir alphaHome, betaHome;
    const QList<DirectoryEntry> betaKnowsAlpha = { { QStringLiteral("old-name"), QString::fromLatin1(AlphaAddress) } };
    const QList<DirectoryEntry> renamed = { { QStringLiteral("alpha"), QString::fromLatin1(AlphaAddress) } };
    // Alpha's answer: beta announces to the running alpha, who adds beta
    // and answers.
    writeSettings(alphaHome, QStringLiteral("alpha"), {}, QStringLiteral("False"));
    writeSettings(betaHome, QStringLiteral("beta"), betaKnowsAlpha, QStringLiteral("False"));
    const QList<DirectoryEntry> alphaKnowsBeta = { { QStringLiteral("beta"), QString::fromLatin1(BetaAddress) } };
    runBoth(alphaHome, betaHome, [&] { return savedUsers(alphaHome) == alphaKnowsBeta; }, true);
    QCOMPARE(savedUsers(alphaHome), alphaKnowsBeta);
    QCOMPARE(savedUsers(betaHome), renamed);

    // Alpha's announcement: alpha, now knowing beta, starts after it.
    writeSettings(betaHome, QStringLiteral("beta"), betaKnowsAlpha, QStringLiteral("False"));
    runBoth(alphaHome, betaHome, [&] { return savedUsers(betaHome) == renamed; }, false);
    QCOMPARE(savedUsers(betaHome), renamed);
}

void tst_Netns::emptyDirectoriesFillThroughTheBroadcast_data()
{
    QTest::addColumn<bool>("broadcast");
    QTest::newRow("on") << true;
    QTest::newRow("off") << false;
}

// Nobody lists anybody: the broadcast at start finds the peer on the
// cable, the answer finds the broadcaster, and nobody lists itself.
void tst_Netns::emptyDirectoriesFillThroughTheBroadcast()
{
    QFETCH(bool, broadcast);
    const QString flag = broadcast ? QStringLiteral("True") : QStringLiteral("False");
    QTemporaryDir alphaHome, betaHome;
    writeSettings(alphaHome, QStringLiteral("alpha"), {}, flag);
    writeSettings(betaHome, QStringLiteral("beta"), {}, flag);
    // Without the broadcast nothing comes to wait for: each program has sent
    // whatever its start-up sends before it handles the end of the session.
    runBoth(alphaHome, betaHome,
        [&] { return !broadcast || (!savedUsers(alphaHome).isEmpty() && !savedUsers(betaHome).isEmpty()); });
    if (!broadcast) {
        QVERIFY(savedUsers(alphaHome).isEmpty());
        QVERIFY(savedUsers(betaHome).isEmpty());
        return;
    }
    QCOMPARE(
        savedUsers(alphaHome), QList<DirectoryEntry>({ { QStringLiteral("beta"), QString::fromLatin1(BetaAddress) } }));
    QCOMPARE(savedUsers(betaHome),
        QList<DirectoryEntry>({ { QStringLiteral("alpha"), QString::fromLatin1(AlphaAddress) } }));
}

// A UDP socket bound to address and port inside netns: made on a thread that
// enters the namespace, where the socket stays. -1 when that fails.
static int socketIn(const QString &netns, const QString &address, quint16 port)
{
    int fd = -1;
    std::thread([&] {
        const int ns = ::open(QByteArray("/run/netns/" + netns.toLocal8Bit()).constData(), O_RDONLY | O_CLOEXEC);
        if (ns < 0)
            return;
        const bool entered = ::setns(ns, CLONE_NEWNET) == 0;
        ::close(ns);
        if (!entered)
            return;
        fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_in local {};
        local.sin_family = AF_INET;
        local.sin_port = htons(port);
        ::inet_pton(AF_INET, address.toLatin1().constData(), &local.sin_addr);
        if (fd >= 0 && ::bind(fd, reinterpret_cast<const sockaddr *>(&local), sizeof local) != 0) {
            ::close(fd);
            fd = -1;
        }
    }).join();
    return fd;
}

// The next announcement (01) that names address, waiting at most timeoutMs.
static bool announcementNaming(QUdpSocket &socket, const QString &address, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        while (socket.hasPendingDatagrams()) {
            const ParsedDatagram d = ParseDatagram(socket.receiveDatagram().data());
            if (d.Kind == QLatin1String("01") && d.IpAddr == address)
                return true;
        }
        QSignalSpy arrived(&socket, &QUdpSocket::readyRead);
        arrived.wait(int(qMax<qint64>(1, deadline.remainingTime())));
    }
    return false;
}

// Alpha's address on the cable changes while it runs (a new lease): beta,
// listed in alpha's directory, hears a new announcement naming the new
// address within ten seconds, without anybody asking.
void tst_Netns::aNewOwnAddressIsAnnounced()
{
    const QString cidr = QStringLiteral("/24");
    const QString oldAddress = QString::fromLatin1(AlphaAddress);
    const QString newAddress = QStringLiteral("10.231.7.51");
    QUdpSocket beta;
    const int fd = socketIn(m_beta, QString::fromLatin1(BetaAddress), 59640);
    QVERIFY(fd >= 0);
    QVERIFY(beta.setSocketDescriptor(fd, QAbstractSocket::BoundState, QIODevice::ReadOnly));

    QTemporaryDir alphaHome;
    writeSettings(alphaHome, QStringLiteral("alpha"), { { QStringLiteral("beta"), QString::fromLatin1(BetaAddress) } },
        QStringLiteral("False"));
    QProcess alpha;
    startPelwick(alpha, m_alpha, alphaHome);
    QVERIFY(announcementNaming(beta, oldAddress, 10000));

    QVERIFY(ip({ "-n", m_alpha, "addr", "del", oldAddress + cidr, "dev", m_alphaCable }));
    QVERIFY(ip({ "-n", m_alpha, "addr", "add", newAddress + cidr, "dev", m_alphaCable }));
    const bool announced = announcementNaming(beta, newAddress, 10000);

    alpha.terminate();
    QVERIFY(alpha.waitForFinished(10000));
    QVERIFY(ip({ "-n", m_alpha, "addr", "del", newAddress + cidr, "dev", m_alphaCable }));
    QVERIFY(ip({ "-n", m_alpha, "addr", "add", oldAddress + cidr, "dev", m_alphaCable }));
    QVERIFY(announced);
}

QTEST_MAIN(tst_Netns)
#include "tst_netns.moc"
