#pragma once

#include "datagram.h"
#include "settingsmapping.h"

#include <QElapsedTimer>
#include <QHash>
#include <QHostAddress>
#include <QObject>
#include <QSet>

#include <functional>
#include <memory>

class ConversationLog;
class GamePrograms;
class LinkSource;
class QTimer;
class QUdpSocket;
class SettingsStore;
class SingleInstanceLock;
class UserDirectory;

// Where a messenger lives: its names, its address and its folders. The
// shipped program uses the defaults; tests give each messenger its own
// loopback address and temporary folders.
struct SessionEnvironment
{
    // The settings' application name and the link application name.
    QString appName = QStringLiteral("Pelwick");
    QHostAddress bindAddress = QHostAddress(QHostAddress::AnyIPv4);
    // The address written into <IPADDR>. Empty: the bind address when it is
    // a specific one, else the machine's primary IPv4 address.
    QString ownAddress;
    // Empty: the user's configuration directory.
    QString settingsDirectory;
    // Empty: the user's runtime directory (lock file, link sockets).
    QString runtimeDirectory;
    // Where the game programs lie. Empty: the messenger's own folder.
    QString programDirectory;
    // Where the conversation is kept. Empty: the user's data folder
    // ($XDG_DATA_HOME/<appName>).
    QString dataDirectory;
};

// The record of the running game.
struct CurrentGame
{
    QString PartnerName;
    QString PartnerAddress;
    QString GameId;
    QString GameName;
};

// One messenger's protocol: the UDP socket, the user directory, the receive
// dispatch of every datagram kind, the send paths, the connection check, and
// the game handshake and relay between the partner and the local game
// program. It shows nothing: what the user must see is reported as signals,
// and the window decides how.
class MessengerSession : public QObject
{
    Q_OBJECT
public:
    // games: how game programs are started, ended and poked (not owned; it
    // must outlive the session). Null: the programs beside the messenger.
    explicit MessengerSession(
        const SessionEnvironment &environment = {}, GamePrograms *games = nullptr, QObject *parent = nullptr);
    ~MessengerSession() override;

    // One messenger per user: false when another instance holds the lock.
    bool lockInstance();
    void unlockInstance();

    // Reads "Local" (missing keys from defaults) and the stored directory,
    // every row marked not heard from; saveSettings writes both back.
    // From then on, a changed directory is saved within a second, so a crash
    // loses no peer learnt during the run. Returns what the load mended.
    SettingsNotices loadSettings(const SettingsStore &store, const LocalSettings &defaults);
    void saveSettings(SettingsStore &store);

    // The end of the kept conversation (CR LF line ends), for the log to
    // show again at start; empty when KeepLog is off or nothing is kept.
    QString keptConversation() const;
    QString conversationFilePath() const;

    // Binds the socket on Port for both ends; a failure is reported in the
    // status text.
    bool openSocket();
    void closeSocket();
    // Opens the link the game programs send their texts to.
    bool openLink();

    // Where datagrams go out instead of the socket: it gets each datagram
    // with its destination and returns the bytes it took, -1 on failure.
    // The receive fuzzer answers whatever address a datagram names, so its
    // answers must never leave the process. Empty: the socket.
    using DatagramSender = std::function<qint64(const QByteArray &datagram, const QHostAddress &host, quint16 port)>;
    void setDatagramSender(DatagramSender sender) { m_sender = std::move(sender); }

    // 01: the empty datagram to the current remote host, then the
    // announcement to every row; with broadcast (and Broadcast set), also to
    // every subnet this host is on, so peers nobody listed answer too.
    void announce(bool broadcast = false);
    // 99 to every row.
    void sayGoodbye();
    // Marks every row not heard from and announces again, to every subnet too.
    void checkConnections();

    enum class SendResult { Sent, NoAddressee, Failed };
    // 11 with text to the given rows not marked not heard from, in list
    // order and each once whatever order rows holds them in; logs it once
    // when it went out to all of them.
    SendResult sendMessage(const QString &text, const QList<int> &rows);
    // 40 to the given rows marked heard from, in list order and each once;
    // false when a send failed (the rest are not sent).
    bool sendRemovalRequest(const QList<int> &rows);
    // 31 for game gameId to the user of row.
    void requestGame(const QString &gameId, int row);
    // Ends the game program this messenger started; true when none is left.
    bool endGameProgram();

    // Handles one received datagram: the action of its kind. source: where
    // it came from (null: trusted, as from this program itself);
    // destination: where it was sent to, when known.
    void handleDatagram(QByteArrayView bytes, const QHostAddress &source = {}, const QHostAddress &destination = {});

