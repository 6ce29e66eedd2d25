#include "clsDriveOperation.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>

#include <algorithm>
#include <array>
#include <limits>

namespace {

struct TypeFlags
{
    const char *type;
    quint32 flags;
};

constexpr quint32 Sensitive = clsDriveOperation::FlagCaseSensitive;
constexpr quint32 Preserved = clsDriveOperation::FlagCasePreserved;
constexpr quint32 Unicode = clsDriveOperation::FlagUnicode;
constexpr quint32 Acls = clsDriveOperation::FlagAcls;
constexpr quint32 FileCompression = clsDriveOperation::FlagFileCompression;
constexpr quint32 VolumeCompressed = clsDriveOperation::FlagVolumeCompressed;

// What each file-system type offers, in the terms of the volume flags.
// Unicode means names are stored in a Unicode form on disk (not as the raw
// bytes most Linux file systems keep); ACLs means access lists are stored
// with the files and enforced.
constexpr std::array TypeTable = {
    TypeFlags { "btrfs", Sensitive | Preserved | Acls | FileCompression },
    TypeFlags { "ceph", Sensitive | Preserved | Acls },
    TypeFlags { "cifs", Preserved | Unicode | Acls },
    TypeFlags { "erofs", Sensitive | Preserved | VolumeCompressed },
    TypeFlags { "exfat", Preserved | Unicode },
    TypeFlags { "ext2", Sensitive | Preserved | Acls },
    TypeFlags { "ext3", Sensitive | Preserved | Acls },
    TypeFlags { "ext4", Sensitive | Preserved | Acls },
    TypeFlags { "f2fs", Sensitive | Preserved | Acls | FileCompression },
    TypeFlags { "fuse.sshfs", Sensitive | Preserved },
    TypeFlags { "hfsplus", Preserved | Unicode },
    TypeFlags { "iso9660", 0 },
    TypeFlags { "jfs", Sensitive | Preserved | Acls },
    TypeFlags { "msdos", 0 },
    TypeFlags { "nfs", Sensitive | Preserved },
    TypeFlags { "nfs4", Sensitive | Preserved | Acls },
    TypeFlags { "ntfs", Preserved | Unicode | Acls | FileCompression },
    TypeFlags { "ntfs3", Preserved | Unicode | Acls | FileCompression },
    TypeFlags { "overlay", Sensitive | Preserved },
    TypeFlags { "ramfs", Sensitive | Preserved },
    TypeFlags { "reiserfs", Sensitive | Preserved | Acls },
    TypeFlags { "smb3", Preserved | Unicode | Acls },
    TypeFlags { "squashfs", Sensitive | Preserved | VolumeCompressed },
    TypeFlags { "tmpfs", Sensitive | Preserved },
    TypeFlags { "udf", Sensitive | Preserved | Unicode },
    TypeFlags { "vfat", Preserved | Unicode },
    TypeFlags { "xfs", Sensitive | Preserved | Acls },
    TypeFlags { "zfs", Sensitive | Preserved | Acls | FileCompression },
};

constexpr std::array NetworkTypes
    = { "9p", "afs", "ceph", "cifs", "davfs", "fuse.sshfs", "glusterfs", "nfs", "nfs4", "smb3", "smbfs" };

template <typename List> bool contains(const List &list, const QString &type)
{
    for (const char *name : list) {
        if (type == QLatin1String(name))
            return true;
    }
    return false;
}

constexpr qint32 DriveNoRoot = 1;
constexpr qint32 DriveRemovable = 2;
constexpr qint32 DriveFixed = 3;
constexpr qint32 DriveRemote = 4;
constexpr qint32 DriveOptical = 5;
constexpr qint32 DriveRamDisk = 6;
constexpr qint64 DefaultSectorBytes = 512;

// udev writes unsafe characters of a label as \xHH in the link name.
QString decodeUdevName(const QString &name)
{
    QByteArray out;
    const QByteArray raw = name.toUtf8();
    for (qsizetype i = 0; i < raw.size(); ++i) {
        if (raw.at(i) == '\\' && i + 3 < raw.size() && raw.at(i + 1) == 'x') {
            bool ok = false;
            const int value = raw.mid(i + 2, 2).toInt(&ok, 16);
            if (ok) {
                out.append(char(value));
                i += 3;
                continue;
            }
        }
        out.append(raw.at(i));
    }
    return QString::fromUtf8(out);
}

// The first 32 bits of a volume UUID as a signed number: FAT's "1234-ABCD"
// gives 0x1234ABCD, the serial Windows shows for the same volume.
qint32 serialOfUuid(const QString &uuid)
{
    QString hex;
    for (const QChar c : uuid) {
        if (c == QLatin1Char('-'))
            continue;
        if (!isxdigit(c.toLatin1()))
            return 0;
        hex.append(c);
        if (hex.size() == 8)
            break;
    }
    bool ok = false;
    const quint32 value = hex.toUInt(&ok, 16);
    return ok ? qint32(value) : 0;
}

} // namespace

