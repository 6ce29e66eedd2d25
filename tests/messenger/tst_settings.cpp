#include "soundfile.h"
#include "frm_pelwickUDP.h"
#include "settingsreference.h"
#include "settingsstore.h"
#include "userdirectory.h"
#include "userlist.h"

#include <QDir>
#include <QFile>
#include <QHostInfo>
#include <QRegularExpression>
#include <QSettings>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <memory>

#include <sys/resource.h>

using Entries = QList<DirectoryEntry>;
using Values = QList<QPair<QString, QString>>; // "Section/Key", text

namespace {

const QString App = QStringLiteral("Pelwick");

QByteArray readBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

void storeValues(const QString &dir, const Values &values)
{
    SettingsStore store(App, dir);
    for (const auto &[path, text] : values)
        store.setValue(path.section(QLatin1Char('/'), 0, 0), path.section(QLatin1Char('/'), 1), text);
}

// Limits the size of files this process writes while it lives; writing
// beyond it fails with EFBIG instead of raising SIGXFSZ.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        ::getrlimit(RLIMIT_FSIZE, &m_saved);
        m_handler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_saved;
        limit.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &m_saved);
        std::signal(SIGXFSZ, m_handler);
    }

private:
    rlimit m_saved {};
    void (*m_handler)(int) = nullptr;
};

// Every key of "Local" in the order the file holds them, with what a first
// start gets. A file of an older messenger lacks the keys after UserName:
// all on, address automatic.
QList<std::pair<const char *, QString>> localDefaults()
{
    return {
        { "SoundFilePath", defaultArrivalSoundPath() },
        { "Sound", "True" },
        { "FormTop", "False" },
        { "PopUp", "True" },
        { "Port", "59640" },
        { "UserName", QHostInfo::localHostName() },
        { "IpAddr", "" },
        { "Broadcast", "True" },
        { "BroadcastTo", "" },
        { "KeepLog", "True" },
        { "Notify", "True" },
        { "Language", "auto" },
    };
}

// The files kept aside next to the settings file.
QStringList keptAside(const QString &dir)
{
    return QDir(dir + QLatin1Char('/') + App)
        .entryList(
            { App + QLatin1String(".ini.unreadable-*") }, QDir::Files | QDir::Dirs | QDir::System | QDir::Hidden);
}

} // namespace

// The settings store, the key mapping and the main window's load and save,
// on temporary folders.
class tst_Settings : public QObject
{
    Q_OBJECT
private slots:
    void emptyStoreGivesTheDefaultsAndNoUser();
    void directoryLoad_data();
    void directoryLoad();
    void localValuesConvertOrStayAsTheyWere_data();
    void localValuesConvertOrStayAsTheyWere();
    void mendedValuesAreSaidOnceAndSavedMended();
    void saveRenumbersDenselyAndDropsWhatTheListLost();
    void indexGrowsToFourDigitsFromEntry1000();
    void fileIsWrittenInTheOrderAPersonExpects();
    void windowPositionIsReadAndWrittenInTwips();
    void minimisedSaveKeepsTheStoredPosition();
    void storedPlaceOpensOnAScreenAndComesBackTheSame_data();
    void storedPlaceOpensOnAScreenAndComesBackTheSame();
    void awkwardTextSurvivesARoundTripOnDisk_data();
    void awkwardTextSurvivesARoundTripOnDisk();
    void damagedFileIsKeptAsideNeverOverwritten_data();
    void damagedFileIsKeptAsideNeverOverwritten();
    void damagedFileIsKeptAsideByTheWindowSave();
    void secondDamagedFileInOneSecondIsKeptAsideToo();
    void failingSaveLeavesThePreviousFileIntact();
    void storeReadsEveryLineAsQSettingsDoes();
    void fileChangedDuringTheRunIsReadAgainBeforeTheSave();

private:
    // A main window that is never loaded: no socket, no lock, no tray.
    std::unique_ptr<frm_pelwickUDP> window(const QString &settingsDir)
    {
        MessengerEnvironment env;
        env.bindAddress = QHostAddress(QStringLiteral("127.0.0.1"));
        env.settingsDirectory = settingsDir;
        env.runtimeDirectory = m_runtime.path();
        env.programDirectory = m_runtime.path();
        env.dataDirectory = m_runtime.path();
        return std::make_unique<frm_pelwickUDP>(env);
    }

    // The file as a process that never saw it would read it: a copy under a
    // new path, which QSettings has no cached contents for.
    std::unique_ptr<SettingsStore> freshCopy(const QString &settingsDir, QTemporaryDir &into)
    {
        writeBytes(
            into.path() + QLatin1String("/Pelwick/Pelwick.ini"), readBytes(SettingsStore(App, settingsDir).filePath()));
        return std::make_unique<SettingsStore>(App, into.path());
    }

    QTemporaryDir m_runtime;
};

