#include "desktopnotifier.h"
#include "notificationpacer.h"
#include "messengerfixture.h"
#include "userdirectory.h"

#include "desktopidentity.h"

#include <QAccessible>
#include <QDBusConnection>
#include <QPlainTextEdit>
#include <QProcess>
#include <QScrollBar>
#include <QStandardPaths>
#include <QTest>

namespace {

// The desktop's notification service as the messenger meets it on the bus:
// it says whether it reads markup in bodies, and records what it is shown.
class NotificationService : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    QStringList capabilities;
    QStringList bodies;
    QList<QVariantMap> hints;

public slots:
    QStringList GetCapabilities() { return capabilities; }
    uint Notify(const QString &, uint, const QString &, const QString &, const QString &body, const QStringList &,
        const QVariantMap &hint, int)
    {
        bodies.append(body);
        hints.append(hint);
        return uint(bodies.size());
    }
};

} // namespace

// What the window shows of an arrival beyond the log's text: the view
// follows the newest block, and a text nobody sees becomes a desktop
// notification.
class tst_ArrivalView : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void logFollowsArrivalsUnlessScrolledUp();
    void arrivalReachesTheScreenReaderAsNewTextInTheLog();
    void unseenTextsAreNotified();
    void burstOfTextsIsOneNotificationPerSender();
    void notificationServiceGetsThePlainTextAndTheDesktopEntry_data();
    void notificationServiceGetsThePlainTextAndTheDesktopEntry();

private:
    void start(bool notify);
    void arrive(const QString &text);

    std::unique_ptr<MessengerFixture> m_me;
    std::unique_ptr<frm_pelwickUDP> m_window;
    std::unique_ptr<MessageBoxRecorder> m_boxes;
    struct Notifier : DesktopNotifier
    {
        void show(const QString &title, const QString &body) override { shown.append(title + u'|' + body); }
        QStringList shown;
    } m_notifier;
};

void tst_ArrivalView::init()
{
    m_boxes = std::make_unique<MessageBoxRecorder>();
    m_me
        = std::make_unique<MessengerFixture>(QStringLiteral("127.0.0.3"), freeUdpPort({ QStringLiteral("127.0.0.3") }));
    m_notifier.shown.clear();
}

void tst_ArrivalView::cleanup()
{
    m_window.reset();
    m_me.reset();
    m_boxes.reset();
}

void tst_ArrivalView::start(bool notify)
{
    {
        SettingsStore store(QStringLiteral("Pelwick"), m_me->settingsDir());
        store.setValue(QStringLiteral("Local"), QStringLiteral("Notify"), notify ? "True" : "False");
        store.sync();
    }
    MessengerEnvironment env = m_me->environment();
    env.notifier = &m_notifier;
    m_window = std::make_unique<frm_pelwickUDP>(env);
    QVERIFY(m_window->Form_Load());
    m_window->session()->directory()->appendRow(
        QStringLiteral("peer"), PresenceMark::HeardFrom, QStringLiteral("127.0.0.2"));
}

void tst_ArrivalView::arrive(const QString &text)
{
    m_window->session()->channel()->receive(
        buildDatagram(QStringLiteral("11"), QStringLiteral("peer"), QStringLiteral("127.0.0.2"), {}, text));
    // The log takes its blocks once per turn of the event loop.
    m_window->logText();
}

void tst_ArrivalView::logFollowsArrivalsUnlessScrolledUp()
{
    start(false);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    QScrollBar *scroll = m_window->findChild<QPlainTextEdit *>(QStringLiteral("txtR"))->verticalScrollBar();
    for (int i = 0; i < 60; ++i)
        arrive(QStringLiteral("message %1").arg(i));
    QVERIFY(scroll->maximum() > 0);
    QCOMPARE(scroll->value(), scroll->maximum());

    // The user scrolls up to read: arrivals leave the view where it is.
    scroll->setValue(3);
    arrive(QStringLiteral("while reading"));
    QCOMPARE(scroll->value(), 3);
    // Back at the bottom, the view follows again.
    scroll->setValue(scroll->maximum());
    arrive(QStringLiteral("followed"));
    QCOMPARE(scroll->value(), scroll->maximum());
}

void tst_ArrivalView::arrivalReachesTheScreenReaderAsNewTextInTheLog()
{
    // The log is found by its name and reads out what arrived, as the
    // screen reader asks for it when told of inserted text.
    start(false);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    arrive(QStringLiteral("こんにちは"));
    QAccessibleInterface *log
        = QAccessible::queryAccessibleInterface(m_window->findChild<QPlainTextEdit *>(QStringLiteral("txtR")));
    QVERIFY(log && log->textInterface());
    QCOMPARE(log->text(QAccessible::Name), QStringLiteral("送受信履歴"));
    QVERIFY(log->state().readOnly);
    const QAccessibleTextInterface *text = log->textInterface();
    QVERIFY(text->text(0, text->characterCount()).contains(QStringLiteral("こんにちは")));
}

