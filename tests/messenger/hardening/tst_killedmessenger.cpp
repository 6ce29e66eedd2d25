#include "messengerhost.h"
#include "udppeer.h"

#include <QFile>
#include <QProcess>
#include <QTest>

// A real messenger killed without warning (SIGKILL: no unload, no save)
// loses nothing it had shown or learnt: the conversation and the directory
// are on disk as they happen, and the next start shows both again.
class tst_KilledMessenger : public QObject
{
    Q_OBJECT
private slots:
    void conversationAndPeersSurviveAKill();
};

static const char Me[] = "127.0.0.3";
static const char Peer[] = "127.0.0.2";

void tst_KilledMessenger::conversationAndPeersSurviveAKill()
{
    const quint16 port = freeUdpPort({ QString::fromLatin1(Peer), QString::fromLatin1(Me) });
    QVERIFY(port);
    FixtureBase me(QString::fromLatin1(Me), port, QStringLiteral("me"));
    me.setLocal("KeepLog", QStringLiteral("True"));
    UdpPeer peer(QString::fromLatin1(Peer), port);
    QVERIFY(peer.isBound());

    QProcess messenger;
    QVERIFY(startMessengerHost(messenger, me));
    // A peer nobody listed writes: the messenger shows the text and learns
    // the peer.
    peer.send("11<USERNAME>peer<IPADDR>127.0.0.2<GAMEID><DATA>kept across a kill", QString::fromLatin1(Me));
    QTRY_VERIFY(askHost(messenger, QStringLiteral("log"), QStringLiteral("log "))
                    .contains(QStringLiteral("kept across a kill")));
    const QString logFile = me.dataDir() + QLatin1String("/Pelwick.log");
    QTRY_VERIFY(QFile::exists(logFile));
    // The directory is written within a second of the change.
    QTRY_COMPARE_WITH_TIMEOUT(loadDirectory(SettingsStore(FixtureBase::AppName, me.settingsDir())).size(), 1, 5000);
    messenger.kill();
    QVERIFY(messenger.waitForFinished());

    QFile file(logFile);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString kept = QString::fromUtf8(file.readAll());
    QVERIFY(kept.contains(QStringLiteral(",相手:peer(127.0.0.2)\nkept across a kill\n\n")));

    QProcess again;
    QVERIFY(startMessengerHost(again, me));
    QCOMPARE(askHost(again, QStringLiteral("users"), QStringLiteral("users ")), QStringLiteral("peer@127.0.0.2"));
    const QString shown = askHost(again, QStringLiteral("log"), QStringLiteral("log "));
    QVERIFY2(shown.contains(QStringLiteral(",相手:peer(127.0.0.2)|kept across a kill||")), qPrintable(shown));
    again.closeWriteChannel();
    QVERIFY(again.waitForFinished(10000));
}

QTEST_MAIN(tst_KilledMessenger)
#include "tst_killedmessenger.moc"
