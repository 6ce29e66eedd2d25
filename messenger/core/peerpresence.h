#pragma once

#include "datagram.h"
#include "presencemark.h"
#include "settingsmapping.h"

#include <QElapsedTimer>
#include <QHash>
#include <QHostAddress>
#include <QMultiMap>
#include <QObject>
#include <QStringList>

#include <functional>

class DatagramChannel;
class QTimer;
class UserDirectory;

// Who is there: keeps the user directory's presence marks in step with the
// network. It announces this messenger (01) to every listed user and, on
// request, to every subnet; answers announcements (02); says goodbye (99);
// asks peers to forget this user (40); and marks or adds the senders of what
// arrives. A sender not yet listed is added only under the new-peer rule
// (markSender).
//
// Nothing on the wire proves who sent it, except the packet's source
// address. What is kept (a new row, a rename, a removal) is therefore made
// only from a datagram whose <IPADDR> is its own source address, written as
// a dotted quad; a datagram naming someone else changes that row's mark at
// most.
//
// On a big network, answers must not all arrive at once: an announcement
// that came by broadcast is answered after a random delay that grows with
// the directory (up to half a second for a hundred rows, up to two seconds
// for a thousand and more), one queued answer per asking host; one sent to
// our own address is answered at once. The connection check and the
// announcement after an address change go out a few rows at a time, so the
// answers are handled while it sends.
class PeerPresence : public QObject
{
    Q_OBJECT
public:
    // How many rows are added for peers not heard of before within one
    // window of NewPeerWindowMs, in all and per source address; beyond that,
    // unknown peers are dropped until the window has passed, so a flood
    // cannot swamp the directory and one host cannot lock out the rest.
    static constexpr int MaxAddedRows = 5000;
    static constexpr int MaxAddedRowsPerSource = 3;
    static constexpr int NewPeerWindowMs = 60000;

    // settings: the own name and the Broadcast option, read at each send.
    // gameId: the game id our presence carries (that of the running or
    // requested game, empty without one).
    PeerPresence(DatagramChannel *channel, UserDirectory *directory, const LocalSettings &settings,
        std::function<QString()> gameId, QObject *parent = nullptr);

    // 01: the empty datagram to the current remote host, then the
    // announcement to every row; with broadcast (and Broadcast set), also to
    // every subnet this host is on, so peers nobody listed answer too. The
    // first rows go out at once, the rest a few at a time from the event
    // loop, so a big directory neither holds up the window nor has its
    // answers arrive all at once. A new round replaces one under way and
    // keeps the broadcast it owed. Also made, with broadcast, when the
    // machine's addresses have changed.
    void announce(bool broadcast = false);
    // Whether an announcement still has rows to send (its broadcast, where
    // asked, follows the last).
    bool announcing() const { return !m_pacedRows.isEmpty(); }
    // 99 to every row.
    void sayGoodbye();
    // Marks every row not heard from and announces again, a few rows at a
    // time, then to every subnet too.
    void checkConnections();
    // 40 to the given rows marked heard from, in list order and each once;
    // false when a send failed (the rest are not sent).
    bool sendRemovalRequest(const QList<int> &rows);

    // The receive actions of 01, 02, 99 and 40. byBroadcast: the
    // announcement was sent to a broadcast address, not to us.
    void receiveAnnounce(const ParsedDatagram &datagram, const QHostAddress &source, bool byBroadcast = false);
    void receiveAnnounceAnswer(const ParsedDatagram &datagram, const QHostAddress &source);
    void receiveGoodbye(const ParsedDatagram &datagram, const QHostAddress &source);
    void receiveRemovalRequest(const ParsedDatagram &datagram, const QHostAddress &source);

    // Marks the sender of datagram. Its row is renamed, and a sender not in
    // the directory added, only when its <IPADDR> is where the datagram came
    // from (source; null: trusted) and, for a new row, the caps are not
    // reached, so nobody can fill the directory with invented peers, rename
    // others or have us answer third parties. False when it was not marked.
    bool markSender(const ParsedDatagram &datagram, const QHostAddress &source, PresenceMark mark);
    // Answers to broadcast announcements waiting for their time.
    int queuedAnswers() const { return int(m_answerTime.size()); }

    // Our own datagram of kind to destination, naming the address the
    // destination reaches us at.
    QByteArray ownDatagram(
        MessageKind kind, const QString &destination, const QString &gameId, const QString &data = {});

signals:
    void statusChanged(const QString &text);

private:
    bool acceptsNewPeer(const ParsedDatagram &datagram, const QHostAddress &source);
    void sendToRows(MessageKind kind, const QStringList &addresses);
    void broadcastAnnouncement();
    void sendPacedBatch();
    void queueAnswer(const QString &address);
    void sendDueAnswers();
    void dropQueuedAnswer(const QString &address);
    void scheduleAnswers();

    DatagramChannel *m_channel;
    UserDirectory *m_directory;
    const LocalSettings &m_settings;
    std::function<QString()> m_gameId;
    // Rows added in the window that began at m_addWindowStart (m_clock),
    // in all and per source address.
    qint64 m_addWindowStart = 0;
    int m_addedRows = 0;
    QHash<quint32, int> m_addedBySource;
    bool m_capReported = false;

    // Answers waiting for their time (ms on m_clock), one per address.
    QElapsedTimer m_clock;
    QTimer *m_answerTimer;
    QMultiMap<qint64, QString> m_answersDue;
    QHash<QString, qint64> m_answerTime;

    QTimer *m_pace;
    QStringList m_pacedRows;
    qsizetype m_pacedNext = 0;
    bool m_pacedBroadcast = false;
};

// The longest an answer to a broadcast announcement waits with rows listed.
int answerDelayLimitMs(int rows);

// Whether the datagram's <IPADDR> is the address it came from (source; null:
// trusted), written the one way a dotted quad is written: only then may it
// change what is kept about that address.
bool namesItsSource(const ParsedDatagram &datagram, const QHostAddress &source);

// The presence a sender's game id shows: in a game (★) with one, heard from
// (○) without.
PresenceMark presenceOf(const ParsedDatagram &datagram);

// The rows a send path walks: in list order and each once, whatever order
// the caller picked them in (a selection reports rows in the order they were
// selected).
QList<int> inListOrder(QList<int> rows);
