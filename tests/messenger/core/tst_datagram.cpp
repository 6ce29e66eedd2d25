#include "arrivalcues.h"
#include "cp932.h"
#include "datagram.h"

#include <QTest>

class tst_Datagram : public QObject
{
    Q_OBJECT
private slots:
    void parse_data();
    void parse();
    void kindsTravelUnderTheirCodesAndOnlySomeCarryData_data();
    void kindsTravelUnderTheirCodesAndOnlySomeCarryData();
    void buildWritesTheNineElementsInOrder();
    void buildAndParseRoundTripDoubleByteText();
    void blankDatagrams_data();
    void blankDatagrams();
    void kindIsTheFirstTwoCharactersNotBytes();
    void parsingHugeAndHostileInputNeverFails();
    void arrivalCuesFollowTheSettingsTheWindowAndTheGameId_data();
    void arrivalCuesFollowTheSettingsTheWindowAndTheGameId();
};

static QByteArray sjis(const QString &s)
{
    return Cp932::encode(s);
}

void tst_Datagram::parse_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<ParsedDatagram>("expected");

    QTest::newRow("presence answer in a game")
        << sjis(QStringLiteral("02<USERNAME>佐藤<IPADDR>10.0.0.7<GAMEID>01<DATA>"))
        << ParsedDatagram { "02", QStringLiteral("佐藤"), "10.0.0.7", "01", "" };
    QTest::newRow("message with a tag in its text")
        << sjis(QStringLiteral("11<USERNAME>山田<IPADDR>192.168.0.5<GAMEID><DATA>see <USERNAME> and <DATA>!"))
        << ParsedDatagram { "11", QStringLiteral("山田"), "192.168.0.5", "", "see <USERNAME> and <DATA>!" };
    QTest::newRow("removal request carries no data") << QByteArray("40<USERNAME>a<IPADDR>1.2.3.4<GAMEID><DATA>ignored")
                                                     << ParsedDatagram { "40", "a", "1.2.3.4", "", "" };
    QTest::newRow("no address tag") << QByteArray("01<USERNAME>a<GAMEID><DATA>")
                                    << ParsedDatagram { "01", "", "", "", "" };
    QTest::newRow("tags out of order") << QByteArray("01<IPADDR>1.2.3.4<USERNAME>bob<GAMEID>01<DATA>")
                                       << ParsedDatagram { "01", "", "1.2.3.4<USERNAME>bob", "01", "" };
    QTest::newRow("game kind without data tag")
        << QByteArray("21<USERNAME>a<IPADDR>1.2.3.4<GAMEID>01") << ParsedDatagram { "21", "a", "1.2.3.4", "", "" };
    QTest::newRow("name containing the address tag is cut there")
        << QByteArray("01<USERNAME>x<IPADDR>y<IPADDR>1.2.3.4<GAMEID><DATA>")
        << ParsedDatagram { "01", "x", "y<IPADDR>1.2.3.4", "", "" };
    QTest::newRow("game data with link tags and inner spaces")
        << QByteArray("21<USERNAME>a<IPADDR>1.2.3.4<GAMEID>01<DATA><GAMEFUNC>10<GAMEDATA>(1.2.3.4) 3,4 ")
        << ParsedDatagram { "21", "a", "1.2.3.4", "01", "<GAMEFUNC>10<GAMEDATA>(1.2.3.4) 3,4 " };
    QTest::newRow("fields are not trimmed") << QByteArray("02<USERNAME> a <IPADDR> 1.2.3.4 <GAMEID><DATA>")
                                            << ParsedDatagram { "02", " a ", " 1.2.3.4 ", "", "" };
    QTest::newRow("foreign text") << QByteArray("hello") << ParsedDatagram { "he", "", "", "", "" };
    QTest::newRow("one byte") << QByteArray("1") << ParsedDatagram { "1", "", "", "", "" };
}

void tst_Datagram::parse()
{
    QFETCH(QByteArray, bytes);
    QFETCH(ParsedDatagram, expected);
    const ParsedDatagram parsed = ParseDatagram(bytes);
    QCOMPARE(parsed.Kind, expected.Kind);
    QCOMPARE(parsed.UserName, expected.UserName);
    QCOMPARE(parsed.IpAddr, expected.IpAddr);
    QCOMPARE(parsed.GameId, expected.GameId);
    QCOMPARE(parsed.Data, expected.Data);
}

