#include "clsCommonDlg.h"
#include "clsFolderGetPath.h"
#include "fakedialogs.h"

#include <QTest>

namespace {

const QChar Nul(0);

QString nulJoined(const QStringList &parts)
{
    return parts.join(Nul);
}

} // namespace

class tst_ClsCommonDlg : public QObject
{
    Q_OBJECT
private slots:
    void filterConversion_data();
    void filterConversion();
    void filterIndexSelectsThePair_data();
    void filterIndexSelectsThePair();
    void fileNameIsCutToMaxFileSizeMinusOne_data();
    void fileNameIsCutToMaxFileSizeMinusOne();
    void chosenNameTooLongForTheBufferFails();
    void cancelFollowsCancelError_data();
    void cancelFollowsCancelError();
    void reuseAfterCancelStillReportsCancel();
    void singleAndMultipleSelection();
    void actionRunsTheNamedDialog_data();
    void actionRunsTheNamedDialog();
    void errDescription_data();
    void errDescription();
    void colorGoesInAndOutAsWindowsColourValue();
    void fontPropertiesGoInAndOut();
    void printerPagesGoInAndOutAndFailuresShow();
    void helpKeyTakesNumbersOnly();
    void folderPickerShowsOnEveryRead();
};

void tst_ClsCommonDlg::filterConversion_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("dialogFilter");
    QTest::addColumn<QStringList>("nameFilters");
    QTest::newRow("splitter") << "Exe Files (*.Exe)|*.Exe|すべて (*.*)|*.*"
                              << nulJoined({ "Exe Files (*.Exe)", "*.Exe", "すべて (*.*)", "*.*", "" })
                              << QStringList({ "Exe Files (*.Exe)", "すべて (*)" });
    QTest::newRow("options dialog, ends in |")
        << "ｻｳﾝﾄﾞ(*.wav)|*.wav|すべて|*.*|" << nulJoined({ "ｻｳﾝﾄﾞ(*.wav)", "*.wav", "すべて", "*.*", "" })
        << QStringList({ "ｻｳﾝﾄﾞ(*.wav)", "すべて (*)" });
    QTest::newRow("several patterns") << "Pictures|*.bmp;*.png" << nulJoined({ "Pictures", "*.bmp;*.png", "" })
                                      << QStringList { "Pictures (*.bmp *.png)" };
    QTest::newRow("listed with ;") << "Pictures (*.bmp;*.png)|*.bmp;*.png"
                                   << nulJoined({ "Pictures (*.bmp;*.png)", "*.bmp;*.png", "" })
                                   << QStringList { "Pictures (*.bmp *.png)" };
    QTest::newRow("description differs") << "Text (*.txt)|*.log" << nulJoined({ "Text (*.txt)", "*.log", "" })
                                         << QStringList { "Text (*.txt) (*.log)" };
    QTest::newRow("pattern missing") << "A|*.a|B" << nulJoined({ "A", "*.a", "B", "" }) << QStringList { "A (*.a)" };
}

void tst_ClsCommonDlg::filterConversion()
{
    QFETCH(QString, filter);
    QFETCH(QString, dialogFilter);
    QFETCH(QStringList, nameFilters);
    FakeDialogs dialogs;
    clsCommonDlg dlg(&dialogs);
    QCOMPARE(dlg.NameFilters(), QStringList { "All Files (*)" });
    dlg.setFilter(filter);
    QCOMPARE(dlg.Filter(), filter);
    QCOMPARE(dlg.DialogFilter(), dialogFilter);
    QCOMPARE(dlg.NameFilters(), nameFilters);
    dlg.ShowOpen();
    QCOMPARE(dialogs.fileRequests.first().nameFilters, nameFilters);
}

void tst_ClsCommonDlg::filterIndexSelectsThePair_data()
{
    QTest::addColumn<int>("filterIndex");
    QTest::addColumn<int>("selected");
    QTest::newRow("0 is the first") << 0 << 0;
    QTest::newRow("1") << 1 << 0;
    QTest::newRow("2") << 2 << 1;
    QTest::newRow("beyond the pairs") << 3 << 0;
    QTest::newRow("negative") << -1 << 0;
}

