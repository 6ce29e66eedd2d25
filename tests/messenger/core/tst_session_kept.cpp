#include "conversationlog.h"
#include "sessionfixture.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTest>

#include <sys/stat.h>

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
    void conversationFileThatIsNoFileIsLeftAlone_data();
    void conversationFileThatIsNoFileIsLeftAlone();
    void keptFilesAreTheOwnersAlone();
    void directoryChangesAreSavedWithinASecondCoalesced();
    void secondMessengerOnOneConfigurationIsRefused();
    void settingsAreCopiedNowhereAndStaleCopiesAreCleared();
};

static const QString Me = QStringLiteral("127.0.0.3");
static const QString Peer = QStringLiteral("127.0.0.2");

static int modeOf(const QString &path)
{
    struct stat info
    {
    };
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0 ? int(info.st_mode & 07777) : -1;
}

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

void tst_SessionKept::conversationFileThatIsNoFileIsLeftAlone_data()
{
    QTest::addColumn<QString>("kind");
    // One blocks a reader for good, the other never ends and swallows
    // whatever is written.
    QTest::newRow("fifo") << QStringLiteral("fifo");
    QTest::newRow("link to /dev/zero") << QStringLiteral("zero");
}

void tst_SessionKept::conversationFileThatIsNoFileIsLeftAlone()
{
    QFETCH(QString, kind);
    QTemporaryDir data;
    const QString file = data.filePath(QStringLiteral("Pelwick.log"));
    if (kind == QLatin1String("fifo"))
        QCOMPARE(::mkfifo(QFile::encodeName(file).constData(), 0600), 0);
    else
        QVERIFY(QFile::link(QStringLiteral("/dev/zero"), file));
    SessionFixture me(Me, freeUdpPort({ Me }));
    me.dataDirectory = data.path();
    me.setLocal("KeepLog", QStringLiteral("True"));
    MessengerSession *session = me.start();
    QVERIFY(session);
    QCOMPARE(session->keptConversation(), QString());

    QSignalSpy statuses(session, &MessengerSession::statusChanged);
    session->channel()->receive("11<USERNAME>peer<IPADDR>127.0.0.2<GAMEID><DATA>text");
    QVERIFY(me.log.contains(QStringLiteral("text\r\n\r\n")));
    QCOMPARE(statuses.value(0).value(0).toString(),
        QStringLiteral("送受信履歴を保存できません: ") + file + QStringLiteral(": not a regular file"));
    if (kind == QLatin1String("fifo"))
        QVERIFY(QFileInfo::exists(file) && !QFileInfo(file).isFile());
    else
        QCOMPARE(QFileInfo(file).symLinkTarget(), QStringLiteral("/dev/zero"));
}

