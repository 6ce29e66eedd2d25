#include "splitnames.h"

#include "cp932.h"
#include "textutil.h"

#include <QRegularExpression>

namespace SplitNames {

namespace {

QByteArray line(const QString &text)
{
    return Cp932::encode(text) + "\r\n";
}

} // namespace

QString FileNamePart(const QString &path, qint16 mode)
{
    const qsizetype cut = std::max(path.lastIndexOf(u'/'), path.lastIndexOf(u'\\'));
    const QString name = path.mid(cut + 1);
    if (mode != 1)
        return name;
    const qsizetype dot = name.indexOf(u'.');
    return dot < 0 ? name : name.left(dot);
}

QString pieceName(const QString &baseName, qint64 n)
{
    return baseName + u'.' + QString::number(n).rightJustified(3, u'0');
}

QString PiecePath(const QString &folder, const QString &baseName, qint64 n)
{
    return folder + u'/' + pieceName(baseName, n);
}

QString BatchPath(const QString &folder, const QString &baseName)
{
    return folder + u'/' + baseName + u".Bat";
}

QString batchWord(const QString &name)
{
    // '%' expands even inside quotes in a batch file; the others end a word
    // or, for '+', join files in COPY.
    QString word = name;
    word.replace(QStringLiteral("%"), QStringLiteral("%%"));
    static const QString splitters = QStringLiteral(" \t&()^,;=+|<>");
    for (const QChar c : name) {
        if (splitters.contains(c))
            return u'"' + word + u'"';
    }
    return word;
}

QStringList unwritableNameParts(const QString &sourceName)
{
    QStringList pieces = Cp932::unencodable(sourceName);
    for (const QChar c : QStringLiteral("\\/:*?\"<>|")) {
        if (sourceName.contains(c))
            pieces.append(c);
    }
    QStringList parts = offendingParts(sourceName, pieces);
    static const QRegularExpression device(
        QStringLiteral("^(CON|PRN|AUX|NUL|COM[1-9]|LPT[1-9]) *$"), QRegularExpression::CaseInsensitiveOption);
    if (sourceName.endsWith(u'.') || sourceName.endsWith(u' ')
        || device.match(sourceName.left(sourceName.indexOf(u'.'))).hasMatch())
        parts.append(sourceName);
    return parts;
}

QByteArray batchHead()
{
    return line(QStringLiteral("@echo off"));
}

QByteArray batchPieceLines(const QString &sourceName, const QString &baseName, qint64 n, bool deletePieces)
{
    const QString source = batchWord(sourceName);
    const QString piece = batchWord(pieceName(baseName, n));
    QByteArray lines = line(u"COPY /B " + (n == 1 ? QString() : source + u'+') + piece + u' ' + source + u" > NUL");
    if (deletePieces)
        lines += line(u"DEL " + piece + u" > NUL");
    return lines;
}

QByteArray batchTail(const QString &baseName, bool deletePieces)
{
    QByteArray lines;
    if (deletePieces)
        lines += line(u"DEL " + batchWord(baseName + u".PIF") + u" > NUL");
    lines += line(QStringLiteral("cls"));
    lines += line(QStringLiteral("echo 完了しました。"));
    if (deletePieces)
        lines += line(u"DEL " + batchWord(baseName + u".BAT") + u" > NUL");
    return lines;
}

} // namespace SplitNames
