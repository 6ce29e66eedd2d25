#include "frm_GOMOKU.h"
#include "terminationsignals.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("GOMOKU"));

    frm_GOMOKU window;
    if (window.alreadyRunning())
        return 0;

    // SIGTERM and SIGHUP close the game like its user would.
    TerminationSignals termination;
    QObject::connect(&termination, &TerminationSignals::received, &window, &frm_GOMOKU::closeOnSignal);
    QObject::connect(&window, &frm_GOMOKU::programEnded, &app, [] { QCoreApplication::exit(0); });

    window.show();
    return app.exec();
}
