#pragma once

#include <functional>

class QAction;
class QMainWindow;
class QMenu;

// What the menu bar and the tray menu can do. Both hold the same commands
// under names of their own, so both come from one table.
enum class MenuCommand {
    TopForm,
    Close,
    Options,
    SystemInfo,
    NetIdentity,
    Processes,
    Split,
    Clock,
    Network,
    Odbc,
    Lmhosts,
    Hosts,
    Version,
};

// The entries the main window reaches again after building.
struct MessengerMenus
{
    QAction *menuMon = nullptr;
    QAction *menuTaskBarTopForm = nullptr;
    QMenu *menuTaskBar = nullptr;
    QMenu *menuListUser = nullptr;
    QAction *menuListUserLanCheck = nullptr;
    QAction *menuGame = nullptr;
    QAction *menuGame_Gomoku = nullptr;
    QAction *menuGame_Osero = nullptr;
    QAction *menuRemove = nullptr;
};

// Builds window's menu bar (ﾌｧｲﾙ, ﾂｰﾙ, ﾍﾙﾌﾟ) and, in its hidden holder
// "nameNotDisplay", the list's pop-up and the tray menu. Every menu and
// entry carries its name as objectName; the bar's and the tray's entries
// call run with their command. The pop-up's entries are left to the window.
// F10 opens the bar; 閉じる and ｵﾌﾟｼｮﾝ carry the desktop's keys for closing
// and for preferences.
MessengerMenus buildMessengerMenus(QMainWindow *window, const std::function<void(MenuCommand)> &run);
