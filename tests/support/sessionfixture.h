#pragma once

#include "datagramchannel.h"
#include "fixturebase.h"
#include "gamerelay.h"
#include "messengersession.h"
#include "peerpresence.h"
#include "sessionstorage.h"
#include "udppeer.h"
#include "userdirectory.h"

#include <QCoreApplication>

#include <memory>
#include <optional>

// One messenger session on its own loopback address (the folders and
// settings of FixtureBase), standing where the window would: it records the
// log blocks, the status text and the boxes the session asks for, and
// closes each box at once unless told to hold it.
class SessionFixture : public FixtureBase
{
public:
    explicit SessionFixture(const QString &address, quint16 port, const QString &userName = QStringLiteral("me"))
        : FixtureBase(address, port, userName)
    {
    }

    SessionEnvironment environment() const
    {
        SessionEnvironment env;
        fill(env);
        return env;
    }

    // Loads the settings, binds the socket and opens the link; games null:
    // the programs in programDir().
    MessengerSession *start(GamePrograms *games = nullptr)
    {
        m_session = std::make_unique<MessengerSession>(environment(), games);
        MessengerSession *s = m_session.get();
        QObject::connect(s, &MessengerSession::logAppended, s, [this](const QString &block) { log += block; });
        QObject::connect(s, &MessengerSession::statusChanged, s, [this](const QString &text) { status = text; });
        QObject::connect(s, &MessengerSession::boxRequested, s, [this](const QString &text) {
            boxes.append(text);
            if (!m_holdBoxes)
                m_session->boxClosed();
        });
        s->loadSettings();
        if (!s->openSocket() || !s->openLink())
            return nullptr;
        return s;
    }

    MessengerSession *session() const { return m_session.get(); }
    UserDirectory *directory() const { return m_session->directory(); }

    // Boxes stay open until closeBox(), as while the user reads one.
    void holdBoxes() { m_holdBoxes = true; }
    void closeBox()
    {
        m_holdBoxes = false;
        m_session->boxClosed();
    }
    // Delivers the boxes the session has asked for so far: they are
    // reported from the event loop.
    void deliverBoxes() { QCoreApplication::sendPostedEvents(m_session.get(), QEvent::MetaCall); }

    // The messenger's own datagram of kind, as it goes out.
    QByteArray own(const char *kind, const QString &gameId = {}, const QString &data = {}) const
    {
        return buildDatagram(QLatin1String(kind), m_session->localSettings().UserName, address(), gameId, data);
    }

    // Every datagram peer receives before the first one equal to marker;
    // nothing when the marker does not come. Proves that nothing else was
    // sent without waiting for silence.
    static std::optional<QList<QByteArray>> receiveUntil(UdpPeer &peer, const QByteArray &marker)
    {
        QList<QByteArray> before;
        for (;;) {
            const std::optional<QByteArray> next = peer.next(5000);
            if (!next)
                return std::nullopt;
            if (*next == marker)
                return before;
            before.append(*next);
        }
    }

    // What the session has sent to peer so far: the peer announces itself
    // and collects everything ahead of the answer. Marks peer's row heard
    // from (adds one when there is none).
    std::optional<QList<QByteArray>> sentTo(UdpPeer &peer)
    {
        const int row = directory()->rowOf(peer.address());
        const QString name = row < 0 ? QStringLiteral("peer") : directory()->name(row);
        peer.send(buildDatagram(QStringLiteral("01"), name, peer.address()), address());
        return receiveUntil(peer, own("02", m_session->game()->currentGame().GameId));
    }

    // What the window would show.
    QString log;
    QString status;
    QStringList boxes;

private:
    std::unique_ptr<MessengerSession> m_session;
    bool m_holdBoxes = false;
};
