#include "clsSystemInfomation.h"

#include <QRegularExpression>

#include <array>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace {

// Kernel command-line words that start a single-user system.
constexpr std::array FailSafeWords = { "single", "s", "1", "emergency", "rescue", "systemd.unit=rescue.target",
    "systemd.unit=emergency.target", "-s" };

// The count of CPUs in a list such as "0-3,6,8-9".
qint32 countCpuList(const QString &list)
{
    qint32 count = 0;
    const QStringList parts = list.split(QLatin1Char(','), Qt::SkipEmptyParts);
    for (const QString &part : parts) {
        const QStringList bounds = part.split(QLatin1Char('-'));
        bool okLow = false;
        bool okHigh = true;
        const int low = bounds.value(0).trimmed().toInt(&okLow);
        const int high = bounds.size() > 1 ? bounds.at(1).trimmed().toInt(&okHigh) : low;
        if (!okLow || !okHigh || high < low || bounds.size() > 2)
            return 0;
        count += high - low + 1;
    }
    return count;
}

} // namespace

clsSystemInfomation::clsSystemInfomation(SysInfoSources sources, const ScreenFacts *screen)
    : m_sources(std::move(sources))
    , m_screen(screen)
{
}

QString clsSystemInfomation::proc(QStringView path) const
{
    return SysInfoFiles::readText(SysInfoFiles::under(m_sources.procRoot, path));
}

QString clsSystemInfomation::sys(QStringView path) const
{
    return SysInfoFiles::readText(SysInfoFiles::under(m_sources.sysRoot, path));
}

QString clsSystemInfomation::etc(QStringView path) const
{
    return SysInfoFiles::readText(SysInfoFiles::under(m_sources.etcRoot, path));
}

QString clsSystemInfomation::ComputerName() const
{
    return proc(u"/sys/kernel/hostname");
}

QString clsSystemInfomation::UserName() const
{
    const std::optional<AccountFacts> account = m_sources.account ? m_sources.account() : std::nullopt;
    return account ? account->loginName : QString();
}

qint32 clsSystemInfomation::OSPlatform() const
{
    // Neither Win32s (0), the 95/98 family (1) nor the NT family (2): the
    // value for "anything else".
    return 0;
}

QStringList clsSystemInfomation::osReleaseNumbers() const
{
    // "6.1.0-18-amd64": the numbers before the first character that is
    // neither a digit nor a dot.
    static const QRegularExpression numbers(QStringLiteral("^(\\d+)(?:\\.(\\d+))?(?:\\.(\\d+))?"));
    const QRegularExpressionMatch match = numbers.match(proc(u"/sys/kernel/osrelease"));
    if (!match.hasMatch())
        return {};
    return { match.captured(1), match.captured(2), match.captured(3) };
}

QString clsSystemInfomation::OSVersion() const
{
    const QStringList numbers = osReleaseNumbers();
    if (numbers.isEmpty())
        return QStringLiteral("0.0");
    return QString::number(numbers.at(0).toLongLong()) + QLatin1Char('.') + QString::number(numbers.at(1).toLongLong());
}

QString clsSystemInfomation::kernelPatchLevel(const QStringList &release) const
{
    // The last "major.minor.patch" of the same major and minor in the
    // version texts: Ubuntu's signature ends in the upstream version, and
    // Debian's version text names its package version near its end.
    static const QRegularExpression upstream(QStringLiteral("(?<![\\d.])(\\d+)\\.(\\d+)\\.(\\d+)"));
    for (const QString &text : { proc(u"/version_signature"), proc(u"/sys/kernel/version") }) {
        QString patch;
        for (const QRegularExpressionMatch &m : upstream.globalMatch(text)) {
            if (m.captured(1).toLongLong() == release.value(0).toLongLong()
                && m.captured(2).toLongLong() == release.value(1).toLongLong())
                patch = m.captured(3);
        }
        if (!patch.isEmpty())
            return patch;
    }
    return release.value(2);
}

QVariant clsSystemInfomation::OSBuild() const
{
    const QStringList numbers = osReleaseNumbers();
    if (numbers.isEmpty())
        return QVariant(qint32(0));
    return QVariant(qint32(kernelPatchLevel(numbers).toLongLong() & 0xFFFF));
}

bool clsSystemInfomation::OSDebugVersion() const
{
    // There is no debugging build of the system here.
    return false;
}

bool clsSystemInfomation::OSDoubleByte() const
{
    // Characters of more than one byte are supported when the program's
    // locale uses a multibyte character set (UTF-8, EUC-JP, Shift_JIS ...).
    return MB_CUR_MAX > 1;
}

