// Times one refresh of the process list: reading /proc, and reading plus
// filling the window's list. Usage: bench_processlist [rounds [grabFolder]]
// With grabFolder, also saves pictures of the process list and the about box.
#include "frm_pelwickAbt.h"
#include "frm_pelwickPrc.h"
#include "processlist.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTextStream>
#include <QTreeWidget>

#include <algorithm>
#include <vector>

template <typename F> static void timeIt(const char *label, int rounds, F f)
{
    std::vector<qint64> ns;
    QElapsedTimer clock;
    for (int i = 0; i < rounds; ++i) {
        clock.start();
        f();
        ns.push_back(clock.nsecsElapsed());
    }
    std::sort(ns.begin(), ns.end());
    QTextStream(stdout) << label << ": " << rounds << " rounds, median " << double(ns[ns.size() / 2]) / 1e6
                        << " ms, max " << double(ns.back()) / 1e6 << " ms\n";
}

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const int rounds = argc > 1 ? qMax(1, atoi(argv[1])) : 50;
    const ProcProcessTable table;
    const auto rows = processListRows(table);
    QTextStream(stdout) << "processes: " << rows.size() << "\n";
    timeIt("read /proc", rounds, [&] { (void)processListRows(table); });

    frm_pelwickPrc window(&table);
    auto *refresh = window.findChild<QPushButton *>(QStringLiteral("CmdNEW"));
    timeIt("refresh the window (CmdNEW)", rounds, [&] { refresh->click(); });

    if (argc > 2) {
        const QString folder = QString::fromLocal8Bit(argv[2]);
        window.show();
        frm_pelwickAbt about;
        about.show();
        app.processEvents();
        window.grab().save(folder + QStringLiteral("/frm_pelwickPrc.png"));
        about.grab().save(folder + QStringLiteral("/frm_pelwickAbt.png"));
    }
    return 0;
}
