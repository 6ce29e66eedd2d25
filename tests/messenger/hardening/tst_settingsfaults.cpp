#include "cp932.h"
#include "messengerfixture.h"
#include "settingsmapping.h"
#include "userdirectory.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
const QString MovedAside = QStringLiteral("設定ﾌｧｲﾙを読めなかったため、別名で保存して初期値で起動しました。");
}

// The settings file deleted, made unreadable or damaged between two runs of
// the messenger: the second run still starts and works, and whatever the
// first run left is either loaded or kept aside, never written over.
class tst_SettingsFaults : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void fileDamagedInPlaceIsNoticedThoughQSettingsCachedIt();
    void keptAsideFileIsNeverReplacedBySecondDamage();
    void anyTextSavedReadsBackAsAnUndamagedFile();
    void fileTheStoreWouldRefuseIsNeverWritten();
    void linesNoStoreCanReadCountAsDamage_data();
    void linesNoStoreCanReadCountAsDamage();
    void hugeCountAndIndexLoadAtOnce();
    void deletedBetweenRunsStartsEmptyAndWritesAFreshFile();
    void unreadableBetweenRunsIsKeptAside();
    void damagedBetweenRunsKeepsTheBytesAndLoadsWhatIsLeft();
    void byteOrderMarkIsNoDamage();
    void notAFileIsKeptAsideUnread_data();
    void notAFileIsKeptAsideUnread();
    void invalidPortGivesTheDefaultThatAnswers_data();
    void invalidPortGivesTheDefaultThatAnswers();
    void everyStartStatusReachesTheUser();
    void codePage932FileStartsWithItsJapaneseName();

private:
    // Runs the messenger once: load, then close (which saves).
    QStringList runMessenger();
    QString settingsFile() const;
    QStringList keptAside() const;
    static QByteArray readAll(const QString &path);
    // Overwrites bytes at offset with junk, keeping size and time stamp, so
    // only the contents tell that anything happened.
    static void damageInPlace(const QString &path, qsizetype offset, const QByteArray &junk);

    quint16 m_port = 0;
    // What the status bar said when the last run had loaded.
    QString m_status;
    std::unique_ptr<MessengerFixture> m_me;
    std::unique_ptr<MessageBoxRecorder> m_boxes;
    const QList<DirectoryEntry> m_directory = {
        { QStringLiteral("ａさん"), QStringLiteral("127.0.0.21") },
        { QStringLiteral("b"), QStringLiteral("127.0.0.22") },
        { QStringLiteral("c"), QStringLiteral("127.0.0.23") },
        { QStringLiteral("d"), QStringLiteral("127.0.0.24") },
    };
};

void tst_SettingsFaults::init()
{
    m_port = freeUdpPort({ QStringLiteral("127.0.0.3") });
    m_boxes = std::make_unique<MessageBoxRecorder>();
    m_me = std::make_unique<MessengerFixture>(QStringLiteral("127.0.0.3"), m_port);
    m_me->storeDirectory(m_directory);
}

void tst_SettingsFaults::cleanup()
{
    const QString folder = QFileInfo(settingsFile()).absolutePath();
    // Let the temporary folder go even where a test took rights away.
    ::chmod(QFile::encodeName(settingsFile()).constData(), 0600);
    for (const QString &name : QDir(folder).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot))
        ::chmod(QFile::encodeName(folder + QLatin1Char('/') + name).constData(), 0700);
    m_me.reset();
    m_boxes.reset();
}

QString tst_SettingsFaults::settingsFile() const
{
    return m_me->settingsDir() + QStringLiteral("/Pelwick/Pelwick.ini");
}

QStringList tst_SettingsFaults::keptAside() const
{
    QDir folder(QFileInfo(settingsFile()).absolutePath());
    QStringList paths;
    for (const QString &name : folder.entryList(
             { QStringLiteral("Pelwick.ini.unreadable-*") }, QDir::Files | QDir::Dirs | QDir::System | QDir::Hidden))
        paths.append(folder.filePath(name));
    return paths;
}

QByteArray tst_SettingsFaults::readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void tst_SettingsFaults::damageInPlace(const QString &path, qsizetype offset, const QByteArray &junk)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat before
    {
    };
    QCOMPARE(::stat(name.constData(), &before), 0);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadWrite));
    QVERIFY(file.seek(offset));
    QCOMPARE(file.write(junk), qint64(junk.size()));
    file.close();
    const timespec times[2] = { before.st_atim, before.st_mtim };
    QCOMPARE(::utimensat(AT_FDCWD, name.constData(), times, 0), 0);
}

