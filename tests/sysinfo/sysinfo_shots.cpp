// Saves a picture of each tab of the system information window, reading
// this machine: sysinfo_shots <folder> writes sysinfo-system.png,
// sysinfo-drive.png, sysinfo-memory.png and sysinfo-folder.png there.
#include "frm_pelwickSys.h"

#include <QApplication>
#include <QDir>
#include <QTabWidget>
#include <QTextStream>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QDir folder(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("."));
    frm_pelwickSys window;
    window.show();
    auto *tabs = window.findChild<QTabWidget *>(QStringLiteral("SSTab"));
    const char *names[] = { "system", "drive", "memory", "folder" };
    int failures = 0;
    for (int i = 0; i < tabs->count(); ++i) {
        tabs->setCurrentIndex(i);
        QApplication::processEvents();
        const QString file = folder.filePath(QStringLiteral("sysinfo-%1.png").arg(QLatin1String(names[i])));
        if (!window.grab().save(file)) {
            QTextStream(stderr) << "cannot write " << file << '\n';
            ++failures;
        }
    }
    return failures ? 1 : 0;
}
