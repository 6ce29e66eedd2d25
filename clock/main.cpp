#include "Frm_pelwickClk.h"

#include "pelwickversion.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("clock"));
    QApplication::setApplicationVersion(QString::fromLatin1(PelwickVersion::Text));

    // The clock is the program's only window; closing it ends the program.
    Frm_pelwickClk clock;
    clock.show();
    return app.exec();
}
