#include "messengermenus.h"

#include "keyboardaccess.h"

#include <QCoreApplication>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>

namespace {

// One line of a menu layout: an entry, a separator, or the start or end of
// a submenu.
struct MenuLine
{
    enum Kind { Entry, Separator, Open, Close } kind;
    const char *name = nullptr;
    const char *caption = nullptr;
    MenuCommand command = MenuCommand::Close;
    // The desktop's key for the command, where it has one. Only the bar's
    // entries carry it: the same key on the tray's entry would make it
    // ambiguous.
    QKeySequence::StandardKey key = QKeySequence::UnknownKey;
};

using L = MenuLine;
using C = MenuCommand;

// The menu bar: each top-level Open is a menu of the bar.
const MenuLine Bar[] = {
    { L::Open, "menuM01", QT_TRANSLATE_NOOP("MessengerMenus", "ﾌｧｲﾙ") },
    { L::Open, "menuS01", QT_TRANSLATE_NOOP("MessengerMenus", "表示") },
    { L::Entry, "menuMon", QT_TRANSLATE_NOOP("MessengerMenus", "前面表示"), C::TopForm },
    { L::Close },
    { L::Separator, "menuH0" },
    { L::Entry, "menuClose", QT_TRANSLATE_NOOP("MessengerMenus", "閉じる"), C::Close, QKeySequence::Close },
    { L::Close },
    { L::Open, "menuM02", QT_TRANSLATE_NOOP("MessengerMenus", "ﾂｰﾙ") },
    { L::Entry, "menuOpsion", QT_TRANSLATE_NOOP("MessengerMenus", "ｵﾌﾟｼｮﾝ"), C::Options, QKeySequence::Preferences },
    { L::Separator, "menuH1" },
    { L::Entry, "menuPC", QT_TRANSLATE_NOOP("MessengerMenus", "PC情報"), C::SystemInfo },
    { L::Entry, "menuNet", QT_TRANSLATE_NOOP("MessengerMenus", "Net情報"), C::NetIdentity },
    { L::Entry, "menuProcess", QT_TRANSLATE_NOOP("MessengerMenus", "ﾌﾟﾛｾｽ一覧"), C::Processes },
    { L::Entry, "menuSplit", QT_TRANSLATE_NOOP("MessengerMenus", "ﾌｧｲﾙ分割"), C::Split },
    { L::Entry, "menuClock", QT_TRANSLATE_NOOP("MessengerMenus", "時計"), C::Clock },
    { L::Separator, "menuH2" },
    { L::Open, "menuControlpanel", QT_TRANSLATE_NOOP("MessengerMenus", "ｺﾝﾄﾛｰﾙﾊﾟﾈﾙ表示") },
    { L::Entry, "menuNetwork", QT_TRANSLATE_NOOP("MessengerMenus", "ﾈｯﾄﾜｰｸ"), C::Network },
    { L::Entry, "menuODBC", "ODBC32", C::Odbc },
    { L::Close },
    { L::Entry, "menuLmhosts", QT_TRANSLATE_NOOP("MessengerMenus", "Lmhostsﾌｧｲﾙ"), C::Lmhosts },
    { L::Entry, "menuHosts", QT_TRANSLATE_NOOP("MessengerMenus", "Hostsﾌｧｲﾙ"), C::Hosts },
    { L::Close },
    { L::Open, "menuHelp", QT_TRANSLATE_NOOP("MessengerMenus", "ﾍﾙﾌﾟ") },
    { L::Entry, "menuVar", QT_TRANSLATE_NOOP("MessengerMenus", "ﾊﾞｰｼﾞｮﾝ"), C::Version },
    { L::Close },
};

const MenuLine Tray[] = {
    { L::Open, "menuTaskBarDsp", QT_TRANSLATE_NOOP("MessengerMenus", "表示") },
    { L::Entry, "menuTaskBarTopForm", QT_TRANSLATE_NOOP("MessengerMenus", "前面表示"), C::TopForm },
    { L::Close },
    { L::Separator, "menuTaskBarH1" },
    { L::Open, "meniTaskBarTool", QT_TRANSLATE_NOOP("MessengerMenus", "ﾂｰﾙ") },
    { L::Entry, "menuTaskBarOpsion", QT_TRANSLATE_NOOP("MessengerMenus", "ｵﾌﾟｼｮﾝ"), C::Options },
    { L::Close },
    { L::Separator, "menuTaskBarH2" },
    { L::Entry, "menuTaskBarPC", QT_TRANSLATE_NOOP("MessengerMenus", "PC情報"), C::SystemInfo },
    { L::Entry, "menuTaskBarNet", QT_TRANSLATE_NOOP("MessengerMenus", "Net情報"), C::NetIdentity },
    { L::Entry, "menuTaskBarProcess", QT_TRANSLATE_NOOP("MessengerMenus", "ﾌﾟﾛｾｽ一覧"), C::Processes },
    { L::Entry, "menuTaskBarSplit", QT_TRANSLATE_NOOP("MessengerMenus", "ﾌｧｲﾙ分割"), C::Split },
    { L::Entry, "menuTaskBarClock", QT_TRANSLATE_NOOP("MessengerMenus", "時計"), C::Clock },
    { L::Separator, "menuTaskBarH3" },
    { L::Open, "menuTaskBarControlPanel", QT_TRANSLATE_NOOP("MessengerMenus", "ｺﾝﾄﾛｰﾙﾊﾟﾈﾙ") },
    { L::Entry, "menuTaskBarNetwork", QT_TRANSLATE_NOOP("MessengerMenus", "ﾈｯﾄﾜｰｸ"), C::Network },
    { L::Entry, "menuTaskBarOdbc", "ODBC32", C::Odbc },
    { L::Close },
    { L::Entry, "menuTaskBarLmhosts", QT_TRANSLATE_NOOP("MessengerMenus", "Lmhostsﾌｧｲﾙ"), C::Lmhosts },
    { L::Entry, "menuTaskBarHosts", QT_TRANSLATE_NOOP("MessengerMenus", "Hostsﾌｧｲﾙ"), C::Hosts },
    { L::Separator, "menuTaskBarH4" },
    { L::Entry, "menuTaskBarVar", QT_TRANSLATE_NOOP("MessengerMenus", "ﾊﾞｰｼﾞｮﾝ"), C::Version },
    { L::Entry, "menuTaskBarClose", QT_TRANSLATE_NOOP("MessengerMenus", "閉じる"), C::Close },
};

QAction *namedAction(QMenu *menu, const char *name, const QString &caption)
{
    QAction *action = menu->addAction(caption);
    action->setObjectName(QLatin1String(name));
    return action;
}

QMenu *namedMenu(QMenu *parentMenu, const char *name, const QString &caption)
{
    QMenu *menu = parentMenu->addMenu(caption);
    menu->setObjectName(QLatin1String(name));
    menu->menuAction()->setObjectName(QLatin1String(name));
    return menu;
}

// Fills menu with lines [begin, end).
void fill(QMenu *menu, const MenuLine *begin, const MenuLine *end, const std::function<void(MenuCommand)> &run)
{
    QList<QMenu *> open { menu };
    for (const MenuLine *line = begin; line != end; ++line) {
        switch (line->kind) {
        case L::Entry: {
            QAction *action = namedAction(open.last(), line->name, QCoreApplication::translate("MessengerMenus", line->caption));
            if (line->key != QKeySequence::UnknownKey)
                action->setShortcuts(KeyboardAccess::standardKeys(line->key));
            QObject::connect(action, &QAction::triggered, action, [run, command = line->command] { run(command); });
            break;
        }
        case L::Separator: {
            // A caption of "-" made a separator line in the original
            // toolkit; here the separator itself is the line, with no text.
            QAction *action = open.last()->addSeparator();
            action->setObjectName(QLatin1String(line->name));
            break;
        }
        case L::Open:
            open.append(namedMenu(open.last(), line->name, QCoreApplication::translate("MessengerMenus", line->caption)));
            break;
        case L::Close:
            open.removeLast();
            break;
        }
    }
}

} // namespace

