#include "frm_GOMOKU.h"

#include "boardgeometry.h"
#include "gomokulink.h"
#include "pelwickUDP030.h"
#include "pelwickUDP050.h"
#include "stoneimages.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QLockFile>
#include <QMenuBar>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QStandardPaths>
#include <QStatusBar>

using namespace Gomoku;
using namespace GomokuLink;

namespace {

const QColor OrangeBoard(255, 128, 0);
const QColor WhiteBoard(255, 255, 255);

// The board's client area when the window opens.
constexpr QSize InitialClientSize(232, 205);

const QString Caption = QStringLiteral("五目並べ");
const QString TextNotStarted = QStringLiteral("ｹﾞｰﾑがｽﾀｰﾄしていません");
const QString TextNotYourTurn = QStringLiteral("あなたの番ではありません");
const QString TextOutOfRange = QStringLiteral("範囲外選択！");
const QString TextGameStart = QStringLiteral("Game Start !!!");
const QString TextHurryUp = QStringLiteral("早く～ (^0^)");
const QString TextBlack = QStringLiteral("黒");
const QString TextWhite = QStringLiteral("白");
const QString TextYouWon = QStringLiteral("あなたの勝ちです。");
const QString TextWon = QStringLiteral("の勝ちです。");
const QString TextProgramEnds = QStringLiteral("プログラムは終了します！");
const QString TextSendFailed = QStringLiteral("失敗しました!!");
const QString TextNudgeFailed = QStringLiteral("催促送信に失敗しました。");
const QString TextEndReportFailed = QStringLiteral("終了報告を失敗しました。");
const QString TextInvalidCode = QStringLiteral("プログラム不正処理発生 Game_Func=");

constexpr qint16 FlashCount = 10;
constexpr float FlashSeconds = 0.5f;
constexpr int WinBeeps = 3;

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

    // One copy per user: a second one ends before showing anything. The lock
    // never goes stale by age, only when its owner has died.
    QDir().mkpath(m_runtimeDir);
    m_lock
        = std::make_unique<QLockFile>(QDir(m_runtimeDir).filePath(QLatin1String(Application) + QLatin1String(".lock")));
    m_lock->setStaleLockTime(0);
    if (!m_lock->tryLock(0) && m_lock->error() == QLockFile::LockFailedError)
        m_alreadyRunning = true;

    setWindowTitle(Caption);
    setWindowIcon(StoneImages::windowIcon());
    makeStoneImages();

    m_boardView = new GomokuUi::BoardView(this);
    setCentralWidget(m_boardView);

    // The hidden ends of the link: what was poked in, and what goes out.
    m_txtDDEInput = new QLineEdit(this);
    m_txtDDEInput->setObjectName(QLatin1String(LinkInputItem));
    m_txtDDEInput->hide();
    m_txtDDEOutput = new QLineEdit(this);
    m_txtDDEOutput->setObjectName(QStringLiteral("txtDDEOutput"));
    m_txtDDEOutput->hide();

    createMenu();
    createStatusBar();
    Initialize();
    adjustSize();

    if (!m_alreadyRunning)
        openLink();
}

frm_GOMOKU::~frm_GOMOKU() = default;

