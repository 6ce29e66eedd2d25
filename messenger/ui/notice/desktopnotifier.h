#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QStringList>

#include <optional>

// Shows a desktop notification, and reports when the user activates one.
// The seam between the messenger and the desktop's notification service.
class DesktopNotifier : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    // Shows title and body; replaces the notification shown before, so a
    // burst of arrivals leaves one on the screen. Nothing happens (and
    // nothing fails) where no service runs.
    virtual void show(const QString &title, const QString &body) = 0;

signals:
    // The user clicked the notification.
    void activated();
};

// Notifications through the freedesktop notification service
// (org.freedesktop.Notifications) on the session bus, or on bus.
//
// The body is plain text: where the service reads markup in bodies (its
// capability "body-markup"), it is escaped, so "a < b & <b>x</b>" shows as
// typed. Each notification names the application's desktop entry
// (QGuiApplication::desktopFileName) in the hint "desktop-entry", so the
// desktop shows it under the application's name and icon.
class FreedesktopNotifier : public DesktopNotifier
{
    Q_OBJECT
public:
    explicit FreedesktopNotifier(const QString &appName, QObject *parent = nullptr);
    FreedesktopNotifier(const QString &appName, const QDBusConnection &bus, QObject *parent = nullptr);
    void show(const QString &title, const QString &body) override;

private slots:
    void onActionInvoked(uint id, const QString &action);

private:
    void notify(const QString &title, const QString &body);

    QString m_appName;
    QDBusConnection m_bus;
    uint m_lastId = 0;
    // The service's capabilities, once asked; the notifications shown
    // before the answer wait for it.
    std::optional<QStringList> m_capabilities;
    bool m_askingCapabilities = false;
    QList<std::pair<QString, QString>> m_waiting;
};
