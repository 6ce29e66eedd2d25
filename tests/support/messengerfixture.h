#pragma once

#include "datagramchannel.h"
#include "fakenetworkcalls.h"
#include "frm_pelwickUDP.h"
#include "gameprograms.h"
#include "gamerelay.h"
#include "messageboxrecorder.h"
#include "peerpresence.h"
#include "quietsettings.h"
#include "settingsstore.h"
#include "udppeer.h"
#include "userlist.h"

#include <QTemporaryDir>

#include <memory>

// One messenger on its own loopback address with temporary settings and
// runtime folders, and a record of the message boxes it showed.
class MessengerFixture
{
public:
    explicit MessengerFixture(const QString &address, quint16 port, const QString &userName = QStringLiteral("me"))
        : m_address(address)
        , m_port(port)
    {
        SettingsStore store(QStringLiteral("Pelwick"), settingsDir());
        WriteQuietMessengerSettings(store, port, userName);
        store.sync();
    }

    MessengerEnvironment environment() const
    {
        MessengerEnvironment env;
        env.bindAddress = QHostAddress(m_address);
        env.settingsDirectory = settingsDir();
        env.runtimeDirectory = m_runtime.path();
        env.programDirectory = m_programs.path();
        env.dataDirectory = m_data.path();
        // Never the user's own login start.
        env.autostartDirectory = m_settings.filePath(QStringLiteral("autostart"));
        // Never this machine's host name or interfaces.
        env.networkCalls = &m_networkCalls;
        return env;
    }

    // Writes directory entries into the store before the window loads.
    void storeDirectory(const QList<DirectoryEntry> &entries)
    {
        SettingsStore store(QStringLiteral("Pelwick"), settingsDir());
        store.setValue(QStringLiteral("User"), QStringLiteral("Count"), QString::number(entries.size()));
        for (int i = 0; i < entries.size(); ++i) {
            const QString index = QStringLiteral("%1").arg(i + 1, 3, 10, QLatin1Char('0'));
            store.setValue(QStringLiteral("User"), index + QLatin1String("UserName"), entries[i].UserName);
            store.setValue(QStringLiteral("User"), index + QLatin1String("UserIpAddr"), entries[i].UserIpAddr);
        }
    }

    // adjust: puts stand-ins into the environment's seams before the window
    // is made.
    frm_pelwickUDP *start(const std::function<void(MessengerEnvironment &)> &adjust = {})
    {
        MessengerEnvironment env = environment();
        if (adjust)
            adjust(env);
        m_window = std::make_unique<frm_pelwickUDP>(env);
        if (!m_window->Form_Load())
            return nullptr;
        return m_window.get();
    }

    frm_pelwickUDP *window() const { return m_window.get(); }
    void stop()
    {
        if (m_window)
            m_window->close();
    }

    QString settingsDir() const { return m_settings.path(); }
    QString runtimeDir() const { return m_runtime.path(); }
    QString programDir() const { return m_programs.path(); }
    QString dataDir() const { return m_data.path(); }
    QString address() const { return m_address; }
    quint16 port() const { return m_port; }
    // What the network identity box is told about this machine.
    FakeNetworkCalls &networkCalls() { return m_networkCalls; }

private:
    QString m_address;
    quint16 m_port;
    QTemporaryDir m_settings;
    QTemporaryDir m_runtime;
    QTemporaryDir m_programs;
    QTemporaryDir m_data;
    FakeNetworkCalls m_networkCalls;
    std::unique_ptr<frm_pelwickUDP> m_window;
};
