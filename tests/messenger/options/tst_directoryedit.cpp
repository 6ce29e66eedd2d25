#include "directoryedit.h"

#include <QTest>

using Rows = QList<DirectoryEntry>;

// The dialog tests cover the ordinary edits; these are the cases a list view
// cannot easily set up: near-miss addresses, duplicates, and the port text.
class tst_DirectoryEdit : public QObject
{
    Q_OBJECT
private slots:
    void addressIsComparedExactly();
    void duplicateAddressesTouchOnlyTheFirstRow();
    void portTextMustNameAnOpenablePort_data();
    void portTextMustNameAnOpenablePort();
};

void tst_DirectoryEdit::addressIsComparedExactly()
{
    const Rows rows { { QStringLiteral("a"), QStringLiteral("10.0.0.1") } };
    for (const QString &nearMiss :
        { QStringLiteral("10.0.0.1 "), QStringLiteral(" 10.0.0.1"), QStringLiteral("10.0.0.10") }) {
        const DirectoryEdit update = planDirectoryEdit(rows, DirectoryEditMode::Update, QStringLiteral("a"), nearMiss);
        QCOMPARE(update.change, DirectoryEdit::Change::Append);
        const DirectoryEdit remove = planDirectoryEdit(rows, DirectoryEditMode::Delete, QString(), nearMiss);
        QVERIFY(!remove.done);
    }
    QVERIFY(!planDirectoryEdit({}, DirectoryEditMode::Delete, QString(), QStringLiteral("10.0.0.1")).done);
}

void tst_DirectoryEdit::duplicateAddressesTouchOnlyTheFirstRow()
{
    // A directory loaded from a hand-edited store may list an address twice.
    const QString ip = QStringLiteral("10.0.0.1");
    Rows rows { { QStringLiteral("a"), ip }, { QStringLiteral("b"), ip } };
    DirectoryEdit edit = planDirectoryEdit(rows, DirectoryEditMode::Update, QStringLiteral("c"), ip);
    applyDirectoryEdit(rows, edit, QStringLiteral("c"), ip);
    QCOMPARE(rows, (Rows { { QStringLiteral("c"), ip }, { QStringLiteral("b"), ip } }));

    edit = planDirectoryEdit(rows, DirectoryEditMode::Delete, QString(), ip);
    applyDirectoryEdit(rows, edit, QString(), ip);
    QCOMPARE(rows, (Rows { { QStringLiteral("b"), ip } }));
}

void tst_DirectoryEdit::portTextMustNameAnOpenablePort_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("port"); // 0: refused

    QTest::newRow("default") << QStringLiteral("59640") << 59640;
    QTest::newRow("lowest") << QStringLiteral("1") << 1;
    QTest::newRow("highest") << QStringLiteral("65535") << 65535;
    QTest::newRow("leading zeros") << QStringLiteral("00080") << 80;
    QTest::newRow("empty") << QString() << 0;
    QTest::newRow("zero") << QStringLiteral("0") << 0;
    QTest::newRow("just above") << QStringLiteral("65536") << 0;
    QTest::newRow("six digits") << QStringLiteral("100000") << 0;
    QTest::newRow("sign") << QStringLiteral("-1") << 0;
    QTest::newRow("blank") << QStringLiteral(" 80") << 0;
    QTest::newRow("full-width digits") << QStringLiteral("８０") << 0;
}

void tst_DirectoryEdit::portTextMustNameAnOpenablePort()
{
    QFETCH(QString, text);
    QFETCH(int, port);
    QCOMPARE(parseLocalPort(text).value_or(0), port);
}

QTEST_GUILESS_MAIN(tst_DirectoryEdit)
#include "tst_directoryedit.moc"