void tst_ClsCommonDlg::filterIndexSelectsThePair()
{
    QFETCH(int, filterIndex);
    QFETCH(int, selected);
    FakeDialogs dialogs;
    clsCommonDlg dlg(&dialogs);
    dlg.setFilter("Exe Files (*.Exe)|*.Exe|すべて (*.*)|*.*");
    dlg.setFilterIndex(qint16(filterIndex));
    dlg.ShowOpen();
    QCOMPARE(dialogs.fileRequests.first().selectedFilter, selected);
}

void tst_ClsCommonDlg::fileNameIsCutToMaxFileSizeMinusOne_data()
{
    QTest::addColumn<int>("maxFileSize");
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QString>("handedIn");
    QTest::addColumn<bool>("shown");
    QTest::newRow("default buffer") << 255 << QString(300, 'x') << QString(254, 'x') << true;
    QTest::newRow("fits") << 10 << "abc.txt"
                          << "abc.txt" << true;
    QTest::newRow("exactly the room") << 8 << "abc.txt"
                                      << "abc.txt" << true;
    QTest::newRow("one too many") << 7 << "abc.txt"
                                  << "abc.tx" << true;
    QTest::newRow("room for the NUL only") << 1 << "abc.txt"
                                           << "" << true;
    QTest::newRow("no buffer at all") << 0 << "abc.txt"
                                      << "" << false;
}

void tst_ClsCommonDlg::fileNameIsCutToMaxFileSizeMinusOne()
{
    QFETCH(int, maxFileSize);
    QFETCH(QString, fileName);
    QFETCH(QString, handedIn);
    QFETCH(bool, shown);
    FakeDialogs dialogs;
    clsCommonDlg dlg(&dialogs);
    dlg.setMaxFileSize(maxFileSize);
    dlg.setFileName(fileName);
    dlg.ShowOpen();
    QCOMPARE(dialogs.fileRequests.size(), shown ? 1 : 0);
    if (shown)
        QCOMPARE(dialogs.fileRequests.first().fileName, handedIn);
    QCOMPARE(dlg.Action(), 1);
}

void tst_ClsCommonDlg::chosenNameTooLongForTheBufferFails()
{
    FakeDialogs dialogs;
    dialogs.fileAnswers << FakeDialogs::chose({ "/a/very/long/folder/name.txt" }) << FakeDialogs::chose({ "/a/b.txt" });
    clsCommonDlg dlg(&dialogs);
    dlg.setMaxFileSize(10);
    dlg.setCancelError(true);
    dlg.setFileName("x");
    dlg.ShowOpen();
    QCOMPARE(dlg.ErrNumber(), 0x3003);
    QCOMPARE(dlg.ErrDescription(), QStringLiteral("メンバ lpstrFile が指すバッファが小さすぎます。"));
    QVERIFY(dlg.CancelButton());
    QCOMPARE(dlg.FileName(), QString());
    dlg.ShowOpen(); // 8 characters and the NUL fit
    QCOMPARE(dlg.ErrNumber(), 0);
    QCOMPARE(dlg.FileName(), "/a/b.txt");
}

void tst_ClsCommonDlg::cancelFollowsCancelError_data()
{
    QTest::addColumn<int>("action");
    QTest::addColumn<bool>("cancelError");
    QTest::addColumn<bool>("cancelButton");
    QTest::addColumn<QString>("fileName");
    QTest::newRow("open, CancelError") << 1 << true << true << "";
    QTest::newRow("open, no CancelError") << 1 << false << false << "keep.txt";
    QTest::newRow("save, CancelError") << 2 << true << true << "";
    QTest::newRow("save, no CancelError") << 2 << false << false << "keep.txt";
    QTest::newRow("print, CancelError") << 5 << true << true << "keep.txt";
    QTest::newRow("print, no CancelError") << 5 << false << false << "keep.txt";
    QTest::newRow("colour ignores CancelError") << 3 << false << true << "keep.txt";
    QTest::newRow("font ignores CancelError") << 4 << false << true << "keep.txt";
}

