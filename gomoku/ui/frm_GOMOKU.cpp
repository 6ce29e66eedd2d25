#include "frm_GOMOKU.h"

#include "boardgeometry.h"
#include "desktopidentity.h"
#include "gomokulink.h"
#include "keyboardaccess.h"
#include "link.h"
#include "messagebox.h"
#include "singleinstancelock.h"
#include "stoneimages.h"
#include "windowhelpers.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QLabel>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QStandardPaths>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>

using namespace Gomoku;
using namespace GomokuLink;

namespace {

const QColor OrangeBoard(255, 128, 0);
const QColor WhiteBoard(255, 255, 255);

// The board's client area when the window opens.
constexpr QSize InitialClientSize(232, 205);

constexpr qint16 FlashCount = 10;
constexpr float FlashSeconds = 0.5f;

} // namespace

namespace GomokuUi {

// The client area of the board: paints through the window and passes mouse
// presses on to its click handling.
class BoardView : public QWidget
{
public:
    explicit BoardView(frm_GOMOKU *window)
        : QWidget(window)
        , m_window(window)
    {
        setObjectName(QStringLiteral("BoardView"));
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

    QSize sizeHint() const override { return InitialClientSize; }
    QSize minimumSizeHint() const override { return { 40, 40 }; }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        m_window->paintBoard(painter, size());
    }

    void mousePressEvent(QMouseEvent *event) override
    {
        const QPoint at = event->position().toPoint();
        m_window->Form_MouseDown(event->button(), at.x(), at.y());
    }

private:
    frm_GOMOKU *m_window;
};

} // namespace GomokuUi

frm_GOMOKU::frm_GOMOKU(const QString &runtimeDir, QWidget *parent)
    : QMainWindow(parent)
    , m_runtimeDir(
          runtimeDir.isEmpty() ? QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation) : runtimeDir)
    , m_boardColor(OrangeBoard)
{
    setObjectName(QStringLiteral("frm_GOMOKU"));

    // One copy per user: a second one ends before showing anything. A copy
    // that cannot make its lock at all still runs.
    m_lock = std::make_unique<SingleInstanceLock>(
        QDir(m_runtimeDir).filePath(QLatin1String(Application) + QLatin1String(".lock")));
    m_alreadyRunning = m_lock->tryLock() == SingleInstanceLock::Result::HeldByRunningCopy;

    const GomokuGame::LinkSender send = [this](const QString &application, const QString &text) {
        return SendLinkText(text, application, m_runtimeDir);
    };
    m_game = new GomokuGame(send, this);

    setWindowTitle(m_game->caption());
    setWindowIcon(DesktopIdentity::icon(DesktopIdentity::Gomoku));
    makeStoneImages();

    m_boardView = new GomokuUi::BoardView(this);
    setCentralWidget(m_boardView);

    createMenu();
    createStatusBar();
    connectGame();
    adjustSize();
    // The board opens square and wide enough for all three status panels,
    // with room for the longest texts of the first one.
    // The status bar's own minimum counts its margins, spacing, frames and
    // size grip.
    const int statusWidth = statusBar()->minimumSizeHint().width()
        + QFontMetrics(m_panels[0]->font()).horizontalAdvance(QString(12, QChar(0x3042)));
    if (width() < statusWidth)
        resize(statusWidth, height() + statusWidth - width());

    if (!m_alreadyRunning)
        openLink();
}

frm_GOMOKU::~frm_GOMOKU() = default;