void frm_GOMOKU::createMenu()
{
    QMenu *menuM01 = menuBar()->addMenu(QStringLiteral("ﾌｧｲﾙ"));
    menuM01->setObjectName(QStringLiteral("menuM01"));

    QAction *manuS01 = menuM01->addAction(QStringLiteral("早く打って！"));
    manuS01->setObjectName(QStringLiteral("manuS01"));
    manuS01->setShortcut(Qt::Key_F1);
    connect(manuS01, &QAction::triggered, this, &frm_GOMOKU::manuS01_Click);

    m_menuTopForm = menuM01->addAction(QStringLiteral("前面表示"));
    m_menuTopForm->setObjectName(QStringLiteral("menuTopForm"));
    m_menuTopForm->setShortcut(Qt::Key_F2);
    m_menuTopForm->setCheckable(true);
    connect(m_menuTopForm, &QAction::triggered, this, &frm_GOMOKU::menuTopForm_Click);

    m_menuKibanColor = menuM01->addAction(QStringLiteral("基盤の色替え"));
    m_menuKibanColor->setObjectName(QStringLiteral("menuKibanColor"));
    m_menuKibanColor->setShortcut(Qt::Key_F3);
    m_menuKibanColor->setCheckable(true);
    connect(m_menuKibanColor, &QAction::triggered, this, &frm_GOMOKU::menuKibanColor_Click);

    QAction *menuM02 = menuM01->addAction(QStringLiteral("閉じる"));
    menuM02->setObjectName(QStringLiteral("menuM02"));
    menuM02->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_C));
    connect(menuM02, &QAction::triggered, this, &frm_GOMOKU::menuM02_Click);
}

void frm_GOMOKU::createStatusBar()
{
    QStatusBar *bar = statusBar();
    bar->setObjectName(QStringLiteral("StatusBar"));
    bar->setSizeGripEnabled(false);
    for (int i = 0; i < 3; ++i) {
        auto *panel = new QLabel(bar);
        panel->setObjectName(QStringLiteral("Panel%1").arg(i + 1));
        panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        m_panels[i] = panel;
    }
    m_panels[1]->setMinimumWidth(50);
    m_panels[2]->setMinimumWidth(22);
    m_panels[2]->setAlignment(Qt::AlignCenter);
    bar->addWidget(m_panels[0], 1);
    bar->addWidget(m_panels[1]);
    bar->addWidget(m_panels[2]);
}

void frm_GOMOKU::openLink()
{
    m_link = new LinkSource(QLatin1String(Application), m_runtimeDir, QLatin1String(LinkTopic), this);
    m_link->addItem(QLatin1String(LinkInputItem));
    connect(m_link, &LinkSource::poked, this, &frm_GOMOKU::linkPoked);
    // Each link-close comes with the text of its own conversation, so a
    // second poke that arrives before the first close cannot overwrite it.
    connect(m_link, &LinkSource::conversationClosed, this, &frm_GOMOKU::Form_LinkClose);
    m_linkListening = m_link->listen();
}

QString frm_GOMOKU::panelText(int panel) const
{
    return panel >= 1 && panel <= 3 ? m_panels.at(panel - 1)->text() : QString();
}

void frm_GOMOKU::setPanelText(int panel, const QString &text)
{
    m_panels.at(panel - 1)->setText(text);
}

void frm_GOMOKU::Beep()
{
    QApplication::beep();
    emit beeped();
}

void frm_GOMOKU::showBox(const QString &text, const QString &title, bool information)
{
    QMessageBox box(information ? QMessageBox::Information : QMessageBox::NoIcon,
        title.isEmpty() ? QStringLiteral("GOMOKU") : title, text, QMessageBox::Ok, this);
    box.setObjectName(QStringLiteral("msgBox"));
    box.exec();
}

// ---- link ----------------------------------------------------------------

void frm_GOMOKU::linkPoked(const QString &item, const QString &text)
{
    if (item.compare(QLatin1String(LinkInputItem), Qt::CaseInsensitive) == 0)
        m_txtDDEInput->setText(text);
}

void frm_GOMOKU::Form_LinkClose(const QString &item, const QString &text)
{
    if (item.compare(QLatin1String(LinkInputItem), Qt::CaseInsensitive) != 0)
        return;
    m_txtDDEInput->setText(text);
    ReceiveLinkText();
}

bool frm_GOMOKU::sendToMessenger(const QString &text)
{
    m_txtDDEOutput->setText(text);
    // Until "#1" has named the messenger there is nobody to send to; the
    // text must not reach some other program.
    if (m_linkApplication.isEmpty())
        return false;
    return SendLinkText(text, m_linkApplication, m_runtimeDir);
}

