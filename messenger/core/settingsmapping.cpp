#include "settingsmapping.h"

#include "settingsstore.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

const QString Local = QLatin1String(SettingsKey::Local);
const QString User = QLatin1String(SettingsKey::User);

std::optional<double> parseNumber(const QString &text)
{
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

template <typename Int> std::optional<Int> parseInteger(const QString &text)
{
    const auto number = parseNumber(text);
    if (!number)
        return std::nullopt;
    // Whole-number conversion rounds halves to even, as the original did.
    const double rounded = std::nearbyint(*number);
    if (rounded < double(std::numeric_limits<Int>::min()) || rounded > double(std::numeric_limits<Int>::max()))
        return std::nullopt;
    return Int(rounded);
}

} // namespace

std::optional<bool> parseSettingsBoolean(const QString &text)
{
    const QString t = text.trimmed();
    if (t.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
        return true;
    if (t.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
        return false;
    if (const auto number = parseNumber(t))
        return *number != 0.0;
    return std::nullopt;
}

std::optional<qint32> parseSettingsInt32(const QString &text)
{
    return parseInteger<qint32>(text);
}

std::optional<qint16> parseSettingsInt16(const QString &text)
{
    return parseInteger<qint16>(text);
}

std::optional<float> parseSettingsSingle(const QString &text)
{
    const auto number = parseNumber(text);
    if (!number || std::fabs(*number) > double(std::numeric_limits<float>::max()))
        return std::nullopt;
    return float(*number);
}

QString formatSettingsBoolean(bool value)
{
    return value ? QStringLiteral("True") : QStringLiteral("False");
}

QString formatSettingsSingle(float value)
{
    return QString::number(double(value), 'g', 7);
}

QString directoryIndex(int i)
{
    return QStringLiteral("%1").arg(i, 3, 10, QLatin1Char('0'));
}

void loadLocalSettings(const SettingsStore &store, LocalSettings &s, const LocalSettings &defaults)
{
    auto read
        = [&](const char *key, const QString &fallback) { return store.value(Local, QLatin1String(key), fallback); };
    s.SoundFilePath = read("SoundFilePath", defaults.SoundFilePath);
    if (const auto v = parseSettingsBoolean(read("Sound", formatSettingsBoolean(defaults.Sound))))
        s.Sound = *v;
    if (const auto v = parseSettingsBoolean(read("FormTop", formatSettingsBoolean(defaults.FormTop))))
        s.FormTop = *v;
    if (const auto v = parseSettingsBoolean(read("PopUp", formatSettingsBoolean(defaults.PopUp))))
        s.PopUp = *v;
    if (const auto v = parseSettingsInt32(read("Port", QString::number(defaults.Port))))
        s.Port = *v;
    s.UserName = read("UserName", defaults.UserName);
    s.IpAddr = read("IpAddr", defaults.IpAddr).trimmed();
    if (const auto v = parseSettingsBoolean(read("Broadcast", formatSettingsBoolean(defaults.Broadcast))))
        s.Broadcast = *v;
    s.BroadcastTo.clear();
    for (const QString &entry : read("BroadcastTo", defaults.BroadcastTo.join(u',')).split(u',')) {
        if (!entry.trimmed().isEmpty())
            s.BroadcastTo.append(entry.trimmed());
    }
    if (const auto v = parseSettingsBoolean(read("KeepLog", formatSettingsBoolean(defaults.KeepLog))))
        s.KeepLog = *v;
    if (const auto v = parseSettingsBoolean(read("Notify", formatSettingsBoolean(defaults.Notify))))
        s.Notify = *v;
}

void saveLocalSettings(SettingsStore &store, const LocalSettings &s)
{
    store.setValue(Local, QStringLiteral("SoundFilePath"), s.SoundFilePath);
    store.setValue(Local, QStringLiteral("Sound"), formatSettingsBoolean(s.Sound));
    store.setValue(Local, QStringLiteral("FormTop"), formatSettingsBoolean(s.FormTop));
    store.setValue(Local, QStringLiteral("PopUp"), formatSettingsBoolean(s.PopUp));
    store.setValue(Local, QStringLiteral("Port"), QString::number(s.Port));
    store.setValue(Local, QStringLiteral("UserName"), s.UserName);
    store.setValue(Local, QStringLiteral("IpAddr"), s.IpAddr);
    store.setValue(Local, QStringLiteral("Broadcast"), formatSettingsBoolean(s.Broadcast));
    store.setValue(Local, QStringLiteral("BroadcastTo"), s.BroadcastTo.join(u','));
    store.setValue(Local, QStringLiteral("KeepLog"), formatSettingsBoolean(s.KeepLog));
    store.setValue(Local, QStringLiteral("Notify"), formatSettingsBoolean(s.Notify));
}

QList<DirectoryEntry> loadDirectory(const SettingsStore &store)
{
    QList<DirectoryEntry> entries;
    // Count was a 16-bit number once; a larger directory must still load, so
    // any 32-bit count is taken. Only indexes up to Count whose address key
    // is stored are visited (an entry without one is skipped anyway), so a
    // damaged file with a huge count and a huge index loads at once.
    const auto count = parseSettingsInt32(store.value(User, QStringLiteral("Count"), QStringLiteral("1")));
    if (!count)
        return entries;
    const QLatin1String addressKey("UserIpAddr");
    QList<int> indexes;
    for (const QString &key : store.keys(User)) {
        if (!key.endsWith(addressKey))
            continue;
        bool numeric = false;
        const int i = QStringView(key).chopped(addressKey.size()).toInt(&numeric);
        if (numeric && i >= 1 && i <= *count && directoryIndex(i) + addressKey == key)
            indexes.append(i);
    }
    std::sort(indexes.begin(), indexes.end());
    for (int i : std::as_const(indexes)) {
        const QString index = directoryIndex(i);
        const QString name = store.value(User, index + QLatin1String("UserName"));
        const QString address = store.value(User, index + addressKey);
        if (address.trimmed().isEmpty())
            continue;
        entries.append({ name, address });
    }
    return entries;
}

void saveDirectory(SettingsStore &store, const QList<DirectoryEntry> &entries)
{
    store.removeSection(User);
    store.setValue(User, QStringLiteral("Count"), QString::number(entries.size()));
    for (int i = 0; i < entries.size(); ++i) {
        const QString index = directoryIndex(i + 1);
        store.setValue(User, index + QLatin1String("UserName"), entries[i].UserName);
        store.setValue(User, index + QLatin1String("UserIpAddr"), entries[i].UserIpAddr);
    }
}
