#include "frm_pelwickUDP.h"

#include "arrivalsound.h"
#include "messagebox.h"
#include "pelwickUDP050.h"
#include "pelwickUDP080.h"
#include "pelwickversion.h"
#include "settingsstore.h"
#include "userlist.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QNetworkDatagram>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QUdpSocket>
#include <QVBoxLayout>

namespace {

// The log keeps about this many characters; older message blocks go first.
constexpr int LogCharacterLimit = 4 * 1024 * 1024;

QAction *namedAction(QMenu *menu, const char *name, const QString &caption)
{
    QAction *action = menu->addAction(caption);
    action->setObjectName(QLatin1String(name));
    return action;
}

QAction *namedSeparator(QMenu *menu, const char *name)
{
    QAction *action = menu->addSeparator();
    action->setObjectName(QLatin1String(name));
    action->setText(QStringLiteral("-"));
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

frm_pelwickUDP::frm_pelwickUDP(const MessengerEnvironment &environment, QWidget *parent)
    : QMainWindow(parent), m_env(environment)
{
    setObjectName(QStringLiteral("frm_pelwickUDP"));
    m_defaultSoundPath = DefaultArrivalSoundPath();
    if (m_env.runtimeDirectory.isEmpty())
        m_env.runtimeDirectory = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (m_env.programDirectory.isEmpty())
        m_env.programDirectory = QCoreApplication::applicationDirPath();
    buildControls();
    buildMenus();
    connectMenus();
}

frm_pelwickUDP::~frm_pelwickUDP() = default;

void frm_pelwickUDP::buildControls()
{
    auto *central = new QWidget(this);
    auto *layout = new QVBoxLayout(central);

    auto *label1 = new QLabel(QStringLiteral("送 信 先"), central);
    label1->setObjectName(QStringLiteral("Label1"));
    m_listUser = new UserListView(central);

    m_txtS = new QPlainTextEdit(central);
    m_txtS->setObjectName(QStringLiteral("txtS"));
    m_txtS->setTabChangesFocus(true);

    m_cmdSend = new QPushButton(QStringLiteral("送     信     "), central);
    m_cmdSend->setObjectName(QStringLiteral("CmdSend"));
    m_cmdClear = new QPushButton(QStringLiteral("消去"), central);
    m_cmdClear->setObjectName(QStringLiteral("CmdClear"));

    auto *label3 = new QLabel(QStringLiteral("送受信履歴"), central);
    label3->setObjectName(QStringLiteral("Label3"));
    m_txtR = new QPlainTextEdit(central);
    m_txtR->setObjectName(QStringLiteral("txtR"));
    m_txtR->setReadOnly(true);
    m_txtR->setUndoRedoEnabled(false);

    // The two ends of the game link; never shown.
    m_txtDDEInput = new QLineEdit(central);
    m_txtDDEInput->setObjectName(QStringLiteral("txtDDEInput"));
    m_txtDDEInput->hide();
    m_txtDDEOutput = new QLineEdit(central);
    m_txtDDEOutput->setObjectName(QStringLiteral("txtDDEOutput"));
    m_txtDDEOutput->hide();

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_cmdSend, 1);
    buttons->addWidget(m_cmdClear);

    layout->addWidget(label1);
    layout->addWidget(m_listUser, 3);
    layout->addWidget(m_txtS, 2);
    layout->addLayout(buttons);
    layout->addWidget(label3);
    layout->addWidget(m_txtR, 4);
    setCentralWidget(central);

    m_statusBar = new QStatusBar(this);
    m_statusBar->setObjectName(QStringLiteral("StatusBar"));
    m_statusPanel = new QLabel(m_statusBar);
    m_statusPanel->setObjectName(QStringLiteral("StatusBarPanel1"));
    m_statusBar->addWidget(m_statusPanel, 1);
    setStatusBar(m_statusBar);

    resize(360, 520);

    connect(m_cmdSend, &QPushButton::clicked, this, &frm_pelwickUDP::CmdSend_Click);
    connect(m_cmdClear, &QPushButton::clicked, this, &frm_pelwickUDP::CmdClear_Click);
}

void frm_pelwickUDP::buildMenus()
{
    QMenuBar *bar = menuBar();

    QMenu *menuM01 = bar->addMenu(QStringLiteral("ﾌｧｲﾙ"));
    menuM01->setObjectName(QStringLiteral("menuM01"));
    QMenu *menuS01 = namedMenu(menuM01, "menuS01", QStringLiteral("表示"));
    menuMon = namedAction(menuS01, "menuMon", QStringLiteral("前面表示"));
    menuMon->setCheckable(true);
    namedSeparator(menuM01, "menuH0");
    namedAction(menuM01, "menuClose", QStringLiteral("閉じる"));

    QMenu *menuM02 = bar->addMenu(QStringLiteral("ﾂｰﾙ"));
    menuM02->setObjectName(QStringLiteral("menuM02"));
    namedAction(menuM02, "menuOpsion", QStringLiteral("ｵﾌﾟｼｮﾝ"));
    namedSeparator(menuM02, "menuH1");
    namedAction(menuM02, "menuPC", QStringLiteral("PC情報"));
    namedAction(menuM02, "menuNet", QStringLiteral("Net情報"));
    namedAction(menuM02, "menuProcess", QStringLiteral("ﾌﾟﾛｾｽ一覧"));
    namedAction(menuM02, "menuSplit", QStringLiteral("ﾌｧｲﾙ分割"));
    namedAction(menuM02, "menuClock", QStringLiteral("時計"));
    namedSeparator(menuM02, "menuH2");
    QMenu *menuControlpanel = namedMenu(menuM02, "menuControlpanel", QStringLiteral("ｺﾝﾄﾛｰﾙﾊﾟﾈﾙ表示"));
    namedAction(menuControlpanel, "menuNetwork", QStringLiteral("ﾈｯﾄﾜｰｸ"));
    namedAction(menuControlpanel, "menuODBC", QStringLiteral("ODBC32"));
    namedAction(menuM02, "menuLmhosts", QStringLiteral("Lmhostsﾌｧｲﾙ"));
    namedAction(menuM02, "menuHosts", QStringLiteral("Hostsﾌｧｲﾙ"));

    QMenu *menuHelp = bar->addMenu(QStringLiteral("ﾍﾙﾌﾟ"));
    menuHelp->setObjectName(QStringLiteral("menuHelp"));
    namedAction(menuHelp, "menuVar", QStringLiteral("ﾊﾞｰｼﾞｮﾝ"));

    // Holder of the two pop-up menus; never shown in the bar.
    QMenu *nameNotDisplay = bar->addMenu(QStringLiteral("NotDisplay"));
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

    connect(menuGame_Gomoku, &QAction::triggered, this, [this] { requestGame(QStringLiteral("01")); });
    connect(menuGame_Osero, &QAction::triggered, this, [this] { requestGame(QStringLiteral("02")); });
    connect(m_listUser, &UserListView::rightButtonPressed, this, &frm_pelwickUDP::ListUser_RightPress);

    menuTaskBar = namedMenu(nameNotDisplay, "menuTaskBar", QStringLiteral("ﾀｽｸﾊﾞｰ用"));
    QMenu *menuTaskBarDsp = namedMenu(menuTaskBar, "menuTaskBarDsp", QStringLiteral("表示"));
    menuTaskBarTopForm = namedAction(menuTaskBarDsp, "menuTaskBarTopForm", QStringLiteral("前面表示"));
    menuTaskBarTopForm->setCheckable(true);
    namedSeparator(menuTaskBar, "menuTaskBarH1");
    QMenu *meniTaskBarTool = namedMenu(menuTaskBar, "meniTaskBarTool", QStringLiteral("ﾂｰﾙ"));
    namedAction(meniTaskBarTool, "menuTaskBarOpsion", QStringLiteral("ｵﾌﾟｼｮﾝ"));
    namedSeparator(menuTaskBar, "menuTaskBarH2");
    namedAction(menuTaskBar, "menuTaskBarPC", QStringLiteral("PC情報"));
    namedAction(menuTaskBar, "menuTaskBarNet", QStringLiteral("Net情報"));
    namedAction(menuTaskBar, "menuTaskBarProcess", QStringLiteral("ﾌﾟﾛｾｽ一覧"));
    namedAction(menuTaskBar, "menuTaskBarSplit", QStringLiteral("ﾌｧｲﾙ分割"));
    namedAction(menuTaskBar, "menuTaskBarClock", QStringLiteral("時計"));
    namedSeparator(menuTaskBar, "menuTaskBarH3");
    QMenu *menuTaskBarControlPanel = namedMenu(menuTaskBar, "menuTaskBarControlPanel", QStringLiteral("ｺﾝﾄﾛｰﾙﾊﾟﾈﾙ"));
    namedAction(menuTaskBarControlPanel, "menuTaskBarNetwork", QStringLiteral("ﾈｯﾄﾜｰｸ"));
    namedAction(menuTaskBarControlPanel, "menuTaskBarOdbc", QStringLiteral("ODBC32"));
    namedAction(menuTaskBar, "menuTaskBarLmhosts", QStringLiteral("Lmhostsﾌｧｲﾙ"));
    namedAction(menuTaskBar, "menuTaskBarHosts", QStringLiteral("Hostsﾌｧｲﾙ"));
    namedSeparator(menuTaskBar, "menuTaskBarH4");
    namedAction(menuTaskBar, "menuTaskBarVar", QStringLiteral("ﾊﾞｰｼﾞｮﾝ"));
    namedAction(menuTaskBar, "menuTaskBarClose", QStringLiteral("閉じる"));
}

bool frm_pelwickUDP::Form_Load()
{
    // 1. One messenger per user.
    QDir().mkpath(m_env.runtimeDirectory);
    m_instanceLock = std::make_unique<QLockFile>(
        QDir(m_env.runtimeDirectory).filePath(m_env.appName + QLatin1String(".lock")));
    m_instanceLock->setStaleLockTime(0);
    if (!m_instanceLock->tryLock()) {
        m_instanceLock.reset();
        ShowMessageBox({ this, QStringLiteral("既に起動されています。"), windowTitle() });
        return false;
    }

    // 2. Caption with the version.
    setWindowTitle(QStringLiteral("ペルウィック Ver.%1.%2.%3")
                       .arg(PelwickVersion::Major)
                       .arg(PelwickVersion::Minor)
                       .arg(PelwickVersion::Revision));

    // 3. This window now counts as started.
    m_loaded = true;

    // 4, 5. Game menu unchecked; the entries hidden on NT are offered here.
    menuGame->setChecked(false);
    const bool offerLegacyTools = !IsWindowsNT();
    for (const char *name : { "menuProcess", "menuTaskBarProcess", "menuControlpanel", "menuTaskBarControlPanel",
                              "menuLmhosts", "menuTaskBarLmhosts", "menuHosts", "menuTaskBarHosts" }) {
        if (auto *action = findChild<QAction *>(QLatin1String(name)))
            action->setVisible(offerLegacyTools);
    }

    // 6. Settings and the stored directory.
    LoadOrSaveSettings(true);

    // 7. Stay on top as stored.
    SetTopmost(m_settings.FormTop, this);
    menuMon->setChecked(m_settings.FormTop);
    menuTaskBarTopForm->setChecked(m_settings.FormTop);

    // 8. The socket, on Port for both ends.
    setupSocket();

    // 9. Without a user name the options come first; the announcement then
    // carries the name the dialog stored.
    if (m_settings.UserName.isEmpty())
        showOptionsDialog();

    // The game link, under the program's own name.
    setupLink();

    // 10. Announce presence to every listed user.
    PerformKind(QLatin1String(MessageKind::Announce));

    // 11. The notification-area icon.
    trayIcon(true);
    return true;
}

void frm_pelwickUDP::Form_Unload()
{
    if (!m_loaded || m_unloaded)
        return;
    m_unloaded = true;
    LoadOrSaveSettings(false);
    PerformKind(QLatin1String(MessageKind::Goodbye));
    trayIcon(false);
    endGameProgram();
    if (m_socket)
        m_socket->close();
    m_instanceLock.reset();
    emit unloaded();
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
    if (isMinimized())
        hideToTrayIfMinimised();
    else
        m_txtS->setFocus();
}

quint16 frm_pelwickUDP::boundPort() const
{
    return m_socket ? m_socket->localPort() : 0;
}

void frm_pelwickUDP::setupSocket()
{
    if (m_env.ownAddress.isEmpty()) {
        const bool specific = m_env.bindAddress != QHostAddress(QHostAddress::AnyIPv4)
            && m_env.bindAddress != QHostAddress(QHostAddress::Any);
        m_ownAddress = specific ? m_env.bindAddress.toString() : PrimaryIpv4Address();
    } else {
        m_ownAddress = m_env.ownAddress;
    }
    // At start the remote host is the own machine.
    m_remoteHost = m_ownAddress;

    m_socket = new QUdpSocket(this);
    connect(m_socket, &QUdpSocket::readyRead, this, &frm_pelwickUDP::onReadyRead);
    connect(m_socket, &QUdpSocket::errorOccurred, this, [this](QAbstractSocket::SocketError error) {
        ShowStatus(QLatin1Char('[') + QString::number(int(error)) + QLatin1Char(']') + m_socket->errorString());
    });
    if (m_settings.Port < 1 || m_settings.Port > 65535) {
        ShowStatus(QStringLiteral("[%1]Invalid port number").arg(m_settings.Port));
        return;
    }
    if (!m_socket->bind(m_env.bindAddress, quint16(m_settings.Port))) {
        // errorOccurred has shown the reason in the status bar.
        return;
    }
    m_socket->setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, 1024 * 1024);
}

