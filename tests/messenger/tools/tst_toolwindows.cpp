#include "frm_pelwickAbt.h"
#include "frm_pelwickPrc.h"
#include "messageboxrecorder.h"
#include "processlist.h"
#include "pelwickversion.h"

#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

namespace {

class FakeTable : public ProcessTable
{
public:
    std::optional<QList<ProcessEntry>> entries;
    std::optional<QList<ProcessEntry>> snapshot() const override { return entries; }
};

QStringList rowsOf(const QTreeWidget *list)
{
    QStringList out;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        out << list->topLevelItem(i)->text(0) + QLatin1Char('|') + list->topLevelItem(i)->text(1);
    return out;
}

bool writeScript(const QString &path, const QByteArray &body)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write("#!/bin/sh\n" + body + "\n") < 0)
        return false;
    f.close();
    return f.setPermissions(f.permissions() | QFile::ExeOwner);
}

} // namespace

class tst_ToolWindows : public QObject
{
    Q_OBJECT
private slots:
    void processWindowListsAndRefreshRebuilds();
    void processWindowShowsTheFailureRow();
    void processWindowDeleteOnlySaysUnderConstruction();
    void aboutBoxShowsTheBuildsIdentity();
    void aboutBoxClosesWithEscAndReturn();
    void sysInfoWithoutProgramFallsBackToTheOwnWindowElseSaysSo();
    void sysInfoStartsTheFirstProgramFound();
};

void tst_ToolWindows::processWindowListsAndRefreshRebuilds()
{
    FakeTable table;
    table.entries = QList<ProcessEntry> { { 1, "/sbin/init" }, { 28, "/usr/bin/GOMOKU" } };
    frm_pelwickPrc w(&table);
    QCOMPARE(w.windowTitle(), QStringLiteral("プロセス一覧"));
    auto *list = w.findChild<QTreeWidget *>("ListViewProcess");
    QVERIFY(list);
    QCOMPARE(list->headerItem()->text(0), QStringLiteral("ﾌﾟﾛｾｽNo."));
    QCOMPARE(list->headerItem()->text(1), QStringLiteral("EXEファイル格納パス名"));
    QCOMPARE(rowsOf(list), QStringList({ "1|/sbin/init", "1C|/usr/bin/GOMOKU" }));

    auto *refresh = w.findChild<QPushButton *>("CmdNEW");
    QCOMPARE(refresh->text(), QStringLiteral("最新"));
    table.entries->append({ 0x2A, "/usr/bin/Pelwick" });
    QTest::mouseClick(refresh, Qt::LeftButton);
    QTest::mouseClick(refresh, Qt::LeftButton);
    QCOMPARE(rowsOf(list), QStringList({ "1|/sbin/init", "1C|/usr/bin/GOMOKU", "2A|/usr/bin/Pelwick" }));
}

void tst_ToolWindows::processWindowShowsTheFailureRow()
{
    FakeTable table;
    frm_pelwickPrc w(&table);
    auto *list = w.findChild<QTreeWidget *>("ListViewProcess");
    QCOMPARE(rowsOf(list), QStringList({ "|ﾌﾟﾛｾｽｴﾝﾄﾘの取得に失敗しました" }));
    QTest::mouseClick(w.findChild<QPushButton *>("CmdNEW"), Qt::LeftButton);
    QCOMPARE(list->topLevelItemCount(), 1);
}

void tst_ToolWindows::processWindowDeleteOnlySaysUnderConstruction()
{
    FakeTable table;
    table.entries = QList<ProcessEntry> { { 28, "/usr/bin/GOMOKU" } };
    frm_pelwickPrc w(&table);
    auto *del = w.findChild<QPushButton *>("CmdDEL");
    QCOMPARE(del->text(), QStringLiteral("タスク削除"));
    MessageBoxRecorder boxes;
    QTest::mouseClick(del, Qt::LeftButton);
    QCOMPARE(boxes.texts, QStringList({ "作成中" }));
    QCOMPARE(boxes.requests.first().title, QString::fromLatin1(PelwickVersion::Title));
    QCOMPARE(boxes.requests.first().parent, &w);
    QCOMPARE(w.findChild<QTreeWidget *>("ListViewProcess")->topLevelItemCount(), 1);
}

