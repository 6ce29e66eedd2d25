#include "sessionfixture.h"

#include <QRegularExpression>
#include <QTest>

#include <map>

// The send paths of a session on 127.0.0.3, sending to plain sockets that
// stand in for other messengers on 127.0.0.2, .4, .5 and .6. What each peer
// got is read up to a goodbye the session sends last, so every check that
// nothing else arrived is exact without waiting for silence.
class tst_SessionSend : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void messageGoesToGivenRowsNotMarkedNotHeard();
    void rowsGoOutInListOrderEachOnce();
    void oneAddresseeIsLoggedOnOneLine();
    void ownNameAndTextTravelInCodePage932();
    void lineBreaksTravelAsCrLf();
    void onlyNotHeardRowsSendNothing();
    void firstFailedSendStopsTheRest_data();
    void firstFailedSendStopsTheRest();
    void announceSendsEmptyDatagramThenEveryRow();
    void connectionCheckMarksEveryRowNotHeardThenAnswersMark();
    void removalRequestGoesToGivenHeardRowsOnly();
    void sortOrderStaysInForceAndRowsAreFoundByAddress();

private:
    void addRow(const QString &name, PresenceMark mark, const QString &address)
    {
        m_me->directory()->appendRow(name, mark, address);
    }
    // What peer got, up to the goodbye that goes out to every row now.
    QList<QByteArray> received(const QString &peer);
    QStringList names() const;

    quint16 m_port = 0;
    std::unique_ptr<SessionFixture> m_me;
    std::map<QString, std::unique_ptr<UdpPeer>> m_peers;
    MessengerSession *m_session = nullptr;
};

namespace {
const QString Me = QStringLiteral("127.0.0.3");
const QString Peer2 = QStringLiteral("127.0.0.2");
const QString Peer4 = QStringLiteral("127.0.0.4");
const QString Peer5 = QStringLiteral("127.0.0.5");
const QString Peer6 = QStringLiteral("127.0.0.6");
constexpr PresenceMark Heard = PresenceMark::HeardFrom;
constexpr PresenceMark InGame = PresenceMark::InGame;
constexpr PresenceMark NotHeard = PresenceMark::NotHeard;
} // namespace

void tst_SessionSend::init()
{
    m_port = freeUdpPort({ Me, Peer2, Peer4, Peer5, Peer6 });
    QVERIFY(m_port);
    for (const QString &address : { Peer2, Peer4, Peer5, Peer6 }) {
        m_peers[address] = std::make_unique<UdpPeer>(address, m_port);
        QVERIFY(m_peers[address]->isBound());
    }
    m_me = std::make_unique<SessionFixture>(Me, m_port);
    m_session = m_me->start();
    QVERIFY(m_session);
}

void tst_SessionSend::cleanup()
{
    m_session = nullptr;
    m_me.reset();
    m_peers.clear();
}

QList<QByteArray> tst_SessionSend::received(const QString &peer)
{
    m_session->presence()->sayGoodbye();
    const auto got = SessionFixture::receiveUntil(*m_peers[peer], m_me->own("99"));
    if (!got) {
        qWarning("%s got no goodbye", qPrintable(peer));
        return { "<no goodbye>" };
    }
    return *got;
}

QStringList tst_SessionSend::names() const
{
    QStringList result;
    for (int i = 0; i < m_me->directory()->rowCount(); ++i)
        result.append(m_me->directory()->name(i));
    return result;
}

void tst_SessionSend::messageGoesToGivenRowsNotMarkedNotHeard()
{
    addRow(QStringLiteral(" 山田 "), Heard, Peer2);
    addRow(QStringLiteral("佐藤"), InGame, Peer4);
    addRow(QStringLiteral("鈴木"), NotHeard, Peer5);
    addRow(QStringLiteral("not given"), Heard, Peer6);
    QCOMPARE(
        m_session->sendMessage(QStringLiteral("  こんにちは ～ 1  "), { 0, 1, 2 }), MessengerSession::SendResult::Sent);

    const QByteArray expected = m_me->own("11", {}, QStringLiteral("こんにちは ～ 1"));
    QCOMPARE(received(Peer2), QList<QByteArray> { expected });
    QCOMPARE(m_peers[Peer4]->next(), expected);
    QCOMPARE(m_peers[Peer5]->next(), m_me->own("99"));
    QCOMPARE(m_peers[Peer6]->next(), m_me->own("99"));

    // Header, then the second addressee under 20 spaces (the bytes of the
    // header), the trimmed text and an empty line.
    const QRegularExpression block(
        QStringLiteral("^\\[Send\\] Time:\\d\\d:\\d\\d:\\d\\d,相手:山田\r\n {20},相手:佐藤\r\n"
                       "こんにちは ～ 1\r\n\r\n$"));
    QVERIFY2(block.match(m_me->log).hasMatch(), qPrintable(m_me->log));
    QCOMPARE(m_me->status, QString());
}

