// The whole receive dispatch of one datagram: a loaded messenger takes the
// bytes as if they had arrived on its socket, answers what it answers, shows
// what it shows (message boxes are answered at once) and comes back.
//
// The messenger answers the address a datagram names, so this fuzzer refuses
// to run unless only loopback is up (run-fuzzers.sh runs it under unshare -n).
#include "frm_pelwickUDP.h"
#include "fuzzsupport.h"
#include "messagebox.h"
#include "quietsettings.h"
#include "settingsstore.h"
#include "userlist.h"

#include <QApplication>
#include <QTemporaryDir>

#include <cstdint>

namespace {

struct Messenger
{
    QTemporaryDir settings;
    QTemporaryDir runtime;
    QTemporaryDir programs;
    frm_pelwickUDP *window = nullptr;
};

Messenger *messenger = nullptr;

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int qargc = 1;
    static char *qargv[] = { (*argv)[0], nullptr };
    new QApplication(qargc, qargv);
    FuzzSupport::requireLoopbackOnly();
    SetMessageBoxHook([](const MessageBoxRequest &) { return QMessageBox::Ok; });

    messenger = new Messenger;
    {
        SettingsStore store(QStringLiteral("Pelwick"), messenger->settings.path());
        WriteQuietMessengerSettings(store, 59640, QStringLiteral("fuzz"));
        store.setValue(QStringLiteral("User"), QStringLiteral("Count"), QStringLiteral("1"));
        store.setValue(QStringLiteral("User"), QStringLiteral("001UserName"), QStringLiteral("peer"));
        store.setValue(QStringLiteral("User"), QStringLiteral("001UserIpAddr"), QStringLiteral("127.0.0.2"));
    }
    MessengerEnvironment env;
    env.bindAddress = QHostAddress(QStringLiteral("127.0.0.1"));
    env.settingsDirectory = messenger->settings.path();
    env.runtimeDirectory = messenger->runtime.path();
    env.programDirectory = messenger->programs.path();
    messenger->window = new frm_pelwickUDP(env);
    if (!messenger->window->Form_Load())
        FuzzSupport::fail("messenger did not load");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > size_t(MaxDatagramSize))
        return -1;
    frm_pelwickUDP *window = messenger->window;
    window->handleDatagram(QByteArrayView(data, qsizetype(size)));
    // Boxes are shown from the event loop; answers to ourselves come back.
    QCoreApplication::processEvents();
    // Keep the window's state bounded over millions of inputs.
    if (window->ListUser()->rowCount() > 200)
        window->ListUser()->clearRows();
    window->CmdClear_Click();
    return 0;
}
