// The user directory at scale: the settings load and save of 1,000 and
// 5,000 rows, and the 01 announcement to every row. Best of N runs each
// (default 5), and the 5000/1000 ratio, which stays near 5 while the work
// per row is constant.
//
// Rows have addresses 127.1.x.y; the first 64 are peers of this process on
// loopback that count what they receive, the others are loopback addresses
// nobody listens on. Nothing leaves the machine.
#include "frm_pelwickUDP.h"
#include "peerpresence.h"
#include "messagebox.h"
#include "quietsettings.h"
#include "settingsmapping.h"
#include "settingsstore.h"
#include "userdirectory.h"
#include "userlist.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QNetworkDatagram>
#include <QTemporaryDir>
#include <QUdpSocket>

#include <cstdio>
#include <functional>
#include <limits>
#include <memory>

namespace {

constexpr int PeerCount = 64;

QString rowAddress(int i)
{
    return QStringLiteral("127.1.%1.%2").arg(i / 250).arg(i % 250 + 1);
}

// A settings file of rows entries, as the program writes it.
QByteArray directoryFile(int rows)
{
    QTemporaryDir dir;
    SettingsStore store(QStringLiteral("Pelwick"), dir.path());
    QList<DirectoryEntry> entries;
    for (int i = 0; i < rows; ++i)
        entries.append({ QStringLiteral("ユーザー%1").arg(i), rowAddress(i) });
    store.setValue(QStringLiteral("Local"), QStringLiteral("UserName"), QStringLiteral("bench"));
    saveDirectory(store, entries);
    store.sync();
    QFile f(store.filePath());
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

double bestOf(int runs, const std::function<double()> &run)
{
    double best = std::numeric_limits<double>::max();
    for (int i = 0; i < runs; ++i)
        best = qMin(best, run());
    return best;
}

struct Figures
{
    double load = 0;
    double save = 0;
    double announce = 0;
    double lookup = 0;
};

Figures measure(int rows, int runs, quint16 port, QList<QUdpSocket *> &peers)
{
    const QByteArray file = directoryFile(rows);
    QTemporaryDir runtime;
    Figures f;

    // Load: each run from a folder this process has never read, so the file
    // is parsed as at a program start.
    f.load = bestOf(runs, [&] {
        QTemporaryDir settings;
        QDir().mkpath(settings.filePath(QStringLiteral("Pelwick")));
        QFile out(settings.filePath(QStringLiteral("Pelwick/Pelwick.ini")));
        out.open(QIODevice::WriteOnly);
        out.write(file);
        out.close();
        MessengerEnvironment env;
        env.settingsDirectory = settings.path();
        env.runtimeDirectory = runtime.path();
        env.dataDirectory = runtime.path() + QStringLiteral("/data");
        frm_pelwickUDP window(env);
        QElapsedTimer t;
        t.start();
        window.LoadOrSaveSettings(SettingsTransfer::Load);
        const double ms = t.nsecsElapsed() / 1e6;
        if (window.session()->directory()->rowCount() != rows)
            std::fprintf(stderr, "load of %d rows gave %d\n", rows, window.session()->directory()->rowCount());
        return ms;
    });

    // Save and announcement from one loaded messenger.
    QTemporaryDir settings;
    {
        SettingsStore store(QStringLiteral("Pelwick"), settings.path());
        WriteQuietMessengerSettings(store, port, QStringLiteral("bench"));
    }
    MessengerEnvironment env;
    env.bindAddress = QHostAddress(QStringLiteral("127.0.0.3"));
    env.settingsDirectory = settings.path();
    env.runtimeDirectory = runtime.path();
    env.dataDirectory = runtime.path() + QStringLiteral("/data");
    QTemporaryDir programs;
    env.programDirectory = programs.path();
    frm_pelwickUDP window(env);
    if (!window.Form_Load()) {
        std::fprintf(stderr, "messenger did not start\n");
        return f;
    }
    // The start announcement goes out from the event loop: done with
    // before the rows come.
    QCoreApplication::processEvents();
    while (window.session()->presence()->announcing())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    UserDirectory *list = window.session()->directory();
    for (int i = 0; i < rows; ++i)
        list->appendRow(QStringLiteral("ユーザー%1").arg(i), PresenceMark::NotHeard, rowAddress(i));

    f.save = bestOf(runs, [&] {
        QElapsedTimer t;
        t.start();
        window.LoadOrSaveSettings(SettingsTransfer::Save);
        return t.nsecsElapsed() / 1e6;
    });

    f.announce = bestOf(runs, [&] {
        for (QUdpSocket *peer : peers) {
            while (peer->hasPendingDatagrams())
                peer->receiveDatagram();
        }
        QElapsedTimer t;
        t.start();
        // Paced: the figure is the wall time until the last row's 01.
        window.session()->presence()->announce();
        while (window.session()->presence()->announcing())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        const double ms = t.nsecsElapsed() / 1e6;
        // Every peer row got exactly one 01.
        QCoreApplication::processEvents();
        int got = 0;
        for (QUdpSocket *peer : peers) {
            while (peer->hasPendingDatagrams())
                got += peer->receiveDatagram().data().startsWith("01<USERNAME>bench") ? 1 : 0;
        }
        if (got != qMin(rows, PeerCount))
            std::fprintf(stderr, "announcement reached %d of %d peers\n", got, qMin(rows, PeerCount));
        return ms;
    });

    // Lookup of every row by its address, as each received datagram does.
    f.lookup = bestOf(runs, [&] {
        QElapsedTimer t;
        t.start();
        int found = 0;
        for (int i = 0; i < rows; ++i)
            found += list->rowOf(rowAddress(i)) >= 0 ? 1 : 0;
        const double ms = t.nsecsElapsed() / 1e6;
        if (found != rows)
            std::fprintf(stderr, "lookup found %d of %d\n", found, rows);
        return ms;
    });
    window.close();
    return f;
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int runs = argc > 1 ? qMax(1, QByteArray(argv[1]).toInt()) : 5;
    SetMessageBoxHook([](const MessageBoxRequest &) { return QMessageBox::Ok; });

    QUdpSocket probe;
    if (!probe.bind(QHostAddress(QStringLiteral("127.0.0.3")), 0))
        return 1;
    const quint16 port = probe.localPort();
    probe.close();
    QList<QUdpSocket *> peers;
    for (int i = 0; i < PeerCount; ++i) {
        auto *peer = new QUdpSocket(&app);
        if (!peer->bind(QHostAddress(rowAddress(i)), port))
            return 2;
        peer->setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, 256 * 1024);
        peers.append(peer);
    }

    const Figures small = measure(1000, runs, port, peers);
    const Figures large = measure(5000, runs, port, peers);
    auto line = [](const char *what, double a, double b) {
        std::printf("%-34s 1000 rows %8.2f ms   5000 rows %8.2f ms   ratio %.2f\n", what, a, b, b / a);
    };
    std::printf("user directory, best of %d runs\n", runs);
    line("settings load (LoadOrSaveSettings)", small.load, large.load);
    line("settings save (LoadOrSaveSettings)", small.save, large.save);
    line("01 announcement to every row", small.announce, large.announce);
    line("row lookup by address, every row", small.lookup, large.lookup);
    return 0;
}
