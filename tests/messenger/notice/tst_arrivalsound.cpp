#include "arrivalsound.h"
#include "recordingplayer.h"
#include "soundfile.h"

#include <QCoreApplication>
#include <QFile>
#include <QSoundEffect>
#include <QTemporaryDir>
#include <QTest>

namespace {

QString writeFile(const QTemporaryDir &dir, const QString &name, const QByteArray &bytes)
{
    const QString path = dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return QString();
    return path;
}

QByteArray shippedChime()
{
    QFile file(QStringLiteral(PELWICK_BIN_DIR "/arrival.wav"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class tst_ArrivalSound : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void whatIsPlayed_data();
    void whatIsPlayed();
    void newSoundReplacesThePlayingOne();
    void undecodableFileGivesTheDefaultSound();
    void shippedChimeLiesBesideThePrograms();

private:
    QTemporaryDir m_dir;
    QString m_wave;
};

void tst_ArrivalSound::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_wave = writeFile(m_dir, QStringLiteral("chime.wav"), shippedChime());
    QVERIFY(!m_wave.isEmpty());
    QVERIFY(QFile::link(m_wave, m_dir.filePath(QStringLiteral("link.wav"))));
    QVERIFY(!writeFile(m_dir, QStringLiteral("text.wav"), QByteArray("not a wave file, though named so")).isEmpty());
    // A wave header in front of more than 16 MB (sparse, nothing is written).
    const QString big = writeFile(m_dir, QStringLiteral("big.wav"), shippedChime().left(44));
    QVERIFY(QFile::resize(big, (qint64(16) << 20) + 1));
}

void tst_ArrivalSound::whatIsPlayed_data()
{
    QTest::addColumn<QString>("path"); // "@wave" is the readable test file
    QTest::addColumn<bool>("sound");
    QTest::addColumn<QStringList>("played");

    QTest::newRow("sound off: nothing, not even the default") << "@wave" << false << QStringList();
    QTest::newRow("empty path: nothing") << "" << true << QStringList();
    QTest::newRow("empty path, sound off: nothing") << "" << false << QStringList();
    QTest::newRow("missing file, sound off: nothing") << "/nonexistent/x.wav" << false << QStringList();
    QTest::newRow("readable file plays") << "@wave" << true << QStringList { "@wave" };
    QTest::newRow("missing file: default sound") << "/nonexistent/x.wav" << true << QStringList { "<default>" };
    QTest::newRow("a folder: default sound") << "@dir" << true << QStringList { "<default>" };
    QTest::newRow("a link to a wave file plays it") << "@dir/link.wav" << true << QStringList { "@dir/link.wav" };
    // Only a WAV file of at most 16 MB is loaded; anything else is never read.
    QTest::newRow("not a wave file: default sound") << "@dir/text.wav" << true << QStringList { "<default>" };
    QTest::newRow("over 16 MB: default sound") << "@dir/big.wav" << true << QStringList { "<default>" };
    QTest::newRow("a device: default sound") << "/dev/zero" << true << QStringList { "<default>" };
}

void tst_ArrivalSound::whatIsPlayed()
{
    QFETCH(QString, path);
    QFETCH(bool, sound);
    QFETCH(QStringList, played);
    auto resolve = [this](QString text) {
        return text.replace(QLatin1String("@wave"), m_wave).replace(QLatin1String("@dir"), m_dir.path());
    };
    for (QString &entry : played)
        entry = resolve(entry);

    RecordingPlayer player;
    PlayArrivalSound(resolve(path), sound, &player);
    QCOMPARE(player.played, played);
}

void tst_ArrivalSound::newSoundReplacesThePlayingOne()
{
    const QString second = writeFile(m_dir, QStringLiteral("second.wav"), shippedChime());
    int beeps = 0;
    SoundEffectPlayer player(nullptr, [&beeps] { ++beeps; });
    PlayArrivalSound(m_wave, true, &player);
    PlayArrivalSound(second, true, &player);
    // One effect plays at a time; the later call took it over.
    QCOMPARE(player.effect()->source(), QUrl::fromLocalFile(second));
    QCOMPARE(beeps, 0);
    // The sample loads on a thread of its own, whose leftovers reach this
    // thread only once it is done: the test ends after that.
    QTRY_VERIFY(player.effect()->status() != QSoundEffect::Loading);
}

void tst_ArrivalSound::undecodableFileGivesTheDefaultSound()
{
    const QString broken = writeFile(m_dir, QStringLiteral("broken.wav"), QByteArray("RIFF not really a wave file"));
    int beeps = 0;
    SoundEffectPlayer player(nullptr, [&beeps] { ++beeps; });
    PlayArrivalSound(broken, true, &player);
    QTRY_COMPARE(beeps, 1);
    // Asked again for the same broken file, it answers again.
    PlayArrivalSound(broken, true, &player);
    QTRY_COMPARE(beeps, 2);
}

void tst_ArrivalSound::shippedChimeLiesBesideThePrograms()
{
    QCOMPARE(defaultArrivalSoundPath(), QCoreApplication::applicationDirPath() + QStringLiteral("/arrival.wav"));
    const QByteArray wave = shippedChime();
    QVERIFY(wave.size() > 44);
    // A plain PCM wave file: RIFF/WAVE, format 1, short enough not to be a nuisance.
    QCOMPARE(wave.left(4), QByteArray("RIFF"));
    QCOMPARE(wave.mid(8, 4), QByteArray("WAVE"));
    QCOMPARE(wave.mid(12, 4), QByteArray("fmt "));
    QCOMPARE(quint8(wave[20]), quint8(1));
    const quint32 byteRate
        = quint8(wave[28]) | quint8(wave[29]) << 8 | quint8(wave[30]) << 16 | quint32(quint8(wave[31])) << 24;
    QVERIFY(byteRate > 0);
    QVERIFY(double(wave.size() - 44) / byteRate < 2.0);
}

QTEST_MAIN(tst_ArrivalSound)
#include "tst_arrivalsound.moc"
