#pragma once

#include <QList>
#include <QString>

#include <functional>
#include <optional>

class QProcess;

// The game program the messenger starts, and the process list.

// The game program the messenger started: one at a time, a child process
// owned here until EndGameProgram ends it (or the control is destroyed).
class GameProgramControl
{
public:
    GameProgramControl() = default;
    GameProgramControl(const GameProgramControl &) = delete;
    GameProgramControl &operator=(const GameProgramControl &) = delete;
    ~GameProgramControl();

    // The game program started last: a non-zero handle (its process id)
    // while this control still owns it, 0 when there is none.
    quintptr GameProcessHandle() const { return m_handle; }

    // Runs GameProgramPath (the messenger's folder + "/" + game name) as a
    // child process (in its own folder, standard input closed, output
    // passed through) and returns its handle; 0 when it cannot be started.
    // runtimeDirectory: where its link meets the messenger's (empty: the
    // messenger's own). A game program of an earlier start that still runs
    // is ended first: two games cannot both serve the link.
    quintptr StartGameProgram(const QString &GameProgramPath, const QString &runtimeDirectory = {});

    // Ends the started game program the hard way (SIGKILL: it gets no
    // chance to send anything) and forgets it. 0 when no started game
    // program is left; otherwise the handle that could not be ended, still
    // stored. A program that already ended by itself cannot be ended: its
    // handle is returned and stays until the next start.
    quintptr EndGameProgram();

    // ended is called, from the event loop, when the started program ends
    // by itself; never when EndGameProgram or a later start ends it.
    void setEndedHandler(std::function<void()> ended) { m_ended = std::move(ended); }

private:
    bool kill();
    void forget();

    QProcess *m_process = nullptr;
    quintptr m_handle = 0;
    std::function<void()> m_ended;
};

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

inline constexpr const char16_t *ProcessListFailureText = u"ﾌﾟﾛｾｽｴﾝﾄﾘの取得に失敗しました";

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
