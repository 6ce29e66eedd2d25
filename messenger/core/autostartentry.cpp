#include "autostartentry.h"

#include "wholefile.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

namespace {

// Characters that make an Exec argument need quotes.
const QString Reserved = QStringLiteral(" \t\"'\\><~|&;$*?#()`");

QString quotedArgument(const QString &argument)
{
    bool needsQuotes = argument.isEmpty();
    for (const QChar c : argument)
        needsQuotes = needsQuotes || Reserved.contains(c);
    QString text;
    if (!needsQuotes) {
        text = argument;
    } else {
        // Inside quotes, ", `, $ and \ are escaped with a backslash.
        text = QStringLiteral("\"");
        for (const QChar c : argument) {
            if (c == u'"' || c == u'`' || c == u'$' || c == u'\\')
                text += u'\\';
            text += c;
        }
        text += u'"';
    }
    // A lone % would start a field code.
    text.replace(QLatin1Char('%'), QLatin1String("%%"));
    return text;
}

// The line of a key in group [Desktop Entry], or empty.
QString entryValue(const QByteArray &text, const QByteArray &key)
{
    bool inEntry = false;
    for (const QByteArray &raw : text.split('\n')) {
        const QByteArray line = raw.trimmed();
        if (line.startsWith('[')) {
            inEntry = line == "[Desktop Entry]";
            continue;
        }
        if (!inEntry)
            continue;
        const int equals = line.indexOf('=');
        if (equals > 0 && line.left(equals).trimmed() == key)
            return QString::fromUtf8(line.mid(equals + 1).trimmed());
    }
    return {};
}

} // namespace

AutostartEntry::AutostartEntry(const QString &directory, const QString &desktopId)
    : m_directory(directory.isEmpty()
              ? QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QLatin1String("/autostart")
              : directory)
    , m_desktopId(desktopId)
{
}

QString AutostartEntry::filePath() const
{
    return QDir(m_directory).filePath(m_desktopId + QLatin1String(".desktop"));
}

bool AutostartEntry::isEnabled() const
{
    QFile file(filePath());
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray text = file.read(64 * 1024);
    return entryValue(text, "Hidden") != QLatin1String("true")
        && entryValue(text, "X-GNOME-Autostart-enabled") != QLatin1String("false");
}

QString AutostartEntry::execLine(const QStringList &command)
{
    QStringList arguments;
    for (const QString &argument : command)
        arguments.append(quotedArgument(argument));
    return arguments.join(QLatin1Char(' '));
}

QByteArray AutostartEntry::entryText(const QString &name, const QString &desktopId, const QStringList &command)
{
    if (command.isEmpty() || command.first().isEmpty())
        return {};
    for (const QString &argument : command) {
        if (argument.contains(QLatin1Char('\n')) || argument.contains(QLatin1Char('\r')))
            return {};
    }
    // A string value escapes its backslashes once more.
    QString exec = execLine(command);
    exec.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    const QString text = QStringLiteral("[Desktop Entry]\n"
                                        "Type=Application\n"
                                        "Name=%1\n"
                                        "Exec=%2\n"
                                        "Icon=%3\n"
                                        "Terminal=false\n"
                                        "X-GNOME-Autostart-enabled=true\n")
                             .arg(name, exec, desktopId);
    return text.toUtf8();
}

bool AutostartEntry::enable(const QString &name, const QStringList &command) const
{
    const QByteArray text = entryText(name, m_desktopId, command);
    return !text.isEmpty() && WholeFile::replace(filePath(), text);
}

bool AutostartEntry::disable() const
{
    return !QFileInfo::exists(filePath()) || QFile::remove(filePath());
}
