#pragma once

#include "linkmessage.h"

#include <QString>

#include <optional>

// The game's texts on the link to its messenger; a received one is split by
// LinkMessage::parse.
//
//   LinkMessage = "<GAMEFUNC>" code "<GAMEDATA>" data    no terminator
//
// The codes are the shared LinkCode table: the game receives the
// introduction (#1..#5), its colour (20/21), start (01), the partner's moves
// (10), nudges (40) and end now (99); it sends moves (10), nudges (40) and
// its end report (99, data empty).
//
//   move data = "(" address ")" x "," y      x column, y row, 1..19, decimal
//
// The tags are found on the code page 932 bytes of the text, so a Japanese
// name after "<GAMEDATA>" comes back with the same characters.
namespace GomokuLink {

constexpr const char *Application = "GOMOKU";

using LinkMessage::DataTag;
using LinkMessage::FuncTag;

// "<GAMEFUNC>" + code + "<GAMEDATA>" + data.
QString linkMessage(const QString &code, const QString &data = {});

struct MoveData
{
    QString address;
    int x = 0;
    int y = 0;
};

// The data of a move, "(" address ")" x "," y; nullopt unless the whole
// text has that form with decimal x and y. The range is the caller's check.
std::optional<MoveData> parseMoveData(const QString &data);

QString moveData(const QString &address, int x, int y);

} // namespace GomokuLink
