#include "fakedialogs.h"
#include "frm_pelwickSpl.h"
#include "messageboxrecorder.h"
#include "splitnames.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString Finished = QStringLiteral("完了しました。");
const QString Aborted = QStringLiteral("ファイル分割処理を中止しました。");

void writeFile(const QString &path, qint64 size)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QByteArray bytes(size, Qt::Uninitialized);
    for (qint64 i = 0; i < size; ++i)
        bytes[i] = char(i * 7 + i / 251);
    QCOMPARE(file.write(bytes), size);
}

template <typename T> T *child(QWidget &window, const char *name)
{
    T *found = window.findChild<T *>(QString::fromLatin1(name));
    if (!found)
        qFatal("no control %s", name);
    return found;
}

} // namespace

class tst_Frm_pelwickSpl : public QObject
{
    Q_OBJECT
private slots:
    void captionTitlesWindowAndMessages_data();
    void captionTitlesWindowAndMessages();
    void initialState();
    void validationMessagesComeInOrder_data();
    void validationMessagesComeInOrder();
    void optionButtonChoosesThePieceSize_data();
    void optionButtonChoosesThePieceSize();
    void checkDelBatFollowsCheckBat();
    void sourceChoiceFillsBothTextsAndRemembersTheFolder();
    void folderChoiceFillsTheDestinationUnlessCancelled();
    void windowStaysUnusableDuringARunAndNoAborts();
    void failuresEndAbortedWithTheirMessage_data();
    void failuresEndAbortedWithTheirMessage();
    void windowDestroyedAtAQuestionEndsTheRun();
};

void tst_Frm_pelwickSpl::captionTitlesWindowAndMessages_data()
{
    QTest::addColumn<QString>("caption");
    QTest::newRow("inside Pelwick") << SplitterCaption::InPelwick;
    QTest::newRow("split program") << SplitterCaption::Standalone;
}

void tst_Frm_pelwickSpl::captionTitlesWindowAndMessages()
{
    QFETCH(QString, caption);
    Frm_pelwickSpl window(caption);
    QCOMPARE(window.windowTitle(), caption);
    MessageBoxRecorder boxes(QMessageBox::Yes);
    window.Cmd_Split_Click();
    QCOMPARE(boxes.requests.size(), 1);
    const MessageBoxRequest &box = boxes.requests.first();
    QCOMPARE(box.title, caption);
    QCOMPARE(box.parent, &window);
    QCOMPARE(box.icon, QMessageBox::Information);
    QCOMPARE(box.buttons, QMessageBox::Ok);
}

void tst_Frm_pelwickSpl::initialState()
{
    Frm_pelwickSpl window(SplitterCaption::Standalone);
    QVERIFY(child<QRadioButton>(window, "OptionSize_0")->isChecked());
    QCOMPARE(child<QRadioButton>(window, "OptionSize_3")->text(), " 720 K");
    QVERIFY(!child<QCheckBox>(window, "CheckDel")->isChecked());
    QVERIFY(child<QCheckBox>(window, "CheckBat")->isChecked());
    QVERIFY(child<QCheckBox>(window, "CheckDelBat")->isChecked());
    QVERIFY(!child<QCheckBox>(window, "CheckDelBat")->isHidden());
    QCOMPARE(child<QPushButton>(window, "Cmd_InCmn")->toolTip(), "分割元のﾌｧｲﾙを選択");
    QCOMPARE(child<QPushButton>(window, "Cmd_Split")->toolTip(), "ﾌｧｲﾙ分割を開始");
    QCOMPARE(child<QRadioButton>(window, "OptionSize_4")->toolTip(), "１ﾌｧｲﾙの分割ｻｲｽﾞ");
    QVERIFY(child<QLineEdit>(window, "Txt_InFilepath")->text().isEmpty());
    QVERIFY(child<QLineEdit>(window, "Txt_OutFolder")->text().isEmpty());
}

