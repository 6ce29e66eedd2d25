#include "splitnames.h"
#include "splitrun.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <utility>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

using namespace SplitNames;

namespace {

// "echo 完了しました。" in code page 932, spelled out byte by byte.
const QByteArray EchoFinished = QByteArray("echo \x8A\xAE\x97\xB9\x82\xB5\x82\xDC\x82\xB5\x82\xBD\x81\x42\r\n");

QByteArray randomBytes(qint64 size)
{
    QList<quint32> words((size + 3) / 4);
    QRandomGenerator { quint32(size) }.fillRange(words.data(), words.size());
    return QByteArray(reinterpret_cast<const char *>(words.constData()), size);
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

#ifdef Q_OS_LINUX
// Where the run copies inside the kernel; source and pieces in one
// temporary folder always let it.
constexpr bool KernelCopyHere = true;
#else
constexpr bool KernelCopyHere = false;
#endif

// The tests of the transfer run on both paths: copied inside the kernel
// where the system offers it, and read and written.
const std::pair<SplitCopy, const char *> CopyPaths[]
    = { { SplitCopy::Fastest, "kernel copy" }, { SplitCopy::ReadWrite, "read/write" } };

void addCopyRows()
{
    QTest::addColumn<SplitCopy>("copy");
    for (const auto &[copy, name] : CopyPaths)
        QTest::newRow(name) << copy;
}

// Whether the run must have copied in the kernel; checked so the kernel row
// cannot quietly test the read and write path a second time.
bool kernelCopyExpected(SplitCopy copy)
{
    return copy == SplitCopy::Fastest && KernelCopyHere;
}

// The files of dir, sorted, without the source.
QStringList outputs(const QString &dir, const QString &source)
{
    QStringList names = QDir(dir).entryList(QDir::Files, QDir::Name);
    names.removeAll(source);
    return names;
}

} // namespace

class tst_SplitCore : public QObject
{
    Q_OBJECT
private slots:
    void fileNamePart_data();
    void fileNamePart();
    void pieceNamesHaveAtLeastThreeDigits();
    void batchWordsQuoteWhatTheInterpreterWouldSplit_data();
    void batchWordsQuoteWhatTheInterpreterWouldSplit();
    void workedExampleGivesThreePiecesAndElevenLines_data();
    void workedExampleGivesThreePiecesAndElevenLines();
    void piecesRejoinToTheSource_data();
    void piecesRejoinToTheSource();
    void emptySourceWritesHeadAndTailOnly();
    void namesWithoutDotAndWithSeveralDots();
    void destinationEndingInSeparatorStillFindsTheFolder();
    void questionsComeFirstInOrderAndNoWritesNothing();
    void noToTheBatchQuestionWritesNothing();
    void uncheckedBatchLeavesAnExistingBatchAlone();
    void deleteWithoutAskingReplacesTheSameBaseName();
    void unreadableSourceAbortsBeforeWriting();
    void sourceShrinkingMidRunLeavesNothingOfTheRun_data();
    void sourceShrinkingMidRunLeavesNothingOfTheRun();
    void fileSizeLimitMidPieceLeavesNothingOfTheRun_data();
    void fileSizeLimitMidPieceLeavesNothingOfTheRun();
    void unwritablePieceOrBatchAborts_data();
    void unwritablePieceOrBatchAborts();
    void neverDeletesTheSourceItself_data();
    void neverDeletesTheSourceItself();
    void namesTheTargetCannotHoldAreRefusedBeforeWriting_data();
    void namesTheTargetCannotHoldAreRefusedBeforeWriting();
    void eventLoopRunReportsProgressAndFinishes_data();
    void eventLoopRunReportsProgressAndFinishes();
    void sourceOverTwoGibSplitsAtSixtyFourBitOffsets_data();
    void sourceOverTwoGibSplitsAtSixtyFourBitOffsets();
};

void tst_SplitCore::fileNamePart_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("sourceName");
    QTest::addColumn<QString>("baseName");
    QTest::newRow("windows path") << "C:\\TEMP\\SETUP.EXE"
                                  << "SETUP.EXE"
                                  << "SETUP";
    QTest::newRow("unix path") << "/tmp/x/SETUP.EXE"
                               << "SETUP.EXE"
                               << "SETUP";
    QTest::newRow("both separators") << "/tmp\\a/b\\c.d"
                                     << "c.d"
                                     << "c";
    QTest::newRow("bare name") << "DATA"
                               << "DATA"
                               << "DATA";
    QTest::newRow("several dots") << "dir/A.B.C"
                                  << "A.B.C"
                                  << "A";
    QTest::newRow("dot in folder only") << "my.dir/DATA"
                                        << "DATA"
                                        << "DATA";
    QTest::newRow("leading dot") << "dir/.profile"
                                 << ".profile"
                                 << "";
    QTest::newRow("trailing separator") << "dir/"
                                        << ""
                                        << "";
}

