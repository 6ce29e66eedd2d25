#include "gomokutestsupport.h"

#include "boardgeometry.h"

#include <QAction>
#include <QTemporaryDir>

using namespace GomokuTest;
using namespace Gomoku;

class tst_frm_GOMOKU : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void opensWithEmptyBoardAndNamedControls();
    void secondCopyIsRefused();
    void clickBeforeStartOnlyBeeps();
    void clickChecksRunInOrder_data();
    void clickChecksRunInOrder();
    void clickSelectsTheNearestIntersection_data();
    void clickSelectsTheNearestIntersection();
    void rightButtonOnlyBeeps();
    void occupiedPointOnlyBeeps();
    void ownMoveThatCannotBeSentIsStillPlayed();
    void colourSwitchRepaintsPlainStones();
    void partnerMoveRemovesEarlierMarks();
    void wholeGameByClicks_data();
    void wholeGameByClicks();
    void resizeKeepsTheFrameSquare();
    void focusShowsWhoseTurnItIs();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<frm_GOMOKU> m_window;
    std::unique_ptr<BoxCatcher> m_boxes;
    std::unique_ptr<QSignalSpy> m_beeps;

    frm_GOMOKU &window() { return *m_window; }
    QColor pixelAt(int x, int y, QPoint offset = {});
};

void tst_frm_GOMOKU::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_window = std::make_unique<frm_GOMOKU>(m_dir->path());
    m_boxes = std::make_unique<BoxCatcher>();
    m_beeps = std::make_unique<QSignalSpy>(m_window.get(), &frm_GOMOKU::beeped);
    // Big enough cells to tell the marks apart.
    m_window->resize(520, 560);
    showAndWait(*m_window);
}

void tst_frm_GOMOKU::cleanup()
{
    m_beeps.reset();
    m_window.reset();
    m_boxes.reset();
    m_dir.reset();
}

QColor tst_frm_GOMOKU::pixelAt(int x, int y, QPoint offset)
{
    const QImage image = boardView(window())->grab().toImage();
    return image.pixelColor(QPoint(window().CellWidth() * x, window().CellHeight() * y) + offset);
}

void tst_frm_GOMOKU::opensWithEmptyBoardAndNamedControls()
{
    QCOMPARE(window().windowTitle().left(4), QStringLiteral("五目並べ"));
    QVERIFY(!window().rules().GameStarted());
    for (const char *name : { "menuM01", "StatusBar", "txtDDEInput", "txtDDEOutput" })
        QVERIFY2(window().findChild<QObject *>(QLatin1String(name)), name);
    const QStringList entries { "manuS01", "menuTopForm", "menuKibanColor", "menuM02" };
    const QList<QKeySequence> keys { Qt::Key_F1, Qt::Key_F2, Qt::Key_F3, QKeySequence(Qt::CTRL | Qt::Key_C) };
    for (int i = 0; i < entries.size(); ++i) {
        auto *action = window().findChild<QAction *>(entries.at(i));
        QVERIFY(action);
        QCOMPARE(action->shortcut(), keys.at(i));
        QVERIFY(!action->isChecked());
    }
    QVERIFY(!window().findChild<QWidget *>(QStringLiteral("txtDDEInput"))->isVisible());
    QCOMPARE(pixelAt(0, 0, { 2, 2 }), QColor(255, 128, 0));
}

void tst_frm_GOMOKU::secondCopyIsRefused()
{
    QVERIFY(!window().alreadyRunning());
    {
        frm_GOMOKU second(m_dir->path());
        QVERIFY(second.alreadyRunning());
        QVERIFY(!second.linkListening() || second.findChild<LinkSource *>() == nullptr);
    }
    QTemporaryDir otherUser;
    frm_GOMOKU elsewhere(otherUser.path());
    QVERIFY(!elsewhere.alreadyRunning());
    m_window.reset();
    frm_GOMOKU later(m_dir->path());
    QVERIFY(!later.alreadyRunning());
}

void tst_frm_GOMOKU::clickBeforeStartOnlyBeeps()
{
    clickPoint(window(), 10, 10);
    QCOMPARE(m_beeps->count(), 1);
    QCOMPARE(window().panelText(1), QStringLiteral("ｹﾞｰﾑがｽﾀｰﾄしていません"));
    QVERIFY(window().rules().isFree(10, 10));
    // The colours alone do not start a game.
    feed(window(), text("20"));
    clickPoint(window(), 10, 10);
    QCOMPARE(m_beeps->count(), 2);
    QVERIFY(window().rules().isFree(10, 10));
}

