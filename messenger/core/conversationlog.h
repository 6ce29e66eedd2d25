#pragma once

#include <QFile>
#include <QString>

// The conversation as the log shows it, kept in a file so that a crash, a
// kill or a log-out loses nothing already shown, and a restart can show the
// end of it again.
//
// Format: UTF-8 text, LF line ends, blocks as the log shows them, each ending
// in an empty line. Written block by block, unbuffered, and each block whole
// or not at all: a block the disk took only part of is cut off again, so the
// file never ends inside a character or runs the next block into a torn
// one. Where blocks could not be kept, the next one kept is preceded by a
// block of its own that says so and since when:
//
//   [記録なし] Time:yyyy/MM/dd hh:mm:ss 以降の送受信の一部を保存できませんでした。
//
// When the file passes MaxBytes it becomes "<name>.1" (replacing an older
// one) and a new file starts, so at most two files are kept.
//
// Both files and their folder are the user's alone (0600, 0700); wider
// modes left by an earlier version are narrowed when the log is made. Only
// an ordinary file (or a link to one) is written or read: anything else in
// its place is reported as an error and left alone.
class ConversationLog
{
public:
    static constexpr qint64 MaxBytes = 16 * 1024 * 1024;
    // What a restart shows again at most.
    static constexpr int TailBlocks = 200;
    static constexpr qint64 TailBytes = 256 * 1024;

    explicit ConversationLog(const QString &filePath);

    // Appends one block (CR LF or LF line ends); false with errorString()
    // when it could not be written.
    bool append(const QString &block);
    // The last blocks of the file, CR LF line ends, at most TailBlocks and
    // about TailBytes; empty when there is no file.
    QString tail() const;

    QString filePath() const { return m_path; }
    QString errorString() const { return m_error; }

private:
    bool open();
    bool rotate();
    bool write(const QByteArray &bytes);

    QString m_path;
    QFile m_file;
    QString m_error;
    // When the first block that could not be kept was to be written; empty
    // while nothing is missing.
    QString m_gapSince;
};
