#pragma once

#include <QString>

// LinkMessage: the text a game and its messenger poke into each other.
//
//   LinkMessage = "<GAMEFUNC>" code "<GAMEDATA>" data    no terminator
//
//   code   two characters ("01" start, "10" move, "20"/"21" colour, "40"
//          nudge, "99" end, "#1".."#5" introduction); the codes are the
//          game's, the grammar is shared
//   data   free text to the end, may be empty
//
// The tags are found on the code page 932 bytes of the text, so double-byte
// text never shifts a field boundary and a Japanese name after "<GAMEDATA>"
// comes back with the same characters.
namespace LinkMessage {

inline constexpr char FuncTag[] = "<GAMEFUNC>";
inline constexpr char DataTag[] = "<GAMEDATA>";

struct Parts
{
    QString code;
    QString data;
};

// "<GAMEFUNC>" + code + "<GAMEDATA>" + data.
QString build(const QString &code, const QString &data = {});

// Splits text at the first "<GAMEFUNC>" and the first "<GAMEDATA>". A
// missing tag, or the data tag before the end of the code tag, leaves the
// affected field empty; nothing is reported.
Parts parse(const QString &text);

} // namespace LinkMessage
