#include "userdirectory.h"
#include "messengerfixture.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QRandomGenerator>
#include <QTest>
#include <QTimer>

// A flood of random datagrams from several loopback peers into a running
// messenger, followed by an ordinary announcement that must still be
// answered. Resident memory must stay bounded and at most one box may be
// open at any time.
class tst_Flood : public QObject
{
    Q_OBJECT
private slots:
    void floodOfRandomDatagramsLeavesTheMessengerAnswering();
};

namespace {

constexpr int FloodCount = 100000;
// Resident memory is measured after this many datagrams and at the end; the
// growth in between must stay under the bound (instrumented builds keep
// freed memory in quarantine for a while, so they get more room).
constexpr int WarmUpCount = 20000;
#if defined(__SANITIZE_ADDRESS__)
constexpr qint64 GrowthBoundKiB = 512 * 1024;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr qint64 GrowthBoundKiB = 512 * 1024;
#else
constexpr qint64 GrowthBoundKiB = 96 * 1024;
#endif
#else
constexpr qint64 GrowthBoundKiB = 96 * 1024;
#endif
// A burst never holds more bytes than the messenger's receive buffer takes,
// so the kernel drops nothing while the messenger catches up.
constexpr qint64 BurstBytes = 96 * 1024;

const QString MessengerAddress = QStringLiteral("127.0.0.3");
const QStringList PeerAddresses = { QStringLiteral("127.0.0.4"), QStringLiteral("127.0.0.5"),
                                    QStringLiteral("127.0.0.6"), QStringLiteral("127.0.0.7") };

qint64 statusKiB(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(qstrlen(field)).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

// One random datagram: a kind from the protocol or two random bytes, tags
// present or not, fields and data random, size up to a full UDP payload
// (mostly small: sizes are spread evenly over their number of digits).
QByteArray randomDatagram(QRandomGenerator &random)
{
    static const QList<QByteArray> kinds = { "01", "02", "11", "12", "21", "29", "31", "32", "40", "99" };
    static const QList<QByteArray> gameIds = { "", "01", "02", "07", "99" };
    const int bits = int(random.bounded(1, 17));
    const qsizetype size = qMin<qsizetype>(MaxDatagramSize, qsizetype(random.bounded(1u << (bits - 1), 1u << bits)));

    QByteArray d;
    if (random.bounded(8) == 0) {
        d = QByteArray(size, Qt::Uninitialized);
        random.fillRange(reinterpret_cast<quint32 *>(d.data()), size / 4);
        for (qsizetype i = size / 4 * 4; i < size; ++i)
            d[i] = char(random.bounded(256));
    } else {
        d = kinds.at(random.bounded(kinds.size()));
        d += "<USERNAME>";
        d += QByteArray::number(random.bounded(1000));
        d += "<IPADDR>";
        d += PeerAddresses.at(random.bounded(PeerAddresses.size())).toLatin1();
        d += "<GAMEID>";
        d += gameIds.at(random.bounded(gameIds.size()));
        d += "<DATA>";
        while (d.size() < size)
            d += char(random.bounded(256));
        d.truncate(size);
    }
    if (d.startsWith(' '))
        d[0] = 'x';
    return d;
}

// Whatever the datagram names as sender must be a loopback address or no
// address at all: the messenger answers it.
bool answersStayOnLoopback(const QByteArray &datagram)
{
    const QHostAddress sender(ParseDatagram(datagram).IpAddr);
    return sender.isNull() || sender.isLoopback();
}

} // namespace

void tst_Flood::floodOfRandomDatagramsLeavesTheMessengerAnswering()
{
    QStringList all = PeerAddresses;
    all.prepend(MessengerAddress);
    const quint16 port = freeUdpPort(all);
    QVERIFY(port != 0);

    int boxesOpen = 0;
    int mostBoxesOpen = 0;
    int boxesShown = 0;
    bool flooding = true;
    // A box stays open, as a user who is away would leave it, until the
    // flood is over; datagrams go on arriving underneath it.
    SetMessageBoxHook([&](const MessageBoxRequest &) {
        ++boxesShown;
        mostBoxesOpen = qMax(mostBoxesOpen, ++boxesOpen);
        if (flooding) {
            QEventLoop open;
            QObject::connect(qApp, &QCoreApplication::aboutToQuit, &open, &QEventLoop::quit);
            QTimer poll;
            QObject::connect(&poll, &QTimer::timeout, &open, [&] {
                if (!flooding)
                    open.quit();
            });
            poll.start(20);
            open.exec();
        }
        --boxesOpen;
        return QMessageBox::Ok;
    });

    MessengerFixture me(MessengerAddress, port);
    QList<DirectoryEntry> directory;
    for (const QString &a : PeerAddresses)
        directory.append({ QStringLiteral("peer"), a });
    me.storeDirectory(directory);
    QList<std::shared_ptr<QUdpSocket>> peers;
    for (const QString &a : PeerAddresses) {
        auto socket = std::make_shared<QUdpSocket>();
        QVERIFY(socket->bind(QHostAddress(a), port));
        peers.append(socket);
    }
    frm_pelwickUDP *window = me.start();
    QVERIFY(window);

    int handled = 0;
    connect(window->session(), &MessengerSession::datagramHandled, this, [&] { ++handled; });
    auto drainPeers = [&] {
        for (const auto &p : std::as_const(peers)) {
            while (p->hasPendingDatagrams())
                p->receiveDatagram(0);
        }
    };

    QRandomGenerator random(20261208);
    int sent = 0;
    qint64 bytesSent = 0;
    qint64 rssAfterWarmUp = 0;
    // The sender runs from the event loop, so it keeps going while a box is
    // open; it waits for the messenger to catch up after each burst.
    QTimer sender;
    QEventLoop done;
    // A datagram the kernel dropped never arrives: after a long quiet spell
    // the missing ones count as lost, so the flood goes on.
    int lost = 0;
    int lastHandled = -1;
    QElapsedTimer quiet;
    quiet.start();
    connect(&sender, &QTimer::timeout, this, [&] {
        if (handled != lastHandled) {
            lastHandled = handled;
            quiet.restart();
        }
        if (handled + lost < sent) {
            if (quiet.elapsed() < 5000)
                return;
            lost = sent - handled;
        }
        drainPeers();
        if (sent >= WarmUpCount && rssAfterWarmUp == 0)
            rssAfterWarmUp = statusKiB("VmRSS:");
        if (sent >= FloodCount) {
            flooding = false;
            sender.stop();
            done.quit();
            return;
        }
        qint64 burst = 0;
        while (sent < FloodCount && burst < BurstBytes) {
            QByteArray d = randomDatagram(random);
            if (!answersStayOnLoopback(d))
                continue;
            if (burst > 0 && burst + d.size() > BurstBytes)
                break;
            const auto &peer = peers.at(sent % peers.size());
            if (peer->writeDatagram(d, QHostAddress(MessengerAddress), port) != d.size())
                continue;
            burst += d.size();
            bytesSent += d.size();
            ++sent;
        }
    });
    sender.start(0);
    done.exec();
    QTRY_COMPARE_WITH_TIMEOUT(boxesOpen, 0, 10000);
    const qint64 rssAtEnd = statusKiB("VmRSS:");
    const qint64 peakRss = statusKiB("VmHWM:");
    drainPeers();

    qInfo("flood: %d datagrams sent (%lld bytes), %d handled, %d lost; boxes shown %d, most open at once %d; "
          "RSS after %d: %lld KiB, at end: %lld KiB, peak %lld KiB",
          sent, bytesSent, handled, lost, boxesShown, mostBoxesOpen, WarmUpCount, rssAfterWarmUp, rssAtEnd, peakRss);
    QCOMPARE(sent, FloodCount);
    // Bursts fit the receive buffer, so loopback loses next to nothing.
    QVERIFY2(lost <= FloodCount / 1000, qPrintable(QStringLiteral("%1 datagrams lost").arg(lost)));
    QCOMPARE(handled + lost, FloodCount);
    QCOMPARE(mostBoxesOpen, 1);
    QVERIFY2(rssAtEnd - rssAfterWarmUp < GrowthBoundKiB,
             qPrintable(QStringLiteral("resident memory grew by %1 KiB").arg(rssAtEnd - rssAfterWarmUp)));

    // The messenger still answers an ordinary announcement of a host that
    // took no part in the flood (the flooders, which added and removed
    // themselves again and again, have used up their new rows for a while).
    QUdpSocket newcomer;
    QVERIFY(newcomer.bind(QHostAddress(QStringLiteral("127.0.0.8")), port));
    newcomer.writeDatagram("01<USERNAME>peer<IPADDR>127.0.0.8<GAMEID><DATA>", QHostAddress(MessengerAddress), port);
    QTRY_VERIFY_WITH_TIMEOUT(newcomer.hasPendingDatagrams(), 10000);
    QByteArray answer = newcomer.receiveDatagram().data();
    QCOMPARE(answer, QByteArray("02<USERNAME>me<IPADDR>127.0.0.3<GAMEID><DATA>"));
    SetMessageBoxHook({});
}

QTEST_MAIN(tst_Flood)
#include "tst_flood.moc"
