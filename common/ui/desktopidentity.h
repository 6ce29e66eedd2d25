#pragma once

#include <QIcon>

#include <vector>

// How a program meets the desktop: the window system it runs on, the desktop
// entry its windows belong to, and its icon.
namespace DesktopIdentity {

// Desktop entry ids (the file names without ".desktop"); each program's
// icon has the same name.
inline constexpr char Messenger[] = "org.pelwick.Pelwick";
inline constexpr char Splitter[] = "org.pelwick.Pelwick.Split";
inline constexpr char Clock[] = "org.pelwick.Pelwick.Clock";
inline constexpr char Gomoku[] = "org.pelwick.Pelwick.Gomoku";

// The arguments for the application object. In a Wayland session that also
// runs XWayland, and unless the user chose a platform (QT_QPA_PLATFORM or
// -platform), "-platform xcb" is added: on X11 a window can stay on top,
// place itself and be placed where it was, which Wayland leaves to the
// compositor. Programs a messenger starts choose the same way for themselves.
class ApplicationArguments
{
public:
    ApplicationArguments(int argc, char *argv[]);
    ApplicationArguments(const ApplicationArguments &) = delete;
    ApplicationArguments &operator=(const ApplicationArguments &) = delete;

    // Both must outlive the application object.
    int &count() { return m_count; }
    char **values() { return m_values.data(); }

    // Whether "-platform xcb" is added, for the given environment values.
    static bool prefersXcb(bool platformChosen, bool waylandSession, bool xDisplay);

private:
    int m_count = 0;
    std::vector<char *> m_values;
    char m_platformOption[10] = "-platform";
    char m_platform[4] = "xcb";
};

// Names the application's desktop entry (the Wayland app id, and the entry
// notifications and task bars show it under) and sets its icon as every
// window's icon.
void apply(const char *desktopId);

// The program's icon, drawn at every size the icon theme holds.
QIcon icon(const char *desktopId);

} // namespace DesktopIdentity
