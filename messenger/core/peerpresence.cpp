#include "peerpresence.h"

#include "datagramchannel.h"
#include "logcategories.h"
#include "userdirectory.h"

#include <QRandomGenerator>
#include <QTimer>

#include <algorithm>
#include <utility>

namespace {

// The paced announcement: this many rows per step, a step this often (about
// ten thousand rows a second).
constexpr int PacedRows = 50;
constexpr int PaceIntervalMs = 5;
// Answers to broadcasts wait up to MinAnswerDelayMs with up to SmallNetwork
// rows, up to MaxAnswerDelayMs from LargeNetwork rows, in between in step.
constexpr int MinAnswerDelayMs = 500;
constexpr int MaxAnswerDelayMs = 2000;
constexpr int SmallNetwork = 100;
constexpr int LargeNetwork = 1000;

QStringList addressesOf(const UserDirectory &directory)
{
    QStringList addresses;
    addresses.reserve(directory.rowCount());
    for (int i = 0; i < directory.rowCount(); ++i)
        addresses.append(directory.address(i));
    return addresses;
}

} // namespace

int answerDelayLimitMs(int rows)
{
    if (rows <= SmallNetwork)
        return MinAnswerDelayMs;
    if (rows >= LargeNetwork)
        return MaxAnswerDelayMs;
    return MinAnswerDelayMs
        + (MaxAnswerDelayMs - MinAnswerDelayMs) * (rows - SmallNetwork) / (LargeNetwork - SmallNetwork);
}

bool namesItsSource(const ParsedDatagram &datagram, const QHostAddress &source)
{
    if (source.isNull())
        return true;
    // An IPv4-mapped IPv6 source counts as its IPv4 address; the named
    // address must be the canonical dotted quad, so "::ffff:a.b.c.d",
    // "0x0a.…", "10.98.2" or padded spellings never make a second row.
    bool sourceIsV4 = false;
    const quint32 from = source.toIPv4Address(&sourceIsV4);
    const std::optional<quint32> named = dottedQuadValue(datagram.IpAddr);
    return sourceIsV4 && named && *named == from;
}

PresenceMark presenceOf(const ParsedDatagram &datagram)
{
    return datagram.GameId.isEmpty() ? PresenceMark::HeardFrom : PresenceMark::InGame;
}

