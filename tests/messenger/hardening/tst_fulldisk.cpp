#include "autostartentry.h"
#include "conversationlog.h"
#include "messageboxrecorder.h"
#include "messengerfixture.h"
#include "sessionstorage.h"
#include "userdirectory.h"

#include <QAction>
#include <QDialog>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QFile>
#include <QSignalSpy>
#include <QStringDecoder>
#include <QTest>

#include <fcntl.h>
#include <sys/mount.h>
#include <unistd.h>

// What the messenger keeps, on a file system that fills up while it runs: a
// file replaced whole stays as it was until a write succeeds, the kept
// conversation holds whole blocks only and marks what it missed, and the
// messenger says it cannot keep its settings for as long as it cannot.
// Needs root to mount small file systems of its own.
class tst_FullDisk : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void replacedFileSurvivesAFullDisk_data();
    void replacedFileSurvivesAFullDisk();
    void conversationKeepsWholeBlocksAndMarksTheGap();
    void directorySaveSaysItCannotKeepUntilItCan();
};

namespace {

// A small tmpfs over path for as long as it lives, which fill() fills to the
// last byte and makeRoom() empties again.
class SmallDisk
{
public:
    explicit SmallDisk(const QString &path)
        : m_path(path)
    {
        m_mounted = ::mount("pelwick-small", QFile::encodeName(path).constData(), "tmpfs", MS_NOSUID | MS_NODEV,
                        "size=256k,mode=0700")
            == 0;
    }
    ~SmallDisk()
    {
        if (m_mounted)
            ::umount2(QFile::encodeName(m_path).constData(), MNT_DETACH);
    }
    bool isMounted() const { return m_mounted; }

    void fill()
    {
        const int fd = ::open(QFile::encodeName(filler()).constData(), O_WRONLY | O_CREAT | O_APPEND, 0600);
        QVERIFY(fd >= 0);
        const QByteArray page(4096, 'f');
        while (::write(fd, page.constData(), size_t(page.size())) > 0) { }
        while (::write(fd, "f", 1) > 0) { }
        ::close(fd);
    }
    void makeRoom() { QVERIFY(QFile::remove(filler())); }

private:
    QString filler() const { return m_path + QStringLiteral("/filler"); }

    QString m_path;
    bool m_mounted = false;
};

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(none)");
}

const QString Me = QStringLiteral("127.0.0.3");

// Writes a file whole with one text or another; true when it says the write
// succeeded.
using Replace = std::function<bool(const QString &folder, const QString &text)>;

} // namespace

void tst_FullDisk::initTestCase()
{
    if (::geteuid() != 0)
        QSKIP("mounting a small file system needs root");
    QTemporaryDir probe;
    if (!SmallDisk(probe.path()).isMounted())
        QSKIP("this machine does not let the test mount a file system");
}

void tst_FullDisk::replacedFileSurvivesAFullDisk_data()
{
    QTest::addColumn<Replace>("replace");
    QTest::addColumn<QString>("file");
    QTest::newRow("settings") << Replace([](const QString &folder, const QString &text) {
        SettingsStore store(QStringLiteral("Pelwick"), folder);
        store.setValue(QStringLiteral("Local"), QStringLiteral("UserName"), text);
        return store.sync();
    }) << QStringLiteral("Pelwick/Pelwick.ini");
    QTest::newRow("login entry") << Replace([](const QString &folder, const QString &text) {
        return AutostartEntry(folder + QStringLiteral("/autostart"), QStringLiteral("pelwick"))
            .enable(QStringLiteral("Pelwick"), { QStringLiteral("/usr/bin/") + text });
    }) << QStringLiteral("autostart/pelwick.desktop");
}

void tst_FullDisk::replacedFileSurvivesAFullDisk()
{
    QFETCH(Replace, replace);
    QFETCH(QString, file);
    QTemporaryDir folder;
    SmallDisk disk(folder.path());
    QVERIFY(disk.isMounted());
    const QString path = folder.filePath(file);
    QVERIFY(replace(folder.path(), QStringLiteral("old")));
    const QByteArray old = readAll(path);
    QVERIFY(old.contains("old"));

    disk.fill();
    QVERIFY(!replace(folder.path(), QStringLiteral("new")));
    QCOMPARE(readAll(path), old);
    // Nothing half written is left beside it either.
    QCOMPARE(QDir(QFileInfo(path).absolutePath()).entryList(QDir::Files | QDir::Hidden),
        QStringList { QFileInfo(path).fileName() });

    disk.makeRoom();
    QVERIFY(replace(folder.path(), QStringLiteral("new")));
    QVERIFY(readAll(path).contains("new"));
}

