#include "userdirectory.h"
#include "cp932.h"
#include "messengerfixture.h"

#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>

#include <map>

// The send paths of a real main window on 127.0.0.3, sending to plain
// sockets standing in for other messengers on 127.0.0.2, .4, .5 and .6.
class tst_SendPath : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void messageGoesToSelectedRowsNotMarkedNotHeard();
    void oneAddresseeIsLoggedOnOneLine();
    void ownNameAndTextTravelInCodePage932();
    void typedLineBreaksTravelAsCrLf();
    void refusedSendsSayWhyAndKeepTheText_data();
    void refusedSendsSayWhyAndKeepTheText();
    void firstFailedSendStopsTheRest_data();
    void firstFailedSendStopsTheRest();
    void announceSendsEmptyDatagramThenEveryRow();
    void goodbyeGoesToEveryRow();
    void columnClicksToggleTheOrderAndSwitchTheKey();
    void popupEntriesFollowTheRowAndTheGamePrograms_data();
    void popupEntriesFollowTheRowAndTheGamePrograms();
    void popupNeedsARightPressOnASelectedRow();

private:
    QTreeWidgetItem *addRow(const QString &name, const QString &mark, const QString &address);
    void select(const QList<QTreeWidgetItem *> &rows);
    void clickSend() { QTest::mouseClick(m_window->findChild<QPushButton *>("CmdSend"), Qt::LeftButton); }
    QPlainTextEdit *txtS() const { return m_window->findChild<QPlainTextEdit *>("txtS"); }
    QStringList names() const;
    void rightPress(QTreeWidgetItem *row);
    // The messenger's own datagram of kind with data.
    static QByteArray own(const char *kind, const QString &data = {})
    {
        return Cp932::encode(
            QString(QLatin1String(kind) + QStringLiteral("<USERNAME>me<IPADDR>127.0.0.3<GAMEID><DATA>") + data));
    }

    quint16 m_port = 0;
    std::unique_ptr<MessengerFixture> m_me;
    std::map<QString, std::unique_ptr<UdpPeer>> m_peers;
    std::unique_ptr<MessageBoxRecorder> m_boxes;
    frm_pelwickUDP *m_window = nullptr;
    QList<QMenu *> m_popups;
};

namespace {
const QString Peer2 = QStringLiteral("127.0.0.2");
const QString Peer4 = QStringLiteral("127.0.0.4");
const QString Peer5 = QStringLiteral("127.0.0.5");
const QString Peer6 = QStringLiteral("127.0.0.6");
const QString Heard = QStringLiteral("○");
const QString InGame = QStringLiteral("★");
const QString NotHeard = QStringLiteral("×");
} // namespace

void tst_SendPath::init()
{
    m_port = freeUdpPort({ QStringLiteral("127.0.0.3"), Peer2, Peer4, Peer5, Peer6 });
    QVERIFY(m_port);
    m_boxes = std::make_unique<MessageBoxRecorder>();
    for (const QString &address : { Peer2, Peer4, Peer5, Peer6 }) {
        m_peers[address] = std::make_unique<UdpPeer>(address, m_port);
        QVERIFY(m_peers[address]->isBound());
    }
    m_me = std::make_unique<MessengerFixture>(QStringLiteral("127.0.0.3"), m_port);
    m_window = m_me->start();
    QVERIFY(m_window);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
    m_popups.clear();
    m_window->setPopupHook([this](QMenu *menu) { m_popups.append(menu); });
}

void tst_SendPath::cleanup()
{
    m_me.reset();
    m_peers.clear();
    m_boxes.reset();
    m_window = nullptr;
}

QTreeWidgetItem *tst_SendPath::addRow(const QString &name, const QString &mark, const QString &address)
{
    return m_window->session()->directory()->appendRow(name, mark, address);
}

void tst_SendPath::select(const QList<QTreeWidgetItem *> &rows)
{
    m_window->ListUser()->clearSelection();
    for (QTreeWidgetItem *row : rows)
        row->setSelected(true);
}

QStringList tst_SendPath::names() const
{
    QStringList result;
    for (int i = 0; i < m_window->session()->directory()->rowCount(); ++i)
        result.append(m_window->session()->directory()->name(i));
    return result;
}

void tst_SendPath::rightPress(QTreeWidgetItem *row)
{
    UserListView *list = m_window->ListUser();
    QTest::mousePress(list->viewport(), Qt::RightButton, {}, list->visualItemRect(row).center());
    QTest::mouseRelease(list->viewport(), Qt::RightButton, {}, list->visualItemRect(row).center());
}

