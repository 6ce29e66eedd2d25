// Times SendLinkText from the start of the poke until the source's
// conversationClosed() handler has run, for a short link message and a 64 KiB text.
// Usage: bench_link [rounds]
#include "link.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <vector>

static void run(LinkSource &source, const QString &dir, const QString &text, int rounds, const char *label)
{
    std::vector<qint64> ns;
    ns.reserve(rounds);
    QEventLoop loop;
    bool closed = false;
    const auto c = QObject::connect(&source, &LinkSource::conversationClosed, &loop, [&] {
        closed = true;
        loop.quit();
    });
    QElapsedTimer clock;
    for (int i = 0; i < rounds; ++i) {
        closed = false;
        clock.start();
        if (!SendLinkText(text, QStringLiteral("Bench"), dir)) {
            QTextStream(stderr) << "send failed\n";
            return;
        }
        if (!closed)
            loop.exec();
        ns.push_back(clock.nsecsElapsed());
    }
    QObject::disconnect(c);
    std::sort(ns.begin(), ns.end());
    const auto us = [&](double q) { return double(ns[size_t(q * double(ns.size() - 1))]) / 1000.0; };
    QTextStream(stdout) << label << ": " << rounds << " rounds, median " << us(0.5) << " us, p90 " << us(0.9)
                        << " us, p99 " << us(0.99) << " us, max " << us(1.0) << " us\n";
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int rounds = argc > 1 ? qMax(10, atoi(argv[1])) : 2000;
    QTemporaryDir dir;
    LinkSource source(QStringLiteral("Bench"), dir.path());
    source.addItem(QString::fromLatin1(LinkInputItem));
    if (!source.listen())
        return 1;
    run(source, dir.path(), QStringLiteral("<GAMEFUNC>10<GAMEDATA>(192.168.0.2)10,12"), rounds,
        "poke to link close, move text");
    run(source, dir.path(), QString(64 * 1024, QLatin1Char('x')), qMax(10, rounds / 10), "poke to link close, 64 KiB");
    return 0;
}
