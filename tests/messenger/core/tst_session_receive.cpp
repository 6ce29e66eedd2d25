#include "cp932.h"
#include "sessionfixture.h"
#include "settingsstore.h"

#include <QEventLoop>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTest>
#include <QThread>
#include <QTimer>

// The receive dispatch of a session on 127.0.0.3, driven by real datagrams
// from a peer socket on 127.0.0.2.
class tst_SessionReceive : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void announceFromNewAddressAddsRowAndIsAnsweredExactly();
    void presenceWithGameIdMarksInGameAndOnlyAnnouncementsAreAnswered();
    void knownAddressUnderNewNameIsRenamed();
    void onlyTheFirstOfTwoRowsWithOneAddressChanges();
    void textMessageIsLoggedAsOneBlock();
    void blankDatagramsChangeNothing();
    void goodbyeMarksNotHeardAndAddsUnknownSenders();
    void removalRequestRemovesTheSendersRow();
    void unknownKindShowsOneBoxUnderFloodAndKeepsAnswering();
    void everyPendingDatagramIsHandled();
    void burstWhileThisThreadIsBusyIsHandledWholeInOrder();
    void handlerWaitingInNestedLoopLetsLaterDatagramsThroughOnceEach();
    void broadcastAnnouncementsAreAnsweredLaterOncePerHost();
    void beyondTheQueuesBoundDatagramsAreDroppedAndSaidOnce();
    void largestDatagramIsReceived();
    void twoSessionsSeeEachOther();
    void inventedAddressesAddNothingAndRealPeersAllJoin();
    void onlyAHostItselfRenamesOrRemovesItsRow_data();
    void onlyAHostItselfRenamesOrRemovesItsRow();
    void otherSpellingsOfTheSourceAddNoRow_data();
    void otherSpellingsOfTheSourceAddNoRow();
    void longNamesAreCutWhereTheyAreKept();
    void oneHostCannotUseUpTheNewPeerCap();

private:
    void waitHandled(int count = 1) { QTRY_VERIFY_WITH_TIMEOUT(m_handled->size() >= count, 5000); }
    void send(const QByteArray &datagram) { m_peer->send(datagram, Me); }
    QStringList row(int i) const
    {
        const UserDirectory *d = m_me->directory();
        return { d->name(i), presenceGlyph(d->mark(i)), d->address(i) };
    }

    const QString Me = QStringLiteral("127.0.0.3");
    const QString Peer = QStringLiteral("127.0.0.2");
    quint16 m_port = 0;
    std::unique_ptr<SessionFixture> m_me;
    std::unique_ptr<UdpPeer> m_peer;
    MessengerSession *m_session = nullptr;
    std::unique_ptr<QSignalSpy> m_handled;
};

void tst_SessionReceive::init()
{
    m_port = freeUdpPort({ Peer, Me });
    QVERIFY(m_port);
    m_me = std::make_unique<SessionFixture>(Me, m_port);
    m_peer = std::make_unique<UdpPeer>(Peer, m_port);
    QVERIFY(m_peer->isBound());
    m_session = m_me->start();
    QVERIFY(m_session);
    m_handled = std::make_unique<QSignalSpy>(m_session, &MessengerSession::datagramHandled);
}

void tst_SessionReceive::cleanup()
{
    m_handled.reset();
    m_session = nullptr;
    m_me.reset();
    m_peer.reset();
}

void tst_SessionReceive::announceFromNewAddressAddsRowAndIsAnsweredExactly()
{
    send(Cp932::encode(QStringLiteral("01<USERNAME>山田<IPADDR>127.0.0.2<GAMEID><DATA>")));
    waitHandled();
    QCOMPARE(m_me->directory()->rowCount(), 1);
    QCOMPARE(row(0), QStringList({ QStringLiteral("山田"), QStringLiteral("○"), Peer }));
    QCOMPARE(m_peer->receive(), QByteArray("02<USERNAME>me<IPADDR>127.0.0.3<GAMEID><DATA>"));
}

