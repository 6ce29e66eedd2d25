#include "Frm_pelwickClk.h"
#include "desktopidentity.h"
#include "screenfit.h"
#include "uitranslation.h"
#include "windowhelpers.h"

#include "pelwickversion.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    DesktopIdentity::ApplicationArguments arguments(argc, argv);
    QApplication app(arguments.count(), arguments.values());
    QApplication::setApplicationName(QStringLiteral("clock"));
    QApplication::setApplicationVersion(QString::fromLatin1(PelwickVersion::Text));
    DesktopIdentity::apply(DesktopIdentity::Clock);
    UiTranslation::installForThisStart();
    ScreenFit::install();
    keepModalDialogsInReach();

    // The clock is the program's only window; closing it ends the program.
    Frm_pelwickClk clock;
    clock.show();
    return app.exec();
}