void tst_Settings::emptyStoreGivesTheDefaultsAndNoUser()
{
    QTemporaryDir dir;
    auto w = window(dir.path());
    const QRect design = w->geometry();
    w->LoadOrSaveSettings(SettingsTransfer::Load);

    QCOMPARE(w->geometry(), design);
    // Every key, as the next save writes it.
    const QList<std::pair<const char *, QString>> defaults = localDefaults();
    QCOMPARE(localSettingKeys().size(), size_t(defaults.size()));
    for (const auto &[name, text] : defaults) {
        const LocalSettingKey *key = localSettingKey(QLatin1String(name));
        QVERIFY2(key, name);
        QCOMPARE(key->write(w->localSettings()), text);
    }
    // Count defaults to 1; entry 001 has no address, so nobody is added.
    QCOMPARE(w->session()->directory()->rowCount(), 0);
    // Loading writes nothing.
    QVERIFY(!QFile::exists(dir.filePath("Pelwick/Pelwick.ini")));
}

void tst_Settings::directoryLoad_data()
{
    QTest::addColumn<Values>("stored");
    QTest::addColumn<Entries>("expected");
    // Count does not match the entries: the file is kept aside once and the
    // entries loaded are written to a fresh one.
    QTest::addColumn<bool>("countDamaged");

    const QString a = QStringLiteral("127.0.0.2");
    const QString b = QStringLiteral("127.0.0.3");
    QTest::newRow("count larger than the entries") << Values { { "User/Count", "5" }, { "User/001UserName", "a" },
        { "User/001UserIpAddr", a }, { "User/002UserName", "b" }, { "User/002UserIpAddr", b } }
                                                   << Entries { { "a", a }, { "b", b } } << true;
    QTest::newRow("gap: entries after it stay in the kept file") << Values { { "User/Count", "3" },
        { "User/001UserName", "a" }, { "User/001UserIpAddr", a }, { "User/002UserName", "b" },
        { "User/002UserIpAddr", b }, { "User/004UserName", "d" }, { "User/004UserIpAddr", "127.0.0.4" } }
                                                                 << Entries { { "a", a }, { "b", b } } << true;
    QTest::newRow("blank address skipped, empty name kept")
        << Values { { "User/Count", "3" }, { "User/001UserName", "blank" }, { "User/001UserIpAddr", "   " },
               { "User/002UserName", "" }, { "User/002UserIpAddr", a }, { "User/003UserName", "noaddr" } }
        << Entries { { "", a } } << false;
    QTest::newRow("duplicate address renames the first row") << Values { { "User/Count", "3" },
        { "User/001UserName", "a" }, { "User/001UserIpAddr", a }, { "User/002UserName", "b" },
        { "User/002UserIpAddr", b }, { "User/003UserName", "a2" }, { "User/003UserIpAddr", a } }
                                                             << Entries { { "a2", a }, { "b", b } } << false;
    QTest::newRow("address kept untrimmed")
        << Values { { "User/Count", "1" }, { "User/001UserName", "x" }, { "User/001UserIpAddr", " 127.0.0.2 " } }
        << Entries { { "x", " 127.0.0.2 " } } << false;
    QTest::newRow("count missing loads the entries by their keys") << Values { { "User/001UserName", "a" },
        { "User/001UserIpAddr", a }, { "User/002UserName", "b" }, { "User/002UserIpAddr", b } }
                                                                   << Entries { { "a", a }, { "b", b } } << true;
    QTest::newRow("count zero") << Values { { "User/Count", "0" }, { "User/001UserName", "a" },
        { "User/001UserIpAddr", a } }
                                << Entries {} << false;
    QTest::newRow("count negative") << Values { { "User/Count", "-5" }, { "User/001UserName", "a" },
        { "User/001UserIpAddr", a }, { "User/002UserName", "b" }, { "User/002UserIpAddr", b } }
                                    << Entries { { "a", a }, { "b", b } } << true;
    QTest::newRow("count empty") << Values { { "User/Count", "" }, { "User/001UserIpAddr", a } }
                                 << Entries { { "", a } } << true;
    QTest::newRow("count not a number") << Values { { "User/Count", "many" }, { "User/001UserIpAddr", a } }
                                        << Entries { { "", a } } << true;
    QTest::newRow("count beyond 32 bits")
        << Values { { "User/Count", "99999999999999" }, { "User/001UserIpAddr", a } } << Entries { { "", a } } << true;
    // A corrupt count must not make the load walk two thousand million keys.
    QTest::newRow("huge count stops at the last stored entry")
        << Values { { "User/Count", "2147483647" }, { "User/001UserName", "a" }, { "User/001UserIpAddr", a },
               { "User/002UserName", "b" }, { "User/002UserIpAddr", b } }
        << Entries { { "a", a }, { "b", b } } << true;
    QTest::newRow("huge count in exponent form")
        << Values { { "User/Count", "1e9" }, { "User/001UserName", "a" }, { "User/001UserIpAddr", a } }
        << Entries { { "a", a } } << true;
}

