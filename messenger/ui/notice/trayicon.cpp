#include "trayicon.h"

#include "desktopidentity.h"
#include "logcategories.h"
#include "windowhelpers.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusServiceWatcher>
#include <QTimer>
#include <QIcon>
#include <QMenu>
#include <QWidget>

namespace {

constexpr const char *TrayIconObjectName = "pelwickTrayIcon";
// How often a watched notification area is looked for when nothing tells.
constexpr int PollIntervalMs = 1000;

QIcon IconFor(const QWidget *mainWindow)
{
    if (!mainWindow->windowIcon().isNull())
        return mainWindow->windowIcon();
    if (!QApplication::windowIcon().isNull())
        return QApplication::windowIcon();
    return DesktopIdentity::icon(DesktopIdentity::Messenger);
}

} // namespace

PelwickTrayIcon::PelwickTrayIcon(QWidget *mainWindow, QMenu *taskBarMenu)
    : QObject(mainWindow)
    , m_icon(new QSystemTrayIcon(this))
    , m_taskBarMenu(taskBarMenu)
{
    setObjectName(QLatin1String(TrayIconObjectName));
    m_icon->setIcon(IconFor(mainWindow));
    m_icon->setToolTip(tipText());
    // The platform opens the menu on a right press itself, where and how the
    // desktop expects it.
    if (taskBarMenu)
        m_icon->setContextMenu(taskBarMenu);
    connect(m_icon, &QSystemTrayIcon::activated, this, &PelwickTrayIcon::onActivated);
    m_icon->show();
}

PelwickTrayIcon::~PelwickTrayIcon()
{
    m_icon->hide();
}

QString PelwickTrayIcon::tipText()
{
    return tr("右ｸﾘｯｸでﾒﾆｭｰ表示!");
}

void PelwickTrayIcon::onActivated(QSystemTrayIcon::ActivationReason reason)
{
    // The right press is the context menu's; other clicks do nothing.
    if (reason == QSystemTrayIcon::Trigger)
        emit restoreRequested();
}

PelwickTrayIcon *findTrayIcon(const QWidget *mainWindow)
{
    if (!mainWindow)
        return nullptr;
    return mainWindow->findChild<PelwickTrayIcon *>(QLatin1String(TrayIconObjectName), Qt::FindDirectChildrenOnly);
}

PelwickTrayIcon *TrayIcon(TrayIconAction action, QWidget *mainWindow, QMenu *taskBarMenu)
{
    if (!mainWindow)
        return nullptr;
    PelwickTrayIcon *existing = findTrayIcon(mainWindow);
    if (action == TrayIconAction::Set)
        return existing ? existing : new PelwickTrayIcon(mainWindow, taskBarMenu);
    delete existing;
    return nullptr;
}

bool trayAvailable()
{
    return QSystemTrayIcon::isSystemTrayAvailable();
}

SystemTrayPresence::SystemTrayPresence(QObject *parent)
    : TrayPresence(parent)
    , m_poll(new QTimer(this))
{
    m_poll->setInterval(PollIntervalMs);
    connect(m_poll, &QTimer::timeout, this, &SystemTrayPresence::check);
    // The X11 platform tells when the tray's selection owner changes. Its
    // native interface is a QObject (its only base) declared in a private
    // header: reached through its signal's name, as a plugin's would be.
    if (QObject *native = reinterpret_cast<QObject *>(QGuiApplication::platformNativeInterface());
        native && native->metaObject()->indexOfSignal("systemTrayWindowChanged(QScreen*)") >= 0)
        connect(native, SIGNAL(systemTrayWindowChanged(QScreen *)), this, SLOT(check()));
    // The bus tells when the StatusNotifier watcher comes or goes.
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (bus.isConnected()) {
        auto *watcher = new QDBusServiceWatcher(QStringLiteral("org.kde.StatusNotifierWatcher"), bus,
            QDBusServiceWatcher::WatchForOwnerChange, this);
        connect(watcher, &QDBusServiceWatcher::serviceOwnerChanged, this, &SystemTrayPresence::check);
    }
}

bool SystemTrayPresence::available() const
{
    return trayAvailable();
}

void SystemTrayPresence::setWatching(bool watching)
{
    if (watching == m_poll->isActive())
        return;
    m_last = available();
    if (watching)
        m_poll->start();
    else
        m_poll->stop();
}

void SystemTrayPresence::check()
{
    if (!m_poll->isActive())
        return;
    const bool now = available();
    if (now != m_last) {
        m_last = now;
        qCDebug(lcDesktop) << (now ? "the notification area came back" : "the notification area went away");
        emit availabilityChanged(now);
    }
}

void restoreFromTray(QWidget *mainWindow, bool formTop)
{
    if (!mainWindow)
        return;
    bringToFront(mainWindow);
    SetTopmost(true, mainWindow);
    SetTopmost(formTop, mainWindow);
}
