#include "gomokulink.h"

#include "cp932.h"

namespace GomokuLink {

LinkText Control_Data(const QString &pData)
{
    LinkText result;
    const QByteArray bytes = Cp932::encode(pData);
    const QByteArrayView funcTag(FuncTag);
    const QByteArrayView dataTag(DataTag);
    const qsizetype p1 = bytes.indexOf(funcTag);
    const qsizetype p2 = bytes.indexOf(dataTag);
    if (p1 >= 0 && p2 >= p1 + funcTag.size()) {
        const qsizetype start = p1 + funcTag.size();
        result.GameFunc = Cp932::decode(bytes.mid(start, p2 - start));
    }
    if (p2 >= 0)
        result.GameData = Cp932::decode(bytes.mid(p2 + dataTag.size()));
    return result;
}

QString linkMessage(const QString &code, const QString &data)
{
    return QLatin1String(FuncTag) + code + QLatin1String(DataTag) + data;
}

namespace {

// A coordinate of at most three decimal digits, so it cannot overflow.
std::optional<int> parseCoordinate(QStringView text)
{
    if (text.isEmpty() || text.size() > 3)
        return std::nullopt;
    int value = 0;
    for (const QChar c : text) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
        value = value * 10 + (c.unicode() - u'0');
    }
    return value;
}

} // namespace

std::optional<MoveData> parseMoveData(const QString &data)
{
    if (!data.startsWith(u'('))
        return std::nullopt;
    const qsizetype close = data.indexOf(u')');
    if (close < 0)
        return std::nullopt;
    const QStringView rest = QStringView(data).mid(close + 1);
    const qsizetype comma = rest.indexOf(u',');
    if (comma < 0)
        return std::nullopt;
    const auto x = parseCoordinate(rest.left(comma));
    const auto y = parseCoordinate(rest.mid(comma + 1));
    if (!x || !y)
        return std::nullopt;
    return MoveData { data.mid(1, close - 1), *x, *y };
}

QString moveData(const QString &address, int x, int y)
{
    return QLatin1Char('(') + address + QLatin1Char(')') + QString::number(x) + QLatin1Char(',') + QString::number(y);
}

} // namespace GomokuLink