qint32 clsSystemInfomation::OSBootMode() const
{
    const QStringList words
        = proc(u"/cmdline").split(QRegularExpression(QStringLiteral("[\\s\\x00]+")), Qt::SkipEmptyParts);
    for (const QString &word : words) {
        for (const char *failSafe : FailSafeWords) {
            if (word.compare(QLatin1String(failSafe), Qt::CaseInsensitive) == 0)
                return 1;
        }
    }
    return 0;
}

qint32 clsSystemInfomation::ProcessorNum() const
{
    if (const qint32 online = countCpuList(sys(u"/devices/system/cpu/online")); online > 0)
        return online;
    qint32 count = 0;
    const QStringList lines = proc(u"/cpuinfo").split(QLatin1Char('\n'));
    for (const QString &line : lines) {
        if (line.section(QLatin1Char(':'), 0, 0).trimmed() == QLatin1String("processor"))
            ++count;
    }
    return count;
}

qint32 clsSystemInfomation::ProcessorType() const
{
    // The first processor's x86 family: 3 (386), 4 (486), 5 and later
    // (Pentium and its successors, which the system reports as Pentium).
    const QStringList lines = proc(u"/cpuinfo").split(QLatin1Char('\n'));
    for (const QString &line : lines) {
        if (line.section(QLatin1Char(':'), 0, 0).trimmed() != QLatin1String("cpu family"))
            continue;
        bool ok = false;
        const int family = line.section(QLatin1Char(':'), 1).trimmed().toInt(&ok);
        if (!ok)
            return 0;
        if (family == 3)
            return 1;
        if (family == 4)
            return 2;
        return family >= 5 ? 3 : 0;
    }
    return 0;
}

void clsSystemInfomation::queryWorkArea()
{
    m_workArea = m_screen ? m_screen->workArea() : QRect();
}

qint32 clsSystemInfomation::scaled(qint32 pixels) const
{
    if (m_scaleMode == ScalePixels)
        return pixels;
    if (m_scaleMode != ScaleTwips || !m_screen)
        return 0;
    // nearbyint rounds in the default mode, to nearest with halves to even.
    const double twips = std::nearbyint(double(pixels) * m_screen->twipsPerPixelY());
    return qint32(qBound<double>(std::numeric_limits<qint32>::min(), twips, std::numeric_limits<qint32>::max()));
}

qint32 clsSystemInfomation::WorkAreaLeft()
{
    queryWorkArea();
    return scaled(m_workArea.left());
}

qint32 clsSystemInfomation::WorkAreaTop()
{
    queryWorkArea();
    return scaled(m_workArea.top());
}

qint32 clsSystemInfomation::WorkAreaWidth()
{
    queryWorkArea();
    return scaled(m_workArea.width());
}

qint32 clsSystemInfomation::WorkAreaHeight()
{
    queryWorkArea();
    return scaled(m_workArea.height());
}

QString clsSystemInfomation::RegOwner() const
{
    const std::optional<AccountFacts> account = m_sources.account ? m_sources.account() : std::nullopt;
    return account ? account->fullName : QString();
}

QString clsSystemInfomation::RegOrganization() const
{
    return {};
}

QString clsSystemInfomation::ProductId() const
{
    return etc(u"/machine-id");
}

QString clsSystemInfomation::ProductName() const
{
    // os-release lines are KEY=value, the value optionally quoted with
    // shell escapes (\" \\ \$ \`).
    const QStringList lines = etc(u"/os-release").split(QLatin1Char('\n'));
    for (const QString &line : lines) {
        if (!line.startsWith(QLatin1String("PRETTY_NAME=")))
            continue;
        QString value = line.mid(12).trimmed();
        if (value.size() >= 2 && (value.front() == QLatin1Char('"') || value.front() == QLatin1Char('\''))
            && value.back() == value.front()) {
            const QChar quote = value.front();
            value = value.mid(1, value.size() - 2);
            if (quote == QLatin1Char('"'))
                value.replace(QRegularExpression(QStringLiteral("\\\\([\"\\\\$`])")), QStringLiteral("\\1"));
        }
        return value;
    }
    return {};
}

QString clsSystemInfomation::Manufacturer() const
{
    return sys(u"/class/dmi/id/sys_vendor");
}

QString clsSystemInfomation::Model() const
{
    return sys(u"/class/dmi/id/product_name");
}

QString clsSystemInfomation::SubModel() const
{
    return sys(u"/class/dmi/id/product_version");
}

QString clsSystemInfomation::SerialNo() const
{
    return sys(u"/class/dmi/id/product_serial");
}