void tst_Frm_pelwickSpl::validationMessagesComeInOrder_data()
{
    QTest::addColumn<QString>("source"); // "@" stands for the test folder
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("message");
    const QString noSource = QStringLiteral("分割元のファイルを指定して下さい。");
    const QString noFolder = QStringLiteral("分割先のフォルダを指定して下さい。");
    const QString missingSource = QStringLiteral("分割元に存在するファイルを指定して下さい。");
    const QString missingFolder = QStringLiteral("分割先に存在するフォルダを指定して下さい。");
    QTest::newRow("both empty") << ""
                                << "" << noSource;
    QTest::newRow("source spaces only") << "   "
                                        << "@" << noSource;
    QTest::newRow("folder spaces only") << "@/IN.DAT"
                                        << "  " << noFolder;
    QTest::newRow("both wrong, source first") << "@/MISSING.DAT"
                                              << "@/MISSING" << missingSource;
    QTest::newRow("source is a folder") << "@/OUT"
                                        << "@" << missingSource;
    QTest::newRow("source hidden") << "@/.HIDDEN"
                                   << "@" << missingSource;
    QTest::newRow("source with spaces kept") << " @/IN.DAT"
                                             << "@" << missingSource;
    QTest::newRow("folder missing") << "@/IN.DAT"
                                    << "@/MISSING" << missingFolder;
    QTest::newRow("folder is a file") << "@/IN.DAT"
                                      << "@/.HIDDEN" << missingFolder;
    // Names the batch cannot carry or the target system cannot hold.
    const QString unwritable = QStringLiteral("結合用ﾊﾞｯﾁﾌｧｲﾙに書けない文字がﾌｧｲﾙ名に含まれています: ");
    QTest::newRow("name without code page 932 form")
        << QStringLiteral("@/OUT/caf\u00E9.DAT") << "@" << unwritable + QStringLiteral("\u00E9");
    QTest::newRow("device name") << "@/OUT/CON.txt"
                                 << "@" << unwritable + "CON.txt";
}

void tst_Frm_pelwickSpl::validationMessagesComeInOrder()
{
    QFETCH(QString, source);
    QFETCH(QString, folder);
    QFETCH(QString, message);
    QTemporaryDir dir;
    writeFile(dir.filePath("IN.DAT"), 10);
    writeFile(dir.filePath(".HIDDEN"), 10);
    QVERIFY(QDir(dir.path()).mkdir("OUT"));
    writeFile(dir.filePath(QStringLiteral("OUT/caf\u00E9.DAT")), 10);
    writeFile(dir.filePath("OUT/CON.txt"), 10);

    Frm_pelwickSpl window(SplitterCaption::InPelwick);
    child<QLineEdit>(window, "Txt_InFilepath")->setText(QString(source).replace('@', dir.path()));
    child<QLineEdit>(window, "Txt_OutFolder")->setText(QString(folder).replace('@', dir.path()));
    MessageBoxRecorder boxes(QMessageBox::Yes);
    QSignalSpy finished(&window, &Frm_pelwickSpl::splitFinished);
    QTest::mouseClick(child<QPushButton>(window, "Cmd_Split"), Qt::LeftButton);
    QCOMPARE(boxes.texts, QStringList { message });
    QCOMPARE(boxes.requests.first().icon, QMessageBox::Information);
    QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
    QCOMPARE(finished.count(), 0);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name), QStringList({ ".HIDDEN", "IN.DAT" }));
}

void tst_Frm_pelwickSpl::optionButtonChoosesThePieceSize_data()
{
    QTest::addColumn<int>("index");
    for (int i = 0; i < 5; ++i)
        QTest::addRow("OptionSize %d", i) << i;
}

