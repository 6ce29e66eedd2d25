#include "splitrun.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <sys/mount.h>
#include <unistd.h>

// A split onto a file system that fills up half way, as a real full disk
// does (not a file size limit): the run stops with the system's reason, the
// piece being written is removed, and every piece left holds exactly its
// share of the source. The source lies on the same file system, so the
// kernel copy, which only copies within one, is the one that meets the full
// disk first. Needs root to mount a small file system of its own.
class tst_SplitFullDisk : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void fullDiskStopsTheSplitAndLeavesOnlyWholePieces_data();
    void fullDiskStopsTheSplitAndLeavesOnlyWholePieces();

private:
    QTemporaryDir m_mountPoint;
    bool m_mounted = false;
};

namespace {

// Beside the source, small enough to fill at once, with room for the batch
// file and two pieces.
constexpr qint64 RoomBytes = 256 * 1024;
constexpr qint64 PieceBytes = 100 * 1024;
constexpr qint64 SourceBytes = 5 * PieceBytes;

QByteArray randomBytes(qsizetype n)
{
    QByteArray bytes(n, Qt::Uninitialized);
    QRandomGenerator random(932);
    for (char &c : bytes)
        c = char(random.bounded(256));
    return bytes;
}

} // namespace

void tst_SplitFullDisk::initTestCase()
{
    if (::geteuid() != 0)
        QSKIP("mounting a small file system needs root");
    QVERIFY(m_mountPoint.isValid());
    const QByteArray options = "size=" + QByteArray::number(SourceBytes + RoomBytes) + ",mode=0700";
    if (::mount("pelwick-full", QFile::encodeName(m_mountPoint.path()).constData(), "tmpfs", MS_NOSUID | MS_NODEV,
            options.constData())
        != 0)
        QSKIP("this machine does not let the test mount a file system");
    m_mounted = true;
}

void tst_SplitFullDisk::cleanupTestCase()
{
    if (m_mounted)
        ::umount2(QFile::encodeName(m_mountPoint.path()).constData(), MNT_DETACH);
}

void tst_SplitFullDisk::fullDiskStopsTheSplitAndLeavesOnlyWholePieces_data()
{
    QTest::addColumn<bool>("batch");
    QTest::addColumn<SplitCopy>("copy");
    QTest::newRow("kernel copy, with batch") << true << SplitCopy::Fastest;
    QTest::newRow("kernel copy, pieces only") << false << SplitCopy::Fastest;
    QTest::newRow("read/write, with batch") << true << SplitCopy::ReadWrite;
    QTest::newRow("read/write, pieces only") << false << SplitCopy::ReadWrite;
}

void tst_SplitFullDisk::fullDiskStopsTheSplitAndLeavesOnlyWholePieces()
{
    QFETCH(bool, batch);
    QFETCH(SplitCopy, copy);
    QDir disk(m_mountPoint.path());
    for (const QString &name : disk.entryList(QDir::Files))
        QVERIFY(disk.remove(name));

    const QByteArray source = randomBytes(SourceBytes);
    const QString sourcePath = disk.filePath(QStringLiteral("BIG.DAT"));
    {
        QFile file(sourcePath);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(source), qint64(source.size()));
    }

    SplitRun run({ sourcePath, disk.path(), PieceBytes, batch, true, true }, {});
    run.setCopy(copy);
    const SplitOutcome outcome = run.runToEnd();

    QCOMPARE(outcome.pieces, qint64(0));
    QCOMPARE(outcome.failure, SplitFailure::PieceUnwritable);
    // The system's own words, not a made-up or empty reason.
    QCOMPARE(outcome.reason, qt_error_string(ENOSPC));
    QCOMPARE(run.usedKernelCopy(), copy == SplitCopy::Fastest);

    // Pieces before the failing one are whole; the failing one is gone.
    const QString failed = QFileInfo(outcome.path).fileName();
    QVERIFY(!QFileInfo::exists(outcome.path));
    const QStringList pieces = disk.entryList({ QStringLiteral("BIG.0*") }, QDir::Files, QDir::Name);
    QVERIFY(!pieces.isEmpty());
    for (int i = 0; i < pieces.size(); ++i) {
        QCOMPARE(pieces[i], QStringLiteral("BIG.%1").arg(i + 1, 3, 10, QLatin1Char('0')));
        QFile piece(disk.filePath(pieces[i]));
        QVERIFY(piece.open(QIODevice::ReadOnly));
        QCOMPARE(piece.readAll(), source.mid(i * PieceBytes, PieceBytes));
    }
    QCOMPARE(failed, QStringLiteral("BIG.%1").arg(pieces.size() + 1, 3, 10, QLatin1Char('0')));

    // The source is untouched, and with room again a split that fits succeeds,
    // from another file system, where the kernel copy may be refused.
    QFile check(sourcePath);
    QVERIFY(check.open(QIODevice::ReadOnly));
    QCOMPARE(check.readAll(), source);
    check.close();
    for (const QString &name : disk.entryList(QDir::Files))
        QVERIFY(disk.remove(name));
    QTemporaryDir sourceDir;
    const QString smallPath = sourceDir.filePath(QStringLiteral("SMALL.DAT"));
    {
        QFile file(smallPath);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(source.left(2 * PieceBytes)), 2 * PieceBytes);
    }
    SplitRun fits({ smallPath, disk.path(), PieceBytes, false, true, true }, {});
    fits.setCopy(copy);
    const SplitOutcome done = fits.runToEnd();
    QCOMPARE(done.failure, SplitFailure::None);
    QCOMPARE(done.pieces, qint64(2));
    QFile first(disk.filePath(QStringLiteral("SMALL.001")));
    QVERIFY(first.open(QIODevice::ReadOnly));
    QCOMPARE(first.readAll(), source.left(PieceBytes));
}

QTEST_GUILESS_MAIN(tst_SplitFullDisk)
#include "tst_splitfulldisk.moc"