void tst_SplitCore::fileNamePart()
{
    QFETCH(QString, path);
    QFETCH(QString, sourceName);
    QFETCH(QString, baseName);
    QCOMPARE(FileNamePart(path, 0), sourceName);
    QCOMPARE(FileNamePart(path, 1), baseName);
}

void tst_SplitCore::pieceNamesHaveAtLeastThreeDigits()
{
    QCOMPARE(pieceName("A", 1), "A.001");
    QCOMPARE(pieceName("A", 999), "A.999");
    QCOMPARE(pieceName("A", 1000), "A.1000");
    QCOMPARE(PiecePath("/d/", "A", 2), "/d//A.002");
    QCOMPARE(BatchPath("/d", "A"), "/d/A.Bat");
}

void tst_SplitCore::batchWordsQuoteWhatTheInterpreterWouldSplit_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("word");
    QTest::newRow("plain") << "SETUP.EXE"
                           << "SETUP.EXE";
    QTest::newRow("japanese") << "資料.DOC"
                              << "資料.DOC";
    QTest::newRow("space") << "MY FILE.EXE"
                           << "\"MY FILE.EXE\"";
    QTest::newRow("plus") << "C++.TXT"
                          << "\"C++.TXT\"";
    QTest::newRow("ampersand") << "A&B.TXT"
                               << "\"A&B.TXT\"";
    QTest::newRow("percent") << "100%.TXT"
                             << "100%%.TXT";
}

void tst_SplitCore::batchWordsQuoteWhatTheInterpreterWouldSplit()
{
    QFETCH(QString, name);
    QFETCH(QString, word);
    QCOMPARE(batchWord(name), word);
}

void tst_SplitCore::workedExampleGivesThreePiecesAndElevenLines_data()
{
    addCopyRows();
}

void tst_SplitCore::workedExampleGivesThreePiecesAndElevenLines()
{
    QFETCH(SplitCopy, copy);
    QTemporaryDir dir;
    const QByteArray source = randomBytes(3000000);
    writeFile(dir.filePath("SETUP.EXE"), source);

    SplitRun run({ dir.filePath("SETUP.EXE"), dir.path(), 1457664, true, false, true }, nullptr);
    run.setCopy(copy);
    const SplitOutcome outcome = run.runToEnd();
    QCOMPARE(outcome.pieces, 3);
    QCOMPARE(outcome.failure, SplitFailure::None);
    QCOMPARE(run.usedKernelCopy(), kernelCopyExpected(copy));
    QCOMPARE(outputs(dir.path(), "SETUP.EXE"), QStringList({ "SETUP.001", "SETUP.002", "SETUP.003", "SETUP.Bat" }));
    QCOMPARE(readFile(dir.filePath("SETUP.001")), source.left(1457664));
    QCOMPARE(readFile(dir.filePath("SETUP.002")), source.mid(1457664, 1457664));
    QCOMPARE(readFile(dir.filePath("SETUP.003")).size(), 84672);
    QCOMPARE(readFile(dir.filePath("SETUP.003")), source.mid(2 * 1457664));

    const QByteArray expected = "@echo off\r\n"
                                "COPY /B SETUP.001 SETUP.EXE > NUL\r\n"
                                "DEL SETUP.001 > NUL\r\n"
                                "COPY /B SETUP.EXE+SETUP.002 SETUP.EXE > NUL\r\n"
                                "DEL SETUP.002 > NUL\r\n"
                                "COPY /B SETUP.EXE+SETUP.003 SETUP.EXE > NUL\r\n"
                                "DEL SETUP.003 > NUL\r\n"
                                "DEL SETUP.PIF > NUL\r\n"
                                "cls\r\n"
        + EchoFinished + "DEL SETUP.BAT > NUL\r\n";
    QCOMPARE(readFile(dir.filePath("SETUP.Bat")), expected);
}

