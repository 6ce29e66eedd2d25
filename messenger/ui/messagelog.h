#pragma once

#include <QPlainTextEdit>

// txtR: the read-only log of sent and received messages. Blocks are taken
// once per turn of the event loop, so a burst of arrivals costs one layout;
// the view follows the newest block unless the user scrolled up to read.
// Keeps about LogCharacterLimit characters; older blocks go first.
class MessageLogView : public QPlainTextEdit
{
    Q_OBJECT
public:
    static constexpr int LogCharacterLimit = 4 * 1024 * 1024;

    explicit MessageLogView(QWidget *parent = nullptr);

    // Appends a block (CR LF or LF line ends) at the next turn of the event loop.
    void appendBlock(const QString &block);
    // The log as the user reads it, CR LF between lines, pending blocks included.
    QString logText();
    void clearLog();

private:
    void flush();
    void trimOldBlocks();

    QString m_pending;
};
