#pragma once

#include <QString>
#include <QStringList>

class QSettings;

// SettingsStore: text values addressed by (application name, section, key),
// one INI file per application: <directory>/<appName>/<appName>.ini.
//
// Writes go through QSettings, which replaces the file by a rename, so a
// crash never leaves half a file. A file that exists but cannot be read or
// parsed (NUL bytes, text that is not UTF-8, a broken section header) is
// moved aside as "<appName>.ini.unreadable-<timestamp>" before the first
// write, so whatever it held is never silently overwritten. Every store that
// opens the file judges it afresh, whatever QSettings has cached of it.
class SettingsStore
{
public:
    // directory empty: the user's configuration directory ($XDG_CONFIG_HOME).
    explicit SettingsStore(const QString &appName, const QString &directory = {});
    ~SettingsStore();

    SettingsStore(const SettingsStore &) = delete;
    SettingsStore &operator=(const SettingsStore &) = delete;

    QString value(const QString &section, const QString &key, const QString &defaultValue = {}) const;
    // The keys stored in section.
    QStringList keys(const QString &section) const;
    bool contains(const QString &section, const QString &key) const;
    void setValue(const QString &section, const QString &key, const QString &value);
    void removeSection(const QString &section);

    // Writes pending changes; false when the file could not be written.
    bool sync();

    QString filePath() const;
    // Whether the file existed but could not be read when the store opened.
    bool wasUnreadable() const { return m_unreadable; }
    // Where an unreadable file was moved; empty when none was.
    QString keptAsidePath() const { return m_keptAside; }

private:
    // Moves an unreadable file aside before the first write; false when it
    // is still in the way, so nothing may be written.
    bool keepUnreadableFileAside();

    QString m_path;
    QSettings *m_settings = nullptr;
    bool m_unreadable = false;
    QString m_keptAside;
};
