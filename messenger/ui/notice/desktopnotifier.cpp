#include "desktopnotifier.h"

#include "logcategories.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QGuiApplication>
#include <QVariantMap>

namespace {

const QString Service = QStringLiteral("org.freedesktop.Notifications");
const QString Path = QStringLiteral("/org/freedesktop/Notifications");
const QString Interface = QStringLiteral("org.freedesktop.Notifications");
// How long a notification stays, in milliseconds.
constexpr int ExpireMs = 8000;

} // namespace

FreedesktopNotifier::FreedesktopNotifier(const QString &appName, QObject *parent)
    : FreedesktopNotifier(appName, QDBusConnection::sessionBus(), parent)
{
}

FreedesktopNotifier::FreedesktopNotifier(const QString &appName, const QDBusConnection &bus, QObject *parent)
    : DesktopNotifier(parent)
    , m_appName(appName)
    , m_bus(bus)
{
    if (m_bus.isConnected())
        m_bus.connect(
            Service, Path, Interface, QStringLiteral("ActionInvoked"), this, SLOT(onActionInvoked(uint, QString)));
}

void FreedesktopNotifier::show(const QString &title, const QString &body)
{
    if (!m_bus.isConnected()) {
        qCDebug(lcDesktop) << "notification not shown: no session bus";
        return;
    }
    if (m_capabilities) {
        notify(title, body);
        return;
    }
    // Only the latest one matters: each notification replaces the one before.
    m_waiting = { { title, body } };
    if (m_askingCapabilities)
        return;
    m_askingCapabilities = true;
    const QDBusMessage call = QDBusMessage::createMethodCall(Service, Path, Interface, QStringLiteral("GetCapabilities"));
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher *w) {
        const QDBusPendingReply<QStringList> reply = *w;
        w->deleteLater();
        m_askingCapabilities = false;
        // No service: nothing to show now; the next arrival asks again.
        if (reply.isError()) {
            qCDebug(lcDesktop).noquote() << "notification not shown: the notification service did not answer:"
                                         << reply.error().message();
            return;
        }
        m_capabilities = reply.value();
        const auto waiting = std::exchange(m_waiting, {});
        for (const auto &[waitingTitle, waitingBody] : waiting)
            notify(waitingTitle, waitingBody);
    });
}

void FreedesktopNotifier::notify(const QString &title, const QString &body)
{
    const bool markup = m_capabilities->contains(QLatin1String("body-markup"));
    QVariantMap hints;
    const QString desktopEntry = QGuiApplication::desktopFileName();
    if (!desktopEntry.isEmpty())
        hints.insert(QStringLiteral("desktop-entry"), desktopEntry);
    QDBusMessage call = QDBusMessage::createMethodCall(Service, Path, Interface, QStringLiteral("Notify"));
    // "default" is the action of a click on the notification itself.
    call << m_appName << m_lastId << (desktopEntry.isEmpty() ? QStringLiteral("pelwick") : desktopEntry) << title
         << (markup ? body.toHtmlEscaped() : body) << QStringList { QStringLiteral("default"), tr("開く") }
         << hints << ExpireMs;
    // Asynchronous: a slow or missing service never holds up the messenger.
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher *w) {
        const QDBusPendingReply<uint> reply = *w;
        if (!reply.isError())
            m_lastId = reply.value();
        else
            qCDebug(lcDesktop).noquote() << "notification not shown:" << reply.error().message();
        w->deleteLater();
    });
}

void FreedesktopNotifier::onActionInvoked(uint id, const QString &action)
{
    if (id != 0 && id == m_lastId && action == QLatin1String("default"))
        emit activated();
}
