#pragma once

#include <QFileDevice>
#include <QString>

#include <optional>

class QSaveFile;

// Files replaced whole (the settings, the login entry, the splitter's
// batch): the new bytes go to a temporary file beside the old one, which
// takes the old one's name in one rename only once every byte is known to be
// on the disk. A write that fails (a full disk, a folder turned read-only)
// leaves the old file exactly as it was.
//
// QSaveFile alone is not enough: Qt 6.4's commit() reports success after its
// buffered flush failed, and its rename then puts a short or empty file in
// place of the old one. The file is therefore opened unbuffered, so every
// write reaches the system at once and its failure is seen, and any failure
// cancels the commit.
namespace WholeFile {

// Opens file (named already) for a whole replacement; false with the
// system's reason in errorString.
bool open(QSaveFile &file, QString *errorString = nullptr);
// Writes bytes, cancelling the replacement when they are not all written.
bool write(QSaveFile &file, const QByteArray &bytes, QString *errorString = nullptr);
// Renames the file into place, unless a write failed (then the temporary
// file goes and the old one stays).
bool commit(QSaveFile &file, QString *errorString = nullptr);

// Replaces path with bytes (making its folder where missing); the new file
// gets permissions where given, else those of the old one or the default.
bool replace(const QString &path, const QByteArray &bytes, QString *errorString = nullptr,
    std::optional<QFileDevice::Permissions> permissions = std::nullopt);

} // namespace WholeFile