void tst_SessionKept::keptFilesAreTheOwnersAlone()
{
    const mode_t mask = ::umask(022);
    QTemporaryDir data;
    const QString folder = data.filePath(QStringLiteral("Pelwick"));
    const QString file = folder + QStringLiteral("/Pelwick.log");
    SessionFixture me(Me, freeUdpPort({ Me }));
    me.dataDirectory = folder;
    me.setLocal("KeepLog", QStringLiteral("True"));
    const QString settings = SettingsStore(QStringLiteral("Pelwick"), me.settingsDir()).filePath();

    // Made by this version.
    MessengerSession *session = me.start();
    QVERIFY(session);
    session->channel()->receive("11<USERNAME>peer<IPADDR>127.0.0.2<GAMEID><DATA>text");
    QCOMPARE(modeOf(folder), 0700);
    QCOMPARE(modeOf(file), 0600);
    QCOMPARE(modeOf(settings), 0600);

    // Left open to everybody by an earlier version, the rotated copy too:
    // narrowed at the next start, the settings file at its next write.
    QFile older(file + QStringLiteral(".1"));
    QVERIFY(older.open(QIODevice::WriteOnly));
    older.close();
    for (const auto &[path, mode] :
        { std::pair { folder, 0755 }, { file, 0644 }, { older.fileName(), 0644 }, { settings, 0644 } })
        QCOMPARE(::chmod(QFile::encodeName(path).constData(), mode_t(mode)), 0);
    session = me.start();
    QVERIFY(session);
    QCOMPARE(modeOf(folder), 0700);
    QCOMPARE(modeOf(file), 0600);
    QCOMPARE(modeOf(older.fileName()), 0600);
    me.directory()->appendRow(QStringLiteral("u"), PresenceMark::NotHeard, QStringLiteral("10.1.1.1"));
    QTRY_COMPARE_WITH_TIMEOUT(modeOf(settings), 0600, 3000);
    ::umask(mask);
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

void tst_SessionKept::secondMessengerOnOneConfigurationIsRefused()
{
    // One configuration, each messenger with its own runtime folder (a
    // second login, an su shell): the second would write its directory over
    // the first one's at exit.
    QTemporaryDir settings;
    QTemporaryDir data;
    QTemporaryDir runtimeA;
    QTemporaryDir runtimeB;
    SessionEnvironment a;
    a.settingsDirectory = settings.path();
    a.dataDirectory = data.path();
    a.runtimeDirectory = runtimeA.path();
    SessionEnvironment b = a;
    b.runtimeDirectory = runtimeB.path();
    UserDirectory directory;
    SessionStorage first(a, &directory);
    SessionStorage second(b, &directory);
    QVERIFY(first.lockInstance());
    QVERIFY(!second.lockInstance());
    first.unlockInstance();
    QVERIFY(second.lockInstance());
}

void tst_SessionKept::settingsAreCopiedNowhereAndStaleCopiesAreCleared()
{
    QTemporaryDir settings;
    QTemporaryDir data;
    QTemporaryDir runtime;
    const QString file = SettingsStore::filePathFor(QStringLiteral("Pelwick"), settings.path());
    const QDir folder = QFileInfo(file).absoluteDir();
    QVERIFY(QDir().mkpath(folder.path()));
    {
        // Quoted, so QSettings parses it.
        QFile ini(file);
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write("[User]\nCount=1\n001UserName=\"a, b\"\n001UserIpAddr=10.1.1.1\n");
    }
    const QDir temp(QDir::tempPath());
    const QStringList copyNames = { QCoreApplication::applicationName() + QStringLiteral("-??????") };
    const QStringList inTemp = temp.entryList(copyNames, QDir::Dirs);
    {
        SettingsStore store(QStringLiteral("Pelwick"), settings.path());
        QCOMPARE(loadDirectory(store).value(0).UserName, QStringLiteral("a, b"));
        QCOMPARE(temp.entryList(copyNames, QDir::Dirs), inTemp);
        QCOMPARE(folder.entryList(QDir::Files | QDir::Hidden), QStringList { QStringLiteral("Pelwick.ini") });
    }

    // A copy left by a run killed while it read the file, and one an
    // earlier version left in the shared temporary folder, go at the next
    // start; a folder of someone else's there stays.
    const QString staleTemp = temp.filePath(QCoreApplication::applicationName() + QStringLiteral("-q1w2e3"));
    const QString otherTemp = temp.filePath(QCoreApplication::applicationName() + QStringLiteral("-z9y8x7"));
    QVERIFY(QDir().mkpath(staleTemp) && QDir().mkpath(otherTemp));
    const auto write = [](const QString &path) {
        QFile f(path);
        return f.open(QIODevice::WriteOnly) && f.write("[User]\n001UserIpAddr=10.1.1.1\n") > 0;
    };
    QVERIFY(write(staleTemp + QStringLiteral("/read.ini")));
    QVERIFY(write(otherTemp + QStringLiteral("/notes.txt")));
    QVERIFY(write(folder.filePath(QStringLiteral(".Pelwick.ini.read-a1b2c3"))));
    SessionEnvironment env;
    env.settingsDirectory = settings.path();
    env.dataDirectory = data.path();
    env.runtimeDirectory = runtime.path();
    UserDirectory directory;
    SessionStorage storage(env, &directory);
    QVERIFY(storage.lockInstance());
    QVERIFY(!QFileInfo::exists(staleTemp));
    QVERIFY(!QFileInfo::exists(folder.filePath(QStringLiteral(".Pelwick.ini.read-a1b2c3"))));
    QVERIFY(QFileInfo::exists(otherTemp + QStringLiteral("/notes.txt")));
    QVERIFY(QFileInfo::exists(file));
    QDir(otherTemp).removeRecursively();
}

QTEST_GUILESS_MAIN(tst_SessionKept)
#include "tst_session_kept.moc"