void frm_GOMOKU::createMenu()
{
    QMenu *menuM01 = menuBar()->addMenu(tr("ﾌｧｲﾙ"));
    menuM01->setObjectName(QStringLiteral("menuM01"));

    QAction *manuS01 = menuM01->addAction(tr("早く打って！"));
    manuS01->setObjectName(QStringLiteral("manuS01"));
    manuS01->setShortcut(Qt::Key_F1);
    connect(manuS01, &QAction::triggered, this, &frm_GOMOKU::manuS01_Click);

    m_menuTopForm = menuM01->addAction(tr("前面表示"));
    m_menuTopForm->setObjectName(QStringLiteral("menuTopForm"));
    m_menuTopForm->setShortcut(Qt::Key_F2);
    m_menuTopForm->setCheckable(true);
    connect(m_menuTopForm, &QAction::triggered, this, &frm_GOMOKU::menuTopForm_Click);

    m_menuKibanColor = menuM01->addAction(tr("基盤の色替え"));
    m_menuKibanColor->setObjectName(QStringLiteral("menuKibanColor"));
    m_menuKibanColor->setShortcut(Qt::Key_F3);
    m_menuKibanColor->setCheckable(true);
    connect(m_menuKibanColor, &QAction::triggered, this, &frm_GOMOKU::menuKibanColor_Click);

    QAction *menuM02 = menuM01->addAction(tr("閉じる"));
    menuM02->setObjectName(QStringLiteral("menuM02"));
    // Ctrl+C as ever, and the desktop's own key for closing a window.
    menuM02->setShortcuts(
        QList<QKeySequence> { QKeySequence(Qt::CTRL | Qt::Key_C) } + KeyboardAccess::standardKeys(QKeySequence::Close));
    connect(menuM02, &QAction::triggered, this, &frm_GOMOKU::menuM02_Click);
    KeyboardAccess::bindMenuBarKey(this);
}

void frm_GOMOKU::createStatusBar()
{
    QStatusBar *bar = statusBar();
    bar->setObjectName(QStringLiteral("StatusBar"));
    bar->setSizeGripEnabled(false);
    // Without a size grip the last panel would touch the window's edge.
    bar->setContentsMargins(0, 0, 2, 0);
    for (int i = 0; i < 3; ++i) {
        auto *panel = new QLabel(bar);
        panel->setObjectName(QStringLiteral("Panel%1").arg(i + 1));
        panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        m_panels[i] = panel;
    }
    // Wide enough for a player's name and the colour's character in the
    // font the desktop gives them, not in pixels of one font.
    const QFontMetrics metrics(m_panels[0]->font());
    m_panels[1]->setMinimumWidth(qMax(50, metrics.horizontalAdvance(QString(6, QChar(0x3042))) + 8));
    m_panels[2]->setMinimumWidth(qMax(22, qMax(metrics.horizontalAdvance(GomokuGame::tr("黒")), metrics.horizontalAdvance(GomokuGame::tr("白"))) + 12));
    m_panels[2]->setAlignment(Qt::AlignCenter);
    // A long text in the first panel is cut at its edge; it never pushes the
    // other two out of the window.
    m_panels[0]->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    bar->addWidget(m_panels[0], 1);
    bar->addWidget(m_panels[1]);
    bar->addWidget(m_panels[2]);
}

void frm_GOMOKU::connectGame()
{
    connect(m_game, &GomokuGame::panelChanged, this,
        [this](int panel, const QString &text) { m_panels.at(panel - 1)->setText(text); });
    connect(m_game, &GomokuGame::captionChanged, this, &frm_GOMOKU::showCaption);
    connect(m_game, &GomokuGame::beepRequested, this, &frm_GOMOKU::Beep);
    connect(m_game, &GomokuGame::boxRequested, this, &frm_GOMOKU::showBox);
    // The flash runs once the link text that asked for it has been handled:
    // run inside the handler, it would hold every later text (the partner's
    // move) until it ended.
    m_flashStart = new QTimer(this);
    m_flashStart->setSingleShot(true);
    m_flashStart->setInterval(0);
    connect(m_flashStart, &QTimer::timeout, this, [this] { FlashCaption(this, FlashCount, FlashSeconds); });
    connect(m_game, &GomokuGame::flashRequested, m_flashStart, qOverload<>(&QTimer::start));
    connect(m_game, &GomokuGame::flashStopRequested, this, [this] {
        m_flashStart->stop();
        StopFlashing(this);
    });
    connect(m_game, &GomokuGame::boardCleared, this, &frm_GOMOKU::repaintBoard);
    connect(m_game, &GomokuGame::stonePlaced, this, &frm_GOMOKU::markStone);
    // Show the winning stone before the box holds the user.
    connect(m_game, &GomokuGame::gameWon, m_boardView, qOverload<>(&QWidget::repaint));
    connect(m_game, &GomokuGame::closeRequested, this, &QWidget::close);
    connect(m_game, &GomokuGame::programEnded, this, &frm_GOMOKU::programEnded);
}