void frm_pelwickUDP::onReadyRead()
{
    // Drain everything pending: one ready-read may stand for many datagrams.
    while (m_socket->hasPendingDatagrams()) {
        const QNetworkDatagram datagram = m_socket->receiveDatagram(MaxDatagramSize);
        if (!datagram.isValid())
            break;
        handleDatagram(datagram.data());
    }
}

void frm_pelwickUDP::ShowStatus(const QString &text)
{
    m_statusPanel->setText(text);
}

QString frm_pelwickUDP::statusText() const
{
    return m_statusPanel->text();
}

void frm_pelwickUDP::CmdClear_Click()
{
    m_txtR->clear();
}

void frm_pelwickUDP::appendLog(const QString &entry)
{
    QTextCursor cursor(m_txtR->document());
    cursor.movePosition(QTextCursor::End);
    QString text = entry;
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    cursor.insertText(text);

    QTextDocument *doc = m_txtR->document();
    if (doc->characterCount() <= LogCharacterLimit)
        return;
    // Drop whole message blocks from the top until a quarter is free: each
    // block ends with an empty line.
    QTextCursor trim(doc);
    trim.movePosition(QTextCursor::Start);
    QTextBlock block = doc->begin();
    while (block.isValid() && doc->characterCount() - block.position() > LogCharacterLimit * 3 / 4)
        block = block.next();
    while (block.isValid() && !block.text().isEmpty())
        block = block.next();
    if (!block.isValid())
        return;
    trim.setPosition(block.next().isValid() ? block.next().position() : block.position(), QTextCursor::KeepAnchor);
    trim.removeSelectedText();
    m_txtR->moveCursor(QTextCursor::End);
}

