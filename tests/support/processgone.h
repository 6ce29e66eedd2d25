#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

// Whether the process has ended: gone, or a zombie waiting to be reaped by
// its parent (the messenger that started a game reaps it only later).
inline bool processGone(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return true;
    const QByteArray s = stat.readAll();
    const qsizetype close = s.lastIndexOf(')');
    return close > 0 && s.mid(close + 2, 1) == "Z";
}
