#include "frm_pelwickUDP.h"
#include "messengerprogram.h"
#include "pelwickversion.h"

#include <QApplication>
#include <QFileInfo>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Pelwick"));
    QApplication::setApplicationVersion(QString::fromLatin1(PelwickVersion::Text));
    // Closing the main window ends the program with all its tool windows.
    QApplication::setQuitOnLastWindowClosed(false);

    MessengerEnvironment environment;
    environment.appName = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
    frm_pelwickUDP window(environment);
    return runMessenger(window);
}