clsDriveOperation::clsDriveOperation(SysInfoSources sources)
    : m_sources(std::move(sources))
{
}

QStringList clsDriveOperation::DriveRoots() const
{
    QStringList roots;
    const QList<MountEntry> mounts = MountTable::dataMounts(m_sources);
    for (const MountEntry &mount : mounts)
        roots.append(mount.mountPoint);
    return roots;
}

void clsDriveOperation::setDrive(const QString &drive)
{
    if (drive.endsWith(QLatin1String(":\\")) || drive.startsWith(QLatin1Char('/')))
        m_drive = drive;
    else
        m_drive = (drive + QLatin1String(":\\")).toUpper();
}

std::optional<MountEntry> clsDriveOperation::mountOfDrive() const
{
    // An exact match: a mount point is not found by a prefix of it, nor "/"
    // inside every other root.
    const QList<MountEntry> mounts = MountTable::dataMounts(m_sources);
    for (const MountEntry &mount : mounts) {
        if (mount.mountPoint == m_drive)
            return mount;
    }
    return std::nullopt;
}

bool clsDriveOperation::Enabled() const
{
    return mountOfDrive().has_value();
}

bool clsDriveOperation::MediaCondition() const
{
    if (!m_drive.startsWith(QLatin1Char('/')))
        return false;
    const QFileInfo root(m_drive);
    return root.isDir() && root.isReadable() && root.isExecutable();
}

QString clsDriveOperation::blockName(const MountEntry &mount) const
{
    if (!mount.device.startsWith(QLatin1String("/dev/")))
        return {};
    // /dev/mapper/x and /dev/disk/by-... are links to the kernel's node name.
    const QString node = SysInfoFiles::under(m_sources.devRoot, QStringView(mount.device).mid(4));
    const QFileInfo info(node);
    const QString canonical = info.canonicalFilePath();
    return QFileInfo(canonical.isEmpty() ? node : canonical).fileName();
}

QString clsDriveOperation::blockAttribute(const QString &name, const QString &attribute) const
{
    // A partition has no queue or removable flag of its own; its disk, the
    // folder above it in the device tree, has.
    const QString entry = SysInfoFiles::under(m_sources.sysRoot, u"/class/block/") + name;
    QString value = SysInfoFiles::readText(entry + QLatin1Char('/') + attribute);
    if (value.isEmpty()) {
        const QString device = QFileInfo(entry).canonicalFilePath();
        if (!device.isEmpty())
            value = SysInfoFiles::readText(device + QLatin1String("/../") + attribute);
    }
    return value;
}

qint32 clsDriveOperation::MediaType() const
{
    const std::optional<MountEntry> mount = mountOfDrive();
    if (!mount)
        return DriveNoRoot;
    if (mount->type == QLatin1String("tmpfs") || mount->type == QLatin1String("ramfs"))
        return DriveRamDisk;
    if (contains(NetworkTypes, mount->type) || mount->device.startsWith(QLatin1String("//")))
        return DriveRemote;
    const QString name = blockName(*mount);
    if (mount->type == QLatin1String("iso9660") || mount->type == QLatin1String("udf")
        || name.startsWith(QLatin1String("sr")))
        return DriveOptical;
    if (!name.isEmpty() && blockAttribute(name, QStringLiteral("removable")) == QLatin1String("1"))
        return DriveRemovable;
    return DriveFixed;
}

