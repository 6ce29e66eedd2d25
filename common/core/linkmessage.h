#pragma once

#include <QString>

// LinkMessage: the text a game and its messenger poke into each other.
//
//   LinkMessage = "<GAMEFUNC>" code "<GAMEDATA>" data    no terminator
//
//   code   two characters, one of LinkCode below
//   data   free text to the end, may be empty
//
// The tags are found on the code page 932 bytes of the text, so double-byte
// text never shifts a field boundary and a Japanese name after "<GAMEDATA>"
// comes back with the same characters.
// The codes the messenger and its games exchange.
//   to the game:    #1 messenger's application name, #2 partner's name,
//                   #3 partner's address, #4 own name, #5 own address (the
//                   introduction, in this order), 20 own side black
//                   (accepting side), 21 own side white (requesting side),
//                   01 start; then 10 partner's move, 40 nudge, 99 end now
//   from the game:  10 move, 40 nudge, 99 end report (data empty)
namespace LinkCode {
inline constexpr char MessengerName[] = "#1";
inline constexpr char PartnerName[] = "#2";
inline constexpr char PartnerAddress[] = "#3";
inline constexpr char OwnName[] = "#4";
inline constexpr char OwnAddress[] = "#5";
inline constexpr char Start[] = "01";
inline constexpr char Move[] = "10";
inline constexpr char Black[] = "20";
inline constexpr char White[] = "21";
inline constexpr char Nudge[] = "40";
inline constexpr char End[] = "99";
} // namespace LinkCode

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