    // The address written into <IPADDR> of a datagram to destination.
    QString ownAddressFor(const QString &destination);

    // How many rows a run adds for peers it has not heard of before; beyond
    // that, unknown peers are dropped, so a flood cannot swamp the directory.
    static constexpr int MaxAddedRows = 5000;
    // The link-close handler: relays the game's text to the partner.
    void RelayLinkText(const QString &text);

    // The window closed the box boxRequested asked for.
    void boxClosed();

    UserDirectory *directory() const { return m_directory; }
    LocalSettings &localSettings() { return m_settings; }
    const LocalSettings &localSettings() const { return m_settings; }
    const ParsedDatagram &parsedDatagram() const { return m_parsed; }
    const CurrentGame &currentGame() const { return m_game; }
    const SessionEnvironment &environment() const { return m_env; }
    QString ownAddress() const { return m_ownAddress; }
    bool gameProgramExists(const QString &programName) const;
    // A game is on (the game menu's check) / a new one may be asked for
    // (the game menu shown).
    bool inGame() const { return m_inGame; }
    bool gameOffered() const { return m_gameOffered; }

signals:
    // A block for the log, CR LF line ends, ending in an empty line.
    void logAppended(const QString &block);
    void statusChanged(const QString &text);
    // A box about a received datagram. One at a time: until boxClosed(),
    // further boxes are dropped, so a flood cannot stack them.
    void boxRequested(const QString &text);
    // A text message arrived and was logged: the attention devices' cue.
    void messageArrived(const ParsedDatagram &datagram);
    void gameStateChanged();
    // Emitted after each received datagram has been handled.
    void datagramHandled(const QString &kind);

private:
    struct KindAction;
    static const KindAction ReceiveTable[];

    // The single dispatch: the receive action of m_parsed's kind.
    void PerformKind();
    void receiveAnnounce();
    void receiveAnnounceAnswer();
    void receiveText();
    void receiveGoodbye();
    void receiveGameRequest();
    void receiveGameAccept();
    void receiveGameRelay();
    void receiveGameEnd();
    void receiveRemovalRequest();

    void startGame(bool accepting);
    void setGameState(bool inGame, bool offered);
    void clearPartner();
    void requestBox(const QString &text);
    void ShowStatus(const QString &text) { emit statusChanged(text); }
    // Shows a block in the log and keeps it in the conversation file.
    void appendLog(const QString &block);
    void writeDirectory();

    void onReadyRead();
    // Sends one datagram; the destination becomes the remote host.
    bool send(const QString &address, const QByteArray &datagram);
    // Sends one datagram and leaves the remote host as it is.
    bool writeDatagram(const QString &address, const QByteArray &datagram);
    QByteArray ownDatagram(
        const char *kind, const QString &destination, const QString &gameId, const QString &data = {});
    // Marks the sender of the datagram in hand; adds a row only for a sender
    // that may be added (see acceptsNewPeer). False when it was not marked.
    bool markSender(const QString &mark);
    // Whether a sender not in the directory may be added and answered: its
    // <IPADDR> must be where the datagram came from, and the cap not reached.
    bool acceptsNewPeer();
    void sendToEveryRow(const char *kind);

    SessionEnvironment m_env;
    std::unique_ptr<GamePrograms> m_ownGames;
    GamePrograms *m_games = nullptr;
    UserDirectory *m_directory = nullptr;
    QUdpSocket *m_socket = nullptr;
    DatagramSender m_sender;
    LinkSource *m_link = nullptr;
    std::unique_ptr<SingleInstanceLock> m_instanceLock;

    LocalSettings m_settings;
    ParsedDatagram m_parsed;
    CurrentGame m_game;
    QString m_ownAddress;
    // The socket's remote host: the last destination, the own address at first.
    QString m_remoteHost;
    bool m_boxOpen = false;
    // A game request went out and its partner has not yet accepted it.
    bool m_awaitingAccept = false;
    bool m_inGame = false;
    bool m_gameOffered = true;

    // Where the datagram in hand came from.
    QHostAddress m_source;
    // Own address per destination, asked of the routing table; forgotten
    // now and then, so a changed network is noticed.
    QHash<QString, QString> m_ownAddressCache;
    QElapsedTimer m_ownAddressAge;
    // Own addresses and subnet broadcast addresses our announcements went out
    // from and to: what comes back from there is our own broadcast.
    QSet<QString> m_broadcastSources;
    QSet<QHostAddress> m_broadcastTargets;
    std::unique_ptr<ConversationLog> m_conversation;
    bool m_conversationFailed = false;
    QTimer *m_directorySave = nullptr;
    int m_addedRows = 0;
    bool m_capReported = false;
};