void tst_SendPath::messageGoesToSelectedRowsNotMarkedNotHeard()
{
    QTreeWidgetItem *yamada = addRow(QStringLiteral(" 山田 "), Heard, Peer2);
    QTreeWidgetItem *sato = addRow(QStringLiteral("佐藤"), InGame, Peer4);
    QTreeWidgetItem *suzuki = addRow(QStringLiteral("鈴木"), NotHeard, Peer5);
    addRow(QStringLiteral("unselected"), Heard, Peer6);
    select({ yamada, sato, suzuki });
    m_window->ShowStatus(QStringLiteral("old status"));
    txtS()->setPlainText(QStringLiteral("  こんにちは ～ 1  "));
    clickSend();

    const QByteArray expected = own("11", QStringLiteral("こんにちは ～ 1"));
    QCOMPARE(m_peers[Peer2]->next(), expected);
    QCOMPARE(m_peers[Peer4]->next(), expected);
    QVERIFY(!m_peers[Peer5]->next(300));
    QVERIFY(!m_peers[Peer6]->next(100));
    QVERIFY(!m_peers[Peer2]->next(100));

    // Header, then the second addressee under 20 spaces (the bytes of the
    // header), the trimmed text and an empty line.
    const QRegularExpression block(
        QStringLiteral("^\\[Send\\] Time:\\d\\d:\\d\\d:\\d\\d,相手:山田\r\n {20},相手:佐藤\r\n"
                       "こんにちは ～ 1\r\n\r\n$"));
    QVERIFY2(block.match(m_window->logText()).hasMatch(), qPrintable(m_window->logText()));
    QCOMPARE(m_window->statusText(), QString());
    QCOMPARE(txtS()->toPlainText(), QString());
    QCOMPARE(m_window->focusWidget(), txtS());
}

void tst_SendPath::oneAddresseeIsLoggedOnOneLine()
{
    select({ addRow(QStringLiteral("a"), Heard, Peer2) });
    txtS()->setPlainText(QStringLiteral("first"));
    clickSend();
    QCOMPARE(m_peers[Peer2]->next(), own("11", "first"));
    txtS()->setPlainText(QStringLiteral("second "));
    clickSend();
    QCOMPARE(m_peers[Peer2]->next(), own("11", "second"));

    const QRegularExpression log(QStringLiteral("^\\[Send\\] Time:\\d\\d:\\d\\d:\\d\\d,相手:a\r\nfirst\r\n\r\n"
                                                "\\[Send\\] Time:\\d\\d:\\d\\d:\\d\\d,相手:a\r\nsecond\r\n\r\n$"));
    QVERIFY2(log.match(m_window->logText()).hasMatch(), qPrintable(m_window->logText()));
}

void tst_SendPath::ownNameAndTextTravelInCodePage932()
{
    m_window->localSettings().UserName = QStringLiteral("山田～");
    select({ addRow(QStringLiteral("佐藤"), Heard, Peer2) });
    txtS()->setPlainText(QStringLiteral("①ｱ－∥"));
    clickSend();
    QCOMPARE(m_peers[Peer2]->next(),
        QByteArray("11<USERNAME>\x8eR\x93\x63\x81\x60<IPADDR>127.0.0.3<GAMEID><DATA>"
                   "\x87\x40\xb1\x81\x7c\x81\x61"));
}

void tst_SendPath::typedLineBreaksTravelAsCrLf()
{
    select({ addRow(QStringLiteral("a"), Heard, Peer2) });
    txtS()->setFocus();
    QTest::keyClicks(txtS(), QStringLiteral(" line1"));
    QTest::keyClick(txtS(), Qt::Key_Return);
    QTest::keyClicks(txtS(), QStringLiteral("line2"));
    QTest::keyClick(txtS(), Qt::Key_Return, Qt::ShiftModifier);
    QTest::keyClicks(txtS(), QStringLiteral("line3 "));
    QCOMPARE(txtS()->toPlainText().count(QLatin1Char('\r')), 0);
    clickSend();

    QCOMPARE(m_peers[Peer2]->next(), own("11", QStringLiteral("line1\r\nline2\r\nline3")));
    QVERIFY2(m_window->logText().endsWith(QStringLiteral(",相手:a\r\nline1\r\nline2\r\nline3\r\n\r\n")),
        qPrintable(m_window->logText()));

    // A pasted CR LF or lone CR is one line break, not two.
    txtS()->setPlainText(QStringLiteral("x\r\ny\rz"));
    clickSend();
    QCOMPARE(m_peers[Peer2]->next(), own("11", QStringLiteral("x\r\ny\r\nz")));
}

