#include "messengerprogram.h"

#include "frm_pelwickUDP.h"
#include "terminationwatcher.h"

#include <QApplication>

#include <QScopeGuard>

#include <cstdlib>

namespace {

// The window the program runs, for the exit handler.
frm_pelwickUDP *RunningWindow = nullptr;

// Qt's X11 and Wayland platforms end the program with exit() when the
// display's connection breaks (the server or compositor ended, as at many a
// logout). The window then unloads as on SIGTERM, so peers hear the goodbye
// and nothing is lost.
void unloadAtExit()
{
    if (frm_pelwickUDP *window = std::exchange(RunningWindow, nullptr))
        window->displayLost();
}

} // namespace

int runMessenger(frm_pelwickUDP &window, const std::function<void()> &loaded)
{
    // Watched from the start, so a signal during start-up waits for the
    // event loop instead of killing the program unsaved.
    TerminationWatcher termination;
    QObject::connect(
        &termination, &TerminationWatcher::terminationRequested, &window, &frm_pelwickUDP::requestTermination);

    static bool exitHandlerSet = false;
    if (!std::exchange(exitHandlerSet, true))
        std::atexit(unloadAtExit);
    RunningWindow = &window;
    const auto forget = qScopeGuard([] { RunningWindow = nullptr; });

    if (!window.Form_Load())
        return 0;
    QObject::connect(&window, &frm_pelwickUDP::unloaded, qApp, &QApplication::quit, Qt::QueuedConnection);
    // The session manager asks for the data before a log-out that may still
    // be cancelled: saved, but the program runs on.
    QObject::connect(qApp, &QGuiApplication::commitDataRequest, &window, [&window] { window.LoadOrSaveSettings(SettingsTransfer::Save); });
    QObject::connect(qApp, &QCoreApplication::aboutToQuit, &window, [&window] { window.Form_Unload(); });
    if (loaded)
        loaded();
    window.showAtStart();
    return QApplication::exec();
}
