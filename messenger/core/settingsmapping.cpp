#include "settingsmapping.h"

#include "datagram.h"
#include "logcategories.h"
#include "settingsstore.h"
#include "soundfile.h"

#include <QHostInfo>

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <vector>

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

namespace {

using Bad = LocalSettingKey::BadValue;

// A boolean option: "True" or "False"; a text that is neither keeps the
// field as it was.
template <bool LocalSettings::*Field, bool Default> constexpr LocalSettingKey booleanKey(const char *name)
{
    return { name, Field, [](LocalSettings &s) { s.*Field = Default; },
        [](LocalSettings &s, const QString &text) {
            const auto value = parseSettingsBoolean(text);
            if (value)
                s.*Field = *value;
            return value.has_value();
        },
        [](const LocalSettings &s) { return formatSettingsBoolean(s.*Field); }, Bad::KeptAsItWas, nullptr };
}

const LocalSettingKey LocalKeys[] = {
    { "SoundFilePath", nullptr, [](LocalSettings &s) { s.SoundFilePath = defaultArrivalSoundPath(); },
        [](LocalSettings &s, const QString &text) {
            s.SoundFilePath = text;
            return true;
        },
        [](const LocalSettings &s) { return s.SoundFilePath; }, Bad::KeptAsItWas, nullptr },
    booleanKey<&LocalSettings::Sound, true>("Sound"),
    booleanKey<&LocalSettings::FormTop, false>("FormTop"),
    booleanKey<&LocalSettings::PopUp, true>("PopUp"),
    // A port the socket cannot open counts as missing, and the user is told.
    { "Port", nullptr, [](LocalSettings &s) { s.Port = DefaultPort; },
        [](LocalSettings &s, const QString &text) {
            const auto port = parseSettingsInt32(text);
            if (!port || *port < 1 || *port > 65535)
                return false;
            s.Port = *port;
            return true;
        },
        [](const LocalSettings &s) { return QString::number(s.Port); }, Bad::Default, &SettingsNotices::portInvalid },
    // What a damaged file made of a name would go out as '?': the name of a
    // missing key goes instead.
    { "UserName", nullptr, [](LocalSettings &s) { s.UserName = QHostInfo::localHostName(); },
        [](LocalSettings &s, const QString &text) {
            if (text.contains(QChar::ReplacementCharacter))
                return false;
            s.UserName = text;
            return true;
        },
        [](const LocalSettings &s) { return s.UserName; }, Bad::Default, nullptr },
    // Every datagram names it; anything but an address there would be sent:
    // a bad one is dropped, and the user told.
    { "IpAddr", nullptr, [](LocalSettings &s) { s.IpAddr.clear(); },
        [](LocalSettings &s, const QString &text) {
            const QString address = text.trimmed();
            if (!address.isEmpty() && !isDottedQuad(address))
                return false;
            s.IpAddr = address;
            return true;
        },
        [](const LocalSettings &s) { return s.IpAddr; }, Bad::Default, &SettingsNotices::ipAddrInvalid },
    booleanKey<&LocalSettings::Broadcast, true>("Broadcast"),
    // Blanks around the addresses and empty entries go; other entries stay
    // as written (only addresses are used).
    { "BroadcastTo", nullptr, [](LocalSettings &s) { s.BroadcastTo.clear(); },
        [](LocalSettings &s, const QString &text) {
            s.BroadcastTo.clear();
            for (const QString &entry : text.split(u',')) {
                if (!entry.trimmed().isEmpty())
                    s.BroadcastTo.append(entry.trimmed());
            }
            return true;
        },
        [](const LocalSettings &s) { return s.BroadcastTo.join(u','); }, Bad::KeptAsItWas, nullptr },
    booleanKey<&LocalSettings::KeepLog, true>("KeepLog"),
    booleanKey<&LocalSettings::Notify, true>("Notify"),
    // "auto", "ja" or "en"; anything else keeps the choice as it was.
    { "Language", nullptr, [](LocalSettings &s) { s.Language = UiLanguage::Choice::Auto; },
        [](LocalSettings &s, const QString &text) {
            const auto choice = UiLanguage::choiceFromSetting(text);
            if (choice)
                s.Language = *choice;
            return choice.has_value();
        },
        [](const LocalSettings &s) { return UiLanguage::settingValue(s.Language); }, Bad::KeptAsItWas, nullptr },
};

} // namespace

