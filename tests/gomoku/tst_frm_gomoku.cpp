#include "accessiblenames.h"
#include "boardgeometry.h"
#include "frm_GOMOKU.h"
#include "gomokutestsupport.h"
#include "messageboxrecorder.h"
#include "link.h"
#include "windowhelpers.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace GomokuTest;
using namespace Gomoku;

namespace {
const QString Messenger = QStringLiteral("TestMessenger");
const QString OwnAddress = QStringLiteral("192.168.0.5");
const QString PartnerAddress = QStringLiteral("192.168.0.7");
const QColor Yellow(255, 230, 0);
const QColor Red(230, 0, 0);
} // namespace

// The game window driven by clicks and by link texts over the real link; the
// test plays the messenger with a link source of its own. What the game
// decides is tested without a window in tst_gomokugame; here the window's
// part: clicks to intersections, drawing, panels, caption, boxes, closing.
class tst_frm_GOMOKU : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void secondCopyIsRefused();
    void clickSelectsTheNearestIntersection_data();
    void clickSelectsTheNearestIntersection();
    void colourSwitchRepaintsPlainStones();
    void marksLastUntilThePartnerMoves();
    void resizeKeepsTheFrameSquare();
    void captionAndPanelsFollowTheGame();

    void invalidCodeShowsItsBox();
    void paddedNudgeFlashesUntilTheNextClick();
    void nudgeMenuSendsToTheMessenger();
    void closeSendsTheEndReportOnce();
    void keyboardAndScreenReaderReachTheWindow();
    void endCodeEndsAtOnceWithoutReport();
    void wholeGameByClicks_data();
    void wholeGameByClicks();

private:
    // Pokes text into the game and waits until the game has handled it.
    void send(const QString &linkText);
    void introduce(bool ownBlack, const QString &messenger = Messenger);
    QString partnerMove(int x, int y) { return text("10", GomokuLink::moveData(PartnerAddress, x, y)); }
    void click(int x, int y, Qt::MouseButton button = Qt::LeftButton, QPoint offset = {});
    QColor pixelAt(int x, int y, QPoint offset = {});
    QStringList receivedTexts() const;
    QAction *action(const char *name) { return m_window->findChild<QAction *>(QLatin1String(name)); }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<LinkSource> m_messenger;
    std::unique_ptr<QSignalSpy> m_received;
    std::unique_ptr<frm_GOMOKU> m_window;
    std::unique_ptr<QSignalSpy> m_handled;
    std::unique_ptr<QSignalSpy> m_beeps;
    std::unique_ptr<MessageBoxRecorder> m_boxes;
};

void tst_frm_GOMOKU::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_messenger = std::make_unique<LinkSource>(Messenger, m_dir->path());
    m_messenger->addItem(QLatin1String(LinkInputItem));
    QVERIFY(m_messenger->listen());
    m_received = std::make_unique<QSignalSpy>(m_messenger.get(), &LinkSource::poked);

    m_window = std::make_unique<frm_GOMOKU>(m_dir->path());
    QVERIFY(m_window->linkListening());
    // Connected after the window's own handler, so it counts handled texts.
    m_handled = std::make_unique<QSignalSpy>(m_window->findChild<LinkSource *>(), &LinkSource::conversationClosed);
    m_beeps = std::make_unique<QSignalSpy>(m_window.get(), &frm_GOMOKU::beeped);
    m_boxes = std::make_unique<MessageBoxRecorder>();
    // 26-pixel cells, big enough to tell the marks apart.
    m_window->resize(520, 560);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    QTRY_COMPARE(m_window->CellWidth(), 26);
    QCOMPARE(m_window->CellHeight(), 26);
}

void tst_frm_GOMOKU::cleanup()
{
    m_boxes.reset();
    m_beeps.reset();
    m_handled.reset();
    m_window.reset();
    m_received.reset();
    m_messenger.reset();
    m_dir.reset();
}

void tst_frm_GOMOKU::send(const QString &linkText)
{
    const qsizetype before = m_handled->count();
    QVERIFY(SendLinkText(linkText, QStringLiteral("GOMOKU"), m_dir->path()));
    QTRY_COMPARE(m_handled->count(), before + 1);
}

void tst_frm_GOMOKU::introduce(bool ownBlack, const QString &messenger)
{
    // The messenger's order: #1 to #5, the colour, then the start.
    send(text("#1", messenger));
    send(text("#2", QStringLiteral("相手")));
    send(text("#3", PartnerAddress));
    send(text("#4", QStringLiteral("自分")));
    send(text("#5", OwnAddress));
    send(text(ownBlack ? "20" : "21"));
    send(text("01"));
}

