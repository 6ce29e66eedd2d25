#pragma once

#include <QKeySequence>

class QMainWindow;
class QMenu;
class QMenuBar;

// What makes a window usable without a mouse, shared by every program:
// F10 for the menu bar, the standard keys of standard commands, and Qt's own
// texts (file choosers, box buttons) in Japanese like the programs' own.
namespace KeyboardAccess {

// F10 opens the first visible menu of window's menu bar; the arrow keys then
// walk the bar and its menus, Esc leaves them.
void bindMenuBarKey(QMainWindow *window);
// Opens bar's first visible, enabled menu with the keyboard. False when the
// bar offers none.
bool openMenuBar(QMenuBar *bar);

// The platform's keys for a standard command; Preferences, which several
// desktops leave without a key, falls back to Ctrl+comma.
QList<QKeySequence> standardKeys(QKeySequence::StandardKey key);

// Loads Qt's own Japanese catalogue (stock buttons, file and folder
// choosers, scroll buttons), whatever the session's language: every text of
// the suite is Japanese. False when the catalogue is not installed.
bool loadQtJapanese();

} // namespace KeyboardAccess
