#include "gomokulink.h"

#include "linkmessage.h"

namespace GomokuLink {

QString linkMessage(const QString &code, const QString &data)
{
    return LinkMessage::build(code, data);
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
