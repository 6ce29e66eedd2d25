#pragma once

#include "uilanguage.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>
#include <utility>

class SettingsStore;

// The messenger's options in memory. All false, zero and empty before the
// first load.
struct LocalSettings
{
    QString SoundFilePath;
    bool Sound = false;
    bool FormTop = false;
    bool PopUp = false;
    qint32 Port = 0;
    QString UserName;
    // The own address written into datagrams; empty: the address the
    // system reaches each destination from.
    QString IpAddr;
    // Announce to every subnet at start and on the connection check.
    bool Broadcast = false;
    // Further broadcast addresses announced to with the own subnets' (other
    // subnets behind a router), as stored: "a.b.c.d,a.b.c.d".
    QStringList BroadcastTo;
    // Keep the conversation in a log file in the user's data folder.
    bool KeepLog = false;
    // Show a desktop notification for a text that arrives unseen.
    bool Notify = false;
    // The programs' language from the next start on.
    UiLanguage::Choice Language = UiLanguage::Choice::Auto;
};

constexpr qint32 DefaultPort = 59640;

namespace SettingsKey {
inline constexpr char WindowPos[] = "WindowPos";
inline constexpr char Local[] = "Local";
inline constexpr char User[] = "User";
} // namespace SettingsKey

// One stored user: the name and the address text as stored (untrimmed).
struct DirectoryEntry
{
    QString UserName;
    QString UserIpAddr;

    bool operator==(const DirectoryEntry &) const = default;
};

// "True"/"False" in any letter case, or a number (0 false, anything else
// true); nothing for text that is neither.
std::optional<bool> parseSettingsBoolean(const QString &text);
// Decimal text within the range of the target type; nothing otherwise.
std::optional<qint32> parseSettingsInt32(const QString &text);
std::optional<float> parseSettingsSingle(const QString &text);
QString formatSettingsBoolean(bool value);
QString formatSettingsSingle(float value);

// The key prefix of directory entry i (1-based): 001 ... 999, 1000, ...
QString directoryIndex(int i);
// The entry a key prefix names: the inverse of directoryIndex, -1 for any
// text it does not write.
int directoryIndexOf(QStringView text);

// Whether section/key is one the messenger stores: the keys of "WindowPos"
// and "Local" (names of letters and digits, so later versions' keys count),
// Count and the entries' keys of "User". Nothing else is carried into a
// fresh file when a damaged one is moved aside.
bool isSettingsKey(const QString &section, const QString &key);

// Where a section and a key go in the file: the order a person reading or
// editing it expects. [WindowPos] (Top, Left, Width, Height), [Local] (the
// six keys of every messenger in their own order, then IpAddr, Broadcast,
// BroadcastTo, KeepLog, Notify, Language), [User] (Count, then each entry's name and
// address, entries in number order); other sections and keys after those,
// in a stable order of their own.
int settingsSectionRank(QStringView section);
std::pair<int, int> settingsKeyRank(QStringView section, QStringView key);

// What a load found wrong in the stored values and mended; the window says
// each once.
struct SettingsNotices
{
    // Port was not a number from 1 to 65535: DefaultPort is used.
    bool portInvalid = false;
    // IpAddr was not a dotted-quad IPv4 address: it is ignored, and the own
    // address is found per destination.
    bool ipAddrInvalid = false;
    // Count did not match the stored entries: they were loaded by their keys.
    bool countDamaged = false;

    bool any() const { return portInvalid || ipAddrInvalid || countDamaged; }
};

// Reads the keys of "Local" in order: the six of every messenger, then
// IpAddr, Broadcast, BroadcastTo, KeepLog, Notify and Language, which older
// files lack.
// A missing key takes its value from defaults; a value that does not convert
// leaves the field as it was, except Port (outside 1-65535 or not a number:
// the default) and IpAddr (not a dotted quad: empty), which are reported.
SettingsNotices loadLocalSettings(const SettingsStore &store, LocalSettings &settings, const LocalSettings &defaults);
void saveLocalSettings(SettingsStore &store, const LocalSettings &settings);

// The stored directory, entries with a blank address left out. With a Count
// from 0 up to the number of entries stored from 001 on without a gap: the
// entries from 001 to Count. Otherwise (Count missing while entries are
// stored, negative, not a number, or beyond those entries) the Count is
// damaged, and the entries from 001 on are loaded for as long as they
// continue; countDamaged, when given, says so. holdsExactly, when given,
// says whether the section is just what saveDirectory writes for the
// entries returned, so saving them again would change nothing.
QList<DirectoryEntry> loadDirectory(
    const SettingsStore &store, bool *countDamaged = nullptr, bool *holdsExactly = nullptr);
// Replaces section "User" with entries, numbered densely from 001.
void saveDirectory(SettingsStore &store, const QList<DirectoryEntry> &entries);
