// The menu bar, the tray menu and the user list's pop-up, and what their
// entries do: stay-on-top, close, the tool windows, the hosts files, the
// control-panel counterparts, the network identity box and the peer requests.
#include "frm_pelwickUDP.h"

#include "Frm_pelwickClk.h"
#include "autostartentry.h"
#include "desktopidentity.h"
#include "frm_pelwickAbt.h"
#include "frm_pelwickOpt.h"
#include "frm_pelwickPrc.h"
#include "frm_pelwickSpl.h"
#include "frm_pelwickSys.h"
#include "messagebox.h"
#include "messengermenus.h"
#include "windowhelpers.h"
#include "networkidentity.h"
#include "peerpresence.h"
#include "sessionstorage.h"
#include "userdirectory.h"
#include "userlist.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QProcess>
#include <QUrl>

namespace {

// Said when a tool entry could not open its file or program.
const char *const CouldNotOpen = QT_TRANSLATE_NOOP("frm_pelwickUDP", "開けませんでした: ");

} // namespace

void frm_pelwickUDP::buildMenus()
{
    m_menus = buildMessengerMenus(this, [this](MenuCommand command) { runCommand(command); });
    connect(m_menus.menuListUserLanCheck, &QAction::triggered, this, &frm_pelwickUDP::menuListUserLanCheck_Click);
    connect(m_menus.menuGame_Gomoku, &QAction::triggered, this, &frm_pelwickUDP::menuGame_Gomoku_Click);
    connect(m_menus.menuGame_Osero, &QAction::triggered, this, &frm_pelwickUDP::menuGame_Osero_Click);
    connect(m_menus.menuRemove, &QAction::triggered, this, &frm_pelwickUDP::menuRemove_Click);
}

void frm_pelwickUDP::runCommand(MenuCommand command)
{
    switch (command) {
    case MenuCommand::TopForm:
        return menuTaskBarTopForm_Click();
    case MenuCommand::Close:
        close();
        return;
    case MenuCommand::Options:
        return menuTaskBarOpsion_Click();
    case MenuCommand::SystemInfo:
        return openToolWindow(m_systemWindow, [this] { return new frm_pelwickSys(this); });
    case MenuCommand::NetIdentity:
        return menuTaskBarNet_Click();
    case MenuCommand::Processes:
        return openToolWindow(m_processWindow, [this] { return new frm_pelwickPrc(nullptr, this); });
    case MenuCommand::Split:
        return openToolWindow(m_splitWindow, [this] { return new Frm_pelwickSpl(SplitterCaption::InPelwick, this); });
    case MenuCommand::Clock:
        Frm_pelwickClk::showClock();
        return;
    case MenuCommand::Network:
        return startTool(QStringLiteral("nm-connection-editor"));
    case MenuCommand::Odbc:
        return startTool(QStringLiteral("ODBCManageDataSourcesQ5"));
    case MenuCommand::Lmhosts:
        return editSystemFile(m_env.lmhostsFile);
    case MenuCommand::Hosts:
        return editSystemFile(m_env.hostsFile);
    case MenuCommand::Version:
        return openToolWindow(m_aboutWindow, [this] {
            auto *about = new frm_pelwickAbt({}, this);
            about->setOwnSystemInformation([this] { runCommand(MenuCommand::SystemInfo); });
            return about;
        });
    }
}