void tst_Settings::directoryLoad()
{
    QFETCH(Values, stored);
    QFETCH(Entries, expected);
    QFETCH(bool, countDamaged);
    QTemporaryDir dir;
    storeValues(dir.path(), stored);
    const QByteArray before = readBytes(SettingsStore(App, dir.path()).filePath());
    auto w = window(dir.path());
    w->LoadOrSaveSettings(SettingsTransfer::Load);
    QCOMPARE(w->session()->directory()->entries(), expected);
    for (int i = 0; i < w->session()->directory()->rowCount(); ++i)
        QCOMPARE(w->session()->directory()->mark(i), PresenceMark::NotHeard);

    const QStringList aside = keptAside(dir.path());
    QCOMPARE(aside.size(), countDamaged ? 1 : 0);
    if (!countDamaged)
        return;
    // Nothing is erased: the file as it was is kept, the list is on disk
    // at once, and the user is told.
    QCOMPARE(readBytes(dir.filePath(QStringLiteral("Pelwick/")) + aside.first()), before);
    QTemporaryDir copy;
    QCOMPARE(loadDirectory(*freshCopy(dir.path(), copy)), expected);
    // The file was read and its entries are in use: the user learns that
    // the list had gaps, not that nothing could be read.
    QCOMPARE(w->statusText(),
        QStringLiteral("設定ﾌｧｲﾙの使用者一覧に欠けがあったため、読めた分を使い、元のﾌｧｲﾙは別名で残しました。"));
}

void tst_Settings::localValuesConvertOrStayAsTheyWere_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("text");
    // The value read, as the next save writes it.
    QTest::addColumn<QString>("expected");
    const auto row = [](const char *key, const char *text, const QString &expected) {
        QTest::addRow("%s %s", key, text) << QString::fromLatin1(key) << QString::fromUtf8(text) << expected;
    };

    // Booleans: True/False in any case or a number; anything else leaves the
    // field as it was before the first load: false.
    row("Sound", "yes", "False");
    row("PopUp", "yes", "False");
    row("Sound", "TRUE", "True");
    row("FormTop", "tRuE", "True");
    row("PopUp", "FALSE", "False");
    row("FormTop", "-1", "True");
    row("FormTop", "2.5", "True");
    row("Sound", "0", "False");
    row("Sound", "", "False");
    row("Broadcast", "False", "False");
    row("KeepLog", "0", "False");
    row("Notify", "no", "False");
    row("Language", "en", "en");
    row("Language", "ja", "ja");
    // Only the three stored values count; anything else keeps the default.
    row("Language", "English", "auto");
    row("Port", "12345", "12345");
    row("Port", " 2000 ", "2000");
    // A port the socket cannot open counts as missing: the default.
    row("Port", "70000", "59640");
    row("Port", "http", "59640");
    row("Port", "4294967296", "59640");
    // A name a damaged file made '?' of: the host's name instead.
    row("UserName", "田\uFFFD中", QHostInfo::localHostName());
    row("IpAddr", " 10.0.0.7 ", "10.0.0.7");
    // Anything but an address is never named in a datagram.
    row("IpAddr", "999.1.1.1", "");
    row("IpAddr", "localhost", "");
    row("IpAddr", "1.2.3", "");
    // A list of addresses; blanks around them and empty entries go, other
    // entries stay as written (only addresses are used).
    row("BroadcastTo", " 192.168.2.255 , ,10.1.255.255,", "192.168.2.255,10.1.255.255");
    row("BroadcastTo", "192.168.2.2555", "192.168.2.2555");
}

void tst_Settings::localValuesConvertOrStayAsTheyWere()
{
    QFETCH(QString, key);
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QTemporaryDir dir;
    storeValues(dir.path(), { { QLatin1String("Local/") + key, text } });
    auto w = window(dir.path());
    w->LoadOrSaveSettings(SettingsTransfer::Load);
    const LocalSettingKey *row = localSettingKey(key);
    QVERIFY(row);
    QCOMPARE(row->write(w->localSettings()), expected);
}

void tst_Settings::mendedValuesAreSaidOnceAndSavedMended()
{
    QTemporaryDir dir;
    storeValues(dir.path(), { { "Local/Port", "99999" }, { "Local/IpAddr", "999.1.1.1" } });
    auto w = window(dir.path());
    w->LoadOrSaveSettings(SettingsTransfer::Load);
    QCOMPARE(w->statusText(),
        QStringLiteral("設定ﾌｧｲﾙのﾎﾟｰﾄ番号が正しくないため 59640 を使います。 "
                       "設定ﾌｧｲﾙのIPｱﾄﾞﾚｽが正しくないため自動で選びます。"));
    QVERIFY(keptAside(dir.path()).isEmpty());
    w->LoadOrSaveSettings(SettingsTransfer::Save);

    auto again = window(dir.path());
    again->LoadOrSaveSettings(SettingsTransfer::Load);
    QCOMPARE(again->statusText(), QString());
    QCOMPARE(again->localSettings().Port, 59640);
    QCOMPARE(again->localSettings().IpAddr, QString());
}

