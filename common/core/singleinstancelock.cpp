#include "singleinstancelock.h"

#include <QDir>
#include <QFileInfo>
#include <QLockFile>

SingleInstanceLock::SingleInstanceLock(const QString &filePath)
    : m_path(filePath)
{
}

SingleInstanceLock::~SingleInstanceLock() = default;

SingleInstanceLock::Result SingleInstanceLock::tryLock()
{
    if (isLocked())
        return Result::Locked;
    QDir().mkpath(QFileInfo(m_path).absolutePath());

    // Something that is no file cannot be a running copy's lock; reading it
    // could even block (a FIFO). Clear it away first; a folder only when
    // empty, as it may hold someone's files.
    const auto inTheWay = [this] {
        const QFileInfo info(m_path);
        return info.isSymLink() ? !info.isFile() : info.exists() && !info.isFile();
    };
    if (inTheWay()) {
        if (QFileInfo(m_path).isDir() && !QFileInfo(m_path).isSymLink())
            QDir().rmdir(m_path);
        else
            QFile::remove(m_path);
        if (inTheWay())
            return Result::Failed;
    }

    m_lock = std::make_unique<QLockFile>(m_path);
    // Never stale by age: a copy may run for weeks.
    m_lock->setStaleLockTime(0);
    if (m_lock->tryLock(0))
        return Result::Locked;
    if (m_lock->error() != QLockFile::LockFailedError) {
        m_lock.reset();
        return Result::Failed;
    }
    // The file is there and Qt did not find it stale: it names a live
    // process, or Qt could not read it (empty, damaged, unreadable). Its
    // removal succeeds only when no live process holds its native lock.
    if (m_lock->removeStaleLockFile() && m_lock->tryLock(0))
        return Result::Locked;
    // A file this user cannot open for writing is none a running copy made
    // (it makes its lock writable for itself): it can go.
    if (QFileInfo::exists(m_path) && !QFileInfo(m_path).isWritable() && QFile::remove(m_path) && m_lock->tryLock(0))
        return Result::Locked;
    m_lock.reset();
    return Result::HeldByRunningCopy;
}

void SingleInstanceLock::unlock()
{
    m_lock.reset();
}

bool SingleInstanceLock::isLocked() const
{
    return m_lock && m_lock->isLocked();
}