QString frm_pelwickUDP::logText() const
{
    QString text = m_txtR->toPlainText();
    text.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    return text;
}

QList<DirectoryEntry> frm_pelwickUDP::directoryEntries() const
{
    QList<DirectoryEntry> entries;
    entries.reserve(m_listUser->rowCount());
    for (int i = 0; i < m_listUser->rowCount(); ++i) {
        const QTreeWidgetItem *row = m_listUser->row(i);
        entries.append({ row->text(UserListView::NameColumn), row->text(UserListView::AddressColumn) });
    }
    return entries;
}

void frm_pelwickUDP::restoreToFront()
{
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
    SetTopmost(true, this);
    SetTopmost(m_settings.FormTop, this);
}

void frm_pelwickUDP::ListUser_RightPress()
{
    QTreeWidgetItem *row = m_listUser->currentItem();
    if (!row || !row->isSelected())
        return;
    if (row->text(UserListView::MarkColumn) != PresenceMark::HeardFrom) {
        menuGame->setVisible(false);
        menuRemove->setVisible(false);
    } else {
        menuRemove->setVisible(true);
        const bool gomoku = gameProgramExists(QStringLiteral("GOMOKU"));
        const bool othello = gameProgramExists(QStringLiteral("OTHELLO"));
        menuGame->setVisible(gomoku || othello);
        menuGame_Gomoku->setVisible(gomoku);
        menuGame_Osero->setVisible(othello);
    }
    if (m_popupHook)
        m_popupHook(menuListUser);
    else
        menuListUser->popup(QCursor::pos());
}

void frm_pelwickUDP::showKindError()
{
    showReceiveErrorBox(QStringLiteral("電文種別エラー"));
}

void frm_pelwickUDP::showReceiveErrorBox(const QString &text)
{
    // One box at a time for everything a received datagram can raise:
    // boxes asked for while one is open are dropped, so a flood of foreign
    // datagrams cannot stack boxes.
    if (m_receiveBoxOpen)
        return;
    m_receiveBoxOpen = true;
    // Shown from the event loop, not from inside the socket's read handler,
    // so the socket keeps draining (and dropping) while the box is open.
    QMetaObject::invokeMethod(this, [this, text] {
        ShowMessageBox({ this, text, windowTitle() });
        m_receiveBoxOpen = false;
    }, Qt::QueuedConnection);
}
