#include "keyboardaccess.h"
#include "messagebox.h"
#include "screenfit.h"
#include "windowhelpers.h"
#include "windowdrag.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <QWindow>

class tst_WindowHelpers : public QObject
{
    Q_OBJECT
private slots:
    void setTopmostKeepsHiddenWindowHidden();
    void setTopmostTogglesTheFlagOfAVisibleWindowAndKeepsItsNativeWindow();
    void flashCaptionInvertsCountPlusOneTimesAndEndsNormal();
    void stopFlashingEndsTheWaitAtOnce();
    void stopBeforeFlashHasNoEffect();
    void flashLooksChangeInStrictAlternation_data();
    void flashLooksChangeInStrictAlternation();
    void stopDuringTheFirstWaitMeansNoFurtherInversion();
    void stoppingOneWindowLeavesAnothersFlashRunning();
    void windowDestroyedDuringAFlashEndsIt();
    void isWindowsNtIsFalseHere();
    void windowDragStartsOneMovePerLeftPress();
    void windowFollowsThePointerWhereTheWindowSystemDoesNotMoveIt_data();
    void windowFollowsThePointerWhereTheWindowSystemDoesNotMoveIt();
    void messageBoxGoesWithAParentDestroyedWhileItIsOpen();
    void windowsOpenInsideTheAvailableArea_data();
    void windowsOpenInsideTheAvailableArea();
    void qtsOwnButtonsReadJapanese();
    void textBoxFramesStayWholeAtEveryScale();
};

void tst_WindowHelpers::setTopmostKeepsHiddenWindowHidden()
{
    QWidget w;
    SetTopmost(true, &w);
    QVERIFY(!w.isVisible());
    QVERIFY(w.windowFlags() & Qt::WindowStaysOnTopHint);
}

void tst_WindowHelpers::setTopmostTogglesTheFlagOfAVisibleWindowAndKeepsItsNativeWindow()
{
    QWidget w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    const WId native = w.winId();
    QWindow *handle = w.windowHandle();
    QSignalSpy mapping(handle, &QWindow::visibleChanged);
    SetTopmost(true, &w);
    QVERIFY(w.isVisible());
    QVERIFY(w.windowFlags() & Qt::WindowStaysOnTopHint);
    // The window system is told, not a new window made.
    QTRY_VERIFY(handle->flags() & Qt::WindowStaysOnTopHint);
    SetTopmost(false, &w);
    QVERIFY(w.isVisible());
    QVERIFY(!(w.windowFlags() & Qt::WindowStaysOnTopHint));
    QTRY_VERIFY(!(handle->flags() & Qt::WindowStaysOnTopHint));
    QCOMPARE(w.windowHandle(), handle);
    QCOMPARE(w.winId(), native);
    QCOMPARE(mapping.count(), 0);
}

void tst_WindowHelpers::flashCaptionInvertsCountPlusOneTimesAndEndsNormal()
{
    QWidget w;
    w.setWindowTitle(QStringLiteral("五目並べ"));
    w.show();
    int inversions = 0;
    bool last = false;
    QStringList titles;
    QTimer probe;
    probe.setInterval(1);
    connect(&probe, &QTimer::timeout, this, [&] {
        const bool now = captionInverted(&w);
        if (now != last)
            ++inversions;
        last = now;
        if (titles.isEmpty() || titles.last() != w.windowTitle())
            titles.append(w.windowTitle());
    });
    probe.start();
    FlashCaption(&w, 3, 0.05f);
    probe.stop();
    // Rounds 0..3 invert four times: on, off, on, off; the end is normal.
    QCOMPARE(inversions, 4);
    QVERIFY(!captionInverted(&w));
    // The caption's text shows it too, so an active window flashes visibly.
    QCOMPARE(w.windowTitle(), QStringLiteral("五目並べ"));
    QVERIFY2(titles.size() >= 4, qPrintable(titles.join(u'|')));
    QVERIFY(titles.at(0) != w.windowTitle() && titles.at(0).contains(w.windowTitle()));
    QCOMPARE(titles.at(1), w.windowTitle());
}

void tst_WindowHelpers::stopFlashingEndsTheWaitAtOnce()
{
    QWidget w;
    QTimer::singleShot(50, this, [&w] { StopFlashing(&w); });
    QElapsedTimer clock;
    clock.start();
    FlashCaption(&w, 10, 0.5f);
    QVERIFY2(clock.elapsed() < 400, qPrintable(QString::number(clock.elapsed())));
    QVERIFY(!captionInverted(&w));
}