void tst_Frm_pelwickSpl::optionButtonChoosesThePieceSize()
{
    QFETCH(int, index);
    QTemporaryDir dir;
    const qint64 size = 1500000;
    writeFile(dir.filePath("IN.DAT"), size);
    Frm_pelwickSpl window(SplitterCaption::Standalone);
    window.show();
    child<QLineEdit>(window, "Txt_InFilepath")->setText(dir.filePath("IN.DAT"));
    child<QLineEdit>(window, "Txt_OutFolder")->setText(dir.path());
    QTest::mouseClick(
        child<QRadioButton>(window, QStringLiteral("OptionSize_%1").arg(index).toLatin1()), Qt::LeftButton);

    MessageBoxRecorder boxes(QMessageBox::Yes);
    QSignalSpy finished(&window, &Frm_pelwickSpl::splitFinished);
    QTest::mouseClick(child<QPushButton>(window, "Cmd_Split"), Qt::LeftButton);
    QCOMPARE(boxes.texts, QStringList { Finished });
    const qint64 piece = SplitNames::PieceSizes[index];
    const qint64 pieces = (size + piece - 1) / piece;
    QCOMPARE(finished.count(), 1);
    QCOMPARE(finished.first().first().toLongLong(), pieces);
    QCOMPARE(QFileInfo(dir.filePath("IN.001")).size(), piece);
    QCOMPARE(QFileInfo(dir.filePath(SplitNames::pieceName("IN", pieces))).size(), size - (pieces - 1) * piece);
    QVERIFY(QFile::exists(dir.filePath("IN.Bat")));
    QCOMPARE(child<QProgressBar>(window, "progressSplit")->value(), 1000);
    QVERIFY(child<QLabel>(window, "lblProgress")->text().contains("1,500,000 / 1,500,000"));
    QVERIFY(child<QPushButton>(window, "Cmd_Split")->isEnabled());
}

void tst_Frm_pelwickSpl::checkDelBatFollowsCheckBat()
{
    Frm_pelwickSpl window(SplitterCaption::Standalone);
    window.show();
    auto *checkBat = child<QCheckBox>(window, "CheckBat");
    auto *checkDelBat = child<QCheckBox>(window, "CheckDelBat");
    QTest::mouseClick(checkBat, Qt::LeftButton);
    QVERIFY(!checkBat->isChecked());
    QVERIFY(!checkDelBat->isVisible());
    QVERIFY(checkDelBat->isChecked()); // kept while hidden
    QTest::mouseClick(checkBat, Qt::LeftButton);
    QVERIFY(checkDelBat->isVisible());
}

void tst_Frm_pelwickSpl::sourceChoiceFillsBothTextsAndRemembersTheFolder()
{
    FakeDialogs dialogs;
    dialogs.fileAnswers << FakeDialogs::chose({ "/data/in/SETUP.EXE" }) << FileDialogAnswer()
                        << FakeDialogs::chose({ "/data/other/B.DAT" });
    Frm_pelwickSpl window(SplitterCaption::Standalone, nullptr, &dialogs);
    auto *source = child<QLineEdit>(window, "Txt_InFilepath");
    auto *folder = child<QLineEdit>(window, "Txt_OutFolder");

    window.Cmd_InCmn_Click();
    const FileDialogRequest &first = dialogs.fileRequests.at(0);
    QCOMPARE(first.title, "分割元ﾌｧｲﾙを選択");
    QCOMPARE(first.nameFilters, QStringList({ "Exe Files (*.Exe)", "すべて (*)" }));
    QCOMPARE(first.selectedFilter, 1);
    QCOMPARE(first.flags, 0x1805u);
    QCOMPARE(first.initialDir, QDir::toNativeSeparators(QDir::currentPath()));
    QCOMPARE(first.fileName, QString());
    QCOMPARE(source->text(), "/data/in/SETUP.EXE");
    QCOMPARE(folder->text(), "/data/in");

    window.Cmd_InCmn_Click(); // cancelled: nothing changes
    QCOMPARE(dialogs.fileRequests.at(1).initialDir, "/data/in");
    QCOMPARE(source->text(), "/data/in/SETUP.EXE");

    window.Cmd_InCmn_Click();
    QCOMPARE(source->text(), "/data/other/B.DAT");
    QCOMPARE(folder->text(), "/data/in"); // a destination already given stays
    QCOMPARE(window.LastSourceFolder(), "/data/other");
}

