#include "regularfile.h"

#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace RegularFile {

#ifdef Q_OS_UNIX

namespace {

mode_t modeBits(QFileDevice::Permissions permissions)
{
    mode_t mode = 0;
    if (permissions & QFileDevice::ReadOwner)
        mode |= S_IRUSR;
    if (permissions & QFileDevice::WriteOwner)
        mode |= S_IWUSR;
    if (permissions & QFileDevice::ReadGroup)
        mode |= S_IRGRP;
    if (permissions & QFileDevice::WriteGroup)
        mode |= S_IWGRP;
    if (permissions & QFileDevice::ReadOther)
        mode |= S_IROTH;
    if (permissions & QFileDevice::WriteOther)
        mode |= S_IWOTH;
    return mode;
}

} // namespace

Status open(QFile &file, const QString &path, QIODevice::OpenMode mode, QFileDevice::Permissions permissions,
    QString *errorString)
{
    const QByteArray name = QFile::encodeName(path);
    const bool writes = mode & QIODevice::WriteOnly;
    // Non-blocking, so that a FIFO cannot hold the open up; the flag is
    // taken off again once the file is known to be an ordinary one.
    int flags = O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
    if (writes) {
        flags |= (mode & QIODevice::ReadOnly) ? O_RDWR : O_WRONLY;
        flags |= O_CREAT;
        if (mode & QIODevice::Append)
            flags |= O_APPEND;
        if (mode & QIODevice::Truncate)
            flags |= O_TRUNC;
    } else {
        flags |= O_RDONLY;
    }
    const int fd = ::open(name.constData(), flags, modeBits(permissions));
    if (fd < 0) {
        const int error = errno;
        if (error == ENOENT)
            return Status::Missing;
        // A FIFO without a reader refuses a non-blocking writer (ENXIO).
        struct stat info
        {
        };
        if (::stat(name.constData(), &info) == 0 && !S_ISREG(info.st_mode))
            return Status::NotRegular;
        if (errorString)
            *errorString = QString::fromLocal8Bit(std::strerror(error));
        return Status::Failed;
    }
    struct stat info
    {
    };
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return Status::NotRegular;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    if (!file.open(fd, mode, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        if (errorString)
            *errorString = file.errorString();
        return Status::Failed;
    }
    return Status::Opened;
}

void makePrivate(const QString &path)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat info
    {
    };
    if (::lstat(name.constData(), &info) != 0 || info.st_uid != ::geteuid())
        return;
    if (!S_ISREG(info.st_mode) && !S_ISDIR(info.st_mode))
        return;
    if (info.st_mode & (S_IRWXG | S_IRWXO))
        ::chmod(name.constData(), info.st_mode & S_IRWXU);
}

#else

Status open(QFile &file, const QString &path, QIODevice::OpenMode mode, QFileDevice::Permissions permissions,
    QString *errorString)
{
    const QFileInfo info(path);
    if (!info.exists() && !(mode & QIODevice::WriteOnly))
        return Status::Missing;
    if (info.exists() && !info.isFile())
        return Status::NotRegular;
    file.setFileName(path);
    if (!file.open(mode, permissions)) {
        if (errorString)
            *errorString = file.errorString();
        return Status::Failed;
    }
    return Status::Opened;
}

void makePrivate(const QString &) { }

#endif

} // namespace RegularFile
