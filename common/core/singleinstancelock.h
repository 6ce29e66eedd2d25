#pragma once

#include <QString>

#include <memory>

class QLockFile;

// One running copy of a program per user: a lock file in the user's runtime
// folder, held for as long as the copy runs.
//
// Only a running copy blocks another. Whatever else lies at the path is
// taken over: an empty, damaged or unreadable lock file, one that names a
// process that no longer runs (or a process id since reused), a FIFO, a
// dangling link, an empty folder. What decides is whether a live process
// still holds the file's native lock, which the system drops however its
// holder ends (kill -9 and power loss included).
class SingleInstanceLock
{
public:
    enum class Result {
        Locked,
        // Another copy runs and holds the lock.
        HeldByRunningCopy,
        // The lock file could not be made (no rights in the folder, a
        // folder with contents in its place, ...).
        Failed,
    };

    explicit SingleInstanceLock(const QString &filePath);
    ~SingleInstanceLock();

    SingleInstanceLock(const SingleInstanceLock &) = delete;
    SingleInstanceLock &operator=(const SingleInstanceLock &) = delete;

    Result tryLock();
    void unlock();
    bool isLocked() const;
    QString filePath() const { return m_path; }

private:
    QString m_path;
    std::unique_ptr<QLockFile> m_lock;
};
