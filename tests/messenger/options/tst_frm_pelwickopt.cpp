#include "clsCommonDlg.h"
#include "fakedialogs.h"
#include "frm_pelwickOpt.h"
#include "messagebox.h"
#include "sessionstorage.h"
#include "settingsmapping.h"
#include "settingsstore.h"
#include "userdirectory.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <memory>

using Rows = QList<DirectoryEntry>;
Q_DECLARE_METATYPE(Rows)

namespace {

const QString AppName = QStringLiteral("Pelwick");

const Rows ThreeUsers { { QStringLiteral("佐藤"), QStringLiteral("192.168.0.10") },
    { QStringLiteral("鈴木"), QStringLiteral("192.168.0.11") },
    { QStringLiteral("高橋"), QStringLiteral("192.168.0.12") } };

LocalSettings namedTerminal()
{
    LocalSettings s;
    s.SoundFilePath = QStringLiteral("/usr/share/sounds/arrival.wav");
    s.Sound = true;
    s.FormTop = false;
    s.PopUp = true;
    s.Port = 59640;
    s.UserName = QStringLiteral("田中");
    return s;
}

template <typename T> T *child(QWidget &window, const QString &name)
{
    T *found = window.findChild<T *>(name);
    if (!found)
        qFatal("no control %s", qPrintable(name));
    return found;
}

// One dialog on a temporary settings folder, with every message box
// answered and recorded, and every directory hand-over recorded.
struct Fixture
{
    explicit Fixture(const LocalSettings &start = namedTerminal(), const Rows &directory = ThreeUsers,
        const QString &settingsDirectory = {})
        : settings(start)
        , storage(
              [&] {
                  SessionEnvironment env;
                  env.settingsDirectory = settingsDirectory.isEmpty() ? dir.path() : settingsDirectory;
                  env.runtimeDirectory = dir.path();
                  env.dataDirectory = dir.path();
                  return env;
              }(),
              &users)
    {
        SetMessageBoxHook([this](const MessageBoxRequest &request) {
            messages << request.text;
            return QMessageBox::Ok;
        });
        dialog = std::make_unique<frm_pelwickOpt>(
            settings, directory, [this](const Rows &rows) { applied << rows; }, &storage, &dialogs);
        // Shown, so the controls are laid out and clicks land on them.
        dialog->show();
        if (!QTest::qWaitForWindowExposed(dialog.get()))
            qFatal("options dialog not exposed");
    }
    ~Fixture() { SetMessageBoxHook({}); }

    template <typename T> T *get(const QByteArray &name) { return child<T>(*dialog, QString::fromLatin1(name)); }
    void click(const char *name) { QTest::mouseClick(get<QPushButton>(name), Qt::LeftButton); }
    void setText(const char *name, const QString &text) { get<QLineEdit>(name)->setText(text); }
    Rows listed() const { return dialog->directoryRows(); }
    QString stored(const char *key) const
    {
        SettingsStore store(AppName, dir.path());
        return store.value(QStringLiteral("Local"), QString::fromLatin1(key), QStringLiteral("<missing>"));
    }
    bool storeExists() const { return QFile::exists(dir.filePath(AppName + u'/' + AppName + u".ini")); }

    QTemporaryDir dir;
    LocalSettings settings;
    UserDirectory users;
    SessionStorage storage;
    FakeDialogs dialogs;
    QStringList messages;
    QList<Rows> applied;
    std::unique_ptr<frm_pelwickOpt> dialog;
};

} // namespace

class tst_frm_pelwickOpt : public QObject
{
    Q_OBJECT
private slots:
    void controlsCarryTheirNamesAndCaptions_data();
    void controlsCarryTheirNamesAndCaptions();
    void loadShowsSettingsAndDirectory();
    void portFieldTakesAtMostFiveDigits();
    void doubleClickCopiesTheSelectedRow();
    void updateIsKeyedByAddress_data();
    void updateIsKeyedByAddress();
    void deleteIsKeyedByAddress_data();
    void deleteIsKeyedByAddress();
    void soundChoiceFillsThePathUnlessCancelled();
    void applyStoresEveryValueAndHandsOverTheDirectory();
    void applyWithSoundOffAcceptsAnEmptyPath();
    void applyRefusesASoundPathTheChooserWouldRefuse_data();
    void applyRefusesASoundPathTheChooserWouldRefuse();
    void applyRefusesAPortOrNameThatCannotBeUsed_data();
    void applyRefusesAPortOrNameThatCannotBeUsed();
    void applyReportsAStoreThatCannotBeWritten();
    void closingIsRefusedWithoutNameOrPort_data();
    void closingIsRefusedWithoutNameOrPort();
    void modalDialogClosesOnceANameIsApplied();
    void dialogIsCentredOnTheScreen();
    void dialogKeepsItsSizeAcrossTabs();
};

