#pragma once

#include <QString>

// PresenceMark: what a messenger knows of a user, shown in the state column
// of the user list as ○ heard from, ★ in a game, × not heard from. The
// enumerators stand in the order of their glyphs' code points (× U+00D7,
// ○ U+25CB, ★ U+2605), so a list sorted by mark orders its rows as a list
// sorted by the glyph text.
enum class PresenceMark : quint8 { NotHeard, HeardFrom, InGame };

// The glyph the list shows for mark.
inline QString presenceGlyph(PresenceMark mark)
{
    switch (mark) {
    case PresenceMark::HeardFrom:
        return QStringLiteral("○");
    case PresenceMark::InGame:
        return QStringLiteral("★");
    case PresenceMark::NotHeard:
        break;
    }
    return QStringLiteral("×");
}
