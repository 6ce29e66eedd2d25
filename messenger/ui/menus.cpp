// The menu bar, the tray menu and the user list's pop-up, and what their
// entries do: stay-on-top, close, the tool windows, the hosts files, the
// control-panel counterparts, the network identity box and the peer requests.
#include "frm_pelwickUDP.h"

#include "Frm_pelwickClk.h"
#include "frm_pelwickAbt.h"
#include "frm_pelwickOpt.h"
#include "frm_pelwickPrc.h"
#include "frm_pelwickSpl.h"
#include "frm_pelwickSys.h"
#include "messagebox.h"
#include "pelwickUDP050.h"
#include "pelwickUDP080.h"
#include "userdirectory.h"
#include "userlist.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QMenuBar>
#include <QProcess>
#include <QUrl>

// One line of a menu layout: an entry, a separator, or the start or end of
// a submenu. The bar and the tray menu hold the same commands under names of
// their own, so both layouts share one command table.
struct frm_pelwickUDP::MenuEntry
{
    enum Kind { Command, Separator, Open, Close } kind;
    const char *name = nullptr;
    const char16_t *caption = nullptr;
    void (*run)(frm_pelwickUDP *) = nullptr;
};

QString NetworkIdentityText(const QString &host, const QString &ip, const QString &mac)
{
    return QLatin1String("Host\t = ") + host + QLatin1Char('\r') + QLatin1String("IP\t = ") + ip + QLatin1Char('\r')
        + QLatin1String("MAC\t = ") + mac;
}

namespace {

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

} // namespace

QMenu *frm_pelwickUDP::buildMenu(QMenu *menu, const MenuEntry *entries, int count)
{
    QList<QMenu *> open { menu };
    for (int i = 0; i < count; ++i) {
        const MenuEntry &e = entries[i];
        switch (e.kind) {
        case MenuEntry::Command: {
            QAction *action = namedAction(open.last(), e.name, QString::fromUtf16(e.caption));
            connect(action, &QAction::triggered, this, [this, run = e.run] { run(this); });
            break;
        }
        case MenuEntry::Separator: {
            QAction *action = open.last()->addSeparator();
            action->setObjectName(QLatin1String(e.name));
            action->setText(QStringLiteral("-"));
            break;
        }
        case MenuEntry::Open:
            open.append(namedMenu(open.last(), e.name, QString::fromUtf16(e.caption)));
            break;
        case MenuEntry::Close:
            open.removeLast();
            break;
        }
    }
    return menu;
}

