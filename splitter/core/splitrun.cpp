#include "splitrun.h"

#include "wholefile.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTimer>

#include <limits>
#include <new>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

// Long enough to keep the per-slice overhead negligible, short enough for
// the window to repaint smoothly between slices.
constexpr qint64 SliceMs = 30;

// When a full block cannot be had, the buffer shrinks in these steps.
constexpr qint64 BlockShrinkStep = 1024;

// Largest stretch copied inside the kernel in one call: a whole piece of
// every offered size, and short enough to keep a slice short on a slow disk.
constexpr qint64 KernelCopyBlock = qint64(8) << 20;

QString endOfFileReason()
{
    return QCoreApplication::translate("SplitRun", "読み込み中にファイルが短くなりました。");
}

// Copies up to length bytes of source from sourceAt to piece at pieceAt
// inside the kernel, without them passing through the process; the file
// offsets stay where they are. Returns the bytes copied, or -1 where the
// platform has no such call or the system refused or failed.
qint64 kernelCopy(int source, qint64 sourceAt, int piece, qint64 pieceAt, qint64 length)
{
#ifdef Q_OS_LINUX
    off_t in = sourceAt;
    off_t out = pieceAt;
    return ::copy_file_range(source, &in, piece, &out, std::size_t(length), 0);
#else
    return -1;
#endif
}

} // namespace

SplitRun::SplitRun(const SplitRequest &request, OverwriteQuestion ask, QObject *parent)
    : QObject(parent)
    , m_request(request)
    , m_ask(std::move(ask))
{
    if (m_request.pieceSize <= 0)
        m_request.pieceSize = SplitNames::PieceSizes[0];
}

SplitRun::~SplitRun()
{
    // A run dropped before its end (the application quitting) leaves nothing
    // of itself: an unfinished piece would hold less than its share.
    if (m_started && m_stage != Stage::Done)
        rollBack();
}

void SplitRun::start()
{
    if (m_started)
        return;
    m_started = true;
    QTimer::singleShot(0, this, &SplitRun::slice);
}

SplitOutcome SplitRun::runToEnd()
{
    m_started = true;
    advance(std::numeric_limits<qint64>::max());
    return m_outcome;
}

void SplitRun::slice()
{
    advance(SliceMs);
    emit progress(m_piece, m_position, m_length);
    if (m_stage == Stage::Done)
        emit finished(m_outcome.pieces);
    else
        QTimer::singleShot(0, this, &SplitRun::slice);
}

void SplitRun::advance(qint64 budgetMs)
{
    QElapsedTimer clock;
    clock.start();
    while (m_stage != Stage::Done) {
        switch (m_stage) {
        case Stage::Begin:
            begin();
            break;
        case Stage::NextPiece:
            nextPiece();
            break;
        case Stage::Transfer:
            transfer();
            break;
        case Stage::Tail:
            tail();
            break;
        case Stage::Done:
            break;
        }
        if (clock.elapsed() >= budgetMs)
            break;
    }
}

void SplitRun::begin()
{
    m_sourceName = SplitNames::FileNamePart(m_request.sourcePath, 0);
    m_baseName = SplitNames::FileNamePart(m_request.sourcePath, 1);

    // The name as the file system holds it: here a backslash is part of it,
    // and the batch would cut the name there.
    const QStringList unwritable = SplitNames::unwritableNameParts(QFileInfo(m_request.sourcePath).fileName());
    if (!unwritable.isEmpty())
        return fail(SplitFailure::NameUnwritable, m_request.sourcePath, unwritable.join(u' '));

    m_source.setFileName(m_request.sourcePath);
    if (!m_source.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return fail(SplitFailure::SourceUnreadable, m_request.sourcePath, m_source.errorString());
    m_length = m_source.size();

    qint64 block = std::min({ SplitNames::TransferBlock, m_request.pieceSize, std::max<qint64>(m_length, 1) });
    for (;;) {
        try {
            m_buffer.resize(block);
            break;
        } catch (const std::bad_alloc &) {
            block -= BlockShrinkStep;
            if (block <= BlockShrinkStep)
                return fail(SplitFailure::OutOfMemory, QString(), QString());
        }
    }

    if (!askReplacements())
        return;

    if (m_request.writeBatch) {
        const QString batchPath = SplitNames::BatchPath(m_request.destFolder, m_baseName);
        if (!clearPath(batchPath, SplitFailure::BatchUnwritable))
            return;
        m_batch.setFileName(batchPath);
        QString reason;
        if (!WholeFile::open(m_batch, &reason))
            return fail(SplitFailure::BatchUnwritable, batchPath, reason);
        if (!writeBatch(SplitNames::batchHead()))
            return;
    }
    m_stage = Stage::NextPiece;
}

// Asks about every existing file the run will replace, before anything is
// written: the batch, then the pieces in order. False when the run has ended
// (a No, or a file that is the source itself).
bool SplitRun::askReplacements()
{
    QStringList paths;
    if (m_request.writeBatch)
        paths.append(SplitNames::BatchPath(m_request.destFolder, m_baseName));
    const qint64 pieces = (m_length + m_request.pieceSize - 1) / m_request.pieceSize;
    for (qint64 n = 1; n <= pieces; ++n)
        paths.append(SplitNames::PiecePath(m_request.destFolder, m_baseName, n));
    for (const QString &path : std::as_const(paths)) {
        if (isSource(path)) {
            fail(SplitFailure::SameAsSource, path, QString());
            return false;
        }
        const QFileInfo info(path);
        if (!info.exists() && !info.isSymLink())
            continue;
        if (!m_request.deleteWithoutAsking && !(m_ask && m_ask(path))) {
            fail(SplitFailure::Declined, path, QString());
            return false;
        }
        m_approved.insert(path);
    }
    return true;
}

void SplitRun::nextPiece()
{
    if (m_position >= m_length) {
        m_stage = Stage::Tail;
        return;
    }
    ++m_piece;
    m_written = 0;
    if (m_request.writeBatch
        && !writeBatch(SplitNames::batchPieceLines(m_sourceName, m_baseName, m_piece, m_request.batchDeletesPieces)))
        return;

    const QString path = SplitNames::PiecePath(m_request.destFolder, m_baseName, m_piece);
    if (isSource(path))
        return fail(SplitFailure::SameAsSource, path, QString());
    if (!clearPath(path, SplitFailure::PieceUnwritable))
        return;
    m_pieceFile.setFileName(path);
    if (!m_pieceFile.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered))
        return fail(SplitFailure::PieceUnwritable, path, m_pieceFile.errorString());
    m_created = m_piece;
    m_stage = Stage::Transfer;
}

