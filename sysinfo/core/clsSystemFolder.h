#pragma once

#include "sysinfosources.h"

#include <QString>

// Paths of the system and shell folders. System and user folders alike are
// given only when they exist on the machine; a folder this platform has no
// counterpart for (Favorites, Recent, SendTo, OldWindows) is "".
//   Windows      /usr           System        /usr/lib
//   Temp         the temporary folder, ending in "/"
//   Desktop, Personal           the XDG desktop and documents folders
//   Programs     the user's application entries
//   Startup      the user's XDG autostart folder
//   StartMenu    the user's XDG menu folder
//   Fonts        /usr/share/fonts    Device       /usr/lib/firmware
//   CommonFiles  /usr/share          Config       /etc
//   Media        /usr/share/sounds   ProgramFiles /opt
//   ToolInstall  the Qt development tools (qmake, moc ...) when installed
class clsSystemFolder
{
public:
    explicit clsSystemFolder(SysInfoSources sources = {});

    QString Windows() const;
    QString System() const;
    QString Temp() const;
    QString Desktop() const;
    QString Programs() const;
    QString Personal() const;
    QString Favorites() const;
    QString Startup() const;
    QString Recent() const;
    QString SendTo() const;
    QString StartMenu() const;
    QString Fonts() const;
    QString Device() const;
    QString CommonFiles() const;
    QString Config() const;
    QString Media() const;
    QString ProgramFiles() const;
    QString OldWindows() const;
    QString ToolInstall() const;

private:
    QString systemFolder(QStringView path) const;
    static QString existing(const QString &folder);

    SysInfoSources m_sources;
};
