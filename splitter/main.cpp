#include "frm_pelwickSpl.h"
#include "pelwickversion.h"

#include <QApplication>

// The split program: the splitter window alone; closing it ends the program.
int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("split"));
    QApplication::setApplicationVersion(QString::fromLatin1(PelwickVersion::Text));
    Frm_pelwickSpl window(SplitterCaption::Standalone);
    window.show();
    return app.exec();
}