void tst_SessionSend::rowsGoOutInListOrderEachOnce()
{
    // A selection reports its rows in the order they were picked.
    addRow(QStringLiteral("a"), Heard, Peer2);
    addRow(QStringLiteral("b"), Heard, Peer4);
    QCOMPARE(m_session->sendMessage(QStringLiteral("hi"), { 1, 0, 1 }), MessengerSession::SendResult::Sent);
    QVERIFY2(m_me->log.endsWith(QStringLiteral(",相手:a\r\n") + QString(20, QLatin1Char(' '))
                 + QStringLiteral(",相手:b\r\nhi\r\n\r\n")),
        qPrintable(m_me->log));
    QCOMPARE(received(Peer4), QList<QByteArray> { m_me->own("11", {}, "hi") });
    QCOMPARE(m_peers[Peer2]->next(), m_me->own("11", {}, "hi"));
    QCOMPARE(m_peers[Peer2]->next(), m_me->own("99"));

    QVERIFY(m_session->presence()->sendRemovalRequest({ 0, 0 }));
    QCOMPARE(received(Peer2), QList<QByteArray> { m_me->own("40") });
}

void tst_SessionSend::oneAddresseeIsLoggedOnOneLine()
{
    addRow(QStringLiteral("a"), Heard, Peer2);
    m_session->sendMessage(QStringLiteral("first"), { 0 });
    m_session->sendMessage(QStringLiteral("second "), { 0 });
    QCOMPARE(received(Peer2), QList<QByteArray>({ m_me->own("11", {}, "first"), m_me->own("11", {}, "second") }));

    const QRegularExpression log(QStringLiteral("^\\[Send\\] Time:\\d\\d:\\d\\d:\\d\\d,相手:a\r\nfirst\r\n\r\n"
                                                "\\[Send\\] Time:\\d\\d:\\d\\d:\\d\\d,相手:a\r\nsecond\r\n\r\n$"));
    QVERIFY2(log.match(m_me->log).hasMatch(), qPrintable(m_me->log));
}

void tst_SessionSend::ownNameAndTextTravelInCodePage932()
{
    m_session->localSettings().UserName = QStringLiteral("山田～");
    addRow(QStringLiteral("佐藤"), Heard, Peer2);
    m_session->sendMessage(QStringLiteral("①ｱ－∥"), { 0 });
    QCOMPARE(m_peers[Peer2]->next(),
        QByteArray("11<USERNAME>\x8eR\x93\x63\x81\x60<IPADDR>127.0.0.3<GAMEID><DATA>"
                   "\x87\x40\xb1\x81\x7c\x81\x61"));
    // As Linux input methods type them: the same pairs.
    m_session->localSettings().UserName = QStringLiteral("山田〜");
    m_session->sendMessage(QStringLiteral("よろしく〜−‖¢£¬—"), { 0 });
    QCOMPARE(m_peers[Peer2]->next(),
        QByteArray("11<USERNAME>\x8eR\x93\x63\x81\x60<IPADDR>127.0.0.3<GAMEID><DATA>"
                   "\x82\xe6\x82\xeb\x82\xb5\x82\xad\x81\x60\x81\x7c\x81\x61\x81\x91\x81\x92\x81\xca\x81\x5c"));
}

void tst_SessionSend::lineBreaksTravelAsCrLf()
{
    addRow(QStringLiteral("a"), Heard, Peer2);
    // As an edit control reports typed breaks; pasted CR LF or lone CR is
    // one break, not two.
    m_session->sendMessage(QStringLiteral(" line1\nline2") + QChar::LineSeparator + QStringLiteral("line3 "), { 0 });
    m_session->sendMessage(QStringLiteral("x\r\ny\rz") + QChar::ParagraphSeparator + QStringLiteral("w"), { 0 });
    QCOMPARE(received(Peer2),
        QList<QByteArray>({ m_me->own("11", {}, QStringLiteral("line1\r\nline2\r\nline3")),
            m_me->own("11", {}, QStringLiteral("x\r\ny\r\nz\r\nw")) }));
    QVERIFY2(m_me->log.contains(QStringLiteral(",相手:a\r\nline1\r\nline2\r\nline3\r\n\r\n")), qPrintable(m_me->log));
}

