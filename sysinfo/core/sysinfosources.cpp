#include "sysinfosources.h"

#include <QFile>
#include <QHash>

#include <algorithm>
#include <array>

#include <pwd.h>
#include <sys/resource.h>
#include <sys/statvfs.h>
#include <unistd.h>

std::optional<VolumeSpace> SysInfoSources::systemStatVolume(const QString &root)
{
    struct statvfs st = {};
    if (::statvfs(QFile::encodeName(root).constData(), &st) != 0)
        return std::nullopt;
    VolumeSpace space;
    space.fragmentSize = qint64(st.f_frsize ? st.f_frsize : st.f_bsize);
    space.totalBlocks = qint64(st.f_blocks);
    space.availableBlocks = qint64(st.f_bavail);
    space.nameMax = qint64(st.f_namemax);
    return space;
}

std::optional<AccountFacts> SysInfoSources::systemAccount()
{
    long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    QByteArray buffer(size > 0 ? size : 16384, Qt::Uninitialized);
    struct passwd entry = {};
    struct passwd *found = nullptr;
    if (::getpwuid_r(::geteuid(), &entry, buffer.data(), size_t(buffer.size()), &found) != 0 || !found)
        return std::nullopt;
    AccountFacts facts;
    facts.loginName = QString::fromLocal8Bit(found->pw_name);
    facts.fullName = QString::fromLocal8Bit(found->pw_gecos).section(QLatin1Char(','), 0, 0);
    return facts;
}

qint64 SysInfoSources::systemUserAddressSpace()
{
    // The highest user address the kernel hands out by default on this
    // architecture; a finite address-space limit narrows it.
#if defined(__x86_64__)
    qint64 size = Q_INT64_C(0x7FFFFFFFF000);
#elif defined(__aarch64__)
    qint64 size = Q_INT64_C(1) << 48;
#elif QT_POINTER_SIZE == 8
    qint64 size = Q_INT64_C(1) << 47;
#else
    qint64 size = Q_INT64_C(3) << 30;
#endif
    struct rlimit limit = {};
    if (::getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY)
        size = std::min<qint64>(size, qint64(limit.rlim_cur));
    return size;
}

namespace SysInfoFiles {

QString readText(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    // sysfs and procfs files report a size of 4096 or 0; read to the end.
    QString text = QString::fromUtf8(file.readAll());
    while (!text.isEmpty() && text.back().isSpace())
        text.chop(1);
    return text;
}

QString under(const QString &root, QStringView absolutePath)
{
    QString joined = root;
    while (joined.endsWith(QLatin1Char('/')))
        joined.chop(1);
    return joined + absolutePath;
}

} // namespace SysInfoFiles

namespace {

// Mount tables write space, tab, newline and backslash as \ooo.
QString decodeMountField(const QByteArray &field)
{
    QByteArray out;
    out.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        const char c = field.at(i);
        if (c == '\\' && i + 3 < field.size()) {
            const QByteArray digits = field.mid(i + 1, 3);
            bool ok = false;
            const int value = digits.toInt(&ok, 8);
            if (ok && digits.size() == 3 && value < 256) {
                out.append(char(value));
                i += 3;
                continue;
            }
        }
        out.append(c);
    }
    return QString::fromUtf8(out);
}

// Kernel file systems that describe the system rather than hold files.
constexpr std::array PseudoTypes = {
    "autofs",
    "binfmt_misc",
    "bpf",
    "cgroup",
    "cgroup2",
    "configfs",
    "debugfs",
    "devpts",
    "devtmpfs",
    "efivarfs",
    "fuse.gvfsd-fuse",
    "fuse.lxcfs",
    "fuse.portal",
    "fusectl",
    "hugetlbfs",
    "mqueue",
    "nsfs",
    "proc",
    "pstore",
    "rpc_pipefs",
    "securityfs",
    "selinuxfs",
    "sysfs",
    "tracefs",
};

} // namespace

namespace MountTable {

bool isPseudoType(const QString &type)
{
    return std::any_of(
        PseudoTypes.begin(), PseudoTypes.end(), [&](const char *pseudo) { return type == QLatin1String(pseudo); });
}

QList<MountEntry> dataMounts(const SysInfoSources &sources)
{
    QFile file(sources.mountTable);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QList<MountEntry> mounts;
    QHash<QString, qsizetype> indexOfPoint;
    const QList<QByteArray> lines = file.readAll().split('\n');
    for (const QByteArray &line : lines) {
        // "id parent major:minor root mount-point options [optional fields] -
        // type source super-options"
        const QList<QByteArray> fields = line.simplified().split(' ');
        const qsizetype separator = fields.indexOf("-", 6);
        if (fields.size() < 6 || separator < 0 || separator + 2 >= fields.size())
            continue;
        MountEntry entry { decodeMountField(fields.at(separator + 2)), decodeMountField(fields.at(4)),
            decodeMountField(fields.at(separator + 1)), QString::fromLatin1(fields.at(2)),
            decodeMountField(fields.at(3)) };
        if (!entry.mountPoint.startsWith(QLatin1Char('/')))
            continue;
        // A later mount on the same point hides the earlier one, whatever it is.
        if (const auto it = indexOfPoint.constFind(entry.mountPoint); it != indexOfPoint.cend()) {
            mounts[*it] = entry;
            continue;
        }
        indexOfPoint.insert(entry.mountPoint, mounts.size());
        mounts.append(entry);
    }
    const auto isKernelPlace = [](const QString &point) {
        for (const QLatin1String place : { QLatin1String("/proc"), QLatin1String("/sys") }) {
            if (point == place || point.startsWith(place + QLatin1Char('/')))
                return true;
        }
        return false;
    };
    mounts.removeIf([&](const MountEntry &m) { return isPseudoType(m.type) || isKernelPlace(m.mountPoint); });

    // One mount per file system: a bind mount shows the same figures again.
    QHash<QString, qsizetype> keptOfDevice;
    QList<MountEntry> unique;
    for (const MountEntry &m : std::as_const(mounts)) {
        const auto kept = keptOfDevice.constFind(m.deviceNumber);
        if (m.deviceNumber.isEmpty() || kept == keptOfDevice.cend()) {
            keptOfDevice.insert(m.deviceNumber, unique.size());
            unique.append(m);
        } else if (m.root == QLatin1String("/") && unique.at(*kept).root != QLatin1String("/")) {
            unique[*kept] = m;
        }
    }
    std::sort(unique.begin(), unique.end(),
        [](const MountEntry &a, const MountEntry &b) { return a.mountPoint < b.mountPoint; });
    return unique;
}

} // namespace MountTable
