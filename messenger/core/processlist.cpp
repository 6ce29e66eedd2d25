#include "processlist.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

ProcProcessTable::ProcProcessTable(const QString &procRoot)
    : m_root(procRoot)
{
}

std::optional<QList<ProcessEntry>> ProcProcessTable::snapshot() const
{
    const QDir root(m_root);
    if (!root.exists())
        return std::nullopt;
    QList<ProcessEntry> entries;
    const QStringList names = root.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &name : names) {
        bool ok = false;
        const quint32 id = name.toUInt(&ok, 10);
        if (!ok || id == 0)
            continue;
        const QString dir = root.filePath(name);
        ProcessEntry e;
        e.id = id;
        e.exePath = QFile::symLinkTarget(dir + QStringLiteral("/exe"));
        if (e.exePath.isEmpty()) {
            QFile cmdline(dir + QStringLiteral("/cmdline"));
            if (cmdline.open(QIODevice::ReadOnly)) {
                const QByteArray all = cmdline.read(64 * 1024);
                e.exePath = QFile::decodeName(all.left(all.indexOf('\0')));
            }
        }
        if (e.exePath.isEmpty()) {
            QFile comm(dir + QStringLiteral("/comm"));
            if (comm.open(QIODevice::ReadOnly))
                e.exePath = QFile::decodeName(comm.readAll().trimmed());
        }
        entries.append(e);
    }
    if (entries.isEmpty())
        return std::nullopt; // no readable process table (our own process is always in a real one)
    std::sort(entries.begin(), entries.end(), [](const auto &a, const auto &b) { return a.id < b.id; });
    return entries;
}

QList<ProcessListRow> processListRows(const ProcessTable &table)
{
    const auto entries = table.snapshot();
    if (!entries)
        return { { QString(), QCoreApplication::translate("ProcessList", ProcessListFailureText) } };
    QList<ProcessListRow> rows;
    rows.reserve(entries->size());
    for (const ProcessEntry &e : *entries)
        rows.append({ QString::number(e.id, 16).toUpper(), e.exePath });
    return rows;
}
