#pragma once

#include "sessionenvironment.h"
#include "settingsmapping.h"

#include <QObject>

#include <memory>

class ConversationLog;
class QTimer;
class SettingsStore;
class SingleInstanceLock;
class UserDirectory;

// What a messenger keeps between runs: its options and user directory in
// the settings store, the conversation in its file, and the lock that keeps
// one messenger per user. A changed directory is saved within a second, so
// a crash loses no peer learnt during the run.
class SessionStorage : public QObject
{
    Q_OBJECT
public:
    SessionStorage(const SessionEnvironment &environment, UserDirectory *directory, QObject *parent = nullptr);
    ~SessionStorage() override;

    // One messenger per user: false when another instance holds the lock.
    bool lockInstance();
    void unlockInstance();

    // Reads "Local" (missing keys from defaults) into settings and the
    // stored directory, every row marked not heard from; saveSettings writes
    // both back. Returns what the load mended.
    SettingsNotices loadSettings(const SettingsStore &store, LocalSettings &settings, const LocalSettings &defaults);
    void saveSettings(SettingsStore &store, const LocalSettings &settings);

    // Keeps one log block in the conversation file (when keep is set). A
    // file that cannot be written is reported once in the status text; the
    // conversation goes on without it.
    void keepConversation(const QString &block, bool keep);
    // The end of the kept conversation (CR LF line ends), for the log to
    // show again at start; empty when nothing is kept.
    QString keptConversation() const;
    QString conversationFilePath() const;

signals:
    void statusChanged(const QString &text);

private:
    void writeDirectory();

    SessionEnvironment m_env;
    UserDirectory *m_directory;
    std::unique_ptr<SingleInstanceLock> m_instanceLock;
    std::unique_ptr<ConversationLog> m_conversation;
    bool m_conversationFailed = false;
    QTimer *m_directorySave = nullptr;
};