void frm_pelwickUDP::buildMenus()
{
    using E = MenuEntry;
    auto topForm = [](frm_pelwickUDP *w) { w->menuTaskBarTopForm_Click(); };
    auto close = [](frm_pelwickUDP *w) { w->close(); };
    auto options = [](frm_pelwickUDP *w) { w->menuTaskBarOpsion_Click(); };
    auto pc = [](frm_pelwickUDP *w) { w->openToolWindow(w->m_systemWindow, [w] { return new frm_pelwickSys(w); }); };
    auto net = [](frm_pelwickUDP *w) { w->menuTaskBarNet_Click(); };
    auto process = [](frm_pelwickUDP *w) {
        w->openToolWindow(w->m_processWindow, [w] { return new frm_pelwickPrc(nullptr, w); });
    };
    auto split = [](frm_pelwickUDP *w) {
        w->openToolWindow(w->m_splitWindow, [w] { return new Frm_pelwickSpl(SplitterCaption::InPelwick, w); });
    };
    auto clock = [](frm_pelwickUDP *) { Frm_pelwickClk::ShowClock(); };
    auto network = [](frm_pelwickUDP *) { QProcess::startDetached(QStringLiteral("nm-connection-editor"), {}); };
    auto odbc = [](frm_pelwickUDP *) { QProcess::startDetached(QStringLiteral("ODBCManageDataSourcesQ5"), {}); };
    auto lmhosts = [](frm_pelwickUDP *w) { w->editSystemFile(w->m_env.lmhostsFile); };
    auto hosts = [](frm_pelwickUDP *w) { w->editSystemFile(w->m_env.hostsFile); };
    auto version
        = [](frm_pelwickUDP *w) { w->openToolWindow(w->m_aboutWindow, [w] { return new frm_pelwickAbt({}, w); }); };

    // The menu bar: its three menus, each opened at the top level.
    static const E bar[] = {
        { E::Open, "menuM01", u"ﾌｧｲﾙ" },
        { E::Open, "menuS01", u"表示" },
        { E::Command, "menuMon", u"前面表示", topForm },
        { E::Close },
        { E::Separator, "menuH0" },
        { E::Command, "menuClose", u"閉じる", close },
        { E::Close },
        { E::Open, "menuM02", u"ﾂｰﾙ" },
        { E::Command, "menuOpsion", u"ｵﾌﾟｼｮﾝ", options },
        { E::Separator, "menuH1" },
        { E::Command, "menuPC", u"PC情報", pc },
        { E::Command, "menuNet", u"Net情報", net },
        { E::Command, "menuProcess", u"ﾌﾟﾛｾｽ一覧", process },
        { E::Command, "menuSplit", u"ﾌｧｲﾙ分割", split },
        { E::Command, "menuClock", u"時計", clock },
        { E::Separator, "menuH2" },
        { E::Open, "menuControlpanel", u"ｺﾝﾄﾛｰﾙﾊﾟﾈﾙ表示" },
        { E::Command, "menuNetwork", u"ﾈｯﾄﾜｰｸ", network },
        { E::Command, "menuODBC", u"ODBC32", odbc },
        { E::Close },
        { E::Command, "menuLmhosts", u"Lmhostsﾌｧｲﾙ", lmhosts },
        { E::Command, "menuHosts", u"Hostsﾌｧｲﾙ", hosts },
        { E::Close },
        { E::Open, "menuHelp", u"ﾍﾙﾌﾟ" },
        { E::Command, "menuVar", u"ﾊﾞｰｼﾞｮﾝ", version },
        { E::Close },
    };
    static const E tray[] = {
        { E::Open, "menuTaskBarDsp", u"表示" },
        { E::Command, "menuTaskBarTopForm", u"前面表示", topForm },
        { E::Close },
        { E::Separator, "menuTaskBarH1" },
        { E::Open, "meniTaskBarTool", u"ﾂｰﾙ" },
        { E::Command, "menuTaskBarOpsion", u"ｵﾌﾟｼｮﾝ", options },
        { E::Close },
        { E::Separator, "menuTaskBarH2" },
        { E::Command, "menuTaskBarPC", u"PC情報", pc },
        { E::Command, "menuTaskBarNet", u"Net情報", net },
        { E::Command, "menuTaskBarProcess", u"ﾌﾟﾛｾｽ一覧", process },
        { E::Command, "menuTaskBarSplit", u"ﾌｧｲﾙ分割", split },
        { E::Command, "menuTaskBarClock", u"時計", clock },
        { E::Separator, "menuTaskBarH3" },
        { E::Open, "menuTaskBarControlPanel", u"ｺﾝﾄﾛｰﾙﾊﾟﾈﾙ" },
        { E::Command, "menuTaskBarNetwork", u"ﾈｯﾄﾜｰｸ", network },
        { E::Command, "menuTaskBarOdbc", u"ODBC32", odbc },
        { E::Close },
        { E::Command, "menuTaskBarLmhosts", u"Lmhostsﾌｧｲﾙ", lmhosts },
        { E::Command, "menuTaskBarHosts", u"Hostsﾌｧｲﾙ", hosts },
        { E::Separator, "menuTaskBarH4" },
        { E::Command, "menuTaskBarVar", u"ﾊﾞｰｼﾞｮﾝ", version },
        { E::Command, "menuTaskBarClose", u"閉じる", close },
    };
    // The bar's menus hang off the bar itself.
    QMenuBar *menus = menuBar();
    for (int i = 0; i < int(std::size(bar)); ++i) {
        int end = i + 1;
        for (int depth = 1; depth > 0; ++end)
            depth += bar[end].kind == E::Open ? 1 : bar[end].kind == E::Close ? -1 : 0;
        QMenu *top = menus->addMenu(QString::fromUtf16(bar[i].caption));
        top->setObjectName(QLatin1String(bar[i].name));
        buildMenu(top, bar + i + 1, end - i - 2);
        i = end - 1;
    }

    // Holder of the two pop-up menus; never shown in the bar.
    QMenu *nameNotDisplay = menus->addMenu(QStringLiteral("NotDisplay"));
    nameNotDisplay->setObjectName(QStringLiteral("nameNotDisplay"));
    nameNotDisplay->menuAction()->setVisible(false);

    menuListUser = namedMenu(nameNotDisplay, "menuListUser", QStringLiteral("ListUser左ｸﾘｯｸ"));
    menuListUserLanCheck = namedAction(menuListUser, "menuListUserLanCheck", QStringLiteral("接続確認"));
    QMenu *gameMenu = namedMenu(menuListUser, "menuGame", QStringLiteral("ｹﾞｰﾑ"));
    menuGame = gameMenu->menuAction();
    menuGame->setCheckable(true);
    menuGame_Gomoku = namedAction(gameMenu, "menuGame_Gomoku", QStringLiteral("五目並べ"));
    menuGame_Osero = namedAction(gameMenu, "menuGame_Osero", QStringLiteral("オセロ"));
    menuRemove = namedAction(menuListUser, "menuRemove", QStringLiteral("相互のＰＣからIP情報を消去"));
    connect(menuListUserLanCheck, &QAction::triggered, this, &frm_pelwickUDP::menuListUserLanCheck_Click);
    connect(menuGame_Gomoku, &QAction::triggered, this, [this] { requestGame(QStringLiteral("01")); });
    connect(menuGame_Osero, &QAction::triggered, this, [this] { requestGame(QStringLiteral("02")); });
    connect(menuRemove, &QAction::triggered, this, &frm_pelwickUDP::menuRemove_Click);

    menuTaskBar
        = buildMenu(namedMenu(nameNotDisplay, "menuTaskBar", QStringLiteral("ﾀｽｸﾊﾞｰ用")), tray, int(std::size(tray)));
    menuMon = findChild<QAction *>(QStringLiteral("menuMon"));
    menuTaskBarTopForm = findChild<QAction *>(QStringLiteral("menuTaskBarTopForm"));
    menuMon->setCheckable(true);
    menuTaskBarTopForm->setCheckable(true);
}