void tst_frm_pelwickOpt::controlsCarryTheirNamesAndCaptions_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    const auto row
        = [](const char *name, const QString &caption) { QTest::newRow(name) << QString::fromLatin1(name) << caption; };
    row("Label1", QStringLiteral("使用者氏名"));
    row("Label2", QStringLiteral("ポート番号"));
    row("Label4", QStringLiteral("注意："));
    row("Label3", QStringLiteral("通信を行う人たちと同じポート番号に設定して下さい。(既定値 59640)"));
    row("Check_Sound", QStringLiteral("サウンド使用"));
    row("Check_FormTop", QStringLiteral("常に前表示"));
    row("Check_PopUp", QStringLiteral("受信お知らせ"));
    row("Check_Broadcast", QStringLiteral("起動時にLAN内を検索"));
    row("Check_KeepLog", QStringLiteral("送受信履歴を保存する"));
    row("Check_Notify", QStringLiteral("ﾃﾞｽｸﾄｯﾌﾟ通知"));
    row("Label_Language", QStringLiteral("表示言語"));
    row("CmdSound", QStringLiteral("ｻｳﾝﾄﾞﾌｧｲﾙ選択"));
    row("Label6", QStringLiteral("Ｕｓｅｒ(適当な名前でOK)"));
    row("Label5", QStringLiteral("IPｱﾄﾞﾚｽ(例:111.22.3.123)"));
    row("Label7", QStringLiteral("更新・削除の場合はﾀﾞﾌﾞﾙｸﾘｯｸで選択"));
    row("CmdUPDATE", QStringLiteral("登録／更新"));
    row("CmdDelete", QStringLiteral("削除(自分のPCのみ)"));
    row("cmdOK", QStringLiteral("閉じる"));
    row("cmdCancel", QStringLiteral("ｷｬﾝｾﾙ"));
    row("cmdApply", QStringLiteral("更新"));
}

