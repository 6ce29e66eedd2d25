#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <optional>
#include <QStringList>

// Datagram: one UDP message between messengers, in code page 932.
//
//   datagram = kind "<USERNAME>" name "<IPADDR>" address "<GAMEID>" gameid "<DATA>" data
//
//   kind     two ASCII digits (the MessageKind table below)
//   name     the sender's user name, may be empty
//   address  the sender's own IPv4 address in dotted decimal
//   gameid   "01" gomoku, "02" othello, or empty
//   data     free text to the end of the datagram
//
// No separators, padding, length prefix or terminator. A datagram is at most
// one UDP payload (65,507 bytes); a receiver takes the sender's identity from
// <IPADDR>, never from the packet's source address.

namespace MessageKind {
inline constexpr char Announce[] = "01";
inline constexpr char AnnounceAnswer[] = "02";
inline constexpr char Text[] = "11";
// Internal request of the send path: send the typed message. Never travels.
inline constexpr char SendRequest[] = "12";
inline constexpr char GameRelay[] = "21";
inline constexpr char GameEnd[] = "29";
inline constexpr char GameRequest[] = "31";
inline constexpr char GameAccept[] = "32";
inline constexpr char RemovalRequest[] = "40";
inline constexpr char Goodbye[] = "99";
} // namespace MessageKind

namespace DatagramTag {
inline constexpr char UserName[] = "<USERNAME>";
inline constexpr char IpAddr[] = "<IPADDR>";
inline constexpr char GameId[] = "<GAMEID>";
inline constexpr char Data[] = "<DATA>";
} // namespace DatagramTag

// The largest payload one UDP datagram over IPv4 carries.
constexpr qsizetype MaxDatagramSize = 65507;

// The fields of one received datagram. Data is filled only for the kinds
// that carry it (11, 21, 31, 32). Fields are not trimmed.
struct ParsedDatagram
{
    QString Kind;
    QString UserName;
    QString IpAddr;
    QString GameId;
    QString Data;

    bool operator==(const ParsedDatagram &) const = default;
};

// Cuts a received datagram into its fields on the byte form, so double-byte
// text never shifts a field boundary. Each tag is found at its first
// occurrence; a field whose closing tag is missing or stands before its
// opening tag stays empty. Never fails.
ParsedDatagram ParseDatagram(QByteArrayView bytes);

// The wire form of one datagram, the nine elements in order.
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
