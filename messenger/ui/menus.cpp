// The menu bar, the tray menu and the user list's pop-up: stay-on-top,
// close, the tool windows, the hosts files, the control-panel counterparts,
// the network identity box and the peer requests.
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
#include "userlist.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QProcess>
#include <QUrl>

namespace {

// Opens a tool window, or brings up the one already open.
template<typename Window, typename Factory>
void bringUp(QPointer<Window> &window, Factory create)
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

} // namespace

QString NetworkIdentityText(const QString &host, const QString &ip, const QString &mac)
{
    return QLatin1String("Host\t = ") + host + QLatin1Char('\r') + QLatin1String("IP\t = ") + ip + QLatin1Char('\r')
        + QLatin1String("MAC\t = ") + mac;
}

void frm_pelwickUDP::connectMenus()
{
    auto on = [this](const char *name, auto handler) {
        if (auto *action = findChild<QAction *>(QLatin1String(name)))
            connect(action, &QAction::triggered, this, handler);
    };
    // Entries of the menu bar call the tray entries' handlers.
    on("menuMon", [this] { menuTaskBarTopForm_Click(); });
    on("menuTaskBarTopForm", [this] { menuTaskBarTopForm_Click(); });
    on("menuClose", [this] { close(); });
    on("menuTaskBarClose", [this] { close(); });
    on("menuOpsion", [this] { menuTaskBarOpsion_Click(); });
    on("menuTaskBarOpsion", [this] { menuTaskBarOpsion_Click(); });
    on("menuPC", [this] { menuTaskBarPC_Click(); });
    on("menuTaskBarPC", [this] { menuTaskBarPC_Click(); });
    on("menuNet", [this] { menuTaskBarNet_Click(); });
    on("menuTaskBarNet", [this] { menuTaskBarNet_Click(); });
    on("menuProcess", [this] { menuTaskBarProcess_Click(); });
    on("menuTaskBarProcess", [this] { menuTaskBarProcess_Click(); });
    on("menuSplit", [this] { menuTaskBarSplit_Click(); });
    on("menuTaskBarSplit", [this] { menuTaskBarSplit_Click(); });
    on("menuClock", [this] { Frm_pelwickClk::ShowClock(); });
    on("menuTaskBarClock", [this] { Frm_pelwickClk::ShowClock(); });
    on("menuNetwork", [this] { startControlPanel(QStringLiteral("nm-connection-editor")); });
    on("menuTaskBarNetwork", [this] { startControlPanel(QStringLiteral("nm-connection-editor")); });
    on("menuODBC", [this] { startControlPanel(QStringLiteral("ODBCManageDataSourcesQ5")); });
    on("menuTaskBarOdbc", [this] { startControlPanel(QStringLiteral("ODBCManageDataSourcesQ5")); });
    on("menuLmhosts", [this] { editSystemFile(m_env.lmhostsFile); });
    on("menuTaskBarLmhosts", [this] { editSystemFile(m_env.lmhostsFile); });
    on("menuHosts", [this] { editSystemFile(m_env.hostsFile); });
    on("menuTaskBarHosts", [this] { editSystemFile(m_env.hostsFile); });
    on("menuVar", [this] { menuTaskBarVar_Click(); });
    on("menuTaskBarVar", [this] { menuTaskBarVar_Click(); });
    on("menuListUserLanCheck", [this] { menuListUserLanCheck_Click(); });
    on("menuRemove", [this] { menuRemove_Click(); });
}

void frm_pelwickUDP::menuTaskBarTopForm_Click()
{
    m_settings.FormTop = !m_settings.FormTop;
    menuMon->setChecked(m_settings.FormTop);
    menuTaskBarTopForm->setChecked(m_settings.FormTop);
    SetTopmost(m_settings.FormTop, this);
}

void frm_pelwickUDP::menuTaskBarOpsion_Click()
{
    SetTopmost(false, this);
    if (showOptionsDialog())
        PerformKind(QLatin1String(MessageKind::Announce));
    SetTopmost(m_settings.FormTop, this);
}

bool frm_pelwickUDP::showOptionsDialog()
{
    frm_pelwickOpt dialog(
        m_settings, directoryEntries(),
        [this](const QList<DirectoryEntry> &directory) {
            // The edited directory replaces the list; nobody is heard from yet.
            m_listUser->clearRows();
            for (const DirectoryEntry &entry : directory)
                m_listUser->SetUserMark(entry.UserName, entry.UserIpAddr, PresenceMark::NotHeard);
        },
        m_env.appName, m_env.settingsDirectory, m_env.dialogs, this);
    if (m_env.dialogHook)
        m_env.dialogHook(&dialog);
    else
        dialog.exec();
    return SettingsApplied;
}

void frm_pelwickUDP::menuTaskBarPC_Click()
{
    bringUp(m_systemWindow, [this] { return new frm_pelwickSys(this); });
}

void frm_pelwickUDP::menuTaskBarNet_Click()
{
    SetTopmost(false, this);
    const MessageSink show = [this](const QString &message) { ShowMessageBox({ this, message, windowTitle() }); };
    const QString text = NetworkIdentityText(QueryLocalHostName(show), QueryLocalIpAddress(show), QueryAdapterMac());
    // A lone CR does not break a line in Qt's labels.
    QString shown = text;
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    ShowMessageBox({ this, shown, windowTitle() });
    SetTopmost(m_settings.FormTop, this);
}

void frm_pelwickUDP::menuTaskBarProcess_Click()
{
    bringUp(m_processWindow, [this] { return new frm_pelwickPrc(nullptr, this); });
}

void frm_pelwickUDP::menuTaskBarSplit_Click()
{
    bringUp(m_splitWindow, [this] { return new Frm_pelwickSpl(SplitterCaption::InPelwick, this); });
}

void frm_pelwickUDP::menuTaskBarVar_Click()
{
    bringUp(m_aboutWindow, [this] { return new frm_pelwickAbt({}, this); });
}

void frm_pelwickUDP::startControlPanel(const QString &program)
{
    // A missing or failing tool is not reported.
    QProcess::startDetached(program, {});
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
    m_listUser->SetAllMarks(PresenceMark::NotHeard);
    PerformKind(QLatin1String(MessageKind::Announce));
}

void frm_pelwickUDP::menuRemove_Click()
{
    const auto answer = ShowMessageBox({ this, QStringLiteral("削除してもよろしいですか"), windowTitle(),
                                         QMessageBox::Yes | QMessageBox::No, QMessageBox::Question, QMessageBox::No });
    if (answer != QMessageBox::Yes)
        return;
    PerformKind(QLatin1String(MessageKind::RemovalRequest));
    ShowStatus(QStringLiteral("相手に自分の情報を消去する様に要求しました"));
    QTreeWidgetItem *current = m_listUser->currentItem();
    if (current && current->isSelected())
        m_listUser->removeRow(current);
}

void frm_pelwickUDP::sendRemovalRequest()
{
    const QByteArray request = ownDatagram(MessageKind::RemovalRequest, QString());
    for (int i = 0; i < m_listUser->rowCount(); ++i) {
        const QTreeWidgetItem *row = m_listUser->row(i);
        if (!row->isSelected() || row->text(UserListView::MarkColumn) != PresenceMark::HeardFrom)
            continue;
        if (!sendTo(row->text(UserListView::AddressColumn), request)) {
            ShowStatus(QStringLiteral("送信に失敗しました。"));
            return;
        }
    }
}
