#include "conversationlog.h"

#include "regularfile.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>

ConversationLog::ConversationLog(const QString &filePath)
    : m_path(filePath)
{
    // What an earlier version left readable to others becomes private.
    RegularFile::makePrivate(QFileInfo(filePath).absolutePath());
    RegularFile::makePrivate(filePath);
    RegularFile::makePrivate(filePath + QStringLiteral(".1"));
}

bool ConversationLog::open()
{
    if (m_file.isOpen())
        return true;
    const QString folder = QFileInfo(m_path).absolutePath();
    if (!QDir().mkpath(folder)) {
        m_error = QStringLiteral("%1: cannot create the folder").arg(folder);
        return false;
    }
    RegularFile::makePrivate(folder);
    QString reason;
    switch (RegularFile::open(m_file, m_path, QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered,
        QFileDevice::ReadOwner | QFileDevice::WriteOwner, &reason)) {
    case RegularFile::Status::Opened:
        return true;
    case RegularFile::Status::NotRegular:
        m_error = m_path + QStringLiteral(": not a regular file");
        return false;
    case RegularFile::Status::Missing:
    case RegularFile::Status::Failed:
        m_error = m_path + QStringLiteral(": ") + reason;
        return false;
    }
    return false;
}

bool ConversationLog::rotate()
{
    m_file.close();
    const QString older = m_path + QStringLiteral(".1");
    QFile::remove(older);
    if (!QFile::rename(m_path, older)) {
        m_error = m_path + QStringLiteral(": cannot be rotated");
        return false;
    }
    return open();
}

bool ConversationLog::append(const QString &block)
{
    QString text = block;
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    if (!m_gapSince.isEmpty()) {
        text.prepend(
            QStringLiteral("[記録なし] Time:%1 以降の送受信の一部を保存できませんでした。\n\n").arg(m_gapSince));
    }
    if (write(text.toUtf8())) {
        m_gapSince.clear();
        return true;
    }
    if (m_gapSince.isEmpty())
        m_gapSince = QDateTime::currentDateTime().toString(QStringLiteral("yyyy/MM/dd hh:mm:ss"));
    return false;
}

bool ConversationLog::write(const QByteArray &bytes)
{
    if (!open())
        return false;
    if (m_file.size() > 0 && m_file.size() + bytes.size() > MaxBytes && !rotate())
        return false;
    const qint64 before = m_file.size();
    if (m_file.write(bytes) != bytes.size()) {
        m_error = m_path + QStringLiteral(": ") + m_file.errorString();
        // Whole blocks or none: what part of the block got in goes again.
        m_file.resize(before);
        m_file.close();
        return false;
    }
    return true;
}

QString ConversationLog::tail() const
{
    QFile file;
    if (RegularFile::open(file, m_path, QIODevice::ReadOnly) != RegularFile::Status::Opened)
        return {};
    const qint64 size = file.size();
    const bool cut = size > TailBytes;
    if (cut)
        file.seek(size - TailBytes);
    // Bounded even while another program makes the file grow.
    QByteArray bytes = file.read(TailBytes);
    // Started inside a block: skip to the start of the next one. A block
    // ends with an empty line.
    if (cut) {
        const qsizetype boundary = bytes.indexOf("\n\n");
        bytes = boundary < 0 ? QByteArray() : bytes.mid(boundary + 2);
    }
    // The last TailBlocks blocks: count block ends from the back.
    qsizetype from = bytes.size();
    for (int blocks = 0; blocks <= TailBlocks && from > 0;) {
        const qsizetype end = bytes.lastIndexOf("\n\n", from - 1);
        if (end < 0) {
            from = 0;
            break;
        }
        if (++blocks > TailBlocks) {
            from = end + 2;
            break;
        }
        from = end;
    }
    if (from == bytes.size())
        from = 0;
    QString text = QString::fromUtf8(bytes.mid(from));
    text.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    return text;
}
