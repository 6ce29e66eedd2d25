#include "fakemachine.h"
#include "frm_pelwickSys.h"

#include <QPushButton>
#include <QTabWidget>
#include <QTreeWidget>

namespace {

// Every row of a list, its columns in order.
QList<QStringList> rowsOf(const QTreeWidget *list)
{
    QList<QStringList> rows;
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        const QTreeWidgetItem *item = list->topLevelItem(i);
        QStringList columns;
        for (int c = 0; c < list->columnCount(); ++c)
            columns.append(item->text(c));
        rows.append(columns);
    }
    return rows;
}

QStringList column(const QList<QStringList> &rows, int index)
{
    QStringList texts;
    for (const QStringList &row : rows)
        texts.append(row.value(index));
    return texts;
}

QTreeWidget *list(const QWidget &window, const char *name)
{
    auto *found = window.findChild<QTreeWidget *>(QLatin1String(name));
    if (!found)
        qFatal("list %s missing", name);
    return found;
}

const QStringList DriveLabels {
    QStringLiteral("ﾎﾞﾘｭｰﾑﾗﾍﾞﾙ"),
    QStringLiteral("全容量の取得"),
    QStringLiteral("ﾌｧｲﾙｼｽﾃﾑがACLsをｻﾎﾟｰﾄ"),
    QStringLiteral("全容量(ﾊﾞｲﾄ数)"),
    QStringLiteral("ﾌｧｲﾙ名をﾌｧｲﾙｼｽﾃﾑに記録"),
    QStringLiteral("ﾌｧｲﾙ名の大・小文字を区別"),
    QStringLiteral("1ｸﾗｽﾀあたりのｾｸﾀ数"),
    QStringLiteral("ﾌｧｲﾙ単位の圧縮をｻﾎﾟｰﾄ"),
    QStringLiteral("ﾌｧｲﾙｼｽﾃﾑ"),
    QStringLiteral("空き容量"),
    QStringLiteral("ﾌｧｲﾙ名の最大長"),
    QStringLiteral("ﾒﾃﾞｨｱが有効"),
    QStringLiteral("ﾒﾃﾞｨｱのﾀｲﾌﾟ"),
    QStringLiteral("1ｾｸﾀあたりのﾊﾟｲﾄ数"),
    QStringLiteral("ﾌｧｲﾙ名をUnicodeで格納"),
    QStringLiteral("ﾎﾞﾘｭｰﾑ全体を圧縮"),
    QStringLiteral("ｼﾘｱﾙﾅﾝﾊﾞｰ"),
};

} // namespace

class tst_frm_pelwickSys : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void tabsListsAndButtonsCarryTheirNames();
    void systemRowsInOrderWithoutOemFacts();
    void drivesWithAUsableRootOnlyEachWithSeventeenRows();
    void floppyCapacityShowsInWholeKilobytes();
    void driveColumnFitsItsRootsWithinTheWindow();
    void caseNotPreservedShowsEmptyWhileOtherFlagsShowFalse();
    void memoryRowsAndTheirKilobyteForms();
    void folderRowsInOrder();
    void refreshTwiceGivesTheRowsOfAFreshOpening();
    void closeButtonClosesTheWindow();

private:
    std::unique_ptr<FakeMachine> m_machine;
    QString m_floppy;
    QString m_data;
};

void tst_frm_pelwickSys::init()
{
    m_machine = std::make_unique<FakeMachine>();
    FakeMachine &machine = *m_machine;
    machine.write(QStringLiteral("proc/sys/kernel/hostname"), "pc01\n");
    machine.write(QStringLiteral("proc/sys/kernel/osrelease"), "6.1.76-amd64\n");
    machine.write(QStringLiteral("proc/cpuinfo"), "processor : 0\ncpu family : 6\nprocessor : 1\ncpu family : 6\n");
    machine.write(QStringLiteral("proc/meminfo"),
        "MemTotal: 8388608 kB\nMemAvailable: 2097152 kB\nSwapTotal: 1048576 kB\nSwapFree: 524288 kB\n");
    machine.write(QStringLiteral("proc/self/status"), "VmSize: 1048576 kB\n");
    machine.editSources().userAddressSpace = Q_INT64_C(1) << 40;
    machine.write(QStringLiteral("etc/machine-id"), "abc123\n");
    machine.write(QStringLiteral("etc/os-release"), "PRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\n");
    machine.editSources().account = [] {
        return std::optional<AccountFacts>({ QStringLiteral("taro"), QStringLiteral("Taro Yamada") });
    };

    // A floppy-sized FAT disk without case preservation, a data disk, and a
    // mounted file system whose root cannot be searched.
    machine.write(QStringLiteral("dev/fd0"), {});
    machine.link(QStringLiteral("../../fd0"), QStringLiteral("dev/disk/by-uuid/F1E2-D3C4"));
    m_floppy = machine.mount(
        QStringLiteral("/dev/fd0"), QStringLiteral("a-floppy"), QStringLiteral("msdos"), { 512, 2847, 2000, 12 });
    m_data = machine.mount(QStringLiteral("/dev/sda1"), QStringLiteral("data"), QStringLiteral("ext4"),
        { 4096, Q_INT64_C(1) << 20, Q_INT64_C(1) << 19, 255 });
    const QString gone = machine.mount(QStringLiteral("/dev/sdb1"), QStringLiteral("gone"), QStringLiteral("vfat"));
    QVERIFY(QDir(gone).removeRecursively());
}

