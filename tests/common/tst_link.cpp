#include "link.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString App = QStringLiteral("Pelwick");
const QString Input = QString::fromLatin1(LinkInputItem);
const QString Topic = QString::fromLatin1(LinkTopic);

QString peerProgram()
{
    return QStringLiteral(PELWICK_BIN_DIR "/pelwick_linkpeer");
}

// The request as it goes over the wire, for tests that talk to the server
// byte by byte.
QByteArray request(const QByteArray &item, const QByteArray &text)
{
    QByteArray r("PLNK");
    r.append(char(item.size())).append(item);
    const auto n = quint32(text.size());
    r.append(char(n >> 24)).append(char(n >> 16)).append(char(n >> 8)).append(char(n));
    return r + text;
}

} // namespace

class tst_Link : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void pokedTextArrivesUnchanged_data();
    void pokedTextArrivesUnchanged();
    void namesIgnoreCase();
    void unknownItemIsRefused();
    void linkCloseOncePerPokingConversationInOrder();
    void overlappingConversationsCloseInTheOrderTheyEnd();
    void nobodyListeningFailsAtOnce();
    void silentListenerFailsWithinTheWait();
    void garbageIsDroppedAndTheSourceKeepsServing_data();
    void garbageIsDroppedAndTheSourceKeepsServing();
    void textOverTheLimitIsRefusedBeforeSending();
    void handlerMaySendWhileItRuns();
    void staleSocketOfKilledProgramIsReplaced();
    void liveHolderKeepsItsName();
    void socketIsForItsOwnerOnly();
    void anotherUserCannotPoke();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString dir() const { return m_dir->path(); }
};

void tst_Link::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void tst_Link::pokedTextArrivesUnchanged_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("link message") << QStringLiteral("<GAMEFUNC>10<GAMEDATA>(192.168.0.2)3,4");
    QTest::newRow("japanese") << QStringLiteral("山田さん～ｶﾀｶﾅ①");
    QTest::newRow("inner and outer spaces") << QStringLiteral("  a  b  ");
    QTest::newRow("empty") << QString();
    QTest::newRow("limit") << QString(LinkMaxTextBytes, QLatin1Char('x'));
}

void tst_Link::pokedTextArrivesUnchanged()
{
    QFETCH(QString, text);
    LinkSource source(App, dir());
    source.addItem(Input);
    QVERIFY2(source.listen(), qPrintable(source.errorString()));
    QSignalSpy poked(&source, &LinkSource::poked);
    QSignalSpy closed(&source, &LinkSource::conversationClosed);

    QVERIFY(SendLinkText(text, App, dir()));
    QTRY_COMPARE(closed.count(), 1);
    QCOMPARE(poked.count(), 1);
    QCOMPARE(poked.at(0).at(0).toString(), Input);
    QCOMPARE(poked.at(0).at(1).toString(), text);
    QCOMPARE(closed.at(0).at(1).toString(), text);
}

void tst_Link::namesIgnoreCase()
{
    LinkSource source(QStringLiteral("GOMOKU"), dir());
    source.addItem(QStringLiteral("TXTDDEINPUT"));
    QVERIFY(source.listen());
    QSignalSpy poked(&source, &LinkSource::poked);
    QVERIFY(SendLinkText(QStringLiteral("x"), QStringLiteral("gomoku"), dir()));
    QCOMPARE(pokeLink(QStringLiteral("Gomoku"), QStringLiteral("LinkSystem"), Input, QStringLiteral("y"), dir()),
        LinkPokeResult::Accepted);
    QTRY_COMPARE(poked.count(), 2);
}

void tst_Link::unknownItemIsRefused()
{
    LinkSource source(App, dir());
    source.addItem(Input);
    QVERIFY(source.listen());
    QSignalSpy poked(&source, &LinkSource::poked);
    QSignalSpy closed(&source, &LinkSource::conversationClosed);

    QCOMPARE(pokeLink(App, Topic, QStringLiteral("txtDDEOutput"), QStringLiteral("x"), dir()), LinkPokeResult::Refused);
    // A later good poke is the barrier: the refused one left no trace before it.
    QVERIFY(SendLinkText(QStringLiteral("y"), App, dir()));
    QTRY_COMPARE(closed.count(), 1);
    QCOMPARE(poked.count(), 1);
    QCOMPARE(poked.at(0).at(1).toString(), QStringLiteral("y"));
}