void tst_ClsCommonDlg::cancelFollowsCancelError()
{
    QFETCH(int, action);
    QFETCH(bool, cancelError);
    QFETCH(bool, cancelButton);
    QFETCH(QString, fileName);
    FakeDialogs dialogs;
    clsCommonDlg dlg(&dialogs);
    dlg.setCancelError(cancelError);
    dlg.setFileName("keep.txt");
    dlg.setAction(qint16(action));
    QCOMPARE(dlg.CancelButton(), cancelButton);
    QCOMPARE(dlg.FileName(), fileName);
    QCOMPARE(dlg.ErrNumber(), 0);
}

void tst_ClsCommonDlg::reuseAfterCancelStillReportsCancel()
{
    FakeDialogs dialogs;
    dialogs.fileAnswers << FileDialogAnswer() << FakeDialogs::chose({ "/tmp/a.txt" });
    dialogs.fontAnswer = { true, QFont("Serif", 10), 0 };
    clsCommonDlg dlg(&dialogs);
    dlg.setCancelError(true);
    dlg.ShowOpen();
    QVERIFY(dlg.CancelButton());
    dlg.ShowOpen();
    QCOMPARE(dlg.FileName(), "/tmp/a.txt");
    QVERIFY(dlg.CancelButton()); // only the font dialog clears it
    dlg.ShowFont();
    QVERIFY(!dlg.CancelButton());
}

void tst_ClsCommonDlg::singleAndMultipleSelection()
{
    FakeDialogs dialogs;
    dialogs.fileAnswers << FakeDialogs::chose({ "/data/in/SETUP.EXE" })
                        << FakeDialogs::chose({ "/data/in/A.WAV", "/data/in/B.WAV" });
    clsCommonDlg dlg(&dialogs);
    dlg.ShowSave();
    QVERIFY(dialogs.fileRequests.last().save);
    QCOMPARE(dlg.Action(), 2);
    QCOMPARE(dlg.FileName(), "/data/in/SETUP.EXE");
    QCOMPARE(dlg.FileTitle(), "SETUP.EXE");
    dlg.setFlags(0x200);
    dlg.ShowOpen();
    QVERIFY(!dialogs.fileRequests.last().save);
    QCOMPARE(dialogs.fileRequests.last().flags, 0x200u);
    QCOMPARE(dlg.FileName(), nulJoined({ "/data/in", "A.WAV", "B.WAV" }));
    QCOMPARE(dlg.FileTitle(), nulJoined({ "A.WAV", "B.WAV" }));
}

void tst_ClsCommonDlg::actionRunsTheNamedDialog_data()
{
    QTest::addColumn<int>("action");
    QTest::addColumn<QStringList>("calls");
    QTest::newRow("1 open") << 1 << QStringList { "file" };
    QTest::newRow("2 save") << 2 << QStringList { "file" };
    QTest::newRow("3 colour") << 3 << QStringList { "color" };
    QTest::newRow("4 font") << 4 << QStringList { "font" };
    QTest::newRow("5 printer") << 5 << QStringList { "print" };
    QTest::newRow("6 help") << 6 << QStringList { "help:/doc/help.html" };
    QTest::newRow("7 nothing") << 7 << QStringList();
    QTest::newRow("0 nothing") << 0 << QStringList();
}

