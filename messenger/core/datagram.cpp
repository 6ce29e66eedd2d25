#include "datagram.h"

#include "cp932.h"
#include "textutil.h"

#include <array>

namespace {

constexpr qsizetype tagLength(const char *tag)
{
    return qsizetype(std::char_traits<char>::length(tag));
}

// Every kind's value is its code read as a number: the table cannot say
// otherwise.
constexpr bool kindsAreTheirCodes()
{
    for (int n = 0; n < 100; ++n) {
        const char *code = messageKindRow(MessageKind(n)).code;
        if (code && (code[0] != '0' + n / 10 || code[1] != '0' + n % 10 || code[2] != 0))
            return false;
    }
    return true;
}
static_assert(kindsAreTheirCodes());

// "00" to "99" as text that lives for the whole run.
constexpr auto TwoDigitTexts = [] {
    std::array<std::array<char16_t, 2>, 100> texts {};
    for (int n = 0; n < 100; ++n)
        texts[size_t(n)] = { char16_t(u'0' + n / 10), char16_t(u'0' + n % 10) };
    return texts;
}();

// The two digits of bytes as a number; -1 for anything else.
int twoDigitValue(QByteArrayView bytes)
{
    if (bytes.size() != 2 || bytes[0] < '0' || bytes[0] > '9' || bytes[1] < '0' || bytes[1] > '9')
        return -1;
    return (bytes[0] - '0') * 10 + (bytes[1] - '0');
}

// The short texts that recur in every datagram: the kinds' codes and the
// game ids. They are handed out as texts that need no memory of their own:
// a flood of datagrams then allocates (and, read on one thread and handled
// on another, frees) nothing for them.
QString sharedShortText(QByteArrayView bytes)
{
    static const std::array<bool, 100> recurs = [] {
        std::array<bool, 100> table {};
        for (int n = 0; n < 100; ++n)
            table[size_t(n)] = messageKindRow(MessageKind(n)).code != nullptr;
        for (const QLatin1StringView id : { GameIds::Gomoku, GameIds::Othello, GameIds::Lamp })
            table[size_t(twoDigitValue(QByteArrayView(id.data(), id.size())))] = true;
        return table;
    }();
    const int n = twoDigitValue(bytes);
    if (n < 0 || !recurs[size_t(n)])
        return {};
    return QString::fromRawData(reinterpret_cast<const QChar *>(TwoDigitTexts[size_t(n)].data()), 2);
}

// A field of two bytes or fewer, decoded.
QString shortField(QByteArrayView bytes)
{
    QString shared = sharedShortText(bytes);
    return shared.isNull() ? Cp932::decode(bytes) : shared;
}

// The bytes between the end of openTag (at openPos) and closePos, decoded;
// empty when the opening tag is absent or the length is negative.
QString cut(QByteArrayView bytes, qsizetype openPos, qsizetype openLength, qsizetype closePos)
{
    if (openPos < 0)
        return {};
    const qsizetype start = openPos + openLength;
    // A missing closing tag counts as position 0 (1-based) and so leaves the
    // field empty, as does a closing tag before the opening one.
    const qsizetype end = closePos < 0 ? -1 : closePos;
    if (end - start < 0)
        return {};
    if (end - start <= 2)
        return shortField(bytes.sliced(start, end - start));
    return Cp932::decode(bytes.sliced(start, end - start));
}

} // namespace

std::optional<MessageKind> messageKindOf(QStringView code)
{
    if (code.size() != 2 || code[0] < u'0' || code[0] > u'9' || code[1] < u'0' || code[1] > u'9')
        return std::nullopt;
    const auto kind = MessageKind((code[0].unicode() - u'0') * 10 + (code[1].unicode() - u'0'));
    if (!messageKindRow(kind).code)
        return std::nullopt;
    return kind;
}

ParsedDatagram ParseDatagram(QByteArrayView bytes)
{
    ParsedDatagram parsed;
    const qsizetype pU = bytes.indexOf(QByteArrayView(DatagramTag::UserName));
    const qsizetype pI = bytes.indexOf(QByteArrayView(DatagramTag::IpAddr));
    const qsizetype pG = bytes.indexOf(QByteArrayView(DatagramTag::GameId));
    const qsizetype pD = bytes.indexOf(QByteArrayView(DatagramTag::Data));

    // The kind is the first two characters of the text, not bytes: decode
    // just enough of the front.
    // Two ASCII characters are two bytes: a known kind needs no decoding.
    if (bytes.size() >= 2)
        parsed.Kind = sharedShortText(bytes.first(2));
    if (parsed.Kind.isNull())
        parsed.Kind = Cp932::decode(bytes.first(qMin<qsizetype>(bytes.size(), 4))).left(2);
    parsed.UserName = cut(bytes, pU, tagLength(DatagramTag::UserName), pI);
    parsed.IpAddr = cut(bytes, pI, tagLength(DatagramTag::IpAddr), pG);
    parsed.GameId = cut(bytes, pG, tagLength(DatagramTag::GameId), pD);
    // A game kind without <DATA> carries no data.
    const std::optional<MessageKind> kind = parsed.messageKind();
    if (kind && messageKindRow(*kind).carriesData && pD >= 0)
        parsed.Data = Cp932::decode(bytes.sliced(pD + tagLength(DatagramTag::Data)));
    return parsed;
}

QByteArray buildDatagram(
    MessageKind kind, const QString &userName, const QString &ipAddr, const QString &gameId, const QString &data)
{
    return buildDatagram(QString(messageKindCode(kind)), userName, ipAddr, gameId, data);
}

QByteArray buildDatagram(
    const QString &kind, const QString &userName, const QString &ipAddr, const QString &gameId, const QString &data)
{
    QByteArray out;
    out.reserve(40 + userName.size() * 2 + ipAddr.size() + data.size() * 2);
    out += Cp932::encode(kind);
    out += DatagramTag::UserName;
    out += Cp932::encode(userName);
    out += DatagramTag::IpAddr;
    out += Cp932::encode(ipAddr);
    out += DatagramTag::GameId;
    out += Cp932::encode(gameId);
    out += DatagramTag::Data;
    out += Cp932::encode(data);
    return out;
}

bool isBlankDatagram(QByteArrayView bytes)
{
    // Only the space character counts as blank, as the receiver trims spaces.
    for (char c : bytes) {
        if (c != ' ')
            return false;
    }
    return true;
}

QStringList unusableUserNameParts(const QString &name)
{
    QStringList pieces = Cp932::unencodable(name);
    for (const char *tag : { DatagramTag::UserName, DatagramTag::IpAddr, DatagramTag::GameId, DatagramTag::Data }) {
        if (name.contains(QLatin1String(tag)))
            pieces.append(QLatin1String(tag));
    }
    return offendingParts(name, pieces);
}

std::optional<quint32> dottedQuadValue(QStringView text)
{
    quint32 value = 0;
    int parts = 0;
    int digits = 0;
    quint32 part = 0;
    for (const QChar c : text) {
        if (c == u'.') {
            if (digits == 0 || ++parts > 3)
                return std::nullopt;
            value = value << 8 | part;
            part = 0;
            digits = 0;
        } else if (c >= u'0' && c <= u'9' && digits < 3 && !(digits == 1 && part == 0)) {
            part = part * 10 + (c.unicode() - u'0');
            if (part > 255)
                return std::nullopt;
            ++digits;
        } else {
            return std::nullopt;
        }
    }
    if (parts != 3 || digits == 0)
        return std::nullopt;
    return value << 8 | part;
}
