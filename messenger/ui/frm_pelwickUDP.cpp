#include "frm_pelwickUDP.h"
#include "instanceactivation.h"
#include "logcategories.h"
#include "messagelog.h"
#include "windowplacement.h"

#include "Frm_pelwickPlp.h"
#include "arrivalcues.h"
#include "arrivalsound.h"
#include "cp932.h"
#include "datagram.h"
#include "desktopnotifier.h"
#include "gameprograms.h"
#include "gamerelay.h"
#include "messagebox.h"
#include "notificationpacer.h"
#include "peerpresence.h"
#include "pelwickversion.h"
#include "sessionstorage.h"
#include "settingsmapping.h"
#include "trayicon.h"
#include "userdirectory.h"
#include "userlist.h"
#include "windowhelpers.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QStatusBar>
#include <QTime>
#include <QTimer>
#include <QVBoxLayout>

namespace {

// How long a window's place must hold still before it is written.
constexpr int PlacementSettleMs = 1000;

} // namespace

frm_pelwickUDP::frm_pelwickUDP(const MessengerEnvironment &environment, QWidget *parent)
    : QMainWindow(parent)
    , m_env(environment)
{
    setObjectName(QStringLiteral("frm_pelwickUDP"));
    m_session = new MessengerSession(m_env, m_env.games, this);
    if (!m_env.notifier)
        m_env.notifier = new FreedesktopNotifier(m_env.appName, this);
    connect(m_env.notifier, &DesktopNotifier::activated, this, &frm_pelwickUDP::restoreToFront);
    m_notices = new NotificationPacer(this);
    connect(m_notices, &NotificationPacer::notify, m_env.notifier, &DesktopNotifier::show);
    if (!m_env.trayPresence)
        m_env.trayPresence = new SystemTrayPresence(this);
    connect(m_env.trayPresence, &TrayPresence::availabilityChanged, this, &frm_pelwickUDP::trayAvailabilityChanged);
    buildControls();
    buildMenus();
    connectSession();
    // The window's place is written once a move or resize has settled.
    m_placementSettles = new QTimer(this);
    m_placementSettles->setSingleShot(true);
    m_placementSettles->setInterval(PlacementSettleMs);
    connect(m_placementSettles, &QTimer::timeout, this, &frm_pelwickUDP::storeWindowPlacement);
}

frm_pelwickUDP::~frm_pelwickUDP() = default;

void frm_pelwickUDP::buildControls()
{
    auto *central = new QWidget(this);
    auto *layout = new QVBoxLayout(central);

    auto *label1 = new QLabel(tr("送 信 先"), central);
    label1->setObjectName(QStringLiteral("Label1"));
    m_listUser = new UserListView(m_session->directory(), central);

    m_txtS = new QPlainTextEdit(central);
    m_txtS->setObjectName(QStringLiteral("txtS"));
    m_txtS->setTabChangesFocus(true);

    auto *cmdSend = new QPushButton(tr("送     信     "), central);
    cmdSend->setObjectName(QStringLiteral("CmdSend"));
    auto *cmdClear = new QPushButton(tr("消去"), central);
    cmdClear->setObjectName(QStringLiteral("CmdClear"));

    auto *label3 = new QLabel(tr("送受信履歴"), central);
    label3->setObjectName(QStringLiteral("Label3"));
    m_txtR = new MessageLogView(central);

    // What a screen reader says for each control: the caption beside it
    // without the spaces that only spread it out.
    label1->setBuddy(m_listUser);
    m_listUser->setAccessibleName(tr("送信先"));
    m_txtS->setAccessibleName(tr("送信メッセージ"));
    cmdSend->setAccessibleName(tr("送信"));
    label3->setBuddy(m_txtR);
    m_txtR->setAccessibleName(label3->text());

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(cmdSend, 1);
    buttons->addWidget(cmdClear);

    layout->addWidget(label1);
    layout->addWidget(m_listUser, 3);
    layout->addWidget(m_txtS, 2);
    layout->addLayout(buttons);
    layout->addWidget(label3);
    layout->addWidget(m_txtR, 4);
    setCentralWidget(central);

    auto *statusBar = new QStatusBar(this);
    statusBar->setObjectName(QStringLiteral("StatusBar"));
    m_statusPanel = new QLabel(statusBar);
    m_statusPanel->setObjectName(QStringLiteral("StatusBarPanel1"));
    m_statusPanel->setAccessibleName(tr("状態"));
    // A long status is cut at the window's edge (the whole text is its tool
    // tip) rather than widening the window past the screen.
    m_statusPanel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    statusBar->addWidget(m_statusPanel, 1);
    // Stays while something cannot be kept, whatever the first panel says
    // meanwhile.
    m_keepingPanel = new QLabel(statusBar);
    m_keepingPanel->setObjectName(QStringLiteral("StatusBarPanel2"));
    m_keepingPanel->hide();
    statusBar->addPermanentWidget(m_keepingPanel);
    setStatusBar(statusBar);

    resize(360, 520);

    connect(cmdSend, &QPushButton::clicked, this, &frm_pelwickUDP::CmdSend_Click);
    connect(cmdClear, &QPushButton::clicked, this, &frm_pelwickUDP::CmdClear_Click);
    connect(m_listUser, &UserListView::rightButtonPressed, this, &frm_pelwickUDP::ListUser_RightPress);
}

