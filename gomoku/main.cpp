#include "desktopidentity.h"
#include "screenfit.h"
#include "uitranslation.h"
#include "windowhelpers.h"
#include "frm_GOMOKU.h"
#include "terminationwatcher.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    DesktopIdentity::ApplicationArguments arguments(argc, argv);
    QApplication app(arguments.count(), arguments.values());
    QCoreApplication::setApplicationName(QStringLiteral("GOMOKU"));
    DesktopIdentity::apply(DesktopIdentity::Gomoku);
    UiTranslation::installForThisStart();
    ScreenFit::install();
    keepModalDialogsInReach();

    frm_GOMOKU window;
    if (window.alreadyRunning())
        return 0;

    // SIGTERM, SIGHUP and Ctrl+C close the game like its user would.
    TerminationWatcher termination;
    QObject::connect(&termination, &TerminationWatcher::terminationRequested, &window, &frm_GOMOKU::closeOnSignal);
    QObject::connect(&window, &frm_GOMOKU::programEnded, &app, [] { QCoreApplication::exit(0); });

    window.show();
    return app.exec();
}
