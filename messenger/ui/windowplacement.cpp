#include "windowplacement.h"

#include "settingsmapping.h"
#include "settingsstore.h"

#include <QWidget>

#include <cmath>

namespace {

double twipsPerPixel(const QWidget *window)
{
    const int dpi = window->logicalDpiX();
    return dpi > 0 ? 1440.0 / dpi : 15.0;
}

} // namespace

void loadWindowPlacement(const SettingsStore &store, QWidget *window)
{
    const QString windowPos = QLatin1String(SettingsKey::WindowPos);
    const double tpp = twipsPerPixel(window);
    auto edge = [&](const char *key, int currentPixels) -> int {
        const QString fallback = formatSettingsSingle(float(currentPixels * tpp));
        const auto twips = parseSettingsSingle(store.value(windowPos, QLatin1String(key), fallback));
        if (!twips)
            return currentPixels;
        const double pixels = *twips / tpp;
        if (pixels < -1e6 || pixels > 1e6)
            return currentPixels;
        return int(std::lround(pixels));
    };
    window->move(edge("Left", window->x()), window->y());
    window->move(window->x(), edge("Top", window->y()));
    window->resize(qMax(1, edge("Width", window->width())), window->height());
    window->resize(window->width(), qMax(1, edge("Height", window->height())));
}

void saveWindowPlacement(SettingsStore &store, const QWidget *window)
{
    if (window->isMinimized())
        return;
    const QString windowPos = QLatin1String(SettingsKey::WindowPos);
    const double tpp = twipsPerPixel(window);
    store.setValue(windowPos, QStringLiteral("Top"), formatSettingsSingle(float(window->y() * tpp)));
    store.setValue(windowPos, QStringLiteral("Left"), formatSettingsSingle(float(window->x() * tpp)));
    store.setValue(windowPos, QStringLiteral("Width"), formatSettingsSingle(float(window->width() * tpp)));
    store.setValue(windowPos, QStringLiteral("Height"), formatSettingsSingle(float(window->height() * tpp)));
}