void tst_SplitCore::piecesRejoinToTheSource_data()
{
    QTest::addColumn<qint64>("size");
    QTest::addColumn<qint64>("pieceSize");
    QTest::addColumn<bool>("deletePieces");
    QTest::addColumn<int>("pieces");
    QTest::addColumn<SplitCopy>("copy");
    for (const auto &[copy, path] : CopyPaths) {
        for (int i = 0; i < int(PieceSizes.size()); ++i) {
            const qint64 p = PieceSizes[i];
            QTest::addRow("%s: size %d, 2.5 pieces", path, i) << (p * 5 / 2) << p << (i % 2 == 0) << 3 << copy;
            QTest::addRow("%s: size %d, exact multiple", path, i) << (p * 2) << p << true << 2 << copy;
        }
        QTest::addRow("%s: smaller than a piece", path) << qint64(1000) << PieceSizes[0] << true << 1 << copy;
        QTest::addRow("%s: one byte", path) << qint64(1) << PieceSizes[4] << false << 1 << copy;
        QTest::addRow("%s: one byte over", path) << (PieceSizes[4] + 1) << PieceSizes[4] << true << 2 << copy;
    }
}

// Rebuilds the source from the pieces the way the batch's COPY lines do.
void tst_SplitCore::piecesRejoinToTheSource()
{
    QFETCH(qint64, size);
    QFETCH(qint64, pieceSize);
    QFETCH(bool, deletePieces);
    QFETCH(int, pieces);
    QFETCH(SplitCopy, copy);

    QTemporaryDir dir;
    const QByteArray source = randomBytes(size);
    writeFile(dir.filePath("A.EXE"), source);
    SplitRun run({ dir.filePath("A.EXE"), dir.path(), pieceSize, true, false, deletePieces }, nullptr);
    run.setCopy(copy);
    QCOMPARE(run.runToEnd().pieces, pieces);
    QCOMPARE(run.usedKernelCopy(), kernelCopyExpected(copy));

    const QList<QByteArray> lines = readFile(dir.filePath("A.Bat")).split('\n');
    QByteArray rejoined;
    int copies = 0;
    for (const QByteArray &line : lines) {
        QVERIFY(line.isEmpty() || line.endsWith('\r'));
        if (!line.startsWith("COPY /B "))
            continue;
        ++copies;
        const QByteArray piece = line.mid(8).split(' ').first().split('+').last();
        QCOMPARE(piece, pieceName("A", copies).toLatin1());
        if (copies == 1)
            QVERIFY(!line.contains('+'));
        const QByteArray bytes = readFile(dir.filePath(QString::fromLatin1(piece)));
        QVERIFY(bytes.size() == pieceSize || (copies == pieces && bytes.size() > 0 && bytes.size() <= pieceSize));
        rejoined += bytes;
    }
    QCOMPARE(copies, pieces);
    QCOMPARE(lines.count("DEL A.PIF > NUL\r"), deletePieces ? 1 : 0);
    QVERIFY(rejoined == source);
}

