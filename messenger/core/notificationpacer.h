#pragma once

#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QString>

class QTimer;

// Paces the desktop notifications of arriving texts to what a person can
// read: at most one per sender every PaceMs. What the same sender writes
// meanwhile is merged into one notification shown when its time has come,
// with the latest text and, in front of it, how many texts it stands for:
// "(3件) latest". At most MaxSenders senders wait at once; texts of further
// senders are not notified (the log has them all).
class NotificationPacer : public QObject
{
    Q_OBJECT
public:
    static constexpr int PaceMs = 4000;
    static constexpr int MaxSenders = 64;

    explicit NotificationPacer(QObject *parent = nullptr);

    // A text from sender (its address) arrived, to be notified as title and
    // body.
    void arrived(const QString &sender, const QString &title, const QString &body);

signals:
    void notify(const QString &title, const QString &body);

private:
    struct Sender
    {
        qint64 shownAt = 0;
        int waiting = 0;
        QString title;
        QString body;
    };

    void showDue();
    void schedule();

    QElapsedTimer m_clock;
    QTimer *m_timer;
    QHash<QString, Sender> m_senders;
};
