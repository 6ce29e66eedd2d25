#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

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
std::optional<qint16> parseSettingsInt16(const QString &text);
std::optional<float> parseSettingsSingle(const QString &text);
QString formatSettingsBoolean(bool value);
QString formatSettingsSingle(float value);

// The key prefix of directory entry i (1-based): 001 ... 999, 1000, ...
QString directoryIndex(int i);

// Reads the keys of "Local" in order: the six of every messenger, then
// IpAddr, Broadcast, BroadcastTo, KeepLog and Notify, which older files lack. A missing key takes its value from
// defaults; a value that does not convert leaves the field as it was.
void loadLocalSettings(const SettingsStore &store, LocalSettings &settings, const LocalSettings &defaults);
void saveLocalSettings(SettingsStore &store, const LocalSettings &settings);

// The stored directory, in index order from 001 to Count, entries with a
// blank address left out. A Count that does not convert loads nothing.
QList<DirectoryEntry> loadDirectory(const SettingsStore &store);
// Replaces section "User" with entries, numbered densely from 001.
void saveDirectory(SettingsStore &store, const QList<DirectoryEntry> &entries);
