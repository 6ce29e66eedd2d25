// How long a move takes from one player's click to the other player's game
// having placed the stone and handed the turn over: two messengers on
// 127.0.0.3 and 127.0.0.2 (the second in a process of its own), each with
// its game program started and introduced over the real link, the games
// clicked through their test drivers. Moves keep to rows of four, so the
// match never ends in a win.
//
// Usage: bench_match [moves per side, at most 144]
#include "userdirectory.h"
#include "messengerfixture.h"
#include "gameprocess.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLocalSocket>
#include <QProcess>

#include <algorithm>
#include <cstdio>

namespace {

// A connection to one game's driver, kept open for the whole match.
class Driver
{
public:
    bool connect(const QString &runtimeDir)
    {
        m_socket.connectToServer(runtimeDir + QLatin1String("/gomoku-driver"));
        return m_socket.waitForConnected(2000);
    }

    // The game's panels and caption, after running the command.
    QStringList state(const QString &command = QStringLiteral("state"))
    {
        m_socket.write(command.toUtf8() + '\n');
        m_socket.flush();
        // The event loop keeps running: alice's messenger lives in this
        // process, and her game waits for it while it handles a click.
        QElapsedTimer timer;
        timer.start();
        while (!m_socket.canReadLine()) {
            if (timer.elapsed() > 5000)
                return {};
            QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        }
        return QString::fromUtf8(m_socket.readLine()).trimmed().split(QLatin1Char('|'));
    }
    // Panel 2: whose turn it is.
    QString turn(const QString &command = QStringLiteral("state")) { return state(command).value(1); }

private:
    QLocalSocket m_socket;
};

bool waitFor(const std::function<bool()> &done, int timeoutMs = 15000)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

// The n-th move of a side: rows of four with a gap, on the side's own rows.
QPoint moveAt(int n, int firstRow)
{
    const int row = firstRow + 2 * (n / 16);
    const int inRow = n % 16;
    return { inRow / 4 * 5 + inRow % 4 + 1, row };
}

double percentile(std::vector<double> values, double p)
{
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, size_t(p * double(values.size())))];
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int moves = std::clamp(argc > 1 ? QByteArray(argv[1]).toInt() : 144, 1, 144);
    MessageBoxRecorder boxes;

    const quint16 port = freeUdpPort({ QStringLiteral("127.0.0.2"), QStringLiteral("127.0.0.3") });
    MessengerFixture alice(QStringLiteral("127.0.0.3"), port, QStringLiteral("alice"));
    alice.storeDirectory({ { QStringLiteral("bob"), QStringLiteral("127.0.0.2") } });
    MessengerFixture bob(QStringLiteral("127.0.0.2"), port, QStringLiteral("bob"));
    bob.storeDirectory({ { QStringLiteral("alice"), QStringLiteral("127.0.0.3") } });
    for (const MessengerFixture *m : { &alice, &bob })
        QFile::link(QStringLiteral(GOMOKU_DRIVER_PATH), m->programDir() + QLatin1String("/GOMOKU"));

    QProcess bobProcess;
    bobProcess.start(
        QStringLiteral(MESSENGER_HOST_PATH), { bob.address(), bob.settingsDir(), bob.runtimeDir(), bob.programDir() });
    if (!bobProcess.waitForReadyRead(10000)) {
        std::fprintf(stderr, "the second messenger did not start\n");
        return 1;
    }
    frm_pelwickUDP *window = alice.start();
    if (!window || !waitFor([&] {
            return window->session()->directory()->mark(0) == PresenceMark::HeardFrom;
        })) {
        std::fprintf(stderr, "the messengers did not find each other\n");
        return 1;
    }
    window->ListUser()->setCurrentIndex(window->session()->directory()->index(0, 0));
    window->menuGame_Gomoku_Click();

    Driver aliceGame, bobGame;
    if (!waitFor([&] { return aliceGame.connect(alice.runtimeDir()) && bobGame.connect(bob.runtimeDir()); })
        || !waitFor([&] {
               return aliceGame.state().value(0) == QStringLiteral("Game Start !!!")
                   && bobGame.state().value(0) == QStringLiteral("Game Start !!!");
           })) {
        std::fprintf(stderr, "the games did not start\n");
        return 1;
    }

    std::vector<double> ms;
    QElapsedTimer clock;
    for (int n = 0; n < moves; ++n) {
        for (const bool bobMoves : { true, false }) {
            Driver &mover = bobMoves ? bobGame : aliceGame;
            Driver &other = bobMoves ? aliceGame : bobGame;
            const QString next = bobMoves ? QStringLiteral("alice") : QStringLiteral("bob");
            const QPoint at = moveAt(n, bobMoves ? 1 : 2);
            clock.start();
            if (mover.turn(QStringLiteral("click %1 %2").arg(at.x()).arg(at.y())) != next
                || !waitFor([&] { return other.turn() == next; }, 5000)) {
                std::fprintf(stderr, "move %d did not arrive\n", n);
                return 1;
            }
            ms.push_back(double(clock.nsecsElapsed()) / 1e6);
        }
    }
    std::printf("moves: %zu\nclick to stone on the other side: median %.2f ms, p90 %.2f ms, p99 %.2f ms, max %.2f ms\n",
        ms.size(), percentile(ms, 0.5), percentile(ms, 0.9), percentile(ms, 0.99), percentile(ms, 1.0));

    bobProcess.write("close\n");
    bobProcess.waitForFinished(5000);
    window->close();
    return 0;
}
