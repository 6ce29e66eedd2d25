#include "conversationlog.h"
#include "sessionfixture.h"

#include <QFile>
#include <QSignalSpy>
#include <QTest>

// What the session keeps on disk as it happens: the conversation (when
// KeepLog is on) and the directory. The kill itself is tst_killedmessenger.
class tst_SessionKept : public QObject
{
    Q_OBJECT
private slots:
    void conversationIsKeptOnlyWithKeepLog_data();
    void conversationIsKeptOnlyWithKeepLog();
    void unwritableDataFolderIsSaidOnceAndTheLogGoesOn();
    void rotationKeepsOneOlderFileAndTheTailIsBounded();
    void directoryChangesAreSavedWithinASecondCoalesced();
};

static const QString Me = QStringLiteral("127.0.0.3");
static const QString Peer = QStringLiteral("127.0.0.2");

void tst_SessionKept::conversationIsKeptOnlyWithKeepLog_data()
{
    QTest::addColumn<bool>("keep");
    QTest::newRow("on") << true;
    QTest::newRow("off") << false;
}

void tst_SessionKept::conversationIsKeptOnlyWithKeepLog()
{
    QFETCH(bool, keep);
    const quint16 port = freeUdpPort({ Peer, Me });
    SessionFixture me(Me, port);
    me.setLocal("KeepLog", keep ? QStringLiteral("True") : QStringLiteral("False"));
    MessengerSession *session = me.start();
    QVERIFY(session);
    me.directory()->appendRow("peer", PresenceMark::HeardFrom, Peer);
    session->sendMessage(QStringLiteral("line one\nline two"), { 0 });
    UdpPeer peer(Peer, port);
    session->channel()->receive("11<USERNAME>peer<IPADDR>127.0.0.2<GAMEID><DATA>answer");

    QFile file(session->storage()->conversationFilePath());
    QCOMPARE(file.exists(), keep);
    if (!keep) {
        QCOMPARE(session->keptConversation(), QString());
        return;
    }
    // Both blocks, exactly as the log shows them, LF line ends on disk.
    QVERIFY(file.open(QIODevice::ReadOnly));
    QString expected = me.log;
    expected.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    QCOMPARE(QString::fromUtf8(file.readAll()), expected);
    QCOMPARE(session->keptConversation(), me.log);
}

void tst_SessionKept::unwritableDataFolderIsSaidOnceAndTheLogGoesOn()
{
    QTemporaryDir dir;
    QFile blocker(dir.filePath(QStringLiteral("file")));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    SessionFixture me(Me, freeUdpPort({ Me }));
    me.dataDirectory = blocker.fileName() + QStringLiteral("/Pelwick");
    me.setLocal("KeepLog", QStringLiteral("True"));
    MessengerSession *session = me.start();
    QVERIFY(session);
    QSignalSpy statuses(session, &MessengerSession::statusChanged);
    for (int i = 0; i < 3; ++i)
        session->channel()->receive("11<USERNAME>peer<IPADDR>127.0.0.2<GAMEID><DATA>text");
    QCOMPARE(me.log.count(QStringLiteral("text\r\n\r\n")), 3);
    int said = 0;
    for (const QList<QVariant> &status : std::as_const(statuses))
        said += status.first().toString().startsWith(QStringLiteral("送受信履歴を保存できません")) ? 1 : 0;
    QCOMPARE(said, 1);
}

void tst_SessionKept::rotationKeepsOneOlderFileAndTheTailIsBounded()
{
    QTemporaryDir dir;
    ConversationLog log(dir.filePath(QStringLiteral("Pelwick.log")));
    const QString block = QString(64 * 1024 - 3, QLatin1Char('x')) + QStringLiteral("\r\n\r\n");
    const int perFile = int(ConversationLog::MaxBytes / (64 * 1024));
    for (int i = 0; i < perFile * 2 + 10; ++i)
        QVERIFY(log.append(block));
    QVERIFY(QFileInfo(log.filePath()).size() <= ConversationLog::MaxBytes);
    QVERIFY(QFile::exists(log.filePath() + QStringLiteral(".1")));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 2);

    // The tail: whole blocks only, at most about TailBytes.
    const QString tail = log.tail();
    QVERIFY(!tail.isEmpty());
    QVERIFY(QString(tail).replace(QStringLiteral("\r\n"), QStringLiteral("\n")).toUtf8().size()
        <= ConversationLog::TailBytes);
    QVERIFY(tail.startsWith(QLatin1Char('x')) && tail.endsWith(QStringLiteral("\r\n\r\n")));

    // Many small blocks: the last TailBlocks of them.
    QFile::remove(log.filePath());
    ConversationLog small(dir.filePath(QStringLiteral("small.log")));
    for (int i = 0; i < ConversationLog::TailBlocks + 50; ++i)
        QVERIFY(small.append(QStringLiteral("[Recv] %1\r\ntext\r\n\r\n").arg(i)));
    const QString lastBlocks = small.tail();
    QCOMPARE(lastBlocks.count(QStringLiteral("[Recv]")), ConversationLog::TailBlocks);
    QVERIFY(lastBlocks.startsWith(QStringLiteral("[Recv] 50\r\n")));
}

void tst_SessionKept::directoryChangesAreSavedWithinASecondCoalesced()
{
    SessionFixture me(Me, freeUdpPort({ Me }));
    MessengerSession *session = me.start();
    QVERIFY(session);
    const QString file = SettingsStore(QStringLiteral("Pelwick"), me.settingsDir()).filePath();
    const QDateTime before = QFileInfo(file).lastModified();
    for (int i = 1; i <= 50; ++i)
        me.directory()->appendRow(QStringLiteral("u%1").arg(i), PresenceMark::NotHeard, QStringLiteral("10.1.1.%1").arg(i));
    // Nothing is written for each row...
    QCOMPARE(QFileInfo(file).lastModified(), before);
    // ...and all of them together within about a second.
    QTRY_COMPARE_WITH_TIMEOUT(
        loadDirectory(SettingsStore(QStringLiteral("Pelwick"), me.settingsDir())).size(), 50, 3000);
}

QTEST_GUILESS_MAIN(tst_SessionKept)
#include "tst_session_kept.moc"
