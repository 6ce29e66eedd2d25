#include "pelwickUDP050.h"

#include <QElapsedTimer>
#include <QTest>
#include <QTimer>
#include <QWidget>

class tst_WindowHelpers : public QObject
{
    Q_OBJECT
private slots:
    void setTopmostKeepsHiddenWindowHidden();
    void setTopmostTogglesTheFlagOfAVisibleWindow();
    void flashCaptionInvertsCountPlusOneTimesAndEndsNormal();
    void stopFlashingEndsTheWaitAtOnce();
    void stopBeforeFlashHasNoEffect();
    void isWindowsNtIsFalseHere();
};

void tst_WindowHelpers::setTopmostKeepsHiddenWindowHidden()
{
    QWidget w;
    SetTopmost(true, &w);
    QVERIFY(!w.isVisible());
    QVERIFY(w.windowFlags() & Qt::WindowStaysOnTopHint);
}

void tst_WindowHelpers::setTopmostTogglesTheFlagOfAVisibleWindow()
{
    QWidget w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    SetTopmost(true, &w);
    QVERIFY(w.isVisible());
    QVERIFY(w.windowFlags() & Qt::WindowStaysOnTopHint);
    SetTopmost(false, &w);
    QVERIFY(w.isVisible());
    QVERIFY(!(w.windowFlags() & Qt::WindowStaysOnTopHint));
}

void tst_WindowHelpers::flashCaptionInvertsCountPlusOneTimesAndEndsNormal()
{
    QWidget w;
    w.show();
    int inversions = 0;
    bool last = false;
    QTimer probe;
    probe.setInterval(1);
    connect(&probe, &QTimer::timeout, this, [&] {
        const bool now = CaptionInverted(&w);
        if (now != last)
            ++inversions;
        last = now;
    });
    probe.start();
    FlashCaption(&w, 3, 0.05f);
    probe.stop();
    // Rounds 0..3 invert four times: on, off, on, off; the end is normal.
    QCOMPARE(inversions, 4);
    QVERIFY(!CaptionInverted(&w));
}

void tst_WindowHelpers::stopFlashingEndsTheWaitAtOnce()
{
    QWidget w;
    QTimer::singleShot(50, this, [] { StopFlashing(); });
    QElapsedTimer clock;
    clock.start();
    FlashCaption(&w, 10, 0.5f);
    QVERIFY2(clock.elapsed() < 400, qPrintable(QString::number(clock.elapsed())));
    QVERIFY(!CaptionInverted(&w));
}

void tst_WindowHelpers::stopBeforeFlashHasNoEffect()
{
    QWidget w;
    StopFlashing();
    int seen = 0;
    QTimer probe;
    probe.setInterval(1);
    connect(&probe, &QTimer::timeout, this, [&] { seen += CaptionInverted(&w) ? 1 : 0; });
    probe.start();
    FlashCaption(&w, 0, 0.05f);
    QVERIFY(seen > 0);
    QVERIFY(!CaptionInverted(&w));
}

void tst_WindowHelpers::isWindowsNtIsFalseHere()
{
    QVERIFY(!IsWindowsNT());
}

QTEST_MAIN(tst_WindowHelpers)
#include "tst_windowhelpers.moc"
