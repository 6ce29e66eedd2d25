#pragma once

#include "messengersession.h"

#include <functional>

class ArrivalSoundPlayer;
class CommonDialogRunner;
class NetworkCalls;
class DesktopNotifier;
class QDialog;
class TrayPresence;

// Where a messenger lives, and how its window reaches the desktop. The
// shipped program uses the defaults; tests replace what a person would do.
struct MessengerEnvironment : SessionEnvironment
{
    // The files the hosts and LMHOSTS entries edit.
    QString hostsFile = QStringLiteral("/etc/hosts");
    QString lmhostsFile = QStringLiteral("/etc/samba/lmhosts");
    // Opens a file in the user's editor; false when nothing could. Empty:
    // the desktop's default.
    std::function<bool(const QString &)> openFile;
    // Starts a desktop tool (the network and ODBC settings) detached; false
    // when it could not start. Empty: QProcess::startDetached.
    std::function<bool(const QString &)> startTool;
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
    // Tells whether the desktop has a notification area. Null: the desktop's.
    TrayPresence *trayPresence = nullptr;
    // Answers the network identity box's questions (host name, its
    // addresses, the interfaces). Null: this machine's.
    const NetworkCalls *networkCalls = nullptr;
    // The token the desktop gave this start (Wayland XDG_ACTIVATION_TOKEN,
    // X11 DESKTOP_STARTUP_ID); a second start passes it to the running
    // messenger, which needs it to come to the front.
    QString activationToken;
    // Started by the session at login: the window starts hidden in the tray,
    // or minimised where there is none.
    bool startedAtLogin = false;
    // Where the login start entry lies. Empty: $XDG_CONFIG_HOME/autostart.
    QString autostartDirectory;
    // What the login start entry runs. Empty: the installed launcher
    // "pelwick" beside this installation, else this program.
    QStringList autostartCommand;
};
