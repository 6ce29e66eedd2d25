#include "keyboardaccess.h"

#include "logcategories.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QMainWindow>
#include <QMenuBar>
#include <QShortcut>
#include <QTranslator>

namespace KeyboardAccess {

void bindMenuBarKey(QMainWindow *window)
{
    auto *key = new QShortcut(QKeySequence(Qt::Key_F10), window);
    key->setObjectName(QStringLiteral("menuBarKey"));
    key->setContext(Qt::WindowShortcut);
    QObject::connect(key, &QShortcut::activated, window, [window] { openMenuBar(window->menuBar()); });
}

bool openMenuBar(QMenuBar *bar)
{
    if (!bar || !bar->isVisible())
        return false;
    const QList<QAction *> actions = bar->actions();
    for (QAction *action : actions) {
        if (action->isVisible() && action->isEnabled() && !action->isSeparator() && action->menu()) {
            // Opening the menu hands the keyboard to it; Left and Right then
            // move along the bar.
            bar->setActiveAction(action);
            return true;
        }
    }
    return false;
}

QList<QKeySequence> standardKeys(QKeySequence::StandardKey key)
{
    QList<QKeySequence> keys = QKeySequence::keyBindings(key);
    if (keys.isEmpty() && key == QKeySequence::Preferences)
        keys.append(QKeySequence(Qt::CTRL | Qt::Key_Comma));
    return keys;
}

bool loadQtJapanese()
{
    auto *translator = new QTranslator(QCoreApplication::instance());
    // "qt" names the catalogue that pulls in every Qt module's texts.
    if (!translator->load(QLocale(QLocale::Japanese, QLocale::Japan), QStringLiteral("qt"), QStringLiteral("_"),
            QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        qCDebug(lcDesktop) << "Qt's Japanese catalogue not found in"
                                  << QLibraryInfo::path(QLibraryInfo::TranslationsPath);
        delete translator;
        return false;
    }
    QCoreApplication::installTranslator(translator);
    return true;
}

} // namespace KeyboardAccess