void tst_Link::linkCloseOncePerPokingConversationInOrder()
{
    LinkSource source(App, dir());
    source.addItem(Input);
    QVERIFY(source.listen());
    QStringList order;
    QString lastPoked;
    connect(&source, &LinkSource::poked, this, [&](const QString &, const QString &t) { lastPoked = t; });
    // The close of a conversation comes after its poke, never before.
    connect(&source, &LinkSource::conversationClosed, this, [&](const QString &, const QString &t) {
        QCOMPARE(lastPoked, t);
        order << t;
    });

    for (int i = 0; i < 5; ++i) {
        QVERIFY(SendLinkText(QString::number(i), App, dir()));
        QCOMPARE(pokeLink(App, Topic, QStringLiteral("other"), QStringLiteral("r"), dir()), LinkPokeResult::Refused);
    }
    // A last conversation is the barrier: the refused ones closed nothing
    // before it.
    QVERIFY(SendLinkText(QStringLiteral("last"), App, dir()));
    QTRY_COMPARE(order.size(), 6);
    QCOMPARE(order, QStringList({ "0", "1", "2", "3", "4", "last" }));
}

void tst_Link::overlappingConversationsCloseInTheOrderTheyEnd()
{
    LinkSource source(App, dir());
    source.addItem(Input);
    QVERIFY(source.listen());
    QStringList order;
    connect(&source, &LinkSource::conversationClosed, this, [&](const QString &, const QString &t) { order << t; });
    QSignalSpy poked(&source, &LinkSource::poked);

    QLocalSocket first;
    QLocalSocket second;
    first.connectToServer(source.serverPath());
    second.connectToServer(source.serverPath());
    QVERIFY(first.waitForConnected(1000) && second.waitForConnected(1000));
    first.write(request("txtDDEInput", "first"));
    second.write(request("txtDDEInput", "second"));
    QTRY_VERIFY(first.bytesAvailable() > 0 && second.bytesAvailable() > 0);
    QCOMPARE(first.read(1), QByteArray("A"));
    QCOMPARE(second.read(1), QByteArray("A"));
    QCOMPARE(poked.count(), 2);
    QVERIFY(order.isEmpty()); // still open

    second.disconnectFromServer();
    QTRY_COMPARE(order.size(), 1);
    first.disconnectFromServer();
    QTRY_COMPARE(order.size(), 2);
    QCOMPARE(order, QStringList({ "second", "first" }));
}

void tst_Link::nobodyListeningFailsAtOnce()
{
    QElapsedTimer clock;
    clock.start();
    QVERIFY(!SendLinkText(QStringLiteral("x"), App, dir()));
    QCOMPARE(pokeLink(App, Topic, Input, QStringLiteral("x"), dir()), LinkPokeResult::NoListener);

    // A socket file nobody serves any more (the server object is gone without
    // removing it) refuses the connection at once as well.
    {
        LinkSource source(App, dir());
        source.addItem(Input);
        QVERIFY(source.listen());
        const QString path = source.serverPath();
        QVERIFY(::link(QFile::encodeName(path).constData(), QFile::encodeName(path + "-kept").constData()) == 0);
    }
    QVERIFY(QFile::rename(linkServerPath(App, Topic, dir()) + "-kept", linkServerPath(App, Topic, dir())));
    QCOMPARE(pokeLink(App, Topic, Input, QStringLiteral("x"), dir()), LinkPokeResult::NoListener);
    QVERIFY2(clock.elapsed() < 500, qPrintable(QString::number(clock.elapsed())));
}

void tst_Link::silentListenerFailsWithinTheWait()
{
    QLocalServer mute; // accepts and never answers
    QVERIFY(mute.listen(linkServerPath(App, Topic, dir())));
    int timerTicks = 0;
    QTimer ticker;
    connect(&ticker, &QTimer::timeout, this, [&] { ++timerTicks; });
    ticker.start(20);

    QElapsedTimer clock;
    clock.start();
    QCOMPARE(pokeLink(App, Topic, Input, QStringLiteral("x"), dir(), 400), LinkPokeResult::NoAnswer);
    const qint64 took = clock.elapsed();
    QVERIFY2(took >= 350 && took < 2000, qPrintable(QString::number(took)));
    QVERIFY(timerTicks >= 5); // the event loop ran while waiting
}

