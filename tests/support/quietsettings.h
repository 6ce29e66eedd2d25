#pragma once

#include "settingsstore.h"

// The settings of a messenger that runs unattended in a test or benchmark:
// its port and user name, no arrival sound, no pop-up, no broadcast (a test
// never sends beyond the machine), no kept log, no desktop notification, an
// empty directory (callers add their rows after).
inline void WriteQuietMessengerSettings(SettingsStore &store, quint16 port, const QString &userName)
{
    store.setValue(QStringLiteral("Local"), QStringLiteral("Port"), QString::number(port));
    store.setValue(QStringLiteral("Local"), QStringLiteral("UserName"), userName);
    store.setValue(QStringLiteral("Local"), QStringLiteral("Sound"), QStringLiteral("False"));
    store.setValue(QStringLiteral("Local"), QStringLiteral("PopUp"), QStringLiteral("False"));
    store.setValue(QStringLiteral("Local"), QStringLiteral("Broadcast"), QStringLiteral("False"));
    store.setValue(QStringLiteral("Local"), QStringLiteral("KeepLog"), QStringLiteral("False"));
    store.setValue(QStringLiteral("Local"), QStringLiteral("Notify"), QStringLiteral("False"));
    store.setValue(QStringLiteral("User"), QStringLiteral("Count"), QStringLiteral("0"));
}
