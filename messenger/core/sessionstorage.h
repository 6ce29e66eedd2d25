#pragma once

#include "sessionenvironment.h"
#include "settingsmapping.h"

#include <QObject>

#include <memory>
#include <optional>

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

    // The settings store of the run: read once and written through, and
    // read anew only when the file changed under it (the options dialog,
    // another program, a hand edit), so each write starts from what the
    // file holds.
    SettingsStore &settingsStore();

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
    void saveDirectoryTo(SettingsStore &store);

    SessionEnvironment m_env;
    UserDirectory *m_directory;
    std::unique_ptr<SingleInstanceLock> m_instanceLock;
    std::unique_ptr<ConversationLog> m_conversation;
    bool m_conversationFailed = false;
    QTimer *m_directorySave = nullptr;
    std::unique_ptr<SettingsStore> m_store;
    // The entries m_store's directory section holds exactly, where known:
    // the same list again needs no comparing key by key.
    std::optional<QList<DirectoryEntry>> m_storedDirectory;
};
