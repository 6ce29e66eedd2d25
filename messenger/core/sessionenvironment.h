#pragma once

#include <QHostAddress>
#include <QString>

// Where a messenger lives: its names, its address and its folders. The
// shipped program uses the defaults; tests give each messenger its own
// loopback address and temporary folders.
struct SessionEnvironment
{
    // The settings' application name and the link application name.
    QString appName = QStringLiteral("Pelwick");
    QHostAddress bindAddress = QHostAddress(QHostAddress::AnyIPv4);
    // The address written into <IPADDR>. Empty: the bind address when it is
    // a specific one, else the machine's primary IPv4 address.
    QString ownAddress;
    // Empty: the user's configuration directory.
    QString settingsDirectory;
    // Empty: the user's runtime directory (lock file, link sockets).
    QString runtimeDirectory;
    // Where the game programs lie. Empty: the messenger's own folder.
    QString programDirectory;
    // Where the conversation is kept. Empty: the user's data folder
    // ($XDG_DATA_HOME/<appName>).
    QString dataDirectory;

    // Whether the socket listens on every address of the machine (and so
    // hears the answers of every subnet).
    bool listensEverywhere() const
    {
        return bindAddress == QHostAddress(QHostAddress::AnyIPv4) || bindAddress == QHostAddress(QHostAddress::Any);
    }
};
