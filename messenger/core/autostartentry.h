#pragma once

#include <QString>
#include <QStringList>

// The user's entry that starts a program at login: the desktop entry
// "<desktopId>.desktop" in the autostart folder ($XDG_CONFIG_HOME/autostart),
// which every freedesktop session (GNOME, KDE Plasma, Xfce, LXQt, ...) reads
// at login:
//
//   [Desktop Entry]
//   Type=Application
//   Name=<name>
//   Exec=<command; each argument in double quotes where it holds a space
//         or a reserved character, with " ` $ and \ escaped by a backslash>
//   Icon=<desktopId>
//   Terminal=false
//   X-GNOME-Autostart-enabled=true
//
// The entry is on while the file exists and neither says Hidden=true nor
// X-GNOME-Autostart-enabled=false (how session settings switch an entry off
// without removing it).
class AutostartEntry
{
public:
    // directory: the autostart folder; empty: $XDG_CONFIG_HOME/autostart.
    AutostartEntry(const QString &directory, const QString &desktopId);

    QString filePath() const;
    bool isEnabled() const;
    // Writes the entry (whole, through a temporary file) with command as
    // its Exec line: the program and its arguments. False when it cannot.
    bool enable(const QString &name, const QStringList &command) const;
    // Removes the entry; true when none is left.
    bool disable() const;

    // The entry's text; empty when command cannot be written as an Exec
    // line (no program, or a line break in it).
    static QByteArray entryText(const QString &name, const QString &desktopId, const QStringList &command);
    // The Exec value of command, before the value escapes of the file.
    static QString execLine(const QStringList &command);

private:
    QString m_directory;
    QString m_desktopId;
};
