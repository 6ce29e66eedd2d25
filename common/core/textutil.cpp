#include "textutil.h"

#include <QList>
#include <QSet>

#include <algorithm>
#include <utility>

QString trimSpaces(const QString &text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin] == QLatin1Char(' '))
        ++begin;
    while (end > begin && text[end - 1] == QLatin1Char(' '))
        --end;
    return text.sliced(begin, end - begin);
}

QStringList offendingParts(const QString &text, const QStringList &pieces)
{
    QStringList candidates = pieces;
    for (const QChar c : text) {
        if (c.category() == QChar::Other_Control)
            candidates.append(QString(c));
    }
    QList<std::pair<qsizetype, QString>> found;
    QSet<QString> seen;
    for (const QString &piece : std::as_const(candidates)) {
        const qsizetype at = text.indexOf(piece);
        if (at < 0 || seen.contains(piece))
            continue;
        seen.insert(piece);
        found.append({ at, piece });
    }
    std::stable_sort(found.begin(), found.end(), [](const auto &a, const auto &b) { return a.first < b.first; });
    QStringList parts;
    for (const auto &[at, piece] : std::as_const(found)) {
        if (piece.size() == 1 && piece[0].category() == QChar::Other_Control)
            parts.append(QStringLiteral("U+%1").arg(piece[0].unicode(), 4, 16, QLatin1Char('0')).toUpper());
        else
            parts.append(piece);
    }
    return parts;
}
