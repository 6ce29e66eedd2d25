// Stands in for a game program in the tests of StartGameProgram and of the
// messenger's game seam. Copied into a test folder; it writes
// "<its folder>/started" (its process id) when it runs and
// "<its folder>/terminated" if it gets SIGTERM or SIGHUP. Named "quitter" it
// ends at once instead of waiting. When "<its folder>/poked" exists it opens
// the game's link under its own name and appends every text poked into it to
// that file, one line each.
#include "link.h"

#include <QCoreApplication>
#include <QFile>
#include <QSaveFile>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

static QByteArray terminatedPath;

extern "C" void onTerminate(int)
{
    const int fd = ::open(terminatedPath.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (fd >= 0)
        ::close(fd);
    ::_exit(0);
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QString dir = QCoreApplication::applicationDirPath();
    terminatedPath = QFile::encodeName(dir + QStringLiteral("/terminated"));
    std::signal(SIGTERM, onTerminate);
    std::signal(SIGHUP, onTerminate);
    // Whole or not at all: a test that sees the file reads the id from it.
    QSaveFile started(dir + QStringLiteral("/started"));
    if (!started.open(QIODevice::WriteOnly))
        return 2;
    started.write(QByteArray::number(QCoreApplication::applicationPid()));
    if (!started.commit())
        return 2;
    if (QCoreApplication::applicationName() == QLatin1String("quitter"))
        return 0;

    QFile poked(dir + QStringLiteral("/poked"));
    LinkSource link(QCoreApplication::applicationName());
    if (poked.exists()) {
        if (!poked.open(QIODevice::Append))
            return 3;
        link.addItem(QString::fromLatin1(LinkInputItem));
        QObject::connect(&link, &LinkSource::poked, &link, [&poked](const QString &, const QString &text) {
            poked.write(text.toUtf8() + '\n');
            poked.flush();
        });
        if (!link.listen())
            return 4;
    }
    return app.exec();
}
