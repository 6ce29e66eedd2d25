#include "processlist.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

class FakeTable : public ProcessTable
{
public:
    std::optional<QList<ProcessEntry>> entries;
    std::optional<QList<ProcessEntry>> snapshot() const override { return entries; }
};

using Rows = QList<ProcessListRow>;

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

} // namespace

Q_DECLARE_METATYPE(Rows)

class tst_ProcessList : public QObject
{
    Q_OBJECT
private slots:
    void rowsShowHexIdentifierAndPath();
    void unreadableTableGivesTheOneFailureRow();
    void procTableNamesByExeThenCommandLineThenComm();
    void missingProcTableFails();
    void realTableHoldsThisProcessWithItsPath();
};

void tst_ProcessList::rowsShowHexIdentifierAndPath()
{
    FakeTable table;
    table.entries = QList<ProcessEntry> { { 28, "/usr/bin/GOMOKU" }, { 1, "/sbin/init" }, { 0xABCDEF, "/a b/c" } };
    QCOMPARE(
        processListRows(table), Rows({ { "1C", "/usr/bin/GOMOKU" }, { "1", "/sbin/init" }, { "ABCDEF", "/a b/c" } }));
    table.entries = QList<ProcessEntry> {};
    QVERIFY(processListRows(table).isEmpty());
}

void tst_ProcessList::unreadableTableGivesTheOneFailureRow()
{
    FakeTable table;
    QCOMPARE(processListRows(table), Rows({ { QString(), QStringLiteral("ﾌﾟﾛｾｽｴﾝﾄﾘの取得に失敗しました") } }));
}

void tst_ProcessList::procTableNamesByExeThenCommandLineThenComm()
{
    QTemporaryDir root;
    const QDir dir(root.path());
    for (const char *d : { "28", "5", "7", "300", "self", "abc", "0" })
        QVERIFY(dir.mkdir(QString::fromLatin1(d)));
    QVERIFY(QFile::link(QStringLiteral("/usr/lib/pelwick/GOMOKU"), dir.filePath("28/exe")));
    QVERIFY(writeFile(dir.filePath("28/comm"), "ignored\n"));
    QVERIFY(writeFile(dir.filePath("5/cmdline"), QByteArray("/opt/tool\0--flag\0", 17)));
    QVERIFY(writeFile(dir.filePath("5/comm"), "ignored\n"));
    QVERIFY(writeFile(dir.filePath("7/comm"), "kworker/0:1\n"));
    QVERIFY(writeFile(dir.filePath("self/comm"), "self\n"));

    const auto entries = ProcProcessTable(root.path()).snapshot();
    QVERIFY(entries);
    QCOMPARE(entries->size(), 4);
    const Rows rows = processListRows(ProcProcessTable(root.path()));
    QCOMPARE(rows,
        Rows({ { "5", "/opt/tool" }, { "7", "kworker/0:1" }, { "1C", "/usr/lib/pelwick/GOMOKU" }, { "12C", "" } }));
}

void tst_ProcessList::missingProcTableFails()
{
    QTemporaryDir root;
    QVERIFY(!ProcProcessTable(root.filePath("nothing")).snapshot());
    QVERIFY(!ProcProcessTable(root.path()).snapshot()); // no process at all: not a process table
}

void tst_ProcessList::realTableHoldsThisProcessWithItsPath()
{
    const Rows rows = processListRows(ProcProcessTable());
    const ProcessListRow own { QString::number(QCoreApplication::applicationPid(), 16).toUpper(),
        QCoreApplication::applicationFilePath() };
    QVERIFY(rows.contains(own));
    QVERIFY(rows.size() > 1);
}

QTEST_GUILESS_MAIN(tst_ProcessList)
#include "tst_processlist.moc"
