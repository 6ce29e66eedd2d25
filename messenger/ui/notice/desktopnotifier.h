#pragma once

#include <QObject>

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

// Notifications through the freedesktop notification service on the
// session bus (org.freedesktop.Notifications).
class FreedesktopNotifier : public DesktopNotifier
{
    Q_OBJECT
public:
    explicit FreedesktopNotifier(const QString &appName, QObject *parent = nullptr);
    void show(const QString &title, const QString &body) override;

private slots:
    void onActionInvoked(uint id, const QString &action);

private:
    QString m_appName;
    uint m_lastId = 0;
};
