#include "settingsstore.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QTemporaryFile>

namespace {

QString keyPath(const QString &section, const QString &key)
{
    return section + QLatin1Char('/') + key;
}

// Whether bytes are not a settings file this store can read back whole.
//
// QSettings keeps the parsed contents of every file it opened in this
// process and parses a file again only when its size or time stamp changed;
// a format error is reported only by the instance that did the parsing. A
// second store on a damaged file would see no error and write over it. So
// the verdict is taken here, on the bytes as they are now: NUL bytes or text
// that is not UTF-8 (what a crash or a foreign editor leaves, and what
// QSettings would read with losses), or a parse error that QSettings reports
// for a private copy it has never seen.
bool isDamaged(const QByteArray &bytes, const QString &folder)
{
    if (bytes.isEmpty())
        return false;
    if (bytes.contains('\0'))
        return true;
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8.decode(bytes);
    if (utf8.hasError())
        return true;

    QTemporaryFile copy(QDir(folder).filePath(QStringLiteral(".settings-check-XXXXXX")));
    if (!copy.open()) {
        copy.setFileTemplate(QDir(QDir::tempPath()).filePath(QStringLiteral("pelwick-settings-check-XXXXXX")));
        if (!copy.open())
            return false;
    }
    if (copy.write(bytes) != bytes.size() || !copy.flush())
        return false;
    copy.close();
    const QSettings parsed(copy.fileName(), QSettings::IniFormat);
    return parsed.status() != QSettings::NoError;
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
        else if (isDamaged(probe.readAll(), info.absolutePath()) || probe.error() != QFileDevice::NoError)
            m_unreadable = true;
    }
    m_settings = new QSettings(m_path, QSettings::IniFormat);
    // Only a parse error tells of a damaged file here. An access error can
    // be the write of an earlier store in this process that failed (a full
    // disk) and is retried now; the file itself is fine then.
    if (m_settings->status() == QSettings::FormatError)
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
    const QString base = m_path + QLatin1String(".unreadable-")
        + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-hhmmss"));
    // A file kept aside earlier in the same second is not replaced.
    QString aside = base;
    for (int n = 1; QFileInfo::exists(aside) && n < 100; ++n)
        aside = base + QLatin1Char('-') + QString::number(n);
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
