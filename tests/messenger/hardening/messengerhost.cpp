// A messenger in a process of its own, for tests that kill it:
//   pelwick_messengerhost BIND_ADDRESS SETTINGS_DIR RUNTIME_DIR PROGRAM_DIR
// It prints "ready" once loaded; every message box it would show is
// answered with OK and its text printed to standard error.
#include "frm_pelwickUDP.h"
#include "messagebox.h"

#include <QApplication>

#include <cstdio>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 5) {
        std::fprintf(stderr, "usage: pelwick_messengerhost BIND SETTINGS RUNTIME PROGRAMS\n");
        return 2;
    }
    SetMessageBoxHook([](const MessageBoxRequest &request) {
        std::fprintf(stderr, "box: %s\n", qPrintable(request.text));
        return QMessageBox::Ok;
    });
    MessengerEnvironment env;
    env.bindAddress = QHostAddress(args.at(1));
    env.settingsDirectory = args.at(2);
    env.runtimeDirectory = args.at(3);
    env.programDirectory = args.at(4);
    frm_pelwickUDP window(env);
    if (!window.Form_Load())
        return 1;
    std::printf("ready\n");
    std::fflush(stdout);
    return app.exec();
}