void tst_SplitCore::emptySourceWritesHeadAndTailOnly()
{
    QTemporaryDir dir;
    writeFile(dir.filePath("E.TXT"), QByteArray());
    SplitRun run({ dir.filePath("E.TXT"), dir.path(), PieceSizes[0], true, false, true }, nullptr);
    const SplitOutcome outcome = run.runToEnd();
    QCOMPARE(outcome.pieces, 0);
    QCOMPARE(outcome.failure, SplitFailure::None);
    QCOMPARE(outputs(dir.path(), "E.TXT"), QStringList { "E.Bat" });
    QCOMPARE(readFile(dir.filePath("E.Bat")),
        "@echo off\r\nDEL E.PIF > NUL\r\ncls\r\n" + EchoFinished + "DEL E.BAT > NUL\r\n");
}

void tst_SplitCore::namesWithoutDotAndWithSeveralDots()
{
    QTemporaryDir dir;
    writeFile(dir.filePath("DATA"), randomBytes(PieceSizes[4] + 10));
    writeFile(dir.filePath("A.B.C"), randomBytes(10));
    QCOMPARE(
        SplitRun({ dir.filePath("DATA"), dir.path(), PieceSizes[4], true, false, false }, nullptr).runToEnd().pieces,
        2);
    QCOMPARE(
        SplitRun({ dir.filePath("A.B.C"), dir.path(), PieceSizes[4], true, false, false }, nullptr).runToEnd().pieces,
        1);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files, QDir::Name),
        QStringList({ "A.001", "A.B.C", "A.Bat", "DATA", "DATA.001", "DATA.002", "DATA.Bat" }));
    QCOMPARE(readFile(dir.filePath("DATA.Bat")).split('\n').at(2), "COPY /B DATA+DATA.002 DATA > NUL\r");
    QCOMPARE(readFile(dir.filePath("A.Bat")).split('\n').at(1), "COPY /B A.001 A.B.C > NUL\r");
}

void tst_SplitCore::destinationEndingInSeparatorStillFindsTheFolder()
{
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir("out"));
    writeFile(dir.filePath("S.EXE"), randomBytes(100));
    SplitRun run({ dir.filePath("S.EXE"), dir.filePath("out") + "/", PieceSizes[0], true, false, true }, nullptr);
    QCOMPARE(run.runToEnd().pieces, 1);
    QCOMPARE(QDir(dir.filePath("out")).entryList(QDir::Files, QDir::Name), QStringList({ "S.001", "S.Bat" }));
}

void tst_SplitCore::questionsComeFirstInOrderAndNoWritesNothing()
{
    QTemporaryDir dir;
    writeFile(dir.filePath("Q.DAT"), randomBytes(PieceSizes[4] * 4));
    for (const char *old : { "Q.Bat", "Q.001", "Q.003", "Q.004" })
        writeFile(dir.filePath(old), "old");

    QStringList asked;
    SplitRun run({ dir.filePath("Q.DAT"), dir.path(), PieceSizes[4], true, false, true }, [&](const QString &path) {
        asked << path;
        // Nothing of the run is on disk while a question is open.
        if (QFile::exists(dir.filePath("Q.002")))
            asked << "Q.002 written";
        return !path.endsWith("Q.003");
    });
    const SplitOutcome outcome = run.runToEnd();
    QCOMPARE(outcome.pieces, 0);
    QCOMPARE(outcome.failure, SplitFailure::Declined);
    QCOMPARE(asked,
        QStringList({ BatchPath(dir.path(), "Q"), PiecePath(dir.path(), "Q", 1), PiecePath(dir.path(), "Q", 3) }));
    // A No after Yeses: neither a new batch beside the old pieces nor a piece
    // replaced.
    QCOMPARE(outputs(dir.path(), "Q.DAT"), QStringList({ "Q.001", "Q.003", "Q.004", "Q.Bat" }));
    for (const char *old : { "Q.Bat", "Q.001", "Q.003", "Q.004" })
        QCOMPARE(readFile(dir.filePath(old)), "old");
}

void tst_SplitCore::noToTheBatchQuestionWritesNothing()
{
    QTemporaryDir dir;
    writeFile(dir.filePath("Q.DAT"), randomBytes(10));
    writeFile(dir.filePath("Q.Bat"), "old");
    SplitRun run(
        { dir.filePath("Q.DAT"), dir.path(), PieceSizes[0], true, false, true }, [](const QString &) { return false; });
    QCOMPARE(run.runToEnd().failure, SplitFailure::Declined);
    QCOMPARE(outputs(dir.path(), "Q.DAT"), QStringList { "Q.Bat" });
    QCOMPARE(readFile(dir.filePath("Q.Bat")), "old");
}