void tst_Frm_pelwickSpl::folderChoiceFillsTheDestinationUnlessCancelled()
{
    FakeDialogs dialogs;
    dialogs.folderAnswers << "/data/out"
                          << "   ";
    Frm_pelwickSpl window(SplitterCaption::Standalone, nullptr, &dialogs);
    QTest::mouseClick(child<QPushButton>(window, "Cmd_OutCmn"), Qt::LeftButton);
    QCOMPARE(dialogs.folderTitles, QStringList { "選択してー！" });
    QCOMPARE(child<QLineEdit>(window, "Txt_OutFolder")->text(), "/data/out");
    window.Cmd_OutCmn_Click();
    QCOMPARE(child<QLineEdit>(window, "Txt_OutFolder")->text(), "/data/out");
}

void tst_Frm_pelwickSpl::windowStaysUnusableDuringARunAndNoAborts()
{
    QTemporaryDir dir;
    writeFile(dir.filePath("IN.DAT"), SplitNames::PieceSizes[4] * 3);
    writeFile(dir.filePath("IN.002"), 3);
    Frm_pelwickSpl window(SplitterCaption::InPelwick);
    window.show();
    child<QLineEdit>(window, "Txt_InFilepath")->setText(dir.filePath("IN.DAT"));
    child<QLineEdit>(window, "Txt_OutFolder")->setText(dir.path());
    QTest::mouseClick(child<QRadioButton>(window, "OptionSize_4"), Qt::LeftButton);

    MessageBoxRecorder boxes(QMessageBox::Yes);
    boxes.answers << QMessageBox::No;
    bool splittingDuringQuestion = false;
    bool controlsEnabledDuringQuestion = true;
    bool closedDuringQuestion = true;
    bool cursorDuringQuestion = false;
    boxes.whileOpen = [&] {
        if (!boxes.texts.last().endsWith("削除して処理を続行しますか？"))
            return;
        splittingDuringQuestion = window.isSplitting();
        controlsEnabledDuringQuestion = child<QPushButton>(window, "Cmd_Split")->isEnabled()
            || child<QLineEdit>(window, "Txt_InFilepath")->isEnabled();
        closedDuringQuestion = window.close();
        cursorDuringQuestion = QGuiApplication::overrideCursor() != nullptr;
    };
    QSignalSpy finished(&window, &Frm_pelwickSpl::splitFinished);
    QTest::mouseClick(child<QPushButton>(window, "Cmd_Split"), Qt::LeftButton);
    QCOMPARE(boxes.texts,
        QStringList({ QDir(dir.path()).filePath("IN.002") + "が存在します。削除して処理を続行しますか？", Aborted }));
    const MessageBoxRequest &question = boxes.requests.first();
    QCOMPARE(question.icon, QMessageBox::Question);
    QCOMPARE(question.title, SplitterCaption::InPelwick);
    QCOMPARE(question.buttons, QMessageBox::Yes | QMessageBox::No);
    QCOMPARE(question.defaultButton, QMessageBox::Yes);
    QVERIFY(splittingDuringQuestion);
    QVERIFY(!controlsEnabledDuringQuestion);
    QVERIFY(!closedDuringQuestion);
    QVERIFY(cursorDuringQuestion);
    QVERIFY(window.isVisible());
    QCOMPARE(finished.first().first().toLongLong(), 0);
    QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
    QVERIFY(!window.isSplitting());
    QVERIFY(child<QPushButton>(window, "Cmd_Split")->isEnabled());
    QVERIFY(window.close());
}