// The length of the hole in the source at the current position, 0 when
// data lies there or the file system cannot tell.
qint64 SplitRun::holeAhead()
{
#ifdef SEEK_DATA
    const int fd = m_source.handle();
    off_t data = ::lseek(fd, m_position, SEEK_DATA);
    if (data < 0 && errno == ENXIO) {
        // Nothing but hole up to the end of the file as it is now. Past that
        // end the source has become shorter, which the read reports.
        data = std::min<qint64>(m_length, ::lseek(fd, 0, SEEK_END));
    }
    if (data < 0 || data <= m_position) {
        ::lseek(fd, m_position, SEEK_SET);
        return 0;
    }
    return qint64(data) - m_position;
#else
    return 0;
#endif
}

// The length of the data in the source from the current position up to the
// next hole, so a kernel copy leaves holes to holeAhead. The rest of the
// file where the file system cannot tell.
qint64 SplitRun::dataAhead()
{
#ifdef SEEK_HOLE
    // Moves the source's offset; the read and write path seeks before it reads.
    const off_t hole = ::lseek(m_source.handle(), m_position, SEEK_HOLE);
    if (hole > m_position)
        return qint64(hole) - m_position;
#endif
    return m_length - m_position;
}

void SplitRun::transfer()
{
    // A hole in the source stays a hole in the piece: the same bytes read
    // back, without moving gigabytes of zeros.
    const qint64 hole = std::min({ holeAhead(), m_request.pieceSize - m_written, m_length - m_position });
    if (hole > 0) {
        m_position += hole;
        m_written += hole;
        if (!m_source.seek(m_position))
            return fail(SplitFailure::SourceUnreadable, m_request.sourcePath, m_source.errorString());
        return finishBlock();
    }
    const qint64 rest = std::min(m_request.pieceSize - m_written, m_length - m_position);
    if (m_kernelCopy) {
        if (copyInKernel(std::min({ rest, KernelCopyBlock, dataAhead() })))
            return finishBlock();
        // The source is read on from where the kernel copy left off.
        if (!m_source.seek(m_position))
            return fail(SplitFailure::SourceUnreadable, m_request.sourcePath, m_source.errorString());
    }
    if (m_pieceFile.pos() != m_written && !m_pieceFile.seek(m_written))
        return fail(SplitFailure::PieceUnwritable, m_pieceFile.fileName(), m_pieceFile.errorString());

    const qint64 block = std::min(qint64(m_buffer.size()), rest);
    const qint64 got = m_source.read(m_buffer.data(), block);
    if (got != block)
        return fail(
            SplitFailure::SourceUnreadable, m_request.sourcePath, got < 0 ? m_source.errorString() : endOfFileReason());
    // A disk that fills up takes part of a block first and reports nothing;
    // only the next write says why, so keep writing until one fails.
    for (qint64 done = 0; done < block;) {
        const qint64 put = m_pieceFile.write(m_buffer.constData() + done, block - done);
        if (put <= 0)
            return fail(SplitFailure::PieceUnwritable, m_pieceFile.fileName(), m_pieceFile.errorString());
        done += put;
    }
    m_position += block;
    m_written += block;
    finishBlock();
}

