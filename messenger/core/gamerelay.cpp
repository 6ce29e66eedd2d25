#include "gamerelay.h"

#include "datagramchannel.h"
#include "gameprograms.h"
#include "linkmessage.h"
#include "link.h"
#include "peerpresence.h"
#include "textutil.h"
#include "userdirectory.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QScopeGuard>
#include <QTimer>

#include <algorithm>

namespace {

// How long a just-started game program may take to open its link.
constexpr int GameStartPatienceMs = 8000;
constexpr int GameStartRetryMs = 50;

const char *const TextSendFailed = QT_TRANSLATE_NOOP("GameRelay", "送信に失敗しました。");
const char *const TextFailed = QT_TRANSLATE_NOOP("GameRelay", "失敗しました");
const char *const TextGameRequested = QT_TRANSLATE_NOOP("GameRelay", "ゲームスタート要求を出しました。");

QString linkText(const char *code, const QString &data = {})
{
    return LinkMessage::build(QLatin1String(code), data);
}

// The codes only the messenger gives its own game: from the network they
// would rename the players, swap the colours, restart the board, redirect
// the game's texts or close it unannounced.
bool isMessengersOwnCode(const QString &relayed)
{
    static const char *const own[] = { LinkCode::MessengerName, LinkCode::PartnerName, LinkCode::PartnerAddress,
        LinkCode::OwnName, LinkCode::OwnAddress, LinkCode::Start, LinkCode::Black, LinkCode::White, LinkCode::End };
    // Read as the game reads it.
    const QString code = LinkMessage::parse(trimSpaces(relayed)).code;
    return std::any_of(std::begin(own), std::end(own), [&](const char *c) { return code == QLatin1String(c); });
}

} // namespace

GameRelay::GameRelay(DatagramChannel *channel, PeerPresence *presence, UserDirectory *directory,
    const LocalSettings &settings, GamePrograms *games, const QString &appName, QObject *parent)
    : QObject(parent)
    , m_channel(channel)
    , m_presence(presence)
    , m_directory(directory)
    , m_settings(settings)
    , m_games(games)
    , m_appName(appName)
{
    m_clock.start();
    m_games->setEndedHandler([this] { gameProgramEnded(); });
}

GameRelay::~GameRelay()
{
    m_games->setEndedHandler({});
}

void GameRelay::close()
{
    m_closed = true;
    if (m_link)
        m_link->close();
}

bool GameRelay::openLink(const QString &runtimeDirectory)
{
    m_link = new LinkSource(m_appName, runtimeDirectory, QString::fromLatin1(LinkTopic), this);
    m_link->addItem(QString::fromLatin1(LinkInputItem));
    // Each conversation's own text is relayed when it closes, so two game
    // texts poked in quick succession are never mixed up.
    connect(m_link, &LinkSource::conversationClosed, this,
        [this](const QString &, const QString &text) { RelayLinkText(text); });
    if (m_link->listen())
        return true;
    emit statusChanged(m_link->errorString());
    return false;
}

bool GameRelay::gameProgramExists(const QString &programName) const
{
    return m_games->exists(programName);
}

bool GameRelay::endGameProgram()
{
    return m_games->end();
}

void GameRelay::setState(GameState state)
{
    if (m_state == state)
        return;
    m_state = state;
    emit stateChanged(state);
}

bool GameRelay::fromPartner(const ParsedDatagram &datagram, const QHostAddress &source) const
{
    // <IPADDR> alone proves nothing: a third host could name the partner's
    // address and move its stones or end its game.
    return m_state != GameState::Idle && !m_game.PartnerAddress.isEmpty()
        && datagram.IpAddr == m_game.PartnerAddress && namesItsSource(datagram, source);
}

void GameRelay::send(const char *kind, const QString &data)
{
    const QString partner = m_game.PartnerAddress;
    m_channel->send(partner, m_presence->ownDatagram(kind, partner, m_game.GameId, data));
}

