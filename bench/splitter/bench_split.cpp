#include "splitnames.h"
#include "splitrun.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTextStream>

#include <cstdio>

// bench_split SOURCE FOLDER [PIECE_SIZE]
// Runs one split from the event loop, in slices as the window runs it, with
// the batch file, and prints pieces, bytes and seconds.
int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 3) {
        std::fprintf(stderr, "usage: bench_split SOURCE FOLDER [PIECE_SIZE]\n");
        return 2;
    }
    const qint64 pieceSize = args.size() > 3 ? args.at(3).toLongLong() : SplitNames::PieceSizes[0];
    SplitRun run({ args.at(1), args.at(2), pieceSize, true, true, true }, nullptr);
    QElapsedTimer clock;
    QObject::connect(&run, &SplitRun::finished, &app, [&](qint64 pieces) {
        const double seconds = clock.nsecsElapsed() / 1e9;
        QTextStream(stdout) << "pieces " << pieces << " bytes " << run.bytesDone() << " seconds "
                            << QString::number(seconds, 'f', 3) << '\n';
        app.exit(run.outcome().failure == SplitFailure::None ? 0 : 1);
    });
    clock.start();
    run.start();
    return app.exec();
}
