// The main window's attention devices: arrival sound, lamp pop-up and the
// notification-area icon.
#include "frm_pelwickUDP.h"

#include "arrivalsound.h"
#include "Frm_pelwickPlp.h"
#include "trayicon.h"

#include <QTimer>

void frm_pelwickUDP::arrivalSound(const QString &path)
{
    PlayArrivalSound(path, m_settings.Sound, m_env.soundPlayer);
}

void frm_pelwickUDP::showLampPopup()
{
    Frm_pelwickPlp::ShowLamp();
}

void frm_pelwickUDP::trayIcon(bool set)
{
    PelwickTrayIcon *icon = TrayIcon(set ? QStringLiteral("SET") : QStringLiteral("RESET"), this, menuTaskBar);
    if (icon) {
        // A second "SET" returns the icon already there: connect it once.
        disconnect(icon, &PelwickTrayIcon::restoreRequested, this, nullptr);
        connect(icon, &PelwickTrayIcon::restoreRequested, this, [this] { RestoreFromTray(this, m_settings.FormTop); });
    }
}

void frm_pelwickUDP::hideToTrayIfMinimised()
{
    // Only a desktop with a notification area gets the window back from an
    // icon; elsewhere the window stays minimised and reachable.
    if (!isMinimized() || !TrayAvailable() || !FindTrayIcon(this))
        return;
    QTimer::singleShot(0, this, [this] {
        if (isMinimized())
            hide();
    });
}