void tst_SplitCore::uncheckedBatchLeavesAnExistingBatchAlone()
{
    QTemporaryDir dir;
    writeFile(dir.filePath("U.DAT"), randomBytes(10));
    writeFile(dir.filePath("U.Bat"), "old");
    int questions = 0;
    SplitRun run({ dir.filePath("U.DAT"), dir.path(), PieceSizes[0], false, false, true }, [&](const QString &) {
        ++questions;
        return true;
    });
    QCOMPARE(run.runToEnd().pieces, 1);
    QCOMPARE(questions, 0);
    QCOMPARE(readFile(dir.filePath("U.Bat")), "old");
}

void tst_SplitCore::deleteWithoutAskingReplacesTheSameBaseName()
{
    QTemporaryDir dir;
    const QByteArray second = randomBytes(PieceSizes[4] + 5);
    writeFile(dir.filePath("A.EXE"), randomBytes(PieceSizes[4] * 3));
    writeFile(dir.filePath("A.DAT"), second);
    QCOMPARE(
        SplitRun({ dir.filePath("A.EXE"), dir.path(), PieceSizes[4], true, true, true }, nullptr).runToEnd().pieces, 3);
    SplitRun run({ dir.filePath("A.DAT"), dir.path(), PieceSizes[4], true, true, true }, [](const QString &) {
        [] { QFAIL("asked although told to delete without asking"); }();
        return false;
    });
    QCOMPARE(run.runToEnd().pieces, 2);
    QCOMPARE(readFile(dir.filePath("A.001")) + readFile(dir.filePath("A.002")), second);
    QVERIFY(QFile::exists(dir.filePath("A.003"))); // the first run's third piece is not this run's business
    QVERIFY(readFile(dir.filePath("A.Bat")).contains("COPY /B A.001 A.DAT > NUL"));
}

void tst_SplitCore::unreadableSourceAbortsBeforeWriting()
{
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir("FOLDER.X"));
    for (const QString &source : { dir.filePath("MISSING.EXE"), dir.filePath("FOLDER.X") }) {
        SplitRun run({ source, dir.path(), PieceSizes[0], true, true, true }, nullptr);
        const SplitOutcome outcome = run.runToEnd();
        QCOMPARE(outcome.pieces, 0);
        QCOMPARE(outcome.failure, SplitFailure::SourceUnreadable);
        QCOMPARE(outcome.path, source);
        QVERIFY(!outcome.reason.isEmpty());
    }
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList());
}

void tst_SplitCore::sourceShrinkingMidRunLeavesNothingOfTheRun_data()
{
    addCopyRows();
}

void tst_SplitCore::sourceShrinkingMidRunLeavesNothingOfTheRun()
{
    QFETCH(SplitCopy, copy);
    QTemporaryDir dir;
    const qint64 p = PieceSizes[4];
    const QByteArray source = randomBytes(p * 3);
    writeFile(dir.filePath("S.DAT"), source);
    writeFile(dir.filePath("S.002"), "old");
    // Before the run writes, the source loses most of piece 2's share; it
    // now ends where a block of the read and write path ends. Piece 1 is
    // written whole, piece 2 comes up short.
    SplitRun run({ dir.filePath("S.DAT"), dir.path(), p, true, false, true },
        [&](const QString &) { return QFile::resize(dir.filePath("S.DAT"), p + 2 * TransferBlock); });
    run.setCopy(copy);
    const SplitOutcome outcome = run.runToEnd();
    QCOMPARE(outcome.pieces, 0);
    QCOMPARE(outcome.failure, SplitFailure::SourceUnreadable);
    QCOMPARE(outcome.reason, QStringLiteral("読み込み中にファイルが短くなりました。"));
    QCOMPARE(run.usedKernelCopy(), kernelCopyExpected(copy));
    // Neither the whole piece 1 nor a batch is left to be taken for a split.
    QCOMPARE(outputs(dir.path(), "S.DAT"), QStringList());
    QCOMPARE(readFile(dir.filePath("S.DAT")), source.left(p + 2 * TransferBlock));
}