void tst_frm_GOMOKU::click(int x, int y, Qt::MouseButton button, QPoint offset)
{
    QWidget *board = m_window->findChild<QWidget *>(QStringLiteral("BoardView"));
    QTest::mouseClick(board, button, {}, QPoint(m_window->CellWidth() * x, m_window->CellHeight() * y) + offset);
}

QColor tst_frm_GOMOKU::pixelAt(int x, int y, QPoint offset)
{
    const QImage image = m_window->findChild<QWidget *>(QStringLiteral("BoardView"))->grab().toImage();
    return image.pixelColor(QPoint(m_window->CellWidth() * x, m_window->CellHeight() * y) + offset);
}

QStringList tst_frm_GOMOKU::receivedTexts() const
{
    QStringList texts;
    for (const QList<QVariant> &args : std::as_const(*m_received))
        texts.append(args.at(1).toString());
    return texts;
}

// ---- window ----------------------------------------------------------------

void tst_frm_GOMOKU::secondCopyIsRefused()
{
    {
        frm_GOMOKU second(m_dir->path());
        QVERIFY(second.alreadyRunning());
        QVERIFY(!second.findChild<LinkSource *>());
    }
    QTemporaryDir otherUser;
    QVERIFY(!frm_GOMOKU(otherUser.path()).alreadyRunning());
    // A lock a crash left empty holds nobody back.
    QTemporaryDir crashed;
    QFile empty(crashed.filePath(QStringLiteral("GOMOKU.lock")));
    QVERIFY(empty.open(QIODevice::WriteOnly));
    empty.close();
    QVERIFY(!frm_GOMOKU(crashed.path()).alreadyRunning());
    m_handled.reset();
    m_beeps.reset();
    m_window.reset();
    QVERIFY(!frm_GOMOKU(m_dir->path()).alreadyRunning());
}

void tst_frm_GOMOKU::clickSelectsTheNearestIntersection_data()
{
    QTest::addColumn<QPoint>("point");
    QTest::addColumn<QPoint>("offset");
    QTest::addColumn<Qt::MouseButton>("button");
    QTest::addColumn<QPoint>("expected");
    QTest::newRow("just short of half a cell") << QPoint(7, 9) << QPoint(12, 12) << Qt::LeftButton << QPoint(7, 9);
    QTest::newRow("past half a cell") << QPoint(7, 9) << QPoint(13, 13) << Qt::LeftButton << QPoint(8, 10);
    QTest::newRow("outside the first line") << QPoint(1, 1) << QPoint(-10, -10) << Qt::LeftButton << QPoint(1, 1);
    QTest::newRow("outside the last line") << QPoint(19, 19) << QPoint(10, 10) << Qt::LeftButton << QPoint(19, 19);
    // The button reaches the game as pressed: the right one only beeps.
    QTest::newRow("right button") << QPoint(7, 9) << QPoint() << Qt::RightButton << QPoint();
}

void tst_frm_GOMOKU::clickSelectsTheNearestIntersection()
{
    QFETCH(QPoint, point);
    QFETCH(QPoint, offset);
    QFETCH(Qt::MouseButton, button);
    QFETCH(QPoint, expected);
    introduce(true);
    m_beeps->clear();
    click(point.x(), point.y(), button, offset);
    if (expected.isNull()) {
        QCOMPARE(m_beeps->count(), 1);
        QVERIFY(m_window->rules().isFree(qint16(point.x()), qint16(point.y())));
        QVERIFY(m_received->isEmpty());
    } else {
        QCOMPARE(m_window->rules().Board(qint16(expected.x()), qint16(expected.y())), OwnSide);
        QCOMPARE(receivedTexts().size(), 1);
    }
}

void tst_frm_GOMOKU::colourSwitchRepaintsPlainStones()
{
    QCOMPARE(pixelAt(0, 0, { 2, 2 }), QColor(255, 128, 0));
    introduce(true);
    click(10, 10);
    QTRY_COMPARE(pixelAt(10, 10), Yellow);
    action("menuKibanColor")->trigger();
    QVERIFY(action("menuKibanColor")->isChecked());
    const QColor centre = pixelAt(10, 10);
    QVERIFY2(centre.red() < 128 && centre.green() < 128, qPrintable(centre.name()));
    // The corners of the stone image follow the board colour.
    QCOMPARE(pixelAt(10, 10, { -12, -12 }), QColor(255, 255, 255));
    QCOMPARE(pixelAt(0, 0, { 2, 2 }), QColor(255, 255, 255));
    action("menuKibanColor")->trigger();
    QCOMPARE(pixelAt(10, 10, { -12, -12 }), QColor(255, 128, 0));
}