void tst_ClsCommonDlg::actionRunsTheNamedDialog()
{
    QFETCH(int, action);
    QFETCH(QStringList, calls);
    FakeDialogs dialogs;
    clsCommonDlg dlg(&dialogs);
    dlg.setHelpFile("/doc/help.html");
    dlg.setHelpCommand(3);
    dlg.setAction(qint16(action));
    QCOMPARE(dialogs.calls, calls);
    QCOMPARE(dlg.Action(), action);
    if (action == 1 || action == 2)
        QCOMPARE(dialogs.fileRequests.first().save, action == 2);

    // Help needs both a file and a command.
    clsCommonDlg noCommand(&dialogs);
    noCommand.setHelpFile("/doc/help.html");
    noCommand.ShowHelp();
    clsCommonDlg noFile(&dialogs);
    noFile.setHelpCommand(3);
    noFile.ShowHelp();
    QCOMPARE(dialogs.calls, calls);
}

void tst_ClsCommonDlg::errDescription_data()
{
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("text");
    QTest::newRow("-32768") << -32768 << "関数がダイアログ ボックスをロードできません。";
    QTest::newRow("20477") << 20477 << "ファイル名が無効です。";
    QTest::newRow("24574") << 24574 << "フォントが存在しません。";
    QTest::newRow("28663") << 28663 << "通常使うプリンタが設定されていません。";
    QTest::newRow("28671 as 28668") << 28671 << clsCommonDlg::ErrorText(28668);
    QTest::newRow("32755") << 32755 << "[キャンセル] ボタンが選択されました。";
    QTest::newRow("32761 as 32760") << 32761 << "関数が指定したリソースをロードできません。";
    QTest::newRow("32765") << 32765 << "関数を初期化できません。";
    QTest::newRow("unlisted") << 12345 << "未知のｴﾗｰです。";
    QTest::newRow("zero") << 0 << "未知のｴﾗｰです。";
    QTest::newRow("extended 0x3003") << 0x3003 << "メンバ lpstrFile が指すバッファが小さすぎます。";
    QTest::newRow("extended 0x1008") << 0x1008 << "通常使うプリンタが設定されていません。";
    QTest::newRow("extended 0x2001") << 0x2001 << "フォントが存在しません。";
    QTest::newRow("extended 0xFFFF") << 0xFFFF << "関数がダイアログ ボックスをロードできません。";
    QTest::newRow("extended 0x0002") << 0x0002 << "関数を初期化できません。";
}

void tst_ClsCommonDlg::errDescription()
{
    QFETCH(int, number);
    QFETCH(QString, text);
    QCOMPARE(clsCommonDlg::ErrorText(number), text);
}

void tst_ClsCommonDlg::colorGoesInAndOutAsWindowsColourValue()
{
    FakeDialogs dialogs;
    dialogs.colorAnswer = { true, QColor(0x12, 0x34, 0x56), 0 };
    clsCommonDlg dlg(&dialogs);
    dlg.setColor(0x00336699);
    dlg.ShowColor();
    QCOMPARE(dialogs.colorInitial, QColor(0x99, 0x66, 0x33));
    QCOMPARE(dlg.Color(), 0x00563412);
    QCOMPARE(dlg.Action(), 3);
    QVERIFY(!dlg.CancelButton());
}

