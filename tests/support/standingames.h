#pragma once

#include "gameprograms.h"

#include <QStringList>

// Game programs without processes: the programs named in present lie
// ready, every start succeeds, and a poke is taken while the program runs
// (and acceptPokes holds). Every start, end and poke is recorded in order,
// so a test sees exactly what reached the game.
class StandInGames : public GamePrograms
{
public:
    bool exists(const QString &programName) const override { return present.contains(programName); }
    bool start(const QString &programName) override
    {
        calls.append(QLatin1String("start ") + programName);
        m_running = true;
        return true;
    }
    quintptr GameProcessHandle() const override { return m_running ? 1 : 0; }
    bool end() override
    {
        calls.append(QStringLiteral("end"));
        m_running = false;
        return true;
    }
    bool poke(const QString &text, const QString &application) override
    {
        calls.append(QLatin1String("poke ") + application + QLatin1Char(' ') + text);
        return m_running && acceptPokes;
    }

    // Both game programs lie ready.
    void presentBoth() { present = QStringList { QStringLiteral("GOMOKU"), QStringLiteral("OTHELLO") }; }

    QStringList present;
    bool acceptPokes = true;
    QStringList calls;

private:
    bool m_running = false;
};
