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
// the settings store, the conversation in its file, and the locks that keep
// one messenger per user and per configuration. A changed directory is saved
// within a second, so a crash loses no peer learnt during the run. Nothing
// else reads or writes the settings file: the window's place and the
// options dialog's Apply are kept through here too.
//
// While the settings or the conversation cannot be kept (a full disk, a
// read-only folder), keepingProblem() says so until the next write of the
// same kind succeeds; each change of it is signalled, so a failure after a
// success is told again.
class SessionStorage : public QObject
{
    Q_OBJECT
public:
    SessionStorage(const SessionEnvironment &environment, UserDirectory *directory, QObject *parent = nullptr);
    ~SessionStorage() override;

    // One messenger per user and runtime folder, and one per configuration
    // folder (a lock file beside the settings), so two messengers never
    // write one directory over the other's: false when another instance
    // holds either lock. A configuration folder where no lock can be made
    // (read-only) does not stop the start. Once locked, what a killed
    // instance left of the settings' private copies is cleared.
    bool lockInstance();
    void unlockInstance();

    // Reads "Local" into settings (a missing key: its default) and the
    // stored directory, every row marked not heard from. A file that could
    // not be read, whose directory Count is damaged, or that an editor
    // saved in code page 932, is moved aside now, once, and what was made
    // of it written to a fresh file, so the next start reads cleanly and
    // nothing is lost. Returns what the load mended.
    SettingsNotices loadSettings(LocalSettings &settings);
    // The main window's stored place; read before loadSettings.
    WindowPlace windowPlace();
    // Writes "Local", the directory and, where given, the window's place,
    // at once. False when the file could not be written.
    bool saveSettings(const LocalSettings &settings, const std::optional<WindowPlace> &place = std::nullopt);
    // Writes "Local" alone (an option changed), or the window's place
    // alone (the window moved), at once.
    bool saveLocalSettings(const LocalSettings &settings);
    bool saveWindowPlace(const WindowPlace &place);

    // Keeps one log block in the conversation file (when keep is set). A
    // file that cannot be written is reported in the status text and in
    // keepingProblem(); the conversation goes on without it.
    void keepConversation(const QString &block, bool keep);
    // The end of the kept conversation (CR LF line ends), for the log to
    // show again at start; empty when nothing is kept.
    QString keptConversation() const;
    QString conversationFilePath() const;

    // What cannot be kept now, in the user's words; empty while everything
    // is kept.
    QString keepingProblem() const;

signals:
    void statusChanged(const QString &text);
    void keepingChanged(const QString &problem);

private:
    // The settings store of the run: read once and written through, and
    // read anew only when the file changed under it (another program, a
    // hand edit), so each write starts from what the file holds.
    SettingsStore &settingsStore();
    void writeDirectory();
    void saveDirectoryTo(SettingsStore &store);
    // Writes store's pending changes, noting whether the settings are kept.
    bool sync(SettingsStore &store);
    void setProblem(QString &problem, const QString &text);

    SessionEnvironment m_env;
    UserDirectory *m_directory;
    std::unique_ptr<SingleInstanceLock> m_instanceLock;
    std::unique_ptr<SingleInstanceLock> m_settingsLock;
    std::unique_ptr<ConversationLog> m_conversation;
    QString m_settingsProblem;
    QString m_conversationProblem;
    QTimer *m_directorySave = nullptr;
    std::unique_ptr<SettingsStore> m_store;
    // The entries m_store's directory section holds exactly, where known:
    // the same list again needs no comparing key by key.
    std::optional<QList<DirectoryEntry>> m_storedDirectory;
};
