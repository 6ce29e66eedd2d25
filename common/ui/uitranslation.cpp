#include "uitranslation.h"

#include "keyboardaccess.h"
#include "logcategories.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTranslator>

namespace UiTranslation {

UiLanguage::Language chosen(const QString &setting)
{
    return UiLanguage::resolve(
        UiLanguage::choiceFromSetting(setting).value_or(UiLanguage::Choice::Auto), UiLanguage::fromEnvironment());
}

QString messengerSettingsFile(const QString &appName)
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation))
        .filePath(appName + QLatin1Char('/') + appName + QLatin1String(".ini"));
}

QString storedLanguage(const QString &path)
{
    // Read by lines rather than through QSettings: one key is wanted, and
    // QSettings would keep the whole file cached in this process.
    constexpr qint64 MaxBytes = 16 * 1024 * 1024;
    const QFileInfo info(path);
    QFile file(path);
    if (!info.isFile() || info.size() > MaxBytes || !file.open(QIODevice::ReadOnly))
        return {};
    bool inLocal = false;
    QString value;
    while (!file.atEnd()) {
        const QByteArray line = file.readLine(4096).trimmed();
        if (line.startsWith('['))
            inLocal = line == "[Local]";
        else if (inLocal && line.startsWith("Language="))
            value = QString::fromLatin1(line.mid(int(qstrlen("Language=")))).trimmed();
    }
    return value;
}

bool installForThisStart(const QString &settingsFile)
{
    return install(chosen(storedLanguage(settingsFile)));
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
