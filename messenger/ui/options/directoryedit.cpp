#include "directoryedit.h"

DirectoryEdit planDirectoryEdit(
    const QList<DirectoryEntry> &rows, DirectoryEditMode mode, const QString &name, const QString &ip)
{
    DirectoryEdit edit;
    for (qsizetype i = 0; i < rows.size(); ++i) {
        if (rows[i].UserIpAddr != ip)
            continue;
        edit.done = true;
        edit.row = i;
        if (mode == DirectoryEditMode::Update && rows[i].UserName != name)
            edit.change = DirectoryEdit::Change::Rename;
        else if (mode == DirectoryEditMode::Delete)
            edit.change = DirectoryEdit::Change::Remove;
        return edit;
    }
    if (mode == DirectoryEditMode::Update) {
        edit.done = true;
        edit.change = DirectoryEdit::Change::Append;
    }
    return edit;
}

void applyDirectoryEdit(QList<DirectoryEntry> &rows, const DirectoryEdit &edit, const QString &name, const QString &ip)
{
    switch (edit.change) {
    case DirectoryEdit::Change::None:
        break;
    case DirectoryEdit::Change::Rename:
        rows[edit.row].UserName = name;
        break;
    case DirectoryEdit::Change::Remove:
        rows.removeAt(edit.row);
        break;
    case DirectoryEdit::Change::Append:
        rows.append({ name, ip });
        break;
    }
}

std::optional<qint32> parseLocalPort(const QString &text)
{
    if (text.isEmpty() || text.size() > 5)
        return std::nullopt;
    qint32 port = 0;
    for (const QChar c : text) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
        port = port * 10 + (c.unicode() - u'0');
    }
    if (port < 1 || port > 65535)
        return std::nullopt;
    return port;
}
