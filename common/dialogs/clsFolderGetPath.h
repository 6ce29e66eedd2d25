#pragma once

#include <QCoreApplication>
#include <QPointer>
#include <QString>
#include <QWidget>

class CommonDialogRunner;

// The folder picker behind properties: set the write properties, then read
// FolderPathName, which shows the picker on every read and returns the chosen
// folder, or "" after a cancel.
class clsFolderGetPath
{
public:
    // dialogs: where the picker runs; nullptr for Qt's own.
    explicit clsFolderGetPath(CommonDialogRunner *dialogs = nullptr);

    void sethWndOwner(QWidget *owner) { m_owner = owner; }
    // Where browsing starts, as a shell folder id: 0 the whole namespace (the
    // picker's own start), 5 documents, 0x10 desktop, 0x11 the file system
    // root, 0x28 the home folder.
    void setRootFolderID(qint32 id) { m_rootFolderId = id; }
    void setTitle(const QString &title) { m_title = title; }
    // BIF_* bits; folders with a file-system path are all this picker returns.
    void setFlagsOption(qint32 flags) { m_flags = flags; }

    QString FolderPathName();

private:
    QString startFolder() const;

    CommonDialogRunner *m_dialogs;
    QPointer<QWidget> m_owner;
    qint32 m_rootFolderId = 0;
    QString m_title = QCoreApplication::translate("clsFolderGetPath", "ﾌｫﾙﾀﾞを選択して下さい。");
    qint32 m_flags = 1;
    QString m_folderPathName;
};
