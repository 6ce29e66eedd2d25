#include "settingsstore.h"

#include "cp932.h"
#include "logcategories.h"
#include "regularfile.h"
#include "settingsmapping.h"
#include "wholefile.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QTemporaryFile>

#include <algorithm>
#include <map>

#include <unistd.h>

namespace {

constexpr char Utf8ByteOrderMark[] = "\xEF\xBB\xBF";

// The text of a settings file: UTF-8 (a byte-order mark is fine), or, for a
// file a Japanese editor saved, code page 932 where every byte of it decodes
// to a character of its own (none to U+FFFD, nor to the private forms of
// the bytes 0x80, 0xA0 and 0xFD-0xFF). None for bytes that are neither.
std::optional<QString> settingsText(QByteArrayView bytes, bool &codePage932)
{
    codePage932 = false;
    if (bytes.startsWith(Utf8ByteOrderMark))
        bytes = bytes.sliced(qsizetype(sizeof Utf8ByteOrderMark - 1));
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(bytes);
    if (!utf8.hasError())
        return text;
    text = Cp932::decode(bytes);
    const bool decodes = std::none_of(text.begin(), text.end(), [](QChar c) {
        return c == QChar::ReplacementCharacter || c == u'\u0080' || (c >= u'\uF8F0' && c <= u'\uF8F3');
    });
    if (!decodes)
        return std::nullopt;
    codePage932 = true;
    return text;
}

// Whether text can be a settings file as QSettings writes it or a person
// edits it: no control characters below space but the tab (QSettings writes
// those escaped), each line blank, a ";" comment, a [section] or key=value
// (or the continuation of a line ending in a backslash). Anything else means
// the file was damaged. Lines QSettings itself cannot parse are caught by
// its status as well.
bool looksLikeIniText(const QString &text)
{
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

// A key or section name as QSettings writes it: letters, digits, "_", "-"
// and "." as they are, "/" (a subgroup) as "\\", anything else as %XX or
// %UXXXX.
QString escapedName(QStringView name)
{
    if (isPlainName(name))
        return name.toString();
    QString text;
    for (const QChar c : name) {
        const char16_t u = c.unicode();
        if ((u >= u'0' && u <= u'9') || (u >= u'A' && u <= u'Z') || (u >= u'a' && u <= u'z') || u == u'_' || u == u'-'
            || u == u'.')
            text += c;
        else if (u == u'/')
            text += u'\\';
        else if (u <= 0xff)
            text += QStringLiteral("%%1").arg(u, 2, 16, QLatin1Char('0')).toUpper();
        else
            text += QStringLiteral("%U%1").arg(u, 4, 16, QLatin1Char('0')).toUpper();
    }
    return text;
}

// A section name as written: the keys outside every section belong to
// [General], and a section of that name is written escaped.
QString sectionLine(const QString &section)
{
    if (section.isEmpty())
        return QStringLiteral("[General]");
    if (section.compare(QLatin1String("General"), Qt::CaseInsensitive) == 0)
        return QStringLiteral("[%General]");
    return QLatin1Char('[') + escapedName(section) + QLatin1Char(']');
}

bool isHexDigit(QChar c)
{
    return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

// A value as written: plain where the plain reader and QSettings read it
// alike, else in quotes with quotes, backslashes and control characters
// escaped (a character after a \x escape that would extend it is escaped as
// well), and a leading "@" doubled, as QSettings reads it back.
QString escapedValue(QStringView value)
{
    const bool control = std::any_of(value.begin(), value.end(), [](QChar c) { return c.unicode() < 0x20; });
    if (!control && isPlainValue(value))
        return value.toString();
    QString text = QStringLiteral("\"");
    if (value.startsWith(u'@'))
        text += u'@';
    bool hexEscaped = false;
    for (const QChar c : value) {
        const bool wasHexEscaped = std::exchange(hexEscaped, false);
        switch (c.unicode()) {
        case u'"':
            text += QLatin1String("\\\"");
            break;
        case u'\\':
            text += QLatin1String("\\\\");
            break;
        case u'\n':
            text += QLatin1String("\\n");
            break;
        case u'\r':
            text += QLatin1String("\\r");
            break;
        case u'\t':
            text += QLatin1String("\\t");
            break;
        default:
            if (c.unicode() < 0x20 || (wasHexEscaped && isHexDigit(c))) {
                text += QStringLiteral("\\x%1").arg(c.unicode(), 0, 16);
                hexEscaped = true;
            } else {
                text += c;
            }
        }
    }
    return text + QLatin1Char('"');
}

// Where the private copy for QSettings' parse is made.
QString copyTemplate(const QString &path)
{
    const QFileInfo info(path);
    return info.absoluteDir().filePath(QLatin1Char('.') + info.fileName() + QLatin1String(".read-"));
}

} // namespace

SettingsStore::SettingsStore(const QString &appName, const QString &directory)
{
    m_path = filePathFor(appName, directory);

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
    const std::optional<QString> decoded = settingsText(bytes, m_codePage932);
    m_unreadable = !read || !decoded || !looksLikeIniText(*decoded);
    if (decoded)
        text = *decoded;
    // QSettings reads a file that starts with a byte-order mark, but reports
    // it as badly formatted.
    if (bytes.startsWith(Utf8ByteOrderMark))
        bytes.remove(0, qsizetype(sizeof Utf8ByteOrderMark - 1));

    auto sections = m_unreadable ? std::nullopt : plainSections(text);
    bool allPlain = sections.has_value();
    if (sections) {
        for (auto &[name, lines] : *sections) {
            m_sectionOrder.append(name);
            if (!lines || !takePlainSection(name, text, std::move(*lines)))
                allPlain = false;
        }
    }
    // QSettings reads UTF-8 only.
    if (!allPlain)
        parseWithQSettings(m_codePage932 ? text.toUtf8() : bytes, safeToRead && !m_codePage932);
    // What the store read itself is of no use in a damaged file.
    if (m_unreadable)
        m_plain.clear();
    if (!m_unreadable)
        m_fileBytes = read;
    else if (read || danglingLink || QFileInfo(m_path).exists())
        qCDebug(lcSettings) << "the settings file" << m_path
                            << "cannot be read or is damaged: it is moved aside before anything is written";
}

void SettingsStore::parseWithQSettings(const QByteArray &bytes, bool parseFile)
{
    if (bytes.isEmpty())
        return;
    // The copy, beside the file. Where it cannot be made (a full disk, a
    // read-only folder) QSettings reads the file itself where it may
    // (parseFile): it is never written through.
    QTemporaryFile copy(copyTemplate(m_path) + QLatin1String("XXXXXX"));
    QString parsePath = parseFile ? m_path : QString();
    if (copy.open() && copy.write(bytes) == bytes.size() && copy.flush())
        parsePath = copy.fileName();
    if (parsePath.isEmpty())
        return;
    QSettings settings(parsePath, QSettings::IniFormat);
    const QStringList keys = settings.allKeys();
    // A key read with an empty part (a byte-order mark for a name, say)
    // would be written back as a line no store can read.
    if (settings.status() != QSettings::NoError || std::any_of(keys.begin(), keys.end(), hasEmptyPart))
        m_unreadable = true;
    for (const QString &path : keys) {
        if (hasEmptyPart(path))
            continue;
        const qsizetype slash = path.indexOf(QLatin1Char('/'));
        const QString section = slash < 0 ? QString() : path.first(slash);
        if (m_plain.contains(section) && !m_unreadable)
            continue;
        const QVariant v = settings.value(path);
        // An unquoted comma in a hand-edited file makes QSettings read a
        // list; the store holds text, so put it back together.
        const QString value
            = v.userType() == QMetaType::QStringList ? v.toStringList().join(QLatin1Char(',')) : v.toString();
        if (!m_sections.contains(section) && !m_sectionOrder.contains(section))
            m_sectionOrder.append(section);
        m_sections[section].set(slash < 0 ? path : path.sliced(slash + 1), value);
    }
}

SettingsStore::~SettingsStore()
{
    sync();
}

void SettingsStore::removeStaleCopies(const QString &appName, const QString &directory)
{
    const QString prefix = copyTemplate(filePathFor(appName, directory));
    const QFileInfo pattern(prefix);
    QDir folder = pattern.absoluteDir();
    for (const QString &name :
        folder.entryList({ pattern.fileName() + QLatin1Char('*') }, QDir::Files | QDir::Hidden | QDir::System))
        folder.remove(name);
    // An earlier version copied the file to "<application>-XXXXXX/read.ini"
    // in the shared temporary folder and left it there when killed.
    QDir temp(QDir::tempPath());
    const QString application = QCoreApplication::applicationName();
    if (application.isEmpty())
        return;
    for (const QFileInfo &dir :
        temp.entryInfoList({ application + QLatin1String("-??????") }, QDir::Dirs | QDir::Hidden | QDir::NoSymLinks)) {
        if (dir.ownerId() != ::getuid())
            continue;
        QDir copy(dir.absoluteFilePath());
        const QStringList held = copy.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
        const bool onlyCopies = !held.isEmpty() && std::all_of(held.begin(), held.end(), [](const QString &name) {
            return name == QLatin1String("read.ini") || name == QLatin1String("fresh.ini");
        });
        if (onlyCopies)
            copy.removeRecursively();
    }
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

void SettingsStore::Section::set(const QString &key, const QString &value)
{
    const auto i = at.constFind(key);
    if (i != at.constEnd()) {
        lines[*i].second = value;
        return;
    }
    at.insert(key, lines.size());
    lines.append({ key, value });
}

bool SettingsStore::takePlainSection(const QString &name, const QString &text, Lines lines)
{
    PlainSection section;
    section.text = text;
    section.lines = std::move(lines);
    // Keys in ascending order are each there once; others are counted now.
    // A key named twice is left to QSettings, which takes the last.
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

SettingsStore::Section &SettingsStore::writableSection(const QString &name)
{
    if (!m_sectionOrder.contains(name))
        m_sectionOrder.append(name);
    Section &section = m_sections[name];
    if (const PlainSection *plain = plainSection(name)) {
        section.lines.reserve(plain->lines.size());
        for (const auto &[key, value] : plain->lines)
            section.set(key.toString(), value.toString());
        m_plain.remove(name);
    }
    return section;
}

QString SettingsStore::value(const QString &section, const QString &key, const QString &defaultValue) const
{
    if (const PlainSection *plain = plainSection(section)) {
        const auto at = plain->at().constFind(key);
        return at == plain->at().constEnd() ? defaultValue : plain->lines[*at].second.toString();
    }
    const auto s = m_sections.constFind(section);
    if (s == m_sections.constEnd())
        return defaultValue;
    const auto at = s->at.constFind(key);
    return at == s->at.constEnd() ? defaultValue : s->lines[*at].second;
}

QStringList SettingsStore::keys(const QString &section) const
{
    QStringList result;
    if (const PlainSection *plain = plainSection(section)) {
        result.reserve(plain->lines.size());
        for (const auto &[key, value] : plain->lines)
            result.append(key.toString());
        return result;
    }
    const auto s = m_sections.constFind(section);
    if (s != m_sections.constEnd()) {
        result.reserve(s->lines.size());
        for (const auto &[key, value] : s->lines)
            result.append(key);
    }
    return result;
}

qsizetype SettingsStore::size(const QString &section) const
{
    if (const PlainSection *plain = plainSection(section))
        return plain->lines.size();
    const auto s = m_sections.constFind(section);
    return s == m_sections.constEnd() ? 0 : s->lines.size();
}

void SettingsStore::forEachLine(
    const QString &section, const std::function<void(QStringView key, QStringView value)> &read) const
{
    if (const PlainSection *plain = plainSection(section)) {
        for (const auto &[key, value] : plain->lines)
            read(key, value);
        return;
    }
    const auto s = m_sections.constFind(section);
    if (s == m_sections.constEnd())
        return;
    for (const auto &[key, value] : s->lines)
        read(key, value);
}

bool SettingsStore::contains(const QString &section, const QString &key) const
{
    if (const PlainSection *plain = plainSection(section))
        return plain->at().contains(key);
    const auto s = m_sections.constFind(section);
    return s != m_sections.constEnd() && s->at.contains(key);
}

void SettingsStore::setValue(const QString &section, const QString &key, const QString &value)
{
    // A value the file already holds changes nothing: a run that changed
    // nothing leaves the file as it is.
    if (contains(section, key) && this->value(section, key) == value)
        return;
    if (!keepUnreadableFileAside())
        return;
    writableSection(section).set(key, value);
    m_changed = true;
}

void SettingsStore::removeSection(const QString &section)
{
    if (!keepUnreadableFileAside())
        return;
    m_plain.remove(section);
    m_sections.remove(section);
    m_changed = true;
}

QByteArray SettingsStore::fileText() const
{
    // Sections and keys in the order a reader expects; the rest as read.
    QStringList sections = m_sectionOrder;
    std::stable_sort(sections.begin(), sections.end(),
        [](const QString &a, const QString &b) { return settingsSectionRank(a) < settingsSectionRank(b); });
    QString text;
    for (const QString &name : std::as_const(sections)) {
        QList<std::pair<QStringView, QStringView>> lines;
        if (const PlainSection *plain = plainSection(name)) {
            lines = plain->lines;
        } else if (const auto s = m_sections.constFind(name); s != m_sections.constEnd()) {
            lines.reserve(s->lines.size());
            for (const auto &[key, value] : s->lines)
                lines.append({ key, value });
        }
        if (lines.isEmpty())
            continue;
        std::stable_sort(lines.begin(), lines.end(), [&name](const auto &a, const auto &b) {
            return settingsKeyRank(name, a.first) < settingsKeyRank(name, b.first);
        });
        if (!text.isEmpty())
            text += QLatin1Char('\n');
        text += sectionLine(name) + QLatin1Char('\n');
        for (const auto &[key, value] : std::as_const(lines))
            text += escapedName(key) + QLatin1Char('=') + escapedValue(value) + QLatin1Char('\n');
    }
    return text.toUtf8();
}

bool SettingsStore::sync()
{
    if (m_unreadable && m_keptAside.isEmpty()) {
        qCDebug(lcSettings) << "nothing written to" << m_path << "while the unreadable file could not be moved aside";
        return false;
    }
    if (!m_changed)
        return true;
    const QByteArray bytes = fileText();
    // A file the next read would refuse is never written: the one on disk
    // stays, and the change counts as not written.
    if (bytes.size() > MaxFileBytes) {
        qCDebug(lcSettings) << "settings of" << bytes.size() << "bytes not written: more than a settings file may hold";
        return false;
    }
    // The file names the user's peers: it is the user's alone, also where
    // an earlier version left it readable to others.
    QString error;
    if (!WholeFile::replace(m_path, bytes, &error, QFileDevice::ReadOwner | QFileDevice::WriteOwner)) {
        qCDebug(lcSettings) << "the settings file" << m_path << "could not be written:" << error;
        m_fileBytes.reset();
        return false;
    }
    m_changed = false;
    m_fileBytes = bytes;
    return true;
}

bool SettingsStore::isCurrent() const
{
    return !m_changed && m_fileBytes && fileBytes(m_path, MaxFileBytes) == m_fileBytes;
}

QString SettingsStore::filePath() const
{
    return m_path;
}

QString SettingsStore::filePathFor(const QString &appName, const QString &directory)
{
    const QString base
        = directory.isEmpty() ? QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) : directory;
    return QDir(base).filePath(appName + QLatin1Char('/') + appName + QLatin1String(".ini"));
}

bool SettingsStore::keepUnreadableFileAside()
{
    if ((!m_unreadable && !m_codePage932) || !m_keptAside.isEmpty())
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
        qCDebug(lcSettings) << "the settings file" << m_path << "could not be moved aside: nothing is written over it";
        return false;
    }
    qCDebug(lcSettings) << "the settings file was moved aside as" << aside;
    m_keptAside = aside;
    // What is written next keeps what could be read of the settings
    // themselves, and nothing else the damage made of the file.
    for (const QString &name : std::as_const(m_sectionOrder)) {
        if (!plainSection(name) && !m_sections.contains(name))
            continue;
        Section &section = writableSection(name);
        Section kept;
        for (const auto &[key, value] : std::as_const(section.lines)) {
            if (!key.contains(QLatin1Char('/')) && isSettingsKey(name, key))
                kept.set(key, value);
        }
        section = std::move(kept);
    }
    m_changed = true;
    return true;
}