void tst_SessionReceive::presenceWithGameIdMarksInGameAndOnlyAnnouncementsAreAnswered()
{
    // A listed row is updated whoever sends for it.
    m_me->directory()->appendRow("b", PresenceMark::NotHeard, "127.0.0.9");
    send("02<USERNAME>b<IPADDR>127.0.0.9<GAMEID>02<DATA>");
    send("01<USERNAME>a<IPADDR>127.0.0.2<GAMEID>01<DATA>");
    waitHandled(2);
    QCOMPARE(m_me->directory()->mark(0), PresenceMark::InGame);
    QCOMPARE(m_me->directory()->mark(1), PresenceMark::InGame);
    // One answer, to the announcement.
    QCOMPARE(m_peer->receive(), m_me->own("02"));
    QCOMPARE(m_me->sentTo(*m_peer), QList<QByteArray>());
}

void tst_SessionReceive::knownAddressUnderNewNameIsRenamed()
{
    m_me->directory()->appendRow("old", PresenceMark::NotHeard, Peer);
    QSignalSpy stored(m_me->directory(), &UserDirectory::entriesChanged);
    send("02<USERNAME>new<IPADDR>127.0.0.2<GAMEID><DATA>");
    waitHandled();
    QCOMPARE(m_me->directory()->rowCount(), 1);
    QCOMPARE(row(0), QStringList({ "new", "○", Peer }));
    // A rename changes what is stored.
    QCOMPARE(stored.size(), 1);
}

void tst_SessionReceive::onlyTheFirstOfTwoRowsWithOneAddressChanges()
{
    UserDirectory *list = m_me->directory();
    list->appendRow("first", PresenceMark::NotHeard, Peer);
    list->appendRow("second", PresenceMark::NotHeard, Peer);
    send("02<USERNAME>renamed<IPADDR>127.0.0.2<GAMEID><DATA>");
    waitHandled();
    QCOMPARE(row(0), QStringList({ "renamed", "○", Peer }));
    QCOMPARE(row(1), QStringList({ "second", "×", Peer }));

    send("40<USERNAME>x<IPADDR>127.0.0.2<GAMEID><DATA>");
    waitHandled(2);
    QCOMPARE(list->rowCount(), 1);
    QCOMPARE(list->name(0), QStringLiteral("second"));
    // The remaining row is found by its address again.
    send("02<USERNAME>back<IPADDR>127.0.0.2<GAMEID><DATA>");
    waitHandled(3);
    QCOMPARE(list->rowCount(), 1);
    QCOMPARE(list->name(0), QStringLiteral("back"));
}

void tst_SessionReceive::textMessageIsLoggedAsOneBlock()
{
    m_me->directory()->appendRow("sato", PresenceMark::NotHeard, Peer);
    QSignalSpy arrived(m_session, &MessengerSession::messageArrived);
    const QString text = QStringLiteral("こんにちは\r\n 2行目 ");
    send(buildDatagram("11", QStringLiteral("佐藤"), Peer, "99", text));
    waitHandled();
    const QRegularExpression block(QStringLiteral(
        "^\\[Recv\\] Time:\\d\\d:\\d\\d:\\d\\d,相手:佐藤\\(127\\.0\\.0\\.2\\)\r\nこんにちは\r\n 2行目 \r\n\r\n$"));
    QVERIFY2(block.match(m_me->log).hasMatch(), qPrintable(m_me->log));
    QCOMPARE(m_me->status, QStringLiteral("メッセージを受け付けました。"));
    QCOMPARE(row(0), QStringList({ QStringLiteral("佐藤"), "○", Peer }));
    // The window's cue carries the game id (99 opens the lamp).
    QCOMPARE(arrived.size(), 1);
    QCOMPARE(arrived.first().first().value<ParsedDatagram>().GameId, QStringLiteral("99"));

    // A second message is a block of its own behind the first.
    send(buildDatagram("11", QStringLiteral("佐藤"), Peer, "", "again"));
    waitHandled(2);
    QCOMPARE(m_me->log.count(QStringLiteral("[Recv]")), 2);
    QVERIFY(m_me->log.endsWith(QStringLiteral(")\r\nagain\r\n\r\n")));
    // Messages are not answered.
    QCOMPARE(m_me->sentTo(*m_peer), QList<QByteArray>());
}

