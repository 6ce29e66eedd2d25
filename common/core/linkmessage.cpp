#include "linkmessage.h"

#include "cp932.h"

namespace LinkMessage {

QString build(const QString &code, const QString &data)
{
    return QLatin1String(FuncTag) + code + QLatin1String(DataTag) + data;
}

Parts parse(const QString &text)
{
    Parts result;
    const QByteArray bytes = Cp932::encode(text);
    const QByteArrayView funcTag(FuncTag);
    const QByteArrayView dataTag(DataTag);
    const qsizetype p1 = bytes.indexOf(funcTag);
    const qsizetype p2 = bytes.indexOf(dataTag);
    if (p1 >= 0 && p2 >= p1 + funcTag.size()) {
        const qsizetype start = p1 + funcTag.size();
        result.code = Cp932::decode(bytes.mid(start, p2 - start));
    }
    if (p2 >= 0)
        result.data = Cp932::decode(bytes.mid(p2 + dataTag.size()));
    return result;
}

} // namespace LinkMessage
