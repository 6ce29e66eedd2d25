#include "clsSystemFolder.h"

#include <QDir>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QStandardPaths>

clsSystemFolder::clsSystemFolder(SysInfoSources sources)
    : m_sources(std::move(sources))
{
}

QString clsSystemFolder::existing(const QString &folder)
{
    return !folder.isEmpty() && QFileInfo(folder).isDir() ? folder : QString();
}

QString clsSystemFolder::systemFolder(QStringView path) const
{
    return existing(SysInfoFiles::under(m_sources.rootDir, path));
}

QString clsSystemFolder::Windows() const
{
    return systemFolder(u"/usr");
}

QString clsSystemFolder::System() const
{
    return systemFolder(u"/usr/lib");
}

QString clsSystemFolder::Temp() const
{
    QString temp = QDir::tempPath();
    if (!temp.endsWith(QLatin1Char('/')))
        temp += QLatin1Char('/');
    return temp;
}

QString clsSystemFolder::Desktop() const
{
    return existing(QStandardPaths::writableLocation(QStandardPaths::DesktopLocation));
}

QString clsSystemFolder::Programs() const
{
    return existing(QStandardPaths::writableLocation(QStandardPaths::ApplicationsLocation));
}

QString clsSystemFolder::Personal() const
{
    return existing(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
}

QString clsSystemFolder::Favorites() const
{
    return {};
}

QString clsSystemFolder::Startup() const
{
    return existing(
        QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QLatin1String("/autostart"));
}

QString clsSystemFolder::Recent() const
{
    return {};
}

QString clsSystemFolder::SendTo() const
{
    return {};
}

QString clsSystemFolder::StartMenu() const
{
    return existing(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QLatin1String("/menus"));
}

QString clsSystemFolder::Fonts() const
{
    return systemFolder(u"/usr/share/fonts");
}

QString clsSystemFolder::Device() const
{
    return systemFolder(u"/usr/lib/firmware");
}

QString clsSystemFolder::CommonFiles() const
{
    return systemFolder(u"/usr/share");
}

QString clsSystemFolder::Config() const
{
    return systemFolder(u"/etc");
}

QString clsSystemFolder::Media() const
{
    return systemFolder(u"/usr/share/sounds");
}

QString clsSystemFolder::ProgramFiles() const
{
    return systemFolder(u"/opt");
}

QString clsSystemFolder::OldWindows() const
{
    return {};
}

QString clsSystemFolder::ToolInstall() const
{
    // The folder of the Qt tools this suite is built with; "" when the
    // development package is not installed.
    const QString tools = QLibraryInfo::path(QLibraryInfo::BinariesPath);
    for (const QLatin1String tool : { QLatin1String("/qmake6"), QLatin1String("/qmake") }) {
        if (QFileInfo(tools + tool).isExecutable())
            return tools;
    }
    return {};
}
