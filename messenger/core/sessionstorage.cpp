#include "sessionstorage.h"

#include "conversationlog.h"
#include "settingsstore.h"
#include "singleinstancelock.h"
#include "userdirectory.h"

#include <QDir>
#include <QTimer>

SessionStorage::SessionStorage(const SessionEnvironment &environment, UserDirectory *directory, QObject *parent)
    : QObject(parent)
    , m_env(environment)
    , m_directory(directory)
    , m_conversation(std::make_unique<ConversationLog>(
          QDir(environment.dataDirectory).filePath(environment.appName + QLatin1String(".log"))))
    , m_directorySave(new QTimer(this))
{
    m_directorySave->setSingleShot(true);
    m_directorySave->setInterval(1000);
    connect(m_directorySave, &QTimer::timeout, this, &SessionStorage::writeDirectory);
}

SessionStorage::~SessionStorage() = default;

bool SessionStorage::lockInstance()
{
    m_instanceLock = std::make_unique<SingleInstanceLock>(
        QDir(m_env.runtimeDirectory).filePath(m_env.appName + QLatin1String(".lock")));
    if (m_instanceLock->tryLock() == SingleInstanceLock::Result::Locked)
        return true;
    m_instanceLock.reset();
    return false;
}

void SessionStorage::unlockInstance()
{
    m_instanceLock.reset();
}

SettingsStore &SessionStorage::settingsStore()
{
    if (!m_store || !m_store->isCurrent()) {
        // The old store is done with (its last write tried) before the file
        // is read again.
        m_store.reset();
        m_store = std::make_unique<SettingsStore>(m_env.appName, m_env.settingsDirectory);
        m_storedDirectory.reset();
    }
    return *m_store;
}

SettingsNotices SessionStorage::loadSettings(
    const SettingsStore &store, LocalSettings &settings, const LocalSettings &defaults)
{
    SettingsNotices notices = loadLocalSettings(store, settings, defaults);
    bool exact = false;
    const QList<DirectoryEntry> entries = loadDirectory(store, &notices.countDamaged, &exact);
    if (&store == m_store.get() && exact && !store.wasUnreadable())
        m_storedDirectory = entries;
    m_directory->setEntries(entries);
    connect(m_directory, &UserDirectory::entriesChanged, m_directorySave, qOverload<>(&QTimer::start),
        Qt::UniqueConnection);
    return notices;
}

void SessionStorage::saveSettings(SettingsStore &store, const LocalSettings &settings)
{
    m_directorySave->stop();
    saveLocalSettings(store, settings);
    saveDirectoryTo(store);
}

void SessionStorage::writeDirectory()
{
    // Through the store's own atomic write: the rest of the file stays as
    // it is on disk.
    SettingsStore &store = settingsStore();
    saveDirectoryTo(store);
    store.sync();
}

void SessionStorage::saveDirectoryTo(SettingsStore &store)
{
    const QList<DirectoryEntry> entries = m_directory->entries();
    const bool held = &store == m_store.get();
    if (held && m_storedDirectory == entries)
        return;
    saveDirectory(store, entries);
    if (held)
        m_storedDirectory = entries;
}

void SessionStorage::keepConversation(const QString &block, bool keep)
{
    if (!keep || m_conversation->append(block))
        return;
    // Said once: the conversation goes on without being kept.
    if (!m_conversationFailed)
        emit statusChanged(QStringLiteral("送受信履歴を保存できません: ") + m_conversation->errorString());
    m_conversationFailed = true;
}

QString SessionStorage::keptConversation() const
{
    return m_conversation->tail();
}

QString SessionStorage::conversationFilePath() const
{
    return m_conversation->filePath();
}