void tst_SessionReceive::blankDatagramsChangeNothing()
{
    send("     ");
    send("");
    send("02<USERNAME>a<IPADDR>127.0.0.2<GAMEID><DATA>");
    waitHandled(1);
    QCOMPARE(m_handled->size(), 1);
    QCOMPARE(m_handled->first().first().toString(), QStringLiteral("02"));
    QCOMPARE(m_me->directory()->rowCount(), 1);
    m_me->deliverBoxes();
    QVERIFY(m_me->boxes.isEmpty());
    QCOMPARE(m_me->status, QString());
}

void tst_SessionReceive::goodbyeMarksNotHeardAndAddsUnknownSenders()
{
    m_me->directory()->appendRow("a", PresenceMark::HeardFrom, Peer);
    UdpPeer other(QStringLiteral("127.0.0.4"), m_me->port());
    send("99<USERNAME>a<IPADDR>127.0.0.2<GAMEID><DATA>");
    other.send("99<USERNAME>z<IPADDR>127.0.0.4<GAMEID><DATA>", Me);
    // A sender named from another address is nobody we know.
    send("99<USERNAME>y<IPADDR>10.9.9.9<GAMEID><DATA>");
    waitHandled(3);
    QCOMPARE(m_me->directory()->rowCount(), 2);
    QCOMPARE(row(0), QStringList({ "a", "×", Peer }));
    QCOMPARE(row(1), QStringList({ "z", "×", "127.0.0.4" }));
}

void tst_SessionReceive::removalRequestRemovesTheSendersRow()
{
    m_me->directory()->appendRow("a", PresenceMark::HeardFrom, Peer);
    m_me->directory()->appendRow("b", PresenceMark::HeardFrom, "127.0.0.4");
    send("40<USERNAME>a<IPADDR>127.0.0.2<GAMEID><DATA>");
    send("40<USERNAME>q<IPADDR>10.1.1.1<GAMEID><DATA>");
    waitHandled(2);
    QCOMPARE(m_me->directory()->rowCount(), 1);
    QCOMPARE(m_me->directory()->address(0), QStringLiteral("127.0.0.4"));
    QCOMPARE(m_me->sentTo(*m_peer), QList<QByteArray>());
}

void tst_SessionReceive::unknownKindShowsOneBoxUnderFloodAndKeepsAnswering()
{
    // The user reads the first box while the flood arrives.
    m_me->holdBoxes();
    send("12<USERNAME>x<IPADDR>127.0.0.2<GAMEID><DATA>");
    QTRY_COMPARE(m_me->boxes, QStringList { QStringLiteral("電文種別エラー") });
    // Bursts the receive buffer surely holds, so every one is handled.
    for (int burst = 1; burst <= 10; ++burst) {
        for (int i = 0; i < 100; ++i)
            send(i % 2 ? "12<USERNAME>x<IPADDR>127.0.0.2<GAMEID><DATA>" : "hello");
        QTRY_VERIFY_WITH_TIMEOUT(m_handled->size() >= 1 + burst * 100, 10000);
    }
    m_me->deliverBoxes();
    QCOMPARE(m_me->boxes.size(), 1);
    send("01<USERNAME>a<IPADDR>127.0.0.2<GAMEID><DATA>");
    QCOMPARE(m_peer->receive(), m_me->own("02"));

    // Once the box is closed, the same sender gets none for a minute: a
    // stream of foreign kinds cannot keep a box up. Another sender does.
    m_me->closeBox();
    m_me->status.clear();
    send("hello");
    waitHandled(1 + 10 * 100 + 2);
    m_me->deliverBoxes();
    QCOMPARE(m_me->boxes.size(), 1);
    QCOMPARE(m_me->status, QStringLiteral("電文種別エラー"));
    UdpPeer other(QStringLiteral("127.0.0.4"), m_me->port());
    other.send("hello", Me);
    QTRY_COMPARE(m_me->boxes.size(), 2);
}

void tst_SessionReceive::everyPendingDatagramIsHandled()
{
    auto address = [](int i) { return QStringLiteral("10.0.%1.%2").arg(i / 250).arg(i % 250 + 1); };
    for (int i = 0; i < 200; ++i)
        m_me->directory()->appendRow(QStringLiteral("u%1").arg(i), PresenceMark::NotHeard, address(i));
    for (int i = 0; i < 200; ++i)
        send(QStringLiteral("02<USERNAME>u%1<IPADDR>%2<GAMEID><DATA>").arg(i).arg(address(i)).toLatin1());
    QTRY_COMPARE_WITH_TIMEOUT(m_handled->size(), 200, 10000);
    for (int i = 0; i < 200; ++i)
        QCOMPARE(m_me->directory()->mark(i), PresenceMark::HeardFrom);
}

