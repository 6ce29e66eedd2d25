#pragma once

#include "datagramchannel.h"
#include "fakenetworkcalls.h"
#include "fixturebase.h"
#include "frm_pelwickUDP.h"
#include "gameprograms.h"
#include "gamerelay.h"
#include "messageboxrecorder.h"
#include "peerpresence.h"
#include "udppeer.h"
#include "userlist.h"

#include <QDir>

#include <functional>
#include <memory>

// One messenger with its window on its own loopback address (the folders
// and settings of FixtureBase), told about a machine of the test's making.
class MessengerFixture : public FixtureBase
{
public:
    explicit MessengerFixture(const QString &address, quint16 port, const QString &userName = QStringLiteral("me"))
        : FixtureBase(address, port, userName)
    {
    }

    MessengerEnvironment environment() const
    {
        MessengerEnvironment env;
        fill(env);
        // Never the user's own login start.
        env.autostartDirectory = QDir(settingsDir()).filePath(QStringLiteral("autostart"));
        // Never this machine's host name or interfaces.
        env.networkCalls = &m_networkCalls;
        return env;
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

    // What the network identity box is told about this machine.
    FakeNetworkCalls &networkCalls() { return m_networkCalls; }

private:
    FakeNetworkCalls m_networkCalls;
    std::unique_ptr<frm_pelwickUDP> m_window;
};