void frm_GOMOKU::openLink()
{
    m_link = new LinkSource(QLatin1String(Application), m_runtimeDir, QLatin1String(LinkTopic), this);
    m_link->addItem(QLatin1String(LinkInputItem));
    // Each link-close comes with the text of its own conversation, so a
    // second poke that arrives before the first close cannot overwrite it.
    connect(m_link, &LinkSource::conversationClosed, this, &frm_GOMOKU::Form_LinkClose);
    m_linkListening = m_link->listen();
}

QString frm_GOMOKU::panelText(int panel) const
{
    return panel >= 1 && panel <= 3 ? m_panels.at(panel - 1)->text() : QString();
}

void frm_GOMOKU::Beep()
{
    QApplication::beep();
    emit beeped();
}

void frm_GOMOKU::showBox(const QString &text, const QString &title, GomokuGame::BoxIcon icon)
{
    ShowMessageBox({ this, text, title, QMessageBox::Ok,
        icon == GomokuGame::BoxIcon::Information ? QMessageBox::Information : QMessageBox::NoIcon });
}

// ---- link ----------------------------------------------------------------

void frm_GOMOKU::Form_LinkClose(const QString &item, const QString &text)
{
    if (item.compare(QLatin1String(LinkInputItem), Qt::CaseInsensitive) == 0)
        ReceiveLinkText(text);
}

void frm_GOMOKU::ReceiveLinkText(const QString &text)
{
    m_game->ReceiveLinkText(text);
}

// ---- board ---------------------------------------------------------------

void frm_GOMOKU::repaintBoard()
{
    m_marked.clear();
    m_boardView->update();
}

void frm_GOMOKU::markStone(int x, int y)
{
    m_marked.append(QPoint(x, y));
    m_boardView->update(BoardGeometry::stoneRect(x, y, m_cellWidth, m_cellHeight));
}

void frm_GOMOKU::makeStoneImages()
{
    for (int i = 0; i < StoneImages::Count; ++i)
        m_picGo[i] = StoneImages::stone(i, m_boardColor);
}

void frm_GOMOKU::paintBoard(QPainter &painter, const QSize &clientSize)
{
    DrawLines(painter, clientSize);
    DrawStones(painter);
    const GomokuRules &board = m_game->rules();
    for (const QPoint &p : std::as_const(m_marked)) {
        const qint16 side = board.Board(qint16(p.x()), qint16(p.y()));
        if (side != EmptyPoint)
            DispBitmap(painter, p.x(), p.y(), board.StoneColor(side) + StoneImages::MarkedOffset);
    }
}

void frm_GOMOKU::DrawLines(QPainter &painter, const QSize &clientSize)
{
    painter.fillRect(QRect(QPoint(0, 0), clientSize), m_boardColor);
    m_cellWidth = BoardGeometry::cellSpacing(clientSize.width());
    m_cellHeight = BoardGeometry::cellSpacing(clientSize.height());
    painter.setPen(palette().color(QPalette::WindowText));
    for (int i = 1; i <= BoardSize; ++i)
        painter.drawLine(m_cellWidth * i, m_cellHeight, m_cellWidth * i, m_cellHeight * BoardSize);
    for (int j = 1; j <= BoardSize; ++j)
        painter.drawLine(m_cellWidth, m_cellHeight * j, m_cellWidth * BoardSize, m_cellHeight * j);
}

