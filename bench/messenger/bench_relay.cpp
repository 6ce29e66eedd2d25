// How long a partner's move takes from its datagram arriving at the
// messenger to being poked into the game: a messenger on 127.0.0.3 in a
// game with a partner socket on 127.0.0.2; the game is a link source of this
// process standing in for GOMOKU (a stand-in program keeps the messenger's
// game process alive).
#include "frm_pelwickUDP.h"
#include "gameprograms.h"
#include "gamerelay.h"
#include "messagebox.h"
#include "link.h"
#include "userdirectory.h"
#include "quietsettings.h"
#include "settingsstore.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QNetworkDatagram>
#include <QTemporaryDir>
#include <QTimer>
#include <QUdpSocket>

#include <algorithm>
#include <cstdio>

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int rounds = argc > 1 ? QByteArray(argv[1]).toInt() : 1000;
    SetMessageBoxHook([](const MessageBoxRequest &) { return QMessageBox::Ok; });

    QTemporaryDir settings, runtime, programs;
    QUdpSocket partner;
    if (!partner.bind(QHostAddress(QStringLiteral("127.0.0.2")), 0))
        return 1;
    const quint16 port = partner.localPort();
    {
        SettingsStore store(QStringLiteral("Pelwick"), settings.path());
        WriteQuietMessengerSettings(store, port, QStringLiteral("bench"));
    }
    QFile stub(programs.filePath(QStringLiteral("GOMOKU")));
    stub.open(QIODevice::WriteOnly);
    stub.write("#!/bin/sh\nexec sleep 600\n");
    stub.close();
    stub.setPermissions(stub.permissions() | QFileDevice::ExeOwner);

    LinkSource game(QStringLiteral("GOMOKU"), runtime.path());
    game.addItem(QString::fromLatin1(LinkInputItem));
    if (!game.listen())
        return 2;
    QElapsedTimer clock;
    qint64 arrivedNs = -1;
    QObject::connect(&game, &LinkSource::poked, [&] { arrivedNs = clock.nsecsElapsed(); });

    MessengerEnvironment env;
    env.bindAddress = QHostAddress(QStringLiteral("127.0.0.3"));
    env.settingsDirectory = settings.path();
    env.runtimeDirectory = runtime.path();
    env.dataDirectory = runtime.path() + QStringLiteral("/data");
    env.programDirectory = programs.path();
    frm_pelwickUDP messenger(env);
    if (!messenger.Form_Load())
        return 3;

    auto waitFor = [](const std::function<bool()> &done, int ms) {
        QElapsedTimer t;
        t.start();
        while (!done() && t.elapsed() < ms)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        return done();
    };

    partner.writeDatagram("31<USERNAME>p<IPADDR>127.0.0.2<GAMEID>01<DATA><GAMEFUNC>01<GAMEDATA>",
                          QHostAddress(QStringLiteral("127.0.0.3")), port);
    if (!waitFor([&] { return messenger.session()->game()->currentGame().GameName == QLatin1String("GOMOKU") && messenger.session()->game()->gamePrograms()->GameProcessHandle() != 0
                             && messenger.statusText() == QStringLiteral("ゲームスタート要求を出しました。"); },
                 10000)) {
        std::fprintf(stderr, "game did not start: %s\n", qPrintable(messenger.statusText()));
        return 4;
    }

    QList<double> ms;
    for (int i = 0; i < rounds; ++i) {
        const QByteArray move = QStringLiteral("21<USERNAME>p<IPADDR>127.0.0.2<GAMEID>01<DATA><GAMEFUNC>10<GAMEDATA>(127.0.0.2)%1,%2")
                                    .arg(i % 19 + 1).arg(i / 19 % 19 + 1).toLatin1();
        arrivedNs = -1;
        clock.start();
        partner.writeDatagram(move, QHostAddress(QStringLiteral("127.0.0.3")), port);
        if (!waitFor([&] { return arrivedNs >= 0; }, 5000))
            return 5;
        ms.append(arrivedNs / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    auto at = [&](double q) { return ms[qMin(ms.size() - 1, qsizetype(q * ms.size()))]; };
    std::printf("relayed move, datagram sent -> poked into the game (%d rounds): median %.3f ms, p90 %.3f ms, "
                "p99 %.3f ms, max %.3f ms\n",
                rounds, at(0.5), at(0.9), at(0.99), ms.last());
    messenger.close();
    return 0;
}