void tst_Settings::saveRenumbersDenselyAndDropsWhatTheListLost()
{
    QTemporaryDir dir;
    storeValues(dir.path(),
        { { "User/Count", "4" }, { "User/001UserName", "a" }, { "User/001UserIpAddr", "127.0.0.2" },
            { "User/002UserName", "blank" }, { "User/002UserIpAddr", " " }, { "User/003UserName", "c" },
            { "User/003UserIpAddr", "127.0.0.3" }, { "User/005UserName", "e" },
            { "User/005UserIpAddr", "127.0.0.5" } });
    auto w = window(dir.path());
    w->LoadOrSaveSettings(SettingsTransfer::Load);
    w->session()->directory()->appendRow(QStringLiteral("new"), PresenceMark::HeardFrom, QStringLiteral("127.0.0.9"));
    w->LoadOrSaveSettings(SettingsTransfer::Save);

    QTemporaryDir copy;
    const auto store = freshCopy(dir.path(), copy);
    QStringList keys = store->keys(QStringLiteral("User"));
    keys.sort();
    QCOMPARE(keys,
        QStringList({ "001UserIpAddr", "001UserName", "002UserIpAddr", "002UserName", "003UserIpAddr", "003UserName",
            "Count" }));
    QCOMPARE(store->value("User", "Count"), QStringLiteral("3"));
    QCOMPARE(store->value("User", "002UserName"), QStringLiteral("c"));
    QCOMPARE(store->value("User", "003UserName"), QStringLiteral("new"));
    QCOMPARE(store->value("User", "003UserIpAddr"), QStringLiteral("127.0.0.9"));

    // A row removed from the list is gone from the store after the next save.
    w->session()->directory()->removeUser(QStringLiteral("127.0.0.2"));
    w->LoadOrSaveSettings(SettingsTransfer::Save);
    auto again = window(dir.path());
    again->LoadOrSaveSettings(SettingsTransfer::Load);
    QCOMPARE(again->session()->directory()->entries(), Entries({ { "c", "127.0.0.3" }, { "new", "127.0.0.9" } }));
}

void tst_Settings::indexGrowsToFourDigitsFromEntry1000()
{
    QTemporaryDir dir;
    auto w = window(dir.path());
    Entries entries;
    for (int i = 1; i <= 1003; ++i) {
        entries.append({ QStringLiteral("user%1").arg(i),
            QStringLiteral("10.%1.%2.%3").arg(i / 65536).arg(i / 256 % 256).arg(i % 256) });
        w->session()->directory()->appendRow(entries.last().UserName, PresenceMark::NotHeard, entries.last().UserIpAddr);
    }
    w->LoadOrSaveSettings(SettingsTransfer::Save);

    QTemporaryDir copy;
    const auto store = freshCopy(dir.path(), copy);
    QCOMPARE(store->value("User", "Count"), QStringLiteral("1003"));
    QCOMPARE(store->value("User", "999UserName"), QStringLiteral("user999"));
    QCOMPARE(store->value("User", "1000UserName"), QStringLiteral("user1000"));
    QCOMPARE(store->value("User", "1003UserIpAddr"), entries.last().UserIpAddr);
    QVERIFY(!store->contains("User", "0999UserName"));
    QVERIFY(!store->contains("User", "1004UserName"));
    // Entries in number order, each name before its address.
    const QByteArray written = readBytes(store->filePath());
    qsizetype at = 0;
    for (const char *line : { "Count=1003\n",
             "001UserName=", "001UserIpAddr=", "100UserName=", "999UserIpAddr=", "1000UserName=", "1003UserIpAddr=" }) {
        const qsizetype next = written.indexOf(line, at);
        QVERIFY2(next >= at, line);
        at = next;
    }

    auto reloaded = window(copy.path());
    reloaded->LoadOrSaveSettings(SettingsTransfer::Load);
    QCOMPARE(reloaded->session()->directory()->entries(), entries);

    // A file written by hand with four-digit indexes loads the same way.
    QTemporaryDir hand;
    QByteArray text = "[User]\nCount=1001\n";
    for (int i = 1; i <= 1001; ++i)
        text += directoryIndex(i).toLatin1() + "UserName=n" + QByteArray::number(i) + "\n"
            + directoryIndex(i).toLatin1() + "UserIpAddr=10.1." + QByteArray::number(i / 256) + "."
            + QByteArray::number(i % 256) + "\n";
    QVERIFY(writeBytes(hand.path() + QLatin1String("/Pelwick/Pelwick.ini"), text));
    auto handLoaded = window(hand.path());
    handLoaded->LoadOrSaveSettings(SettingsTransfer::Load);
    QCOMPARE(handLoaded->session()->directory()->rowCount(), 1001);
    QCOMPARE(handLoaded->session()->directory()->name(1000), QStringLiteral("n1001"));
    QCOMPARE(handLoaded->session()->directory()->address(999), QStringLiteral("10.1.3.232"));
}

