#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <utility>

class QSettings;
class QTemporaryDir;

// SettingsStore: text values addressed by (application name, section, key),
// one INI file per application: <directory>/<appName>/<appName>.ini.
//
// Writes replace the file by a rename, so a crash never leaves half a file.
// Only an ordinary file (or a link to one) of at most MaxFileBytes is read,
// and no larger file is ever written.
// A file that exists but cannot be read, is something else (a FIFO, a
// device), is larger, or is damaged (not text of INI lines: sections,
// comments and key=value; a UTF-8 byte-order mark is fine), is moved aside
// as "<appName>.ini.unreadable-<timestamp>" before the first write, so
// whatever it held is never silently overwritten; until then the store reads
// what can still be made of it. The fresh file starts with the settings keys
// that could be read (isSettingsKey), none of the junk the damage made.
// The file is written for its owner alone (0600).
//
// QSettings parses every key of a section into a sorted map, which for a
// directory of thousands of users costs more than the rest of a start. A
// section of plain lines (an alphanumeric key, "=", a value without quotes,
// escapes, commas or padding) reads the same to anyone, so the store reads
// such a section itself and leaves it to QSettings from its first write.
//
// QSettings keeps every file it has read in a per-process cache and reads a
// file again only when its size or time stamp changed, so a file damaged in
// place would go unnoticed within one process. The store therefore reads the
// file's bytes itself at every open and lets QSettings work on a private
// copy, which it writes back on sync.
class SettingsStore
{
public:
    static constexpr qint64 MaxFileBytes = 16 * 1024 * 1024;

    // directory empty: the user's configuration directory ($XDG_CONFIG_HOME).
    explicit SettingsStore(const QString &appName, const QString &directory = {});
    ~SettingsStore();

    SettingsStore(const SettingsStore &) = delete;
    SettingsStore &operator=(const SettingsStore &) = delete;

    QString value(const QString &section, const QString &key, const QString &defaultValue = {}) const;
    // The keys stored in section.
    QStringList keys(const QString &section) const;
    // How many keys section holds.
    qsizetype size(const QString &section) const;
    // Calls read with each key stored in section and its value: for a big
    // section cheaper than asking key by key. The views last for the call.
    void forEachLine(const QString &section, const std::function<void(QStringView key, QStringView value)> &read) const;
    bool contains(const QString &section, const QString &key) const;
    void setValue(const QString &section, const QString &key, const QString &value);
    void removeSection(const QString &section);

    // Writes pending changes; false when the file could not be written.
    bool sync();

    // Whether the file still holds what the store read or last wrote, so a
    // store kept open may go on being used: reading the file again would
    // give the same. False for a file the store could not read, and for a
    // store holding changes it has not written (a write failed), which the
    // caller makes again on a store opened anew.
    bool isCurrent() const;

    QString filePath() const;
    // Whether the file existed but could not be read, or was damaged, when
    // the store opened.
    bool wasUnreadable() const { return m_unreadable; }
    // Where an unreadable file was moved; empty when none was.
    QString keptAsidePath() const { return m_keptAside; }
    // Moves the file aside now, as an unreadable one would be, for a file
    // that reads but holds something wrong: what the store holds is written
    // to a fresh file at the next sync. False when there is no file or it
    // could not be moved.
    bool moveAside();

private:
    // Moves an unreadable file aside before the first write; false when it
    // is still in the way, so nothing may be written.
    bool keepUnreadableFileAside();

    // A section the store reads itself: lines QSettings would read the same
    // way (see plainSections in the source), kept until the section is
    // first written, when QSettings takes it over from the same bytes.
    struct PlainSection
    {
        // The text read, which lines view.
        QString text;
        QList<std::pair<QStringView, QStringView>> lines;
        // Where each key is in lines, made when first asked for: a load
        // that reads the section line by line needs none.
        const QHash<QStringView, qsizetype> &at() const;
        mutable std::optional<QHash<QStringView, qsizetype>> index;
    };
    // Keeps a section of text read as plain; false when it names a key
    // twice.
    bool takePlainSection(const QString &name, const QString &text, QList<std::pair<QStringView, QStringView>> lines);
    const PlainSection *plainSection(const QString &section) const;

    QString m_path;
    QHash<QString, PlainSection> m_plain;
    // Holds the private copy QSettings works on.
    std::unique_ptr<QTemporaryDir> m_work;
    QSettings *m_settings = nullptr;
    bool m_unreadable = false;
    // Whether anything was written since the store opened or last synced.
    bool m_changed = false;
    QString m_keptAside;
    // The file's bytes as read or last written (empty: no file); none where
    // they are unknown.
    std::optional<QByteArray> m_fileBytes;
};