void tst_WindowHelpers::stopBeforeFlashHasNoEffect()
{
    QWidget w;
    StopFlashing(&w);
    int seen = 0;
    QTimer probe;
    probe.setInterval(1);
    connect(&probe, &QTimer::timeout, this, [&] { seen += captionInverted(&w) ? 1 : 0; });
    probe.start();
    FlashCaption(&w, 0, 0.05f);
    QVERIFY(seen > 0);
    QVERIFY(!captionInverted(&w));
}

namespace {

// Records every look a window's caption takes, from the property changes
// themselves, so no change can slip between two polls.
class CaptionLooks : public QObject
{
public:
    explicit CaptionLooks(QWidget *window)
        : m_window(window)
    {
        window->installEventFilter(this);
    }
    // The looks in order, repeats of the same look folded into one.
    QList<bool> looks;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == m_window && event->type() == QEvent::DynamicPropertyChange) {
            const bool now = captionInverted(m_window);
            if (looks.isEmpty() ? now : looks.last() != now)
                looks.append(now);
        }
        return false;
    }

private:
    QWidget *m_window;
};

} // namespace

void tst_WindowHelpers::flashLooksChangeInStrictAlternation_data()
{
    QTest::addColumn<int>("count");
    QTest::newRow("0: one inversion") << 0;
    QTest::newRow("1") << 1;
    QTest::newRow("4") << 4;
    QTest::newRow("10: eleven inversions") << 10;
}

void tst_WindowHelpers::flashLooksChangeInStrictAlternation()
{
    QFETCH(int, count);
    QWidget w;
    CaptionLooks looks(&w);
    FlashCaption(&w, qint16(count), 0.001f);
    // count + 1 inversions, then the normal look (one more change when the
    // last inversion left the caption inverted).
    QList<bool> expected;
    for (int i = 0; i <= count; ++i)
        expected.append(i % 2 == 0);
    if (expected.last())
        expected.append(false);
    QCOMPARE(looks.looks, expected);
    QVERIFY(!captionInverted(&w));
}

void tst_WindowHelpers::stopDuringTheFirstWaitMeansNoFurtherInversion()
{
    QWidget w;
    CaptionLooks looks(&w);
    // Runs inside the first wait, as a board click handler would.
    QTimer::singleShot(0, this, [&] {
        QVERIFY(captionInverted(&w));
        StopFlashing(&w);
    });
    // An hour a round: only a wait that ends at the request lets this return
    // within the test's timeout.
    FlashCaption(&w, 10, 3600.0f);
    QCOMPARE(looks.looks, QList<bool>({ true, false }));

    // A later flash clears the request again and runs its rounds.
    FlashCaption(&w, 1, 0.001f);
    QCOMPARE(looks.looks, QList<bool>({ true, false, true, false }));
}

void tst_WindowHelpers::stoppingOneWindowLeavesAnothersFlashRunning()
{
    QWidget game;
    QWidget other;
    CaptionLooks looks(&game);
    // Inside the first wait of the game's flash, another window flashes
    // briefly and is stopped: the game's flash runs all its rounds.
    QTimer::singleShot(0, this, [&] {
        QTimer::singleShot(0, this, [&] { StopFlashing(&other); });
        FlashCaption(&other, 5, 3600.0f);
    });
    FlashCaption(&game, 2, 0.05f);
    QCOMPARE(looks.looks, QList<bool>({ true, false, true, false }));
    QVERIFY(!captionInverted(&other));
}

void tst_WindowHelpers::windowDestroyedDuringAFlashEndsIt()
{
    auto *w = new QWidget;
    QPointer<QWidget> alive(w);
    QTimer::singleShot(0, w, [w] { delete w; });
    // The wait of the round in progress ends with the window: this returns
    // long before the hour of the round (the test timeout would end it).
    FlashCaption(w, 10, 3600.0f);
    QVERIFY(!alive);
}

void tst_WindowHelpers::isWindowsNtIsFalseHere()
{
    QVERIFY(!IsWindowsNT());
}

