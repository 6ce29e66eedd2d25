#pragma once

#include <QString>

#include <functional>

class QProcess;

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
