#include "peerpresence.h"

#include "datagramchannel.h"
#include "userdirectory.h"

#include <QHash>

#include <algorithm>

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
{
}

QByteArray PeerPresence::ownDatagram(
    const char *kind, const QString &destination, const QString &gameId, const QString &data)
{
    return buildDatagram(QLatin1String(kind), m_settings.UserName, m_channel->ownAddressFor(destination), gameId, data);
}

void PeerPresence::sendToEveryRow(const char *kind)
{
    const QList<DirectoryEntry> rows = m_directory->entries();
    const QString gameId = m_gameId();
    // One datagram per own address: most hosts have one.
    QHash<QString, QByteArray> datagrams;
    for (const DirectoryEntry &row : rows) {
        const QString own = m_channel->ownAddressFor(row.UserIpAddr);
        auto datagram = datagrams.find(own);
        if (datagram == datagrams.end())
            datagram = datagrams.insert(own, buildDatagram(QLatin1String(kind), m_settings.UserName, own, gameId));
        m_channel->send(row.UserIpAddr, *datagram);
    }
}

void PeerPresence::announce(bool broadcast)
{
    // The empty datagram first, to the current remote host; nobody reads it.
    m_channel->send(m_channel->remoteHost(), QByteArray());
    sendToEveryRow(MessageKind::Announce);
    if (!broadcast || !m_settings.Broadcast)
        return;
    const QString gameId = m_gameId();
    m_channel->broadcast([&](const QString &own) {
        return buildDatagram(QLatin1String(MessageKind::Announce), m_settings.UserName, own, gameId);
    });
}

void PeerPresence::sayGoodbye()
{
    sendToEveryRow(MessageKind::Goodbye);
}

void PeerPresence::checkConnections()
{
    SetAllMarks(*m_directory, PresenceMark::NotHeard);
    announce(true);
}

bool PeerPresence::sendRemovalRequest(const QList<int> &rows)
{
    for (const int i : inListOrder(rows)) {
        if (i < 0 || i >= m_directory->rowCount() || m_directory->mark(i) != PresenceMark::HeardFrom)
            continue;
        const QString address = m_directory->address(i);
        if (!m_channel->send(address, ownDatagram(MessageKind::RemovalRequest, address, QString()))) {
            emit statusChanged(QStringLiteral("送信に失敗しました。"));
            return false;
        }
    }
    return true;
}

bool PeerPresence::acceptsNewPeer(const ParsedDatagram &datagram, const QHostAddress &source)
{
    if (!source.isNull() && !QHostAddress(datagram.IpAddr).isEqual(source, QHostAddress::ConvertV4MappedToIPv4))
        return false;
    if (m_addedRows < MaxAddedRows)
        return true;
    if (!m_capReported) {
        m_capReported = true;
        emit statusChanged(QStringLiteral("新しい相手が多すぎるため、これ以上は一覧に追加しません。"));
    }
    return false;
}

bool PeerPresence::markSender(const ParsedDatagram &datagram, const QHostAddress &source, PresenceMark mark)
{
    if (m_directory->rowOf(datagram.IpAddr) < 0) {
        if (!acceptsNewPeer(datagram, source))
            return false;
        ++m_addedRows;
    }
    SetUserMark(*m_directory, datagram.UserName, datagram.IpAddr, mark);
    return true;
}

void PeerPresence::receiveAnnounce(const ParsedDatagram &datagram, const QHostAddress &source)
{
    if (!markSender(datagram, source, presenceOf(datagram)))
        return;
    m_channel->send(datagram.IpAddr, ownDatagram(MessageKind::AnnounceAnswer, datagram.IpAddr, m_gameId()));
}

void PeerPresence::receiveAnnounceAnswer(const ParsedDatagram &datagram, const QHostAddress &source)
{
    markSender(datagram, source, presenceOf(datagram));
}

void PeerPresence::receiveGoodbye(const ParsedDatagram &datagram, const QHostAddress &source)
{
    markSender(datagram, source, PresenceMark::NotHeard);
}

void PeerPresence::receiveRemovalRequest(const ParsedDatagram &datagram)
{
    RemoveUserByAddress(*m_directory, datagram.IpAddr);
}
