// The whole receive dispatch of one datagram: a loaded messenger session
// takes the bytes as if they had arrived on its socket, answers what it
// answers, asks for the boxes it asks for (closed at once) and comes back.
//
// The session answers whatever address a datagram names, so its datagrams go
// to a stand-in sender that checks each one and keeps none: nothing leaves
// the process, and the fuzzer needs no network of its own. Game programs are
// the tests' stand-in, both lying ready, so a request starts a game and the
// moves, ends and goodbyes that follow reach it.
#include "datagramchannel.h"
#include "fuzzsupport.h"
#include "messengersession.h"
#include "quietsettings.h"
#include "settingsmapping.h"
#include "settingsstore.h"
#include "standingames.h"
#include "userdirectory.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <QUdpSocket>

#include <cstdint>

namespace {

const QString OwnName = QStringLiteral("fuzz");
const QString OwnAddress = QStringLiteral("127.0.0.1");

struct Messenger
{
    QTemporaryDir settings;
    QTemporaryDir runtime;
    QTemporaryDir programs;
    QTemporaryDir data;
    StandInGames games;
    MessengerSession *session = nullptr;
};

Messenger *messenger = nullptr;

// Every datagram the session sends is one of its own: at most one UDP
// payload, under its own name and address.
qint64 checkAndDrop(const QByteArray &datagram, const QHostAddress &, quint16)
{
    FuzzSupport::check(datagram.size() <= MaxDatagramSize, "datagram larger than one UDP payload");
    if (!datagram.isEmpty()) {
        const ParsedDatagram own = ParseDatagram(datagram);
        FuzzSupport::check(own.UserName == OwnName && own.IpAddr == OwnAddress, "datagram not in own name");
    }
    return datagram.size();
}

// A port of 127.0.0.1 that nothing holds now.
quint16 freePort()
{
    QUdpSocket probe;
    if (!probe.bind(QHostAddress(OwnAddress), 0))
        FuzzSupport::fail("no port on 127.0.0.1");
    return probe.localPort();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    static int qargc = 1;
    static char *qargv[] = { (*argv)[0], nullptr };
    new QCoreApplication(qargc, qargv);

    messenger = new Messenger;
    messenger->games.presentBoth();
    const quint16 port = freePort();
    {
        SettingsStore store(QStringLiteral("Pelwick"), messenger->settings.path());
        WriteQuietMessengerSettings(store, port, OwnName);
        saveDirectory(store, { { QStringLiteral("peer"), QStringLiteral("127.0.0.2") } });
    }
    SessionEnvironment env;
    env.bindAddress = QHostAddress(OwnAddress);
    env.settingsDirectory = messenger->settings.path();
    env.runtimeDirectory = messenger->runtime.path();
    env.programDirectory = messenger->programs.path();
    env.dataDirectory = messenger->data.path();
    MessengerSession *session = new MessengerSession(env, &messenger->games);
    messenger->session = session;
    session->channel()->setDatagramSender(checkAndDrop, port);
    QObject::connect(session, &MessengerSession::boxRequested, session, [session] { session->boxClosed(); });
    session->loadSettings();
    FuzzSupport::check(session->channel()->ownAddress() == OwnAddress, "session not on 127.0.0.1");
    if (!session->openSocket())
        FuzzSupport::fail("session did not bind");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > size_t(MaxDatagramSize))
        return -1;
    MessengerSession *session = messenger->session;
    session->channel()->receive(QByteArrayView(data, qsizetype(size)));
    // Boxes are asked for from the event loop.
    QCoreApplication::processEvents();
    // Keep the directory and the record of game calls bounded over millions
    // of inputs.
    messenger->games.calls.clear();
    if (session->directory()->rowCount() > 200)
        session->directory()->clearRows();
    return 0;
}
