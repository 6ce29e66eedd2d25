#include "clsFolderGetPath.h"

#include "commondialogrunner.h"
#include "textutil.h"

#include <QDir>
#include <QStandardPaths>

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
