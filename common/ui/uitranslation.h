#pragma once

#include "uilanguage.h"

// Puts one start of a program into its language: the programs' own English
// catalogue and Qt's built-in English texts for English, Qt's Japanese
// catalogue (stock buttons, file choosers) for Japanese, whose own texts
// need none. Called once by every program's main() after the application
// object exists.
namespace UiTranslation {

// The language chosen by the messenger's Language option (stored value
// setting, "auto" when unset) and the session's messages locale.
UiLanguage::Language chosen(const QString &setting);

// Installs the catalogues of language. False when a catalogue could not be
// loaded; the program then shows its Japanese source texts.
bool install(UiLanguage::Language language);

} // namespace UiTranslation