std::span<const LocalSettingKey> localSettingKeys()
{
    return LocalKeys;
}

const LocalSettingKey *localSettingKey(QAnyStringView name)
{
    for (const LocalSettingKey &key : LocalKeys) {
        if (QAnyStringView::compare(name, QLatin1String(key.name)) == 0)
            return &key;
    }
    return nullptr;
}

LocalSettings defaultLocalSettings()
{
    LocalSettings settings;
    for (const LocalSettingKey &key : LocalKeys)
        key.setDefault(settings);
    return settings;
}

QString directoryIndex(int i)
{
    return QStringLiteral("%1").arg(i, 3, 10, QLatin1Char('0'));
}

int directoryIndexOf(QStringView text)
{
    // directoryIndex pads to three digits and no further.
    if (text.size() < 3 || (text.size() > 3 && text.startsWith(u'0'))
        || !std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; }))
        return -1;
    bool ok = false;
    const int i = text.toInt(&ok);
    return ok && i >= 1 ? i : -1;
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
        return directoryIndexOf(QStringView(key).chopped(field.size())) >= 1;
    }
    return false;
}

int settingsSectionRank(QStringView section)
{
    const QStringView order[] = { u"WindowPos", u"Local", u"User" };
    const auto at = std::find(std::begin(order), std::end(order), section);
    return int(at - std::begin(order));
}

std::pair<int, int> settingsKeyRank(QStringView section, QStringView key)
{
    constexpr int Others = std::numeric_limits<int>::max();
    if (section == User) {
        if (key == u"Count")
            return { 0, 0 };
        for (const auto &[field, place] : { std::pair(u"UserName", 0), std::pair(u"UserIpAddr", 1) }) {
            if (key.endsWith(field)) {
                const int i = directoryIndexOf(key.chopped(QStringView(field).size()));
                if (i >= 1)
                    return { i, place };
            }
        }
        return { Others, 0 };
    }
    static const QStringView windowPos[] = { u"Top", u"Left", u"Width", u"Height" };
    const auto rank = [&](const auto &keys) {
        const auto at = std::find(std::begin(keys), std::end(keys), key);
        return std::pair(at == std::end(keys) ? Others : int(at - std::begin(keys)), 0);
    };
    if (section == QLatin1String(SettingsKey::WindowPos))
        return rank(windowPos);
    if (section == Local) {
        const LocalSettingKey *at = localSettingKey(key);
        return { at ? int(at - LocalKeys) : Others, 0 };
    }
    return { Others, 0 };
}

SettingsNotices loadLocalSettings(const SettingsStore &store, LocalSettings &settings)
{
    SettingsNotices notices;
    for (const LocalSettingKey &key : LocalKeys) {
        const QString name = QLatin1String(key.name);
        if (!store.contains(Local, name)) {
            key.setDefault(settings);
            continue;
        }
        const QString text = store.value(Local, name);
        if (key.read(settings, text))
            continue;
        if (key.bad == LocalSettingKey::BadValue::Default) {
            key.setDefault(settings);
            qCDebug(lcSettings).nospace() << "Local/" << key.name << " holds " << text << ": the default is used";
        } else {
            qCDebug(lcSettings).nospace() << "Local/" << key.name << " holds " << text << ": left as it was";
        }
        if (key.notice)
            notices.*(key.notice) = true;
    }
    return notices;
}

void saveLocalSettings(SettingsStore &store, const LocalSettings &settings)
{
    for (const LocalSettingKey &key : LocalKeys)
        store.setValue(Local, QLatin1String(key.name), key.write(settings));
}

