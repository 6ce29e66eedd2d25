#pragma once

#include "settingsmapping.h"

#include <QList>
#include <QString>

#include <optional>

// The edits the options dialog makes to its copy of the user directory. The
// IP address text is the key: compared exactly, case and blanks included, so
// "register" and "update" are one operation and an address is never listed
// twice by an edit.
enum class DirectoryEditMode { Update, Delete };

struct DirectoryEdit
{
    enum class Change { None, Rename, Remove, Append };

    bool done = false;
    Change change = Change::None;
    // The row renamed or removed; -1 for an append or no change.
    qsizetype row = -1;
};

// What mode does to rows for (name, ip): the first row holding ip is
// renamed (when its name differs) or removed; with no such row an update
// appends one. A delete of an unlisted address is not
// done. An update to the same name is done without a change.
DirectoryEdit planDirectoryEdit(
    const QList<DirectoryEntry> &rows, DirectoryEditMode mode, const QString &name, const QString &ip);

// Carries out a planned edit on rows.
void applyDirectoryEdit(QList<DirectoryEntry> &rows, const DirectoryEdit &edit, const QString &name, const QString &ip);

// The port text as the options dialog accepts it: one to five decimal digits
// naming a port from 1 to 65535. Nothing for anything else, so an empty field
// or a port the socket cannot open is never stored.
std::optional<qint32> parseLocalPort(const QString &text);