void tst_Settings::fileIsWrittenInTheOrderAPersonExpects()
{
    QTemporaryDir dir;
    QVERIFY(writeBytes(dir.filePath(QStringLiteral("Pelwick/Pelwick.ini")),
        "[Other]\nb=1\na=2\n[User]\nCount=1\n001UserIpAddr=127.0.0.2\n001UserName=a\n"
        "[Local]\nZeta=z\nUserName=me\nPort=59640\n"));
    auto w = window(dir.path());
    w->LoadOrSaveSettings(SettingsTransfer::Load);
    w->session()->directory()->appendRow(QStringLiteral("b"), PresenceMark::HeardFrom, QStringLiteral("127.0.0.3"));
    w->LoadOrSaveSettings(SettingsTransfer::Save);

    QStringList lines;
    for (const QByteArray &line : readBytes(dir.filePath(QStringLiteral("Pelwick/Pelwick.ini"))).split('\n')) {
        if (!line.isEmpty())
            lines.append(QString::fromUtf8(line.left(line.indexOf('=') < 0 ? line.size() : line.indexOf('='))));
    }
    // Reading stays as tolerant: the hand-written order came back in.
    QStringList expected { "[WindowPos]", "Top", "Left", "Width", "Height", "[Local]" };
    for (const auto &[name, text] : localDefaults())
        expected.append(QLatin1String(name));
    expected += QStringList { "Zeta", "[User]", "Count", "001UserName", "001UserIpAddr", "002UserName",
        "002UserIpAddr", "[Other]", "b", "a" };
    QCOMPARE(lines, expected);
}

void tst_Settings::windowPositionIsReadAndWrittenInTwips()
{
    QTemporaryDir dir;
    auto probe = window(dir.path());
    const double twips = 1440.0 / probe->logicalDpiX();
    storeValues(dir.path(),
        { { "WindowPos/Left", QString::number(100 * twips) }, { "WindowPos/Top", QString::number(200 * twips) },
            { "WindowPos/Width", QString::number(400 * twips) }, { "WindowPos/Height", "not a number" } });
    auto w = window(dir.path());
    const int designHeight = w->height();
    w->LoadOrSaveSettings(SettingsTransfer::Load);
    QCOMPARE(w->pos(), QPoint(100, 200));
    QCOMPARE(w->width(), 400);
    // A value that does not convert leaves that edge alone.
    QCOMPARE(w->height(), designHeight);

    w->move(30, 40);
    w->resize(300, 350);
    w->LoadOrSaveSettings(SettingsTransfer::Save);
    QTemporaryDir copy;
    const auto store = freshCopy(dir.path(), copy);
    QCOMPARE(store->value("WindowPos", "Left").toDouble(), 30 * twips);
    QCOMPARE(store->value("WindowPos", "Top").toDouble(), 40 * twips);
    QCOMPARE(store->value("WindowPos", "Width").toDouble(), 300 * twips);
    QCOMPARE(store->value("WindowPos", "Height").toDouble(), 350 * twips);
}

void tst_Settings::storedPlaceOpensOnAScreenAndComesBackTheSame_data()
{
    QTest::addColumn<QPoint>("stored");
    QTest::addColumn<bool>("kept");
    QTest::newRow("on the screen") << QPoint(100, 80) << true;
    // Where a frame drifted by its own size: the title bar above the screen.
    QTest::newRow("title bar above the screen") << QPoint(-1, -20) << false;
    QTest::newRow("right of every screen") << QPoint(5000, 100) << false;
    QTest::newRow("below every screen") << QPoint(100, 3000) << false;
}

void tst_Settings::storedPlaceOpensOnAScreenAndComesBackTheSame()
{
    QFETCH(QPoint, stored);
    QFETCH(bool, kept);
    QTemporaryDir dir;
    const double twips = 1440.0 / window(dir.path())->logicalDpiX();
    storeValues(dir.path(),
        { { "WindowPos/Left", QString::number(stored.x() * twips) },
            { "WindowPos/Top", QString::number(stored.y() * twips) },
            { "WindowPos/Width", QString::number(300 * twips) }, { "WindowPos/Height", QString::number(200 * twips) } });
    auto w = window(dir.path());
    w->LoadOrSaveSettings(SettingsTransfer::Load);
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.get()));
    const QRect frame = w->frameGeometry();
    QVERIFY2(w->screen()->availableGeometry().contains(frame), qPrintable(QDebug::toString(frame)));
    if (kept)
        QCOMPARE(frame.topLeft(), stored);

    // What is saved is what the next start opens: no drift by the frame.
    w->LoadOrSaveSettings(SettingsTransfer::Save);
    QTemporaryDir copy;
    const auto store = freshCopy(dir.path(), copy);
    auto again = window(copy.path());
    again->LoadOrSaveSettings(SettingsTransfer::Load);
    again->show();
    QVERIFY(QTest::qWaitForWindowExposed(again.get()));
    QCOMPARE(again->frameGeometry(), frame);
}