void tst_SessionSend::onlyNotHeardRowsSendNothing()
{
    addRow(QStringLiteral("a"), NotHeard, Peer2);
    addRow(QStringLiteral("b"), NotHeard, Peer4);
    QCOMPARE(m_session->sendMessage(QStringLiteral("hello"), { 0, 1 }), MessengerSession::SendResult::NoAddressee);
    QCOMPARE(m_session->sendMessage(QStringLiteral("hello"), { 2, -1 }), MessengerSession::SendResult::NoAddressee);
    QCOMPARE(m_me->status, QStringLiteral("通信状態が○の対象者を設定して下さい。"));
    QCOMPARE(m_me->log, QString());
    QCOMPARE(received(Peer2), QList<QByteArray>());
    QCOMPARE(m_peers[Peer4]->next(), m_me->own("99"));
}

void tst_SessionSend::firstFailedSendStopsTheRest_data()
{
    QTest::addColumn<QString>("badAddress");
    QTest::addColumn<int>("textLength");
    QTest::addColumn<bool>("firstReached");

    QTest::newRow("address that is no IPv4 address") << "127.0.0.300" << 10 << true;
    QTest::newRow("host name") << "localhost" << 10 << true;
    // Too long for one datagram: the very first send fails.
    QTest::newRow("message too long") << Peer5 << 70000 << false;
}

void tst_SessionSend::firstFailedSendStopsTheRest()
{
    QFETCH(QString, badAddress);
    QFETCH(int, textLength);
    QFETCH(bool, firstReached);

    const QString text(textLength, QLatin1Char('x'));
    addRow("a", Heard, Peer2);
    addRow("bad", Heard, badAddress);
    addRow("c", Heard, Peer4);
    QCOMPARE(m_session->sendMessage(text, { 0, 1, 2 }), MessengerSession::SendResult::Failed);

    QCOMPARE(m_me->status, QStringLiteral("送信に失敗しました。"));
    QCOMPARE(m_me->log, QString());
    QCOMPARE(received(Peer2), firstReached ? QList<QByteArray> { m_me->own("11", {}, text) } : QList<QByteArray>());
    QCOMPARE(m_peers[Peer4]->next(), m_me->own("99"));
}

void tst_SessionSend::announceSendsEmptyDatagramThenEveryRow()
{
    // The announcement goes to every row whatever its state, under the
    // name in force now.
    addRow("a", Heard, Peer2);
    addRow("b", NotHeard, Peer4);
    addRow("c", InGame, Peer5);
    m_session->sendMessage(QStringLiteral("hi"), { 0 });
    m_session->localSettings().UserName = QStringLiteral("新しい名前");

    // The empty datagram goes to the last addressee, ahead of its 01.
    m_session->presence()->announce();
    const QByteArray announcement = m_me->own("01");
    QCOMPARE(announcement, buildDatagram("01", QStringLiteral("新しい名前"), Me));
    QCOMPARE(received(Peer2), QList<QByteArray>({ buildDatagram("11", "me", Me, {}, "hi"), "", announcement }));
    QCOMPARE(received(Peer4), QList<QByteArray> { announcement });
    QCOMPARE(m_peers[Peer5]->next(), announcement);
    QCOMPARE(m_peers[Peer5]->next(), m_me->own("99"));
    // The goodbye goes to every row with no empty datagram ahead of it.
    QCOMPARE(m_peers[Peer5]->next(), m_me->own("99"));
    QCOMPARE(m_me->sentTo(*m_peers[Peer6]), QList<QByteArray>());

    // A pinned own address is what every datagram names from then on.
    m_session->channel()->setPinnedAddress(QStringLiteral("10.20.30.40"));
    m_session->presence()->announce();
    std::optional<QByteArray> got;
    do
        got = m_peers[Peer4]->next();
    while (got && !got->startsWith("01"));
    QCOMPARE(
        got.value_or(QByteArray()), buildDatagram("01", QStringLiteral("新しい名前"), QStringLiteral("10.20.30.40")));
}