void tst_Link::garbageIsDroppedAndTheSourceKeepsServing_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QByteArray>("answer");
    QTest::newRow("wrong magic") << QByteArray("HELLO WORLD\n") << QByteArray();
    QTest::newRow("empty item") << request("", "x") << QByteArray();
    QTest::newRow("truncated text") << request("txtDDEInput", "abcdef").chopped(3) << QByteArray();
    QTest::newRow("huge length") << (QByteArray("PLNK\x0btxtDDEInput") + QByteArray(4, '\xff')) << QByteArray("R");
    QTest::newRow("binary noise") << QByteArray(300, '\x81') << QByteArray();
}

void tst_Link::garbageIsDroppedAndTheSourceKeepsServing()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QByteArray, answer);
    LinkSource source(App, dir());
    source.addItem(Input);
    QVERIFY(source.listen());
    QSignalSpy poked(&source, &LinkSource::poked);
    QSignalSpy closed(&source, &LinkSource::conversationClosed);

    QLocalSocket raw;
    raw.connectToServer(source.serverPath());
    QVERIFY(raw.waitForConnected(1000));
    raw.write(bytes);
    raw.flush();
    if (!answer.isEmpty()) {
        QTRY_VERIFY(raw.bytesAvailable() > 0);
        QCOMPARE(raw.readAll(), answer);
    } else if (bytes.startsWith("PLNK\x0b")) {
        // An incomplete poke: the client gives up once the server has it.
        QVERIFY(raw.waitForBytesWritten(1000) || raw.bytesToWrite() == 0);
    } else {
        QTRY_COMPARE(raw.state(), QLocalSocket::UnconnectedState); // dropped unanswered
        QCOMPARE(raw.bytesAvailable(), 0);
    }
    raw.disconnectFromServer();

    QVERIFY(SendLinkText(QStringLiteral("after"), App, dir()));
    QTRY_COMPARE(closed.count(), 1);
    QCOMPARE(poked.count(), 1);
    QCOMPARE(poked.at(0).at(1).toString(), QStringLiteral("after"));
}

void tst_Link::textOverTheLimitIsRefusedBeforeSending()
{
    LinkSource source(App, dir());
    source.addItem(Input);
    QVERIFY(source.listen());
    QSignalSpy poked(&source, &LinkSource::poked);
    // Double-byte characters: the limit counts code page 932 bytes.
    const QString text(LinkMaxTextBytes / 2 + 1, QChar(0x5C71));
    QVERIFY(!SendLinkText(text, App, dir()));
    QVERIFY(SendLinkText(QStringLiteral("ok"), App, dir()));
    QTRY_COMPARE(poked.count(), 1);
}

void tst_Link::handlerMaySendWhileItRuns()
{
    // The messenger pokes its game from inside a link handler and the game
    // answers from inside its own: both ends pump events while they wait.
    LinkSource messenger(App, dir());
    LinkSource game(QStringLiteral("GOMOKU"), dir());
    messenger.addItem(Input);
    game.addItem(Input);
    QVERIFY(messenger.listen() && game.listen());
    QStringList log;
    connect(&game, &LinkSource::poked, this, [&](const QString &, const QString &t) {
        log << "game got " + t;
        if (t == QLatin1String("ping"))
            log << QString::fromLatin1(SendLinkText(QStringLiteral("pong"), App, dir()) ? "sent" : "failed");
    });
    connect(&messenger, &LinkSource::conversationClosed, this, [&] {
        log << QStringLiteral("messenger closed");
        log << QString::fromLatin1(
            SendLinkText(QStringLiteral("after close"), QStringLiteral("GOMOKU"), dir()) ? "sent" : "failed");
    });
    QVERIFY(SendLinkText(QStringLiteral("ping"), QStringLiteral("GOMOKU"), dir()));
    QTRY_COMPARE(log.size(), 5);
    QCOMPARE(log, QStringList({ "game got ping", "sent", "messenger closed", "game got after close", "sent" }));
}