void tst_Settings::minimisedSaveKeepsTheStoredPosition()
{
    QTemporaryDir dir;
    storeValues(dir.path(),
        { { "WindowPos/Left", "1500" }, { "WindowPos/Top", "1500" }, { "WindowPos/Width", "6000" },
            { "WindowPos/Height", "6000" }, { "Local/UserName", "before" } });
    auto w = window(dir.path());
    w->LoadOrSaveSettings(SettingsTransfer::Load);
    w->move(7, 9);
    w->setWindowState(Qt::WindowMinimized);
    QVERIFY(w->isMinimized());
    w->localSettings().UserName = QStringLiteral("after");
    w->session()->directory()->appendRow(QStringLiteral("x"), PresenceMark::NotHeard, QStringLiteral("127.0.0.2"));
    w->LoadOrSaveSettings(SettingsTransfer::Save);

    QTemporaryDir copy;
    const auto store = freshCopy(dir.path(), copy);
    QCOMPARE(store->value("WindowPos", "Left"), QStringLiteral("1500"));
    QCOMPARE(store->value("WindowPos", "Top"), QStringLiteral("1500"));
    QCOMPARE(store->value("WindowPos", "Width"), QStringLiteral("6000"));
    QCOMPARE(store->value("WindowPos", "Height"), QStringLiteral("6000"));
    QCOMPARE(store->value("Local", "UserName"), QStringLiteral("after"));
    QCOMPARE(store->value("Local", "Sound"), QStringLiteral("True"));
    QCOMPARE(store->value("User", "001UserIpAddr"), QStringLiteral("127.0.0.2"));
}

void tst_Settings::awkwardTextSurvivesARoundTripOnDisk_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("japanese") << QStringLiteral("山田 太郎～①ｱｲｳ");
    QTest::newRow("commas") << QStringLiteral("a,b, c,");
    QTest::newRow("quotes") << QStringLiteral("\"quoted\" and 'single'");
    QTest::newRow("equals") << QStringLiteral("a=b=c");
    QTest::newRow("semicolon and hash") << QStringLiteral("; not a comment # nor this");
    QTest::newRow("leading hash") << QStringLiteral("#first");
    QTest::newRow("backslashes") << QStringLiteral("C:\\WINDOWS\\MEDIA\\THEMIC~1.WAV \\\\server\\");
    QTest::newRow("spaces at the ends") << QStringLiteral("  padded  ");
    QTest::newRow("brackets") << QStringLiteral("[User]");
    QTest::newRow("percent and slash") << QStringLiteral("100%/x");
    QTest::newRow("only a space") << QStringLiteral(" ");
}

void tst_Settings::awkwardTextSurvivesARoundTripOnDisk()
{
    QFETCH(QString, text);
    QTemporaryDir dir;
    auto w = window(dir.path());
    w->LoadOrSaveSettings(SettingsTransfer::Load);
    w->localSettings().UserName = text;
    w->localSettings().SoundFilePath = text;
    w->session()->directory()->appendRow(text, PresenceMark::HeardFrom, QStringLiteral("127.0.0.2"));
    w->session()->directory()->appendRow(QStringLiteral("after"), PresenceMark::HeardFrom, QStringLiteral("127.0.0.3"));
    w->LoadOrSaveSettings(SettingsTransfer::Save);

    QTemporaryDir copy;
    freshCopy(dir.path(), copy);
    auto reloaded = window(copy.path());
    reloaded->LoadOrSaveSettings(SettingsTransfer::Load);
    QCOMPARE(reloaded->localSettings().UserName, text);
    QCOMPARE(reloaded->localSettings().SoundFilePath, text);
    QCOMPARE(reloaded->session()->directory()->entries(), Entries({ { text, "127.0.0.2" }, { "after", "127.0.0.3" } }));
}

void tst_Settings::damagedFileIsKeptAsideNeverOverwritten_data()
{
    QTest::addColumn<QByteArray>("damaged");
    QTest::addColumn<QString>("how");
    QTest::newRow("nul bytes") << QByteArray("[User]\nCount=2\n\0\0\0\0\0\0", 21) << "bytes";
    QTest::newRow("zero-filled after a crash") << QByteArray(4096, '\0') << "bytes";
    QTest::newRow("neither utf-8 nor code page 932")
        << QByteArray("[Local]\nUserName=\x8eR\x93\x63\x85\x40\n") << "bytes";
    QTest::newRow("section header cut off") << QByteArray("[Local]\nPort=7\n[Us") << "bytes";
    // Well-formed, but more than any file the messenger writes.
    QTest::newRow("over 16 MB") << QByteArray("[Local]\nPort=7\n;") + QByteArray(SettingsStore::MaxFileBytes, 'x')
                                << "bytes";
    QTest::newRow("no read permission") << QByteArray("[Local]\nPort=1234\n") << "no read permission";
    QTest::newRow("a folder in its place") << QByteArray() << "folder";
}