void frm_pelwickUDP::openToolWindow(QPointer<QWidget> &window, const std::function<QWidget *()> &create)
{
    if (!window) {
        window = create();
        window->setAttribute(Qt::WA_DeleteOnClose);
        window->setWindowFlag(Qt::Window);
    }
    window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    window->show();
    window->raise();
    window->activateWindow();
}

void frm_pelwickUDP::menuTaskBarTopForm_Click()
{
    LocalSettings &settings = localSettings();
    settings.FormTop = !settings.FormTop;
    menuMon->setChecked(settings.FormTop);
    menuTaskBarTopForm->setChecked(settings.FormTop);
    SetTopmost(settings.FormTop, this);
}

void frm_pelwickUDP::menuTaskBarOpsion_Click()
{
    SetTopmost(false, this);
    if (showOptionsDialog())
        m_session->announce();
    SetTopmost(localSettings().FormTop, this);
}

bool frm_pelwickUDP::showOptionsDialog()
{
    // The edited directory replaces the list; nobody is heard from yet.
    UserDirectory *directory = m_session->directory();
    frm_pelwickOpt dialog(
        localSettings(), directory->entries(),
        [directory](const QList<DirectoryEntry> &entries) { directory->setEntries(entries); }, m_env.appName,
        m_env.settingsDirectory, m_env.dialogs, this);
    if (m_env.dialogHook)
        m_env.dialogHook(&dialog);
    else
        dialog.exec();
    return SettingsApplied;
}

void frm_pelwickUDP::menuTaskBarNet_Click()
{
    SetTopmost(false, this);
    const MessageSink show = [this](const QString &message) { ShowMessageBox({ this, message, windowTitle() }); };
    // A lone CR does not break a line in Qt's labels.
    QString text = NetworkIdentityText(QueryLocalHostName(show), QueryLocalIpAddress(show), QueryAdapterMac());
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    ShowMessageBox({ this, text, windowTitle() });
    SetTopmost(localSettings().FormTop, this);
}

void frm_pelwickUDP::editSystemFile(const QString &path)
{
    if (IsWindowsNT())
        return;
    if (!QFileInfo::exists(path)) {
        ShowMessageBox({ this, path + QStringLiteral("は存在しません。"), windowTitle() });
        return;
    }
    if (m_env.openFile)
        m_env.openFile(path);
    else
        QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

void frm_pelwickUDP::menuListUserLanCheck_Click()
{
    m_session->checkConnections();
}

void frm_pelwickUDP::menuRemove_Click()
{
    const auto answer = ShowMessageBox({ this, QStringLiteral("削除してもよろしいですか"), windowTitle(),
        QMessageBox::Yes | QMessageBox::No, QMessageBox::Question, QMessageBox::No });
    if (answer != QMessageBox::Yes)
        return;
    m_session->sendRemovalRequest(m_listUser->selectedRows());
    ShowStatus(QStringLiteral("相手に自分の情報を消去する様に要求しました"));
    const int current = m_listUser->currentSelectedRow();
    if (current >= 0)
        m_session->directory()->removeRow(current);
}