WindowPlace loadWindowPlace(const SettingsStore &store)
{
    const QString windowPos = QLatin1String(SettingsKey::WindowPos);
    const auto edge = [&](const char *key) -> std::optional<float> {
        if (!store.contains(windowPos, QLatin1String(key)))
            return std::nullopt;
        const QString text = store.value(windowPos, QLatin1String(key));
        const auto twips = parseSettingsSingle(text);
        if (!twips)
            qCDebug(lcSettings).nospace() << "WindowPos/" << key << " holds " << text << ": the edge stays where it is";
        return twips;
    };
    return { edge("Left"), edge("Top"), edge("Width"), edge("Height") };
}

void saveWindowPlace(SettingsStore &store, const WindowPlace &place)
{
    const QString windowPos = QLatin1String(SettingsKey::WindowPos);
    for (const auto &[key, twips] : { std::pair("Top", place.Top), std::pair("Left", place.Left),
             std::pair("Width", place.Width), std::pair("Height", place.Height) }) {
        if (twips)
            store.setValue(windowPos, QLatin1String(key), formatSettingsSingle(*twips));
    }
}

QList<DirectoryEntry> loadDirectory(const SettingsStore &store, bool *countDamaged, bool *holdsExactly)
{
    // Count was a 16-bit number once; a larger directory must still load, so
    // any 32-bit count is taken. The section is read in one pass: a
    // directory has thousands of keys.
    const QLatin1String nameKey("UserName");
    const QLatin1String addressKey("UserIpAddr");
    struct Stored
    {
        QString name;
        QString address;
        bool named = false;
        bool addressed = false;
    };
    // An entry is loaded only from an unbroken run from 001, which cannot
    // be longer than the section has keys: a higher index (a damaged file's
    // huge one, say) is only noted as stored.
    const qsizetype lines = store.size(User);
    std::vector<Stored> stored(size_t(lines) + 1);
    bool anyStored = false;
    std::optional<QString> countText;
    store.forEachLine(User, [&](QStringView key, QStringView value) {
        if (key == QLatin1String("Count")) {
            countText = value.toString();
            return;
        }
        const bool isAddress = key.endsWith(addressKey);
        const QLatin1String field = isAddress ? addressKey : nameKey;
        if (!key.endsWith(field))
            return;
        const int i = directoryIndexOf(key.chopped(field.size()));
        if (i < 1)
            return;
        anyStored = true;
        if (qsizetype(i) > lines)
            return;
        Stored &entry = stored[size_t(i)];
        (isAddress ? entry.address : entry.name) = value.toString();
        (isAddress ? entry.addressed : entry.named) = true;
    });
    // The entries from 001 on without a gap.
    int unbroken = 0;
    while (unbroken < lines && (stored[size_t(unbroken) + 1].named || stored[size_t(unbroken) + 1].addressed))
        ++unbroken;
    // A missing Count means 1 only where no entry is stored at all.
    const auto count = parseSettingsInt32(countText.value_or(QStringLiteral("1")));
    const bool damaged = !countText ? anyStored : !count || *count < 0 || *count > unbroken;
    if (countDamaged)
        *countDamaged = damaged;
    const int last = damaged ? unbroken : *count;

    QList<DirectoryEntry> entries;
    entries.reserve(qMin(qsizetype(last), lines));
    // Whether the section is what saveDirectory writes for these entries:
    // Count, then a name and an address for each index from 001 on.
    bool dense = countText.has_value();
    for (qsizetype i = 1; i <= qMin(qsizetype(last), lines); ++i) {
        const Stored &entry = stored[size_t(i)];
        if (!entry.addressed)
            continue;
        const bool blank = entry.address.trimmed().isEmpty();
        dense = dense && i == entries.size() + 1 && entry.named && !blank;
        if (!blank)
            entries.append({ entry.name, entry.address });
    }
    if (holdsExactly)
        *holdsExactly = dense && lines == 1 + 2 * entries.size() && countText == QString::number(entries.size());
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