// Thousands of hosts answer within milliseconds while this thread is busy
// (here: sending them, and waiting without an event loop until each few
// hundred are read): far more than the socket's receive buffer holds. Every
// answer is read meanwhile and then handled, each sender joining the list in
// the order the answers came.
void tst_SessionReceive::burstWhileThisThreadIsBusyIsHandledWholeInOrder()
{
    constexpr int Burst = 4000;
    auto address = [](int i) { return QStringLiteral("127.1.%1.%2").arg(i / 250).arg(i % 250 + 1); };
    QDeadlineTimer deadline(10000);
    for (int i = 0; i < Burst; ++i) {
        QUdpSocket host;
        QVERIFY(host.bind(QHostAddress(address(i)), 0));
        host.writeDatagram(
            buildDatagram(QStringLiteral("02"), QStringLiteral("u%1").arg(i), address(i)), QHostAddress(Me), m_port);
        if (i % 250 == 249) {
            while (m_session->channel()->queuedDatagrams() <= i && !deadline.hasExpired())
                QThread::yieldCurrentThread();
        }
    }
    QCOMPARE(m_session->channel()->queuedDatagrams(), Burst);
    QCOMPARE(m_handled->size(), 0);

    QTRY_COMPARE_WITH_TIMEOUT(m_handled->size(), Burst, 10000);
    QCOMPARE(m_me->directory()->rowCount(), Burst);
    for (int i = 0; i < Burst; ++i)
        QCOMPARE(m_me->directory()->address(i), address(i));
}

// A handler that waits in a nested event loop (as a box or the game link
// does) while more datagrams arrive: they are handled meanwhile, each once
// and in order, and the waiting handler's datagram stays as it was.
void tst_SessionReceive::handlerWaitingInNestedLoopLetsLaterDatagramsThroughOnceEach()
{
    constexpr int Later = 300;
    m_me->directory()->appendRow("sato", PresenceMark::NotHeard, Peer);
    QStringList texts;
    QString waitedFor;
    qsizetype handledWhileWaiting = 0;
    connect(m_session, &MessengerSession::messageArrived, this, [&](const ParsedDatagram &datagram) {
        texts.append(datagram.Data);
        if (texts.size() > 1)
            return;
        for (int i = 1; i <= Later; ++i)
            send(buildDatagram("11", "sato", Peer, "", QStringLiteral("m%1").arg(i)));
        QEventLoop waiting;
        connect(m_session, &MessengerSession::datagramHandled, &waiting, [&] {
            if (texts.size() == 1 + Later)
                waiting.quit();
        });
        QTimer::singleShot(10000, &waiting, &QEventLoop::quit);
        waiting.exec();
        handledWhileWaiting = texts.size();
        waitedFor = datagram.Data;
    });
    send(buildDatagram("11", "sato", Peer, "", "m0"));
    QTRY_COMPARE_WITH_TIMEOUT(m_handled->size(), 1 + Later, 10000);
    QCOMPARE(waitedFor, QStringLiteral("m0"));
    QCOMPARE(handledWhileWaiting, 1 + Later);
    for (int i = 0; i <= Later; ++i)
        QCOMPARE(texts.at(i), QStringLiteral("m%1").arg(i));
    // Nothing comes round a second time.
    send(buildDatagram("02", "sato", Peer));
    waitHandled(2 + Later);
    QCOMPARE(m_handled->size(), 2 + Later);
    QCOMPARE(texts.size(), 1 + Later);
}