void tst_Settings::damagedFileIsKeptAsideNeverOverwritten()
{
    QFETCH(QByteArray, damaged);
    QFETCH(QString, how);
    QTemporaryDir dir;
    // A good file first, so this process has its contents cached.
    storeValues(dir.path(), { { "Local/UserName", "cached" }, { "Local/Port", "1" } });
    const QString path = SettingsStore(App, dir.path()).filePath();
    QCOMPARE(SettingsStore(App, dir.path()).value("Local", "UserName"), QStringLiteral("cached"));

    if (how == QLatin1String("folder")) {
        QVERIFY(QFile::remove(path));
        QVERIFY(QDir().mkpath(path + QLatin1String("/inside")));
    } else {
        QVERIFY(writeBytes(path, damaged));
    }
    if (how == QLatin1String("no read permission")) {
        QVERIFY(QFile::setPermissions(path, QFileDevice::WriteOwner));
        if (QFile(path).open(QIODevice::ReadOnly))
            QSKIP("files stay readable for this user (root); the folder row covers an unreadable file");
    }

    // Each store that opens the file sees the damage, not only the first.
    for (int round = 0; round < 2; ++round) {
        SettingsStore look(App, dir.path());
        QVERIFY(look.wasUnreadable());
        QVERIFY(!look.sync());
    }
    QVERIFY(keptAside(dir.path()).isEmpty());

    {
        SettingsStore store(App, dir.path());
        QVERIFY(store.wasUnreadable());
        store.setValue(QStringLiteral("Local"), QStringLiteral("UserName"), QStringLiteral("fresh"));
        QVERIFY(store.sync());
        QVERIFY(!store.keptAsidePath().isEmpty());
    }
    const QStringList aside = keptAside(dir.path());
    QCOMPARE(aside.size(), 1);
    QVERIFY(aside.first().contains(QRegularExpression(QStringLiteral("\\.ini\\.unreadable-\\d{8}-\\d{6}$"))));
    const QString asidePath = QFileInfo(path).absolutePath() + QLatin1Char('/') + aside.first();
    if (how == QLatin1String("folder")) {
        QVERIFY(QFileInfo::exists(asidePath + QLatin1String("/inside")));
    } else {
        QFile::setPermissions(asidePath, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        QCOMPARE(readBytes(asidePath), damaged);
    }

    SettingsStore after(App, dir.path());
    QVERIFY(!after.wasUnreadable());
    QCOMPARE(after.value("Local", "UserName"), QStringLiteral("fresh"));
    // What the damaged file still said may be carried over; the good file
    // this process read earlier never comes back.
    QVERIFY(after.value("Local", "Port") != QStringLiteral("1"));
}

void tst_Settings::damagedFileIsKeptAsideByTheWindowSave()
{
    QTemporaryDir dir;
    storeValues(dir.path(), { { "Local/UserName", "me" } });
    const QString path = SettingsStore(App, dir.path()).filePath();
    const QByteArray damaged("[Local]\nUserName=me\n[User\nCount=1\n001UserIpAddr=127.0.0.2\n");
    QVERIFY(writeBytes(path, damaged));

    auto w = window(dir.path());
    w->LoadOrSaveSettings(SettingsTransfer::Load);
    w->session()->directory()->appendRow(QStringLiteral("b"), PresenceMark::HeardFrom, QStringLiteral("127.0.0.4"));
    w->LoadOrSaveSettings(SettingsTransfer::Save);

    const QStringList aside = keptAside(dir.path());
    QCOMPARE(aside.size(), 1);
    QCOMPARE(readBytes(QFileInfo(path).absolutePath() + QLatin1Char('/') + aside.first()), damaged);
    QTemporaryDir copy;
    const auto store = freshCopy(dir.path(), copy);
    QVERIFY(!store->wasUnreadable());
    QCOMPARE(store->value("Local", "Port"), QStringLiteral("59640"));
    QCOMPARE(store->value("User", "Count"), QString::number(w->session()->directory()->rowCount()));
}

void tst_Settings::secondDamagedFileInOneSecondIsKeptAsideToo()
{
    QTemporaryDir dir;
    storeValues(dir.path(), { { "Local/Port", "1" } });
    const QString path = SettingsStore(App, dir.path()).filePath();
    for (int i = 0; i < 3; ++i) {
        const QByteArray damaged = QByteArray("\0damaged ", 9) + QByteArray::number(i);
        QVERIFY(writeBytes(path, damaged));
        SettingsStore store(App, dir.path());
        QVERIFY(store.wasUnreadable());
        store.setValue(QStringLiteral("Local"), QStringLiteral("Port"), QString::number(i));
        QVERIFY(store.sync());
    }
    // Usually all three within a second or two; none replaced another.
    QStringList contents;
    for (const QString &name : keptAside(dir.path()))
        contents.append(
            QString::fromLatin1(readBytes(QFileInfo(path).absolutePath() + QLatin1Char('/') + name).mid(1)));
    contents.sort();
    QCOMPARE(contents, QStringList({ "damaged 0", "damaged 1", "damaged 2" }));
}

void tst_Settings::failingSaveLeavesThePreviousFileIntact()
{
    QTemporaryDir dir;
    storeValues(dir.path(),
        { { "Local/UserName", "kept" }, { "User/Count", "1" }, { "User/001UserName", "a" },
            { "User/001UserIpAddr", "127.0.0.2" } });
    const QString path = SettingsStore(App, dir.path()).filePath();
    const QByteArray before = readBytes(path);

    auto w = window(dir.path());
    w->LoadOrSaveSettings(SettingsTransfer::Load);
    w->session()->directory()->clearRows();
    w->localSettings().UserName = QStringLiteral("lost");
    {
        // No file may grow beyond a few bytes: every write of the new
        // contents fails, as on a full disk. Works for any user, root too.
        FileSizeLimit limit(8);
        w->LoadOrSaveSettings(SettingsTransfer::Save);
        SettingsStore store(App, dir.path());
        store.setValue(QStringLiteral("Local"), QStringLiteral("UserName"), QStringLiteral("lost"));
        QVERIFY(!store.sync());
    }
    QCOMPARE(readBytes(path), before);
    QVERIFY(keptAside(dir.path()).isEmpty());

    // Once writing works again the next save goes through.
    w->LoadOrSaveSettings(SettingsTransfer::Save);
    QVERIFY(keptAside(dir.path()).isEmpty());
    QTemporaryDir copy;
    const auto store = freshCopy(dir.path(), copy);
    QCOMPARE(store->value("Local", "UserName"), QStringLiteral("lost"));
    QCOMPARE(store->value("User", "Count"), QStringLiteral("0"));
}

QTEST_MAIN(tst_Settings)
void tst_Settings::storeReadsEveryLineAsQSettingsDoes()
{
    // The store reads plain sections itself and leaves the rest to
    // QSettings; either way each value is what QSettings reads.
    QTemporaryDir dir;
    const QByteArray text = "[Local]\nUserName=\"a, b\"\nSoundFilePath=C:\\x\\y.wav\nPort= 59640 \nList=a,b\nMarker=@x\n\n"
                            "[User]\r\nCount=3\r\n001UserName=\xE5\xB1\xB1\xE7\x94\xB0 =#%/x\r\n001UserIpAddr=127.0.0.2\r\n"
                            "002UserName=\r\n002UserIpAddr=127.0.0.3\r\n003UserName=c\r\n003UserIpAddr=127.0.0.4\r\n"
                            "[WindowPos]\nLeft=15\nLeft=30\n";
    const QString path = SettingsStore(App, dir.path()).filePath();
    QVERIFY(writeBytes(path, text));
    QVERIFY(writeBytes(dir.filePath(QStringLiteral("reference.ini")), text));
    // A fresh reference path each time: QSettings caches what it read.
    int round = 0;
    auto check = [&](const SettingsStore &store) {
        QVERIFY(!store.wasUnreadable());
        const QString reference = dir.filePath(QStringLiteral("reference%1.ini").arg(++round));
        QVERIFY(QFile::copy(dir.filePath(QStringLiteral("reference.ini")), reference));
        QCOMPARE(differenceFromQSettings(store, reference), QString());
    };
    {
        SettingsStore store(App, dir.path());
        check(store);
        QCOMPARE(loadDirectory(store),
            Entries({ { QStringLiteral("山田 =#%/x"), "127.0.0.2" }, { "", "127.0.0.3" }, { "c", "127.0.0.4" } }));
        // A write hands the section to QSettings, which reads the same.
        store.setValue(QStringLiteral("User"), QStringLiteral("Extra"), QStringLiteral("1"));
        QSettings(dir.filePath(QStringLiteral("reference.ini")), QSettings::IniFormat)
            .setValue(QStringLiteral("User/Extra"), QStringLiteral("1"));
        check(store);
        QVERIFY(store.sync());
    }
    SettingsStore again(App, dir.path());
    check(again);
}

void tst_Settings::fileChangedDuringTheRunIsReadAgainBeforeTheSave()
{
    // The window keeps the store it loaded from; a file another writer
    // changed meanwhile is read again, so the save puts back the directory
    // and keeps what the other writer added.
    QTemporaryDir dir;
    storeValues(dir.path(),
        { { "Local/UserName", "me" }, { "User/Count", "1" }, { "User/001UserName", "a" },
            { "User/001UserIpAddr", "127.0.0.2" } });
    auto w = window(dir.path());
    w->LoadOrSaveSettings(SettingsTransfer::Load);
    {
        SettingsStore other(App, dir.path());
        other.removeSection(QStringLiteral("User"));
        other.setValue(QStringLiteral("Local"), QStringLiteral("Later"), QStringLiteral("kept"));
    }
    w->LoadOrSaveSettings(SettingsTransfer::Save);
    QTemporaryDir copy;
    const auto store = freshCopy(dir.path(), copy);
    QCOMPARE(loadDirectory(*store), Entries({ { "a", "127.0.0.2" } }));
    QCOMPARE(store->value("Local", "Later"), QStringLiteral("kept"));
}

#include "tst_settings.moc"