void tst_ClsCommonDlg::fontPropertiesGoInAndOut()
{
    QWidget form;
    QFont formFont("Sans", 11);
    formFont.setBold(true);
    formFont.setUnderline(true);
    form.setFont(formFont);

    FakeDialogs dialogs;
    QFont chosen("Serif");
    chosen.setPointSizeF(12.5);
    chosen.setItalic(true);
    chosen.setStrikeOut(true);
    chosen.setWeight(QFont::Medium);
    dialogs.fontAnswer = { true, chosen, 0 };
    clsCommonDlg dlg(&dialogs);
    dlg.setAction(9);
    dlg.setForm(&form);
    QCOMPARE(dlg.FontName(), "Sans");
    QCOMPARE(dlg.FontSize(), 11);
    QVERIFY(dlg.FontBold() && dlg.FontUnderline() && !dlg.FontItalic() && !dlg.FontStrikethru());

    dlg.setFontSize(15);
    dlg.setColor(0xFF);
    dlg.ShowFont();
    QCOMPARE(dialogs.fontInitial.family(), "Sans");
    QCOMPARE(dialogs.fontInitial.pointSize(), 15);
    QVERIFY(dialogs.fontInitial.bold() && dialogs.fontInitial.underline());
    QVERIFY(dialogs.fontFlags & 0x40);
    QCOMPARE(dlg.FontName(), "Serif");
    QCOMPARE(dlg.FontSize(), 12); // 12.5 rounds to even
    QVERIFY(dlg.FontBold() && dlg.FontItalic() && dlg.FontStrikethru() && !dlg.FontUnderline());
    QCOMPARE(dlg.Color(), 0xFF);
    QCOMPARE(dlg.Action(), 9); // the font dialog leaves Action alone

    dialogs.fontAnswer = {};
    dlg.ShowFont();
    QVERIFY(dlg.CancelButton());
    QVERIFY(!dlg.FontBold() && !dlg.FontItalic() && !dlg.FontStrikethru() && !dlg.FontUnderline());
    QCOMPARE(dlg.FontName(), QString());
    QCOMPARE(dlg.FontSize(), 0);
    QCOMPARE(dlg.Color(), 0);
}

void tst_ClsCommonDlg::printerPagesGoInAndOutAndFailuresShow()
{
    FakeDialogs dialogs;
    dialogs.printAnswer = { true, { 3, 4, 1, 9, 2 }, 0 };
    clsCommonDlg dlg(&dialogs);
    dlg.setFromPage(2);
    dlg.setToPage(5);
    dlg.setMin(1);
    dlg.setMax(70000);
    dlg.setCopies(1);
    dlg.ShowPrinter();
    QCOMPARE(dialogs.printPages.fromPage, 2);
    QCOMPARE(dialogs.printPages.toPage, 5);
    QCOMPARE(dialogs.printPages.maxPage, 0xFFFF);
    QCOMPARE(dlg.FromPage(), 3);
    QCOMPARE(dlg.ToPage(), 4);
    QCOMPARE(dlg.Min(), 1);
    QCOMPARE(dlg.Max(), 9);
    QCOMPARE(dlg.Copies(), 2);

    dialogs.printAnswer = { false, {}, CommonDialogError::NoDefaultPrinter };
    dlg.setCancelError(true);
    dlg.ShowPrinter();
    QVERIFY(dlg.CancelButton());
    QCOMPARE(dlg.ErrNumber(), 0x1008);
    QCOMPARE(dlg.ErrDescription(), "通常使うプリンタが設定されていません。");
    QCOMPARE(dlg.FromPage(), 3);
}

void tst_ClsCommonDlg::helpKeyTakesNumbersOnly()
{
    clsCommonDlg dlg;
    QVERIFY(dlg.setHelpKey("42"));
    QCOMPARE(dlg.HelpKey(), "42");
    QVERIFY(!dlg.setHelpKey("help"));
    QCOMPARE(dlg.HelpKey(), "42");
    QVERIFY(!dlg.setHelpKey("99999999999"));
    QVERIFY(dlg.setHelpKey(" -7 "));
    QCOMPARE(dlg.HelpKey(), "-7");
}

void tst_ClsCommonDlg::folderPickerShowsOnEveryRead()
{
    FakeDialogs dialogs;
    dialogs.folderAnswers << "  /data/out  " << QString();
    clsFolderGetPath picker(&dialogs);
    QCOMPARE(picker.FolderPathName(), "/data/out");
    QCOMPARE(picker.FolderPathName(), QString());
    QCOMPARE(dialogs.folderTitles, QStringList(2, "ﾌｫﾙﾀﾞを選択して下さい。"));
    picker.setTitle("選択してー！");
    picker.FolderPathName();
    QCOMPARE(dialogs.folderTitles.last(), "選択してー！");
}

QTEST_MAIN(tst_ClsCommonDlg)
#include "tst_clscommondlg.moc"
