#include "messagelog.h"

#include <QScrollBar>
#include <QTextBlock>
#include <QTimer>

MessageLogView::MessageLogView(QWidget *parent)
    : QPlainTextEdit(parent)
{
    setObjectName(QStringLiteral("txtR"));
    setReadOnly(true);
    setUndoRedoEnabled(false);
    // Read with the keyboard too: a screen reader's caret walks the log.
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
}

void MessageLogView::appendBlock(const QString &block)
{
    if (block.isEmpty())
        return;
    if (m_pending.isEmpty())
        QTimer::singleShot(0, this, &MessageLogView::flush);
    m_pending += block;
}

QString MessageLogView::logText()
{
    flush();
    QString text = toPlainText();
    text.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    return text;
}

void MessageLogView::clearLog()
{
    m_pending.clear();
    clear();
}

void MessageLogView::flush()
{
    if (m_pending.isEmpty())
        return;
    QString text = std::exchange(m_pending, QString());
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    // What just arrived is shown, unless the user scrolled up to read.
    QScrollBar *scroll = verticalScrollBar();
    const bool atBottom = scroll->value() >= scroll->maximum();
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(text);
    trimOldBlocks();
    if (atBottom)
        scroll->setValue(scroll->maximum());
}

void MessageLogView::trimOldBlocks()
{
    QTextDocument *doc = document();
    if (doc->characterCount() <= LogCharacterLimit)
        return;
    // Drop whole message blocks from the top until a quarter is free: each
    // block ends with an empty line.
    QTextBlock block = doc->begin();
    while (block.isValid() && doc->characterCount() - block.position() > LogCharacterLimit * 3 / 4)
        block = block.next();
    while (block.isValid() && !block.text().isEmpty())
        block = block.next();
    if (!block.isValid())
        return;
    QTextCursor trim(doc);
    trim.movePosition(QTextCursor::Start);
    trim.setPosition(block.next().isValid() ? block.next().position() : block.position(), QTextCursor::KeepAnchor);
    trim.removeSelectedText();
}