void tst_frm_GOMOKU::marksLastUntilThePartnerMoves()
{
    introduce(true);
    click(4, 4);
    QTRY_COMPARE(pixelAt(4, 4), Yellow);
    send(partnerMove(5, 5));
    QCOMPARE(pixelAt(5, 5), Red);
    QVERIFY(pixelAt(4, 4) != Yellow);
    click(6, 6); // an own move leaves the partner's mark
    QCOMPARE(pixelAt(6, 6), Yellow);
    QCOMPARE(pixelAt(5, 5), Red);
}

void tst_frm_GOMOKU::resizeKeepsTheFrameSquare()
{
    m_window->resize(600, 400);
    QTRY_COMPARE(m_window->frameGeometry().width(), m_window->frameGeometry().height());
    m_window->resize(400, 700);
    QTRY_COMPARE(m_window->frameGeometry().width(), m_window->frameGeometry().height());
    const QWidget *board = m_window->findChild<QWidget *>(QStringLiteral("BoardView"));
    QTRY_COMPARE(m_window->CellWidth(), BoardGeometry::cellSpacing(board->width()));
    QCOMPARE(m_window->CellHeight(), BoardGeometry::cellSpacing(board->height()));
}

void tst_frm_GOMOKU::captionAndPanelsFollowTheGame()
{
    introduce(false);
    QCOMPARE(m_window->windowTitle(), QStringLiteral("五目並べ [黒]相手 対 [白]自分"));
    // Wide enough for the title bar to show the colours whole.
    QVERIFY(m_window->frameGeometry().width() >= titleBarWidth(m_window.get(), m_window->windowTitle()));
    QCOMPARE(m_window->panelText(1), QStringLiteral("Game Start !!!"));
    QCOMPARE(m_beeps->count(), 1);
    send(partnerMove(10, 10));
    QCOMPARE(m_window->panelText(2), QStringLiteral("自分"));
    QCOMPARE(m_window->panelText(3), QStringLiteral("白"));
    QCOMPARE(m_beeps->count(), 2);
    // Getting the focus shows whose turn it is.
    QEvent activation(QEvent::ActivationChange);
    m_window->activateWindow();
    QTRY_VERIFY(m_window->isActiveWindow());
    QApplication::sendEvent(m_window.get(), &activation);
    QCOMPARE(m_window->windowTitle(), QStringLiteral("五目並べ-自分"));
}

// ---- link texts ------------------------------------------------------------