void tst_SendPath::refusedSendsSayWhyAndKeepTheText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("mark");
    QTest::addColumn<bool>("selected");
    QTest::addColumn<QString>("status");
    QTest::addColumn<QString>("focus");

    QTest::newRow("only spaces") << "    " << Heard << true << QStringLiteral("送信メッセージを入力して下さい。")
                                 << "txtS";
    QTest::newRow("empty") << "" << Heard << true << QStringLiteral("送信メッセージを入力して下さい。") << "txtS";
    QTest::newRow("nobody selected") << "hello" << Heard << false << QStringLiteral("送信先の相手を選択して下さい。")
                                     << "ListUser";
    QTest::newRow("only not-heard rows selected")
        << "hello" << NotHeard << true << QStringLiteral("通信状態が○の対象者を設定して下さい。") << "";
}

void tst_SendPath::refusedSendsSayWhyAndKeepTheText()
{
    QFETCH(QString, text);
    QFETCH(QString, mark);
    QFETCH(bool, selected);
    QFETCH(QString, status);
    QFETCH(QString, focus);

    QTreeWidgetItem *row = addRow(QStringLiteral("a"), mark, Peer2);
    addRow(QStringLiteral("b"), NotHeard, Peer4)->setSelected(selected);
    row->setSelected(selected);
    m_window->findChild<QPushButton *>("CmdClear")->setFocus();
    txtS()->setPlainText(text);
    clickSend();

    QCOMPARE(m_window->statusText(), status);
    QCOMPARE(txtS()->toPlainText(), text);
    QCOMPARE(m_window->logText(), QString());
    if (!focus.isEmpty())
        QCOMPARE(m_window->focusWidget()->objectName(), focus);
    QVERIFY(!m_peers[Peer2]->next(300));
    QVERIFY(!m_peers[Peer4]->next(100));
}

void tst_SendPath::firstFailedSendStopsTheRest_data()
{
    QTest::addColumn<QString>("badAddress");
    QTest::addColumn<int>("textLength");
    QTest::addColumn<bool>("firstReached");

    QTest::newRow("address that is no IPv4 address") << "127.0.0.300" << 10 << true;
    QTest::newRow("host name") << "localhost" << 10 << true;
    // Too long for one datagram: the very first send fails.
    QTest::newRow("message too long") << "127.0.0.5" << 70000 << false;
}

void tst_SendPath::firstFailedSendStopsTheRest()
{
    QFETCH(QString, badAddress);
    QFETCH(int, textLength);
    QFETCH(bool, firstReached);

    const QString text(textLength, QLatin1Char('x'));
    select({ addRow("a", Heard, Peer2), addRow("bad", Heard, badAddress), addRow("c", Heard, Peer4) });
    txtS()->setPlainText(text);
    clickSend();

    QCOMPARE(m_window->statusText(), QStringLiteral("送信に失敗しました。"));
    if (firstReached)
        QCOMPARE(m_peers[Peer2]->next(), own("11", text));
    QVERIFY(!m_peers[Peer4]->next(300));
    QVERIFY(!m_peers[Peer2]->next(100));
    QCOMPARE(m_window->logText(), QString());
    QCOMPARE(txtS()->toPlainText(), text);
}

void tst_SendPath::announceSendsEmptyDatagramThenEveryRow()
{
    // The announcement goes to every row whatever its state or selection.
    select({ addRow("a", Heard, Peer2) });
    addRow("b", NotHeard, Peer4);
    addRow("c", InGame, Peer5);
    txtS()->setPlainText(QStringLiteral("hi"));
    clickSend();
    QCOMPARE(m_peers[Peer2]->next(), own("11", "hi"));

    // The empty datagram goes to the last addressee, ahead of its 01.
    m_window->PerformKind(QStringLiteral("01"));
    QCOMPARE(m_peers[Peer2]->next(), QByteArray(""));
    QCOMPARE(m_peers[Peer2]->next(), own("01"));
    QCOMPARE(m_peers[Peer4]->next(), own("01"));
    QCOMPARE(m_peers[Peer5]->next(), own("01"));
    QVERIFY(!m_peers[Peer2]->next(300));
    QVERIFY(!m_peers[Peer4]->next(100));
    QVERIFY(!m_peers[Peer6]->next(100));
}

void tst_SendPath::goodbyeGoesToEveryRow()
{
    addRow("a", Heard, Peer2);
    addRow("b", NotHeard, Peer4);
    addRow("c", InGame, Peer5);
    m_window->PerformKind(QStringLiteral("99"));
    for (const QString &peer : { Peer2, Peer4, Peer5 })
        QCOMPARE(m_peers[peer]->next(), own("99"));
    // No empty datagram ahead of a goodbye.
    QVERIFY(!m_peers[Peer2]->next(300));
    QVERIFY(!m_peers[Peer4]->next(100));
}

