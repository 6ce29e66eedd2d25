#pragma once

#include <QFile>
#include <QString>

// Files the programs keep for the user (settings, the kept conversation) are
// only ever ordinary files. Something else in their place (a FIFO, a device,
// a link to /dev/zero) would block a reader for good or feed it without end,
// so it is refused before a byte is read. Links to ordinary files are
// followed.
namespace RegularFile {

enum class Status {
    Opened,
    // Nothing at the path (a dangling link included).
    Missing,
    // Something other than an ordinary file is there.
    NotRegular,
    // There, but it could not be opened (rights, ...).
    Failed,
};

// Opens path into file in mode (ReadOnly, or WriteOnly with Append) only
// when it is an ordinary file. A missing file is created with permissions
// where mode writes. Never blocks, whatever lies at the path. errorString,
// when given, gets the system's reason for Failed. The opened file no
// longer reports its name (Qt knows it by its handle only).
Status open(QFile &file, const QString &path, QIODevice::OpenMode mode,
    QFileDevice::Permissions permissions = QFileDevice::ReadOwner | QFileDevice::WriteOwner,
    QString *errorString = nullptr);

// Takes group and other rights away from path (a folder or an ordinary file
// of this user, links left alone), so what it holds stays the user's.
void makePrivate(const QString &path);

} // namespace RegularFile
