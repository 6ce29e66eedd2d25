#include "settingsstore.h"

#include "regularfile.h"
#include "settingsmapping.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSettings>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QTemporaryDir>

#include <algorithm>
#include <map>

namespace {

constexpr char Utf8ByteOrderMark[] = "\xEF\xBB\xBF";

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
// text: the bytes decoded, for the caller to read further.
bool looksLikeIniText(QByteArrayView bytes, QString &text)
{
    if (bytes.startsWith(Utf8ByteOrderMark))
        bytes = bytes.sliced(qsizetype(sizeof Utf8ByteOrderMark - 1));
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    text = utf8(bytes);
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

bool isPlainName(QStringView text)
{
    return !text.isEmpty() && std::all_of(text.begin(), text.end(), [](QChar c) {
        return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
    });
}

// A value QSettings reads as the text it is: no quote, escape or list
// comma, no tab, no padding for it to trim, no type marker.
bool isPlainValue(QStringView text)
{
    if (text.startsWith(u'@') || text.startsWith(u' ') || text.endsWith(u' '))
        return false;
    return std::none_of(text.begin(), text.end(),
        [](QChar c) { return c == u'"' || c == u'\\' || c == u',' || c == u';' || c == u'\t'; });
}

// The lines of a section in the file's order, key and value, as views into
// the text read.
using SectionLines = QList<std::pair<QStringView, QStringView>>;

// The sections of text, each by its name, with its lines where they are all
// plain (key=value as above, each key once, or blank) and none where not.
// None at all when the file's layout is more than sections of key lines
// (keys ahead of the first section, a section named twice or with an
// escaped or General name, a comment, a line continued with a backslash),
// which only QSettings itself can be trusted to read.
std::optional<std::map<QString, std::optional<SectionLines>>> plainSections(QStringView text)
{
    std::map<QString, std::optional<SectionLines>> sections;
    std::optional<SectionLines> *current = nullptr;
    const QList<QStringView> lines = text.split(u'\n');
    for (qsizetype n = 0; n < lines.size(); ++n) {
        QStringView line = lines[n];
        if (line.endsWith(u'\r'))
            line.chop(1);
        if (line.trimmed().isEmpty())
            continue;
        if (line.endsWith(u'\\') || line.startsWith(u';'))
            return std::nullopt;
        if (line.startsWith(u'[')) {
            const QStringView name = line.sliced(1).chopped(line.endsWith(u']') ? 1 : 0);
            if (!line.endsWith(u']') || !isPlainName(name) || name.compare(u"General", Qt::CaseInsensitive) == 0
                || sections.count(name.toString()) != 0)
                return std::nullopt;
            current = &sections[name.toString()];
            current->emplace();
            continue;
        }
        if (!current)
            return std::nullopt;
        if (!*current)
            continue;
        const qsizetype equals = line.indexOf(u'=');
        const QStringView key = equals < 0 ? QStringView() : line.first(equals);
        const QStringView value = equals < 0 ? QStringView() : line.sliced(equals + 1);
        if (!isPlainName(key) || !isPlainValue(value)) {
            current->reset();
            continue;
        }
        // A big section (the directory) takes most of the lines left.
        if ((*current)->size() == 64)
            (*current)->reserve(lines.size() - n);
        (*current)->append({ key, value });
    }
    return sections;
}

// A key such as "User/" ("[User]" then "=x"): QSettings cannot write it back.
bool hasEmptyPart(const QString &key)
{
    return key.isEmpty() || key.startsWith(u'/') || key.endsWith(u'/') || key.contains(u"//");
}

// The bytes of the file at path, as the store reads them; none where it is
// no ordinary file or cannot be read. A missing file holds nothing.
std::optional<QByteArray> fileBytes(const QString &path, qint64 maxBytes)
{
    QFile file;
    switch (RegularFile::open(file, path, QIODevice::ReadOnly)) {
    case RegularFile::Status::Opened: {
        QByteArray bytes = file.read(maxBytes + 1);
        if (file.error() != QFileDevice::NoError || bytes.size() > maxBytes)
            return std::nullopt;
        return bytes;
    }
    case RegularFile::Status::Missing:
        if (QFileInfo(path).isSymLink())
            return std::nullopt;
        return QByteArray();
    case RegularFile::Status::NotRegular:
    case RegularFile::Status::Failed:
        break;
    }
    return std::nullopt;
}

} // namespace

SettingsStore::SettingsStore(const QString &appName, const QString &directory)
{
    const QString base = directory.isEmpty()
        ? QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
        : directory;
    m_path = QDir(base).filePath(appName + QLatin1Char('/') + appName + QLatin1String(".ini"));

    // Only an ordinary file is read, and only so much of it: a FIFO or a
    // link to a device would hang the program or fill its memory. One
    // larger than that is no settings file the program wrote.
    const std::optional<QByteArray> read = fileBytes(m_path, MaxFileBytes);
    QByteArray bytes = read.value_or(QByteArray());
    QString text;
    // A dangling link is no file, but moving it aside keeps where it
    // pointed; it is still safe to read (as nothing).
    const bool danglingLink = !read && !QFileInfo::exists(m_path) && QFileInfo(m_path).isSymLink();
    const bool safeToRead = read || danglingLink;
    m_unreadable = !read || !looksLikeIniText(bytes, text);
    // QSettings reads a file that starts with a byte-order mark, but reports
    // it as badly formatted.
    if (bytes.startsWith(Utf8ByteOrderMark))
        bytes.remove(0, qsizetype(sizeof Utf8ByteOrderMark - 1));

    // The private copy. Without a temporary folder QSettings works on the
    // file itself, as it would anyway, where that is safe to read.
    QString workPath = safeToRead ? m_path : QString();
    m_work = std::make_unique<QTemporaryDir>();
    if (m_work->isValid()) {
        const QString copyPath = m_work->filePath(QStringLiteral("read.ini"));
        QFile copy(copyPath);
        if (copy.open(QIODevice::WriteOnly) && copy.write(bytes) == bytes.size())
            workPath = copyPath;
    } else {
        m_work.reset();
    }
    m_settings = new QSettings(workPath, QSettings::IniFormat);
    // QSettings parses a section, and reports a line it cannot read, only
    // when the section is first used: use every section it is to read now.
    // A key it reads with an empty part (a byte-order mark for a name, say)
    // would be written back as a line no store can read.
    QStringList keys;
    auto sections = m_unreadable ? std::nullopt : plainSections(text);
    if (sections) {
        for (auto &[name, lines] : *sections) {
            if (lines && takePlainSection(name, text, std::move(*lines)))
                continue;
            m_settings->beginGroup(name);
            for (const QString &key : m_settings->childKeys())
                keys.append(name + QLatin1Char('/') + key);
            m_settings->endGroup();
        }
    } else {
        keys = m_settings->allKeys();
    }
    if (m_settings->status() != QSettings::NoError)
        m_unreadable = true;
    for (const QString &key : std::as_const(keys)) {
        if (hasEmptyPart(key))
            m_unreadable = true;
    }
    // What the store read itself is of no use in a damaged file.
    if (m_unreadable)
        m_plain.clear();
    if (!m_unreadable)
        m_fileBytes = read;
}

SettingsStore::~SettingsStore()
{
    sync();
    delete m_settings;
}

const QHash<QStringView, qsizetype> &SettingsStore::PlainSection::at() const
{
    if (!index) {
        index.emplace();
        index->reserve(lines.size());
        for (qsizetype i = 0; i < lines.size(); ++i)
            index->insert(lines[i].first, i);
    }
    return *index;
}

bool SettingsStore::takePlainSection(
    const QString &name, const QString &text, QList<std::pair<QStringView, QStringView>> lines)
{
    PlainSection section;
    section.text = text;
    section.lines = std::move(lines);
    // Keys in ascending order, as QSettings writes them, are each there
    // once; others are counted now. A key named twice is left to QSettings,
    // which takes the last.
    const auto &l = section.lines;
    const bool ascending
        = std::adjacent_find(l.begin(), l.end(), [](const auto &a, const auto &b) { return !(a.first < b.first); })
        == l.end();
    if (!ascending && section.at().size() != l.size())
        return false;
    m_plain.insert(name, std::move(section));
    return true;
}

const SettingsStore::PlainSection *SettingsStore::plainSection(const QString &section) const
{
    const auto plain = m_plain.constFind(section);
    return plain == m_plain.constEnd() ? nullptr : &*plain;
}

QString SettingsStore::value(const QString &section, const QString &key, const QString &defaultValue) const
{
    if (const PlainSection *plain = plainSection(section)) {
        const auto at = plain->at().constFind(key);
        return at == plain->at().constEnd() ? defaultValue : plain->lines[*at].second.toString();
    }
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
    if (const PlainSection *plain = plainSection(section)) {
        QStringList result;
        result.reserve(plain->lines.size());
        for (const auto &[key, value] : plain->lines)
            result.append(key.toString());
        return result;
    }
    m_settings->beginGroup(section);
    const QStringList result = m_settings->childKeys();
    m_settings->endGroup();
    return result;
}

qsizetype SettingsStore::size(const QString &section) const
{
    if (const PlainSection *plain = plainSection(section))
        return plain->lines.size();
    return keys(section).size();
}

void SettingsStore::forEachLine(
    const QString &section, const std::function<void(QStringView key, QStringView value)> &read) const
{
    if (const PlainSection *plain = plainSection(section)) {
        for (const auto &[key, value] : plain->lines)
            read(key, value);
        return;
    }
    for (const QString &key : keys(section))
        read(key, value(section, key));
}

bool SettingsStore::contains(const QString &section, const QString &key) const
{
    if (const PlainSection *plain = plainSection(section))
        return plain->at().contains(key);
    return m_settings->contains(keyPath(section, key));
}

void SettingsStore::setValue(const QString &section, const QString &key, const QString &value)
{
    // A value the file already holds changes nothing: a run that changed
    // nothing leaves the file as it is.
    if (const PlainSection *plain = plainSection(section)) {
        const auto at = plain->at().constFind(key);
        if (at != plain->at().constEnd() && plain->lines[*at].second == value)
            return;
    } else {
        const QVariant stored = m_settings->value(keyPath(section, key));
        if (stored.userType() == QMetaType::QString && stored.toString() == value)
            return;
    }
    if (!keepUnreadableFileAside())
        return;
    // From here QSettings holds the section, read from the same bytes.
    m_plain.remove(section);
    m_settings->setValue(keyPath(section, key), value);
    m_changed = true;
}

void SettingsStore::removeSection(const QString &section)
{
    if (!keepUnreadableFileAside())
        return;
    m_plain.remove(section);
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
    // A file the next read would refuse is never written: the one on disk
    // stays, and the change counts as not written.
    if (bytes.size() > MaxFileBytes)
        return false;
    QDir().mkpath(QFileInfo(m_path).absolutePath());
    QSaveFile out(m_path);
    if (!out.open(QIODevice::WriteOnly))
        return false;
    // The file names the user's peers: it is the user's alone, also where
    // an earlier version left it readable to others.
    out.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    if (out.write(bytes) != bytes.size() || !out.commit()) {
        m_fileBytes.reset();
        return false;
    }
    m_changed = false;
    m_fileBytes = bytes;
    return true;
}

bool SettingsStore::isCurrent() const
{
    return !m_changed && m_work && m_fileBytes && fileBytes(m_path, MaxFileBytes) == m_fileBytes;
}

QString SettingsStore::filePath() const
{
    return m_path;
}

bool SettingsStore::keepUnreadableFileAside()
{
    if (!m_unreadable || !m_keptAside.isEmpty())
        return true;
    return moveAside();
}

bool SettingsStore::moveAside()
{
    if (!m_keptAside.isEmpty())
        return true;
    const QFileInfo info(m_path);
    if (!info.exists() && !info.isSymLink())
        return false;
    const QString stem = m_path + QLatin1String(".unreadable-")
        + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-hhmmss"));
    // A file damaged twice within a second must not replace the first one.
    QString aside = stem;
    for (int n = 2; QFileInfo::exists(aside) || QFileInfo(aside).isSymLink(); ++n)
        aside = stem + QLatin1Char('-') + QString::number(n);
    if (!QFile::rename(m_path, aside)) {
        // The file could not be moved: write nothing over it.
        return false;
    }
    m_keptAside = aside;
    // Start a clean copy that keeps what could be read of the settings
    // themselves, and nothing else the damage made of the file: QSettings
    // would otherwise keep reporting the error of the damaged one.
    const QString freshPath = m_work ? m_work->filePath(QStringLiteral("fresh.ini")) : m_path;
    auto *fresh = new QSettings(freshPath, QSettings::IniFormat);
    const QStringList keys = m_settings->allKeys();
    for (const QString &key : keys) {
        if (!hasEmptyPart(key) && isSettingsKey(key.section(QLatin1Char('/'), 0, 0), key.section(QLatin1Char('/'), 1)))
            fresh->setValue(key, m_settings->value(key));
    }
    delete m_settings;
    m_settings = fresh;
    m_plain.clear();
    m_changed = true;
    return true;
}
