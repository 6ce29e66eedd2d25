#include "wholefile.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

namespace WholeFile {

namespace {

// Cancels the replacement: the temporary file is removed and the old file
// stays.
bool failed(QSaveFile &file, QString *errorString)
{
    if (errorString)
        *errorString = file.errorString();
    file.cancelWriting();
    return false;
}

} // namespace

bool open(QSaveFile &file, QString *errorString)
{
    if (file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return true;
    if (errorString)
        *errorString = file.errorString();
    return false;
}

bool write(QSaveFile &file, const QByteArray &bytes, QString *errorString)
{
    if (file.write(bytes) != bytes.size() || file.error() != QFileDevice::NoError)
        return failed(file, errorString);
    return true;
}

bool commit(QSaveFile &file, QString *errorString)
{
    // Nothing is buffered, but a flush that failed all the same must stop
    // the rename.
    if (!file.flush() || file.error() != QFileDevice::NoError)
        return failed(file, errorString);
    if (file.commit())
        return true;
    if (errorString)
        *errorString = file.errorString();
    return false;
}

bool replace(const QString &path, const QByteArray &bytes, QString *errorString,
    std::optional<QFileDevice::Permissions> permissions)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    if (!open(file, errorString))
        return false;
    // A cancelled file is discarded when it goes out of scope.
    if (permissions && !file.setPermissions(*permissions))
        return failed(file, errorString);
    return write(file, bytes, errorString) && commit(file, errorString);
}

} // namespace WholeFile