// Announcements that came by broadcast are answered after a while, once per
// asking host however often it asked; one sent to us is answered at once.
void tst_SessionReceive::broadcastAnnouncementsAreAnsweredLaterOncePerHost()
{
    UdpPeer second(QStringLiteral("127.0.0.4"), m_port);
    QVERIFY(second.isBound());
    const QHostAddress broadcast(QHostAddress::Broadcast);
    for (int i = 0; i < 3; ++i)
        m_session->channel()->receive(
            buildDatagram(QStringLiteral("01"), QStringLiteral("p"), Peer), QHostAddress(Peer), broadcast);
    m_session->channel()->receive(buildDatagram(QStringLiteral("01"), QStringLiteral("s"), second.address()),
        QHostAddress(second.address()), broadcast);
    // A datagram on loopback arrives while it is sent: nothing went out yet.
    QVERIFY(!m_peer->hasPending());
    QVERIFY(!second.hasPending());
    QCOMPARE(m_session->presence()->queuedAnswers(), 2);
    QCOMPARE(m_me->directory()->rowCount(), 2);

    QCOMPARE(m_peer->receive(), m_me->own("02"));
    QCOMPARE(second.receive(), m_me->own("02"));
    QCOMPARE(m_session->presence()->queuedAnswers(), 0);
    QCOMPARE(m_me->sentTo(*m_peer), QList<QByteArray>());
}

// While this thread is busy, at most so many datagrams wait; the rest are
// dropped and counted, the status bar says so once, and the ones kept are
// all handled.
void tst_SessionReceive::beyondTheQueuesBoundDatagramsAreDroppedAndSaidOnce()
{
    constexpr int Bound = int(DatagramReader::MaxQueuedDatagrams);
    constexpr int Beyond = 50;
    const QString dropped = QStringLiteral("受信が集中したため、一部の電文を破棄しました。");
    QSignalSpy statuses(m_session, &MessengerSession::statusChanged);
    // The diagnostics, switched on, count what was dropped.
    QLoggingCategory::setFilterRules(QStringLiteral("pelwick.network.debug=true"));
    const auto quiet = qScopeGuard([] { QLoggingCategory::setFilterRules({}); });
    QTest::ignoreMessage(QtDebugMsg, QRegularExpression(QStringLiteral("^dropped %1 datagrams: ").arg(Beyond)));
    const DatagramChannel *channel = m_session->channel();
    QDeadlineTimer deadline(30000);
    for (int sent = 0; sent < Bound + Beyond;) {
        // Chunks the socket's buffer holds, each read before the next.
        for (const int end = qMin(sent + 1000, Bound + Beyond); sent < end; ++sent)
            send("02<USERNAME>p<IPADDR>127.0.0.2<GAMEID><DATA>");
        while (channel->queuedDatagrams() + qsizetype(channel->droppedDatagrams()) < sent && !deadline.hasExpired())
            QThread::yieldCurrentThread();
    }
    QCOMPARE(channel->queuedDatagrams(), Bound);
    QCOMPARE(channel->droppedDatagrams(), quint64(Beyond));

    QTRY_COMPARE_WITH_TIMEOUT(m_handled->size(), Bound, 30000);
    int said = 0;
    for (const QList<QVariant> &status : std::as_const(statuses))
        said += status.value(0).toString() == dropped;
    QCOMPARE(said, 1);
}

void tst_SessionReceive::largestDatagramIsReceived()
{
    QByteArray datagram = "11<USERNAME>big<IPADDR>127.0.0.2<GAMEID><DATA>";
    const qsizetype header = datagram.size();
    datagram += QByteArray(MaxDatagramSize - header, 'x');
    qsizetype arrived = -1;
    connect(m_session, &MessengerSession::messageArrived, this,
        [&](const ParsedDatagram &message) { arrived = message.Data.size(); });
    send(datagram);
    waitHandled();
    QCOMPARE(arrived, MaxDatagramSize - header);
    QVERIFY(m_me->log.contains(QString(MaxDatagramSize - header, QLatin1Char('x'))));
}

void tst_SessionReceive::twoSessionsSeeEachOther()
{
    m_peer.reset(); // the second session takes the peer's address
    SessionFixture other(Peer, m_port, QStringLiteral("other"));
    other.storeDirectory({ { QStringLiteral("me?"), Me } });
    QVERIFY(other.start());
    // The announcement reaches the first session, whose answer marks it
    // heard from on the second, under the name it gives.
    other.session()->presence()->announce();
    QTRY_COMPARE_WITH_TIMEOUT(m_me->directory()->rowCount(), 1, 5000);
    QCOMPARE(row(0), QStringList({ "other", "○", Peer }));
    QTRY_COMPARE_WITH_TIMEOUT(other.directory()->mark(0), PresenceMark::HeardFrom, 5000);
    QCOMPARE(other.directory()->name(0), QStringLiteral("me"));

    other.session()->presence()->sayGoodbye();
    QTRY_COMPARE_WITH_TIMEOUT(m_me->directory()->mark(0), PresenceMark::NotHeard, 5000);
}

