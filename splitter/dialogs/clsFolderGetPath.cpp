#include "clsFolderGetPath.h"

#include "commondialogrunner.h"

#include <QDir>
#include <QStandardPaths>

namespace {

QString trimSpaces(const QString &text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text.at(begin) == u' ')
        ++begin;
    while (end > begin && text.at(end - 1) == u' ')
        --end;
    return text.mid(begin, end - begin);
}

} // namespace

clsFolderGetPath::clsFolderGetPath(CommonDialogRunner *dialogs)
    : m_dialogs(dialogs ? dialogs : &CommonDialogRunner::standard())
{
}

QString clsFolderGetPath::startFolder() const
{
    switch (m_rootFolderId) {
    case 0x05:
        return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    case 0x10:
        return QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    case 0x11:
        return QDir::rootPath();
    case 0x28:
        return QDir::homePath();
    default:
        return QString();
    }
}

QString clsFolderGetPath::FolderPathName()
{
    const QString chosen = m_dialogs->runFolderDialog(m_owner, m_title, startFolder(), quint32(m_flags));
    m_folderPathName = trimSpaces(chosen.section(QChar(0), 0, 0));
    return m_folderPathName;
}
