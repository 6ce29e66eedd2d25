#include "sysinfotext.h"

#include <cmath>

namespace SysInfoText {

QString boolean(bool value)
{
    return value ? QStringLiteral("True") : QStringLiteral("False");
}

QString variant(const QVariant &value)
{
    if (!value.isValid() || value.isNull())
        return {};
    if (value.typeId() == QMetaType::Bool)
        return boolean(value.toBool());
    return value.toString();
}

QString kilobytes(double bytes)
{
    const double kb = std::floor(bytes / 1024.0);
    const QString number = std::isfinite(kb) ? QString::number(qint64(kb)) : QStringLiteral("0");
    return number + QLatin1String(" (KB)");
}

QString kilobytes(qint64 bytes)
{
    // Exact in integers, where a double would round amounts above 2^53.
    const qint64 kb = bytes >= 0 ? bytes / 1024 : -((-bytes + 1023) / 1024);
    return QString::number(kb) + QLatin1String(" (KB)");
}

} // namespace SysInfoText
