#include "clsMemoryInfomation.h"

#include <QHash>

namespace {

// "Name:   1234 kB" lines; amounts in bytes. Lines without a number are left out.
QHash<QString, qint64> readAmounts(const QString &path)
{
    QHash<QString, qint64> amounts;
    const QStringList lines = SysInfoFiles::readText(path).split(QLatin1Char('\n'));
    for (const QString &line : lines) {
        const qsizetype colon = line.indexOf(QLatin1Char(':'));
        if (colon <= 0)
            continue;
        const QStringList words = line.mid(colon + 1).simplified().split(QLatin1Char(' '));
        bool ok = false;
        const qint64 value = words.value(0).toLongLong(&ok);
        if (!ok || value < 0)
            continue;
        const bool inKb = words.value(1).compare(QLatin1String("kB"), Qt::CaseInsensitive) == 0;
        // kB amounts above 2^53 would overflow; no machine has them.
        amounts.insert(line.left(colon), inKb ? qMin(value, Q_INT64_C(1) << 53) * 1024 : value);
    }
    return amounts;
}

} // namespace

clsMemoryInfomation::clsMemoryInfomation(SysInfoSources sources)
    : m_sources(std::move(sources))
{
}

void clsMemoryInfomation::queryMemory()
{
    const QHash<QString, qint64> memory = readAmounts(SysInfoFiles::under(m_sources.procRoot, u"/meminfo"));
    m_total = memory.value(QStringLiteral("MemTotal"));
    const auto available = memory.constFind(QStringLiteral("MemAvailable"));
    m_available = available != memory.cend() ? *available
                                             : memory.value(QStringLiteral("MemFree"))
            + memory.value(QStringLiteral("Buffers")) + memory.value(QStringLiteral("Cached"));
    m_available = qBound<qint64>(0, m_available, m_total);
    m_totalSwap = memory.value(QStringLiteral("SwapTotal"));
    m_freeSwap = qBound<qint64>(0, memory.value(QStringLiteral("SwapFree")), m_totalSwap);
    m_load = m_total > 0 ? qint32(((m_total - m_available) * 100.0) / double(m_total) + 0.5) : 0;

    const QHash<QString, qint64> process = readAmounts(SysInfoFiles::under(m_sources.procRoot, u"/self/status"));
    m_totalVirtual = qMax<qint64>(0, m_sources.userAddressSpace);
    m_freeVirtual = qBound<qint64>(0, m_totalVirtual - process.value(QStringLiteral("VmSize")), m_totalVirtual);
}

qint64 clsMemoryInfomation::AllSpace()
{
    queryMemory();
    return m_total;
}

qint64 clsMemoryInfomation::FreeSpace()
{
    queryMemory();
    return m_available;
}

qint64 clsMemoryInfomation::AllPageFile()
{
    queryMemory();
    return m_totalSwap;
}

qint64 clsMemoryInfomation::FreePageFile()
{
    queryMemory();
    return m_freeSwap;
}

qint64 clsMemoryInfomation::AllVirtual()
{
    queryMemory();
    return m_totalVirtual;
}

qint64 clsMemoryInfomation::FreeVirtual()
{
    queryMemory();
    return m_freeVirtual;
}

qint32 clsMemoryInfomation::UseRatio()
{
    queryMemory();
    return m_load;
}