QStringList tst_SettingsFaults::runMessenger()
{
    frm_pelwickUDP *window = m_me->start();
    if (!window)
        return { QStringLiteral("did not start") };
    m_status = window->statusText();
    QStringList rows;
    for (const DirectoryEntry &e : window->session()->directory()->entries())
        rows.append(e.UserName + QLatin1Char('@') + e.UserIpAddr);
    m_me->stop();
    return rows;
}

void tst_SettingsFaults::fileDamagedInPlaceIsNoticedThoughQSettingsCachedIt()
{
    {
        SettingsStore store(QStringLiteral("Pelwick"), m_me->settingsDir());
        QCOMPARE(loadDirectory(store).size(), m_directory.size());
        QVERIFY(!store.wasUnreadable());
    }
    const QByteArray good = readAll(settingsFile());
    damageInPlace(settingsFile(), 0, QByteArray(good.size(), '\0'));

    SettingsStore store(QStringLiteral("Pelwick"), m_me->settingsDir());
    QVERIFY(store.wasUnreadable());
    // What the store reads is the damaged file, not a remembered copy.
    QVERIFY(loadDirectory(store).isEmpty());
    store.setValue(QStringLiteral("Local"), QStringLiteral("Port"), QStringLiteral("1"));
    QVERIFY(store.sync());
    QCOMPARE(readAll(store.keptAsidePath()), QByteArray(good.size(), '\0'));
}

void tst_SettingsFaults::keptAsideFileIsNeverReplacedBySecondDamage()
{
    for (int round = 0; round < 2; ++round) {
        QFile file(settingsFile());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[User]\nCount=1\n001UserIpAddr=127.0.0.9\n\x01garbage " + QByteArray::number(round) + "\n");
        file.close();
        SettingsStore store(QStringLiteral("Pelwick"), m_me->settingsDir());
        QVERIFY(store.wasUnreadable());
        // What could still be read is kept in the fresh file.
        QCOMPARE(loadDirectory(store), (QList<DirectoryEntry> { { QString(), QStringLiteral("127.0.0.9") } }));
        store.setValue(QStringLiteral("Local"), QStringLiteral("Port"), QStringLiteral("1"));
        QVERIFY(store.sync());
        QCOMPARE(loadDirectory(SettingsStore(QStringLiteral("Pelwick"), m_me->settingsDir())).size(), 1);
    }
    const QStringList aside = keptAside();
    QCOMPARE(aside.size(), 2);
    QStringList contents;
    for (const QString &path : aside)
        contents.append(QString::fromLatin1(readAll(path)).section(QLatin1Char('\x01'), 1));
    contents.sort();
    QCOMPARE(contents, (QStringList { QStringLiteral("garbage 0\n"), QStringLiteral("garbage 1\n") }));
}

void tst_SettingsFaults::anyTextSavedReadsBackAsAnUndamagedFile()
{
    // Whatever text the messenger stores, its own file must not look damaged
    // at the next start, or every start would set the file aside again.
    const QStringList texts
        = { QStringLiteral("del\x7f"), QStringLiteral("tab\tctl\x01\x1f"), QStringLiteral(" a, b ;c = d "),
              QStringLiteral("[not a section]"), QStringLiteral("山田\r\n二行"), QStringLiteral("\\"), QString() };
    {
        SettingsStore store(QStringLiteral("Pelwick"), m_me->settingsDir());
        for (int i = 0; i < texts.size(); ++i)
            store.setValue(QStringLiteral("User"), directoryIndex(i + 1) + QStringLiteral("UserName"), texts[i]);
        QVERIFY(store.sync());
    }
    SettingsStore store(QStringLiteral("Pelwick"), m_me->settingsDir());
    QVERIFY(!store.wasUnreadable());
    for (int i = 0; i < texts.size(); ++i)
        QCOMPARE(store.value(QStringLiteral("User"), directoryIndex(i + 1) + QStringLiteral("UserName")), texts[i]);
}

void tst_SettingsFaults::fileTheStoreWouldRefuseIsNeverWritten()
{
    // Written, the next start would move it aside and lose every setting.
    const QByteArray before = readAll(settingsFile());
    {
        SettingsStore store(QStringLiteral("Pelwick"), m_me->settingsDir());
        store.setValue(QStringLiteral("User"), directoryIndex(9) + QStringLiteral("UserName"),
            QString(SettingsStore::MaxFileBytes, QLatin1Char('x')));
        QVERIFY(!store.sync());
    }
    QCOMPARE(readAll(settingsFile()), before);
    SettingsStore store(QStringLiteral("Pelwick"), m_me->settingsDir());
    QVERIFY(!store.wasUnreadable());
    QCOMPARE(loadDirectory(store), m_directory);
}

