#pragma once

#include "quietsettings.h"
#include "sessionenvironment.h"
#include "settingsmapping.h"
#include "settingsstore.h"

#include <QTemporaryDir>

// What every messenger under test has, with or without its window: its own
// loopback address and port, temporary settings, runtime, program and data
// folders, and quiet settings stored before it starts. The settings are
// written through the product's own store and mapping, never as INI text.
class FixtureBase
{
public:
    FixtureBase(const QString &address, quint16 port, const QString &userName)
        : m_address(address)
        , m_port(port)
    {
        SettingsStore store(AppName, settingsDir());
        WriteQuietMessengerSettings(store, port, userName);
        store.sync();
    }

    // Directory entries for the store, before the messenger starts.
    void storeDirectory(const QList<DirectoryEntry> &entries)
    {
        SettingsStore store(AppName, settingsDir());
        saveDirectory(store, entries);
        store.sync();
    }

    // Sets a "Local" value in the store, before the messenger starts.
    void setLocal(const char *key, const QString &value)
    {
        SettingsStore store(AppName, settingsDir());
        store.setValue(QStringLiteral("Local"), QLatin1String(key), value);
        store.sync();
    }

    QString address() const { return m_address; }
    quint16 port() const { return m_port; }
    QString settingsDir() const { return m_settings.path(); }
    QString runtimeDir() const { return m_runtime.path(); }
    QString programDir() const { return m_programs.path(); }
    QString dataDir() const { return dataDirectory.isEmpty() ? m_data.path() : dataDirectory; }

    // Where the conversation is kept; empty: a temporary folder.
    QString dataDirectory;

    static inline const QString AppName = QStringLiteral("Pelwick");

protected:
    // The names, address and folders above, for the session or the window.
    void fill(SessionEnvironment &env) const
    {
        env.appName = AppName;
        env.bindAddress = QHostAddress(m_address);
        env.settingsDirectory = settingsDir();
        env.runtimeDirectory = runtimeDir();
        env.programDirectory = programDir();
        env.dataDirectory = dataDir();
    }

private:
    QString m_address;
    quint16 m_port;
    QTemporaryDir m_settings;
    QTemporaryDir m_runtime;
    QTemporaryDir m_programs;
    QTemporaryDir m_data;
};
