#include "cp932.h"

#include <QTest>

class tst_Cp932 : public QObject
{
    Q_OBJECT
private slots:
    void windowsPairsEncode_data();
    void windowsPairsEncode();
    void linuxTypedFormsEncodeAsTheWindowsPairs_data();
    void linuxTypedFormsEncodeAsTheWindowsPairs();
    void asciiAndHalfWidthKanaAreSingleBytes();
    void everyDecodablePairRoundTripsToAPairThatDecodesAlike();
    void badBytesBecomeReplacementWithoutSwallowingAscii_data();
    void badBytesBecomeReplacementWithoutSwallowingAscii();
    void unencodableCharactersBecomeQuestionMarksAndAreNamed_data();
    void unencodableCharactersBecomeQuestionMarksAndAreNamed();
    void byteLengthCountsDoubleBytes();
};

void tst_Cp932::windowsPairsEncode_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("wave dash") << QStringLiteral("\uFF5E") << QByteArray("\x81\x60");
    QTest::newRow("full-width minus") << QStringLiteral("\uFF0D") << QByteArray("\x81\x7C");
    QTest::newRow("parallel") << QStringLiteral("\u2225") << QByteArray("\x81\x61");
    QTest::newRow("not sign") << QStringLiteral("\uFFE2") << QByteArray("\x81\xCA");
    QTest::newRow("circled one") << QStringLiteral("\u2460") << QByteArray("\x87\x40");
    QTest::newRow("kabushiki") << QStringLiteral("\u3231") << QByteArray("\x87\x8A");
    QTest::newRow("small roman one") << QStringLiteral("\u2170") << QByteArray("\xFA\x40");
    QTest::newRow("roman one") << QStringLiteral("\u2160") << QByteArray("\x87\x54");
    QTest::newRow("because") << QStringLiteral("\u2235") << QByteArray("\x81\xE6");
    QTest::newRow("ibm kanji") << QStringLiteral("\u7E8A") << QByteArray("\xFA\x5C");
    QTest::newRow("yamada") << QStringLiteral("山田") << QByteArray("\x8E\x52\x93\x63");
    QTest::newRow("user-defined area") << QStringLiteral("\uE000") << QByteArray("\xF0\x40");
}

void tst_Cp932::windowsPairsEncode()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QCOMPARE(Cp932::encode(text), bytes);
    QCOMPARE(Cp932::decode(bytes), text);
}

void tst_Cp932::linuxTypedFormsEncodeAsTheWindowsPairs_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("windowsForm");
    QTest::newRow("wave dash") << QStringLiteral("\u301C") << QByteArray("\x81\x60") << QStringLiteral("\uFF5E");
    QTest::newRow("minus sign") << QStringLiteral("\u2212") << QByteArray("\x81\x7C") << QStringLiteral("\uFF0D");
    QTest::newRow("double vertical line")
        << QStringLiteral("\u2016") << QByteArray("\x81\x61") << QStringLiteral("\u2225");
    QTest::newRow("cent") << QStringLiteral("\u00A2") << QByteArray("\x81\x91") << QStringLiteral("\uFFE0");
    QTest::newRow("pound") << QStringLiteral("\u00A3") << QByteArray("\x81\x92") << QStringLiteral("\uFFE1");
    QTest::newRow("not sign") << QStringLiteral("\u00AC") << QByteArray("\x81\xCA") << QStringLiteral("\uFFE2");
    QTest::newRow("em dash") << QStringLiteral("\u2014") << QByteArray("\x81\x5C") << QStringLiteral("\u2015");
}

void tst_Cp932::linuxTypedFormsEncodeAsTheWindowsPairs()
{
    QFETCH(QString, typed);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, windowsForm);
    QCOMPARE(Cp932::unencodable(typed), QStringList());
    QCOMPARE(Cp932::encode(QString(u'a' + typed + u'b')), QByteArray('a' + bytes + 'b'));
    QCOMPARE(Cp932::encode(windowsForm), bytes);
    // Decoding keeps giving the Windows form.
    QCOMPARE(Cp932::decode(bytes), windowsForm);
}

