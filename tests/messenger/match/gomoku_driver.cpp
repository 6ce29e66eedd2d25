// The game window of GOMOKU in a program that a test can play: built as
// "GOMOKU" into a folder of its own and placed beside a messenger, it is
// started and introduced by that messenger like the shipped program.
//
// It listens on "<runtime dir>/gomoku-driver" for one command per line:
//   click <x> <y>   a left click on intersection (x, y)
//   state           answers "<panel 1>|<panel 2>|<panel 3>|<caption>"
// Every message box the game shows is appended to
// "<runtime dir>/gomoku-driver.log" as one line and closed with OK half a
// second later, as a player reading it would.
#include "frm_GOMOKU.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QMessageBox>
#include <QTimer>

namespace {

constexpr int ReadingTimeMs = 500;

// Notes every message box the moment it is shown, then closes it.
class BoxCloser : public QObject
{
public:
    explicit BoxCloser(const QString &logPath)
        : m_logPath(logPath)
    {
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        auto *box = qobject_cast<QMessageBox *>(watched);
        if (box && event->type() == QEvent::Show) {
            QFile log(m_logPath);
            if (log.open(QIODevice::Append)) {
                // One line per box: its line breaks are written as "\\n".
                QString line = box->text();
                line.replace(QLatin1String("\r\n"), QLatin1String("\n"))
                    .replace(QLatin1Char('\n'), QLatin1String("\\n"));
                log.write(line.toUtf8() + '\n');
            }
            // Read for a moment, as a player would, before pressing OK.
            QTimer::singleShot(ReadingTimeMs, box, [box] { box->done(QMessageBox::Ok); });
        }
        return false;
    }

private:
    QString m_logPath;
};

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

    BoxCloser boxes(QDir(window.runtimeDir()).filePath(QStringLiteral("gomoku-driver.log")));
    app.installEventFilter(&boxes);

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