QList<int> inListOrder(QList<int> rows)
{
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

PeerPresence::PeerPresence(DatagramChannel *channel, UserDirectory *directory, const LocalSettings &settings,
    std::function<QString()> gameId, QObject *parent)
    : QObject(parent)
    , m_channel(channel)
    , m_directory(directory)
    , m_settings(settings)
    , m_gameId(std::move(gameId))
    , m_answerTimer(new QTimer(this))
    , m_pace(new QTimer(this))
{
    m_clock.start();
    m_answerTimer->setSingleShot(true);
    connect(m_answerTimer, &QTimer::timeout, this, &PeerPresence::sendDueAnswers);
    m_pace->setInterval(PaceIntervalMs);
    connect(m_pace, &QTimer::timeout, this, &PeerPresence::sendPacedBatch);
    connect(m_channel, &DatagramChannel::ownAddressesChanged, this, [this] { announce(true); });
}

QByteArray PeerPresence::ownDatagram(
    MessageKind kind, const QString &destination, const QString &gameId, const QString &data)
{
    return buildDatagram(kind, m_settings.UserName, m_channel->ownAddressFor(destination), gameId, data);
}

void PeerPresence::sendToRows(MessageKind kind, const QStringList &addresses)
{
    const QString gameId = m_gameId();
    // One datagram per own address: most hosts have one.
    QHash<QString, QByteArray> datagrams;
    QList<std::pair<QString, QByteArray>> outgoing;
    outgoing.reserve(addresses.size());
    for (const QString &address : addresses) {
        const QString own = m_channel->ownAddressFor(address);
        auto datagram = datagrams.find(own);
        if (datagram == datagrams.end())
            datagram = datagrams.insert(own, buildDatagram(kind, m_settings.UserName, own, gameId));
        outgoing.append({ address, *datagram });
    }
    m_channel->sendEach(outgoing);
}

void PeerPresence::broadcastAnnouncement()
{
    if (!m_settings.Broadcast)
        return;
    const QString gameId = m_gameId();
    m_channel->broadcast(
        [&](const QString &own) { return buildDatagram(MessageKind::Announce, m_settings.UserName, own, gameId); },
        m_settings.BroadcastTo);
}


void PeerPresence::sayGoodbye()
{
    // Nothing of ours may follow the goodbye: it would mark us heard from again.
    m_pace->stop();
    m_pacedRows.clear();
    m_pacedBroadcast = false;
    m_answersDue.clear();
    m_answerTime.clear();
    m_answerTimer->stop();
    sendToRows(MessageKind::Goodbye, addressesOf(*m_directory));
}

void PeerPresence::checkConnections()
{
    m_directory->markAll(PresenceMark::NotHeard);
    announce(true);
}

void PeerPresence::announce(bool broadcast)
{
    // A new round starts from the first row. The empty datagram goes first,
    // to the current remote host; nobody reads it.
    m_pacedBroadcast = m_pacedBroadcast || broadcast;
    m_channel->send(m_channel->remoteHost(), QByteArray());
    m_pacedRows = addressesOf(*m_directory);
    m_pacedNext = 0;
    sendPacedBatch();
    // Rows left: the rest follow from the event loop.
    if (announcing())
        m_pace->start();
}

void PeerPresence::sendPacedBatch()
{
    const qsizetype end = qMin(m_pacedNext + PacedRows, m_pacedRows.size());
    sendToRows(MessageKind::Announce, m_pacedRows.mid(m_pacedNext, end - m_pacedNext));
    m_pacedNext = end;
    if (m_pacedNext < m_pacedRows.size())
        return;
    m_pace->stop();
    m_pacedRows.clear();
    m_pacedNext = 0;
    if (std::exchange(m_pacedBroadcast, false))
        broadcastAnnouncement();
}

bool PeerPresence::sendRemovalRequest(const QList<int> &rows)
{
    for (const int i : inListOrder(rows)) {
        if (i < 0 || i >= m_directory->rowCount() || m_directory->mark(i) != PresenceMark::HeardFrom)
            continue;
        const QString address = m_directory->address(i);
        if (!m_channel->send(address, ownDatagram(MessageKind::RemovalRequest, address, QString()))) {
            emit statusChanged(tr("送信に失敗しました。"));
            return false;
        }
    }
    return true;
}

bool PeerPresence::acceptsNewPeer(const ParsedDatagram &datagram, const QHostAddress &source)
{
    if (!namesItsSource(datagram, source)) {
        qCDebug(lcPresence).noquote() << "new peer refused: a datagram from" << source.toString() << "names"
                                      << loggedText(datagram.IpAddr);
        return false;
    }
    const qint64 now = m_clock.elapsed();
    if (now - m_addWindowStart >= NewPeerWindowMs) {
        m_addWindowStart = now;
        m_addedRows = 0;
        m_addedBySource.clear();
        m_capReported = false;
    }
    // A trusted source (this program itself) counts in all only.
    const quint32 from = source.isNull() ? 0 : source.toIPv4Address();
    if (!source.isNull()) {
        const auto added = m_addedBySource.find(from);
        if (added != m_addedBySource.end() && *added >= MaxAddedRowsPerSource) {
            // Said once a window: counting past the cap marks it said.
            if (*added == MaxAddedRowsPerSource) {
                ++*added;
                qCDebug(lcPresence).noquote() << "new peers from" << source.toString() << "refused: it added"
                                              << MaxAddedRowsPerSource << "this minute";
            }
            return false;
        }
    }
    if (m_addedRows >= MaxAddedRows) {
        if (!m_capReported) {
            m_capReported = true;
            qCDebug(lcPresence).noquote()
                << "new peers refused from" << source.toString() << "on:" << MaxAddedRows << "were added this minute";
            emit statusChanged(tr("新しい相手が多すぎるため、これ以上は一覧に追加しません。"));
        }
        return false;
    }
    ++m_addedRows;
    if (!source.isNull())
        ++m_addedBySource[from];
    return true;
}

bool PeerPresence::markSender(const ParsedDatagram &datagram, const QHostAddress &source, PresenceMark mark)
{
    // A listed sender, the common case, costs one lookup. Someone else's
    // datagram naming a listed address marks the row but keeps its name.
    const bool own = namesItsSource(datagram, source);
    if (own ? m_directory->markListedUser(datagram.UserName, datagram.IpAddr, mark)
            : m_directory->markListedAddress(datagram.IpAddr, mark))
        return true;
    if (!acceptsNewPeer(datagram, source))
        return false;
    m_directory->markUser(datagram.UserName, datagram.IpAddr, mark);
    return true;
}

void PeerPresence::receiveAnnounce(const ParsedDatagram &datagram, const QHostAddress &source, bool byBroadcast)
{
    if (!markSender(datagram, source, presenceOf(datagram)))
        return;
    if (byBroadcast) {
        queueAnswer(datagram.IpAddr);
        return;
    }
    // Answered now: an answer still queued for this host would say the same.
    dropQueuedAnswer(datagram.IpAddr);
    m_channel->send(datagram.IpAddr, ownDatagram(MessageKind::AnnounceAnswer, datagram.IpAddr, m_gameId()));
}

void PeerPresence::queueAnswer(const QString &address)
{
    if (m_answerTime.contains(address))
        return;
    const int limit = answerDelayLimitMs(m_directory->rowCount());
    const qint64 due = m_clock.elapsed() + QRandomGenerator::global()->bounded(limit + 1);
    m_answerTime.insert(address, due);
    m_answersDue.insert(due, address);
    scheduleAnswers();
}

void PeerPresence::dropQueuedAnswer(const QString &address)
{
    const auto time = m_answerTime.constFind(address);
    if (time == m_answerTime.constEnd())
        return;
    m_answersDue.remove(*time, address);
    m_answerTime.erase(time);
    scheduleAnswers();
}

void PeerPresence::scheduleAnswers()
{
    if (m_answersDue.isEmpty()) {
        m_answerTimer->stop();
        return;
    }
    m_answerTimer->start(int(qMax<qint64>(0, m_answersDue.firstKey() - m_clock.elapsed())));
}

void PeerPresence::sendDueAnswers()
{
    const qint64 now = m_clock.elapsed();
    while (!m_answersDue.isEmpty() && m_answersDue.firstKey() <= now) {
        const QString address = m_answersDue.first();
        m_answersDue.erase(m_answersDue.begin());
        m_answerTime.remove(address);
        m_channel->send(address, ownDatagram(MessageKind::AnnounceAnswer, address, m_gameId()));
    }
    scheduleAnswers();
}

void PeerPresence::receiveAnnounceAnswer(const ParsedDatagram &datagram, const QHostAddress &source)
{
    markSender(datagram, source, presenceOf(datagram));
}

void PeerPresence::receiveGoodbye(const ParsedDatagram &datagram, const QHostAddress &source)
{
    // A peer that has left needs no answer any more.
    if (markSender(datagram, source, PresenceMark::NotHeard))
        dropQueuedAnswer(datagram.IpAddr);
}

void PeerPresence::receiveRemovalRequest(const ParsedDatagram &datagram, const QHostAddress &source)
{
    // Only a host itself may have its row forgotten.
    if (namesItsSource(datagram, source))
        m_directory->removeUser(datagram.IpAddr);
    else
        qCDebug(lcPresence).noquote() << "removal of" << loggedText(datagram.IpAddr) << "refused: it came from"
                                      << source.toString();
}
