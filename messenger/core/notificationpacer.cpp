#include "notificationpacer.h"

#include <QTimer>

NotificationPacer::NotificationPacer(QObject *parent)
    : QObject(parent)
    , m_timer(new QTimer(this))
{
    m_clock.start();
    m_timer->setSingleShot(true);
    connect(m_timer, &QTimer::timeout, this, &NotificationPacer::showDue);
}

void NotificationPacer::arrived(const QString &sender, const QString &title, const QString &body)
{
    const qint64 now = m_clock.elapsed();
    auto known = m_senders.find(sender);
    if (known == m_senders.end()) {
        // Senders whose time is up and who wait for nothing are forgotten
        // first; beyond that, a new sender is not notified.
        if (m_senders.size() >= MaxSenders)
            m_senders.removeIf([now](const auto &s) { return s.value().waiting == 0 && now - s.value().shownAt >= PaceMs; });
        if (m_senders.size() >= MaxSenders)
            return;
    } else if (known->waiting > 0 || now - known->shownAt < PaceMs) {
        ++known->waiting;
        known->title = title;
        known->body = body;
        schedule();
        return;
    }
    m_senders.insert(sender, { now, 0, {}, {} });
    emit notify(title, body);
}

void NotificationPacer::showDue()
{
    const qint64 now = m_clock.elapsed();
    QList<std::pair<QString, QString>> due;
    for (auto s = m_senders.begin(); s != m_senders.end();) {
        if (s->waiting > 0 && now - s->shownAt >= PaceMs) {
            due.append({ s->title, s->waiting == 1 ? s->body : tr("(%1件) ").arg(s->waiting) + s->body });
            *s = { now, 0, {}, {} };
        } else if (s->waiting == 0 && now - s->shownAt >= PaceMs) {
            s = m_senders.erase(s);
            continue;
        }
        ++s;
    }
    schedule();
    for (const auto &[title, body] : due)
        emit notify(title, body);
}

void NotificationPacer::schedule()
{
    qint64 next = -1;
    for (const Sender &s : std::as_const(m_senders)) {
        if (s.waiting > 0 && (next < 0 || s.shownAt + PaceMs < next))
            next = s.shownAt + PaceMs;
    }
    if (next < 0) {
        m_timer->stop();
        return;
    }
    const int wait = int(qMax<qint64>(0, next - m_clock.elapsed()));
    if (!m_timer->isActive() || m_timer->remainingTime() > wait)
        m_timer->start(wait);
}
