#include "splitnames.h"
#include "splitrun.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTextStream>

#include <cstdio>

// bench_split [--read-write] SOURCE FOLDER [PIECE_SIZE]
// Runs one split from the event loop, in slices as the window runs it, with
// the batch file, and prints pieces, bytes, seconds and how the bytes were
// moved. --read-write keeps the run off the kernel copy.
int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QStringList args = QCoreApplication::arguments();
    const bool readWrite = args.removeAll(QStringLiteral("--read-write")) > 0;
    if (args.size() < 3) {
        std::fprintf(stderr, "usage: bench_split [--read-write] SOURCE FOLDER [PIECE_SIZE]\n");
        return 2;
    }
    const qint64 pieceSize = args.size() > 3 ? args.at(3).toLongLong() : SplitNames::PieceSizes[0];
    SplitRun run({ args.at(1), args.at(2), pieceSize, true, true, true }, nullptr);
    run.setCopy(readWrite ? SplitCopy::ReadWrite : SplitCopy::Fastest);
    QElapsedTimer clock;
    QObject::connect(&run, &SplitRun::finished, &app, [&](qint64 pieces) {
        const double seconds = clock.nsecsElapsed() / 1e9;
        QTextStream(stdout) << "pieces " << pieces << " bytes " << run.bytesDone() << " seconds "
                            << QString::number(seconds, 'f', 3) << " copy "
                            << (run.usedKernelCopy() ? "kernel" : "read/write") << '\n';
        app.exit(run.outcome().failure == SplitFailure::None ? 0 : 1);
    });
    clock.start();
    run.start();
    return app.exec();
}