void frm_pelwickUDP::connectSession()
{
    connect(m_session, &MessengerSession::statusChanged, this, &frm_pelwickUDP::ShowStatus);
    connect(m_session, &MessengerSession::logAppended, m_txtR, &MessageLogView::appendBlock);
    connect(m_session, &MessengerSession::boxRequested, this, &frm_pelwickUDP::showSessionBox);
    connect(m_session, &MessengerSession::messageArrived, this, &frm_pelwickUDP::messageArrived);
    connect(m_session, &MessengerSession::gameStateChanged, this, &frm_pelwickUDP::updateGameMenu);
    connect(m_session->storage(), &SessionStorage::keepingChanged, this, &frm_pelwickUDP::showKeepingProblem);
}

bool frm_pelwickUDP::Form_Load()
{
    // 1. One messenger per user. The running one is asked to come to the
    // front, so the user finds it wherever it was (tray, minimised, behind).
    const QString runtimeDirectory = m_session->environment().runtimeDirectory;
    if (!m_session->storage()->lockInstance()) {
        InstanceActivation::request(runtimeDirectory, m_env.appName, m_env.activationToken);
        // Where a desktop will not bring it forward (Wayland without an
        // activation token), the user is told where to look.
        MessageBoxRequest box { this, tr("既に起動されています。"), caption() };
        box.detail = tr("ﾀｽｸﾊﾞｰか通知領域の「ペルウィック」から表示できます。");
        ShowMessageBox(box);
        return false;
    }
    m_activation = new InstanceActivation(runtimeDirectory, m_env.appName, this);
    connect(m_activation, &InstanceActivation::activationRequested, this, &frm_pelwickUDP::activationRequested);
    m_activation->listen();

    // 2. Caption with the version.
    setWindowTitle(caption());

    // 3. This window now counts as started.
    m_loaded = true;
    m_loading = true;
    const auto loadingEnds = qScopeGuard([this] { m_loading = false; });

    // 4, 5. Game menu unchecked; the entries hidden on NT are offered here.
    m_menus.menuGame->setChecked(false);
    const bool offerLegacyTools = !IsWindowsNT();
    for (const char *name : { "menuProcess", "menuTaskBarProcess", "menuControlpanel", "menuTaskBarControlPanel",
             "menuLmhosts", "menuTaskBarLmhosts", "menuHosts", "menuTaskBarHosts" }) {
        if (auto *action = findChild<QAction *>(QLatin1String(name)))
            action->setVisible(offerLegacyTools);
    }

    // 6. Settings and the stored directory; the log continues the kept
    // conversation.
    LoadOrSaveSettings(SettingsTransfer::Load);
    m_txtR->appendBlock(m_session->keptConversation());
    // A stored name that cannot travel as written is used as it is; the user
    // learns of it once and mends it in the options.
    if (!unusableUserNameParts(localSettings().UserName).isEmpty())
        ShowStatus(tr("使用者氏名に使えない文字が含まれています"));

    // 7. Stay on top as stored.
    SetTopmost(localSettings().FormTop, this);
    m_menus.menuMon->setChecked(localSettings().FormTop);
    m_menus.menuTaskBarTopForm->setChecked(localSettings().FormTop);

    // 8. The socket, on Port for both ends.
    m_session->openSocket();

    // 9. Without a user name the options come first; the announcement then
    // carries the name the dialog stored.
    if (localSettings().UserName.isEmpty())
        showOptionsDialog();
    // Told to end while the dialog was open: the program ends here, never
    // half started.
    if (m_terminationRequested) {
        Form_Unload();
        return false;
    }

    // The game link, under the program's own name.
    m_session->openLink();

    // 10. Announce presence to every listed user and every subnet, from the
    // event loop once the window is up: on a crowded network the answers
    // then find the window idle and the socket's reader a free processor,
    // rather than arriving while the window is still being built.
    QTimer::singleShot(0, this, [this] {
        if (!m_unloaded)
            m_session->presence()->announce(true);
    });

    // 11. The notification-area icon.
    trayIcon(TrayIconAction::Set);
    return true;
}

