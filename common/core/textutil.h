#pragma once

#include <QString>
#include <QStringList>

// Removes spaces, and only spaces, at both ends of text: line breaks and
// tabs the user typed at the ends stay.
QString trimSpaces(const QString &text);

// What a message names of text: the given pieces of it (characters, or longer
// marks such as tags) and every control character in it, each once, in the
// order they first appear. A control character is named "U+000A", as it would
// be invisible or break the message's line.
QStringList offendingParts(const QString &text, const QStringList &pieces);