void frm_GOMOKU::DrawStones(QPainter &painter)
{
    const GomokuRules &board = m_game->rules();
    for (qint16 x = 1; x <= BoardSize; ++x) {
        for (qint16 y = 1; y <= BoardSize; ++y) {
            const qint16 side = board.Board(x, y);
            if (side != EmptyPoint)
                DispBitmap(painter, x, y, board.StoneColor(side));
        }
    }
}

void frm_GOMOKU::DispBitmap(QPainter &painter, int x, int y, int picture)
{
    // The picture is drawn anew at the cell's size in device pixels, so the
    // stones stay sharp at any screen scale instead of being stretched.
    const QRect box = BoardGeometry::stoneRect(x, y, m_cellWidth, m_cellHeight);
    const qreal ratio = painter.device()->devicePixelRatioF();
    const QSize pixels = (QSizeF(box.size()) * ratio).toSize();
    QImage &image = m_picGo.at(picture);
    if (image.size() != pixels || image.devicePixelRatio() != ratio) {
        image = StoneImages::stone(picture, m_boardColor, pixels);
        image.setDevicePixelRatio(ratio);
    }
    painter.drawImage(box, image);
}

// ---- clicks and menu -----------------------------------------------------

void frm_GOMOKU::Form_MouseDown(Qt::MouseButton button, int X, int Y)
{
    // Before the first paint the grid spacing comes from the board's size.
    if (m_cellWidth == 0)
        m_cellWidth = BoardGeometry::cellSpacing(m_boardView->width());
    if (m_cellHeight == 0)
        m_cellHeight = BoardGeometry::cellSpacing(m_boardView->height());
    const QPoint point = BoardGeometry::pointAt(X, Y, m_cellWidth, m_cellHeight);
    m_game->clickPoint(button, point.x(), point.y());
}

void frm_GOMOKU::manuS01_Click()
{
    m_game->sendNudge();
}

void frm_GOMOKU::menuTopForm_Click()
{
    SetTopmost(m_menuTopForm->isChecked(), this);
}

void frm_GOMOKU::menuKibanColor_Click()
{
    m_boardColor = m_menuKibanColor->isChecked() ? WhiteBoard : OrangeBoard;
    makeStoneImages();
    repaintBoard();
}

void frm_GOMOKU::menuM02_Click()
{
    close();
}

void frm_GOMOKU::closeOnSignal()
{
    m_game->setQuietEndReport(true);
    close();
    // A modal box still open must not keep the program alive.
    emit programEnded();
}

// ---- window events -------------------------------------------------------

void frm_GOMOKU::closeEvent(QCloseEvent *event)
{
    event->accept();
    m_game->unload();
}

void frm_GOMOKU::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    if (!isVisible() || (windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen)))
        return;
    // Square the outer frame; the client area then ends up a little wider
    // than high, which leaves the frame as it is on the next pass.
    const QSize client = m_boardView->size();
    const QRect frame = frameGeometry();
    if (client.width() > client.height() && frame.width() != frame.height())
        resize(width() + frame.height() - frame.width(), height());
    else if (client.width() < client.height())
        resize(width(), height() + frame.width() - frame.height());
}

void frm_GOMOKU::showCaption(const QString &caption)
{
    setWindowTitle(caption);
    // The caption names both players and their colours: the window grows,
    // square as ever and within the screen, until its title bar shows it whole.
    const QScreen *s = screen();
    if (!s || (windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen)))
        return;
    const QRect frame = frameGeometry();
    const QRect area = s->availableGeometry();
    const int grow = qMin(titleBarWidth(this, caption) - frame.width(),
        qMin(area.width() - frame.width(), area.height() - frame.height()));
    if (grow > 0)
        resize(width() + grow, height() + grow);
}

void frm_GOMOKU::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        setWindowTitle(m_game->turnCaption());
}
