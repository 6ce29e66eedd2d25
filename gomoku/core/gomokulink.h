#pragma once

#include "linkmessage.h"

#include <QString>

#include <optional>

// The game's texts on the link to its messenger.
//
//   LinkMessage = "<GAMEFUNC>" code "<GAMEDATA>" data    no terminator
//
// Codes received: "#1" messenger's application name, "#2" partner's name,
// "#3" partner's address, "#4" own name, "#5" own address, "20" own side
// black, "21" own side white, "01" start, "10" move, "40" nudge, "99" end now.
// Codes sent: "10" move, "40" nudge, "99" end report (data empty).
//
//   move data = "(" address ")" x "," y      x column, y row, 1..19, decimal
//
// The tags are found on the code page 932 bytes of the text, so a Japanese
// name after "<GAMEDATA>" comes back with the same characters.
namespace GomokuLink {

constexpr const char *Application = "GOMOKU";

using LinkMessage::DataTag;
using LinkMessage::FuncTag;

constexpr const char *CodeMessengerName = "#1";
constexpr const char *CodePartnerName = "#2";
constexpr const char *CodePartnerAddress = "#3";
constexpr const char *CodeOwnName = "#4";
constexpr const char *CodeOwnAddress = "#5";
constexpr const char *CodeStart = "01";
constexpr const char *CodeEnd = "99";
constexpr const char *CodeNudge = "40";
constexpr const char *CodeMove = "10";
constexpr const char *CodeBlack = "20";
constexpr const char *CodeWhite = "21";

// Code and data of one received text.
struct LinkText
{
    QString GameFunc;
    QString GameData;
};

// Splits pData at the first "<GAMEFUNC>" and the first "<GAMEDATA>". A
// missing tag, or the data tag before the end of the code tag, leaves the
// affected field empty; nothing is reported.
LinkText Control_Data(const QString &pData);

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
