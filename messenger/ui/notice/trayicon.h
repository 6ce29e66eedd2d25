#pragma once

#include <QObject>
#include <QSystemTrayIcon>

class QMenu;
class QTimer;
class QWidget;

// The messenger's icon in the desktop's notification area. Created by
// TrayIcon(TrayIconAction::Set, ...) as a child of the main window; a left press asks the
// main window to come back (restoreRequested), a right press opens the task
// bar menu.
class PelwickTrayIcon : public QObject
{
    Q_OBJECT
public:
    PelwickTrayIcon(QWidget *mainWindow, QMenu *taskBarMenu);
    ~PelwickTrayIcon() override;

    QSystemTrayIcon *icon() const { return m_icon; }
    QMenu *taskBarMenu() const { return m_taskBarMenu; }

    // The tip shown over the icon.
    static QString tipText();

signals:
    // The user pressed the left button on the icon.
    void restoreRequested();

private:
    void onActivated(QSystemTrayIcon::ActivationReason reason);

    QSystemTrayIcon *m_icon = nullptr;
    QMenu *m_taskBarMenu = nullptr;
};

enum class TrayIconAction { Set, Reset };

// Set adds the icon for mainWindow with the tip "右ｸﾘｯｸでﾒﾆｭｰ表示!" and
// taskBarMenu as its right-button menu, and returns it; a second Set keeps
// the icon already there. Reset deletes mainWindow's icon and returns
// nullptr.
PelwickTrayIcon *TrayIcon(TrayIconAction action, QWidget *mainWindow, QMenu *taskBarMenu);

// mainWindow's icon while one is set, else nullptr.
PelwickTrayIcon *findTrayIcon(const QWidget *mainWindow);

// Whether the desktop shows notification-area icons. Only then may a
// minimised main window hide itself; elsewhere it stays minimised, so the
// user can still reach it from the task bar.
bool trayAvailable();

// Whether the desktop has a notification area, now and as it changes: a
// panel that restarts or a tray host that quits takes the area away while
// the program runs. The seam between the main window and the desktop.
class TrayPresence : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    virtual bool available() const = 0;
    // Whether availabilityChanged must be reported; watching costs a little
    // (the area is looked for again), so it is done only while it matters.
    virtual void setWatching(bool watching) = 0;

signals:
    void availabilityChanged(bool available);
};

// The desktop's notification area as Qt's tray icon sees it: the X11 tray
// selection or the StatusNotifier watcher on the session bus. While
// watching, a change is reported when the window system or the bus tells,
// and a look once a second catches what neither tells.
class SystemTrayPresence : public TrayPresence
{
    Q_OBJECT
public:
    explicit SystemTrayPresence(QObject *parent = nullptr);
    bool available() const override;
    void setWatching(bool watching) override;

private slots:
    void check();

private:
    QTimer *m_poll = nullptr;
    bool m_last = false;
};

// Brings mainWindow back in front after a left press on the icon: normal
// state, visible, on top for a moment and then back to the stay-on-top
// setting formTop, so it comes forward without staying on top against it.
void restoreFromTray(QWidget *mainWindow, bool formTop);