void tst_Datagram::kindsTravelUnderTheirCodesAndOnlySomeCarryData_data()
{
    QTest::addColumn<QByteArray>("code");
    QTest::addColumn<std::optional<MessageKind>>("kind");
    QTest::addColumn<bool>("carriesData");
    QTest::newRow("01") << QByteArray("01") << std::optional(MessageKind::Announce) << false;
    QTest::newRow("02") << QByteArray("02") << std::optional(MessageKind::AnnounceAnswer) << false;
    QTest::newRow("11") << QByteArray("11") << std::optional(MessageKind::Text) << true;
    QTest::newRow("21") << QByteArray("21") << std::optional(MessageKind::GameRelay) << true;
    QTest::newRow("29") << QByteArray("29") << std::optional(MessageKind::GameEnd) << false;
    QTest::newRow("31") << QByteArray("31") << std::optional(MessageKind::GameRequest) << true;
    QTest::newRow("32") << QByteArray("32") << std::optional(MessageKind::GameAccept) << true;
    QTest::newRow("40") << QByteArray("40") << std::optional(MessageKind::RemovalRequest) << false;
    QTest::newRow("99") << QByteArray("99") << std::optional(MessageKind::Goodbye) << false;
    // The send request never travels; what arrives under its code is foreign.
    QTest::newRow("12, the send request") << QByteArray("12") << std::optional<MessageKind>() << false;
    QTest::newRow("00") << QByteArray("00") << std::optional<MessageKind>() << false;
    QTest::newRow("full-width digits") << Cp932::encode(u"０１") << std::optional<MessageKind>() << false;
}

void tst_Datagram::kindsTravelUnderTheirCodesAndOnlySomeCarryData()
{
    QFETCH(QByteArray, code);
    QFETCH(std::optional<MessageKind>, kind);
    QFETCH(bool, carriesData);
    const QByteArray datagram = code + "<USERNAME>a<IPADDR>10.0.0.1<GAMEID><DATA>text";
    const ParsedDatagram parsed = ParseDatagram(datagram);
    QCOMPARE(parsed.messageKind(), kind);
    QCOMPARE(parsed.Data, carriesData ? QStringLiteral("text") : QString());
    // An unknown kind keeps its text.
    QCOMPARE(parsed.Kind, Cp932::decode(code));
    if (kind)
        QCOMPARE(buildDatagram(*kind, "a", "10.0.0.1", "", "text"), datagram);
}

void tst_Datagram::buildWritesTheNineElementsInOrder()
{
    QCOMPARE(buildDatagram("01", QStringLiteral("山田"), "192.168.0.5"),
        QByteArray("01<USERNAME>\x8E\x52\x93\x63<IPADDR>192.168.0.5<GAMEID><DATA>"));
    QCOMPARE(buildDatagram("31", "a", "10.0.0.1", "01", "<GAMEFUNC>01<GAMEDATA>"),
        QByteArray("31<USERNAME>a<IPADDR>10.0.0.1<GAMEID>01<DATA><GAMEFUNC>01<GAMEDATA>"));
}

void tst_Datagram::buildAndParseRoundTripDoubleByteText()
{
    // Trail bytes of double-byte characters look like ASCII letters; cutting
    // on the byte form must not be fooled by them.
    const QString name = QStringLiteral("表示ソ～");
    const QString text = QStringLiteral("能力\r\n①ｱｲｳ");
    const ParsedDatagram p = ParseDatagram(buildDatagram("11", name, "127.0.0.2", "", text));
    QCOMPARE(p.UserName, name);
    QCOMPARE(p.IpAddr, QStringLiteral("127.0.0.2"));
    QCOMPARE(p.Data, text);
}

void tst_Datagram::blankDatagrams_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("blank");
    QTest::newRow("empty") << QByteArray() << true;
    QTest::newRow("spaces") << QByteArray("    ") << true;
    QTest::newRow("tab is not a space") << QByteArray(" \t ") << false;
    QTest::newRow("text") << QByteArray("  01 ") << false;
}

void tst_Datagram::blankDatagrams()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, blank);
    QCOMPARE(isBlankDatagram(bytes), blank);
}