void tst_Link::staleSocketOfKilledProgramIsReplaced()
{
    QProcess peer;
    peer.start(peerProgram(), { QStringLiteral("listen"), dir(), App });
    QVERIFY2(peer.waitForStarted(5000), qPrintable(peer.errorString()));
    QByteArray said;
    QTRY_VERIFY((said += peer.readAllStandardOutput()).contains("listening"));
    QVERIFY(SendLinkText(QStringLiteral("to the peer"), App, dir()));

    peer.kill(); // no chance to remove its socket
    QVERIFY(peer.waitForFinished(5000));
    QVERIFY(QFileInfo::exists(linkServerPath(App, Topic, dir())));
    QVERIFY(!SendLinkText(QStringLiteral("x"), App, dir()));

    LinkSource source(App, dir());
    source.addItem(Input);
    QVERIFY2(source.listen(), qPrintable(source.errorString()));
    QSignalSpy poked(&source, &LinkSource::poked);
    QProcess sender;
    sender.start(peerProgram(), { QStringLiteral("send"), dir(), App, QStringLiteral("from a process") });
    QTRY_COMPARE(poked.count(), 1);
    QTRY_COMPARE(sender.state(), QProcess::NotRunning);
    QCOMPARE(sender.exitCode(), 0);
    QCOMPARE(poked.at(0).at(1).toString(), QStringLiteral("from a process"));
}

void tst_Link::liveHolderKeepsItsName()
{
    QProcess peer;
    peer.start(peerProgram(), { QStringLiteral("listen"), dir(), App });
    QVERIFY(peer.waitForStarted(5000));
    QByteArray said;
    QTRY_VERIFY((said += peer.readAllStandardOutput()).contains("listening"));

    LinkSource second(App, dir());
    second.addItem(Input);
    QVERIFY(!second.listen());
    QVERIFY(!second.errorString().isEmpty());
    QSignalSpy poked(&second, &LinkSource::poked);
    QVERIFY(SendLinkText(QStringLiteral("still the peer"), App, dir()));
    QCOMPARE(poked.count(), 0);
    peer.kill();
    peer.waitForFinished(5000);
}

void tst_Link::socketIsForItsOwnerOnly()
{
    LinkSource source(App, dir());
    QVERIFY(source.listen());
    struct stat st
    {
    };
    QCOMPARE(::stat(QFile::encodeName(source.serverPath()).constData(), &st), 0);
    QVERIFY(S_ISSOCK(st.st_mode));
    QCOMPARE(st.st_uid, ::geteuid());
    QCOMPARE(st.st_mode & 0077, 0u);
}

void tst_Link::anotherUserCannotPoke()
{
    if (::geteuid() != 0)
        QSKIP("needs root to run a program as another user");
    const QString setpriv = QStandardPaths::findExecutable(QStringLiteral("setpriv"));
    if (setpriv.isEmpty())
        QSKIP("setpriv is not installed");
    // The directory lets everybody through, so only the link itself can say no.
    QVERIFY(QFile::setPermissions(dir(),
        QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther | QFile::ReadGroup
            | QFile::ExeGroup));
    LinkSource source(App, dir());
    source.addItem(Input);
    QVERIFY(source.listen());
    QSignalSpy poked(&source, &LinkSource::poked);

    QString printed;
    const auto asNobody = [&](const QStringList &args) {
        QProcess p;
        p.start(setpriv,
            QStringList { QStringLiteral("--reuid=nobody"), QStringLiteral("--regid=nogroup"),
                QStringLiteral("--clear-groups"), peerProgram() }
                + args);
        if (!p.waitForStarted(5000) || !p.waitForFinished(10000)) {
            printed = p.errorString();
            return -1;
        }
        printed = QString::fromLocal8Bit(p.readAllStandardError()).trimmed();
        return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    };
    const int code = asNobody({ QStringLiteral("send"), dir(), App, QStringLiteral("intruder") });
    if (code != 0 && code != 3)
        QSKIP(qPrintable(QStringLiteral("the test program cannot run as nobody here: ") + printed));
    QCOMPARE(code, 3);

    QCOMPARE(asNobody({ QStringLiteral("raw"), source.serverPath(), QStringLiteral("intruder") }), 3);

    // Even with the socket opened to everybody, the server drops a peer that
    // runs as another user.
    QVERIFY(::chmod(QFile::encodeName(source.serverPath()).constData(), 0777) == 0);
    QCOMPARE(asNobody({ QStringLiteral("raw"), source.serverPath(), QStringLiteral("intruder") }), 3);
    // The owner's poke comes after the intruder's conversation ended: it is
    // the only one that lands.
    QVERIFY(SendLinkText(QStringLiteral("owner"), App, dir()));
    QTRY_COMPARE(poked.count(), 1);
    QCOMPARE(poked.at(0).at(1).toString(), QStringLiteral("owner"));
}

QTEST_GUILESS_MAIN(tst_Link)
#include "tst_link.moc"
