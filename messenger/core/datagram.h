#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <optional>

// Datagram: one UDP message between messengers, in code page 932.
//
//   datagram = kind "<USERNAME>" name "<IPADDR>" address "<GAMEID>" gameid "<DATA>" data
//
//   kind     two ASCII digits (the MessageKind table below)
//   name     the sender's user name, may be empty
//   address  the sender's own IPv4 address in dotted decimal
//   gameid   a game id (GameIds: "01" gomoku, "02" othello), the lamp's id
//            in a text ("99"), or empty
//   data     free text to the end of the datagram; read only for the kinds
//            whose row says they carry data
//
// No separators, padding, length prefix or terminator. A datagram is at most
// one UDP payload (65,507 bytes); a receiver takes the sender's identity from
// <IPADDR>, never from the packet's source address.

// The kinds that travel. Each one's value is its code read as a number, so
// a received code names its kind without a search.
enum class MessageKind : quint8 {
    Announce = 1,
    AnnounceAnswer = 2,
    Text = 11,
    GameRelay = 21,
    GameEnd = 29,
    GameRequest = 31,
    GameAccept = 32,
    RemovalRequest = 40,
    Goodbye = 99,
};

// What the table says about one kind.
struct MessageKindRow
{
    // The two ASCII digits on the wire.
    const char *code = nullptr;
    // Whether <DATA> is read on receipt. For the other kinds the data stays
    // empty, whatever follows the tag.
    bool carriesData = false;
};

// The table of kinds, everything the parser and the builder know about each.
// A kind added to the enum without its row here does not compile in the
// messenger's core (-Werror=switch), nor does a kind without a receive
// handler in the session's dispatch.
constexpr MessageKindRow messageKindRow(MessageKind kind)
{
    switch (kind) {
    case MessageKind::Announce:
        return { "01", false };
    case MessageKind::AnnounceAnswer:
        return { "02", false };
    case MessageKind::Text:
        return { "11", true };
    case MessageKind::GameRelay:
        return { "21", true };
    case MessageKind::GameEnd:
        return { "29", false };
    case MessageKind::GameRequest:
        return { "31", true };
    case MessageKind::GameAccept:
        return { "32", true };
    case MessageKind::RemovalRequest:
        return { "40", false };
    case MessageKind::Goodbye:
        return { "99", false };
    }
    // A value that is no kind: no row.
    return {};
}

inline QLatin1StringView messageKindCode(MessageKind kind)
{
    return QLatin1StringView(messageKindRow(kind).code);
}

// The kind a received kind text names; nothing for any other text (a
// foreign kind, the send path's internal request code).
std::optional<MessageKind> messageKindOf(QStringView code);

// The values <GAMEID> carries: the game a request (31, 32) is for and the
// game a presence datagram's sender plays; in a text (11), the lamp's id
// asks the receiver to light the arrival lamp.
namespace GameIds {
inline constexpr QLatin1StringView Gomoku("01");
inline constexpr QLatin1StringView Othello("02");
inline constexpr QLatin1StringView Lamp("99");
} // namespace GameIds

namespace DatagramTag {
inline constexpr char UserName[] = "<USERNAME>";
inline constexpr char IpAddr[] = "<IPADDR>";
inline constexpr char GameId[] = "<GAMEID>";
inline constexpr char Data[] = "<DATA>";
} // namespace DatagramTag

// The largest payload one UDP datagram over IPv4 carries.
constexpr qsizetype MaxDatagramSize = 65507;

// The fields of one received datagram. Data is filled only for the kinds
// that carry it (11, 21, 31, 32). Fields are not trimmed; an unknown kind
// keeps its text.
struct ParsedDatagram
{
    QString Kind;
    QString UserName;
    QString IpAddr;
    QString GameId;
    QString Data;

    // The kind Kind names; nothing for an unknown one.
    std::optional<MessageKind> messageKind() const { return messageKindOf(Kind); }

    bool operator==(const ParsedDatagram &) const = default;
};

// Cuts a received datagram into its fields on the byte form, so double-byte
// text never shifts a field boundary. Each tag is found at its first
// occurrence; a field whose closing tag is missing or stands before its
// opening tag stays empty. Never fails.
ParsedDatagram ParseDatagram(QByteArrayView bytes);

// The wire form of one datagram, the nine elements in order.
QByteArray buildDatagram(MessageKind kind, const QString &userName, const QString &ipAddr, const QString &gameId = {},
    const QString &data = {});
// The same under any kind text, also one that is no kind.
QByteArray buildDatagram(const QString &kind, const QString &userName, const QString &ipAddr,
    const QString &gameId = {}, const QString &data = {});

// Whether a received datagram is blank: empty or spaces only once decoded.
bool isBlankDatagram(QByteArrayView bytes);

// What in a user name cannot travel as typed, each once in order of first
// appearance: characters with no code page 932 form (they would arrive as
// '?'), control characters such as line breaks (named "U+000A"), and the four
// tags, which would move the fields of every datagram at the receivers.
// Empty for a name that arrives as written.
QStringList unusableUserNameParts(const QString &name);

// The value of text as an IPv4 address in dotted decimal: four numbers from
// 0 to 255 without leading zeros (which some systems read as octal),
// separated by dots, nothing around them; nothing for any other text. Made
// without a QHostAddress, so a flood of strangers costs little.
std::optional<quint32> dottedQuadValue(QStringView text);
inline bool isDottedQuad(QStringView text)
{
    return dottedQuadValue(text).has_value();
}
