#include "uilanguage.h"

#include <QtGlobal>

namespace UiLanguage {

std::optional<Choice> choiceFromSetting(const QString &value)
{
    for (const Choice choice : { Choice::Auto, Choice::Japanese, Choice::English }) {
        if (value == settingValue(choice))
            return choice;
    }
    return std::nullopt;
}

QString settingValue(Choice choice)
{
    switch (choice) {
    case Choice::Auto:
        return QStringLiteral("auto");
    case Choice::Japanese:
        return QStringLiteral("ja");
    case Choice::English:
        return QStringLiteral("en");
    }
    return QStringLiteral("auto");
}

Language fromMessagesLocale(const QString &lcAll, const QString &lcMessages, const QString &lang)
{
    const QString locale = !lcAll.isEmpty() ? lcAll : !lcMessages.isEmpty() ? lcMessages : lang;
    // language[_territory][.codeset][@modifier]
    qsizetype end = locale.size();
    for (const QChar stop : { u'_', u'.', u'@' }) {
        const qsizetype at = locale.indexOf(stop);
        if (at >= 0)
            end = qMin(end, at);
    }
    const QString language = locale.left(end);
    if (language.isEmpty() || language == QLatin1String("ja") || language == QLatin1String("C")
        || language == QLatin1String("POSIX"))
        return Language::Japanese;
    return Language::English;
}

Language fromEnvironment()
{
    return fromMessagesLocale(qEnvironmentVariable("LC_ALL"), qEnvironmentVariable("LC_MESSAGES"),
        qEnvironmentVariable("LANG"));
}

Language resolve(Choice choice, Language session)
{
    switch (choice) {
    case Choice::Auto:
        return session;
    case Choice::Japanese:
        return Language::Japanese;
    case Choice::English:
        return Language::English;
    }
    return session;
}

} // namespace UiLanguage
