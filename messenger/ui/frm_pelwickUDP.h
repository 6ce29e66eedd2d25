#pragma once

#include "messengersession.h"
#include "textutil.h"

#include <QMainWindow>
#include <QPointer>

#include <functional>

class ArrivalSoundPlayer;
class CommonDialogRunner;
class DesktopNotifier;
class QDialog;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class UserListView;

// Where a messenger lives, and how its window reaches the desktop. The
// shipped program uses the defaults; tests replace what a person would do.
struct MessengerEnvironment : SessionEnvironment
{
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
    // How game programs are started and poked. Null: the real ones.
    GamePrograms *games = nullptr;
    // Shows desktop notifications. Null: the desktop's notification service.
    DesktopNotifier *notifier = nullptr;
};

// The text of the network identity box: three lines separated by CR.
QString NetworkIdentityText(const QString &host, const QString &ip, const QString &mac);

// The messenger's main window: shows its session (the user list, the log,
// the status text, boxes) and the attention devices, and forwards the
// user's commands to it.
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

    void CmdSend_Click();
    void CmdClear_Click();
    // Asks the selected user for a game (01 gomoku, 02 othello).
    void requestGame(const QString &gameId);

    void menuTaskBarTopForm_Click();
    void menuTaskBarOpsion_Click();
    void menuTaskBarNet_Click();
    void menuListUserLanCheck_Click();
    void menuRemove_Click();

    MessengerSession *session() const { return m_session; }
    const LocalSettings &localSettings() const { return m_session->localSettings(); }
    LocalSettings &localSettings() { return m_session->localSettings(); }
    const MessengerEnvironment &environment() const { return m_env; }
    UserListView *ListUser() const { return m_listUser; }
    QString statusText() const;
    // The log as the user reads it, CR LF between lines.
    QString logText() const;

    void LoadOrSaveSettings(bool isLoad);
    void ShowStatus(const QString &text);

    // Replaces popping up a menu, so tests see which menu would show.
    void setPopupHook(std::function<void(QMenu *)> hook) { m_popupHook = std::move(hook); }

signals:
    void unloaded();

protected:
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    struct MenuEntry;
    void buildControls();
    void buildMenus();
    void connectSession();
    QMenu *buildMenu(QMenu *menu, const MenuEntry *entries, int count);
    bool showOptionsDialog();
    void openToolWindow(QPointer<QWidget> &window, const std::function<QWidget *()> &create);
    void editSystemFile(const QString &path);

    void appendLog(const QString &block);
    void flushLog();
    void showSessionBox(const QString &text);
    void messageArrived(const ParsedDatagram &datagram);
    void restoreToFront();
    void updateGameMenu();
    void trayIcon(bool set);
    void hideToTrayIfMinimised();
    void ListUser_RightPress();

    MessengerEnvironment m_env;
    MessengerSession *m_session = nullptr;
    bool m_loaded = false;
    bool m_unloaded = false;
    std::function<void(QMenu *)> m_popupHook;
    // Log blocks not yet shown: appended once per turn of the event loop,
    // so a burst of arrivals costs one layout of the log.
    QString m_pendingLog;

    QPointer<QWidget> m_systemWindow;
    QPointer<QWidget> m_processWindow;
    QPointer<QWidget> m_splitWindow;
    QPointer<QWidget> m_aboutWindow;
    UserListView *m_listUser = nullptr;
    QPlainTextEdit *m_txtS = nullptr;
    QPlainTextEdit *m_txtR = nullptr;
    QLabel *m_statusPanel = nullptr;

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