void tst_frm_pelwickOpt::controlsCarryTheirNamesAndCaptions()
{
    QFETCH(QString, name);
    QFETCH(QString, caption);
    Fixture f;
    QWidget *control = child<QWidget>(*f.dialog, name);
    QString text;
    if (auto *label = qobject_cast<QLabel *>(control))
        text = label->text();
    else if (auto *button = qobject_cast<QAbstractButton *>(control))
        text = button->text();
    QCOMPARE(text, caption);

    QCOMPARE(f.dialog->windowTitle(), QStringLiteral("ｵﾌﾟｼｮﾝ"));
    auto *tabs = f.get<QTabWidget>("SSTab1");
    QCOMPARE(tabs->count(), 2);
    QCOMPARE(tabs->tabText(0), QStringLiteral("端末情報"));
    QCOMPARE(tabs->tabText(1), QStringLiteral("ﾕｰｻﾞｰ情報"));
    auto *list = f.get<QTreeWidget>("ListViewUser");
    QCOMPARE(list->headerItem()->text(0), QStringLiteral("User"));
    QCOMPARE(list->headerItem()->text(1), QStringLiteral("IPｱﾄﾞﾚｽ"));
    QVERIFY(!(f.dialog->windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
}

void tst_frm_pelwickOpt::loadShowsSettingsAndDirectory()
{
    // Every boolean option in turn off and on, so a box that shows another
    // option's value is caught.
    LocalSettings start = namedTerminal();
    bool on = true;
    for (const LocalSettingKey &key : localSettingKeys()) {
        if (key.flag)
            start.*(key.flag) = (on = !on);
    }
    Fixture f(start);

    QVERIFY(!f.dialog->SettingsApplied());
    QCOMPARE(f.get<QLineEdit>("txtLocalPort")->text(), QStringLiteral("59640"));
    QCOMPARE(f.get<QLineEdit>("txtLocalUserName")->text(), start.UserName);
    QCOMPARE(f.get<QPlainTextEdit>("txtSoundFilePath")->toPlainText(), start.SoundFilePath);
    for (const LocalSettingKey &key : localSettingKeys()) {
        if (key.flag)
            QCOMPARE(f.get<QCheckBox>(QByteArray("Check_") + key.name)->isChecked(), start.*(key.flag));
    }
    QCOMPARE(f.listed(), ThreeUsers);
    QCOMPARE(f.get<QLineEdit>("txtLocalUserName")->maxLength(), 50);
    QCOMPARE(f.get<QLineEdit>("txtRemoteUserName")->maxLength(), 50);
}

void tst_frm_pelwickOpt::portFieldTakesAtMostFiveDigits()
{
    Fixture f;
    QLineEdit *port = f.get<QLineEdit>("txtLocalPort");
    port->clear();
    QTest::keyClicks(port, QStringLiteral("1a2-3 4.5x6789"));
    QCOMPARE(port->text(), QStringLiteral("12345"));
}

void tst_frm_pelwickOpt::doubleClickCopiesTheSelectedRow()
{
    Fixture f;
    f.get<QTabWidget>("SSTab1")->setCurrentIndex(1);
    auto *list = f.get<QTreeWidget>("ListViewUser");

    // No row selected: the fields keep what was typed.
    f.dialog->ListViewUser_DblClick();
    f.setText("txtRemoteUserName", QStringLiteral("typed"));
    f.dialog->ListViewUser_DblClick();
    QCOMPARE(f.get<QLineEdit>("txtRemoteUserName")->text(), QStringLiteral("typed"));

    const QRect row = list->visualItemRect(list->topLevelItem(1));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, row.center());
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, row.center());
    QCOMPARE(f.get<QLineEdit>("txtRemoteUserName")->text(), QStringLiteral("鈴木"));
    QCOMPARE(f.get<QLineEdit>("txtRemoteIPAddr")->text(), QStringLiteral("192.168.0.11"));
}

void tst_frm_pelwickOpt::updateIsKeyedByAddress_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("ip");
    QTest::addColumn<Rows>("after");
    QTest::addColumn<QStringList>("messages");

    Rows renamed = ThreeUsers;
    renamed[2].UserName = QStringLiteral("高橋三郎");
    QTest::newRow("known address renames without adding")
        << QStringLiteral("高橋三郎") << QStringLiteral("192.168.0.12") << renamed << QStringList();
    QTest::newRow("same name changes nothing")
        << QStringLiteral("高橋") << QStringLiteral("192.168.0.12") << ThreeUsers << QStringList();
    Rows added = ThreeUsers;
    added.append({ QStringLiteral("伊藤"), QStringLiteral("192.168.0.13") });
    QTest::newRow("new address registers")
        << QStringLiteral("伊藤") << QStringLiteral("192.168.0.13") << added << QStringList();
    const QStringList missing { OptionsMessage::NameAndAddressNeeded };
    QTest::newRow("no name") << QString() << QStringLiteral("192.168.0.13") << ThreeUsers << missing;
    QTest::newRow("no address") << QStringLiteral("伊藤") << QString() << ThreeUsers << missing;
    Rows blankName = ThreeUsers;
    blankName[0].UserName = QStringLiteral(" ");
    QTest::newRow("a blank is a name") << QStringLiteral(" ") << QStringLiteral("192.168.0.10") << blankName
                                       << QStringList();
    Rows trimmed = ThreeUsers;
    trimmed.append({ QStringLiteral("伊藤"), QStringLiteral("10.9.0.2") });
    QTest::newRow("spaces around the address are removed")
        << QStringLiteral("伊藤") << QStringLiteral(" 10.9.0.2 ") << trimmed << QStringList();
    // Only four numbers 0-255 name one peer once; nothing else is registered.
    for (const char *address :
        { "999.1.1.1", "1.2.3", "127.1", "localhost", "::1", "1.2.3.4.5", "01.2.3.4", "1.2.3.", "1.2.3.-4", "  " })
        QTest::addRow("refused: '%s'", address) << QStringLiteral("伊藤") << QString::fromLatin1(address) << ThreeUsers
                                                << QStringList { OptionsMessage::AddressForm };
}