void tst_Cp932::asciiAndHalfWidthKanaAreSingleBytes()
{
    const QString text = QStringLiteral("IPｱﾄﾞﾚｽ \\~<DATA>");
    const QByteArray bytes = Cp932::encode(text);
    QCOMPARE(bytes, QByteArray("IP\xB1\xC4\xDE\xDA\xBD \\~<DATA>"));
    QCOMPARE(Cp932::decode(bytes), text);
}

void tst_Cp932::everyDecodablePairRoundTripsToAPairThatDecodesAlike()
{
    int pairs = 0;
    for (int lead = 0x81; lead <= 0xFC; ++lead) {
        for (int trail = 0x40; trail <= 0xFC; ++trail) {
            const char raw[2] = { char(lead), char(trail) };
            const QString decoded = Cp932::decode(QByteArrayView(raw, 2));
            if (decoded.size() != 1 || decoded[0] == QChar(0xFFFD))
                continue;
            ++pairs;
            const QByteArray again = Cp932::encode(decoded);
            QCOMPARE(again.size(), 2);
            QCOMPARE(Cp932::decode(again), decoded);
        }
    }
    // JIS X 0208, NEC and IBM extensions and the user-defined area.
    QVERIFY2(pairs > 9000, qPrintable(QString::number(pairs)));
}

void tst_Cp932::badBytesBecomeReplacementWithoutSwallowingAscii_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::newRow("lone lead at end") << QByteArray("ab\x82") << QStringLiteral("ab\uFFFD");
    QTest::newRow("lead before tag") << QByteArray("\x82<DATA>") << QStringLiteral("\uFFFD<DATA>");
    QTest::newRow("unassigned pair") << QByteArray("\x85\x40x") << QStringLiteral("\uFFFDx");
    QTest::newRow("lead before 0x7F") << QByteArray("\x88\x7F") << QStringLiteral("\uFFFD\x7F");
    QTest::newRow("high single bytes") << QByteArray("\x80\xA0\xFD\xFE\xFF")
                                       << QStringLiteral("\u0080\uF8F0\uF8F1\uF8F2\uF8F3");
}

void tst_Cp932::badBytesBecomeReplacementWithoutSwallowingAscii()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QCOMPARE(Cp932::decode(bytes), text);
}

void tst_Cp932::unencodableCharactersBecomeQuestionMarksAndAreNamed_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("unencodable");
    QTest::newRow("accent") << QStringLiteral("a\u00E9b") << QByteArray("a?b")
                            << QStringList { QStringLiteral("\u00E9") };
    // One emoji is one character, written as one '?' and named whole.
    QTest::newRow("emoji") << QStringLiteral("x\U0001F600y") << QByteArray("x?y")
                           << QStringList { QStringLiteral("\U0001F600") };
    QTest::newRow("each once, in order") << QStringLiteral("caf\u00E9 \u00F1 \u4F60\u597D \U0001F600 \u00E9\U0001F600")
                                         << QByteArray("caf? ? ?\x8D\x44 ? ??")
                                         << QStringList { QStringLiteral("\u00E9"), QStringLiteral("\u00F1"),
                                                QStringLiteral("\u4F60"), QStringLiteral("\U0001F600") };
    QTest::newRow("lone surrogates") << QString(QChar(0xD800)) + u'a' + QChar(0xDC00) << QByteArray("?a?")
                                     << QStringList { QString(QChar(0xD800)), QString(QChar(0xDC00)) };
    QTest::newRow("kanji, kana, NEC and IBM extensions")
        << QStringLiteral("\u6F22\u5B57\uFF76\uFF85\u2460\u2161\u7E8A\uFF5E")
        << QByteArray("\x8A\xBF\x8E\x9A\xB6\xC5\x87\x40\x87\x55\xFA\x5C\x81\x60") << QStringList();
    QTest::newRow("empty") << QString() << QByteArray() << QStringList();
}

void tst_Cp932::unencodableCharactersBecomeQuestionMarksAndAreNamed()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, unencodable);
    QCOMPARE(Cp932::encode(text), bytes);
    QCOMPARE(Cp932::unencodable(text), unencodable);
}

void tst_Cp932::byteLengthCountsDoubleBytes()
{
    QCOMPARE(Cp932::byteLength(QStringLiteral("[Send] Time:12:34:56")), 20);
    QCOMPARE(Cp932::byteLength(QStringLiteral(",相手:")), 6);
}

QTEST_GUILESS_MAIN(tst_Cp932)
#include "tst_cp932.moc"