void tst_SplitCore::fileSizeLimitMidPieceLeavesNothingOfTheRun_data()
{
    addCopyRows();
}

void tst_SplitCore::fileSizeLimitMidPieceLeavesNothingOfTheRun()
{
    QFETCH(SplitCopy, copy);
#ifdef Q_OS_UNIX
    // A file size limit makes writes fail as on a full disk.
    QTemporaryDir dir;
    const qint64 p = PieceSizes[4];
    const QByteArray source = randomBytes(p * 3);
    writeFile(dir.filePath("F.DAT"), source);
    writeFile(dir.filePath("F.002"), "old");
    rlimit saved {};
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    SplitRun run({ dir.filePath("F.DAT"), dir.path(), p, true, false, true }, [&](const QString &) {
        rlimit small = saved;
        small.rlim_cur = 100000;
        return setrlimit(RLIMIT_FSIZE, &small) == 0;
    });
    run.setCopy(copy);
    const SplitOutcome outcome = run.runToEnd();
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    QCOMPARE(outcome.pieces, 0);
    QCOMPARE(outcome.failure, SplitFailure::PieceUnwritable);
    QCOMPARE(outcome.path, dir.filePath("F.001"));
    QCOMPARE(outcome.reason, qt_error_string(EFBIG));
    QCOMPARE(run.usedKernelCopy(), kernelCopyExpected(copy));
    // The piece and the batch begun are gone; a piece the run never reached
    // stays as it was.
    QCOMPARE(outputs(dir.path(), "F.DAT"), QStringList { "F.002" });
    QCOMPARE(readFile(dir.filePath("F.002")), "old");
#else
    Q_UNUSED(copy);
    QSKIP("needs a file size limit");
#endif
}

void tst_SplitCore::unwritablePieceOrBatchAborts_data()
{
    QTest::addColumn<QString>("blocker"); // a folder where a file must go
    QTest::addColumn<bool>("writeBatch");
    QTest::addColumn<int>("failure");
    QTest::addColumn<QStringList>("left");
    QTest::newRow("batch") << "W.Bat" << true << int(SplitFailure::BatchUnwritable) << QStringList();
    QTest::newRow("piece 2") << "W.002" << false << int(SplitFailure::PieceUnwritable) << QStringList();
    QTest::newRow("piece 2 with batch") << "W.002" << true << int(SplitFailure::PieceUnwritable) << QStringList();
}

void tst_SplitCore::unwritablePieceOrBatchAborts()
{
    QFETCH(QString, blocker);
    QFETCH(bool, writeBatch);
    QFETCH(int, failure);
    QFETCH(QStringList, left);

    QTemporaryDir dir;
    writeFile(dir.filePath("W.DAT"), randomBytes(PieceSizes[4] * 2));
    QVERIFY(QDir(dir.path()).mkpath(blocker + "/inside"));
    SplitRun run({ dir.filePath("W.DAT"), dir.path(), PieceSizes[4], writeBatch, true, true }, nullptr);
    const SplitOutcome outcome = run.runToEnd();
    QCOMPARE(outcome.pieces, 0);
    QCOMPARE(int(outcome.failure), failure);
    QCOMPARE(outcome.path, dir.filePath(blocker));
    QCOMPARE(outputs(dir.path(), "W.DAT"), left);

    SplitRun nowhere(
        { dir.filePath("W.DAT"), dir.filePath("NOWHERE"), PieceSizes[4], writeBatch, true, true }, nullptr);
    QCOMPARE(nowhere.runToEnd().pieces, 0);
    QVERIFY(nowhere.outcome().failure == SplitFailure::PieceUnwritable
        || nowhere.outcome().failure == SplitFailure::BatchUnwritable);
}

