#pragma once

#include "messengerenvironment.h"
#include "messengermenus.h"
#include "messengersession.h"
#include "textutil.h"

#include <QMainWindow>
#include <QPointer>

class InstanceActivation;
class NotificationPacer;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QTimer;
class MessageLogView;
class UserListView;
enum class TrayIconAction;

// The argument the login start entry passes, so the messenger knows that
// the session started it and starts quietly.
inline constexpr char LoginStartArgument[] = "--autostart";

// Which way LoadOrSaveSettings goes.
enum class SettingsTransfer { Load, Save };

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
    // The program is told to end (log-out, SIGTERM, Ctrl+C): every modal box
    // and dialog closes and the window unloads, also while it is still
    // loading, in which case Form_Load returns false.
    void requestTermination();
    // Shows the window after a successful load: as it was, or quietly at a
    // login start (hidden in the tray, or minimised without one).
    void showAtStart();
    // The display went away (the X server or the Wayland compositor ended):
    // the window unloads as on SIGTERM, without touching the window system.
    void displayLost();

    void CmdSend_Click();
    void CmdClear_Click();
    // Ask the selected user for a game of gomoku (01) or othello (02).
    void menuGame_Gomoku_Click();
    void menuGame_Osero_Click();

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
    // The menu entries the window changes as it goes, by their names.
    const MessengerMenus &menus() const { return m_menus; }
    QString statusText() const;
    // What the messenger cannot keep now (settings, conversation), shown
    // beside the status until it can; empty while everything is kept.
    QString keepingText() const;
    // The log as the user reads it, CR LF between lines.
    QString logText() const;

    // Load: the window's place, the options and the directory, each mended
    // value said in the status. Save: all of them, the place unless the
    // window is minimised.
    void LoadOrSaveSettings(SettingsTransfer transfer);
    // The window's caption, with the program's version.
    static QString caption();
    void ShowStatus(const QString &text);

    // Replaces popping up a menu, so tests see which menu would show.
    void setPopupHook(std::function<void(QMenu *)> hook) { m_popupHook = std::move(hook); }

signals:
    void unloaded();

protected:
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void buildControls();
    void buildMenus();
    void runCommand(MenuCommand command);
    void connectSession();
    bool showOptionsDialog();
    void openToolWindow(QPointer<QWidget> &window, const std::function<QWidget *()> &create);
    void editSystemFile(const QString &path);
    void startTool(const QString &program);

    void askSelectedUserForGame(const QString &gameId);
    void showSessionBox(const QString &text);
    void messageArrived(const ParsedDatagram &datagram);
    void restoreToFront();
    // Brings the window forward and, above it with the focus, the modal
    // dialog or box of it that is open.
    void bringForward(const QString &activationToken = {});
    void bringModalForward();
    // Writes what changed at once, so that even a killed program keeps it.
    void storeLocalSettings();
    void storeWindowPlacement();
    void updateGameMenu();
    void trayIcon(TrayIconAction action);
    void showKeepingProblem();
    void hideToTrayIfMinimised();
    void trayAvailabilityChanged(bool available);
    void activationRequested(const QString &token);
    QStringList autostartCommand() const;
    void ListUser_RightPress(const QPoint &globalPos);

    MessengerEnvironment m_env;
    MessengerSession *m_session = nullptr;
    bool m_loaded = false;
    bool m_unloaded = false;
    // Form_Load is running (it may wait in the options dialog).
    bool m_loading = false;
    bool m_terminationRequested = false;
    bool m_displayLost = false;
    // Restarted by every move and resize; the place is written once it runs out.
    QTimer *m_placementSettles = nullptr;
    std::function<void(QMenu *)> m_popupHook;
    InstanceActivation *m_activation = nullptr;
    // Desktop notifications of arrivals, merged per sender.
    NotificationPacer *m_notices = nullptr;

    QPointer<QWidget> m_systemWindow;
    QPointer<QWidget> m_processWindow;
    QPointer<QWidget> m_splitWindow;
    QPointer<QWidget> m_aboutWindow;
    UserListView *m_listUser = nullptr;
    QPlainTextEdit *m_txtS = nullptr;
    MessageLogView *m_txtR = nullptr;
    QLabel *m_statusPanel = nullptr;
    QLabel *m_keepingPanel = nullptr;
    MessengerMenus m_menus;
};