void tst_ArrivalView::unseenTextsAreNotified()
{
    // Whether a text is notified is decided in the core (tst_datagram); the
    // window tells it whether the text arrived in view.
    start(true);
    // Hidden (in the tray): the sender and the first line of the text.
    arrive(QStringLiteral("first line\r\nsecond line"));
    QCOMPARE(m_notifier.shown, QStringList { QStringLiteral("peer|first line") });

    // Clicking the notification brings the window back.
    emit m_notifier.activated();
    QVERIFY(m_window->isVisible());
    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    // In front of the user: no notification.
    arrive(QStringLiteral("seen"));
    QCOMPARE(m_notifier.shown.size(), 1);
}

// A hostile peer floods a hidden messenger with texts: the desktop gets one
// notification, then one that counts the rest; another sender is not held
// up by the flood.
void tst_ArrivalView::burstOfTextsIsOneNotificationPerSender()
{
    start(true);
    UdpPeer flooder(QStringLiteral("127.0.0.2"), m_me->port());
    UdpPeer other(QStringLiteral("127.0.0.4"), m_me->port());
    QVERIFY(flooder.isBound() && other.isBound());
    for (int i = 0; i < 200; ++i)
        flooder.send(QStringLiteral("11<USERNAME>peer<IPADDR>127.0.0.2<GAMEID><DATA>text %1").arg(i).toLatin1(),
            m_me->address());
    QTRY_VERIFY(m_window->logText().contains(QStringLiteral("text 199")));
    QCOMPARE(m_notifier.shown, QStringList { QStringLiteral("peer|text 0") });
    other.send("11<USERNAME>other<IPADDR>127.0.0.4<GAMEID><DATA>hello", m_me->address());
    QTRY_COMPARE(m_notifier.shown.size(), 2);
    QCOMPARE(m_notifier.shown.last(), QStringLiteral("other|hello"));
    QTRY_COMPARE_WITH_TIMEOUT(m_notifier.shown.size(), 3, 3 * NotificationPacer::PaceMs);
    QCOMPARE(m_notifier.shown.last(), QStringLiteral("peer|(199件) text 199"));
}

void tst_ArrivalView::notificationServiceGetsThePlainTextAndTheDesktopEntry_data()
{
    QTest::addColumn<QStringList>("capabilities");
    QTest::addColumn<QString>("body");
    const QString typed = QStringLiteral("a < b & <b>x</b>");
    QTest::newRow("service reads markup") << QStringList { QStringLiteral("body"), QStringLiteral("body-markup") }
                                          << QStringLiteral("a &lt; b &amp; &lt;b&gt;x&lt;/b&gt;");
    QTest::newRow("service shows bodies as they are") << QStringList { QStringLiteral("body") } << typed;
}

void tst_ArrivalView::notificationServiceGetsThePlainTextAndTheDesktopEntry()
{
    QFETCH(QStringList, capabilities);
    QFETCH(QString, body);
    if (QStandardPaths::findExecutable(QStringLiteral("dbus-daemon")).isEmpty())
        QSKIP("dbus-daemon is missing (package dbus): no private session bus");
    // A session bus of this test's own, so no desktop service answers.
    QProcess bus;
    bus.start(QStringLiteral("dbus-daemon"), { QStringLiteral("--session"), QStringLiteral("--nofork"),
                                                 QStringLiteral("--print-address=1") });
    QVERIFY(bus.waitForReadyRead(10000));
    const QString address = QString::fromUtf8(bus.readLine()).trimmed();
    {
        QDBusConnection serviceSide = QDBusConnection::connectToBus(address, QStringLiteral("service"));
        QDBusConnection messengerSide = QDBusConnection::connectToBus(address, QStringLiteral("messenger"));
        QVERIFY(serviceSide.isConnected() && messengerSide.isConnected());
        NotificationService service;
        service.capabilities = capabilities;
        QVERIFY(serviceSide.registerService(QStringLiteral("org.freedesktop.Notifications")));
        QVERIFY(serviceSide.registerObject(
            QStringLiteral("/org/freedesktop/Notifications"), &service, QDBusConnection::ExportAllSlots));

        DesktopIdentity::apply(DesktopIdentity::Messenger);
        FreedesktopNotifier notifier(QStringLiteral("Pelwick"), messengerSide);
        notifier.show(QStringLiteral("peer <x>"), QStringLiteral("a < b & <b>x</b>"));
        QTRY_COMPARE(service.bodies, QStringList { body });
        QCOMPARE(service.hints.first().value(QStringLiteral("desktop-entry")).toString(),
            QStringLiteral("org.pelwick.Pelwick"));
    }
    QDBusConnection::disconnectFromBus(QStringLiteral("service"));
    QDBusConnection::disconnectFromBus(QStringLiteral("messenger"));
    bus.kill();
    bus.waitForFinished();
}

QTEST_MAIN(tst_ArrivalView)
#include "tst_arrivalview.moc"
