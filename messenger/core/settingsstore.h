#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <utility>

// SettingsStore: text values addressed by (application name, section, key),
// one INI file per application: <directory>/<appName>/<appName>.ini.
//
// Writes replace the file whole by a rename, so a crash never leaves half a
// file, and a write that fails (a full disk, a read-only folder) leaves the
// old file exactly as it was and is reported by sync().
//
// The file is written in the order a person reading or editing it expects:
// [WindowPos], [Local], [User], then any other section; within a section
// the keys the messenger knows in their own order (settingsKeyRank), then
// the others as they were read. Values that would not read back as the same
// text from a plain key=value line are quoted and escaped as QSettings
// escapes them, so either reads them alike.
//
// Only an ordinary file (or a link to one) of at most MaxFileBytes is read,
// and no larger file is ever written.
// A file that exists but cannot be read, is something else (a FIFO, a
// device), is larger, or is damaged (not text of INI lines: sections,
// comments and key=value in UTF-8 or, as a Japanese editor may save it, code
// page 932; a UTF-8 byte-order mark is fine), is moved aside as
// "<appName>.ini.unreadable-<timestamp>" before the first write, so
// whatever it held is never silently overwritten; until then the store reads
// what can still be made of it. The fresh file starts with the settings keys
// that could be read (isSettingsKey), none of the junk the damage made.
// The file is written for its owner alone (0600).
//
// A section of plain lines (an alphanumeric key, "=", a value without
// quotes, escapes, commas or padding) reads the same to anyone, so the store
// reads such a section itself, which for a directory of thousands of users
// costs far less than QSettings' parse. Other sections are parsed by
// QSettings from a private copy of the bytes read (QSettings keeps every file
// it read in a per-process cache and reads one again only when its size or
// time stamp changed, so a file damaged in place would go unnoticed). The
// copy lies beside the file, in the user's own folder, as
// ".<appName>.ini.read-XXXXXX", only while the store opens;
// removeStaleCopies() clears what a killed program left. Where the copy
// cannot be made (a full disk, a read-only folder), QSettings parses the
// file itself, which it never writes.
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
    // Where a store of appName in directory (as for the constructor) keeps
    // its file.
    static QString filePathFor(const QString &appName, const QString &directory = {});
    // Whether the file existed but could not be read, or was damaged, when
    // the store opened.
    bool wasUnreadable() const { return m_unreadable; }
    // Whether the file was read as code page 932 (saved so by an editor):
    // it is kept aside before the first write, which writes UTF-8.
    bool wasCodePage932() const { return m_codePage932; }
    // Where an unreadable file was moved; empty when none was.
    QString keptAsidePath() const { return m_keptAside; }
    // Moves the file aside now, as an unreadable one would be, for a file
    // that reads but holds something wrong: what the store holds is written
    // to a fresh file at the next sync. False when there is no file or it
    // could not be moved.
    bool moveAside();

    // Removes the private copies a store of appName in directory (as for
    // the constructor) left when its program was killed while opening it,
    // and those an earlier version left in the shared temporary folder.
    // Only for a caller that knows no other store of appName is opening
    // there (it holds the single-instance lock).
    static void removeStaleCopies(const QString &appName, const QString &directory = {});

private:
    // Moves an unreadable file aside before the first write; false when it
    // is still in the way, so nothing may be written.
    bool keepUnreadableFileAside();
    // Takes what QSettings made of bytes (UTF-8), for every section not
    // read as plain. parseFile: the file itself may be parsed where no copy
    // can be made.
    void parseWithQSettings(const QByteArray &bytes, bool parseFile);
    // The file's text as the store writes it.
    QByteArray fileText() const;

    using Lines = QList<std::pair<QStringView, QStringView>>;
    // A section the store reads itself: lines QSettings would read the same
    // way (see plainSections in the source), kept until the section is
    // first written.
    struct PlainSection
    {
        // The text read, which lines view.
        QString text;
        Lines lines;
        // Where each key is in lines, made when first asked for: a load
        // that reads the section line by line needs none.
        const QHash<QStringView, qsizetype> &at() const;
        mutable std::optional<QHash<QStringView, qsizetype>> index;
    };
    // A section as the store holds it once written, or as QSettings read it:
    // its keys in the order read or first written.
    struct Section
    {
        QList<std::pair<QString, QString>> lines;
        QHash<QString, qsizetype> at;
        void set(const QString &key, const QString &value);
    };
    // Keeps a section of text read as plain; false when it names a key
    // twice.
    bool takePlainSection(const QString &name, const QString &text, Lines lines);
    const PlainSection *plainSection(const QString &section) const;
    // The section to write into, made from its plain lines where it has
    // them.
    Section &writableSection(const QString &section);

    QString m_path;
    QHash<QString, PlainSection> m_plain;
    QHash<QString, Section> m_sections;
    // Every section's name, in the order read or first written.
    QStringList m_sectionOrder;
    bool m_unreadable = false;
    bool m_codePage932 = false;
    // Whether anything was written since the store opened or last synced.
    bool m_changed = false;
    QString m_keptAside;
    // The file's bytes as read or last written (empty: no file); none where
    // they are unknown.
    std::optional<QByteArray> m_fileBytes;
};