void tst_WindowHelpers::windowDragStartsOneMovePerLeftPress()
{
    QWidget w;
    w.resize(100, 100);
    auto *drag = new WindowDrag(&w);
    QList<QWidget *> moved;
    drag->setMoveStarter([&](QWidget *window) {
        moved << window;
        return true;
    });
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    const QPoint at(50, 50);
    const auto motion = [&](Qt::MouseButtons held) {
        QMouseEvent event(QEvent::MouseMove, QPointF(at + QPoint(8, 5)), QPointF(w.mapToGlobal(at + QPoint(8, 5))),
            Qt::NoButton, held, Qt::NoModifier);
        QApplication::sendEvent(&w, &event);
    };

    motion(Qt::NoButton);
    QTest::mousePress(&w, Qt::LeftButton, {}, at);
    motion(Qt::LeftButton);
    // The window system holds the pointer until the release: no second move.
    motion(Qt::LeftButton);
    QTest::mouseRelease(&w, Qt::LeftButton, {}, at);
    motion(Qt::NoButton);
    QCOMPARE(moved, QList<QWidget *>({ &w }));

    // A window hidden with the button down does not start a move when shown again.
    QTest::mousePress(&w, Qt::LeftButton, {}, at);
    w.hide();
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    motion(Qt::LeftButton);
    QCOMPARE(moved.size(), 1);
    QTest::mouseRelease(&w, Qt::LeftButton, {}, at);

    QTest::mousePress(&w, Qt::LeftButton, {}, at);
    motion(Qt::LeftButton);
    QCOMPARE(moved, QList<QWidget *>({ &w, &w }));
}

void tst_WindowHelpers::windowFollowsThePointerWhereTheWindowSystemDoesNotMoveIt_data()
{
    QTest::addColumn<bool>("offered");
    QTest::newRow("no move offered (no window manager)") << false;
    QTest::newRow("move offered but not taken") << true;
}

void tst_WindowHelpers::windowFollowsThePointerWhereTheWindowSystemDoesNotMoveIt()
{
    QFETCH(bool, offered);
    QWidget w(nullptr, Qt::Window | Qt::FramelessWindowHint);
    w.setGeometry(200, 150, 100, 100);
    auto *drag = new WindowDrag(&w);
    int requests = 0;
    drag->setMoveStarter([&](QWidget *) {
        ++requests;
        return offered;
    });
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    const QPoint start = w.pos();
    const QPoint at(50, 50);
    const QPoint pressedAt = w.mapToGlobal(at);
    const auto motion = [&](QPoint by, Qt::MouseButtons held = Qt::LeftButton) {
        QMouseEvent event(QEvent::MouseMove, QPointF(w.mapFromGlobal(pressedAt + by)), QPointF(pressedAt + by),
            Qt::NoButton, held, Qt::NoModifier);
        QApplication::sendEvent(&w, &event);
    };

    QTest::mousePress(&w, Qt::LeftButton, {}, at);
    motion({ 3, 2 });
    // Asked once; a refusal shows only as motions that keep coming.
    QCOMPARE(w.pos(), offered ? start : start + QPoint(3, 2));
    motion({ 40, 25 });
    QCOMPARE(w.pos(), start + QPoint(40, 25));
    motion({ -30, 60 });
    QCOMPARE(w.pos(), start + QPoint(-30, 60));
    QCOMPARE(requests, 1);
    QTest::mouseRelease(&w, Qt::LeftButton, {}, w.mapFromGlobal(pressedAt + QPoint(-30, 60)));
    // Released, the window stays; motions without the button do nothing.
    motion({ 90, 90 }, Qt::NoButton);
    QCOMPARE(w.pos(), start + QPoint(-30, 60));
}

void tst_WindowHelpers::messageBoxGoesWithAParentDestroyedWhileItIsOpen()
{
    auto *parent = new QWidget;
    const QPointer<QWidget> alive(parent);
    parent->show();
    QString title;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
    // Runs in the open box's own event loop.
    QTimer::singleShot(0, parent, [&] {
        auto *box = parent->findChild<QMessageBox *>();
        if (box && box->isVisible()) {
            title = box->windowTitle();
            defaultButton = box->standardButton(box->defaultButton());
        }
        delete parent;
    });
    const auto answer = ShowMessageBox({ parent, QStringLiteral("question"), QStringLiteral("caption"),
        QMessageBox::Yes | QMessageBox::No, QMessageBox::Question, QMessageBox::Yes });
    QVERIFY(!alive);
    QCOMPARE(answer, QMessageBox::NoButton);
    QCOMPARE(title, QStringLiteral("caption"));
    QCOMPARE(defaultButton, QMessageBox::Yes);
}