// Anyone can name any address: a flood of announcements naming invented
// addresses must neither fill the directory nor make us answer third
// parties, while real peers, many at once, still join.
void tst_SessionReceive::inventedAddressesAddNothingAndRealPeersAllJoin()
{
    constexpr int Flood = 20000;
    constexpr int Burst = 500;
    for (int sent = 0; sent < Flood; sent += Burst) {
        for (int i = sent; i < sent + Burst; ++i)
            send(QStringLiteral("01<USERNAME>x%1<IPADDR>10.%2.%3.%4<GAMEID><DATA>")
                     .arg(i)
                     .arg(i >> 16)
                     .arg((i >> 8) & 0xFF)
                     .arg(i & 0xFF)
                     .toLatin1());
        QTRY_VERIFY_WITH_TIMEOUT(m_handled->size() >= sent + Burst, 10000);
    }
    QCOMPARE(m_me->directory()->rowCount(), 0);
    // Nothing was answered; the real peer still is.
    QCOMPARE(m_me->sentTo(*m_peer), QList<QByteArray>());
    QCOMPARE(m_me->directory()->rowCount(), 1);
    QVERIFY(m_session->saveSettings());
    QVERIFY(QFileInfo(SettingsStore::filePathFor(QStringLiteral("Pelwick"), m_me->settingsDir())).size() < 1024);

    std::vector<std::unique_ptr<UdpPeer>> peers;
    for (int i = 0; i < 300; ++i) {
        peers.push_back(
            std::make_unique<UdpPeer>(QStringLiteral("127.0.%1.%2").arg(1 + i / 200).arg(1 + i % 200), m_me->port()));
        QVERIFY(peers.back()->isBound());
    }
    for (const auto &peer : peers)
        peer->send(buildDatagram(QStringLiteral("01"), QStringLiteral("p"), peer->address()), Me);
    QTRY_COMPARE_WITH_TIMEOUT(m_me->directory()->rowCount(), 301, 10000);
    for (const auto &peer : peers)
        QCOMPARE(peer->receive(), m_me->own("02"));
}

// A hostile host (127.0.0.2) names a listed user's address (127.0.0.4):
// the row's mark changes as before, its name and its place in the list do
// not, and nothing is stored.
void tst_SessionReceive::onlyAHostItselfRenamesOrRemovesItsRow_data()
{
    QTest::addColumn<QByteArray>("datagram");
    QTest::newRow("01") << QByteArray("01<USERNAME>HACKED<IPADDR>127.0.0.4<GAMEID><DATA>");
    QTest::newRow("02") << QByteArray("02<USERNAME>HACKED<IPADDR>127.0.0.4<GAMEID><DATA>");
    QTest::newRow("11") << QByteArray("11<USERNAME>HACKED<IPADDR>127.0.0.4<GAMEID><DATA>hi");
    QTest::newRow("99") << QByteArray("99<USERNAME>HACKED<IPADDR>127.0.0.4<GAMEID><DATA>");
    QTest::newRow("40") << QByteArray("40<USERNAME>HACKED<IPADDR>127.0.0.4<GAMEID><DATA>");
}

void tst_SessionReceive::onlyAHostItselfRenamesOrRemovesItsRow()
{
    QFETCH(QByteArray, datagram);
    UserDirectory *list = m_me->directory();
    list->appendRow("victim", PresenceMark::InGame, "127.0.0.4");
    QSignalSpy stored(list, &UserDirectory::entriesChanged);
    send(datagram);
    waitHandled();
    QCOMPARE(list->rowCount(), 1);
    QCOMPARE(list->name(0), QStringLiteral("victim"));
    QCOMPARE(stored.size(), 0);
    if (datagram.startsWith("11"))
        QVERIFY(m_me->log.contains(QStringLiteral(",相手:HACKED(127.0.0.4)\r\nhi")));

    // The host itself still can.
    UdpPeer victim(QStringLiteral("127.0.0.4"), m_me->port());
    QVERIFY(victim.isBound());
    victim.send(datagram.replace("HACKED", "renamed"), Me);
    waitHandled(2);
    QCOMPARE(list->rowCount(), datagram.startsWith("40") ? 0 : 1);
    if (list->rowCount())
        QCOMPARE(list->name(0), QStringLiteral("renamed"));
    QCOMPARE(stored.size(), 1);
}

