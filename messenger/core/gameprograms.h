#pragma once

#include "gameprocess.h"

#include <QString>

#include <functional>

// The seam through which the messenger starts and ends its game programs and
// pokes texts into them, so tests can stand in for real programs.
class GamePrograms
{
public:
    virtual ~GamePrograms() = default;

    // Whether the game program of this name lies ready to run.
    virtual bool exists(const QString &programName) const = 0;
    // Starts it, ending a game program of an earlier start; false when it
    // cannot be started.
    virtual bool start(const QString &programName) = 0;
    // The program of the last start while it is still ours (its process
    // id), 0 when there is none.
    virtual quintptr GameProcessHandle() const = 0;
    // Ends the program of the last start; true when none is left.
    virtual bool end() = 0;
    // Pokes one link text into the program's input item; true when accepted.
    virtual bool poke(const QString &text, const QString &application) = 0;
    // ended is called, from the event loop, when the program of the last
    // start ends by itself (a crash, a kill, its own exit), never when end()
    // or a later start ends it. Empty: nobody is told.
    virtual void setEndedHandler(std::function<void()> ended) { Q_UNUSED(ended); }
};

// Game programs as files in programDirectory ("GOMOKU", "OTHELLO"), run as
// child processes of a GameProgramControl, reached over the link in
// runtimeDirectory.
class SystemGamePrograms : public GamePrograms
{
public:
    SystemGamePrograms(const QString &programDirectory, const QString &runtimeDirectory);

    bool exists(const QString &programName) const override;
    bool start(const QString &programName) override;
    quintptr GameProcessHandle() const override;
    bool end() override;
    bool poke(const QString &text, const QString &application) override;
    void setEndedHandler(std::function<void()> ended) override;

    // The file name of a game program on this platform.
    static QString fileName(const QString &programName);

private:
    QString m_programDirectory;
    QString m_runtimeDirectory;
    GameProgramControl m_control;
};

// The program of a game id: "GOMOKU" for GameIds::Gomoku, "OTHELLO" for
// GameIds::Othello, empty otherwise.
QString gameProgramName(const QString &gameId);