QString frm_pelwickUDP::caption()
{
    return tr("ペルウィック Ver.%1.%2.%3")
        .arg(PelwickVersion::Major)
        .arg(PelwickVersion::Minor)
        .arg(PelwickVersion::Revision);
}

void frm_pelwickUDP::requestTermination()
{
    m_terminationRequested = true;
    closeModalWindows();
    // A load waiting in a dialog ends itself once the dialog has returned.
    if (!m_loading)
        close();
}

void frm_pelwickUDP::Form_Unload()
{
    if (!m_loaded || m_unloaded)
        return;
    m_unloaded = true;
    m_placementSettles->stop();
    LoadOrSaveSettings(SettingsTransfer::Save);
    m_session->presence()->sayGoodbye();
    // Without a display the tray icon went with it.
    if (!m_displayLost)
        trayIcon(TrayIconAction::Reset);
    m_session->game()->endGameProgram();
    m_session->closeSocket();
    delete std::exchange(m_activation, nullptr);
    m_session->storage()->unlockInstance();
    emit unloaded();
}

void frm_pelwickUDP::displayLost()
{
    qCDebug(lcDesktop) << "the display went away: the messenger unloads without the window system";
    m_displayLost = true;
    Form_Unload();
}

void frm_pelwickUDP::moveEvent(QMoveEvent *event)
{
    QMainWindow::moveEvent(event);
    if (m_loaded && !m_unloaded && isVisible())
        m_placementSettles->start();
}

void frm_pelwickUDP::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    if (m_loaded && !m_unloaded && isVisible())
        m_placementSettles->start();
}

void frm_pelwickUDP::storeWindowPlacement()
{
    if (!m_loaded || m_unloaded || isMinimized() || isHidden())
        return;
    if (const auto place = windowPlaceOf(this))
        m_session->storage()->saveWindowPlace(*place);
}

void frm_pelwickUDP::storeLocalSettings()
{
    if (!m_loaded || m_unloaded)
        return;
    m_session->storage()->saveLocalSettings(localSettings());
}

void frm_pelwickUDP::closeEvent(QCloseEvent *event)
{
    Form_Unload();
    event->accept();
}

void frm_pelwickUDP::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange)
        return;
    if (isMinimized()) {
        hideToTrayIfMinimised();
    } else {
        m_env.trayPresence->setWatching(false);
        m_txtS->setFocus();
    }
}

void frm_pelwickUDP::LoadOrSaveSettings(SettingsTransfer transfer)
{
    if (transfer == SettingsTransfer::Save) {
        m_session->saveSettings(windowPlaceOf(this));
        return;
    }
    applyWindowPlace(m_session->storage()->windowPlace(), this);
    const SettingsNotices notices = m_session->loadSettings();
    QStringList said;
    if (notices.portInvalid)
        said.append(tr("設定ﾌｧｲﾙのﾎﾟｰﾄ番号が正しくないため %1 を使います。").arg(localSettings().Port));
    if (notices.ipAddrInvalid)
        said.append(tr("設定ﾌｧｲﾙのIPｱﾄﾞﾚｽが正しくないため自動で選びます。"));
    // A file that could not be read, or whose directory count was wrong, was
    // kept aside and what was made of it written anew (SessionStorage).
    if (notices.keptAside && notices.unreadable)
        said.append(tr("設定ﾌｧｲﾙを読めなかったため、別名で保存して初期値で起動しました。"));
    else if (notices.keptAside && notices.countDamaged)
        said.append(tr("設定ﾌｧｲﾙの使用者一覧に欠けがあったため、読めた分を使い、元のﾌｧｲﾙは別名で残しました。"));
    if (!said.isEmpty())
        ShowStatus(said.join(QLatin1Char(' ')));
}

