#pragma once

#include "datagram.h"
#include "sessionenvironment.h"
#include "settingsmapping.h"

#include <QElapsedTimer>
#include <QHash>
#include <QHostAddress>
#include <QObject>

#include <memory>

class DatagramChannel;
class GamePrograms;
class GameRelay;
class PeerPresence;
class SessionStorage;
class UserDirectory;

// One messenger without its window: wires the datagram channel, presence,
// the game relay and what is kept around the user directory and the
// options, hands each received datagram to the part that handles its kind,
// and carries the text messages themselves. It shows nothing: what the user
// must see is reported as signals, and the window decides how.
class MessengerSession : public QObject
{
    Q_OBJECT
public:
    // games: how game programs are started, ended and poked (not owned; it
    // must outlive the session). Null: the programs beside the messenger.
    explicit MessengerSession(
        const SessionEnvironment &environment = {}, GamePrograms *games = nullptr, QObject *parent = nullptr);
    ~MessengerSession() override;

    // Reads "Local" (a missing key: its default) and the stored directory,
    // every row marked not heard from (SessionStorage::loadSettings);
    // saveSettings writes both back, with the window's place where given.
    // Returns what the load mended.
    SettingsNotices loadSettings();
    bool saveSettings(const std::optional<WindowPlace> &place = std::nullopt);
    // The end of the kept conversation (CR LF line ends); empty when
    // KeepLog is off or nothing is kept.
    QString keptConversation() const;

    // Opens the channel on Port for both ends; that port stays in force
    // until the next start. A failure is reported in the status text.
    bool openSocket();
    // After this nothing received is handled any more, and a game start
    // under way is given up.
    void closeSocket();
    // Opens the link the game programs send their texts to.
    bool openLink();

    // The code of the request sendMessage carries out. It is no kind and
    // never travels: a received one is answered as any unknown kind.
    static constexpr char SendRequest[] = "12";

    enum class SendResult { Sent, NoAddressee, Failed };
    // 11 with text to the given rows not marked not heard from, in list
    // order and each once whatever order rows holds them in; logs it once
    // when it went out to all of them.
    SendResult sendMessage(const QString &text, const QList<int> &rows);

    // The window closed the box boxRequested asked for.
    void boxClosed();

    DatagramChannel *channel() const { return m_channel; }
    PeerPresence *presence() const { return m_presence; }
    GameRelay *game() const { return m_game; }
    SessionStorage *storage() const { return m_storage; }
    UserDirectory *directory() const { return m_directory; }
    LocalSettings &localSettings() { return m_settings; }
    const LocalSettings &localSettings() const { return m_settings; }
    const SessionEnvironment &environment() const { return m_env; }

signals:
    // A block for the log, CR LF line ends, ending in an empty line.
    void logAppended(const QString &block);
    void statusChanged(const QString &text);
    // A box about a received datagram. One at a time: until boxClosed(),
    // further boxes are only said in the status text, so a flood cannot
    // stack them; and an unknown kind gets a box at most once a minute per
    // sender.
    void boxRequested(const QString &text);
    // A text message arrived and was logged: the attention devices' cue.
    void messageArrived(const ParsedDatagram &datagram);
    void gameStateChanged();
    // Emitted after each received datagram has been handled.
    void datagramHandled(const QString &kind);

private:
    // Where a received datagram came from, and whether it was sent to a
    // broadcast address rather than to us; lives as long as the dispatch.
    struct Arrival
    {
        const QHostAddress &source;
        bool byBroadcast = false;
    };

    // The single dispatch: the receive action of the datagram's kind.
    void PerformKind(const ParsedDatagram &datagram, const Arrival &arrival);
    void receiveText(const ParsedDatagram &datagram, const QHostAddress &source);
    void receiveGoodbye(const ParsedDatagram &datagram, const QHostAddress &source);
    void requestBox(const QString &text);
    // The answer to a datagram of an unknown kind from source.
    void unknownKind(const ParsedDatagram &datagram, const QHostAddress &source);
    // The time of day for the log, "HH:mm:ss".
    QString clockText();
    // Shows a block in the log and keeps it in the conversation file.
    void appendLog(const QString &block);

    SessionEnvironment m_env;
    LocalSettings m_settings;
    std::unique_ptr<GamePrograms> m_ownGames;
    UserDirectory *m_directory;
    DatagramChannel *m_channel;
    PeerPresence *m_presence;
    GameRelay *m_game;
    SessionStorage *m_storage;
    bool m_boxOpen = false;
    // When each sender last had a box about an unknown kind.
    static constexpr int KindBoxIntervalMs = 60000;
    static constexpr int MaxKindBoxSenders = 1024;
    QElapsedTimer m_kindBoxClock;
    QHash<QHostAddress, qint64> m_kindBoxShown;
    qint64 m_clockSecond = -1;
    QString m_clockText;
};