void tst_frm_pelwickOpt::updateIsKeyedByAddress()
{
    QFETCH(QString, name);
    QFETCH(QString, ip);
    QFETCH(Rows, after);
    QFETCH(QStringList, messages);

    Fixture f;
    f.setText("txtRemoteUserName", name);
    f.setText("txtRemoteIPAddr", ip);
    f.click("CmdUPDATE");
    QCOMPARE(f.listed(), after);
    QCOMPARE(f.messages, messages);
    QVERIFY(f.applied.isEmpty());
}

void tst_frm_pelwickOpt::deleteIsKeyedByAddress_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("ip");
    QTest::addColumn<Rows>("after");
    QTest::addColumn<QStringList>("messages");

    Rows removed = ThreeUsers;
    removed.removeAt(1);
    QTest::newRow("known address") << QStringLiteral("鈴木") << QStringLiteral("192.168.0.11") << removed
                                   << QStringList();
    QTest::newRow("name is not checked") << QString() << QStringLiteral("192.168.0.11") << removed << QStringList();
    QTest::newRow("unknown address") << QStringLiteral("鈴木") << QStringLiteral("192.168.0.99") << ThreeUsers
                                     << QStringList { OptionsMessage::AddressUnknown };
    QTest::newRow("no address") << QStringLiteral("鈴木") << QString() << ThreeUsers
                                << QStringList { OptionsMessage::AddressNeeded };
}

void tst_frm_pelwickOpt::deleteIsKeyedByAddress()
{
    QFETCH(QString, name);
    QFETCH(QString, ip);
    QFETCH(Rows, after);
    QFETCH(QStringList, messages);

    Fixture f;
    f.setText("txtRemoteUserName", name);
    f.setText("txtRemoteIPAddr", ip);
    f.click("CmdDelete");
    QCOMPARE(f.listed(), after);
    QCOMPARE(f.messages, messages);
}

void tst_frm_pelwickOpt::soundChoiceFillsThePathUnlessCancelled()
{
    Fixture f;
    auto *path = f.get<QPlainTextEdit>("txtSoundFilePath");

    f.click("CmdSound"); // nothing queued: a cancel
    QCOMPARE(path->toPlainText(), namedTerminal().SoundFilePath);
    QCOMPARE(f.dialogs.fileRequests.size(), 1);
    const FileDialogRequest &request = f.dialogs.fileRequests.first();
    QCOMPARE(request.title, QStringLiteral("コモンダイアログ画面を使ったファイルの選択"));
    QCOMPARE(request.nameFilters.size(), 2);
    QVERIFY2(request.nameFilters[0].contains(QStringLiteral("*.wav")), qPrintable(request.nameFilters[0]));
    QCOMPARE(request.selectedFilter, 0);
    QCOMPARE(request.flags, 0x1805u);
    QCOMPARE(request.initialDir, QDir::currentPath());
    QCOMPARE(request.fileName, QString());

    // Only a file the arrival notice can load is taken: not a text file that
    // ends in .wav, not a device.
    const QString text = f.dir.filePath(QStringLiteral("text.wav"));
    {
        QFile file(text);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("not a wave file");
    }
    for (const QString &unusable : { text, QStringLiteral("/dev/zero") }) {
        f.dialogs.fileAnswers << FileDialogAnswer { true, { unusable }, 0 };
        f.click("CmdSound");
        QCOMPARE(f.messages, QStringList { OptionsMessage::SoundUnusable });
        f.messages.clear();
        QCOMPARE(path->toPlainText(), namedTerminal().SoundFilePath);
    }

    const QString chosen = f.dir.filePath(QStringLiteral("着信 音.wav"));
    {
        QFile file(chosen);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray("RIFF\x24\0\0\0WAVEfmt ", 16));
    }
    f.dialogs.fileAnswers << FileDialogAnswer { true, { chosen }, 0 };
    f.click("CmdSound");
    QCOMPARE(path->toPlainText(), chosen);
    QVERIFY(f.messages.isEmpty());
    QVERIFY(!f.storeExists()); // chosen, not stored
    QCOMPARE(f.settings.SoundFilePath, namedTerminal().SoundFilePath);
}