void tst_SessionReceive::otherSpellingsOfTheSourceAddNoRow_data()
{
    QTest::addColumn<QString>("address");
    for (const char *spelling : { "::ffff:127.0.0.2", "::FFFF:127.0.0.2", "0::ffff:127.0.0.2", "::ffff:7f00:2",
             " 127.0.0.2", "127.0.0.2 ", "127.0.2", "0x7f.0.0.2", "127.0.0.02", "2130706434" })
        QTest::newRow(spelling) << QString::fromLatin1(spelling);
}

void tst_SessionReceive::otherSpellingsOfTheSourceAddNoRow()
{
    QFETCH(QString, address);
    send(buildDatagram(QStringLiteral("01"), QStringLiteral("x"), address));
    waitHandled();
    QCOMPARE(m_me->directory()->rowCount(), 0);
    // Nothing was answered; the canonical spelling is.
    QCOMPARE(m_me->sentTo(*m_peer), QList<QByteArray>());
    QCOMPARE(row(0), QStringList({ "peer", "○", Peer }));
}

void tst_SessionReceive::longNamesAreCutWhereTheyAreKept()
{
    const QString name(60000, QLatin1Char('n'));
    send(buildDatagram(QStringLiteral("02"), name, Peer));
    send(buildDatagram(QStringLiteral("11"), name.left(30000), Peer, {}, QString(30000, QLatin1Char('t'))));
    waitHandled(2);
    QCOMPARE(m_me->directory()->name(0), name.left(UserDirectory::MaxNameLength));
    // The message is not cut.
    QVERIFY(m_me->log.contains(QString(30000, QLatin1Char('t'))));
    QVERIFY(m_session->saveSettings());
    QVERIFY(QFileInfo(SettingsStore::filePathFor(QStringLiteral("Pelwick"), m_me->settingsDir())).size() < 1024);
    // A stored name read back is cut as well, never inside a character
    // outside the basic plane.
    const QString stored = name.left(UserDirectory::MaxNameLength - 1) + QStringLiteral("😀") + name;
    m_me->directory()->setEntries({ { stored, Peer } });
    QCOMPARE(m_me->directory()->name(0), name.left(UserDirectory::MaxNameLength - 1));
}

// A host that adds itself and has itself removed, again and again, uses up
// its own share of new rows and no one else's.
void tst_SessionReceive::oneHostCannotUseUpTheNewPeerCap()
{
    constexpr int Rounds = PeerPresence::MaxAddedRows + 100;
    constexpr int Burst = 250;
    int added = 0;
    connect(m_me->directory(), &QAbstractItemModel::rowsInserted, this, [&added] { ++added; });
    for (int sent = 0; sent < Rounds; sent += Burst) {
        for (int i = sent; i < sent + Burst; ++i) {
            send("01<USERNAME>x<IPADDR>127.0.0.2<GAMEID><DATA>");
            send("40<USERNAME>x<IPADDR>127.0.0.2<GAMEID><DATA>");
        }
        QTRY_VERIFY_WITH_TIMEOUT(m_handled->size() >= 2 * (sent + Burst), 10000);
    }
    QCOMPARE(added, PeerPresence::MaxAddedRowsPerSource);
    UdpPeer other(QStringLiteral("127.0.0.4"), m_me->port());
    QVERIFY(other.isBound());
    other.send("01<USERNAME>new<IPADDR>127.0.0.4<GAMEID><DATA>", Me);
    QCOMPARE(other.receive(), m_me->own("02"));
    QCOMPARE(m_me->directory()->rowCount(), 1);
}

QTEST_GUILESS_MAIN(tst_SessionReceive)
#include "tst_session_receive.moc"
