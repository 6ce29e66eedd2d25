// A messenger in a process of its own, run as the program runs it, for
// tests that need two messengers with a game program each or that kill or
// signal the messenger. It prints "ready" once loaded.
//
// Usage: messenger_host <address> <settings dir> <runtime dir> <program dir>
// The settings store must hold the port, user name and directory already.
// Commands on standard input, one per line:
//   request <row> <game id>   select the row and ask its user for a game
//   marks                     prints "marks <mark of each row>"
//   game                      prints "game <partner address>|<game name>"
//   close                     closes the window as its user would
// Every message box is answered with its default button and printed as
// "box <text>".
#include "frm_pelwickUDP.h"
#include "gamerelay.h"
#include "messagebox.h"
#include "messengerprogram.h"
#include "userdirectory.h"
#include "userlist.h"

#include <QApplication>
#include <QSocketNotifier>
#include <QTextStream>

#include <unistd.h>

namespace {

void say(const QString &line)
{
    QTextStream out(stdout);
    out << line << '\n';
    out.flush();
}

void runCommand(frm_pelwickUDP &window, const QStringList &words)
{
    const QString command = words.value(0);
    if (command == QLatin1String("request")) {
        window.ListUser()->setCurrentIndex(window.session()->directory()->index(words.value(1).toInt(), 0));
        if (words.value(2) == QLatin1String("02"))
            window.menuGame_Osero_Click();
        else
            window.menuGame_Gomoku_Click();
        say(QStringLiteral("requested"));
    } else if (command == QLatin1String("marks")) {
        QStringList marks;
        for (int i = 0; i < window.session()->directory()->rowCount(); ++i)
            marks.append(presenceGlyph(window.session()->directory()->mark(i)));
        say(QStringLiteral("marks ") + marks.join(QLatin1Char(' ')));
    } else if (command == QLatin1String("game")) {
        say(QStringLiteral("game ") + window.session()->game()->currentGame().PartnerAddress + QLatin1Char('|')
            + window.session()->game()->currentGame().GameName);
    } else if (command == QLatin1String("users")) {
        QStringList users;
        for (int i = 0; i < window.session()->directory()->rowCount(); ++i)
            users.append(
                window.session()->directory()->name(i) + QLatin1Char('@') + window.session()->directory()->address(i));
        say(QStringLiteral("users ") + users.join(QLatin1Char(' ')));
    } else if (command == QLatin1String("log")) {
        say(QStringLiteral("log ") + window.logText().replace(QLatin1String("\r\n"), QLatin1String("|")));
    } else if (command == QLatin1String("close")) {
        window.close();
    }
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Pelwick"));
    if (argc != 5 && argc != 6) {
        say(QStringLiteral("usage: messenger_host <address> <settings> <runtime> <programs> [<data>]"));
        return 2;
    }

    SetMessageBoxHook([](const MessageBoxRequest &request) {
        say(QStringLiteral("box ") + request.text);
        return request.defaultButton != QMessageBox::NoButton ? request.defaultButton : QMessageBox::Ok;
    });

    MessengerEnvironment env;
    env.bindAddress = QHostAddress(QString::fromLocal8Bit(argv[1]));
    env.settingsDirectory = QString::fromLocal8Bit(argv[2]);
    env.runtimeDirectory = QString::fromLocal8Bit(argv[3]);
    env.programDirectory = QString::fromLocal8Bit(argv[4]);
    if (argc == 6)
        env.dataDirectory = QString::fromLocal8Bit(argv[5]);

    frm_pelwickUDP window(env);
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QByteArray pending;
    QObject::connect(&input, &QSocketNotifier::activated, &app, [&] {
        char buffer[512];
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n <= 0) {
            input.setEnabled(false);
            window.close();
            return;
        }
        pending.append(buffer, n);
        qsizetype end;
        while ((end = pending.indexOf('\n')) >= 0) {
            const QString line = QString::fromUtf8(pending.left(end)).trimmed();
            pending.remove(0, end + 1);
            runCommand(window, line.split(QLatin1Char(' '), Qt::SkipEmptyParts));
        }
    });
    // Run as the program runs, so a termination signal ends it as it ends
    // the program.
    bool loaded = false;
    const int code = runMessenger(window, [&loaded] {
        loaded = true;
        say(QStringLiteral("ready"));
    });
    if (!loaded)
        say(QStringLiteral("load failed"));
    return code;
}