void tst_SettingsFaults::linesNoStoreCanReadCountAsDamage_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::newRow("semicolon in the key") << QByteArray("002UserIp;Addr=127.0.0.9");
    QTest::newRow("no equals sign") << QByteArray("002UserIpAddr 127.0.0.9");
    QTest::newRow("hash comment") << QByteArray("# a note");
    QTest::newRow("empty key") << QByteArray("=127.0.0.9");
    QTest::newRow("nul bytes") << QByteArray("002UserIpAddr=127.0\0\0.9", 23);
    // Neither UTF-8 nor code page 932 (85 40 is no character there).
    QTest::newRow("not utf-8") << QByteArray("002UserName=\x82\xa0\x85\x40\n002UserIpAddr=127.0.0.9");
    QTest::newRow("unclosed section") << QByteArray("[User");
    QTest::newRow("byte-order mark for a key") << QByteArray("\xef\xbb\xbf=127.0.0.9");
}

void tst_SettingsFaults::linesNoStoreCanReadCountAsDamage()
{
    QFETCH(QByteArray, line);
    const QByteArray damaged = "[User]\nCount=2\n001UserIpAddr=127.0.0.8\n002Junk=x\n" + line + "\n";
    {
        QFile file(settingsFile());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(damaged);
    }
    {
        SettingsStore store(QStringLiteral("Pelwick"), m_me->settingsDir());
        QVERIFY(store.wasUnreadable());
        QCOMPARE(loadDirectory(store).value(0).UserIpAddr, QStringLiteral("127.0.0.8"));
        store.setValue(QStringLiteral("Local"), QStringLiteral("Port"), QStringLiteral("1"));
        QVERIFY(store.sync());
        QCOMPARE(readAll(store.keptAsidePath()), damaged);
    }
    // The file written in its place reads cleanly and still holds the
    // entry, but none of the junk.
    SettingsStore store(QStringLiteral("Pelwick"), m_me->settingsDir());
    QVERIFY(!store.wasUnreadable());
    QCOMPARE(loadDirectory(store).value(0).UserIpAddr, QStringLiteral("127.0.0.8"));
    QVERIFY(!store.contains(QStringLiteral("User"), QStringLiteral("002Junk")));
}

void tst_SettingsFaults::hugeCountAndIndexLoadAtOnce()
{
    // A damaged count and index must not make the loader walk two billion
    // empty entries. The count is wrong, so the entries load by their keys
    // for as long as they continue from 001.
    QFile file(settingsFile());
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("[User]\nCount=2147483647\n001UserIpAddr=127.0.0.8\n999999999UserIpAddr=127.0.0.9\n"
               "999999999UserName=far\n");
    file.close();
    SettingsStore store(QStringLiteral("Pelwick"), m_me->settingsDir());
    bool countDamaged = false;
    QCOMPARE(
        loadDirectory(store, &countDamaged), (QList<DirectoryEntry> { { QString(), QStringLiteral("127.0.0.8") } }));
    QVERIFY(countDamaged);
}

void tst_SettingsFaults::deletedBetweenRunsStartsEmptyAndWritesAFreshFile()
{
    QCOMPARE(runMessenger().size(), m_directory.size());
    QVERIFY(QFile::remove(settingsFile()));

    frm_pelwickUDP *window = m_me->start();
    QVERIFY(window);
    QCOMPARE(window->session()->directory()->entries().size(), 0);
    // With no port stored the default one is used.
    QCOMPARE(window->localSettings().Port, DefaultPort);
    QCOMPARE(window->statusText(), QString());
    m_me->stop();
    QVERIFY(QFileInfo::exists(settingsFile()));
    QVERIFY(keptAside().isEmpty());
    SettingsStore store(QStringLiteral("Pelwick"), m_me->settingsDir());
    QVERIFY(!store.wasUnreadable());
    QCOMPARE(store.value(QStringLiteral("User"), QStringLiteral("Count")), QStringLiteral("0"));
    QVERIFY(m_boxes->texts.isEmpty());
}