void tst_frm_GOMOKU::invalidCodeShowsItsBox()
{
    send(text("77"));
    QCOMPARE(m_boxes->texts, QStringList { QStringLiteral("プログラム不正処理発生 Game_Func=77") });
    const MessageBoxRequest &box = m_boxes->requests.first();
    QCOMPARE(box.parent, m_window.get());
    QCOMPARE(box.title, QStringLiteral("GOMOKU"));
    QCOMPARE(box.icon, QMessageBox::NoIcon);
    QCOMPARE(box.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
}

void tst_frm_GOMOKU::paddedNudgeFlashesUntilTheNextClick()
{
    // The partner holds black and moves first.
    introduce(false);
    const QString normal = m_window->windowTitle();
    m_beeps->clear();
    QString flashing;
    QString hurry;
    bool moveOnBoard = false;
    QTimer probe;
    connect(&probe, &QTimer::timeout, this, [&] {
        if (!captionInverted(m_window.get()) || !flashing.isEmpty())
            return;
        flashing = m_window->windowTitle();
        hurry = m_window->panelText(1);
        // The flash holds nothing back: the partner's move poked now is on
        // the board while the caption still flashes.
        QVERIFY(SendLinkText(partnerMove(3, 3), QStringLiteral("GOMOKU"), m_dir->path()));
        QTRY_COMPARE(m_window->rules().Board(3, 3), PartnerSide);
        moveOnBoard = true;
        click(1, 1);
    });
    probe.start(1);
    QVERIFY(SendLinkText(QStringLiteral("   <GAMEFUNC>40<GAMEDATA>  "), QStringLiteral("GOMOKU"), m_dir->path()));
    QTRY_VERIFY(moveOnBoard);
    QCOMPARE(hurry, QStringLiteral("早く～ (^0^)"));
    QVERIFY(flashing != normal && flashing.contains(normal));
    QTRY_VERIFY(!captionInverted(m_window.get()));
    QCOMPARE(m_window->rules().Board(1, 1), OwnSide);
    QCOMPARE(m_window->windowTitle(), normal);
    // The nudge's beep and the turn's beep after the partner's move.
    QCOMPARE(m_beeps->count(), 2);
}

void tst_frm_GOMOKU::nudgeMenuSendsToTheMessenger()
{
    send(text("#1", Messenger));
    action("manuS01")->trigger();
    QCOMPARE(receivedTexts(), QStringList { QStringLiteral("<GAMEFUNC>40<GAMEDATA>") });
    QVERIFY(m_boxes->texts.isEmpty());
}

void tst_frm_GOMOKU::closeSendsTheEndReportOnce()
{
    send(text("#1", Messenger));
    QSignalSpy ended(m_window.get(), &frm_GOMOKU::programEnded);
    action("menuM02")->trigger();
    QVERIFY(!m_window->isVisible());
    m_window->close();
    QCOMPARE(receivedTexts(), QStringList { QStringLiteral("<GAMEFUNC>99<GAMEDATA>") });
    QVERIFY(m_boxes->texts.isEmpty());
    QCOMPARE(ended.count(), 1);
}

void tst_frm_GOMOKU::endCodeEndsAtOnceWithoutReport()
{
    introduce(true);
    QSignalSpy ended(m_window.get(), &frm_GOMOKU::programEnded);
    send(text("99"));
    QVERIFY(!m_window->isVisible());
    QVERIFY(!ended.isEmpty());
    // A report would have been delivered before the close returned.
    QVERIFY(m_received->isEmpty());
    QVERIFY(m_boxes->texts.isEmpty());
}

void tst_frm_GOMOKU::wholeGameByClicks_data()
{
    QTest::addColumn<bool>("ownWins");
    QTest::addColumn<QString>("box");
    QTest::newRow("own five") << true << QStringLiteral("あなたの勝ちです。\nプログラムは終了します！");
    QTest::newRow("partner's five") << false << QStringLiteral("相手の勝ちです。\nプログラムは終了します！");
}

void tst_frm_GOMOKU::wholeGameByClicks()
{
    QFETCH(bool, ownWins);
    QFETCH(QString, box);
    introduce(true);
    QSignalSpy ended(m_window.get(), &frm_GOMOKU::programEnded);
    // Own stones along row 2 (every other one on row 14 when the partner is
    // to win), the partner's on the diagonal from (4, 4).
    for (int i = 1; i <= 5; ++i) {
        m_beeps->clear();
        click(i + 2, ownWins || i % 2 ? 2 : 14);
        if (!m_window->isVisible())
            break;
        send(partnerMove(i + 3, i + 3));
    }
    QVERIFY(!m_window->isVisible());
    QCOMPARE(m_boxes->texts, QStringList { box });
    QCOMPARE(m_boxes->requests.first().title, QStringLiteral("五目並べ"));
    QCOMPARE(m_boxes->requests.first().icon, QMessageBox::Information);
    QCOMPARE(m_beeps->count(), 3);
    const QStringList texts = receivedTexts();
    QCOMPARE(texts.size(), 6); // five moves and the end report
    QCOMPARE(texts.last(), QStringLiteral("<GAMEFUNC>99<GAMEDATA>"));
    QCOMPARE(ended.count(), 1);
}

void tst_frm_GOMOKU::keyboardAndScreenReaderReachTheWindow()
{
    const QStringList unnamed = unnamedFocusableControls(m_window.get());
    QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(u' ')));
    // F10 opens the menu.
    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    QTest::keyClick(m_window.get(), Qt::Key_F10);
    QTRY_VERIFY(m_window->menuBar()->activeAction() && m_window->menuBar()->activeAction()->menu());
    QCOMPARE(m_window->menuBar()->activeAction()->menu()->objectName(), QStringLiteral("menuM01"));
    while (QWidget *popup = QApplication::activePopupWidget())
        QTest::keyClick(popup, Qt::Key_Escape);
}

QTEST_MAIN(tst_frm_GOMOKU)
#include "tst_frm_gomoku.moc"
