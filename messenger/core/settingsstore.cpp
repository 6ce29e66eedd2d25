#include "settingsstore.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSettings>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QTemporaryDir>

namespace {

QString keyPath(const QString &section, const QString &key)
{
    return section + QLatin1Char('/') + key;
}

// Whether bytes can be a settings file as QSettings writes it or a person
// edits it: UTF-8 text without control characters below space but the tab
// (QSettings writes those escaped), each line blank, a ";" comment, a
// [section] or key=value (or the continuation of a line ending in a
// backslash). Anything else means the file was damaged. Lines QSettings
// itself cannot parse are caught by its status as well.
bool looksLikeIniText(QByteArrayView bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes = bytes.sliced(3);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8(bytes);
    if (utf8.hasError())
        return false;
    bool continued = false;
    for (QStringView line : QStringView(text).split(u'\n')) {
        if (line.endsWith(u'\r'))
            line.chop(1);
        for (QChar c : line) {
            if (c.unicode() < 0x20 && c != u'\t')
                return false;
        }
        const bool wasContinued = continued;
        continued = line.endsWith(u'\\');
        const QStringView t = line.trimmed();
        if (wasContinued || t.isEmpty() || t.startsWith(u';'))
            continue;
        if (t.startsWith(u'[')) {
            if (!t.endsWith(u']'))
                return false;
            continue;
        }
        const qsizetype equals = t.indexOf(u'=');
        if (equals <= 0 || t.first(equals).trimmed().isEmpty())
            return false;
    }
    return true;
}

// A key such as "User/" ("[User]" then "=x"): QSettings cannot write it back.
bool hasEmptyPart(const QString &key)
{
    return key.split(QLatin1Char('/')).contains(QString());
}

} // namespace

SettingsStore::SettingsStore(const QString &appName, const QString &directory)
{
    const QString base = directory.isEmpty()
        ? QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
        : directory;
    m_path = QDir(base).filePath(appName + QLatin1Char('/') + appName + QLatin1String(".ini"));

    QByteArray bytes;
    const QFileInfo info(m_path);
    if (info.exists() || info.isSymLink()) {
        QFile file(m_path);
        if (!file.open(QIODevice::ReadOnly)) {
            m_unreadable = true;
        } else {
            bytes = file.readAll();
            m_unreadable = file.error() != QFileDevice::NoError || !looksLikeIniText(bytes);
        }
    }

    // The private copy; without a temporary folder QSettings works on the
    // file itself, as it would anyway.
    QString workPath = m_path;
    m_work = std::make_unique<QTemporaryDir>();
    if (m_work->isValid()) {
        workPath = m_work->filePath(QStringLiteral("read.ini"));
        QFile copy(workPath);
        if (!copy.open(QIODevice::WriteOnly) || copy.write(bytes) != bytes.size())
            workPath = m_path;
    } else {
        m_work.reset();
    }
    m_settings = new QSettings(workPath, QSettings::IniFormat);
    // QSettings parses a section, and reports a line it cannot read, only
    // when the section is first used: use them all now. A key it reads with
    // an empty part (a byte-order mark for a name, say) would be written
    // back as a line no store can read.
    const QStringList keys = m_settings->allKeys();
    if (m_settings->status() != QSettings::NoError)
        m_unreadable = true;
    for (const QString &key : keys) {
        if (hasEmptyPart(key))
            m_unreadable = true;
    }
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
    m_changed = true;
}

void SettingsStore::removeSection(const QString &section)
{
    if (!keepUnreadableFileAside())
        return;
    m_settings->remove(section);
    m_changed = true;
}

bool SettingsStore::sync()
{
    if (m_unreadable && m_keptAside.isEmpty())
        return false;
    m_settings->sync();
    if (m_settings->status() != QSettings::NoError)
        return false;
    if (!m_work || !m_changed)
        return true;
    // The copy goes over the file in one rename.
    QFile copy(m_settings->fileName());
    const QByteArray bytes = copy.open(QIODevice::ReadOnly) ? copy.readAll() : QByteArray();
    QDir().mkpath(QFileInfo(m_path).absolutePath());
    QSaveFile out(m_path);
    if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size() || !out.commit())
        return false;
    m_changed = false;
    return true;
}

QString SettingsStore::filePath() const
{
    return m_path;
}

bool SettingsStore::keepUnreadableFileAside()
{
    if (!m_unreadable || !m_keptAside.isEmpty())
        return true;
    const QString stem = m_path + QLatin1String(".unreadable-")
        + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-hhmmss"));
    // A file damaged twice within a second must not replace the first one.
    QString aside = stem;
    for (int n = 2; QFileInfo::exists(aside) || QFileInfo(aside).isSymLink(); ++n)
        aside = stem + QLatin1Char('-') + QString::number(n);
    if (!QFile::rename(m_path, aside)) {
        // The unreadable file could not be moved: write nothing over it.
        return false;
    }
    m_keptAside = aside;
    // Start a clean copy that keeps what could be read: QSettings would
    // otherwise keep reporting the error of the damaged one.
    const QString freshPath = m_work ? m_work->filePath(QStringLiteral("fresh.ini")) : m_path;
    auto *fresh = new QSettings(freshPath, QSettings::IniFormat);
    const QStringList keys = m_settings->allKeys();
    for (const QString &key : keys) {
        if (!hasEmptyPart(key))
            fresh->setValue(key, m_settings->value(key));
    }
    delete m_settings;
    m_settings = fresh;
    m_changed = true;
    return true;
}
