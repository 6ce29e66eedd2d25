#pragma once

#include "splitnames.h"

#include <QByteArray>
#include <QFile>
#include <QObject>
#include <QSaveFile>
#include <QSet>
#include <QString>

#include <functional>

// One split of a source file into numbered pieces, with the rejoin batch.
//
// Order of a run:
//   1. the source name is checked (SplitNames::unwritableNameParts) and the
//      source opened; nothing is written when either fails;
//   2. every file the run will replace is asked about before anything is
//      written, in this order: the batch file (with the batch), then each
//      existing piece. Unless deleteWithoutAsking, one No ends the run with
//      nothing written or deleted. A batch file or piece that is the source
//      itself ends it the same way;
//   3. with the batch: an existing batch file is deleted, and the new one is
//      written under a temporary name as the run goes;
//   4. per piece: its batch lines, then an existing piece file is deleted,
//      then the piece is written: copied inside the kernel where the system
//      offers it (copy_file_range on Linux; file systems that share extents
//      clone aligned ranges), else read and written in blocks of at most
//      SplitNames::TransferBlock bytes;
//   5. every piece is checked by its size on disk; with the batch, its tail
//      is written and the batch takes its name.
// A read, write or check failure ends the run with 0 pieces and removes every
// piece this run wrote and its batch, so a batch on disk always refers to
// whole pieces, and no half of a split is left to be mistaken for a whole.
// The source is only ever read.
//
// Whatever the kernel copy refuses or fails at (another file system, a call
// the file system does not offer, a disk that fills up) the rest of the run
// reads and writes, so a failure is reported as that path reports it: with
// the file it concerns and the system's words.
//
// Sizes, positions and the piece count are 64-bit; one block buffer is held
// whatever the file size. Holes of a sparse source stay holes in the pieces.

struct SplitRequest
{
    QString sourcePath;
    QString destFolder;
    qint64 pieceSize = SplitNames::PieceSizes[0];
    bool writeBatch = true;
    bool deleteWithoutAsking = false;
    bool batchDeletesPieces = true;
};

enum class SplitFailure {
    None,
    Declined, // No to an overwrite question
    SourceUnreadable,
    SameAsSource, // a piece or the batch file would replace the source
    NameUnwritable, // the source name cannot stand in the batch; reason lists why
    PieceUnwritable,
    BatchUnwritable,
    OutOfMemory,
};

// How a run moves the bytes of its pieces.
enum class SplitCopy {
    Fastest, // inside the kernel where the system offers it, else read and written
    ReadWrite, // always read into the run's buffer and written from it
};

struct SplitOutcome
{
    qint64 pieces = 0; // pieces written; 0 when aborted or the source was empty
    SplitFailure failure = SplitFailure::None;
    QString path; // the file a failure concerns
    QString reason; // the system's words for it; for NameUnwritable, what in the name
};

class SplitRun : public QObject
{
    Q_OBJECT
public:
    // Asked before an existing batch file or piece is deleted; false aborts.
    using OverwriteQuestion = std::function<bool(const QString &path)>;

    SplitRun(const SplitRequest &request, OverwriteQuestion ask, QObject *parent = nullptr);
    ~SplitRun() override;

    // Runs from the event loop in short slices, emitting progress after each,
    // and finished() once. The question may open a nested event loop; no
    // slice is pending while it is asked.
    void start();

    // Runs the whole split before returning.
    SplitOutcome runToEnd();

    // Before start or runToEnd; Fastest unless set.
    void setCopy(SplitCopy copy) { m_kernelCopy = copy == SplitCopy::Fastest; }
    // Whether any bytes went through the kernel copy.
    bool usedKernelCopy() const { return m_kernelCopied; }

    bool isRunning() const { return m_stage != Stage::Done && m_started; }
    bool isDone() const { return m_stage == Stage::Done; }
    const SplitOutcome &outcome() const { return m_outcome; }
    qint64 piecesStarted() const { return m_piece; }
    qint64 bytesDone() const { return m_position; }
    qint64 totalBytes() const { return m_length; }

signals:
    void progress(qint64 pieces, qint64 bytes, qint64 total);
    void finished(qint64 result);

private:
    enum class Stage { Begin, NextPiece, Transfer, Tail, Done };

    void slice();
    void advance(qint64 budgetMs);
    void begin();
    void nextPiece();
    qint64 holeAhead();
    qint64 dataAhead();
    void transfer();
    bool copyInKernel(qint64 length);
    void finishBlock();
    void tail();
    bool askReplacements();
    bool clearPath(const QString &path, SplitFailure unwritable);
    bool piecesComplete();
    void rollBack();
    bool isSource(const QString &path) const;
    bool writeBatch(const QByteArray &lines);
    void fail(SplitFailure failure, const QString &path, const QString &reason);

    SplitRequest m_request;
    OverwriteQuestion m_ask;
    QString m_sourceName;
    QString m_baseName;
    QFile m_source;
    QSaveFile m_batch;
    QFile m_pieceFile;
    QByteArray m_buffer;
    qint64 m_length = 0;
    qint64 m_position = 0;
    qint64 m_piece = 0;
    qint64 m_created = 0; // pieces this run has created, 1 to m_created
    qint64 m_written = 0;
    Stage m_stage = Stage::Begin;
    bool m_started = false;
    bool m_kernelCopy = true;
    bool m_kernelCopied = false;
    SplitOutcome m_outcome;
    // Existing files the user agreed to replace.
    QSet<QString> m_approved;
};
