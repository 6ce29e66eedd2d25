#pragma once

#include <QRect>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// Where the information classes take their facts from. Every source the
// classes read is one member here, so a test can point it at files prepared
// in a temporary folder; the default-constructed value reads this machine.

// The numbers of one statvfs() call that the drive class uses.
struct VolumeSpace
{
    qint64 fragmentSize = 0; // f_frsize: the unit of the block counts
    qint64 totalBlocks = 0; // f_blocks
    qint64 availableBlocks = 0; // f_bavail: free to an unprivileged caller
    qint64 nameMax = 0; // f_namemax
};

// The password-database entry of the user running the program.
struct AccountFacts
{
    QString loginName;
    QString fullName; // first comma-separated field of the GECOS text
};

// Facts only the window system knows. The Core classes hold a pointer to
// one; the widgets library provides the one that asks the primary screen.
class ScreenFacts
{
public:
    virtual ~ScreenFacts() = default;
    // The desktop minus panels and docks, in device pixels; empty when unknown.
    virtual QRect workArea() const = 0;
    // 1440 divided by the vertical logical resolution (15 at 96 dpi).
    virtual double twipsPerPixelY() const = 0;
};

struct SysInfoSources
{
    QString procRoot = QStringLiteral("/proc");
    QString sysRoot = QStringLiteral("/sys");
    QString etcRoot = QStringLiteral("/etc");
    QString devRoot = QStringLiteral("/dev");
    // Prefix of the fixed system folders (/usr, /etc ...) the folder class reports.
    QString rootDir = QStringLiteral("/");
    // A file in the format of /proc/self/mountinfo.
    QString mountTable = QStringLiteral("/proc/self/mountinfo");
    // statvfs() of a mount point; nullopt when the call fails.
    std::function<std::optional<VolumeSpace>(const QString &root)> statVolume = systemStatVolume;
    // The password-database entry; nullopt when there is none.
    std::function<std::optional<AccountFacts>()> account = systemAccount;
    // Size of the user part of the virtual address space, in bytes.
    qint64 userAddressSpace = systemUserAddressSpace();

    static std::optional<VolumeSpace> systemStatVolume(const QString &root);
    static std::optional<AccountFacts> systemAccount();
    static qint64 systemUserAddressSpace();
};

// Helpers shared by the classes.
namespace SysInfoFiles {

// The whole file, trailing white space removed; "" when unreadable.
QString readText(const QString &path);

// root joined with an absolute path such as "/sys/kernel/hostname".
QString under(const QString &root, QStringView absolutePath);

} // namespace SysInfoFiles

// One line of the mount table, with the octal escapes (\040) decoded.
struct MountEntry
{
    QString device;
    QString mountPoint;
    QString type;
    // "major:minor" of the file system: mounts of one file system share it.
    QString deviceNumber;
    // The folder of the file system seen at the mount point: "/" for the
    // file system itself, another folder for a bind mount of it.
    QString root;
};

namespace MountTable {

// The mounted file systems that hold data in mount-point order: one per
// mount point (the last mount of a point hides the earlier ones) and one
// per file system (a bind mount of a file system already listed is left
// out; of several, the mount of the file system's own root is kept, else
// the first mounted).
QList<MountEntry> dataMounts(const SysInfoSources &sources);

// Whether a file-system type is a pseudo file system (no user data).
bool isPseudoType(const QString &type);

} // namespace MountTable