// Copies up to length bytes of the piece inside the kernel and moves on by
// what was copied. False when the kernel copied nothing: refused (EXDEV, ENOSYS, EOPNOTSUPP, EINVAL on
// some file systems), failed (a full disk), or found no bytes before the end
// (a file system that reports none, a source that became shorter). The run
// then reads and writes from here on, and that path either goes on or ends
// with the system's reason and the file it concerns.
bool SplitRun::copyInKernel(qint64 length)
{
    const qint64 copied = kernelCopy(m_source.handle(), m_position, m_pieceFile.handle(), m_written, length);
    if (copied <= 0) {
        m_kernelCopy = false;
        return false;
    }
    m_kernelCopied = true;
    m_position += copied;
    m_written += copied;
    return true;
}

void SplitRun::finishBlock()
{
    if (m_written < m_request.pieceSize && m_position < m_length)
        return;
    if (m_pieceFile.size() != m_written && !m_pieceFile.resize(m_written))
        return fail(SplitFailure::PieceUnwritable, m_pieceFile.fileName(), m_pieceFile.errorString());
    m_pieceFile.close();
    if (m_pieceFile.error() != QFileDevice::NoError)
        return fail(SplitFailure::PieceUnwritable, m_pieceFile.fileName(), m_pieceFile.errorString());
    m_stage = Stage::NextPiece;
}

void SplitRun::tail()
{
    m_source.close();
    if (!piecesComplete())
        return;
    if (m_request.writeBatch) {
        if (!writeBatch(SplitNames::batchTail(m_baseName, m_request.batchDeletesPieces)))
            return;
        QString reason;
        if (!WholeFile::commit(m_batch, &reason))
            return fail(SplitFailure::BatchUnwritable, m_batch.fileName(), reason);
    }
    m_outcome.pieces = m_piece;
    m_stage = Stage::Done;
}

// Whether every piece on disk holds its share, read back by size: the batch
// joins them only when they do. False when the run has ended.
bool SplitRun::piecesComplete()
{
    for (qint64 n = 1; n <= m_piece; ++n) {
        const QString path = SplitNames::PiecePath(m_request.destFolder, m_baseName, n);
        const qint64 share = n < m_piece ? m_request.pieceSize : m_length - (m_piece - 1) * m_request.pieceSize;
        const QFileInfo piece(path);
        if (!piece.isFile() || piece.size() != share) {
            fail(SplitFailure::PieceUnwritable, path, tr("書き込んだﾌｧｲﾙの大きさが正しくありません。"));
            return false;
        }
    }
    return true;
}

// Makes way for a new file at path: deletes what is there, asking first
// unless the user agreed already or told not to be asked. False when the run
// has ended.
bool SplitRun::clearPath(const QString &path, SplitFailure unwritable)
{
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink())
        return true;
    // A file that appeared after the questions is asked about now.
    if (!m_request.deleteWithoutAsking && !m_approved.contains(path) && !(m_ask && m_ask(path))) {
        fail(SplitFailure::Declined, path, QString());
        return false;
    }
    QFile existing(path);
    if (!existing.remove()) {
        fail(unwritable, path, existing.errorString());
        return false;
    }
    return true;
}

bool SplitRun::isSource(const QString &path) const
{
#ifdef Q_OS_UNIX
    struct stat other;
    struct stat self;
    if (::stat(QFile::encodeName(path).constData(), &other) != 0 || ::fstat(m_source.handle(), &self) != 0)
        return false;
    return other.st_dev == self.st_dev && other.st_ino == self.st_ino;
#else
    const QString canonical = QFileInfo(path).canonicalFilePath();
    return !canonical.isEmpty() && canonical == QFileInfo(m_source).canonicalFilePath();
#endif
}

bool SplitRun::writeBatch(const QByteArray &lines)
{
    // Unbuffered, so a full disk shows at the line that did not fit.
    QString reason;
    if (!WholeFile::write(m_batch, lines, &reason)) {
        fail(SplitFailure::BatchUnwritable, m_batch.fileName(), reason);
        return false;
    }
    return true;
}

// Removes what this run wrote: its pieces and its unfinished batch.
void SplitRun::rollBack()
{
    if (m_pieceFile.isOpen())
        m_pieceFile.close();
    for (qint64 n = m_created; n >= 1; --n)
        QFile::remove(SplitNames::PiecePath(m_request.destFolder, m_baseName, n));
    m_created = 0;
    if (m_batch.isOpen()) {
        // Discards the temporary file; the batch name was never written.
        m_batch.cancelWriting();
        m_batch.commit();
    }
}

void SplitRun::fail(SplitFailure failure, const QString &path, const QString &reason)
{
    rollBack();
    m_source.close();
    m_outcome.pieces = 0;
    m_outcome.failure = failure;
    m_outcome.path = path;
    m_outcome.reason = reason;
    m_stage = Stage::Done;
}
