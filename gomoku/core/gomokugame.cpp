#include "gomokugame.h"

#include "gomokulink.h"
#include "textutil.h"

#include <QPointer>

using namespace Gomoku;
using namespace GomokuLink;

namespace {

const char *const Caption = QT_TRANSLATE_NOOP("GomokuGame", "五目並べ");
const char *const TextNotStarted = QT_TRANSLATE_NOOP("GomokuGame", "ｹﾞｰﾑがｽﾀｰﾄしていません");
const char *const TextNotYourTurn = QT_TRANSLATE_NOOP("GomokuGame", "あなたの番ではありません");
const char *const TextOutOfRange = QT_TRANSLATE_NOOP("GomokuGame", "範囲外選択！");
const char *const TextGameStart = QT_TRANSLATE_NOOP("GomokuGame", "Game Start !!!");
const char *const TextHurryUp = QT_TRANSLATE_NOOP("GomokuGame", "早く～ (^0^)");
const char *const TextBlack = QT_TRANSLATE_NOOP("GomokuGame", "黒");
const char *const TextWhite = QT_TRANSLATE_NOOP("GomokuGame", "白");
const char *const TextYouWon = QT_TRANSLATE_NOOP("GomokuGame", "あなたの勝ちです。");
const char *const TextWon = QT_TRANSLATE_NOOP("GomokuGame", "の勝ちです。");
const char *const TextProgramEnds = QT_TRANSLATE_NOOP("GomokuGame", "プログラムは終了します！");
const char *const TextSendFailed = QT_TRANSLATE_NOOP("GomokuGame", "失敗しました!!");
const char *const TextNudgeFailed = QT_TRANSLATE_NOOP("GomokuGame", "催促送信に失敗しました。");
const char *const TextEndReportFailed = QT_TRANSLATE_NOOP("GomokuGame", "終了報告を失敗しました。");
const char *const TextInvalidCode = QT_TRANSLATE_NOOP("GomokuGame", "プログラム不正処理発生 Game_Func=");

constexpr int WinBeeps = 3;

} // namespace

GomokuGame::GomokuGame(LinkSender sender, QObject *parent)
    : QObject(parent)
    , m_send(std::move(sender))
    , m_caption(tr(Caption))
{
}

QString GomokuGame::panelText(int panel) const
{
    return panel >= 1 && panel <= 3 ? m_panels.at(panel - 1) : QString();
}

QString GomokuGame::turnCaption() const
{
    return tr(Caption) + u'-' + m_rules.PlayerName(m_rules.Turn());
}

void GomokuGame::setPanelText(int panel, const QString &text)
{
    m_panels.at(panel - 1) = text;
    emit panelChanged(panel, text);
}

void GomokuGame::showBox(const QString &text, const QString &title, BoxIcon icon)
{
    emit boxRequested(text, title, icon);
}

bool GomokuGame::sendToMessenger(const QString &text)
{
    // Until "#1" has named the messenger there is nobody to send to; the
    // text must not reach some other program.
    if (m_linkApplication.isEmpty() || !m_send)
        return false;
    return m_send(m_linkApplication, text);
}

// ---- received texts --------------------------------------------------------

void GomokuGame::ReceiveLinkText(const QString &text)
{
    const LinkMessage::Parts split = LinkMessage::parse(trimSpaces(text));
    const QString &code = split.code;
    const QString &data = split.data;

    if (code == QLatin1String(LinkCode::MessengerName)) {
        m_linkApplication = data;
    } else if (code == QLatin1String(LinkCode::PartnerName)) {
        m_partnerName = data;
    } else if (code == QLatin1String(LinkCode::PartnerAddress)) {
        m_partnerAddress = data;
    } else if (code == QLatin1String(LinkCode::OwnName)) {
        m_ownName = data;
    } else if (code == QLatin1String(LinkCode::OwnAddress)) {
        m_ownAddress = data;
    } else if (code == QLatin1String(LinkCode::Start)) {
        m_rules.setPlayerName(OwnSide, m_ownName);
        m_rules.setPlayerName(PartnerSide, m_partnerName);
        StartGomoku();
    } else if (code == QLatin1String(LinkCode::End)) {
        // Ends at once: no message, no end report.
        m_skipEndReport = true;
        const QPointer<GomokuGame> self(this);
        emit closeRequested();
        if (self)
            emit programEnded();
    } else if (code == QLatin1String(LinkCode::Nudge)) {
        const QPointer<GomokuGame> self(this);
        emit beepRequested();
        emit flashRequested();
        if (self)
            setPanelText(1, tr(TextHurryUp));
    } else if (code == QLatin1String(LinkCode::Move)) {
        receiveMove(data);
    } else if (code == QLatin1String(LinkCode::Black)) {
        WaitGame(Black);
    } else if (code == QLatin1String(LinkCode::White)) {
        WaitGame(White);
    } else {
        showBox(tr(TextInvalidCode) + code, QLatin1String(Application));
    }
}

