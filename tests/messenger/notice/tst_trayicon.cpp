#include "trayicon.h"

#include <QMenu>
#include <QSignalSpy>
#include <QTest>
#include <QWidget>

class tst_TrayIcon : public QObject
{
    Q_OBJECT
private slots:
    void setAddsOneIconWithTipAndMenu();
    void resetDeletesTheIcon();
    void onlyTheLeftPressAsksForRestore_data();
    void onlyTheLeftPressAsksForRestore();
    void restoreBringsTheWindowBackAndKeepsTheTopSetting_data();
    void restoreBringsTheWindowBackAndKeepsTheTopSetting();
};

void tst_TrayIcon::setAddsOneIconWithTipAndMenu()
{
    QWidget main;
    QMenu menuTaskBar;
    PelwickTrayIcon *icon = TrayIcon(TrayIconAction::Set, &main, &menuTaskBar);
    QVERIFY(icon);
    QCOMPARE(icon->icon()->toolTip(), QStringLiteral("右ｸﾘｯｸでﾒﾆｭｰ表示!"));
    QCOMPARE(icon->icon()->contextMenu(), &menuTaskBar);
    QVERIFY(icon->icon()->isVisible());
    QVERIFY(!icon->icon()->icon().isNull());
    QCOMPARE(findTrayIcon(&main), icon);
    // A second SET keeps the one icon.
    QCOMPARE(TrayIcon(TrayIconAction::Set, &main, &menuTaskBar), icon);
    QCOMPARE(main.findChildren<PelwickTrayIcon *>().size(), 1);
}

void tst_TrayIcon::resetDeletesTheIcon()
{
    QWidget main;
    QMenu menuTaskBar;
    QVERIFY(TrayIcon(TrayIconAction::Set, &main, &menuTaskBar));
    QCOMPARE(TrayIcon(TrayIconAction::Reset, &main, &menuTaskBar), nullptr);
    QCOMPARE(findTrayIcon(&main), nullptr);
    // Deleting when there is no icon does no harm either.
    QCOMPARE(TrayIcon(TrayIconAction::Reset, &main, &menuTaskBar), nullptr);
}

void tst_TrayIcon::onlyTheLeftPressAsksForRestore_data()
{
    QTest::addColumn<QSystemTrayIcon::ActivationReason>("reason");
    QTest::addColumn<int>("restores");
    QTest::newRow("left press") << QSystemTrayIcon::Trigger << 1;
    QTest::newRow("right press") << QSystemTrayIcon::Context << 0;
    QTest::newRow("double click") << QSystemTrayIcon::DoubleClick << 0;
    QTest::newRow("middle click") << QSystemTrayIcon::MiddleClick << 0;
}

void tst_TrayIcon::onlyTheLeftPressAsksForRestore()
{
    QFETCH(QSystemTrayIcon::ActivationReason, reason);
    QFETCH(int, restores);
    QWidget main;
    QMenu menuTaskBar;
    PelwickTrayIcon *icon = TrayIcon(TrayIconAction::Set, &main, &menuTaskBar);
    QSignalSpy spy(icon, &PelwickTrayIcon::restoreRequested);
    emit icon->icon()->activated(reason);
    QCOMPARE(spy.count(), restores);
}

void tst_TrayIcon::restoreBringsTheWindowBackAndKeepsTheTopSetting_data()
{
    QTest::addColumn<bool>("formTop");
    QTest::newRow("FormTop off") << false;
    QTest::newRow("FormTop on") << true;
}

void tst_TrayIcon::restoreBringsTheWindowBackAndKeepsTheTopSetting()
{
    QFETCH(bool, formTop);
    QWidget main;
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));
    main.showMinimized();
    main.hide(); // minimised into the tray
    restoreFromTray(&main, formTop);
    QVERIFY(main.isVisible());
    QVERIFY(!(main.windowState() & Qt::WindowMinimized));
    QCOMPARE(bool(main.windowFlags() & Qt::WindowStaysOnTopHint), formTop);
}

QTEST_MAIN(tst_TrayIcon)
#include "tst_trayicon.moc"