void tst_Datagram::kindIsTheFirstTwoCharactersNotBytes()
{
    QCOMPARE(ParseDatagram(sjis(QStringLiteral("山田<USERNAME>"))).Kind, QStringLiteral("山田"));
    QCOMPARE(ParseDatagram(QByteArray("\x82")).Kind, QStringLiteral("\uFFFD"));
}

void tst_Datagram::parsingHugeAndHostileInputNeverFails()
{
    QByteArray big(MaxDatagramSize, '\x81');
    big.replace(0, 2, "11");
    big.replace(100, 6, "<DATA>");
    const ParsedDatagram p = ParseDatagram(big);
    QCOMPARE(p.Kind, QStringLiteral("11"));
    QVERIFY(!p.Data.isEmpty());

    QByteArray tags;
    for (int i = 0; i < 2000; ++i)
        tags += "<DATA><GAMEID><IPADDR><USERNAME>";
    const ParsedDatagram q = ParseDatagram(tags);
    QVERIFY(q.UserName.isEmpty());
}

void tst_Datagram::arrivalCuesFollowTheSettingsTheWindowAndTheGameId_data()
{
    // settings: the options that are on, "Sound=<path>" with its file.
    QTest::addColumn<QString>("settings");
    QTest::addColumn<bool>("inView");
    QTest::addColumn<QString>("gameId");
    QTest::addColumn<QStringList>("cues");
    const QStringList beep { "beep" };
    QTest::newRow("all off, in view: a beep") << QString() << true << QString() << beep;
    QTest::newRow("Notify, in view") << "Notify" << true << QString() << beep;
    QTest::newRow("Notify, out of view: the first line")
        << "Notify" << false << QString() << QStringList { "notify:first line", "beep" };
    QTest::newRow("out of view without Notify") << QString() << false << QString() << beep;
    QTest::newRow("PopUp") << "PopUp" << true << QString() << QStringList { "beep", "forward" };
    QTest::newRow("PopUp, out of view where windows cannot come forward")
        << "PopUp wayland" << false << QString() << QStringList { "notify:first line", "beep", "forward" };
    QTest::newRow("Sound with a file") << "Sound=chime.wav" << true << QString() << QStringList { "beep", "sound" };
    QTest::newRow("Sound without a file") << "Sound=" << true << QString() << beep;
    QTest::newRow("a file, Sound off") << "File=chime.wav" << true << QString() << beep;
    QTest::newRow("lamp id") << QString() << true << "99" << QStringList { "beep", "lamp" };
    QTest::newRow("gomoku's id") << QString() << true << "01" << beep;
    QTest::newRow("lamp id with a space") << QString() << true << " 99" << beep;
    QTest::newRow("everything") << "Notify PopUp Sound=chime.wav" << false << "99"
                                << QStringList { "notify:first line", "beep", "forward", "sound", "lamp" };
}

void tst_Datagram::arrivalCuesFollowTheSettingsTheWindowAndTheGameId()
{
    QFETCH(QString, settings);
    QFETCH(bool, inView);
    QFETCH(QString, gameId);
    QFETCH(QStringList, cues);
    LocalSettings local;
    for (const QString &option : settings.split(u' ', Qt::SkipEmptyParts)) {
        local.Notify = local.Notify || option == u"Notify";
        local.PopUp = local.PopUp || option == u"PopUp";
        local.Sound = local.Sound || option.startsWith(u"Sound=");
        if (option.contains(u'='))
            local.SoundFilePath = option.section(u'=', 1);
    }
    const ParsedDatagram text { "11", "a", "10.0.0.1", gameId, QStringLiteral("first line\r\nsecond line") };
    const ArrivalCues decided = arrivalCues(text, local, inView, !settings.contains(u"wayland"), QTime(12, 0));
    QStringList named;
    if (decided.notify)
        named.append(QLatin1String("notify:") + decided.notificationBody);
    for (const auto &[on, name] : { std::pair { decided.beep, "beep" }, { decided.bringForward, "forward" },
             { decided.sound, "sound" }, { decided.lamp, "lamp" } }) {
        if (on)
            named.append(QLatin1String(name));
    }
    QCOMPARE(named, cues);
}

QTEST_GUILESS_MAIN(tst_Datagram)
#include "tst_datagram.moc"