void frm_pelwickUDP::ShowStatus(const QString &text)
{
    // What a start mends or fails at is said together: a later status of
    // the same start must not replace an earlier one before anyone could
    // read it.
    const QString shown = m_statusPanel->text();
    if (m_loading && !text.isEmpty() && !shown.isEmpty() && !shown.contains(text))
        m_statusPanel->setText(shown + QLatin1Char(' ') + text);
    else
        m_statusPanel->setText(text);
    m_statusPanel->setToolTip(m_statusPanel->text());
}

QString frm_pelwickUDP::keepingText() const
{
    return m_keepingPanel->text();
}

void frm_pelwickUDP::showKeepingProblem()
{
    const QString problem = m_session->storage()->keepingProblem();
    m_keepingPanel->setText(problem);
    m_keepingPanel->setVisible(!problem.isEmpty());
    // Seen also while the window waits in the tray.
    if (PelwickTrayIcon *icon = findTrayIcon(this))
        icon->icon()->setToolTip(
            PelwickTrayIcon::tipText() + (problem.isEmpty() ? QString() : QLatin1Char('\n') + problem));
}

QString frm_pelwickUDP::statusText() const
{
    return m_statusPanel->text();
}

void frm_pelwickUDP::CmdSend_Click()
{
    ShowStatus(QString());
    if (trimSpaces(m_txtS->toPlainText()).isEmpty()) {
        ShowStatus(tr("送信メッセージを入力して下さい。"));
        m_txtS->setFocus();
        return;
    }
    const QList<int> rows = m_listUser->selectedRows();
    if (rows.isEmpty()) {
        ShowStatus(tr("送信先の相手を選択して下さい。"));
        m_listUser->setFocus();
        return;
    }
    // Characters code page 932 cannot carry would arrive as '?': the user
    // changes the text rather than have it altered on the way.
    const QStringList unsendable = Cp932::unencodable(m_txtS->toPlainText());
    if (!unsendable.isEmpty()) {
        ShowMessageBox(
            { this, tr("送信できない文字が含まれています: ") + unsendable.join(u' '), windowTitle() });
        m_txtS->setFocus();
        return;
    }
    if (m_session->sendMessage(m_txtS->toPlainText(), rows) != MessengerSession::SendResult::Sent)
        return;
    m_txtS->clear();
    m_txtS->setFocus();
}

void frm_pelwickUDP::CmdClear_Click()
{
    m_txtR->clearLog();
}

QString frm_pelwickUDP::logText() const
{
    return m_txtR->logText();
}

void frm_pelwickUDP::menuGame_Gomoku_Click()
{
    askSelectedUserForGame(GameIds::Gomoku);
}

void frm_pelwickUDP::menuGame_Osero_Click()
{
    askSelectedUserForGame(GameIds::Othello);
}

void frm_pelwickUDP::askSelectedUserForGame(const QString &gameId)
{
    int row = m_listUser->currentIndex().row();
    if (row < 0 && !m_listUser->selectedRows().isEmpty())
        row = m_listUser->selectedRows().first();
    m_session->game()->requestGame(gameId, row);
}

void frm_pelwickUDP::showSessionBox(const QString &text)
{
    ShowMessageBox({ this, text, windowTitle() });
    m_session->boxClosed();
}

void frm_pelwickUDP::messageArrived(const ParsedDatagram &datagram)
{
    const bool inView = !isHidden() && !isMinimized() && isActiveWindow();
    const ArrivalCues cues
        = arrivalCues(datagram, localSettings(), inView, windowsComeForwardByThemselves(), QTime::currentTime());
    // As fast as a person reads: a burst from one sender becomes one
    // notification.
    if (cues.notify)
        m_notices->arrived(datagram.IpAddr, datagram.UserName, cues.notificationBody);
    if (cues.beep)
        QApplication::beep();
    if (cues.bringForward)
        restoreToFront();
    if (cues.sound)
        PlayArrivalSound(localSettings().SoundFilePath, true, m_env.soundPlayer);
    if (cues.lamp)
        Frm_pelwickPlp::showLamp();
}

void frm_pelwickUDP::restoreToFront()
{
    bringForward();
}

