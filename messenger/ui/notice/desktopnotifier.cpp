#include "desktopnotifier.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>

namespace {

const QString Service = QStringLiteral("org.freedesktop.Notifications");
const QString Path = QStringLiteral("/org/freedesktop/Notifications");
const QString Interface = QStringLiteral("org.freedesktop.Notifications");
// How long a notification stays, in milliseconds.
constexpr int ExpireMs = 8000;

} // namespace

FreedesktopNotifier::FreedesktopNotifier(const QString &appName, QObject *parent)
    : DesktopNotifier(parent)
    , m_appName(appName)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (bus.isConnected())
        bus.connect(
            Service, Path, Interface, QStringLiteral("ActionInvoked"), this, SLOT(onActionInvoked(uint, QString)));
}

void FreedesktopNotifier::show(const QString &title, const QString &body)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    QDBusMessage call = QDBusMessage::createMethodCall(Service, Path, Interface, QStringLiteral("Notify"));
    // "default" is the action of a click on the notification itself.
    call << m_appName << m_lastId << QStringLiteral("pelwick") << title << body
         << QStringList { QStringLiteral("default"), QStringLiteral("開く") } << QVariantMap() << ExpireMs;
    // Asynchronous: a slow or missing service never holds up the messenger.
    auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher *w) {
        const QDBusPendingReply<uint> reply = *w;
        if (!reply.isError())
            m_lastId = reply.value();
        w->deleteLater();
    });
}

void FreedesktopNotifier::onActionInvoked(uint id, const QString &action)
{
    if (id != 0 && id == m_lastId && action == QLatin1String("default"))
        emit activated();
}
