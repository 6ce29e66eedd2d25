#pragma once

#include <QString>
#include <QVariant>

// How the system information window writes values: numbers in decimal
// without grouping, Booleans as "True" or "False", byte amounts as whole KB
// (rounded down) followed by " (KB)".
namespace SysInfoText {

QString boolean(bool value);
// An empty value gives "", a Boolean "True"/"False", anything else its text.
QString variant(const QVariant &value);
QString kilobytes(double bytes);
QString kilobytes(qint64 bytes);

} // namespace SysInfoText