void tst_SendPath::columnClicksToggleTheOrderAndSwitchTheKey()
{
    addRow("b", Heard, QStringLiteral("127.0.0.2"));
    addRow("c", InGame, QStringLiteral("127.0.0.7"));
    addRow("a", NotHeard, QStringLiteral("127.0.0.5"));
    QHeaderView *header = m_window->ListUser()->header();
    auto click = [&](int column) {
        const QPoint at(
            header->sectionViewportPosition(column) + header->sectionSize(column) / 2, header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
    };

    click(0);
    QCOMPARE(names(), QStringList({ "c", "b", "a" }));
    click(0);
    QCOMPARE(names(), QStringList({ "a", "b", "c" }));
    // Another column: the order opposite to the one in force.
    click(2);
    QCOMPARE(names(), QStringList({ "c", "a", "b" }));
    click(2);
    QCOMPARE(names(), QStringList({ "b", "a", "c" }));
    click(0);
    QCOMPARE(names(), QStringList({ "c", "b", "a" }));

    // A row that arrives later takes its place in the order in force, and is
    // still found by its address.
    m_window->session()->directory()->SetUserMark("bb", QStringLiteral("127.0.0.9"), Heard);
    QCOMPARE(names(), QStringList({ "c", "bb", "b", "a" }));
    m_window->session()->directory()->SetUserMark("renamed", QStringLiteral("127.0.0.9"), InGame);
    QCOMPARE(m_window->session()->directory()->rowCount(), 4);
}

void tst_SendPath::popupEntriesFollowTheRowAndTheGamePrograms_data()
{
    QTest::addColumn<QString>("mark");
    QTest::addColumn<bool>("gomoku");
    QTest::addColumn<bool>("othello");
    QTest::addColumn<bool>("game");
    QTest::addColumn<bool>("remove");

    QTest::newRow("in game, both programs") << InGame << true << true << false << false;
    QTest::newRow("not heard, both programs") << NotHeard << true << true << false << false;
    QTest::newRow("heard, no programs") << Heard << false << false << false << true;
    QTest::newRow("heard, gomoku") << Heard << true << false << true << true;
    QTest::newRow("heard, othello") << Heard << false << true << true << true;
    QTest::newRow("heard, both") << Heard << true << true << true << true;
}

void tst_SendPath::popupEntriesFollowTheRowAndTheGamePrograms()
{
    QFETCH(QString, mark);
    QFETCH(bool, gomoku);
    QFETCH(bool, othello);
    QFETCH(bool, game);
    QFETCH(bool, remove);

    for (const auto &[name, present] : { std::pair { "GOMOKU", gomoku }, std::pair { "OTHELLO", othello } }) {
        if (!present)
            continue;
        QFile program(QDir(m_me->programDir()).filePath(QLatin1String(name)));
        QVERIFY(program.open(QIODevice::WriteOnly));
        program.write("#!/bin/sh\n");
        program.close();
        QVERIFY(program.setPermissions(program.permissions() | QFileDevice::ExeOwner));
    }
    addRow("other", Heard, Peer4);
    QTreeWidgetItem *row = addRow("target", mark, Peer2);
    rightPress(row);

    QCOMPARE(m_popups.size(), 1);
    QCOMPARE(m_popups.first(), m_window->menuListUser);
    QVERIFY(row->isSelected());
    QVERIFY(m_window->menuListUserLanCheck->isVisible());
    QCOMPARE(m_window->menuGame->isVisible(), game);
    QCOMPARE(m_window->menuRemove->isVisible(), remove);
    if (game) {
        QCOMPARE(m_window->menuGame_Gomoku->isVisible(), gomoku);
        QCOMPARE(m_window->menuGame_Osero->isVisible(), othello);
    }
}

void tst_SendPath::popupNeedsARightPressOnASelectedRow()
{
    UserListView *list = m_window->ListUser();
    QTreeWidgetItem *row = addRow("a", Heard, Peer2);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(row).center());
    QVERIFY(row->isSelected());
    QTest::mouseClick(list->viewport(), Qt::MiddleButton, {}, list->visualItemRect(row).center());
    QVERIFY(m_popups.isEmpty());

    // Nothing selected, and a right press below the last row selects
    // nothing: no menu.
    list->clearSelection();
    const QPoint below(list->visualItemRect(row).center().x(), list->visualItemRect(row).bottom() + 40);
    QVERIFY(list->viewport()->rect().contains(below));
    QTest::mousePress(list->viewport(), Qt::RightButton, {}, below);
    QVERIFY(list->selectedItems().isEmpty());
    QVERIFY(m_popups.isEmpty());

    rightPress(row);
    QCOMPARE(m_popups.size(), 1);
}

QTEST_MAIN(tst_SendPath)
#include "tst_sendpath.moc"
