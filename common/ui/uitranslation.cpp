#include "uitranslation.h"

#include "keyboardaccess.h"
#include "logcategories.h"

#include <QCoreApplication>
#include <QTranslator>

namespace UiTranslation {

UiLanguage::Language chosen(const QString &setting)
{
    return UiLanguage::resolve(UiLanguage::choiceFromSetting(setting), UiLanguage::fromEnvironment());
}

bool install(UiLanguage::Language language)
{
    if (language == UiLanguage::Language::Japanese)
        return KeyboardAccess::loadQtJapanese();
    // The catalogue is built into every program.
    auto *translator = new QTranslator(QCoreApplication::instance());
    if (!translator->load(QStringLiteral(":/i18n/pelwick_en.qm"))) {
        qCWarning(lcDesktop) << "the English catalogue is missing from the program";
        delete translator;
        return false;
    }
    QCoreApplication::installTranslator(translator);
    return true;
}

} // namespace UiTranslation
