#pragma once

#include "sysinfosources.h"

#include <QString>
#include <QStringList>
#include <QVariant>

// One drive: its space, its volume, its file-system flags and its medium.
//
// A drive is a mounted file system that holds data; its root is the mount
// point. The letter form is still accepted ("a" becomes "A:\") and names a
// drive this platform does not have.
//
// Every read asks the system afresh. The space properties each make a new
// statvfs query; Volume, FileSystem, MaxFileName and VolSerial each make a
// new volume query, and the seven flag properties read the flags that the
// last volume query stored (all clear before the first one).
class clsDriveOperation
{
public:
    explicit clsDriveOperation(SysInfoSources sources = {});

    // Drive roots of this machine in the order the window walks them.
    QStringList DriveRoots() const;

    QString Drive() const { return m_drive; }
    // A mount point ("/...") or a text ending in ":\" is kept as given;
    // anything else gets ":\" appended and is upper-cased.
    void setDrive(const QString &drive);

    bool Enabled() const;
    bool MediaCondition() const;
    // 1 no root, 2 removable, 3 fixed, 4 network, 5 optical, 6 RAM disk, 0 unknown.
    qint32 MediaType() const;

    qint32 SectorByte();
    qint32 ClusterSector();
    double FreeSpace();
    double AllSpace();

    QString Volume();
    // Labels of mounted file systems are not changed from here; the call
    // fails without touching the drive and Volume keeps its label.
    void setVolume(const QString &label);
    QString FileSystem();
    qint32 MaxFileName();
    qint32 VolSerial();

    bool CaseSensitive() const;
    // true when the file system keeps the case of names, otherwise an empty value.
    QVariant CasePreserved() const;
    bool Unicode() const;
    bool ACLs() const;
    bool FileCompress() const;
    bool VolCompress() const;

    // No format dialog exists for mounted file systems here: the result is
    // the "cannot be formatted" value (-3) and nothing is started.
    qint32 ShowFormat(qint32 ownerWindow, qint32 lngDrive, qint32 lngType);

    // File-system flag bits as the volume query stores them.
    static constexpr quint32 FlagCaseSensitive = 0x1;
    static constexpr quint32 FlagCasePreserved = 0x2;
    static constexpr quint32 FlagUnicode = 0x4;
    static constexpr quint32 FlagAcls = 0x8;
    static constexpr quint32 FlagFileCompression = 0x10;
    static constexpr quint32 FlagVolumeCompressed = 0x8000;
    static constexpr qint32 FormatNotPossible = -3;

    // The flags a file-system type supports (0 for types not known).
    static quint32 FlagsOfType(const QString &type);

private:
    std::optional<MountEntry> mountOfDrive() const;
    void queryDiskSpace();
    void queryVolume();
    // The block device's name in /sys/class/block ("sda1"), or "".
    QString blockName(const MountEntry &mount) const;
    QString blockAttribute(const QString &name, const QString &attribute) const;

    SysInfoSources m_sources;
    QString m_drive;

    // The last free-space query.
    qint64 m_sectorsPerCluster = 0;
    qint64 m_bytesPerSector = 0;
    qint64 m_freeBytes = 0;
    qint64 m_totalBytes = 0;

    // The last volume query.
    QString m_label;
    qint32 m_serial = 0;
    qint32 m_maxComponent = 0;
    quint32 m_flags = 0;
    QString m_fileSystem;

    qint32 m_lastResult = 0;
};