void tst_frm_pelwickOpt::applyStoresEveryValueAndHandsOverTheDirectory()
{
    const LocalSettings start = namedTerminal();
    Fixture f(start);
    f.setText("txtLocalUserName", QStringLiteral("山本 一"));
    f.setText("txtLocalPort", QStringLiteral("40001"));
    // Stored as typed, blanks and all, once it names a usable sound.
    const QString sound = f.dir.filePath(QStringLiteral(" a b.wav"));
    {
        QFile file(sound);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray("RIFF\x24\0\0\0WAVEfmt ", 16));
    }
    f.get<QPlainTextEdit>("txtSoundFilePath")->setPlainText(sound);
    // Every boolean option turned the other way but Sound, which stays on
    // for the path.
    for (const LocalSettingKey &key : localSettingKeys()) {
        if (key.flag)
            f.get<QCheckBox>(QByteArray("Check_") + key.name)->setChecked(!(f.settings.*(key.flag)));
    }
    f.get<QCheckBox>("Check_Sound")->setChecked(true);
    QCOMPARE(f.get<QComboBox>("Combo_Language")->currentText(), QStringLiteral("自動"));
    f.get<QComboBox>("Combo_Language")->setCurrentText(QStringLiteral("English"));
    f.setText("txtRemoteUserName", QStringLiteral("伊藤"));
    f.setText("txtRemoteIPAddr", QStringLiteral("192.168.0.13"));
    f.click("CmdUPDATE");
    f.setText("txtRemoteIPAddr", QStringLiteral("192.168.0.10"));
    f.click("CmdDelete");
    QVERIFY(f.applied.isEmpty()); // edits reach the main window only on Apply

    f.click("cmdApply");

    QVERIFY(f.messages.isEmpty());
    QVERIFY(f.dialog->SettingsApplied());
    QCOMPARE(f.settings.UserName, QStringLiteral("山本 一"));
    QCOMPARE(f.settings.Port, 40001);
    QCOMPARE(f.settings.SoundFilePath, sound);
    QVERIFY(f.settings.Sound);

    QCOMPARE(f.stored("UserName"), QStringLiteral("山本 一"));
    QCOMPARE(f.stored("Port"), QStringLiteral("40001"));
    QCOMPARE(f.stored("SoundFilePath"), sound);
    for (const LocalSettingKey &key : localSettingKeys()) {
        if (!key.flag || key.name == QByteArrayView("Sound"))
            continue;
        QCOMPARE(f.settings.*(key.flag), !(start.*(key.flag)));
        QCOMPARE(f.stored(key.name), start.*(key.flag) ? QStringLiteral("False") : QStringLiteral("True"));
    }
    QCOMPARE(f.stored("Sound"), QStringLiteral("True"));
    QCOMPARE(f.stored("Language"), QStringLiteral("en"));
    QVERIFY(f.settings.Language == UiLanguage::Choice::English);

    const Rows expected { ThreeUsers[1], ThreeUsers[2], { QStringLiteral("伊藤"), QStringLiteral("192.168.0.13") } };
    QCOMPARE(f.applied, QList<Rows> { expected });
    QVERIFY(f.dialog->isVisible()); // Apply does not close

    // The directory goes to the store at exit, not here.
    SettingsStore store(AppName, f.dir.path());
    QVERIFY(store.keys(QStringLiteral("User")).isEmpty());
}

void tst_frm_pelwickOpt::applyWithSoundOffAcceptsAnEmptyPath()
{
    Fixture f;
    f.get<QPlainTextEdit>("txtSoundFilePath")->clear();
    f.get<QCheckBox>("Check_Sound")->setChecked(false);
    f.click("cmdApply");
    QVERIFY(f.messages.isEmpty());
    QVERIFY(f.dialog->SettingsApplied());
    QCOMPARE(f.stored("SoundFilePath"), QString());
    QCOMPARE(f.stored("Sound"), QStringLiteral("False"));
    QCOMPARE(f.applied.size(), 1);
}