void GameRelay::requestGame(const QString &gameId, int row)
{
    // A game of ours still under way ends here: its partner is told.
    if (m_state == GameState::Starting || m_state == GameState::Playing) {
        m_games->end();
        reportGameEnd();
    }
    ++m_start;
    m_game = {};
    setState(GameState::Idle);
    if (row < 0 || row >= m_directory->rowCount())
        return;
    m_game.PartnerName = m_directory->name(row);
    m_game.PartnerAddress = m_directory->address(row);
    m_game.GameId = gameId;
    m_game.GameName = gameProgramName(gameId);
    const QByteArray request = m_presence->ownDatagram(
        MessageKind::GameRequest, m_game.PartnerAddress, m_game.GameId, linkText(LinkCode::Start));
    if (!m_channel->send(m_game.PartnerAddress, request)) {
        emit statusChanged(tr(TextSendFailed));
        m_game = {};
        return;
    }
    setState(GameState::Requested);
    emit statusChanged(tr(TextGameRequested));
}

bool GameRelay::takeGameStart()
{
    const qint64 now = m_clock.elapsed();
    m_startTimes.removeIf([now](qint64 at) { return now - at >= GameStartWindowMs; });
    if (m_startTimes.size() >= MaxGameStarts)
        return false;
    m_startTimes.append(now);
    return true;
}

void GameRelay::receiveGameRequest(const ParsedDatagram &datagram, const QHostAddress &source)
{
    const QString program = gameProgramName(datagram.GameId);
    if (program.isEmpty() || !gameProgramExists(program))
        return;
    // A game is played with the host that asked, never with an address it
    // names for someone else. Busy: a start under way is replaced by nobody,
    // a running game only by its partner; and games start at a bounded rate.
    const bool busy = m_state == GameState::Starting || m_state == GameState::Playing;
    if (!namesItsSource(datagram, source) || m_startUnderWay || (busy && !fromPartner(datagram, source))
        || !takeGameStart())
        return;
    if (!m_presence->markSender(datagram, source, PresenceMark::InGame))
        return;
    startGame(datagram, source, true);
}

void GameRelay::receiveGameAccept(const ParsedDatagram &datagram, const QHostAddress &source)
{
    // Only the user we asked may start our game, and only once: an
    // acceptance nobody asked for would start a game program against
    // whoever sent it.
    if (m_state == GameState::Requested && fromPartner(datagram, source))
        startGame(datagram, source, false);
}

void GameRelay::receiveGameRelay(const ParsedDatagram &datagram, const QHostAddress &source)
{
    // Only the partner of the running game may move its stones, and only
    // with the texts a game sends.
    if (!fromPartner(datagram, source) || isMessengersOwnCode(datagram.Data))
        return;
    if (!m_games->poke(datagram.Data, m_game.GameName))
        emit statusChanged(tr(TextFailed));
}

void GameRelay::receiveGameEnd(const ParsedDatagram &datagram, const QHostAddress &source)
{
    // Only the partner of the running game may end it.
    if (!fromPartner(datagram, source))
        return;
    m_presence->markSender(datagram, source, PresenceMark::HeardFrom);
    if (endGame(Ending::PartnerEndReport))
        emit statusChanged(tr("対戦相手よりゲーム終了報告を受けました。"));
}

void GameRelay::receivePartnerGoodbye(const ParsedDatagram &datagram, const QHostAddress &source)
{
    // The game is over with its partner gone: presence no longer carries
    // its id, and a new game may be asked for.
    if (fromPartner(datagram, source))
        endGame(Ending::PartnerGoodbye);
}

bool GameRelay::endGame(Ending ending)
{
    // Whatever start was under way is over.
    ++m_start;
    if (ending == Ending::OwnEndReport) {
        m_directory->markListedAddress(m_game.PartnerAddress, PresenceMark::HeardFrom);
    } else {
        if (!m_games->end()) {
            setState(GameState::Starting);
            return false;
        }
        m_game.GameName.clear();
    }
    m_game.PartnerName.clear();
    m_game.PartnerAddress.clear();
    m_game.GameId.clear();
    setState(GameState::Idle);
    return true;
}

