// The game window of GOMOKU in a program that a test can play: built as
// "GOMOKU" into a folder of its own and placed beside a messenger, it is
// started and introduced by that messenger like the shipped program.
//
// It listens on "<runtime dir>/gomoku-driver" for one command per line:
//   click <x> <y>   a left click on intersection (x, y)
//   state           answers "<panel 1>|<panel 2>|<panel 3>|<caption>"
// Every message box the game shows is appended to
// "<runtime dir>/gomoku-driver.log" as one line and answered with OK half a
// second later, as a player reading it would; the game's link keeps being
// served meanwhile, as under a modal box.
#include "frm_GOMOKU.h"
#include "messagebox.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>

namespace {

constexpr int ReadingTimeMs = 500;

// Notes a message box the moment it is asked for, then presses OK.
QMessageBox::StandardButton readBox(const QString &logPath, const MessageBoxRequest &request)
{
    // Closed before the reading starts: the partner's end may kill this
    // program while the box is up, and the line must be on disk by then.
    if (QFile log(logPath); log.open(QIODevice::Append)) {
        // One line per box: its line breaks are written as "\\n".
        QString line = request.text;
        line.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(QLatin1Char('\n'), QLatin1String("\\n"));
        log.write(line.toUtf8() + '\n');
    }
    QEventLoop reading;
    QTimer::singleShot(ReadingTimeMs, &reading, &QEventLoop::quit);
    reading.exec();
    return QMessageBox::Ok;
}

QByteArray answer(frm_GOMOKU &window, const QStringList &words)
{
    if (words.value(0) == QLatin1String("click")) {
        const int x = words.value(1).toInt();
        const int y = words.value(2).toInt();
        window.Form_MouseDown(Qt::LeftButton, window.CellWidth() * x, window.CellHeight() * y);
    }
    return (window.panelText(1) + QLatin1Char('|') + window.panelText(2) + QLatin1Char('|') + window.panelText(3)
               + QLatin1Char('|') + window.windowTitle())
               .toUtf8()
        + '\n';
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("GOMOKU"));

    frm_GOMOKU window;
    if (window.alreadyRunning())
        return 0;
    QObject::connect(&window, &frm_GOMOKU::programEnded, &app, [] { QCoreApplication::exit(0); });

    const QString logPath = QDir(window.runtimeDir()).filePath(QStringLiteral("gomoku-driver.log"));
    SetMessageBoxHook([logPath](const MessageBoxRequest &request) { return readBox(logPath, request); });

    QLocalServer driver;
    const QString name = QDir(window.runtimeDir()).filePath(QStringLiteral("gomoku-driver"));
    QLocalServer::removeServer(name);
    driver.listen(name);
    QObject::connect(&driver, &QLocalServer::newConnection, &app, [&] {
        while (QLocalSocket *client = driver.nextPendingConnection()) {
            QObject::connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
            QObject::connect(client, &QLocalSocket::readyRead, client, [client, &window] {
                while (client->canReadLine()) {
                    const QString line = QString::fromUtf8(client->readLine()).trimmed();
                    client->write(answer(window, line.split(QLatin1Char(' '), Qt::SkipEmptyParts)));
                    client->flush();
                }
            });
        }
    });

    window.show();
    return app.exec();
}
