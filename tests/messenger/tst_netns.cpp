#include "settingsstore.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

// Two real Pelwick programs on two machines of their own: network
// namespaces joined by a virtual cable. Needs root; skips without it.
class tst_Netns : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void twoProgramsFindEachOtherAndKeepWhatTheyLearnt();

private:
    static bool ip(const QStringList &arguments);
    void startPelwick(QProcess &process, const QString &netns, const QTemporaryDir &home);
    static bool listening(const QString &netns);

    QString m_alpha;
    QString m_beta;
    bool m_created = false;
};

static const char AlphaAddress[] = "10.231.7.1";
static const char BetaAddress[] = "10.231.7.2";

bool tst_Netns::ip(const QStringList &arguments)
{
    QProcess process;
    process.start(QStringLiteral("ip"), arguments);
    return process.waitForFinished(10000) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

void tst_Netns::initTestCase()
{
    if (::geteuid() != 0)
        QSKIP("network namespaces need root");
    if (QStandardPaths::findExecutable(QStringLiteral("ip")).isEmpty())
        QSKIP("the ip tool is not installed");
    const QString suffix = QString::number(QCoreApplication::applicationPid());
    m_alpha = QStringLiteral("pw-alpha-") + suffix;
    m_beta = QStringLiteral("pw-beta-") + suffix;
    if (!ip({ QStringLiteral("netns"), QStringLiteral("add"), m_alpha }))
        QSKIP("network namespaces cannot be created here");
    m_created = true;
    QVERIFY(ip({ QStringLiteral("netns"), QStringLiteral("add"), m_beta }));
    const QString va = QStringLiteral("pwa") + suffix, vb = QStringLiteral("pwb") + suffix;
    QVERIFY(ip({ "link", "add", va, "type", "veth", "peer", "name", vb }));
    QVERIFY(ip({ "link", "set", va, "netns", m_alpha }));
    QVERIFY(ip({ "link", "set", vb, "netns", m_beta }));
    QVERIFY(ip({ "-n", m_alpha, "addr", "add", QString::fromLatin1(AlphaAddress) + "/24", "dev", va }));
    QVERIFY(ip({ "-n", m_beta, "addr", "add", QString::fromLatin1(BetaAddress) + "/24", "dev", vb }));
    for (const auto &[ns, dev] : { std::pair { m_alpha, va }, std::pair { m_beta, vb } }) {
        QVERIFY(ip({ "-n", ns, "link", "set", "lo", "up" }));
        QVERIFY(ip({ "-n", ns, "link", "set", dev, "up" }));
    }
}

void tst_Netns::cleanupTestCase()
{
    // Deleting a namespace also removes its end of the cable.
    if (m_created) {
        ip({ QStringLiteral("netns"), QStringLiteral("del"), m_alpha });
        ip({ QStringLiteral("netns"), QStringLiteral("del"), m_beta });
    }
}

// Each machine has its own home: settings and runtime folders found the
// way a user's session provides them.
void tst_Netns::startPelwick(QProcess &process, const QString &netns, const QTemporaryDir &home)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("HOME"), home.path());
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), home.filePath(QStringLiteral("runtime")));
    QDir(home.path()).mkpath(QStringLiteral("runtime"));
    QFile::setPermissions(home.filePath(QStringLiteral("runtime")),
        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.start(QStringLiteral("ip"),
        { QStringLiteral("netns"), QStringLiteral("exec"), netns, QStringLiteral(PELWICK_BIN_DIR "/Pelwick") });
}

// Whether a program in the namespace has bound the messenger's port.
bool tst_Netns::listening(const QString &netns)
{
    QProcess process;
    process.start(QStringLiteral("ip"),
        { QStringLiteral("netns"), QStringLiteral("exec"), netns, QStringLiteral("cat"),
            QStringLiteral("/proc/net/udp") });
    process.waitForFinished(5000);
    return process.readAllStandardOutput().contains(":E8F8 ");
}

void tst_Netns::twoProgramsFindEachOtherAndKeepWhatTheyLearnt()
{
    QTemporaryDir alphaHome, betaHome;
    {
        // Alpha knows beta's machine under an old name; beta knows no one.
        SettingsStore alpha(QStringLiteral("Pelwick"), alphaHome.filePath(QStringLiteral("config")));
        alpha.setValue("Local", "UserName", "alpha");
        alpha.setValue("Local", "Sound", "False");
        alpha.setValue("User", "Count", "1");
        alpha.setValue("User", "001UserName", "old-name");
        alpha.setValue("User", "001UserIpAddr", QString::fromLatin1(BetaAddress));
        QVERIFY(alpha.sync());
        SettingsStore beta(QStringLiteral("Pelwick"), betaHome.filePath(QStringLiteral("config")));
        beta.setValue("Local", "UserName", "ベータ");
        beta.setValue("Local", "Sound", "False");
        beta.setValue("User", "Count", "0");
        QVERIFY(beta.sync());
    }

    QProcess beta, alpha;
    startPelwick(beta, m_beta, betaHome);
    QTRY_VERIFY_WITH_TIMEOUT(listening(m_beta), 10000);
    // Alpha's announcement reaches beta, who adds alpha to the list; beta's
    // answer renames the row alpha holds for beta's address.
    startPelwick(alpha, m_alpha, alphaHome);
    QTRY_VERIFY_WITH_TIMEOUT(listening(m_alpha), 10000);
    QTest::qWait(1500);

    // Ended by the session, both save their directory.
    alpha.terminate();
    beta.terminate();
    QVERIFY(alpha.waitForFinished(10000));
    QVERIFY(beta.waitForFinished(10000));
    QCOMPARE(alpha.exitCode(), 0);
    QCOMPARE(beta.exitCode(), 0);

    const SettingsStore alphaSaved(QStringLiteral("Pelwick"), alphaHome.filePath(QStringLiteral("config")));
    QCOMPARE(alphaSaved.value("User", "Count"), QStringLiteral("1"));
    QCOMPARE(alphaSaved.value("User", "001UserName"), QStringLiteral("ベータ"));
    QCOMPARE(alphaSaved.value("User", "001UserIpAddr"), QString::fromLatin1(BetaAddress));
    const SettingsStore betaSaved(QStringLiteral("Pelwick"), betaHome.filePath(QStringLiteral("config")));
    QCOMPARE(betaSaved.value("User", "Count"), QStringLiteral("1"));
    QCOMPARE(betaSaved.value("User", "001UserName"), QStringLiteral("alpha"));
    QCOMPARE(betaSaved.value("User", "001UserIpAddr"), QString::fromLatin1(AlphaAddress));
}

QTEST_MAIN(tst_Netns)
#include "tst_netns.moc"
