#include "messengerprogram.h"

#include "frm_pelwickUDP.h"
#include "terminationwatcher.h"

#include <QApplication>

int runMessenger(frm_pelwickUDP &window, const std::function<void()> &loaded)
{
    // Watched from the start, so a signal during start-up waits for the
    // event loop instead of killing the program unsaved.
    TerminationWatcher termination;
    QObject::connect(
        &termination, &TerminationWatcher::terminationRequested, &window, &frm_pelwickUDP::requestTermination);

    if (!window.Form_Load())
        return 0;
    QObject::connect(&window, &frm_pelwickUDP::unloaded, qApp, &QApplication::quit, Qt::QueuedConnection);
    QObject::connect(qApp, &QGuiApplication::commitDataRequest, &window, [&window] { window.Form_Unload(); });
    QObject::connect(qApp, &QCoreApplication::aboutToQuit, &window, [&window] { window.Form_Unload(); });
    if (loaded)
        loaded();
    window.showAtStart();
    return QApplication::exec();
}