void tst_Frm_pelwickSpl::failuresEndAbortedWithTheirMessage_data()
{
    QTest::addColumn<bool>("sourceShrinks");
    QTest::addColumn<QString>("message");
    QTest::newRow("source cannot be read") << true << "分割元のファイルを読み込めません。";
    QTest::newRow("piece cannot be written") << false << "分割ファイルを書き込めません。";
}

void tst_Frm_pelwickSpl::failuresEndAbortedWithTheirMessage()
{
    QFETCH(bool, sourceShrinks);
    QFETCH(QString, message);
    QTemporaryDir dir;
    const qint64 piece = SplitNames::PieceSizes[0];
    writeFile(dir.filePath("IN.DAT"), piece * 3);
    if (sourceShrinks)
        writeFile(dir.filePath("IN.002"), 3);
    else
        QVERIFY(QDir(dir.path()).mkpath("IN.002/blocker"));

    Frm_pelwickSpl window(SplitterCaption::Standalone);
    child<QLineEdit>(window, "Txt_InFilepath")->setText(dir.filePath("IN.DAT"));
    child<QLineEdit>(window, "Txt_OutFolder")->setText(dir.path());
    MessageBoxRecorder boxes(QMessageBox::Yes);
    // At the question for piece 2 the source loses most of its second share.
    boxes.whileOpen = [&] {
        if (sourceShrinks && boxes.requests.size() == 1)
            QFile::resize(dir.filePath("IN.DAT"), piece + 100000);
    };
    QSignalSpy finished(&window, &Frm_pelwickSpl::splitFinished);
    window.Cmd_Split_Click();
    QCOMPARE(boxes.requests.size(), 3);
    QVERIFY(boxes.requests.at(1).text.startsWith(
        message + '\n' + QDir(dir.path()).filePath(sourceShrinks ? "IN.DAT" : "IN.002")));
    QCOMPARE(boxes.requests.at(1).title, SplitterCaption::Standalone);
    QCOMPARE(boxes.requests.at(1).icon, QMessageBox::Warning);
    QCOMPARE(boxes.requests.at(2).text, Aborted);
    QCOMPARE(finished.first().first().toLongLong(), 0);
    // Piece 1 was whole; nothing of the run is left, no batch.
    for (const char *name : { "IN.001", "IN.002", "IN.003", "IN.Bat" })
        QVERIFY2(!QFileInfo(dir.filePath(name)).isFile(), name);
}

void tst_Frm_pelwickSpl::windowDestroyedAtAQuestionEndsTheRun()
{
    QTemporaryDir dir;
    const qint64 piece = SplitNames::PieceSizes[0];
    writeFile(dir.filePath("IN.DAT"), piece * 3);
    writeFile(dir.filePath("IN.002"), 3);
    auto *window = new Frm_pelwickSpl(SplitterCaption::InPelwick);
    window->show();
    child<QLineEdit>(*window, "Txt_InFilepath")->setText(dir.filePath("IN.DAT"));
    child<QLineEdit>(*window, "Txt_OutFolder")->setText(dir.path());
    MessageBoxRecorder boxes(QMessageBox::Yes);
    const QPointer<Frm_pelwickSpl> alive(window);
    boxes.whileOpen = [&] { delete window; }; // takes the open question with it
    window->Cmd_Split_Click();
    QVERIFY(!alive);
    QCOMPARE(boxes.requests.size(), 1);
    QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
    // Asked before anything was written: nothing was.
    QVERIFY(!QFile::exists(dir.filePath("IN.001")));
    QCOMPARE(QFileInfo(dir.filePath("IN.002")).size(), 3);
    QVERIFY(!QFile::exists(dir.filePath("IN.003")));
    QVERIFY(!QFile::exists(dir.filePath("IN.Bat")));
}

QTEST_MAIN(tst_Frm_pelwickSpl)
#include "tst_frm_pelwickspl.moc"
