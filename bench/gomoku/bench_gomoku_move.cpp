// Times the game's side of a relayed move: from the messenger's poke of a
// partner's move until the game has placed the stone and the board has
// begun to repaint, and from an own click until the move text has reached
// the messenger. Runs on the offscreen platform.
// Usage: bench_gomoku_move [rounds]
#include "frm_GOMOKU.h"
#include "gomokulink.h"
#include "link.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <vector>

namespace {

const QString Messenger = QStringLiteral("BenchMessenger");
const QString Partner = QStringLiteral("10.0.0.2");
const QString Own = QStringLiteral("10.0.0.1");

// Notes the first paint of the board after it is armed.
class PaintWatch : public QObject
{
public:
    bool painted = false;
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            painted = true;
        return false;
    }
};

void report(const char *label, std::vector<qint64> &ns)
{
    std::sort(ns.begin(), ns.end());
    const auto us = [&](double q) { return double(ns[size_t(q * double(ns.size() - 1))]) / 1000.0; };
    QTextStream(stdout) << label << ": " << ns.size() << " rounds, median " << us(0.5) << " us, p90 " << us(0.9)
                        << " us, p99 " << us(0.99) << " us, max " << us(1.0) << " us\n";
}

void send(const QString &text, const QString &dir)
{
    if (!SendLinkText(text, QLatin1String(GomokuLink::Application), dir))
        QTextStream(stderr) << "send failed: " << text << '\n';
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int rounds = argc > 1 ? qMax(10, atoi(argv[1])) : 500;

    QTemporaryDir dir;
    LinkSource messenger(Messenger, dir.path());
    messenger.addItem(QLatin1String(LinkInputItem));
    if (!messenger.listen())
        return 1;
    int delivered = 0;
    QObject::connect(&messenger, &LinkSource::poked, &app, [&] { ++delivered; });
    frm_GOMOKU window(dir.path());
    window.resize(520, 560);
    window.show();
    QWidget *board = window.findChild<QWidget *>(QStringLiteral("BoardView"));
    PaintWatch watch;
    board->installEventFilter(&watch);

    using GomokuLink::linkMessage;
    // Connected after the window's own handler: a text has been handled
    // when this runs.
    int handled = 0;
    QObject::connect(window.findChild<LinkSource *>(), &LinkSource::conversationClosed, &app, [&] { ++handled; });
    const auto sendAndWait = [&](const QString &text) {
        const int before = handled;
        send(text, dir.path());
        while (handled == before)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    };

    std::vector<qint64> received;
    std::vector<qint64> sent;
    QElapsedTimer clock;
    sendAndWait(linkMessage(QStringLiteral("#1"), Messenger));
    sendAndWait(linkMessage(QStringLiteral("#5"), Own));
    sendAndWait(linkMessage(QStringLiteral("21")));
    int point = 100; // forces a new game at the start
    for (int i = 0; i < rounds; ++i) {
        if (point == 100) {
            // Stones on odd points only never make a line; 100 per game.
            sendAndWait(linkMessage(QStringLiteral("01")));
            QCoreApplication::processEvents();
            point = 0;
        }
        const int x = 1 + 2 * (point % 10);
        const int y = 1 + 2 * (point / 10);
        ++point;
        // Partner's move through the link until the board starts to paint.
        watch.painted = false;
        clock.start();
        sendAndWait(linkMessage(QStringLiteral("10"), GomokuLink::moveData(Partner, x, y)));
        while (!watch.painted)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        received.push_back(clock.nsecsElapsed());

        if (point == 100)
            continue;
        // Own reply by click: the handler sends (the messenger has the text
        // when the send returns), then places the stone.
        const int ox = 1 + 2 * (point % 10);
        const int oy = 1 + 2 * (point / 10);
        ++point;
        const QPoint at(window.CellWidth() * ox, window.CellHeight() * oy);
        QMouseEvent press(
            QEvent::MouseButtonPress, at, board->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        clock.start();
        QCoreApplication::sendEvent(board, &press);
        sent.push_back(clock.nsecsElapsed());
    }
    report("partner move: poke to stone painted", received);
    report("own click: click to text at the messenger", sent);
    QTextStream(stdout) << "own moves delivered: " << delivered << " of " << sent.size() << '\n';
    return 0;
}
