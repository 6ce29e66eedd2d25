#pragma once

#include "datagram.h"
#include "settingsmapping.h"
#include "textutil.h"

#include <QHostAddress>
#include <QLockFile>
#include <QMainWindow>
#include <QPointer>

#include <functional>
#include <memory>

class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QStatusBar;
class QUdpSocket;
class ArrivalSoundPlayer;
class CommonDialogRunner;
class QDialog;
class LinkSource;
class SettingsStore;
class UserListView;

// Where a messenger lives: its names, its address and its folders. The
// shipped program uses the defaults; tests give each messenger its own
// loopback address and temporary folders.
struct MessengerEnvironment
{
    // The settings' application name and the link application name.
    QString appName = QStringLiteral("Pelwick");
    QHostAddress bindAddress = QHostAddress(QHostAddress::AnyIPv4);
    // The address written into <IPADDR>. Empty: the bind address when it is
    // a specific one, else the machine's primary IPv4 address.
    QString ownAddress;
    // Empty: the user's configuration directory.
    QString settingsDirectory;
    // Empty: the user's runtime directory (lock file, link sockets).
    QString runtimeDirectory;
    // Where the game programs lie. Empty: the messenger's own folder.
    QString programDirectory;
    // The files the hosts and LMHOSTS entries edit.
    QString hostsFile = QStringLiteral("/etc/hosts");
    QString lmhostsFile = QStringLiteral("/etc/samba/lmhosts");
    // Opens a file in the user's editor. Empty: the desktop's default.
    std::function<void(const QString &)> openFile;
    // Where the file dialogs run. Null: Qt's own dialogs.
    CommonDialogRunner *dialogs = nullptr;
    // Runs a modal dialog in place of exec(), so tests can drive it.
    std::function<void(QDialog *)> dialogHook;
    // Plays the arrival sound. Null: the program's own player.
    ArrivalSoundPlayer *soundPlayer = nullptr;
};

// "GOMOKU" for game id 01, "OTHELLO" for 02, empty otherwise.
QString GameProgramName(const QString &gameId);

// The text of the network identity box: three lines separated by CR.
QString NetworkIdentityText(const QString &host, const QString &ip, const QString &mac);

// The record of the running game.
struct CurrentGame
{
    QString PartnerName;
    QString PartnerAddress;
    QString GameId;
    QString GameName;
};

// The messenger's main window: the UDP socket, the user list, the message
// boxes, the menus and the link endpoint of the game.
class frm_pelwickUDP : public QMainWindow
{
    Q_OBJECT
public:
    explicit frm_pelwickUDP(const MessengerEnvironment &environment = {}, QWidget *parent = nullptr);
    ~frm_pelwickUDP() override;

    // Runs the load steps. False when another instance runs: the window then
    // unloads without touching settings, network or tray.
    bool Form_Load();
    // Runs the unload steps once (save, goodbye, tray, game end).
    void Form_Unload();

    // The action routine of every datagram kind.
    void PerformKind(const QString &kind);

    // Handles one received datagram, as if it had arrived on the socket.
    void handleDatagram(QByteArrayView bytes);

    void CmdSend_Click();

    // Menu handlers; the menu bar's entries call the tray menu's.
    void menuTaskBarTopForm_Click();
    void menuTaskBarOpsion_Click();
    void menuTaskBarPC_Click();
    void menuTaskBarNet_Click();
    void menuTaskBarProcess_Click();
    void menuTaskBarSplit_Click();
    void menuTaskBarVar_Click();
    void menuListUserLanCheck_Click();
    void menuRemove_Click();
    // Asks the selected user for a game (01 gomoku, 02 othello).
    void requestGame(const QString &gameId);
    // The link-close handler: relays the game's text to the partner.
    void RelayLinkText();
    void CmdClear_Click();

