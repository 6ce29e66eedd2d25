#pragma once

#include <QString>

#include <optional>

// Which language the programs speak: Japanese, their own, for a Japanese
// session and for one that names no language; English for everyone else.
// The texts in the code are the Japanese; English comes from a catalogue.
namespace UiLanguage {

enum class Language { Japanese, English };

// The messenger's Language option: follow the session, or one language.
enum class Choice { Auto, Japanese, English };

// The stored values are "auto", "ja" and "en"; nothing for any other text.
std::optional<Choice> choiceFromSetting(const QString &value);
QString settingValue(Choice choice);

// The messages locale is the first of LC_ALL, LC_MESSAGES and LANG that is
// set and not empty. Japanese ("ja", "ja_JP.UTF-8", "ja_JP@..."), C, POSIX
// and none at all give Japanese; every other language gives English.
Language fromMessagesLocale(const QString &lcAll, const QString &lcMessages, const QString &lang);
// The same for this process's environment.
Language fromEnvironment();

// The language of this start: the option's, where it names one, else the
// session's.
Language resolve(Choice choice, Language session);

} // namespace UiLanguage