void tst_SplitCore::neverDeletesTheSourceItself_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("writeBatch");
    QTest::newRow("source named like piece 2") << "N.002" << false;
    QTest::newRow("source named like the batch") << "N.Bat" << true;
}

void tst_SplitCore::neverDeletesTheSourceItself()
{
    QFETCH(QString, name);
    QFETCH(bool, writeBatch);
    QTemporaryDir dir;
    const QByteArray source = randomBytes(PieceSizes[4] * 2 + 1);
    writeFile(dir.filePath(name), source);
    SplitRun run({ dir.filePath(name), dir.path(), PieceSizes[4], writeBatch, true, true }, nullptr);
    const SplitOutcome outcome = run.runToEnd();
    QCOMPARE(outcome.pieces, 0);
    QCOMPARE(outcome.failure, SplitFailure::SameAsSource);
    QCOMPARE(readFile(dir.filePath(name)), source);
    QCOMPARE(outputs(dir.path(), name), QStringList());
}

void tst_SplitCore::namesTheTargetCannotHoldAreRefusedBeforeWriting_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("parts"); // empty: the name is split
    QTest::newRow("no code page 932 form")
        << QStringLiteral("caf\u00E9 \U0001F600.txt") << QStringLiteral("\u00E9 \U0001F600");
    QTest::newRow("quote and pipe") << "a\"b|c\".txt"
                                    << "\" |";
    QTest::newRow("angle brackets, wildcards, colon") << "<a>*?:.txt"
                                                      << "< > * ? :";
    QTest::newRow("backslash") << "back\\slash.bin"
                               << "\\";
    QTest::newRow("control character") << "tab\there.txt"
                                       << "U+0009";
    QTest::newRow("device name") << "CON.txt"
                                 << "CON.txt";
    QTest::newRow("device name in lower case, several dots") << "lpt9.tar.gz"
                                                             << "lpt9.tar.gz";
    QTest::newRow("device name without a dot") << "nul"
                                               << "nul";
    QTest::newRow("trailing dot") << "name."
                                  << "name.";
    QTest::newRow("trailing space") << "name.txt "
                                    << "name.txt ";
    QTest::newRow("character and device") << "AUX.\u00E9"
                                          << "\u00E9 AUX.\u00E9";
    QTest::newRow("longer than a device") << "CONSOLE.txt"
                                          << "";
    QTest::newRow("japanese") << "資料.DOC"
                              << "";
}

void tst_SplitCore::namesTheTargetCannotHoldAreRefusedBeforeWriting()
{
    QFETCH(QString, name);
    QFETCH(QString, parts);
    QTemporaryDir dir;
    writeFile(dir.filePath(name), randomBytes(10));
    QCOMPARE(SplitNames::unwritableNameParts(name).join(' '), parts);
    SplitRun run({ dir.filePath(name), dir.path(), PieceSizes[0], true, true, true }, nullptr);
    const SplitOutcome outcome = run.runToEnd();
    if (parts.isEmpty()) {
        QCOMPARE(outcome.pieces, 1);
        return;
    }
    QCOMPARE(outcome.pieces, 0);
    QCOMPARE(outcome.failure, SplitFailure::NameUnwritable);
    QCOMPARE(outcome.reason, parts);
    QCOMPARE(outputs(dir.path(), name), QStringList());
}

void tst_SplitCore::eventLoopRunReportsProgressAndFinishes_data()
{
    addCopyRows();
}

void tst_SplitCore::eventLoopRunReportsProgressAndFinishes()
{
    QFETCH(SplitCopy, copy);
    QTemporaryDir dir;
    const QByteArray source = randomBytes(PieceSizes[4] * 3 + 7);
    writeFile(dir.filePath("L.DAT"), source);
    writeFile(dir.filePath("L.002"), "old");
    SplitRun run(
        { dir.filePath("L.DAT"), dir.path(), PieceSizes[4], true, false, true }, [](const QString &) { return true; });
    run.setCopy(copy);
    QSignalSpy progress(&run, &SplitRun::progress);
    QSignalSpy finished(&run, &SplitRun::finished);
    run.start();
    QVERIFY(!run.isDone()); // nothing happens before the event loop runs
    QVERIFY(finished.wait(20000));
    QCOMPARE(finished.count(), 1);
    QCOMPARE(finished.first().first().toLongLong(), 4);
    QVERIFY(progress.count() >= 1);
    QCOMPARE(progress.last().at(1).toLongLong(), source.size());
    QCOMPARE(progress.last().at(2).toLongLong(), source.size());
    QCOMPARE(readFile(dir.filePath("L.002")), source.mid(PieceSizes[4], PieceSizes[4]));
    QCOMPARE(run.usedKernelCopy(), kernelCopyExpected(copy));
}