void tst_frm_pelwickOpt::applyRefusesASoundPathTheChooserWouldRefuse_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("sound");
    QTest::addColumn<QString>("message");
    QTest::newRow("blank with sound on") << QStringLiteral("  \n ") << true << OptionsMessage::SoundPathNeeded;
    // Typed, not chosen: held to what the chooser takes, with its words.
    QTest::newRow("text file") << QStringLiteral("<text.wav>") << true << OptionsMessage::SoundUnusable;
    QTest::newRow("device") << QStringLiteral("/dev/zero") << false << OptionsMessage::SoundUnusable;
    QTest::newRow("missing") << QStringLiteral("/nonexistent/a.wav") << true << OptionsMessage::SoundUnusable;
}

void tst_frm_pelwickOpt::applyRefusesASoundPathTheChooserWouldRefuse()
{
    QFETCH(QString, path);
    QFETCH(bool, sound);
    QFETCH(QString, message);
    Fixture f;
    if (path == QLatin1String("<text.wav>")) {
        path = f.dir.filePath(QStringLiteral("text.wav"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("not a wave file");
    }
    f.get<QPlainTextEdit>("txtSoundFilePath")->setPlainText(path);
    f.get<QCheckBox>("Check_Sound")->setChecked(sound);
    f.setText("txtLocalUserName", QStringLiteral("別名"));
    f.click("cmdApply");
    QCOMPARE(f.messages, QStringList { message });
    QVERIFY(!f.dialog->SettingsApplied());
    QVERIFY(!f.storeExists());
    QVERIFY(f.applied.isEmpty());
    QCOMPARE(f.settings.UserName, namedTerminal().UserName);
}

void tst_frm_pelwickOpt::applyRefusesAPortOrNameThatCannotBeUsed_data()
{
    QTest::addColumn<QString>("port");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("message");
    const QString name = QStringLiteral("別名");
    QTest::newRow("empty port") << QString() << name << OptionsMessage::PortInvalid;
    QTest::newRow("port zero") << QStringLiteral("0") << name << OptionsMessage::PortInvalid;
    QTest::newRow("port above 65535") << QStringLiteral("65536") << name << OptionsMessage::PortInvalid;
    QTest::newRow("port five nines") << QStringLiteral("99999") << name << OptionsMessage::PortInvalid;
    // A name travels in every datagram: it must arrive as written and must not
    // move the fields after it.
    const QString port = QStringLiteral("59640");
    QTest::newRow("accent") << port << QStringLiteral("Jos\u00E9") << OptionsMessage::NameUnusable + u"\u00E9";
    QTest::newRow("accent and data tag") << port << QStringLiteral("Jos\u00E9<DATA>x\u00E9")
                                         << OptionsMessage::NameUnusable + u"\u00E9 <DATA>";
    for (const char *tag : { "<USERNAME>", "<IPADDR>", "<GAMEID>", "<DATA>" })
        QTest::addRow("tag %s", tag) << port << u"山田" + QLatin1String(tag)
                                     << OptionsMessage::NameUnusable + QLatin1String(tag);
    QTest::newRow("line break") << port << QStringLiteral("山田\n太郎") << OptionsMessage::NameUnusable + u"U+000A";
}

void tst_frm_pelwickOpt::applyRefusesAPortOrNameThatCannotBeUsed()
{
    QFETCH(QString, port);
    QFETCH(QString, name);
    QFETCH(QString, message);
    Fixture f;
    f.setText("txtLocalPort", port);
    f.setText("txtLocalUserName", name);
    f.click("cmdApply");
    QCOMPARE(f.messages, QStringList { message });
    QVERIFY(!f.dialog->SettingsApplied());
    QVERIFY(!f.storeExists());
    QVERIFY(f.applied.isEmpty());
    QCOMPARE(f.settings.Port, 59640);
    QCOMPARE(f.settings.UserName, namedTerminal().UserName);
    QVERIFY(f.dialog->isVisible());
    // The entries are left for correcting.
    QCOMPARE(f.get<QLineEdit>("txtLocalPort")->text(), port);
    QCOMPARE(f.get<QLineEdit>("txtLocalUserName")->text(), name);
}

void tst_frm_pelwickOpt::applyReportsAStoreThatCannotBeWritten()
{
    QTemporaryDir dir;
    // A file where the settings folder should be: nothing can be written.
    const QString blocked = dir.filePath(QStringLiteral("blocked"));
    {
        QFile file(blocked);
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    Fixture f(namedTerminal(), ThreeUsers, blocked);
    f.setText("txtLocalPort", QStringLiteral("40002"));
    f.click("cmdApply");
    QCOMPARE(f.messages, QStringList { OptionsMessage::StoreFailed });
    // In effect for this run all the same.
    QVERIFY(f.dialog->SettingsApplied());
    QCOMPARE(f.settings.Port, 40002);
    QCOMPARE(f.applied.size(), 1);
}

void tst_frm_pelwickOpt::closingIsRefusedWithoutNameOrPort_data()
{
    QTest::addColumn<QString>("userName");
    QTest::addColumn<int>("port");
    QTest::addColumn<QString>("how");

    const QStringList ways { QStringLiteral("cmdOK"), QStringLiteral("cmdCancel"), QStringLiteral("Esc"),
        QStringLiteral("close box") };
    for (const QString &how : ways) {
        QTest::addRow("no name, %s", qPrintable(how)) << QString() << 59640 << how;
        QTest::addRow("no port, %s", qPrintable(how)) << QStringLiteral("田中") << 0 << how;
    }
}

void tst_frm_pelwickOpt::closingIsRefusedWithoutNameOrPort()
{
    QFETCH(QString, userName);
    QFETCH(int, port);
    QFETCH(QString, how);

    LocalSettings start = namedTerminal();
    start.UserName = userName;
    start.Port = port;
    Fixture f(start);
    // Typed but not applied: the applied values decide.
    f.setText("txtLocalUserName", QStringLiteral("田中"));
    f.setText("txtLocalPort", QStringLiteral("59640"));

    if (how == QLatin1String("Esc"))
        QTest::keyClick(f.dialog.get(), Qt::Key_Escape);
    else if (how == QLatin1String("close box"))
        f.dialog->close();
    else
        f.click(how.toLatin1().constData());

    QCOMPARE(f.messages, QStringList { OptionsMessage::NameAndPortRequired });
    QVERIFY(f.dialog->isVisible());
}

void tst_frm_pelwickOpt::modalDialogClosesOnceANameIsApplied()
{
    LocalSettings start = namedTerminal();
    start.UserName.clear();
    Fixture f(start);
    QStringList steps;
    // Runs inside exec(): try to close, then apply a name and close.
    QTimer::singleShot(0, f.dialog.get(), [&] {
        f.click("cmdOK");
        steps << (f.dialog->isVisible() ? QStringLiteral("still open") : QStringLiteral("closed"));
        f.setText("txtLocalUserName", QStringLiteral("田中"));
        f.click("cmdApply");
        f.click("cmdOK");
    });
    const int result = f.dialog->exec();
    QCOMPARE(result, int(QDialog::Accepted));
    QCOMPARE(steps, QStringList { QStringLiteral("still open") });
    QCOMPARE(f.messages, QStringList { OptionsMessage::NameAndPortRequired });
    QCOMPARE(f.settings.UserName, QStringLiteral("田中"));
    QCOMPARE(f.stored("UserName"), QStringLiteral("田中"));
    QVERIFY(f.dialog->SettingsApplied());
}

void tst_frm_pelwickOpt::dialogIsCentredOnTheScreen()
{
    Fixture f;
    const QRect screen = f.dialog->screen()->geometry();
    QCOMPARE(f.dialog->x(), screen.x() + (screen.width() - f.dialog->width()) / 2);
    QCOMPARE(f.dialog->y(), screen.y() + (screen.height() - f.dialog->height()) / 2);
}

void tst_frm_pelwickOpt::dialogKeepsItsSizeAcrossTabs()
{
    // Its buttons stay under the pointer whichever tab is shown.
    Fixture f;
    auto *tabs = f.get<QTabWidget>("SSTab1");
    const QSize first = f.dialog->size();
    tabs->setCurrentIndex(1);
    QTest::qWait(0);
    QCOMPARE(f.dialog->size(), first);
    tabs->setCurrentIndex(0);
    QTest::qWait(0);
    QCOMPARE(f.dialog->size(), first);
}

QTEST_MAIN(tst_frm_pelwickOpt)
#include "tst_frm_pelwickopt.moc"
