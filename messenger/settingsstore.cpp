#include "settingsstore.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

namespace {

QString keyPath(const QString &section, const QString &key)
{
    return section + QLatin1Char('/') + key;
}

} // namespace

SettingsStore::SettingsStore(const QString &appName, const QString &directory)
{
    const QString base = directory.isEmpty()
        ? QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
        : directory;
    m_path = QDir(base).filePath(appName + QLatin1Char('/') + appName + QLatin1String(".ini"));

    const QFileInfo info(m_path);
    if (info.exists()) {
        QFile probe(m_path);
        if (!probe.open(QIODevice::ReadOnly))
            m_unreadable = true;
    }
    m_settings = new QSettings(m_path, QSettings::IniFormat);
    if (m_settings->status() != QSettings::NoError)
        m_unreadable = true;
}

SettingsStore::~SettingsStore()
{
    sync();
    delete m_settings;
}

QString SettingsStore::value(const QString &section, const QString &key, const QString &defaultValue) const
{
    const QVariant v = m_settings->value(keyPath(section, key));
    if (!v.isValid())
        return defaultValue;
    // An unquoted comma in a hand-edited file makes QSettings read a list;
    // the store holds text, so put it back together.
    if (v.userType() == QMetaType::QStringList)
        return v.toStringList().join(QLatin1Char(','));
    return v.toString();
}

QStringList SettingsStore::keys(const QString &section) const
{
    m_settings->beginGroup(section);
    const QStringList result = m_settings->childKeys();
    m_settings->endGroup();
    return result;
}

bool SettingsStore::contains(const QString &section, const QString &key) const
{
    return m_settings->contains(keyPath(section, key));
}

void SettingsStore::setValue(const QString &section, const QString &key, const QString &value)
{
    if (!keepUnreadableFileAside())
        return;
    m_settings->setValue(keyPath(section, key), value);
}

void SettingsStore::removeSection(const QString &section)
{
    if (!keepUnreadableFileAside())
        return;
    m_settings->remove(section);
}

bool SettingsStore::sync()
{
    if (m_unreadable && m_keptAside.isEmpty())
        return false;
    m_settings->sync();
    return m_settings->status() == QSettings::NoError;
}

QString SettingsStore::filePath() const
{
    return m_path;
}

bool SettingsStore::keepUnreadableFileAside()
{
    if (!m_unreadable || !m_keptAside.isEmpty())
        return true;
    const QString aside = m_path + QLatin1String(".unreadable-")
        + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-hhmmss"));
    if (QFile::rename(m_path, aside)) {
        m_keptAside = aside;
        // Start afresh: QSettings would otherwise try to write over the
        // unreadable file and keep reporting its error.
        delete m_settings;
        m_settings = new QSettings(m_path, QSettings::IniFormat);
        return true;
    }
    // The unreadable file could not be moved: write nothing over it.
    return false;
}