void tst_frm_GOMOKU::clickChecksRunInOrder_data()
{
    QTest::addColumn<bool>("ownBlack");
    QTest::addColumn<QPoint>("point");
    QTest::addColumn<QString>("panel");
    QTest::newRow("partner's turn, on the board") << false << QPoint(5, 5) << QStringLiteral("あなたの番ではありません");
    QTest::newRow("partner's turn, in the margin") << false << QPoint(20, 20) << QStringLiteral("あなたの番ではありません");
    QTest::newRow("own turn, beyond 19") << true << QPoint(20, 10) << QStringLiteral("範囲外選択！");
    QTest::newRow("own turn, before 1") << true << QPoint(10, 0) << QStringLiteral("範囲外選択！");
}

void tst_frm_GOMOKU::clickChecksRunInOrder()
{
    QFETCH(bool, ownBlack);
    QFETCH(QPoint, point);
    QFETCH(QString, panel);
    introduce(window(), QStringLiteral("Nobody"), ownBlack);
    m_beeps->clear();
    clickPoint(window(), point.x(), point.y());
    QCOMPARE(m_beeps->count(), 1);
    QCOMPARE(window().panelText(1), panel);
    QCOMPARE(window().rules().Turn(), ownBlack ? OwnSide : PartnerSide);
    QVERIFY(m_boxes->texts.isEmpty());
}

void tst_frm_GOMOKU::clickSelectsTheNearestIntersection_data()
{
    QTest::addColumn<QPoint>("point");
    QTest::addColumn<QPoint>("offset");
    QTest::addColumn<QPoint>("expected");
    QTest::newRow("on the point") << QPoint(7, 9) << QPoint(0, 0) << QPoint(7, 9);
    QTest::newRow("just short of the next point") << QPoint(7, 9) << QPoint(10, 10) << QPoint(7, 9);
    QTest::newRow("past half a cell") << QPoint(7, 9) << QPoint(17, 17) << QPoint(8, 10);
    QTest::newRow("outside the first line") << QPoint(1, 1) << QPoint(-10, -10) << QPoint(1, 1);
    QTest::newRow("outside the last line") << QPoint(19, 19) << QPoint(10, 10) << QPoint(19, 19);
}

void tst_frm_GOMOKU::clickSelectsTheNearestIntersection()
{
    QFETCH(QPoint, point);
    QFETCH(QPoint, offset);
    QFETCH(QPoint, expected);
    introduce(window(), QStringLiteral("Nobody"), true);
    // The offsets are chosen for 26-pixel cells.
    QCOMPARE(window().CellWidth(), 26);
    QCOMPARE(window().CellHeight(), 26);
    clickPoint(window(), point.x(), point.y(), Qt::LeftButton, offset);
    QCOMPARE(window().rules().Board(qint16(expected.x()), qint16(expected.y())), OwnSide);
}

void tst_frm_GOMOKU::rightButtonOnlyBeeps()
{
    introduce(window(), QStringLiteral("Nobody"), true);
    m_beeps->clear();
    clickPoint(window(), 4, 4, Qt::RightButton);
    QCOMPARE(m_beeps->count(), 1);
    QVERIFY(window().rules().isFree(4, 4));
    QCOMPARE(window().rules().Turn(), OwnSide);
    QVERIFY(window().panelText(1).isEmpty());
    clickPoint(window(), 4, 4, Qt::MiddleButton);
    QCOMPARE(m_beeps->count(), 1);
}

void tst_frm_GOMOKU::occupiedPointOnlyBeeps()
{
    introduce(window(), QStringLiteral("Nobody"), true);
    feed(window(), partnerMove(6, 6));
    feed(window(), partnerMove(6, 7)); // the partner's handler does not refuse out of turn
    QCOMPARE(window().rules().Turn(), OwnSide);
    m_beeps->clear();
    clickPoint(window(), 6, 6);
    QCOMPARE(m_beeps->count(), 1);
    QVERIFY(window().panelText(1).isEmpty());
    QCOMPARE(window().rules().Board(6, 6), PartnerSide);
    QCOMPARE(window().rules().Turn(), OwnSide);
    QVERIFY(m_boxes->texts.isEmpty());
}

void tst_frm_GOMOKU::ownMoveThatCannotBeSentIsStillPlayed()
{
    introduce(window(), QStringLiteral("Nobody"), true);
    clickPoint(window(), 3, 17);
    QTRY_COMPARE(m_boxes->texts.size(), 1);
    QCOMPARE(m_boxes->texts.first(),
             QStringLiteral("失敗しました!!Nobody<GAMEFUNC>10<GAMEDATA>(192.168.0.5)3,17"));
    QCOMPARE(window().rules().Board(3, 17), OwnSide);
    QCOMPARE(window().rules().Turn(), PartnerSide);
    QCOMPARE(window().panelText(2), QStringLiteral("相手"));
    QCOMPARE(window().panelText(3), QStringLiteral("白"));
}