void tst_SettingsFaults::unreadableBetweenRunsIsKeptAside()
{
    QCOMPARE(runMessenger().size(), m_directory.size());
    const QByteArray before = readAll(settingsFile());
    const bool root = ::geteuid() == 0;
    if (root) {
        // Root reads any file: a folder in the file's place cannot be read.
        QVERIFY(QFile::rename(settingsFile(), settingsFile() + QStringLiteral(".saved")));
        QVERIFY(QDir().mkdir(settingsFile()));
        QVERIFY(QFile::rename(settingsFile() + QStringLiteral(".saved"), settingsFile() + QStringLiteral("/inside")));
    } else {
        QCOMPARE(::chmod(QFile::encodeName(settingsFile()).constData(), 0), 0);
    }

    frm_pelwickUDP *window = m_me->start();
    QVERIFY(window);
    QCOMPARE(window->session()->directory()->entries().size(), 0);
    QCOMPARE(window->statusText(), MovedAside);
    m_me->stop();

    // The new run's settings are in a fresh file, the old one is kept aside whole.
    const QStringList aside = keptAside();
    QCOMPARE(aside.size(), 1);
    if (root) {
        QCOMPARE(readAll(aside.first() + QStringLiteral("/inside")), before);
    } else {
        QCOMPARE(::chmod(QFile::encodeName(aside.first()).constData(), 0600), 0);
        QCOMPARE(readAll(aside.first()), before);
    }
    SettingsStore store(QStringLiteral("Pelwick"), m_me->settingsDir());
    QVERIFY(!store.wasUnreadable());
    // The second run knew nothing of the first: it ran and saved the defaults.
    QCOMPARE(store.value(QStringLiteral("Local"), QStringLiteral("Port")), QString::number(DefaultPort));
    QVERIFY(m_boxes->texts.isEmpty());
}

void tst_SettingsFaults::damagedBetweenRunsKeepsTheBytesAndLoadsWhatIsLeft()
{
    QCOMPARE(runMessenger().size(), m_directory.size());
    const QByteArray before = readAll(settingsFile());
    // Junk over the second entry's address, as a bad sector would leave it.
    const qsizetype at = before.indexOf("002UserIpAddr=") + 14;
    QVERIFY(at > 14);
    damageInPlace(settingsFile(), at, QByteArray("\xff\xfe\0\0\x01\xff\0\0", 8));
    const QByteArray damaged = readAll(settingsFile());

    const QStringList rows = runMessenger();
    // Every entry the junk did not hit is still there.
    for (const DirectoryEntry &e : m_directory) {
        if (e.UserIpAddr != QLatin1String("127.0.0.22"))
            QVERIFY2(rows.contains(e.UserName + QLatin1Char('@') + e.UserIpAddr), qPrintable(rows.join(u' ')));
    }
    QCOMPARE(m_status, MovedAside);
    // The damaged file is kept byte for byte; the saved one reads cleanly.
    const QStringList aside = keptAside();
    QCOMPARE(aside.size(), 1);
    QCOMPARE(readAll(aside.first()), damaged);
    SettingsStore store(QStringLiteral("Pelwick"), m_me->settingsDir());
    QVERIFY(!store.wasUnreadable());
    QCOMPARE(loadDirectory(store).size(), rows.size());
    QVERIFY(m_boxes->texts.isEmpty());
}

void tst_SettingsFaults::byteOrderMarkIsNoDamage()
{
    QCOMPARE(runMessenger().size(), m_directory.size());
    const QByteArray clean = readAll(settingsFile());
    {
        QFile file(settingsFile());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("\xEF\xBB\xBF" + clean);
    }
    QCOMPARE(runMessenger().size(), m_directory.size());
    QVERIFY(keptAside().isEmpty());
    QCOMPARE(m_status, QString());
}

void tst_SettingsFaults::notAFileIsKeptAsideUnread_data()
{
    QTest::addColumn<QString>("kind");
    // One blocks a reader for good, the other never ends.
    QTest::newRow("fifo") << QStringLiteral("fifo");
    QTest::newRow("link to /dev/zero") << QStringLiteral("zero");
}

void tst_SettingsFaults::notAFileIsKeptAsideUnread()
{
    QFETCH(QString, kind);
    QVERIFY(QFile::remove(settingsFile()));
    if (kind == QLatin1String("fifo"))
        QCOMPARE(::mkfifo(QFile::encodeName(settingsFile()).constData(), 0600), 0);
    else
        QVERIFY(QFile::link(QStringLiteral("/dev/zero"), settingsFile()));

    QCOMPARE(runMessenger(), QStringList());
    QCOMPARE(m_status, MovedAside);
    const QStringList aside = keptAside();
    QCOMPARE(aside.size(), 1);
    if (kind == QLatin1String("fifo"))
        QVERIFY(QFileInfo(aside.first()).exists() && !QFileInfo(aside.first()).isFile());
    else
        QCOMPARE(QFileInfo(aside.first()).symLinkTarget(), QStringLiteral("/dev/zero"));
    SettingsStore store(QStringLiteral("Pelwick"), m_me->settingsDir());
    QVERIFY(!store.wasUnreadable());
    QCOMPARE(store.value(QStringLiteral("Local"), QStringLiteral("Port")), QString::number(DefaultPort));
}

