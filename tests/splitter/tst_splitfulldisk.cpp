#include "splitrun.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <cstring>
#include <sys/mount.h>
#include <unistd.h>

// A split onto a file system that fills up half way, as a real full disk
// does (not a file size limit): the run stops with the system's reason and
// removes every piece it wrote and its batch, so no batch is left that would
// join a short file and delete the pieces. The source lies on the same file system, so the
// kernel copy, which only copies within one, is the one that meets the full
// disk first. Needs root to mount a small file system of its own.
class tst_SplitFullDisk : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void fullDiskStopsTheSplitAndLeavesNothingOfIt_data();
    void fullDiskStopsTheSplitAndLeavesNothingOfIt();

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
        QSKIP(qPrintable(QStringLiteral("this machine does not let the test mount a file system: mount tmpfs: ")
            + QString::fromLocal8Bit(::strerror(errno))));
    m_mounted = true;
}

void tst_SplitFullDisk::cleanupTestCase()
{
    if (m_mounted)
        ::umount2(QFile::encodeName(m_mountPoint.path()).constData(), MNT_DETACH);
}

void tst_SplitFullDisk::fullDiskStopsTheSplitAndLeavesNothingOfIt_data()
{
    QTest::addColumn<bool>("batch");
    QTest::addColumn<SplitCopy>("copy");
    QTest::newRow("kernel copy, with batch") << true << SplitCopy::Fastest;
    QTest::newRow("kernel copy, pieces only") << false << SplitCopy::Fastest;
    QTest::newRow("read/write, with batch") << true << SplitCopy::ReadWrite;
    QTest::newRow("read/write, pieces only") << false << SplitCopy::ReadWrite;
}

void tst_SplitFullDisk::fullDiskStopsTheSplitAndLeavesNothingOfIt()
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

    // The disk filled after whole pieces were written (two fit); they are
    // gone with the failing one and the batch.
    QCOMPARE(QFileInfo(outcome.path).fileName(), QStringLiteral("BIG.003"));
    QCOMPARE(disk.entryList(QDir::Files | QDir::Hidden), QStringList { QStringLiteral("BIG.DAT") });

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
