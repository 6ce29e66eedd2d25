#pragma once

#include "datagramchannel.h"
#include "gamerelay.h"
#include "messengersession.h"
#include "peerpresence.h"
#include "quietsettings.h"
#include "sessionstorage.h"
#include "settingsstore.h"
#include "udppeer.h"
#include "userdirectory.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <memory>
#include <optional>

// One messenger session on its own loopback address with temporary
// settings, runtime and program folders, standing where the window would:
// it records the log blocks, the status text and the boxes the session asks
// for, and closes each box at once unless told to hold it.
class SessionFixture
{
public:
    explicit SessionFixture(const QString &address, quint16 port, const QString &userName = QStringLiteral("me"))
        : m_address(address)
        , m_port(port)
    {
        SettingsStore store(QStringLiteral("Pelwick"), m_settings.path());
        WriteQuietMessengerSettings(store, port, userName);
        store.sync();
    }

    SessionEnvironment environment() const
    {
        SessionEnvironment env;
        env.bindAddress = QHostAddress(m_address);
        env.settingsDirectory = m_settings.path();
        env.runtimeDirectory = m_runtime.path();
        env.programDirectory = m_programs.path();
        env.dataDirectory = dataDirectory.isEmpty() ? m_data.path() : dataDirectory;
        return env;
    }

    // Directory entries for the store, before start().
    void storeDirectory(const QList<DirectoryEntry> &entries)
    {
        SettingsStore store(QStringLiteral("Pelwick"), m_settings.path());
        saveDirectory(store, entries);
        store.sync();
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
        return buildDatagram(QLatin1String(kind), m_session->localSettings().UserName, m_address, gameId, data);
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
        peer.send(buildDatagram(QStringLiteral("01"), name, peer.address()), m_address);
        return receiveUntil(peer, own("02", m_session->game()->currentGame().GameId));
    }

    QString address() const { return m_address; }
    quint16 port() const { return m_port; }
    QString settingsDir() const { return m_settings.path(); }
    QString runtimeDir() const { return m_runtime.path(); }
    QString programDir() const { return m_programs.path(); }

    // Where the conversation is kept; empty: a temporary folder.
    QString dataDirectory;
    // Sets a "Local" value in the store, before start().
    void setLocal(const char *key, const QString &value)
    {
        SettingsStore store(QStringLiteral("Pelwick"), m_settings.path());
        store.setValue(QStringLiteral("Local"), QLatin1String(key), value);
        store.sync();
    }

    // What the window would show.
    QString log;
    QString status;
    QStringList boxes;

private:
    QString m_address;
    quint16 m_port;
    QTemporaryDir m_settings;
    QTemporaryDir m_runtime;
    QTemporaryDir m_programs;
    QTemporaryDir m_data;
    std::unique_ptr<MessengerSession> m_session;
    bool m_holdBoxes = false;
};
