#pragma once

#include <QString>

// Removes spaces, and only spaces, at both ends of text: line breaks and
// tabs the user typed at the ends stay.
QString trimSpaces(const QString &text);