MessengerMenus buildMessengerMenus(QMainWindow *window, const std::function<void(MenuCommand)> &run)
{
    QMenuBar *bar = window->menuBar();
    for (const MenuLine *line = std::begin(Bar); line != std::end(Bar);) {
        // The top-level menu runs to its matching Close.
        const MenuLine *end = line + 1;
        for (int depth = 1; depth > 0; ++end)
            depth += end->kind == L::Open ? 1 : end->kind == L::Close ? -1 : 0;
        QMenu *top = bar->addMenu(QCoreApplication::translate("MessengerMenus", line->caption));
        top->setObjectName(QLatin1String(line->name));
        fill(top, line + 1, end - 1, run);
        line = end;
    }

    // Holder of the two pop-up menus; never shown in the bar.
    QMenu *holder = bar->addMenu(QStringLiteral("NotDisplay"));
    holder->setObjectName(QStringLiteral("nameNotDisplay"));
    holder->menuAction()->setVisible(false);

    MessengerMenus m;
    m.menuListUser = namedMenu(holder, "menuListUser", QCoreApplication::translate("MessengerMenus", "ListUser左ｸﾘｯｸ"));
    m.menuListUserLanCheck = namedAction(m.menuListUser, "menuListUserLanCheck", QCoreApplication::translate("MessengerMenus", "接続確認"));
    QMenu *game = namedMenu(m.menuListUser, "menuGame", QCoreApplication::translate("MessengerMenus", "ｹﾞｰﾑ"));
    m.menuGame = game->menuAction();
    m.menuGame->setCheckable(true);
    m.menuGame_Gomoku = namedAction(game, "menuGame_Gomoku", QCoreApplication::translate("MessengerMenus", "五目並べ"));
    m.menuGame_Osero = namedAction(game, "menuGame_Osero", QCoreApplication::translate("MessengerMenus", "オセロ"));
    m.menuRemove = namedAction(m.menuListUser, "menuRemove", QCoreApplication::translate("MessengerMenus", "相互のＰＣからIP情報を消去"));

    m.menuTaskBar = namedMenu(holder, "menuTaskBar", QCoreApplication::translate("MessengerMenus", "ﾀｽｸﾊﾞｰ用"));
    fill(m.menuTaskBar, std::begin(Tray), std::end(Tray), run);

    m.menuMon = window->findChild<QAction *>(QStringLiteral("menuMon"));
    m.menuTaskBarTopForm = window->findChild<QAction *>(QStringLiteral("menuTaskBarTopForm"));
    KeyboardAccess::bindMenuBarKey(window);
    m.menuMon->setCheckable(true);
    m.menuTaskBarTopForm->setCheckable(true);
    return m;
}