    const LocalSettings &localSettings() const { return m_settings; }
    LocalSettings &localSettings() { return m_settings; }
    const ParsedDatagram &parsedDatagram() const { return m_parsed; }
    const CurrentGame &currentGame() const { return m_game; }
    const MessengerEnvironment &environment() const { return m_env; }
    QString ownAddress() const { return m_ownAddress; }
    quint16 boundPort() const;
    UserListView *ListUser() const { return m_listUser; }
    QString statusText() const;
    // The log as the user reads it, CR LF between lines.
    QString logText() const;

    // Directory entries as the list holds them now.
    QList<DirectoryEntry> directoryEntries() const;

    void LoadOrSaveSettings(bool isLoad);
    void ShowStatus(const QString &text);

    // Replaces popping up a menu, so tests see which menu would show.
    void setPopupHook(std::function<void(QMenu *)> hook) { m_popupHook = std::move(hook); }

signals:
    // Emitted after each received datagram has been handled.
    void datagramHandled(const QString &kind);
    void unloaded();

protected:
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void buildControls();
    void buildMenus();
    void connectMenus();
    void startControlPanel(const QString &program);
    void editSystemFile(const QString &path);
    // Shows the options dialog modally; true when its settings were applied.
    bool showOptionsDialog();
    void setupSocket();
    void onReadyRead();
    void showReceivedMessage();
    void showKindError();
    // Shows a box about a received datagram unless one is open already.
    void showReceiveErrorBox(const QString &text);
    void restoreToFront();
    void appendLog(const QString &entry);

    // Game relay.
    void setupLink();
    bool sendLinkText(const QString &text, const QString &application);
    bool gameProgramExists(const QString &programName) const;
    void startGame(const QString &kind);
    void relayToGame(const ParsedDatagram &datagram);
    void partnerGameEnded();
    // Ends the game program this messenger started; true when none is left.
    bool endGameProgram();
    void sendRemovalRequest();

    // Attention devices.
    void arrivalSound(const QString &path);
    void showLampPopup();
    void trayIcon(bool set);
    void hideToTrayIfMinimised();
    // Right press on ListUser: the pop-up menu for the selected row.
    void ListUser_RightPress();

    bool sendTo(const QString &address, const QByteArray &datagram);
    QByteArray ownDatagram(const char *kind, const QString &gameId, const QString &data = {}) const;
    void sendToEveryRow(const char *kind);
    void sendMessage();

    MessengerEnvironment m_env;
    LocalSettings m_settings;
    ParsedDatagram m_parsed;
    CurrentGame m_game;
    QString m_ownAddress;
    QString m_remoteHost;
    // The arrival sound used when none is stored.
    QString m_defaultSoundPath;
    bool m_loaded = false;
    bool m_unloaded = false;
    bool m_receiveBoxOpen = false;
    // A game request went out and its partner has not yet accepted it.
    bool m_awaitingAccept = false;
    std::unique_ptr<QLockFile> m_instanceLock;
    std::function<void(QMenu *)> m_popupHook;

    QUdpSocket *m_socket = nullptr;
    LinkSource *m_link = nullptr;
    QPointer<QWidget> m_systemWindow;
    QPointer<QWidget> m_processWindow;
    QPointer<QWidget> m_splitWindow;
    QPointer<QWidget> m_aboutWindow;
    UserListView *m_listUser = nullptr;
    QPlainTextEdit *m_txtS = nullptr;
    QPlainTextEdit *m_txtR = nullptr;
    QPushButton *m_cmdSend = nullptr;
    QPushButton *m_cmdClear = nullptr;
    QStatusBar *m_statusBar = nullptr;
    QLabel *m_statusPanel = nullptr;
    QLineEdit *m_txtDDEInput = nullptr;
    QLineEdit *m_txtDDEOutput = nullptr;

public:
    // Menu entries by their names.
    QAction *menuGame = nullptr;
    QAction *menuGame_Gomoku = nullptr;
    QAction *menuGame_Osero = nullptr;
    QAction *menuRemove = nullptr;
    QAction *menuListUserLanCheck = nullptr;
    QAction *menuMon = nullptr;
    QAction *menuTaskBarTopForm = nullptr;
    QMenu *menuListUser = nullptr;
    QMenu *menuTaskBar = nullptr;
};
