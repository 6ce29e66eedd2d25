// How many datagrams a second a messenger session handles when it only
// receives, against a plain QUdpSocket reader that only drains its socket. A
// sender on 127.0.0.2 sends bursts of 200 datagrams to 127.0.0.3 and waits
// until all of a burst are handled before the next, so nothing is lost to a
// full receive buffer. Kinds: 02 (presence: one row looked up and marked)
// and 11 (text: row marked, log block appended to a text as the window's log
// would, status reported). The session holds a directory of 1,000 users,
// among them every sender, so each datagram looks up and marks a row. Best
// of N runs (default 3) of 20,000 datagrams each.
#include "messengersession.h"
#include "quietsettings.h"
#include "settingsmapping.h"
#include "settingsstore.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QNetworkDatagram>
#include <QTemporaryDir>
#include <QUdpSocket>

#include <cstdio>
#include <functional>

namespace {

constexpr int Burst = 200;
constexpr int Datagrams = 20000;
constexpr int DirectoryRows = 1000;
const QHostAddress Receiver(QStringLiteral("127.0.0.3"));

// What one run measured.
struct Run
{
    double perSecond = 0; // datagrams handled per second, 0 when some were lost
    double sendingUs = 0; // time spent sending, per datagram
};

// Sends Datagrams datagrams in bursts; handled() counts what the receiver
// has handled so far.
Run pump(QUdpSocket &sender, quint16 port, const std::function<QByteArray(int)> &datagram,
    const std::function<int()> &handled)
{
    const int start = handled();
    qint64 sendingNs = 0;
    QElapsedTimer t;
    t.start();
    for (int sent = 0; sent < Datagrams;) {
        const qint64 burstStart = t.nsecsElapsed();
        for (int i = 0; i < Burst; ++i, ++sent)
            sender.writeDatagram(datagram(sent), Receiver, port);
        sendingNs += t.nsecsElapsed() - burstStart;
        QElapsedTimer wait;
        wait.start();
        while (handled() - start < sent) {
            QCoreApplication::processEvents(QEventLoop::AllEvents);
            if (wait.elapsed() > 5000) {
                std::fprintf(stderr, "lost %d datagrams\n", sent - (handled() - start));
                return {};
            }
        }
    }
    return { Datagrams / (t.nsecsElapsed() / 1e9), sendingNs / 1e3 / Datagrams };
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? qMax(1, QByteArray(argv[1]).toInt()) : 3;

    QUdpSocket sender;
    if (!sender.bind(QHostAddress(QStringLiteral("127.0.0.2")), 0))
        return 1;
    const quint16 port = sender.localPort();

    // 02 from 50 senders' addresses, 11 from one.
    auto presence = [](int i) -> QByteArray {
        return QByteArray("02<USERNAME>peer") + QByteArray::number(i % 50) + "<IPADDR>127.0.5."
            + QByteArray::number(i % 50 + 1) + "<GAMEID><DATA>";
    };
    auto text = [](int i) -> QByteArray {
        return QByteArray("11<USERNAME>peer<IPADDR>127.0.0.2<GAMEID><DATA>message number ") + QByteArray::number(i);
    };

    // The best run; the sending time is that of the same run.
    auto best = [&](const std::function<Run()> &run) {
        Run result;
        for (int i = 0; i < runs; ++i) {
            const Run r = run();
            if (r.perSecond > result.perSecond)
                result = r;
        }
        return result;
    };

    Run plain02;
    Run plain11;
    {
        QUdpSocket reader;
        if (!reader.bind(Receiver, port))
            return 2;
        reader.setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, 1024 * 1024);
        int read = 0;
        QObject::connect(&reader, &QUdpSocket::readyRead, [&] {
            while (reader.hasPendingDatagrams()) {
                reader.receiveDatagram(65507);
                ++read;
            }
        });
        plain02 = best([&] { return pump(sender, port, presence, [&] { return read; }); });
        plain11 = best([&] { return pump(sender, port, text, [&] { return read; }); });
    }

    Run messenger02;
    Run messenger11;
    {
        QTemporaryDir settings, runtime, programs;
        {
            SettingsStore store(QStringLiteral("Pelwick"), settings.path());
            WriteQuietMessengerSettings(store, port, QStringLiteral("bench"));
            // A directory of 1,000 users: first the 50 whose presence
            // arrives, under the names they send; the sender of the texts is
            // the last row, the worst case of a plain scan.
            QList<DirectoryEntry> rows;
            for (int i = 1; i <= DirectoryRows; ++i) {
                QString name = QStringLiteral("user%1").arg(i);
                QString address = QStringLiteral("127.1.%1.%2").arg(i / 250).arg(i % 250 + 1);
                if (i <= 50) {
                    name = QStringLiteral("peer%1").arg(i - 1);
                    address = QStringLiteral("127.0.5.%1").arg(i);
                } else if (i == DirectoryRows) {
                    name = QStringLiteral("peer");
                    address = QStringLiteral("127.0.0.2");
                }
                rows.append({ name, address });
            }
            saveDirectory(store, rows);
        }
        SessionEnvironment env;
        env.bindAddress = Receiver;
        env.settingsDirectory = settings.path();
        env.runtimeDirectory = runtime.path();
        env.programDirectory = programs.path();
        MessengerSession messenger(env);
        messenger.loadSettings();
        if (!messenger.openSocket())
            return 3;
        int handled = 0;
        QString log;
        QObject::connect(&messenger, &MessengerSession::datagramHandled, [&] { ++handled; });
        QObject::connect(&messenger, &MessengerSession::logAppended, [&](const QString &block) { log += block; });
        messenger02 = best([&] { return pump(sender, port, presence, [&] { return handled; }); });
        messenger11 = best([&] { return pump(sender, port, text, [&] { return handled; }); });
        if (!log.contains(QStringLiteral("message number ") + QString::number(Datagrams - 1)))
            return 4;
    }

    std::printf("datagrams handled per second, bursts of %d, best of %d runs of %d\n", Burst, runs, Datagrams);
    std::printf("kind 02 (presence)   plain reader %9.0f/s   session %9.0f/s   (%.0f%%)\n", plain02.perSecond,
        messenger02.perSecond, 100.0 * messenger02.perSecond / plain02.perSecond);
    std::printf("kind 11 (text, log)  plain reader %9.0f/s   session %9.0f/s   (%.0f%%)\n", plain11.perSecond,
        messenger11.perSecond, 100.0 * messenger11.perSecond / plain11.perSecond);
    // The sender shares this thread with both readers; beside the session
    // it also pays for the datagrams being read on another core.
    std::printf("sending, per datagram: 02 %.2f us beside the plain reader, %.2f us beside the session; "
                "11 %.2f / %.2f us\n",
        plain02.sendingUs, messenger02.sendingUs, plain11.sendingUs, messenger11.sendingUs);
    return 0;
}
