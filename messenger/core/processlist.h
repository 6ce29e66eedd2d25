#pragma once

#include <QList>
#include <QCoreApplication>
#include <QString>

#include <optional>

// The running processes, as the process list window shows them.

// One process as the process list shows it.
struct ProcessEntry
{
    quint32 id = 0;
    QString exePath;
};

// The seam over the platform's process listing.
class ProcessTable
{
public:
    virtual ~ProcessTable() = default;
    // Every running process; nothing when the listing cannot be read.
    virtual std::optional<QList<ProcessEntry>> snapshot() const = 0;
};

// The processes under a proc file system (default /proc), in identifier
// order. Name: the target of <pid>/exe, else the first word of <pid>/cmdline,
// else <pid>/comm.
class ProcProcessTable : public ProcessTable
{
public:
    explicit ProcProcessTable(const QString &procRoot = QStringLiteral("/proc"));
    std::optional<QList<ProcessEntry>> snapshot() const override;

private:
    QString m_root;
};

inline constexpr const char *ProcessListFailureText = QT_TRANSLATE_NOOP("ProcessList", "ﾌﾟﾛｾｽｴﾝﾄﾘの取得に失敗しました");

// One row of the process list: identifier in upper-case hexadecimal, path.
struct ProcessListRow
{
    QString id;
    QString path;
    friend bool operator==(const ProcessListRow &, const ProcessListRow &) = default;
};

// The rows FillProcessList shows: one per process, or the single failure
// row (empty identifier, ProcessListFailureText) when the table cannot be read.
QList<ProcessListRow> processListRows(const ProcessTable &table);
