// Settings load and save of the main window.
#include "frm_pelwickUDP.h"

#include "settingsstore.h"
#include "userlist.h"

#include <QHostInfo>

namespace {

// Window positions are stored in twips, 1440 to the logical inch.
double twipsPerPixel(const QWidget *window)
{
    const int dpi = window->logicalDpiX();
    return dpi > 0 ? 1440.0 / dpi : 15.0;
}

} // namespace

void frm_pelwickUDP::LoadOrSaveSettings(bool isLoad)
{
    SettingsStore store(m_env.appName, m_env.settingsDirectory);
    const QString windowPos = QLatin1String(SettingsKey::WindowPos);
    const double tpp = twipsPerPixel(this);

    if (isLoad) {
        // Each edge is read with the current value as default and applied at
        // once; a value that does not convert leaves the edge where it is.
        auto edge = [&](const char *key, int currentPixels) -> int {
            const QString fallback = FormatSettingsSingle(float(currentPixels * tpp));
            const auto twips = ParseSettingsSingle(store.value(windowPos, QLatin1String(key), fallback));
            if (!twips)
                return currentPixels;
            const double pixels = *twips / tpp;
            if (pixels < -1e6 || pixels > 1e6)
                return currentPixels;
            return int(std::lround(pixels));
        };
        move(edge("Left", x()), y());
        move(x(), edge("Top", y()));
        resize(qMax(1, edge("Width", width())), height());
        resize(width(), qMax(1, edge("Height", height())));

        LocalSettings defaults;
        defaults.SoundFilePath = m_defaultSoundPath;
        defaults.Sound = true;
        defaults.FormTop = false;
        defaults.PopUp = true;
        defaults.Port = DefaultPort;
        defaults.UserName = QHostInfo::localHostName();
        LoadLocalSettings(store, m_settings, defaults);

        const QList<DirectoryEntry> entries = LoadDirectory(store);
        for (const DirectoryEntry &entry : entries)
            m_listUser->SetUserMark(entry.UserName, entry.UserIpAddr, PresenceMark::NotHeard);
        return;
    }

    if (!isMinimized()) {
        store.setValue(windowPos, QStringLiteral("Top"), FormatSettingsSingle(float(y() * tpp)));
        store.setValue(windowPos, QStringLiteral("Left"), FormatSettingsSingle(float(x() * tpp)));
        store.setValue(windowPos, QStringLiteral("Width"), FormatSettingsSingle(float(width() * tpp)));
        store.setValue(windowPos, QStringLiteral("Height"), FormatSettingsSingle(float(height() * tpp)));
    }
    SaveLocalSettings(store, m_settings);
    SaveDirectory(store, directoryEntries());
    store.sync();
}