void frm_pelwickUDP::activationRequested(const QString &token)
{
    if (!m_loaded || m_unloaded)
        return;
    bringForward(token);
}

void frm_pelwickUDP::bringForward(const QString &activationToken)
{
    bringToFront(this, activationToken);
    SetTopmost(true, this);
    SetTopmost(localSettings().FormTop, this);
    bringModalForward();
}

void frm_pelwickUDP::bringModalForward()
{
    // A window that comes back while its dialog stays behind takes no input:
    // the dialog comes too, on top, with the focus.
    QWidget *modal = QApplication::activeModalWidget();
    if (!modal || modal == this)
        return;
    bringToFront(modal);
}

void frm_pelwickUDP::showAtStart()
{
    if (!m_env.startedAtLogin) {
        show();
        return;
    }
    // A login start stays out of the way: in the tray, or minimised where
    // there is none, so it is never out of reach.
    if (findTrayIcon(this) && m_env.trayPresence->available()) {
        m_env.trayPresence->setWatching(true);
        return;
    }
    qCDebug(lcDesktop) << "login start without a notification area: the window starts minimised";
    showMinimized();
}

void frm_pelwickUDP::trayAvailabilityChanged(bool available)
{
    // The notification area went away (the panel restarted, the tray host
    // quit) while the window was hidden in it: nothing else could bring it
    // back, so it comes back at once.
    if (available || !m_loaded || m_unloaded || !isHidden())
        return;
    qCDebug(lcDesktop) << "the notification area went away while the window was hidden in it: the window comes back";
    m_env.trayPresence->setWatching(false);
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
}

void frm_pelwickUDP::updateGameMenu()
{
    const bool playing = m_session->game()->state() == GameState::Playing;
    m_menus.menuGame->setChecked(playing);
    m_menus.menuGame->setVisible(!playing);
}

void frm_pelwickUDP::trayIcon(TrayIconAction action)
{
    if (action == TrayIconAction::Set && !m_env.trayPresence->available())
        qCDebug(lcDesktop) << "no notification area now: the tray icon shows once there is one";
    PelwickTrayIcon *icon = TrayIcon(action, this, m_menus.menuTaskBar);
    if (icon) {
        // A second Set returns the icon already there: connect it once.
        disconnect(icon, &PelwickTrayIcon::restoreRequested, this, nullptr);
        connect(icon, &PelwickTrayIcon::restoreRequested, this, [this] {
            restoreFromTray(this, localSettings().FormTop);
            bringModalForward();
        });
        showKeepingProblem();
    }
}

void frm_pelwickUDP::hideToTrayIfMinimised()
{
    // Only a desktop with a notification area gets the window back from an
    // icon; elsewhere the window stays minimised and reachable.
    // Nor while a dialog or box of it is open: hidden, the window would
    // leave the dialog stranded, and the tray icon takes no clicks then.
    if (!isMinimized() || !findTrayIcon(this) || QApplication::activeModalWidget())
        return;
    if (!m_env.trayPresence->available()) {
        qCDebug(lcDesktop) << "minimised without a notification area: the window stays in the task bar";
        return;
    }
    QTimer::singleShot(0, this, [this] {
        if (isMinimized() && m_env.trayPresence->available() && !QApplication::activeModalWidget()) {
            hide();
            m_env.trayPresence->setWatching(true);
        }
    });
}

void frm_pelwickUDP::ListUser_RightPress(const QPoint &globalPos)
{
    const int row = m_listUser->currentSelectedRow();
    if (row < 0)
        return;
    if (m_session->directory()->mark(row) != PresenceMark::HeardFrom) {
        m_menus.menuGame->setVisible(false);
        m_menus.menuRemove->setVisible(false);
    } else {
        m_menus.menuRemove->setVisible(true);
        const bool gomoku = m_session->game()->gameProgramExists(gameProgramName(GameIds::Gomoku));
        const bool othello = m_session->game()->gameProgramExists(gameProgramName(GameIds::Othello));
        m_menus.menuGame->setVisible(gomoku || othello);
        m_menus.menuGame_Gomoku->setVisible(gomoku);
        m_menus.menuGame_Osero->setVisible(othello);
    }
    if (m_popupHook)
        m_popupHook(m_menus.menuListUser);
    else
        m_menus.menuListUser->popup(globalPos);
}
