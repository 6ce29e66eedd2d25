#pragma once

#include "uilanguage.h"

// Puts one start of a program into its language: the programs' own English
// catalogue and Qt's built-in English texts for English, Qt's Japanese
// catalogue (stock buttons, file choosers) for Japanese, whose own texts
// need none. Called once by every program's main() after the application
// object exists.
namespace UiTranslation {

// The language chosen by the messenger's Language option (stored value
// setting; empty or unknown text counts as "auto") and the session's
// messages locale.
UiLanguage::Language chosen(const QString &setting);

// The messenger's settings file in the user's configuration folder, which
// all four programs read the option from; appName: the messenger's.
QString messengerSettingsFile(const QString &appName = QStringLiteral("Pelwick"));
// The value of Language in section [Local] of the settings file at path;
// empty when the file, the section or the key is missing or the file is not
// an ordinary one of at most a few megabytes.
QString storedLanguage(const QString &path);

// What every program's main() calls: installs the language chosen by the
// option stored in settingsFile and the session.
bool installForThisStart(const QString &settingsFile = messengerSettingsFile());

// Installs the catalogues of language. False when a catalogue could not be
// loaded; the program then shows its Japanese source texts.
bool install(UiLanguage::Language language);

} // namespace UiTranslation