void clsDriveOperation::queryDiskSpace()
{
    m_sectorsPerCluster = m_bytesPerSector = m_freeBytes = m_totalBytes = 0;
    const std::optional<MountEntry> mount = mountOfDrive();
    const std::optional<VolumeSpace> space
        = mount && m_sources.statVolume ? m_sources.statVolume(m_drive) : std::nullopt;
    m_lastResult = space ? 1 : 0;
    if (!space || space->fragmentSize <= 0)
        return;
    bool ok = false;
    const QString name = blockName(*mount);
    qint64 sector
        = name.isEmpty() ? 0 : blockAttribute(name, QStringLiteral("queue/logical_block_size")).toLongLong(&ok);
    if (!ok || sector <= 0)
        sector = DefaultSectorBytes;
    // A fragment smaller than the sector, or not a whole number of them,
    // is counted as one sector of its own size so the products stay exact.
    if (space->fragmentSize % sector != 0)
        sector = space->fragmentSize;
    m_bytesPerSector = sector;
    m_sectorsPerCluster = space->fragmentSize / sector;
    m_freeBytes = space->availableBlocks * space->fragmentSize;
    m_totalBytes = space->totalBlocks * space->fragmentSize;
}

qint32 clsDriveOperation::SectorByte()
{
    queryDiskSpace();
    return qint32(m_bytesPerSector);
}

qint32 clsDriveOperation::ClusterSector()
{
    queryDiskSpace();
    return qint32(m_sectorsPerCluster);
}

double clsDriveOperation::FreeSpace()
{
    queryDiskSpace();
    return double(m_freeBytes);
}

double clsDriveOperation::AllSpace()
{
    queryDiskSpace();
    return double(m_totalBytes);
}

void clsDriveOperation::queryVolume()
{
    m_label.clear();
    m_fileSystem.clear();
    m_serial = 0;
    m_maxComponent = 0;
    m_flags = 0;
    const std::optional<MountEntry> mount = mountOfDrive();
    m_lastResult = mount ? 1 : 0;
    if (!mount)
        return;

    m_fileSystem = mount->type;
    m_flags = FlagsOfType(mount->type);
    if (m_sources.statVolume) {
        if (const std::optional<VolumeSpace> space = m_sources.statVolume(m_drive))
            m_maxComponent = qint32(std::clamp<qint64>(space->nameMax, 0, std::numeric_limits<qint32>::max()));
    }

    // Label and serial belong to a block device; udev names its links after them.
    const QString name = blockName(*mount);
    if (name.isEmpty())
        return;
    const auto linkTo = [&](const QString &folder) -> QString {
        QDirIterator links(SysInfoFiles::under(m_sources.devRoot, folder), QDir::Files | QDir::System);
        while (links.hasNext()) {
            links.next();
            if (QFileInfo(links.fileInfo().canonicalFilePath()).fileName() == name)
                return decodeUdevName(links.fileName());
        }
        return {};
    };
    m_label = linkTo(QStringLiteral("/disk/by-label"));
    m_serial = serialOfUuid(linkTo(QStringLiteral("/disk/by-uuid")));
}

QString clsDriveOperation::Volume()
{
    queryVolume();
    return m_label;
}

void clsDriveOperation::setVolume(const QString &label)
{
    Q_UNUSED(label);
    m_lastResult = 0;
}

QString clsDriveOperation::FileSystem()
{
    queryVolume();
    return m_fileSystem;
}

qint32 clsDriveOperation::MaxFileName()
{
    queryVolume();
    return m_maxComponent;
}

qint32 clsDriveOperation::VolSerial()
{
    queryVolume();
    return m_serial;
}

bool clsDriveOperation::CaseSensitive() const
{
    return m_flags & FlagCaseSensitive;
}

QVariant clsDriveOperation::CasePreserved() const
{
    return (m_flags & FlagCasePreserved) ? QVariant(true) : QVariant();
}

bool clsDriveOperation::Unicode() const
{
    return m_flags & FlagUnicode;
}

bool clsDriveOperation::ACLs() const
{
    return m_flags & FlagAcls;
}

bool clsDriveOperation::FileCompress() const
{
    return m_flags & FlagFileCompression;
}

bool clsDriveOperation::VolCompress() const
{
    return m_flags & FlagVolumeCompressed;
}

qint32 clsDriveOperation::ShowFormat(qint32 ownerWindow, qint32 lngDrive, qint32 lngType)
{
    Q_UNUSED(ownerWindow);
    Q_UNUSED(lngDrive);
    Q_UNUSED(lngType);
    m_lastResult = FormatNotPossible;
    return m_lastResult;
}

quint32 clsDriveOperation::FlagsOfType(const QString &type)
{
    for (const TypeFlags &entry : TypeTable) {
        if (type == QLatin1String(entry.type))
            return entry.flags;
    }
    return 0;
}