void tst_frm_pelwickSys::cleanup()
{
    m_machine.reset();
}

void tst_frm_pelwickSys::tabsListsAndButtonsCarryTheirNames()
{
    frm_pelwickSys window(m_machine->sources(), nullptr);
    QCOMPARE(window.windowTitle(), QStringLiteral("PC情報"));
    auto *tabs = window.findChild<QTabWidget *>(QStringLiteral("SSTab"));
    QVERIFY(tabs);
    QCOMPARE(tabs->count(), 4);
    const QStringList expectedTabs { "System情報", "Drive情報", "Memory情報", "Folder情報" };
    const char *names[] = { "ListView_System", "ListView_Drive", "ListView_Memory", "ListView_Folder" };
    for (int i = 0; i < 4; ++i) {
        QCOMPARE(tabs->tabText(i), expectedTabs.at(i));
        QCOMPARE(tabs->widget(i), list(window, names[i]));
    }
    const auto headers = [](const QTreeWidget *view) {
        QStringList texts;
        for (int c = 0; c < view->columnCount(); ++c)
            texts.append(view->headerItem()->text(c));
        return texts;
    };
    const QStringList twoColumns { "項  目", "値" };
    QCOMPARE(headers(list(window, "ListView_System")), twoColumns);
    QCOMPARE(headers(list(window, "ListView_Drive")), (QStringList { "ﾄﾞﾗｲﾌﾞ名", "項目", "値" }));
    QCOMPARE(headers(list(window, "ListView_Memory")), twoColumns);
    QCOMPARE(headers(list(window, "ListView_Folder")), twoColumns);
    QCOMPARE(window.findChild<QPushButton *>(QStringLiteral("Cmd_New"))->text(), QStringLiteral("最新"));
    QCOMPARE(window.findChild<QPushButton *>(QStringLiteral("Cmd_Close"))->text(), QStringLiteral("閉じる"));
}

void tst_frm_pelwickSys::systemRowsInOrderWithoutOemFacts()
{
    const FixedScreen screen(QRect(0, 32, 1280, 992), 15.0);
    frm_pelwickSys window(m_machine->sources(), &screen);
    const QList<QStringList> expected {
        { "ｺﾝﾋﾟｭｰﾀ名", "pc01" },
        { "OEMﾒｰｶｰ名", "" },
        { "ﾊｰﾄﾞｳｪｱの機種名", "" },
        { "OSの起動ﾓｰﾄﾞ", "0" },
        { "Windowsのﾋﾞﾙﾄﾞﾅﾝﾊﾞｰ", "76" },
        { "OSがﾃﾞﾊﾞｯｸﾞﾊﾞｰｼﾞｮﾝ", "False" },
        { "OSが2ﾊﾞｲﾄ文字をｻﾎﾟｰﾄ", list(window, "ListView_System")->topLevelItem(6)->text(1) },
        { "Windowsのﾀｲﾌﾟ", "0" },
        { "Windowsのﾊﾞｰｼﾞｮﾝ", "6.1" },
        { "CPUの個数", "2" },
        { "CPUのﾀｲﾌﾟ", "3" },
        { "Windowsの製品ID", "abc123" },
        { "Windowsの製品名", "Debian GNU/Linux 12 (bookworm)" },
        { "Windowsの登録団体名", "" },
        { "Windowsの登録ﾕｰｻﾞｰ名", "Taro Yamada" },
        { "ｸﾗｽで使用される単位", "3" },
        { "ﾊｰﾄﾞｳｪｱのｼﾘｱﾙﾅﾝﾊﾞｰ", "" },
        { "PCのｻﾌﾞﾓﾃﾞﾙ", "" },
        { "ﾕｰｻﾞｰ名", "taro" },
        { "ﾜｰｸｴﾘｱの高さ", "992" },
        { "ﾜｰｸｴﾘｱのx座標", "0" },
        { "ﾜｰｸｴﾘｱのy座標", "32" },
        { "ﾜｰｸｴﾘｱの幅", "1280" },
    };
    QCOMPARE(rowsOf(list(window, "ListView_System")), expected);
    QVERIFY(QStringList({ "True", "False" }).contains(expected.at(6).at(1)));
}

