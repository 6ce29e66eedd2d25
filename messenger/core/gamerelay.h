#pragma once

#include "datagram.h"
#include "settingsmapping.h"

#include <QElapsedTimer>
#include <QHostAddress>
#include <QObject>

class DatagramChannel;
class GamePrograms;
class LinkSource;
class PeerPresence;
class UserDirectory;

// The record of the running game.
struct CurrentGame
{
    QString PartnerName;
    QString PartnerAddress;
    QString GameId;
    QString GameName;
};

// Where a game stands, on either side.
enum class GameState {
    // No partner. GameName (and the game program) may remain from a game
    // whose own end report closed it.
    Idle,
    // A request (31) went out; only the user asked may accept it (32).
    Requested,
    // A partner is set and the game program is being started and introduced.
    // A start that failed half-way, or a partner's end that could not end
    // our game program, stays here until the next request or start.
    Starting,
    // The game program runs, introduced; its texts are relayed.
    Playing,
};

// One game between this messenger's game program and a partner's: the start
// handshake (31, 32), the introduction of the game program over the link,
// the relay of its texts in both directions (21) and the end of the game
// (29, the partner's goodbye, the game's own end report).
//
// Introduction, in order, each one LinkMessage poked into the game:
//   #1 messenger's application name, #2 partner name, #3 partner address,
//   #4 own name, #5 own address, then 20 (black, accepting side) or
//   21 (white, requesting side), then 01 (start).
//
// A game that is starting or being played is replaced by nobody but its
// partner, and a start under way by nobody at all; requests beyond
// MaxGameStarts in GameStartWindowMs are ignored, as a busy messenger
// ignores them. Whenever a game ends here other than by the partner's own
// word (the game's end report, the game program ending by itself, a start
// that failed, a new request of the own user), the partner gets its 29.
// From the partner's relayed texts, the codes only this messenger gives its
// game (the introduction, the colours, start and end now) never reach it.
class GameRelay : public QObject
{
    Q_OBJECT
public:
    // games: how game programs are started, ended and poked (not owned).
    // appName: the link application name the game reaches us under.
    GameRelay(DatagramChannel *channel, PeerPresence *presence, UserDirectory *directory,
        const LocalSettings &settings, GamePrograms *games, const QString &appName, QObject *parent = nullptr);
    ~GameRelay() override;

    static constexpr int MaxGameStarts = 3;
    static constexpr int GameStartWindowMs = 30000;

    // Opens the link the game programs send their texts to.
    bool openLink(const QString &runtimeDirectory);
    // Nothing more is handled: a start under way is abandoned where it
    // stands, and later texts of the game go nowhere. The link's socket goes
    // too, so no stale one is left in the runtime directory.
    void close();

    // 31 for game gameId to the user of row.
    void requestGame(const QString &gameId, int row);
    // Ends the game program this messenger started; true when none is left.
    bool endGameProgram();
    bool gameProgramExists(const QString &programName) const;

    // The receive actions of 31, 32, 21 and 29, and the part of 99 that
    // concerns the game.
    void receiveGameRequest(const ParsedDatagram &datagram, const QHostAddress &source);
    void receiveGameAccept(const ParsedDatagram &datagram, const QHostAddress &source);
    void receiveGameRelay(const ParsedDatagram &datagram, const QHostAddress &source);
    void receiveGameEnd(const ParsedDatagram &datagram, const QHostAddress &source);
    void receivePartnerGoodbye(const ParsedDatagram &datagram, const QHostAddress &source);

    // The link-close handler: relays the game's text to the partner.
    void RelayLinkText(const QString &text);

    const CurrentGame &currentGame() const { return m_game; }
    GameState state() const { return m_state; }
    GamePrograms *gamePrograms() const { return m_games; }

signals:
    void statusChanged(const QString &text);
    // A box about a received datagram.
    void boxRequested(const QString &text);
    void stateChanged(GameState state);

private:
    enum class Ending { OwnEndReport, PartnerEndReport, PartnerGoodbye };

    // source: where request came from; both are copies, as the link calls
    // let other datagrams be handled meanwhile.
    void startGame(ParsedDatagram request, QHostAddress source, bool accepting);
    // Whether the start numbered start is still the one under way.
    bool startStands(quint64 start) const { return !m_closed && start == m_start; }
    // A start that cannot go on: the game program goes, and the partner,
    // who may be waiting for it, gets its 29.
    void abandonStart();
    // The game program ended without its end report.
    void gameProgramEnded();
    // Ends the game here as the game's own end report does: 29 to the partner.
    void reportGameEnd();
    // Whether a game start is allowed now, counting it when it is.
    bool takeGameStart();
    bool fromPartner(const ParsedDatagram &datagram, const QHostAddress &source) const;
    // The one way a game ends. The partner's end report and goodbye end our
    // game program first: where it cannot be ended, that stops there and
    // the partner is kept. The own game's end report leaves the program
    // (and GameName) as they are.
    bool endGame(Ending ending);
    void setState(GameState state);
    void send(const char *kind, const QString &data = {});

    DatagramChannel *m_channel;
    PeerPresence *m_presence;
    UserDirectory *m_directory;
    const LocalSettings &m_settings;
    GamePrograms *m_games;
    QString m_appName;
    LinkSource *m_link = nullptr;
    CurrentGame m_game;
    GameState m_state = GameState::Idle;
    // Numbers the starts; a start goes on only while it is the latest.
    quint64 m_start = 0;
    bool m_startUnderWay = false;
    bool m_closed = false;
    QElapsedTimer m_clock;
    QList<qint64> m_startTimes;
};
