#include "trayicon.h"

#include "pelwickUDP050.h"

#include <QApplication>
#include <QIcon>
#include <QMenu>
#include <QWidget>

namespace {

constexpr const char *TrayIconObjectName = "pelwickTrayIcon";

QIcon IconFor(const QWidget *mainWindow)
{
    if (!mainWindow->windowIcon().isNull())
        return mainWindow->windowIcon();
    if (!QApplication::windowIcon().isNull())
        return QApplication::windowIcon();
    // Without an icon of the program the tray would show an empty slot; the
    // lamp picture stands in.
    return QIcon(QStringLiteral(":/notice/lamp_back.png"));
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
    return QStringLiteral("右ｸﾘｯｸでﾒﾆｭｰ表示!");
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

PelwickTrayIcon *TrayIcon(const QString &action, QWidget *mainWindow, QMenu *taskBarMenu)
{
    if (!mainWindow)
        return nullptr;
    PelwickTrayIcon *existing = findTrayIcon(mainWindow);
    if (action == QLatin1String("SET"))
        return existing ? existing : new PelwickTrayIcon(mainWindow, taskBarMenu);
    delete existing;
    return nullptr;
}

bool trayAvailable()
{
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void restoreFromTray(QWidget *mainWindow, bool formTop)
{
    if (!mainWindow)
        return;
    mainWindow->setWindowState(mainWindow->windowState() & ~Qt::WindowMinimized);
    mainWindow->show();
    SetTopmost(true, mainWindow);
    SetTopmost(formTop, mainWindow);
    mainWindow->raise();
    mainWindow->activateWindow();
}