void tst_frm_GOMOKU::colourSwitchRepaintsPlainStones()
{
    introduce(window(), QStringLiteral("Nobody"), true);
    clickPoint(window(), 10, 10);
    QTRY_COMPARE(m_boxes->texts.size(), 1);
    // The newest stone carries the yellow mark at its centre.
    QTRY_COMPARE(pixelAt(10, 10), QColor(255, 230, 0));
    window().findChild<QAction *>(QStringLiteral("menuKibanColor"))->trigger();
    QVERIFY(window().findChild<QAction *>(QStringLiteral("menuKibanColor"))->isChecked());
    const QColor centre = pixelAt(10, 10);
    QVERIFY2(centre.red() < 128 && centre.green() < 128, qPrintable(centre.name()));
    // The corners of the stone image follow the board colour.
    const int half = window().CellWidth() / 2;
    QCOMPARE(pixelAt(10, 10, { -half + 1, -half + 1 }), QColor(255, 255, 255));
    QCOMPARE(pixelAt(0, 0, { 2, 2 }), QColor(255, 255, 255));
    window().findChild<QAction *>(QStringLiteral("menuKibanColor"))->trigger();
    QCOMPARE(pixelAt(10, 10, { -half + 1, -half + 1 }), QColor(255, 128, 0));
}

void tst_frm_GOMOKU::partnerMoveRemovesEarlierMarks()
{
    const QColor yellow(255, 230, 0);
    const QColor red(230, 0, 0);
    introduce(window(), QStringLiteral("Nobody"), true);
    clickPoint(window(), 4, 4);
    QTRY_COMPARE(m_boxes->texts.size(), 1);
    QTRY_COMPARE(pixelAt(4, 4), yellow);
    feed(window(), partnerMove(5, 5));
    QTRY_COMPARE(pixelAt(5, 5), red);
    QVERIFY(pixelAt(4, 4) != yellow);
    clickPoint(window(), 6, 6);
    QTRY_COMPARE(m_boxes->texts.size(), 2);
    QTRY_COMPARE(pixelAt(6, 6), yellow);
    // Both newest stones stay marked until the partner moves again.
    QCOMPARE(pixelAt(5, 5), red);
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
    introduce(window(), QStringLiteral("Nobody"), true);
    QSignalSpy ended(m_window.get(), &frm_GOMOKU::programEnded);
    // Own stones along row 2, the partner's along row 8 (diagonal when the
    // own side lets the partner win).
    for (int i = 1; i <= 5 && window().isVisible(); ++i) {
        clickPoint(window(), i + 2, ownWins ? 2 : (i % 2 ? 2 : 14));
        if (!window().isVisible())
            break;
        QCOMPARE(window().rules().Turn(), PartnerSide);
        feed(window(), partnerMove(i + 3, i + 3));
    }
    QTRY_VERIFY(!window().isVisible());
    QVERIFY(m_boxes->texts.contains(box));
    QCOMPARE(m_boxes->titles.at(m_boxes->texts.indexOf(box)), QStringLiteral("五目並べ"));
    // Three beeps for the win; the end report to the absent messenger failed.
    QCOMPARE(m_boxes->texts.last(), QStringLiteral("終了報告を失敗しました。"));
    QCOMPARE(ended.count(), 1);
}

void tst_frm_GOMOKU::resizeKeepsTheFrameSquare()
{
    window().resize(600, 400);
    QTRY_COMPARE(window().frameGeometry().width(), window().frameGeometry().height());
    window().resize(400, 700);
    QTRY_COMPARE(window().frameGeometry().width(), window().frameGeometry().height());
    const QWidget *board = boardView(window());
    QTRY_COMPARE(window().CellWidth(), BoardGeometry::cellSpacing(board->width()));
    QCOMPARE(window().CellHeight(), BoardGeometry::cellSpacing(board->height()));
}

void tst_frm_GOMOKU::focusShowsWhoseTurnItIs()
{
    introduce(window(), QStringLiteral("Nobody"), false);
    QCOMPARE(window().windowTitle(), QStringLiteral("五目並べ [黒]相手 対 [白]自分"));
    QEvent activation(QEvent::ActivationChange);
    window().activateWindow();
    QTRY_VERIFY(window().isActiveWindow());
    QApplication::sendEvent(&window(), &activation);
    QCOMPARE(window().windowTitle(), QStringLiteral("五目並べ-相手"));
}

QTEST_MAIN(tst_frm_GOMOKU)
#include "tst_frm_gomoku.moc"
