#include "sessionstorage.h"

#include "conversationlog.h"
#include "logcategories.h"
#include "settingsstore.h"
#include "singleinstancelock.h"
#include "userdirectory.h"

#include <QDir>
#include <QFileInfo>
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
    if (m_instanceLock->tryLock() != SingleInstanceLock::Result::Locked) {
        m_instanceLock.reset();
        return false;
    }
    // Beside the settings, where the store keeps them.
    const QString settingsFile = QFileInfo(SettingsStore::filePathFor(m_env.appName, m_env.settingsDirectory))
                                     .absoluteDir()
                                     .filePath(m_env.appName + QLatin1String(".lock"));
    m_settingsLock = std::make_unique<SingleInstanceLock>(settingsFile);
    switch (m_settingsLock->tryLock()) {
    case SingleInstanceLock::Result::Locked:
        break;
    case SingleInstanceLock::Result::HeldByRunningCopy:
        unlockInstance();
        return false;
    case SingleInstanceLock::Result::Failed:
        m_settingsLock.reset();
        break;
    }
    SettingsStore::removeStaleCopies(m_env.appName, m_env.settingsDirectory);
    return true;
}

void SessionStorage::unlockInstance()
{
    m_settingsLock.reset();
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

SettingsNotices SessionStorage::loadSettings(LocalSettings &settings)
{
    SettingsStore &store = settingsStore();
    SettingsNotices notices = loadLocalSettings(store, settings);
    bool exact = false;
    const QList<DirectoryEntry> entries = loadDirectory(store, &notices.countDamaged, &exact);
    if (exact && !store.wasUnreadable())
        m_storedDirectory = entries;
    m_directory->setEntries(entries);
    connect(m_directory, &UserDirectory::entriesChanged, m_directorySave, qOverload<>(&QTimer::start),
        Qt::UniqueConnection);
    notices.unreadable = store.wasUnreadable();
    if (notices.countDamaged)
        qCDebug(lcSettings) << "the directory's Count does not match its entries: loaded by their keys";
    if (store.wasCodePage932())
        qCDebug(lcSettings) << "the settings file is in code page 932: it is kept aside and written anew in UTF-8";
    if (notices.unreadable || notices.countDamaged || store.wasCodePage932()) {
        notices.keptAside = store.moveAside();
        if (notices.keptAside) {
            ::saveLocalSettings(store, settings);
            saveDirectoryTo(store);
            sync(store);
        }
    }
    return notices;
}

WindowPlace SessionStorage::windowPlace()
{
    return loadWindowPlace(settingsStore());
}

bool SessionStorage::saveSettings(const LocalSettings &settings, const std::optional<WindowPlace> &place)
{
    m_directorySave->stop();
    SettingsStore &store = settingsStore();
    if (place)
        ::saveWindowPlace(store, *place);
    ::saveLocalSettings(store, settings);
    saveDirectoryTo(store);
    return sync(store);
}

bool SessionStorage::saveLocalSettings(const LocalSettings &settings)
{
    SettingsStore &store = settingsStore();
    ::saveLocalSettings(store, settings);
    return sync(store);
}

bool SessionStorage::saveWindowPlace(const WindowPlace &place)
{
    SettingsStore &store = settingsStore();
    ::saveWindowPlace(store, place);
    return sync(store);
}

bool SessionStorage::sync(SettingsStore &store)
{
    const bool kept = store.sync();
    setProblem(m_settingsProblem, kept ? QString() : tr("設定ﾌｧｲﾙを保存できません。"));
    return kept;
}

void SessionStorage::writeDirectory()
{
    // Through the store's own atomic write: the rest of the file stays as
    // it is on disk.
    SettingsStore &store = settingsStore();
    saveDirectoryTo(store);
    if (!sync(store))
        qCDebug(lcSettings) << "the directory of" << m_directory->entries().size()
                            << "users could not be saved: it is tried again at the next change and at exit";
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
    if (!keep)
        return;
    // The conversation goes on without being kept.
    const bool kept = m_conversation->append(block);
    if (!kept && m_conversationProblem.isEmpty())
        qCDebug(lcSettings) << "the conversation could not be kept in" << m_conversation->filePath() << ":"
                            << m_conversation->errorString();
    setProblem(m_conversationProblem,
        kept ? QString() : tr("送受信履歴を保存できません: ") + m_conversation->errorString());
}

void SessionStorage::setProblem(QString &problem, const QString &text)
{
    // Told when it starts; a repeat of the same failure adds nothing.
    if (problem.isEmpty() == text.isEmpty())
        return;
    problem = text;
    if (!text.isEmpty())
        emit statusChanged(text);
    emit keepingChanged(keepingProblem());
}

QString SessionStorage::keepingProblem() const
{
    QStringList problems;
    for (const QString *problem : { &m_settingsProblem, &m_conversationProblem }) {
        if (!problem->isEmpty())
            problems.append(*problem);
    }
    return problems.join(QLatin1Char(' '));
}

QString SessionStorage::keptConversation() const
{
    return m_conversation->tail();
}

QString SessionStorage::conversationFilePath() const
{
    return m_conversation->filePath();
}
