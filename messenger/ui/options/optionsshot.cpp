// Draws each tab of the options dialog into <folder>/options-terminal.png and
// <folder>/options-users.png, for the documentation. Not shipped.
#include "frm_pelwickOpt.h"

#include <QApplication>
#include <QDir>
#include <QTabWidget>
#include <QTimer>
#include <QTreeWidget>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath();

    // A first start's options, as a user named them.
    LocalSettings settings = defaultLocalSettings();
    settings.SoundFilePath = QStringLiteral("/usr/lib/pelwick/arrival.wav");
    settings.UserName = QStringLiteral("田中 一郎");
    const QList<DirectoryEntry> directory { { QStringLiteral("佐藤"), QStringLiteral("192.168.0.10") },
                                            { QStringLiteral("鈴木"), QStringLiteral("192.168.0.11") },
                                            { QStringLiteral("高橋"), QStringLiteral("192.168.0.12") } };

    frm_pelwickOpt dialog(settings, directory, {}, nullptr);
    auto *tabs = dialog.findChild<QTabWidget *>(QStringLiteral("SSTab1"));
    auto *list = dialog.findChild<QTreeWidget *>(QStringLiteral("ListViewUser"));
    dialog.show();

    int result = 0;
    QTimer::singleShot(300, &dialog, [&] {
        if (!dialog.grab().save(QDir(folder).filePath(QStringLiteral("options-terminal.png"))))
            result = 1;
        tabs->setCurrentIndex(1);
        list->setCurrentItem(list->topLevelItem(1));
        QTimer::singleShot(300, &dialog, [&] {
            if (!dialog.grab().save(QDir(folder).filePath(QStringLiteral("options-users.png"))))
                result = 1;
            app.exit(result);
        });
    });
    return app.exec();
}
