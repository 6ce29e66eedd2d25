#include "settingsmapping.h"

#include "datagram.h"
#include "settingsstore.h"

#include <QSet>

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

bool isSettingsKey(const QString &section, const QString &key)
{
    if (section == QLatin1String(SettingsKey::WindowPos) || section == Local) {
        return !key.isEmpty()
            && std::all_of(key.begin(), key.end(), [](QChar c) { return c.unicode() < 0x80 && c.isLetterOrNumber(); });
    }
    if (section != User)
        return false;
    if (key == QLatin1String("Count"))
        return true;
    for (const QLatin1String field : { QLatin1String("UserName"), QLatin1String("UserIpAddr") }) {
        if (!key.endsWith(field))
            continue;
        bool numeric = false;
        const int i = QStringView(key).chopped(field.size()).toInt(&numeric);
        return numeric && i >= 1 && directoryIndex(i) + field == key;
    }
    return false;
}

SettingsNotices loadLocalSettings(const SettingsStore &store, LocalSettings &s, const LocalSettings &defaults)
{
    SettingsNotices notices;
    auto read
        = [&](const char *key, const QString &fallback) { return store.value(Local, QLatin1String(key), fallback); };
    s.SoundFilePath = read("SoundFilePath", defaults.SoundFilePath);
    if (const auto v = parseSettingsBoolean(read("Sound", formatSettingsBoolean(defaults.Sound))))
        s.Sound = *v;
    if (const auto v = parseSettingsBoolean(read("FormTop", formatSettingsBoolean(defaults.FormTop))))
        s.FormTop = *v;
    if (const auto v = parseSettingsBoolean(read("PopUp", formatSettingsBoolean(defaults.PopUp))))
        s.PopUp = *v;
    // A port the socket cannot open counts as missing.
    const auto port = parseSettingsInt32(read("Port", QString::number(defaults.Port)));
    notices.portInvalid = !port || *port < 1 || *port > 65535;
    s.Port = notices.portInvalid ? defaults.Port : *port;
    s.UserName = read("UserName", defaults.UserName);
    s.IpAddr = read("IpAddr", defaults.IpAddr).trimmed();
    // Every datagram names it; anything but an address there would be sent.
    notices.ipAddrInvalid = !s.IpAddr.isEmpty() && !isDottedQuad(s.IpAddr);
    if (notices.ipAddrInvalid)
        s.IpAddr.clear();
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
    return notices;
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

QList<DirectoryEntry> loadDirectory(const SettingsStore &store, bool *countDamaged)
{
    // Count was a 16-bit number once; a larger directory must still load, so
    // any 32-bit count is taken. Only indexes whose keys are stored are
    // visited, so a damaged file with a huge count and a huge index loads at
    // once.
    const bool hasCount = store.contains(User, QStringLiteral("Count"));
    const auto count = parseSettingsInt32(store.value(User, QStringLiteral("Count"), QStringLiteral("1")));
    const QLatin1String nameKey("UserName");
    const QLatin1String addressKey("UserIpAddr");
    QSet<int> stored;
    QList<int> withAddress;
    for (const QString &key : store.keys(User)) {
        const QLatin1String field = key.endsWith(addressKey) ? addressKey : nameKey;
        if (!key.endsWith(field))
            continue;
        bool numeric = false;
        const int i = QStringView(key).chopped(field.size()).toInt(&numeric);
        if (!numeric || i < 1 || directoryIndex(i) + field != key)
            continue;
        stored.insert(i);
        if (field == addressKey)
            withAddress.append(i);
    }
    // The entries from 001 on without a gap.
    int unbroken = 0;
    while (unbroken < stored.size() && stored.contains(unbroken + 1))
        ++unbroken;
    // A missing Count means 1 only where no entry is stored at all.
    const bool damaged = !hasCount ? !stored.isEmpty() : !count || *count < 0 || *count > unbroken;
    if (countDamaged)
        *countDamaged = damaged;
    const int last = damaged ? unbroken : *count;

    std::sort(withAddress.begin(), withAddress.end());
    QList<DirectoryEntry> entries;
    for (int i : std::as_const(withAddress)) {
        if (i > last)
            break;
        const QString index = directoryIndex(i);
        const QString name = store.value(User, index + nameKey);
        const QString address = store.value(User, index + addressKey);
        if (address.trimmed().isEmpty())
            continue;
        entries.append({ name, address });
    }
    return entries;
}

void saveDirectory(SettingsStore &store, const QList<DirectoryEntry> &entries)
{
    // A section that holds exactly these entries, numbered densely, stays
    // as it is: a big directory is not rewritten at every exit.
    const auto holdsEntries = [&] {
        if (store.keys(User).size() != 1 + 2 * entries.size()
            || store.value(User, QStringLiteral("Count")) != QString::number(entries.size()))
            return false;
        for (int i = 0; i < entries.size(); ++i) {
            const QString name = directoryIndex(i + 1) + QLatin1String("UserName");
            const QString address = directoryIndex(i + 1) + QLatin1String("UserIpAddr");
            if (!store.contains(User, name) || !store.contains(User, address)
                || store.value(User, name) != entries[i].UserName || store.value(User, address) != entries[i].UserIpAddr)
                return false;
        }
        return true;
    };
    if (holdsEntries())
        return;
    store.removeSection(User);
    store.setValue(User, QStringLiteral("Count"), QString::number(entries.size()));
    for (int i = 0; i < entries.size(); ++i) {
        const QString index = directoryIndex(i + 1);
        store.setValue(User, index + QLatin1String("UserName"), entries[i].UserName);
        store.setValue(User, index + QLatin1String("UserIpAddr"), entries[i].UserIpAddr);
    }
}