void frm_GOMOKU::ReceiveLinkText()
{
    const LinkText split = Control_Data(m_txtDDEInput->text().trimmed());
    const QString &code = split.GameFunc;
    const QString &data = split.GameData;

    if (code == QLatin1String(CodeMessengerName)) {
        m_linkApplication = data;
    } else if (code == QLatin1String(CodePartnerName)) {
        m_partnerName = data;
    } else if (code == QLatin1String(CodePartnerAddress)) {
        m_partnerAddress = data;
    } else if (code == QLatin1String(CodeOwnName)) {
        m_ownName = data;
    } else if (code == QLatin1String(CodeOwnAddress)) {
        m_ownAddress = data;
    } else if (code == QLatin1String(CodeStart)) {
        m_rules.setPlayerName(OwnSide, m_ownName);
        m_rules.setPlayerName(PartnerSide, m_partnerName);
        StartGomoku();
    } else if (code == QLatin1String(CodeEnd)) {
        // Ends at once: no message, no end report.
        m_skipEndReport = true;
        close();
        emit programEnded();
    } else if (code == QLatin1String(CodeNudge)) {
        const QPointer<frm_GOMOKU> self(this);
        Beep();
        FlashCaption(this, FlashCount, FlashSeconds);
        if (self)
            ShowStatus(TextHurryUp);
    } else if (code == QLatin1String(CodeMove)) {
        receiveMove(data);
    } else if (code == QLatin1String(CodeBlack)) {
        WaitGame(QStringLiteral("0"));
    } else if (code == QLatin1String(CodeWhite)) {
        WaitGame(QStringLiteral("1"));
    } else {
        showBox(TextInvalidCode + code);
    }
}

void frm_GOMOKU::receiveMove(const QString &data)
{
    // A move off the board, onto a stone or not of the move's form is
    // dropped before it touches the board or the turn.
    const auto move = parseMoveData(data);
    if (!move || !isOnBoard(move->x, move->y) || m_gameWon)
        return;
    const qint16 x = qint16(move->x);
    const qint16 y = qint16(move->y);
    if (!m_rules.isFree(x, y))
        return;

    if (move->address == m_ownAddress) {
        m_rules.setTurn(OwnSide);
    } else {
        m_rules.setTurn(PartnerSide);
        repaintBoard();
    }
    if (DropAStone(x, y))
        return;
    m_rules.flipTurn();
    const qint16 turn = m_rules.Turn();
    setPanelText(2, m_rules.PlayerName(turn));
    setPanelText(3, m_rules.StoneColor(turn) == White ? TextWhite : TextBlack);
    if (turn == OwnSide)
        Beep();
}

void frm_GOMOKU::StartGomoku()
{
    Initialize();
    Beep();
    ShowStatus(TextGameStart);
    m_gameWon = false;
    m_rules.startGame();
}

void frm_GOMOKU::WaitGame(const QString &pColor)
{
    const bool ownBlack = pColor.toInt() == 0;
    const QString &blackName = ownBlack ? m_ownName : m_partnerName;
    const QString &whiteName = ownBlack ? m_partnerName : m_ownName;
    setWindowTitle(Caption + QStringLiteral(" [黒]") + blackName + QStringLiteral(" 対 [白]") + whiteName);
    m_rules.setOwnColor(ownBlack ? Black : White);
}

// ---- board ---------------------------------------------------------------

void frm_GOMOKU::Initialize()
{
    m_rules.Initialize();
    repaintBoard();
}

bool frm_GOMOKU::DropAStone(qint16 x, qint16 y)
{
    const bool won = m_rules.DropAStone(x, y);
    m_marked.append(QPoint(x, y));
    m_boardView->update(BoardGeometry::stoneRect(x, y, m_cellWidth, m_cellHeight));
    if (won)
        endOfGame();
    return won;
}

void frm_GOMOKU::endOfGame()
{
    m_gameWon = true;
    for (int i = 0; i < WinBeeps; ++i)
        Beep();
    const QString first = m_rules.Turn() == OwnSide ? TextYouWon : m_rules.PlayerName(PartnerSide) + TextWon;
    // Show the winning stone before the box holds the user.
    m_boardView->repaint();
    const QPointer<frm_GOMOKU> self(this);
    showBox(first + u'\n' + TextProgramEnds, Caption, true);
    if (self)
        menuM02_Click();
}

