#pragma once

#include <QElapsedTimer>
#include <QList>
#include <QObject>

class QSocketNotifier;
class QTimer;

// Tells when the set of this machine's IPv4 addresses changes while the
// messenger runs: a new lease, a move from a cable to a wireless network, a
// VPN coming up or going down.
//
// On Linux it listens to the kernel's address and link notifications
// (netlink) and compares the addresses of the running interfaces once the
// notifications have settled for a second (at most five seconds after the
// first), so a lease renewed with the same address reports nothing. Elsewhere it watches nothing and never reports.
class AddressWatch : public QObject
{
    Q_OBJECT
public:
    explicit AddressWatch(QObject *parent = nullptr);
    ~AddressWatch() override;

    bool isWatching() const { return m_descriptor >= 0; }

signals:
    void addressesChanged();

private:
    void onNotified();
    void compare();

    int m_descriptor = -1;
    QSocketNotifier *m_notifier = nullptr;
    QTimer *m_settle = nullptr;
    // Since the first notification not yet compared.
    QElapsedTimer m_pendingSince;
    // The addresses of the running interfaces, sorted.
    QList<quint32> m_known;
};
