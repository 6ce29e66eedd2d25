#include "datagram.h"

#include "cp932.h"
#include "textutil.h"

namespace {

constexpr qsizetype tagLength(const char *tag)
{
    return qsizetype(std::char_traits<char>::length(tag));
}

// The kinds and game ids that travel, as texts that need no memory of
// their own: a flood of datagrams then allocates (and, read on one thread
// and handled on another, frees) nothing for them.
QString sharedShortText(QByteArrayView bytes)
{
    if (bytes.size() != 2)
        return {};
    switch ((uchar(bytes[0]) << 8) | uchar(bytes[1])) {
    case ('0' << 8) | '1':
        return QStringLiteral("01");
    case ('0' << 8) | '2':
        return QStringLiteral("02");
    case ('1' << 8) | '1':
        return QStringLiteral("11");
    case ('1' << 8) | '2':
        return QStringLiteral("12");
    case ('2' << 8) | '1':
        return QStringLiteral("21");
    case ('2' << 8) | '9':
        return QStringLiteral("29");
    case ('3' << 8) | '1':
        return QStringLiteral("31");
    case ('3' << 8) | '2':
        return QStringLiteral("32");
    case ('4' << 8) | '0':
        return QStringLiteral("40");
    case ('9' << 8) | '9':
        return QStringLiteral("99");
    }
    return {};
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

bool carriesData(QStringView kind)
{
    return kind == QLatin1String(MessageKind::Text) || kind == QLatin1String(MessageKind::GameRelay)
        || kind == QLatin1String(MessageKind::GameRequest) || kind == QLatin1String(MessageKind::GameAccept);
}

} // namespace

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
    if (carriesData(parsed.Kind) && pD >= 0)
        parsed.Data = Cp932::decode(bytes.sliced(pD + tagLength(DatagramTag::Data)));
    return parsed;
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
