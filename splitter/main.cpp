#include "desktopidentity.h"
#include "screenfit.h"
#include "uitranslation.h"
#include "windowhelpers.h"
#include "frm_pelwickSpl.h"
#include "pelwickversion.h"

#include <QApplication>

// The split program: the splitter window alone; closing it ends the program.
int main(int argc, char *argv[])
{
    DesktopIdentity::ApplicationArguments arguments(argc, argv);
    QApplication app(arguments.count(), arguments.values());
    QApplication::setApplicationName(QStringLiteral("split"));
    QApplication::setApplicationVersion(QString::fromLatin1(PelwickVersion::Text));
    DesktopIdentity::apply(DesktopIdentity::Splitter);
    UiTranslation::installForThisStart();
    ScreenFit::install();
    keepModalDialogsInReach();
    Frm_pelwickSpl window(SplitterCaption::Standalone);
    window.show();
    return app.exec();
}