void tst_SplitCore::sourceOverTwoGibSplitsAtSixtyFourBitOffsets_data()
{
    addCopyRows();
}

void tst_SplitCore::sourceOverTwoGibSplitsAtSixtyFourBitOffsets()
{
    QFETCH(SplitCopy, copy);
#if defined(Q_OS_UNIX) && defined(SEEK_DATA)
    QTemporaryDir dir;
    const QString path = dir.filePath("BIG.IMG");
    const qint64 p = PieceSizes[0];
    const qint64 length = (qint64(1) << 31) + p / 2 + 7;
    // Marker bytes on both sides of the 2 GiB line and at the very end.
    const QList<qint64> markers { 0, (qint64(1) << 31) - 1, qint64(1) << 31, (qint64(1) << 31) + 1, length - 1 };
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(file.resize(length));
        for (int i = 0; i < markers.size(); ++i) {
            QVERIFY(file.seek(markers[i]));
            QCOMPARE(file.write(QByteArray(1, char('A' + i))), 1);
        }
    }
    struct stat info
    {
    };
    QCOMPARE(::stat(QFile::encodeName(path).constData(), &info), 0);
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY);
    QVERIFY(fd >= 0);
    const off_t firstDataAfterStart = ::lseek(fd, 1 << 20, SEEK_DATA);
    ::close(fd);
    if (qint64(info.st_blocks) * 512 > (qint64(64) << 20) || firstDataAfterStart <= (1 << 20))
        QSKIP("this file system keeps no sparse files");

    SplitRun run({ path, dir.path(), p, true, false, true }, nullptr);
    run.setCopy(copy);
    const SplitOutcome outcome = run.runToEnd();
    const qint64 pieces = (length + p - 1) / p;
    QCOMPARE(pieces, 1474);
    QCOMPARE(outcome.failure, SplitFailure::None);
    QCOMPARE(outcome.pieces, pieces);
    for (qint64 n = 1; n <= pieces; ++n)
        QCOMPARE(QFileInfo(PiecePath(dir.path(), "BIG", n)).size(), n < pieces ? p : length - (pieces - 1) * p);
    for (int i = 0; i < markers.size(); ++i) {
        QFile piece(PiecePath(dir.path(), "BIG", markers[i] / p + 1));
        QVERIFY(piece.open(QIODevice::ReadOnly));
        QVERIFY(piece.seek(markers[i] % p));
        QCOMPARE(piece.read(1), QByteArray(1, char('A' + i)));
        if (markers[i] % p > 0) {
            QVERIFY(piece.seek(markers[i] % p - 1));
            const qsizetype before = markers.indexOf(markers[i] - 1);
            QCOMPARE(piece.read(1), QByteArray(1, before < 0 ? '\0' : char('A' + before)));
        }
    }
    const QByteArray batch = readFile(dir.filePath("BIG.Bat"));
    QCOMPARE(batch.count("\r\n"), 1 + 2 * pieces + 4);
    QVERIFY(batch.contains("COPY /B BIG.IMG+BIG.1474 BIG.IMG > NUL\r\nDEL BIG.1474 > NUL\r\n"));
    QCOMPARE(run.usedKernelCopy(), kernelCopyExpected(copy));
#else
    Q_UNUSED(copy);
    QSKIP("needs sparse files");
#endif
}

QTEST_GUILESS_MAIN(tst_SplitCore)
#include "tst_splitcore.moc"