void tst_SessionSend::connectionCheckMarksEveryRowNotHeardThenAnswersMark()
{
    addRow("peer", Heard, Peer2);
    addRow("silent", Heard, QStringLiteral("127.0.0.7"));
    addRow("player", InGame, Peer4);
    // Rows enough for the announcement to go out in several steps; the last
    // row is reached too, and the further broadcast addresses after it.
    for (int i = 0; i < 120; ++i)
        addRow("away", NotHeard, QStringLiteral("127.0.9.%1").arg(i + 1));
    addRow("last", Heard, Peer6);
    m_session->localSettings().Broadcast = true;
    m_session->localSettings().BroadcastTo = { Peer5, QStringLiteral("no address") };
    m_session->presence()->checkConnections();
    for (int i = 0; i < m_me->directory()->rowCount(); ++i)
        QCOMPARE(m_me->directory()->mark(i), NotHeard);
    // The empty datagram went to the session's own address (nothing was
    // sent before), then 01 to each row.
    QCOMPARE(m_peers[Peer2]->next(), m_me->own("01"));
    QCOMPARE(m_peers[Peer4]->next(), m_me->own("01"));
    QCOMPARE(m_peers[Peer6]->next(), m_me->own("01"));
    QCOMPARE(m_peers[Peer5]->next(), m_me->own("01"));

    m_peers[Peer2]->send("02<USERNAME>peer<IPADDR>127.0.0.2<GAMEID><DATA>", Me);
    m_peers[Peer4]->send("02<USERNAME>player<IPADDR>127.0.0.4<GAMEID>01<DATA>", Me);
    QTRY_COMPARE(m_me->directory()->mark(2), InGame);
    QTRY_COMPARE(m_me->directory()->mark(0), Heard);
    QCOMPARE(m_me->directory()->mark(1), NotHeard);
}

void tst_SessionSend::removalRequestGoesToGivenHeardRowsOnly()
{
    addRow("heard", Heard, Peer2);
    addRow("silent", NotHeard, Peer4);
    addRow("player", InGame, Peer5);
    addRow("not given", Heard, Peer6);
    QVERIFY(m_session->presence()->sendRemovalRequest({ 0, 1, 2 }));
    // The requests leave the rows to the caller.
    QCOMPARE(m_me->directory()->rowCount(), 4);
    QCOMPARE(received(Peer2), QList<QByteArray> { m_me->own("40") });
    for (const QString &peer : { Peer4, Peer5, Peer6 })
        QCOMPARE(m_peers[peer]->next(), m_me->own("99"));

    // The first failed send stops the rest.
    addRow("bad", Heard, QStringLiteral("localhost"));
    addRow("after", Heard, Peer4);
    QVERIFY(!m_session->presence()->sendRemovalRequest({ 5, 4 }));
    QCOMPARE(m_me->status, QStringLiteral("送信に失敗しました。"));
    QCOMPARE(received(Peer4), QList<QByteArray>());
}

void tst_SessionSend::sortOrderStaysInForceAndRowsAreFoundByAddress()
{
    UserDirectory *list = m_me->directory();
    addRow("b", Heard, QStringLiteral("127.0.0.2"));
    addRow("c", InGame, QStringLiteral("127.0.0.7"));
    addRow("a", NotHeard, QStringLiteral("127.0.0.5"));

    list->sort(UserDirectory::NameColumn, Qt::DescendingOrder);
    QCOMPARE(names(), QStringList({ "c", "b", "a" }));
    list->sort(UserDirectory::AddressColumn, Qt::AscendingOrder);
    QCOMPARE(names(), QStringList({ "b", "a", "c" }));
    list->sort(UserDirectory::MarkColumn, Qt::AscendingOrder);
    QCOMPARE(names(), QStringList({ "a", "b", "c" })); // × ○ ★ in code order
    list->sort(UserDirectory::NameColumn, Qt::DescendingOrder);

    // A row that arrives later takes its place in the order in force, and
    // a renamed one moves to its new place; both are still found by address.
    m_peers[Peer6]->send("01<USERNAME>bb<IPADDR>127.0.0.6<GAMEID><DATA>", Me);
    QCOMPARE(m_peers[Peer6]->next(), m_me->own("02"));
    QCOMPARE(names(), QStringList({ "c", "bb", "b", "a" }));
    m_peers[Peer5]->send("02<USERNAME>d<IPADDR>127.0.0.5<GAMEID><DATA>", Me);
    QTRY_COMPARE(names(), QStringList({ "d", "c", "bb", "b" }));
    QCOMPARE(list->rowOf(QStringLiteral("127.0.0.5")), 0);
    QCOMPARE(list->rowOf(QStringLiteral("127.0.0.6")), 2);
    QCOMPARE(list->mark(0), Heard);

    // Rows handed to the send paths are positions in the sorted list.
    m_session->sendMessage(QStringLiteral("to bb"), { 2 });
    QCOMPARE(received(Peer6), QList<QByteArray> { m_me->own("11", {}, "to bb") });
    QVERIFY(m_me->log.contains(QStringLiteral(",相手:bb\r\n")));
}

QTEST_GUILESS_MAIN(tst_SessionSend)
#include "tst_session_send.moc"