void tst_frm_pelwickSys::drivesWithAUsableRootOnlyEachWithSeventeenRows()
{
    frm_pelwickSys window(m_machine->sources(), nullptr);
    const QList<QStringList> rows = rowsOf(list(window, "ListView_Drive"));
    QCOMPARE(rows.size(), 34);
    QStringList roots(34);
    roots[0] = m_floppy;
    roots[17] = m_data;
    QCOMPARE(column(rows, 0), roots);
    QCOMPARE(column(rows, 1), DriveLabels + DriveLabels);
    // The data disk: 4 GiB total, 2 GiB free, fixed, 8 sectors a cluster.
    const QStringList data = column(rows, 2).mid(17);
    QCOMPARE(data,
        (QStringList { "", "4194304 (KB)", "True", "4194304 (KB)", "True", "True", "8", "False", "ext4", "2097152 (KB)",
            "255", "True", "3", "512", "False", "False", "0" }));
}

void tst_frm_pelwickSys::floppyCapacityShowsInWholeKilobytes()
{
    frm_pelwickSys window(m_machine->sources(), nullptr);
    const QStringList values = column(rowsOf(list(window, "ListView_Drive")), 2);
    // 2847 sectors of 512 bytes are 1457664 bytes: 1423.5 KB, shown as 1423.
    QCOMPARE(values.at(1), QStringLiteral("1423 (KB)"));
    QCOMPARE(values.at(3), QStringLiteral("1423 (KB)"));
    QCOMPARE(values.at(9), QStringLiteral("1000 (KB)"));
    // The serial of F1E2-D3C4 is negative as a signed number.
    QCOMPARE(values.at(16), QString::number(qint32(0xF1E2D3C4u)));
}

void tst_frm_pelwickSys::driveColumnFitsItsRootsWithinTheWindow()
{
    frm_pelwickSys window(m_machine->sources(), nullptr);
    // Room for the temporary folder's long roots.
    window.resize(1100, 480);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.findChild<QTabWidget *>(QStringLiteral("SSTab"))->setCurrentIndex(1);
    QTreeWidget *drives = list(window, "ListView_Drive");
    const auto textWidth = [&](const QString &text) { return drives->fontMetrics().horizontalAdvance(text); };
    // The roots are whole.
    QTRY_VERIFY(drives->columnWidth(0) >= textWidth(m_floppy));
    QVERIFY(drives->columnWidth(0) + drives->columnWidth(1) < drives->viewport()->width());

    // One too long for the window: the value column keeps its room.
    m_machine->mount(QStringLiteral("/dev/sdc1"), QString(150, QLatin1Char('x')), QStringLiteral("ext4"));
    QTest::mouseClick(window.findChild<QPushButton *>(QStringLiteral("Cmd_New")), Qt::LeftButton);
    QVERIFY(drives->columnWidth(0) >= textWidth(m_floppy));
    QVERIFY(drives->columnWidth(0) + drives->columnWidth(1) + 100 <= drives->viewport()->width());
    // A wider window gives it more.
    const int before = drives->columnWidth(0);
    window.resize(window.width() + 200, window.height());
    QTRY_COMPARE(drives->columnWidth(0), before + 200);
}

void tst_frm_pelwickSys::caseNotPreservedShowsEmptyWhileOtherFlagsShowFalse()
{
    frm_pelwickSys window(m_machine->sources(), nullptr);
    const QStringList values = column(rowsOf(list(window, "ListView_Drive")), 2);
    QCOMPARE(values.at(4), QString());
    for (const int flagRow : { 2, 5, 7, 14, 15 })
        QCOMPARE(values.at(flagRow), QStringLiteral("False"));
    QCOMPARE(values.at(8), QStringLiteral("msdos"));
}