void GomokuGame::StartGomoku()
{
    m_rules.Initialize();
    emit boardCleared();
    emit beepRequested();
    setPanelText(1, tr(TextGameStart));
    m_gameWon = false;
    m_rules.startGame();
    // Both players see at once who moves first and with which colour; the
    // caption that names the colours is often cut short.
    showTurn();
}

void GomokuGame::showTurn()
{
    const qint16 turn = m_rules.Turn();
    setPanelText(2, m_rules.PlayerName(turn));
    setPanelText(3, m_rules.StoneColor(turn) == White ? tr(TextWhite) : tr(TextBlack));
}

void GomokuGame::WaitGame(qint16 ownColor)
{
    const bool ownBlack = ownColor == Black;
    const QString &blackName = ownBlack ? m_ownName : m_partnerName;
    const QString &whiteName = ownBlack ? m_partnerName : m_ownName;
    m_caption = tr(Caption) + tr(" [黒]") + blackName + tr(" 対 [白]") + whiteName;
    emit captionChanged(m_caption);
    m_rules.setOwnColor(ownColor);
}

void GomokuGame::receiveMove(const QString &data)
{
    // The link carries the partner's moves only: a move is played for the
    // partner, in the partner's turn of a started game, and only when it
    // names the partner's address. The own moves are played by the clicks
    // that make them. Anything else (off the board, onto a stone, not of
    // the move's form, out of turn, for someone else) is dropped before it
    // touches the board or the turn.
    const auto move = parseMoveData(data);
    if (!move || !isOnBoard(move->x, move->y))
        return;
    if (!m_rules.GameStarted() || m_rules.Turn() != PartnerSide || m_partnerAddress.isEmpty()
        || move->address != m_partnerAddress)
        return;
    playMove(PartnerSide, qint16(move->x), qint16(move->y));
}

void GomokuGame::playMove(qint16 side, qint16 x, qint16 y)
{
    if (m_gameWon || !m_rules.isFree(x, y))
        return;
    m_rules.setTurn(side);
    // A partner's move clears the marks: what stays marked is the partner's
    // last stone and the own answer to it.
    if (side == PartnerSide)
        emit boardCleared();
    const bool won = m_rules.DropAStone(x, y);
    emit stonePlaced(x, y);
    if (won) {
        endOfGame();
        return;
    }
    m_rules.flipTurn();
    showTurn();
    if (m_rules.Turn() == OwnSide)
        emit beepRequested();
}

void GomokuGame::endOfGame()
{
    m_gameWon = true;
    for (int i = 0; i < WinBeeps; ++i)
        emit beepRequested();
    const QString first = m_rules.Turn() == OwnSide ? tr(TextYouWon) : m_rules.PlayerName(PartnerSide) + tr(TextWon);
    emit gameWon();
    const QPointer<GomokuGame> self(this);
    showBox(first + u'\n' + tr(TextProgramEnds), tr(Caption), BoxIcon::Information);
    if (self)
        emit closeRequested();
}

// ---- the own player --------------------------------------------------------

void GomokuGame::clickPoint(Qt::MouseButton button, int x, int y)
{
    if (!m_rules.GameStarted()) {
        emit beepRequested();
        setPanelText(1, tr(TextNotStarted));
        return;
    }
    emit flashStopRequested();
    setPanelText(1, QString());

    // The turn is checked before the range: a click anywhere during the
    // partner's turn is "not your turn".
    if (m_rules.Turn() == PartnerSide) {
        emit beepRequested();
        setPanelText(1, tr(TextNotYourTurn));
        return;
    }
    if (!isOnBoard(x, y)) {
        emit beepRequested();
        setPanelText(1, tr(TextOutOfRange));
        return;
    }
    if (button == Qt::LeftButton) {
        if (!m_rules.isFree(qint16(x), qint16(y))) {
            emit beepRequested();
            return;
        }
        placeOwnStone(qint16(x), qint16(y));
    } else if (button == Qt::RightButton) {
        emit beepRequested();
    }
}

void GomokuGame::placeOwnStone(qint16 x, qint16 y)
{
    const QString text = linkMessage(QLatin1String(LinkCode::Move), moveData(m_ownAddress, x, y));
    const QPointer<GomokuGame> self(this);
    if (!sendToMessenger(text) && self)
        showBox(tr(TextSendFailed) + m_linkApplication + text, QLatin1String(Application));
    // The partner's texts were handled while the send waited: the point or
    // the game may have changed meanwhile, and playMove checks both.
    if (self)
        playMove(OwnSide, x, y);
}

void GomokuGame::sendNudge()
{
    const QPointer<GomokuGame> self(this);
    if (!sendToMessenger(linkMessage(QLatin1String(LinkCode::Nudge))) && self)
        showBox(tr(TextNudgeFailed), QLatin1String(Application));
}

void GomokuGame::unload()
{
    if (m_unloaded)
        return;
    m_unloaded = true;
    if (!m_skipEndReport) {
        const QPointer<GomokuGame> self(this);
        if (!sendToMessenger(linkMessage(QLatin1String(LinkCode::End))) && self && !m_quietEndReport)
            showBox(tr(TextEndReportFailed), QLatin1String(Application));
        if (!self)
            return;
    }
    emit programEnded();
}