void tst_WindowHelpers::windowsOpenInsideTheAvailableArea_data()
{
    QTest::addColumn<QRect>("client");
    QTest::addColumn<QSize>("minimum");
    QTest::addColumn<QRect>("area");
    QTest::addColumn<QRect>("expected");
    const QRect fullHd(0, 0, 1920, 1080 - 56);
    QTest::newRow("fits, kept") << QRect(104, 130, 360, 520) << QSize(200, 200) << fullHd << QRect(104, 130, 360, 520);
    // 1920x1080 at 2x with a 56-pixel panel: 960x512 of room.
    QTest::newRow("2x, status bar under the panel")
        << QRect(104, 130, 360, 520) << QSize(200, 300) << QRect(0, 0, 960, 512) << QRect(104, 30, 360, 478);
    // 1280x800 at 2x: PC情報 at 600x480 shrinks to the height there is.
    QTest::newRow("2x, larger than the screen")
        << QRect(300, 200, 600, 480) << QSize(300, 200) << QRect(0, 0, 640, 372) << QRect(36, 30, 600, 338);
    QTest::newRow("not even the minimum fits")
        << QRect(50, 50, 600, 480) << QSize(700, 400) << QRect(0, 0, 640, 372) << QRect(4, 30, 700, 400);
    QTest::newRow("second screen, off its right edge") << QRect(1900 + 1920, 30, 300, 200) << QSize(100, 100)
                                                       << QRect(1920, 0, 1920, 1080) << QRect(3536, 30, 300, 200);
}

void tst_WindowHelpers::windowsOpenInsideTheAvailableArea()
{
    QFETCH(QRect, client);
    QFETCH(QSize, minimum);
    QFETCH(QRect, area);
    QFETCH(QRect, expected);
    const QMargins frame(4, 30, 4, 4);
    const QRect fitted = ScreenFit::fitted(client, frame, minimum, area);
    QCOMPARE(fitted, expected);
    if (minimum.width() <= area.width() && minimum.height() <= area.height())
        QVERIFY(area.contains(fitted.marginsAdded(frame)));
}

void tst_WindowHelpers::qtsOwnButtonsReadJapanese()
{
    // Last in this program: from here on Qt speaks Japanese.
    const QString catalogue = QLibraryInfo::path(QLibraryInfo::TranslationsPath) + QLatin1String("/qtbase_ja.qm");
    if (!QFileInfo::exists(catalogue))
        QSKIP("Qt's Japanese catalogue is not installed (Debian package qt6-translations-l10n)");
    QVERIFY(KeyboardAccess::loadQtJapanese());
    QMessageBox box(QMessageBox::Question, QStringLiteral("t"), QStringLiteral("削除してもよろしいですか"),
        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    QCOMPARE(box.button(QMessageBox::Cancel)->text(), QStringLiteral("キャンセル"));
    // With their access keys: はい(&Y), いいえ(&N).
    QVERIFY(box.button(QMessageBox::Yes)->text().startsWith(QStringLiteral("はい")));
    QVERIFY(box.button(QMessageBox::No)->text().startsWith(QStringLiteral("いいえ")));
}

// Run again at a scale of 1.5 (tst_windowhelpers_1_5x), where a frame's
// lower edge can fall between two pixels.
void tst_WindowHelpers::textBoxFramesStayWholeAtEveryScale()
{
    ScreenFit::install();
    QWidget window;
    window.setPalette(QPalette(Qt::white));
    window.resize(200, 120);
    for (int height : { 50, 51, 52, 53 }) {
        auto *box = new QPlainTextEdit(&window);
        box->setGeometry(10 + (height - 50) * 45, 11, 40, height);
    }
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const qreal ratio = window.devicePixelRatioF();
    const QImage shot = window.grab().toImage();
    for (const QPlainTextEdit *box : window.findChildren<QPlainTextEdit *>()) {
        // Some pixel of the last two rows the box covers is frame, not white.
        const int x = qRound((box->x() + box->width() / 2) * ratio);
        const int last = int((box->y() + box->height()) * ratio) - 1;
        const bool framed = qGray(shot.pixel(x, last)) < 230 || qGray(shot.pixel(x, last - 1)) < 230;
        QVERIFY2(framed, qPrintable(QStringLiteral("height %1 at scale %2").arg(box->height()).arg(ratio)));
    }
}

QTEST_MAIN(tst_WindowHelpers)
#include "tst_windowhelpers.moc"
