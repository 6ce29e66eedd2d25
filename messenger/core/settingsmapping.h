#pragma once

#include "uilanguage.h"

#include <QAnyStringView>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>
#include <span>
#include <utility>

class SettingsStore;

// The messenger's options in memory. All false, zero and empty before the
// first load; what each key of "Local" is, reads and writes is said once,
// in the table localSettingKeys().
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
    // The file could not be read, or was damaged: what could be read and
    // the defaults are in use.
    bool unreadable = false;
    // The file as it was (unreadable, with a damaged Count, or saved in code
    // page 932 by an editor) was moved aside, and what was made of it
    // written to a fresh file.
    bool keptAside = false;
};

// One key of section "Local": its name, the value a missing key takes, how
// its text is read and written, and what a bad text becomes. Load, save,
// the first start's values, the order of the keys in the file and the
// options dialog's check boxes all come from the table of them.
struct LocalSettingKey
{
    // What a stored text that read() refuses becomes.
    enum class BadValue {
        // The field keeps what it held (false, zero or empty at the first
        // load), as a value that does not convert always did.
        KeptAsItWas,
        // The field takes the default, as if the key were missing.
        Default,
    };

    // The key's name in section "Local".
    const char *name;
    // A boolean option's field, shown by the options dialog as the check
    // box "Check_" + name; null for the other keys.
    bool LocalSettings::*flag;
    // Sets the field to what a missing key means.
    void (*setDefault)(LocalSettings &);
    // Takes the stored text into the field; false, leaving it untouched,
    // for a text that is not a value of the key.
    bool (*read)(LocalSettings &, const QString &text);
    // The field as it is stored.
    QString (*write)(const LocalSettings &);
    BadValue bad;
    // The notice a bad text raises, so the user learns of it; null: it is
    // only logged.
    bool SettingsNotices::*notice;
};

// Every key of "Local", in the order the file holds them: the six of every
// messenger (SoundFilePath, Sound, FormTop, PopUp, Port, UserName), then
// IpAddr, Broadcast, BroadcastTo, KeepLog, Notify and Language, which older
// files lack.
std::span<const LocalSettingKey> localSettingKeys();
// The row of localSettingKeys() named name; null for a key not in it.
const LocalSettingKey *localSettingKey(QAnyStringView name);

// What every key's default makes: the options of a first start. Sound,
// PopUp, Broadcast, KeepLog and Notify on, the chime beside the program,
// DefaultPort, the host's name, the own address found per destination, the
// session's language.
LocalSettings defaultLocalSettings();

// Reads the keys of "Local" in the table's order into settings: a missing
// key takes its default, a bad text becomes what its row says (and is
// reported where the row has a notice).
SettingsNotices loadLocalSettings(const SettingsStore &store, LocalSettings &settings);
// Writes every key of "Local" in the table's order.
void saveLocalSettings(SettingsStore &store, const LocalSettings &settings);

// The main window's place and size as stored in "WindowPos", in twips
// (1440 to the logical inch). An edge is missing where its key is, or its
// text is not a single-precision number.
struct WindowPlace
{
    std::optional<float> Left;
    std::optional<float> Top;
    std::optional<float> Width;
    std::optional<float> Height;

    bool operator==(const WindowPlace &) const = default;
};
WindowPlace loadWindowPlace(const SettingsStore &store);
// Writes Top, Left, Width and Height; an edge without a value is left as
// stored.
void saveWindowPlace(SettingsStore &store, const WindowPlace &place);

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
