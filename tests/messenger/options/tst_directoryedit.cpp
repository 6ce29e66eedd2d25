#include "directoryedit.h"

#include <QTest>

using Rows = QList<DirectoryEntry>;
Q_DECLARE_METATYPE(Rows)

namespace {

const Rows ThreeUsers { { QStringLiteral("佐藤"), QStringLiteral("192.168.0.10") },
    { QStringLiteral("鈴木"), QStringLiteral("192.168.0.11") },
    { QStringLiteral("高橋"), QStringLiteral("192.168.0.12") } };

} // namespace

class tst_DirectoryEdit : public QObject
{
    Q_OBJECT
private slots:
    void editIsKeyedByTheExactAddress_data();
    void editIsKeyedByTheExactAddress();
    void duplicateAddressesTouchOnlyTheFirstRow();
    void portTextMustNameAnOpenablePort_data();
    void portTextMustNameAnOpenablePort();
};

void tst_DirectoryEdit::editIsKeyedByTheExactAddress_data()
{
    QTest::addColumn<Rows>("before");
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("ip");
    QTest::addColumn<bool>("done");
    QTest::addColumn<Rows>("after");

    Rows renamed = ThreeUsers;
    renamed[1].UserName = QStringLiteral("鈴木二郎");
    QTest::newRow("update renames the row holding the address")
        << ThreeUsers << DirectoryEditMode::Update << QStringLiteral("鈴木二郎") << QStringLiteral("192.168.0.11")
        << true << renamed;
    QTest::newRow("update with the same name changes nothing")
        << ThreeUsers << DirectoryEditMode::Update << QStringLiteral("鈴木") << QStringLiteral("192.168.0.11") << true
        << ThreeUsers;

    Rows appended = ThreeUsers;
    appended.append({ QStringLiteral("伊藤"), QStringLiteral("192.168.0.13") });
    QTest::newRow("update of a new address appends")
        << ThreeUsers << DirectoryEditMode::Update << QStringLiteral("伊藤") << QStringLiteral("192.168.0.13") << true
        << appended;

    Rows blankAppended = ThreeUsers;
    blankAppended.append({ QStringLiteral("鈴木"), QStringLiteral("192.168.0.11 ") });
    QTest::newRow("address compared without trimming")
        << ThreeUsers << DirectoryEditMode::Update << QStringLiteral("鈴木") << QStringLiteral("192.168.0.11 ") << true
        << blankAppended;

    Rows removed = ThreeUsers;
    removed.removeAt(0);
    QTest::newRow("delete removes the row whatever the name")
        << ThreeUsers << DirectoryEditMode::Delete << QString() << QStringLiteral("192.168.0.10") << true << removed;
    QTest::newRow("delete of an unknown address is not done")
        << ThreeUsers << DirectoryEditMode::Delete << QStringLiteral("佐藤") << QStringLiteral("192.168.0.99") << false
        << ThreeUsers;
    QTest::newRow("delete in an empty list is not done")
        << Rows() << DirectoryEditMode::Delete << QString() << QStringLiteral("192.168.0.10") << false << Rows();
}

void tst_DirectoryEdit::editIsKeyedByTheExactAddress()
{
    QFETCH(QString, mode);
    QFETCH(QString, name);
    QFETCH(QString, ip);
    QFETCH(bool, done);
    QFETCH(Rows, after);
    QFETCH(Rows, before);
    Rows rows = before;
    const DirectoryEdit edit = PlanDirectoryEdit(rows, mode, name, ip);
    QCOMPARE(edit.done, done);
    ApplyDirectoryEdit(rows, edit, name, ip);
    QCOMPARE(rows, after);
}

void tst_DirectoryEdit::duplicateAddressesTouchOnlyTheFirstRow()
{
    // A directory loaded from a hand-edited store may list an address twice.
    Rows rows { { QStringLiteral("a"), QStringLiteral("10.0.0.1") },
        { QStringLiteral("b"), QStringLiteral("10.0.0.1") } };
    DirectoryEdit edit
        = PlanDirectoryEdit(rows, DirectoryEditMode::Update, QStringLiteral("c"), QStringLiteral("10.0.0.1"));
    ApplyDirectoryEdit(rows, edit, QStringLiteral("c"), QStringLiteral("10.0.0.1"));
    QCOMPARE(rows,
        (Rows { { QStringLiteral("c"), QStringLiteral("10.0.0.1") },
            { QStringLiteral("b"), QStringLiteral("10.0.0.1") } }));

    edit = PlanDirectoryEdit(rows, DirectoryEditMode::Delete, QString(), QStringLiteral("10.0.0.1"));
    ApplyDirectoryEdit(rows, edit, QString(), QStringLiteral("10.0.0.1"));
    QCOMPARE(rows, (Rows { { QStringLiteral("b"), QStringLiteral("10.0.0.1") } }));
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
    QTest::newRow("five nines") << QStringLiteral("99999") << 0;
    QTest::newRow("six digits") << QStringLiteral("100000") << 0;
    QTest::newRow("sign") << QStringLiteral("-1") << 0;
    QTest::newRow("blank") << QStringLiteral(" 80") << 0;
    QTest::newRow("full-width digits") << QStringLiteral("８０") << 0;
}

void tst_DirectoryEdit::portTextMustNameAnOpenablePort()
{
    QFETCH(QString, text);
    QFETCH(int, port);
    const std::optional<qint32> parsed = ParseLocalPort(text);
    QCOMPARE(parsed.value_or(0), port);
}

QTEST_GUILESS_MAIN(tst_DirectoryEdit)
#include "tst_directoryedit.moc"
