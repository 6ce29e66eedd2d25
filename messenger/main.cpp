#include "desktopidentity.h"
#include "screenfit.h"
#include "uitranslation.h"
#include "windowhelpers.h"
#include "frm_pelwickUDP.h"
#include "messengerprogram.h"
#include "pelwickversion.h"

#include <QApplication>
#include <QFileInfo>

int main(int argc, char *argv[])
{
    // What the desktop handed this start, for a running messenger to come
    // forward with. Read before the platform takes it from the environment.
    const QString activationToken
        = qEnvironmentVariable("XDG_ACTIVATION_TOKEN", qEnvironmentVariable("DESKTOP_STARTUP_ID"));
    DesktopIdentity::ApplicationArguments arguments(argc, argv);
    QApplication app(arguments.count(), arguments.values());
    QApplication::setApplicationName(QStringLiteral("Pelwick"));
    QApplication::setApplicationVersion(QString::fromLatin1(PelwickVersion::Text));
    DesktopIdentity::apply(DesktopIdentity::Messenger);
    // The options' language, read from this messenger's own settings file.
    UiTranslation::installForThisStart(UiTranslation::messengerSettingsFile(
        QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName()));
    ScreenFit::install();
    keepModalDialogsInReach();
    // Closing the main window ends the program with all its tool windows.
    QApplication::setQuitOnLastWindowClosed(false);

    MessengerEnvironment environment;
    environment.appName = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
    environment.activationToken = activationToken;
    // The login start entry names itself.
    environment.startedAtLogin = QCoreApplication::arguments().contains(QLatin1String(LoginStartArgument));
    frm_pelwickUDP window(environment);
    return runMessenger(window);
}