void tst_SettingsFaults::invalidPortGivesTheDefaultThatAnswers_data()
{
    QTest::addColumn<QString>("port");
    QTest::newRow("-1") << QStringLiteral("-1");
    QTest::newRow("0") << QStringLiteral("0");
    QTest::newRow("99999") << QStringLiteral("99999");
    QTest::newRow("abc") << QStringLiteral("abc");
}

void tst_SettingsFaults::invalidPortGivesTheDefaultThatAnswers()
{
    QFETCH(QString, port);
    // The default port itself, on addresses no other test uses.
    const QString me = QStringLiteral("127.0.0.59");
    const QString peerAddress = QStringLiteral("127.0.0.58");
    MessengerFixture messenger(me, DefaultPort);
    {
        SettingsStore store(QStringLiteral("Pelwick"), messenger.settingsDir());
        store.setValue(QStringLiteral("Local"), QStringLiteral("Port"), port);
        QVERIFY(store.sync());
    }
    UdpPeer peer(peerAddress, DefaultPort);
    QVERIFY(peer.isBound());

    frm_pelwickUDP *window = messenger.start();
    QVERIFY(window);
    QCOMPARE(window->localSettings().Port, DefaultPort);
    QCOMPARE(window->statusText(), QStringLiteral("設定ﾌｧｲﾙのﾎﾟｰﾄ番号が正しくないため 59640 を使います。"));
    peer.send("01<USERNAME>peer<IPADDR>127.0.0.58<GAMEID><DATA>", me);
    QCOMPARE(peer.receive(), QByteArray("02<USERNAME>me<IPADDR>127.0.0.59<GAMEID><DATA>"));
    messenger.stop();
}

void tst_SettingsFaults::everyStartStatusReachesTheUser()
{
    {
        SettingsStore store(QStringLiteral("Pelwick"), m_me->settingsDir());
        store.setValue(QStringLiteral("Local"), QStringLiteral("IpAddr"), QStringLiteral("999.1.1.1"));
        store.setValue(QStringLiteral("Local"), QStringLiteral("UserName"), QStringLiteral("caf\u00e9"));
        store.setValue(QStringLiteral("User"), QStringLiteral("Count"), QStringLiteral("9"));
        QVERIFY(store.sync());
    }
    runMessenger();
    for (const QString &said : { QStringLiteral("設定ﾌｧｲﾙのIPｱﾄﾞﾚｽが正しくないため自動で選びます。"),
             QStringLiteral("設定ﾌｧｲﾙの使用者一覧に欠けがあったため、読めた分を使い、元のﾌｧｲﾙは別名で残しました。"),
             QStringLiteral("使用者氏名に使えない文字が含まれています") })
        QVERIFY2(m_status.contains(said), qPrintable(m_status));
}

void tst_SettingsFaults::codePage932FileStartsWithItsJapaneseName()
{
    // As a Japanese editor saves it.
    QString text = QString::fromUtf8(readAll(settingsFile()));
    text.replace(QStringLiteral("UserName=me"), QStringLiteral("UserName=山田"));
    const QByteArray saved = Cp932::encode(text);
    QVERIFY(!saved.contains('?'));
    {
        QFile file(settingsFile());
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(saved);
    }
    UdpPeer peer(m_directory.first().UserIpAddr, m_port);
    QVERIFY(peer.isBound());
    frm_pelwickUDP *window = m_me->start();
    QVERIFY(window);
    QCOMPARE(window->localSettings().UserName, QStringLiteral("山田"));
    QCOMPARE(window->session()->directory()->entries(), m_directory);
    // The start announcement carries the name, not '?'.
    QCOMPARE(peer.receive(), QByteArray("01<USERNAME>\x8eR\x93\x63<IPADDR>127.0.0.3<GAMEID><DATA>"));
    m_me->stop();

    // Written back as UTF-8; the editor's file is kept aside as it was.
    QCOMPARE(readAll(keptAside().value(0)), saved);
    SettingsStore store(QStringLiteral("Pelwick"), m_me->settingsDir());
    QVERIFY(!store.wasUnreadable() && !store.wasCodePage932());
    QCOMPARE(store.value(QStringLiteral("Local"), QStringLiteral("UserName")), QStringLiteral("山田"));
    QCOMPARE(loadDirectory(store), m_directory);
}

QTEST_MAIN(tst_SettingsFaults)
#include "tst_settingsfaults.moc"