void frm_pelwickUDP::openToolWindow(QPointer<QWidget> &window, const std::function<QWidget *()> &create)
{
    if (!window) {
        window = create();
        window->setAttribute(Qt::WA_DeleteOnClose);
        // A window of its own, never a dialog of the main window: the window
        // manager keeps a dialog above its owner, a tool window it does not.
        window->setWindowFlags((window->windowFlags() & ~Qt::WindowType_Mask) | Qt::Window);
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
    m_menus.menuMon->setChecked(settings.FormTop);
    m_menus.menuTaskBarTopForm->setChecked(settings.FormTop);
    SetTopmost(settings.FormTop, this);
    storeLocalSettings();
}

void frm_pelwickUDP::menuTaskBarOpsion_Click()
{
    SetTopmost(false, this);
    if (showOptionsDialog())
        m_session->presence()->announce();
    SetTopmost(localSettings().FormTop, this);
}

bool frm_pelwickUDP::showOptionsDialog()
{
    // The edited directory replaces the list; nobody is heard from yet.
    UserDirectory *directory = m_session->directory();
    // Kept through the session's storage, so a failed Apply shows in the
    // lasting status as any other failed save does.
    frm_pelwickOpt dialog(
        localSettings(), directory->entries(),
        [directory](const QList<DirectoryEntry> &entries) { directory->setEntries(entries); }, m_session->storage(),
        m_env.dialogs, this);
    dialog.setAutostart(AutostartEntry(m_env.autostartDirectory, QLatin1String(DesktopIdentity::Messenger)),
        autostartCommand());
    if (m_env.dialogHook)
        m_env.dialogHook(&dialog);
    else
        dialog.exec();
    return dialog.SettingsApplied();
}

QStringList frm_pelwickUDP::autostartCommand() const
{
    if (!m_env.autostartCommand.isEmpty())
        return m_env.autostartCommand;
    // Installed, the launcher lies in <prefix>/bin and the program in
    // <prefix>/lib/pelwick; the launcher keeps working after an upgrade
    // moves the program. A build tree has no launcher: the program itself.
    const QString program = QCoreApplication::applicationFilePath();
    const QFileInfo launcher(QCoreApplication::applicationDirPath() + QLatin1String("/../../bin/pelwick"));
    const QString start = launcher.isExecutable() ? launcher.canonicalFilePath() : program;
    return { start, QLatin1String(LoginStartArgument) };
}

void frm_pelwickUDP::menuTaskBarNet_Click()
{
    SetTopmost(false, this);
    const MessageSink show = [this](const QString &message) { ShowMessageBox({ this, message, windowTitle() }); };
    const NetworkCalls &calls = m_env.networkCalls ? *m_env.networkCalls : systemNetworkCalls();
    const QString host = QueryLocalHostName(show, calls);
    const QString address = QueryLocalIpAddress(show, calls);
    // A lone CR does not break a line in Qt's labels.
    QString text = networkIdentityText(host, address, QueryAdapterMac(address, calls));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    ShowMessageBox({ this, text, windowTitle() });
    SetTopmost(localSettings().FormTop, this);
}

void frm_pelwickUDP::editSystemFile(const QString &path)
{
    if (IsWindowsNT())
        return;
    if (!QFileInfo::exists(path)) {
        ShowMessageBox({ this, path + tr("は存在しません。"), windowTitle() });
        return;
    }
    const bool opened = m_env.openFile ? m_env.openFile(path) : QDesktopServices::openUrl(QUrl::fromLocalFile(path));
    if (!opened)
        ShowStatus(tr(CouldNotOpen) + path);
}

void frm_pelwickUDP::startTool(const QString &program)
{
    // A tool the machine lacks is named in the status bar, not in a box: the
    // entry is offered everywhere, and most desktops have only some tools.
    const bool started
        = m_env.startTool ? m_env.startTool(program) : QProcess::startDetached(program, QStringList {});
    if (!started)
        ShowStatus(tr(CouldNotOpen) + program);
}

void frm_pelwickUDP::menuListUserLanCheck_Click()
{
    m_session->presence()->checkConnections();
}

void frm_pelwickUDP::menuRemove_Click()
{
    const auto answer = ShowMessageBox({ this, tr("削除してもよろしいですか"), windowTitle(),
        QMessageBox::Yes | QMessageBox::No, QMessageBox::Question, QMessageBox::No });
    if (answer != QMessageBox::Yes)
        return;
    m_session->presence()->sendRemovalRequest(m_listUser->selectedRows());
    ShowStatus(tr("相手に自分の情報を消去する様に要求しました"));
    const int current = m_listUser->currentSelectedRow();
    if (current >= 0)
        m_session->directory()->removeRow(current);
}
