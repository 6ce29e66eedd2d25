#pragma once

#include "messengersession.h"

#include <functional>

class ArrivalSoundPlayer;
class CommonDialogRunner;
class DesktopNotifier;
class QDialog;

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
