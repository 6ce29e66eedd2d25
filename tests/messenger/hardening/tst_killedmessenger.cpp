#include "quietsettings.h"
#include "settingsmapping.h"
#include "settingsstore.h"
#include "udppeer.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

// A real messenger killed without warning (SIGKILL: no unload, no save)
// loses nothing it had shown or learnt: the conversation and the directory
// are on disk as they happen, and the next start shows both again.
class tst_KilledMessenger : public QObject
{
    Q_OBJECT
private slots:
    void conversationAndPeersSurviveAKill();

private:
    // Starts the messenger and waits until it is up.
    bool start(QProcess &messenger);
    // The answer of the running messenger to command, without its prefix.
    static QString ask(QProcess &messenger, const QString &command);

    QTemporaryDir m_settings, m_runtime, m_programs, m_data;
};

static const char Me[] = "127.0.0.3";
static const char Peer[] = "127.0.0.2";

bool tst_KilledMessenger::start(QProcess &messenger)
{
    messenger.start(QStringLiteral(MESSENGER_HOST_PATH),
        { QString::fromLatin1(Me), m_settings.path(), m_runtime.path(), m_programs.path(), m_data.path() });
    if (!messenger.waitForStarted())
        return false;
    QByteArray output;
    QDeadlineTimer deadline(20000);
    while (!output.contains("ready") && !deadline.hasExpired()) {
        messenger.waitForReadyRead(100);
        output += messenger.readAllStandardOutput();
    }
    return output.contains("ready");
}

QString tst_KilledMessenger::ask(QProcess &messenger, const QString &command)
{
    messenger.write((command + QLatin1Char('\n')).toUtf8());
    const QByteArray prefix = command.toUtf8() + ' ';
    QByteArray output;
    QDeadlineTimer deadline(10000);
    while (!deadline.hasExpired()) {
        messenger.waitForReadyRead(100);
        output += messenger.readAllStandardOutput();
        const qsizetype at = output.indexOf(prefix);
        const qsizetype end = at < 0 ? -1 : output.indexOf('\n', at);
        if (end >= 0)
            return QString::fromUtf8(output.mid(at + prefix.size(), end - at - prefix.size()));
    }
    return {};
}

void tst_KilledMessenger::conversationAndPeersSurviveAKill()
{
    const quint16 port = freeUdpPort({ QString::fromLatin1(Peer), QString::fromLatin1(Me) });
    QVERIFY(port);
    {
        SettingsStore store(QStringLiteral("Pelwick"), m_settings.path());
        WriteQuietMessengerSettings(store, port, QStringLiteral("me"));
        store.setValue(QStringLiteral("Local"), QStringLiteral("KeepLog"), QStringLiteral("True"));
        QVERIFY(store.sync());
    }
    UdpPeer peer(QString::fromLatin1(Peer), port);
    QVERIFY(peer.isBound());

    QProcess messenger;
    QVERIFY(start(messenger));
    // A peer nobody listed writes: the messenger shows the text and learns
    // the peer.
    peer.send("11<USERNAME>peer<IPADDR>127.0.0.2<GAMEID><DATA>kept across a kill", QString::fromLatin1(Me));
    QTRY_VERIFY(ask(messenger, QStringLiteral("log")).contains(QStringLiteral("kept across a kill")));
    const QString logFile = m_data.filePath(QStringLiteral("Pelwick.log"));
    QTRY_VERIFY(QFile::exists(logFile));
    // The directory is written within a second of the change.
    QTRY_COMPARE_WITH_TIMEOUT(
        loadDirectory(SettingsStore(QStringLiteral("Pelwick"), m_settings.path())).size(), 1, 5000);
    messenger.kill();
    QVERIFY(messenger.waitForFinished());

    QFile file(logFile);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString kept = QString::fromUtf8(file.readAll());
    QVERIFY(kept.contains(QStringLiteral(",相手:peer(127.0.0.2)\nkept across a kill\n\n")));

    QProcess again;
    QVERIFY(start(again));
    QCOMPARE(ask(again, QStringLiteral("users")), QStringLiteral("peer@127.0.0.2"));
    const QString shown = ask(again, QStringLiteral("log"));
    QVERIFY2(shown.contains(QStringLiteral(",相手:peer(127.0.0.2)|kept across a kill||")), qPrintable(shown));
    again.closeWriteChannel();
    QVERIFY(again.waitForFinished(10000));
}

QTEST_MAIN(tst_KilledMessenger)
#include "tst_killedmessenger.moc"
