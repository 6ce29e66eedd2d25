#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <array>

// Names of the pieces and lines of the rejoin batch file.
//
// For a source path whose last component is SourceName:
//   BaseName     = SourceName up to (not including) its first '.', or all of it
//   PiecePath(n) = folder + "/" + BaseName + "." + n as at least three digits
//                  (001, 002, ..., 999, 1000, ...)
//   BatchPath    = folder + "/" + BaseName + ".Bat"
// Paths are joined by plain concatenation, so a folder ending in a separator
// gives a doubled one (harmless on every file system we write to).
//
// The rejoin batch runs under the Windows command interpreter from the folder
// that holds the pieces. It is code page 932 text, every line ended by CR LF:
//   @echo off
//   per piece n:  COPY /B [SourceName+]BaseName.nnn SourceName > NUL
//                 DEL BaseName.nnn > NUL                 (when it deletes pieces)
//   tail:         DEL BaseName.PIF > NUL                 (when it deletes pieces)
//                 cls
//                 echo 完了しました。
//                 DEL BaseName.BAT > NUL                 (when it deletes pieces)
// The first piece is copied to SourceName and each later one appended to it.
// Names that the command interpreter would split or expand are quoted (and a
// '%' doubled); plain names are written bare.
namespace SplitNames {

// The five piece sizes offered, named after floppy-disk capacities.
inline constexpr std::array<qint64, 5> PieceSizes { 1457664, 1250304, 1213952, 730112, 649216 };

// Largest block moved from the source to a piece in one read and write.
inline constexpr qint64 TransferBlock = 64512;

// Mode 0: the text after the last '/' or '\' (SourceName).
// Mode 1: that text up to its first '.', or all of it without a '.' (BaseName).
QString FileNamePart(const QString &path, qint16 mode);

// "BASE.001" for piece 1; at least three digits.
QString pieceName(const QString &baseName, qint64 n);
QString PiecePath(const QString &folder, const QString &baseName, qint64 n);
QString BatchPath(const QString &folder, const QString &baseName);

// A file name as it stands in a batch line.
QString batchWord(const QString &name);

// What in a source file name the target system cannot hold or the batch
// cannot carry: characters with no code page 932 form, any of \ / : * ? " < > |
// and control characters (named "U+000A"), each once in order of first
// appearance; then the whole name when it ends in a dot or a space or is a
// device name before its first dot (CON, PRN, AUX, NUL, COM1-COM9, LPT1-LPT9,
// in any case). Empty for a name that can be split.
QStringList unwritableNameParts(const QString &sourceName);

// The lines of the rejoin batch, each already in code page 932 with CR LF.
QByteArray batchHead();
QByteArray batchPieceLines(const QString &sourceName, const QString &baseName, qint64 n, bool deletePieces);
QByteArray batchTail(const QString &baseName, bool deletePieces);

} // namespace SplitNames