void tst_frm_pelwickSys::memoryRowsAndTheirKilobyteForms()
{
    frm_pelwickSys window(m_machine->sources(), nullptr);
    const QList<QStringList> expected {
        { "全ﾍﾟｰｼﾞﾝｸﾞﾌｧｲﾙのﾊﾞｲﾄ数", "1048576 (KB)" },
        { "全ﾒﾓﾘｰのﾊﾞｲﾄ数", "8388608 (KB)" },
        { "使用可能な仮想ﾒﾓﾘのﾊﾞｲﾄ数", "1073741824 (KB)" },
        { "空きﾍﾟｰｼﾞﾝｸﾞﾌｧｲﾙのﾊﾞｲﾄ数", "524288 (KB)" },
        { "空きﾒﾓﾘｰのﾊﾞｲﾄ数", "2097152 (KB)" },
        { "予約されていない仮想ﾒﾓﾘのﾊﾞｲﾄ数", "1072693248 (KB)" },
        { "使用中のﾒﾓﾘｰの比率(100分率)", "75" },
    };
    QCOMPARE(rowsOf(list(window, "ListView_Memory")), expected);
}

void tst_frm_pelwickSys::folderRowsInOrder()
{
    frm_pelwickSys window(m_machine->sources(), nullptr);
    const QList<QStringList> rows = rowsOf(list(window, "ListView_Folder"));
    const QStringList labels { "Windowsﾌｫﾙﾀﾞ", "ｼｽﾃﾑﾌｫﾙﾀﾞ", "ﾃﾝﾎﾟﾗﾘﾌｫﾙﾀﾞ", "ｽﾀｰﾄｱｯﾌﾟﾌｫﾙﾀﾞ", "Program Filesﾌｫﾙﾀﾞ",
        "[ｽﾀｰﾄ]ﾒﾆｭｰ", "[送る]ﾌｫﾙﾀﾞ", "[ｽﾀｰﾄ]ﾒﾆｭｰの[ﾌﾟﾛｸﾞﾗﾑ]", "[最近使ったﾌｧｲﾙ]ﾌｫﾙﾀﾞ", "ﾊﾟｰｿﾅﾙﾌｫﾙﾀﾞ", "ﾒﾃﾞｨｱﾌｫﾙﾀﾞ",
        "ﾌｫﾝﾄﾌｫﾙﾀﾞ", "ﾌﾞｯｸﾏｰｸﾌｫﾙﾀﾞ", "ﾃﾞﾊﾞｲｽﾌｫﾙﾀﾞ", "ﾃﾞｽｸﾄｯﾌﾟﾌｫﾙﾀﾞ", "ｺﾝﾌｨｸﾞﾌｫﾙﾀﾞ", "ｺﾓﾝﾌｧｲﾙﾌｫﾙﾀﾞ",
        "旧ﾊﾞｰｼﾞｮﾝのWindowsﾌｫﾙﾀﾞ", "Qt開発ﾂｰﾙのﾌｫﾙﾀﾞ" };
    QCOMPARE(column(rows, 0), labels);
    QVERIFY(rows.at(2).at(1).endsWith(QLatin1Char('/')));
    // No /usr below the prepared root: the Windows folder row is empty.
    QCOMPARE(rows.at(0).at(1), QString());
}

void tst_frm_pelwickSys::refreshTwiceGivesTheRowsOfAFreshOpening()
{
    frm_pelwickSys window(m_machine->sources(), nullptr);
    // A drive mounted and the memory changed while the window is open.
    m_machine->mount(QStringLiteral("/dev/sdc1"), QStringLiteral("z-new"), QStringLiteral("xfs"));
    m_machine->write(QStringLiteral("proc/meminfo"), "MemTotal: 4096 kB\nMemAvailable: 1024 kB\n");
    auto *refresh = window.findChild<QPushButton *>(QStringLiteral("Cmd_New"));
    QTest::mouseClick(refresh, Qt::LeftButton);
    QTest::mouseClick(refresh, Qt::LeftButton);

    const frm_pelwickSys fresh(m_machine->sources(), nullptr);
    for (const char *name : { "ListView_System", "ListView_Drive", "ListView_Memory", "ListView_Folder" })
        QCOMPARE(rowsOf(list(window, name)), rowsOf(list(fresh, name)));
    QCOMPARE(list(window, "ListView_Drive")->topLevelItemCount(), 51);
    QCOMPARE(list(window, "ListView_Memory")->topLevelItem(1)->text(1), QStringLiteral("4096 (KB)"));
}

void tst_frm_pelwickSys::closeButtonClosesTheWindow()
{
    frm_pelwickSys window(m_machine->sources(), nullptr);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTest::mouseClick(window.findChild<QPushButton *>(QStringLiteral("Cmd_Close")), Qt::LeftButton);
    QVERIFY(!window.isVisible());
}

QTEST_MAIN(tst_frm_pelwickSys)
#include "tst_frm_pelwicksys.moc"