void frm_GOMOKU::repaintBoard()
{
    m_marked.clear();
    m_boardView->update();
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
    for (const QPoint &p : std::as_const(m_marked)) {
        const qint16 side = m_rules.Board(qint16(p.x()), qint16(p.y()));
        if (side != EmptyPoint)
            DispBitmap(painter, p.x(), p.y(), m_rules.StoneColor(side) + StoneImages::MarkedOffset);
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
    for (qint16 x = 1; x <= BoardSize; ++x) {
        for (qint16 y = 1; y <= BoardSize; ++y) {
            const qint16 side = m_rules.Board(x, y);
            if (side != EmptyPoint)
                DispBitmap(painter, x, y, m_rules.StoneColor(side));
        }
    }
}

void frm_GOMOKU::DispBitmap(QPainter &painter, int x, int y, int picture)
{
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(BoardGeometry::stoneRect(x, y, m_cellWidth, m_cellHeight), m_picGo.at(picture));
}

// ---- clicks and menu -----------------------------------------------------

void frm_GOMOKU::Form_MouseDown(Qt::MouseButton button, int X, int Y)
{
    if (!m_rules.GameStarted()) {
        Beep();
        ShowStatus(TextNotStarted);
        return;
    }
    StopFlashing();
    ShowStatus(QString());

    if (m_cellWidth == 0)
        m_cellWidth = BoardGeometry::cellSpacing(m_boardView->width());
    if (m_cellHeight == 0)
        m_cellHeight = BoardGeometry::cellSpacing(m_boardView->height());
    const QPoint point = BoardGeometry::pointAt(X, Y, m_cellWidth, m_cellHeight);

    // The turn is checked before the range: a click anywhere during the
    // partner's turn is "not your turn".
    if (m_rules.Turn() == PartnerSide) {
        Beep();
        ShowStatus(TextNotYourTurn);
        return;
    }
    if (!isOnBoard(point.x(), point.y())) {
        Beep();
        ShowStatus(TextOutOfRange);
        return;
    }
    const qint16 x = qint16(point.x());
    const qint16 y = qint16(point.y());

    if (button == Qt::LeftButton) {
        if (!m_rules.isFree(x, y)) {
            Beep();
            return;
        }
        m_rules.setTurn(OwnSide);
        const QString text = linkMessage(QLatin1String(CodeMove), moveData(m_ownAddress, x, y));
        const QPointer<frm_GOMOKU> self(this);
        if (!sendToMessenger(text) && self)
            showBox(TextSendFailed + m_linkApplication + text);
        if (!self)
            return;
        // The own move is placed by the same handler as the partner's.
        m_txtDDEInput->setText(text);
        ReceiveLinkText();
    } else if (button == Qt::RightButton) {
        Beep();
    }
}

void frm_GOMOKU::manuS01_Click()
{
    const QPointer<frm_GOMOKU> self(this);
    if (!sendToMessenger(linkMessage(QLatin1String(CodeNudge))) && self)
        showBox(TextNudgeFailed);
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
    m_quietEndReport = true;
    close();
    // A modal box still open must not keep the program alive.
    emit programEnded();
}

// ---- window events -------------------------------------------------------

void frm_GOMOKU::closeEvent(QCloseEvent *event)
{
    event->accept();
    if (m_unloaded)
        return;
    m_unloaded = true;
    if (!m_skipEndReport) {
        const QPointer<frm_GOMOKU> self(this);
        if (!sendToMessenger(linkMessage(QLatin1String(CodeEnd))) && self && !m_quietEndReport)
            showBox(TextEndReportFailed);
        if (!self)
            return;
    }
    emit programEnded();
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

void frm_GOMOKU::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        setWindowTitle(Caption + u'-' + m_rules.PlayerName(m_rules.Turn()));
}