void GameRelay::startGame(ParsedDatagram request, QHostAddress source, bool accepting)
{
    if (m_closed)
        return;
    const quint64 start = ++m_start;
    m_startUnderWay = true;
    // A start begun meanwhile (only the own user's request can begin one)
    // has ended before this one looks again.
    const auto over = qScopeGuard([this] { m_startUnderWay = false; });
    m_game.PartnerName = request.UserName;
    m_game.PartnerAddress = request.IpAddr;
    m_game.GameId = request.GameId;
    m_channel->setRemoteHost(m_game.PartnerAddress);
    // Whichever way this game starts, an earlier request is answered now.
    setState(GameState::Starting);

    const QString gameName = gameProgramName(request.GameId);
    if (gameName.isEmpty()) {
        emit boxRequested(tr("ｹﾞｰﾑ種別ｴﾗｰ CD=") + request.GameId);
        reportGameEnd();
        return;
    }
    m_game.GameName = gameName;
    if (!m_games->start(gameName)) {
        reportGameEnd();
        return;
    }

    const QStringList introduction = {
        linkText(LinkCode::MessengerName, m_appName),
        linkText(LinkCode::PartnerName, request.UserName),
        linkText(LinkCode::PartnerAddress, request.IpAddr),
        linkText(LinkCode::OwnName, m_settings.UserName),
        linkText(LinkCode::OwnAddress, m_channel->ownAddressFor(request.IpAddr)),
    };
    // The program just started: give it a few seconds to open its link.
    // Each wait lets other datagrams and link texts be handled; the start
    // goes on only while it is still the one under way. A wait that returns
    // at once means the event loop is quitting: the start is given up.
    bool delivered = false;
    const QDeadlineTimer patience(GameStartPatienceMs);
    while (!(delivered = m_games->poke(introduction.first(), gameName)) && startStands(start)
        && !patience.hasExpired() && m_games->GameProcessHandle() != 0) {
        QEventLoop pause;
        QTimer::singleShot(GameStartRetryMs, &pause, &QEventLoop::quit);
        if (pause.exec() < 0)
            break;
    }
    for (qsizetype i = 1; delivered && startStands(start) && i < introduction.size(); ++i)
        delivered = m_games->poke(introduction[i], gameName);
    if (!startStands(start))
        return;
    if (!delivered) {
        emit statusChanged(tr(TextFailed));
        abandonStart();
        return;
    }

    if (!m_games->poke(linkText(accepting ? LinkCode::Black : LinkCode::White), gameName)) {
        emit statusChanged(tr(TextFailed));
        if (accepting) {
            abandonStart();
            return;
        }
    }
    if (!startStands(start))
        return;
    if (!m_games->poke(linkText(LinkCode::Start), gameName)) {
        emit statusChanged(tr(TextFailed));
        abandonStart();
        return;
    }
    if (!startStands(start))
        return;

    if (accepting) {
        const QByteArray accept = m_presence->ownDatagram(
            MessageKind::GameAccept, request.IpAddr, request.GameId, linkText(LinkCode::Start));
        if (!m_channel->send(request.IpAddr, accept)) {
            emit statusChanged(tr(TextSendFailed));
            abandonStart();
            return;
        }
        emit statusChanged(tr(TextGameRequested));
    }
    m_presence->markSender(request, source, PresenceMark::InGame);
    setState(GameState::Playing);
}

void GameRelay::abandonStart()
{
    if (m_closed)
        return;
    m_games->end();
    reportGameEnd();
}

void GameRelay::gameProgramEnded()
{
    if (m_closed || m_state == GameState::Idle || m_state == GameState::Requested)
        return;
    reportGameEnd();
}

void GameRelay::reportGameEnd()
{
    if (m_game.PartnerAddress.isEmpty())
        return;
    send(MessageKind::GameEnd);
    endGame(Ending::OwnEndReport);
}

void GameRelay::RelayLinkText(const QString &poked)
{
    // Without a partner the text has nowhere to go: the game's end report
    // can cross the partner's, whose arrival has already ended the match.
    // Sending to no address would fail, and marking no one would add a
    // blank row to the list.
    if (m_closed || m_state == GameState::Idle || m_game.PartnerAddress.isEmpty())
        return;
    const QString text = trimSpaces(poked);
    const bool endReport = text == linkText(LinkCode::End);
    if (endReport)
        send(MessageKind::GameEnd);
    else
        send(MessageKind::GameRelay, text);
    if (endReport)
        endGame(Ending::OwnEndReport);
}