void tst_ToolWindows::aboutBoxShowsTheBuildsIdentity()
{
    frm_pelwickAbt box;
    const auto text = [&](const char *name) { return box.findChild<QLabel *>(name)->text(); };
    QCOMPARE(box.windowTitle(), QString::fromUtf8(PelwickVersion::Title) + QStringLiteral("のﾊﾞｰｼﾞｮﾝ情報"));
    QCOMPARE(text("lblTitle"), QString::fromUtf8(PelwickVersion::Title));
    QCOMPARE(text("lblVersion"), QStringLiteral("ﾊﾞｰｼﾞｮﾝ ") + QString::fromLatin1(PelwickVersion::Text));
    QCOMPARE(text("lblVersion"),
        QStringLiteral("ﾊﾞｰｼﾞｮﾝ %1.%2.%3")
            .arg(PelwickVersion::Major)
            .arg(PelwickVersion::Minor)
            .arg(PelwickVersion::Revision));
    QCOMPARE(text("lblDisclaimer"), QString::fromUtf8(PelwickVersion::Comments));
    QCOMPARE(text("lblDescription"), QString::fromUtf8(PelwickVersion::ProductName));
    QCOMPARE(text("lblLegalCopyright"), QString::fromUtf8(PelwickVersion::LegalCopyright));
    QVERIFY(box.findChild<QLabel *>("picIcon"));
    QCOMPARE(box.findChild<QPushButton *>("cmdSysInfo")->text(), QStringLiteral("ｼｽﾃﾑ情報(&S)..."));
    QVERIFY(box.findChild<QPushButton *>("cmdOK")->isDefault());
}

void tst_ToolWindows::aboutBoxClosesWithEscAndReturn()
{
    frm_pelwickAbt box;
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    QTest::keyClick(&box, Qt::Key_Escape);
    QVERIFY(!box.isVisible());

    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    QTest::keyClick(&box, Qt::Key_Return); // OK is the default button
    QVERIFY(!box.isVisible());
}

void tst_ToolWindows::sysInfoWithoutProgramFallsBackToTheOwnWindowElseSaysSo()
{
    QTemporaryDir empty;
    // A file of the right name that is not a program does not count.
    QFile notProgram(empty.filePath("hardinfo"));
    QVERIFY(notProgram.open(QIODevice::WriteOnly));
    notProgram.close();
    frm_pelwickAbt box({ empty.path() });
    MessageBoxRecorder boxes;
    QTest::mouseClick(box.findChild<QPushButton *>("cmdSysInfo"), Qt::LeftButton);
    QCOMPARE(boxes.texts, QStringList({ "現時点ではｼｽﾃﾑ情報を使用できません" }));
    QCOMPARE(boxes.requests.first().title, box.windowTitle());
    QCOMPARE(boxes.requests.first().parent, &box);

    // Given the suite's own window, the button shows that instead.
    int ownShown = 0;
    box.setOwnSystemInformation([&ownShown] { ++ownShown; });
    QTest::mouseClick(box.findChild<QPushButton *>("cmdSysInfo"), Qt::LeftButton);
    QCOMPARE(ownShown, 1);
    QCOMPARE(boxes.texts.size(), 1);
}

void tst_ToolWindows::sysInfoStartsTheFirstProgramFound()
{
    QTemporaryDir bin;
    QVERIFY(writeScript(bin.filePath("kinfocenter"), "touch \"$(dirname \"$0\")/kinfocenter-ran\""));
    QVERIFY(writeScript(bin.filePath("hardinfo2"), "touch \"$(dirname \"$0\")/hardinfo2-ran\""));
    frm_pelwickAbt box({ bin.path() });
    MessageBoxRecorder boxes;
    QTest::mouseClick(box.findChild<QPushButton *>("cmdSysInfo"), Qt::LeftButton);
    QVERIFY(boxes.texts.isEmpty());
    QTRY_VERIFY(QFile::exists(bin.filePath("hardinfo2-ran")));
    QVERIFY(!QFile::exists(bin.filePath("kinfocenter-ran")));
}

QTEST_MAIN(tst_ToolWindows)
#include "tst_toolwindows.moc"