void tst_FullDisk::conversationKeepsWholeBlocksAndMarksTheGap()
{
    QTemporaryDir folder;
    SmallDisk disk(folder.path());
    QVERIFY(disk.isMounted());
    ConversationLog log(folder.filePath(QStringLiteral("Pelwick.log")));
    QVERIFY(log.append(QStringLiteral("first\r\n\r\n")));
    disk.fill();
    // More than the file's last page holds, in characters of three bytes:
    // the disk takes part of it and ends inside a character.
    QVERIFY(!log.append(QString(3000, QChar(u'あ')) + QStringLiteral("\r\n\r\n")));
    QCOMPARE(readAll(log.filePath()), QByteArray("first\n\n"));

    disk.makeRoom();
    QVERIFY(log.append(QStringLiteral("next\r\n\r\n")));
    const QByteArray kept = readAll(log.filePath());
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8(kept);
    QVERIFY(!utf8.hasError());
    const QStringList blocks = text.split(QStringLiteral("\n\n"));
    QCOMPARE(blocks.size(), 4);
    QCOMPARE(blocks[0], QStringLiteral("first"));
    QVERIFY2(blocks[1].startsWith(QStringLiteral("[記録なし] Time:"))
            && blocks[1].endsWith(QStringLiteral(" 以降の送受信の一部を保存できませんでした。")),
        qPrintable(blocks[1]));
    QCOMPARE(blocks[2], QStringLiteral("next"));
}

void tst_FullDisk::directorySaveSaysItCannotKeepUntilItCan()
{
    MessengerFixture me(Me, freeUdpPort({ Me }));
    SmallDisk disk(me.settingsDir());
    QVERIFY(disk.isMounted());
    {
        SettingsStore store(QStringLiteral("Pelwick"), me.settingsDir());
        WriteQuietMessengerSettings(store, me.port(), QStringLiteral("me"));
    }
    // Apply in the options, with a new name each time it is opened.
    QString applied;
    frm_pelwickUDP *window = me.start([&](MessengerEnvironment &env) {
        env.dialogHook = [&](QDialog *dialog) {
            dialog->findChild<QLineEdit *>(QStringLiteral("txtLocalUserName"))->setText(applied);
            dialog->findChild<QPushButton *>(QStringLiteral("cmdApply"))->click();
            dialog->reject();
        };
    });
    QVERIFY(window);
    UserDirectory *directory = window->session()->directory();
    QSignalSpy told(window->session()->storage(), &SessionStorage::keepingChanged);
    const QString file = SettingsStore::filePathFor(QStringLiteral("Pelwick"), me.settingsDir());
    const QString cannot = QStringLiteral("設定ﾌｧｲﾙを保存できません。");

    // A new peer on a full disk: the file keeps what it held, and the
    // window says it cannot keep the settings, also once the status has
    // moved on to something else...
    const QByteArray before = readAll(file);
    disk.fill();
    directory->appendRow(QStringLiteral("one"), PresenceMark::HeardFrom, QStringLiteral("10.1.1.1"));
    QTRY_COMPARE_WITH_TIMEOUT(window->keepingText(), cannot, 5000);
    QCOMPARE(window->statusText(), cannot);
    window->ShowStatus(QStringLiteral("メッセージを受け付けました。"));
    QCOMPARE(window->keepingText(), cannot);
    QCOMPARE(readAll(file), before);

    // ...until a save succeeds...
    disk.makeRoom();
    directory->appendRow(QStringLiteral("two"), PresenceMark::HeardFrom, QStringLiteral("10.1.1.2"));
    QTRY_COMPARE_WITH_TIMEOUT(window->keepingText(), QString(), 5000);
    QCOMPARE(loadDirectory(SettingsStore(QStringLiteral("Pelwick"), me.settingsDir())).size(), 2);

    // ...and says it again when a later one fails, the exit save included.
    disk.fill();
    directory->appendRow(QStringLiteral("three"), PresenceMark::HeardFrom, QStringLiteral("10.1.1.3"));
    QTRY_COMPARE_WITH_TIMEOUT(window->keepingText(), cannot, 5000);
    QCOMPARE(window->statusText(), cannot);
    QCOMPARE(told.size(), 3);

    // Apply in the options goes through the same save: it cannot keep the
    // name on the full disk and says so, and once there is room it can.
    const auto openOptions = [&](const QString &name) {
        applied = name;
        window->findChild<QAction *>(QStringLiteral("menuOpsion"))->trigger();
    };
    disk.makeRoom();
    openOptions(QStringLiteral("kept"));
    QTRY_COMPARE_WITH_TIMEOUT(window->keepingText(), QString(), 5000);
    const QByteArray kept = readAll(file);
    disk.fill();
    MessageBoxRecorder boxes;
    openOptions(QStringLiteral("lost"));
    QCOMPARE(boxes.texts.size(), 1);
    QCOMPARE(window->keepingText(), cannot);
    QCOMPARE(readAll(file), kept);

    me.stop();
    QCOMPARE(loadDirectory(SettingsStore(QStringLiteral("Pelwick"), me.settingsDir())).size(), 3);
}

QTEST_MAIN(tst_FullDisk)
#include "tst_fulldisk.moc"
