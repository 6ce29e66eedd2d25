// The settings loader on an arbitrary settings file: the store opens it, the
// local options, the window edges and the directory load, and whatever loaded
// is saved and loads again unchanged.
#include "fuzzsupport.h"
#include "settingsmapping.h"
#include "settingsreference.h"
#include "settingsstore.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdint>

using FuzzSupport::check;

namespace {

QTemporaryDir *folder = nullptr;

const QString AppName = QStringLiteral("Pelwick");

bool sameSettings(const LocalSettings &a, const LocalSettings &b)
{
    return a.SoundFilePath == b.SoundFilePath && a.Sound == b.Sound && a.FormTop == b.FormTop && a.PopUp == b.PopUp
        && a.Port == b.Port && a.UserName == b.UserName;
}

// The store reads every key of a file it calls readable as QSettings reads
// it from the same bytes, whether it leaves the section to QSettings or
// reads it itself.
void checkReadsAsQSettings(const SettingsStore &store, QByteArray bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes.remove(0, 3);
    // A new file each time: QSettings caches what it read by name.
    static int n = 0;
    const QString path = folder->filePath(QStringLiteral("plain-%1.ini").arg(++n));
    {
        QFile file(path);
        check(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size(), "cannot write the copy");
    }
    check(differenceFromQSettings(store, path).isEmpty(), "a value read otherwise than by QSettings");
    QFile::remove(path);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    static int qargc = 1;
    static char *qargv[] = { (*argv)[0], nullptr };
    new QCoreApplication(qargc, qargv);
    folder = new QTemporaryDir;
    QDir(folder->path()).mkpath(AppName);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString appFolder = folder->filePath(AppName);
    // Whatever an earlier input left (a file kept aside, a fresh file) goes.
    QDir(appFolder).removeRecursively();
    QDir(folder->path()).mkpath(AppName);
    {
        QFile file(appFolder + QStringLiteral("/Pelwick.ini"));
        check(file.open(QIODevice::WriteOnly), "cannot write the input file");
        file.write(reinterpret_cast<const char *>(data), qint64(size));
    }

    LocalSettings loaded;
    QList<DirectoryEntry> entries;
    {
        SettingsStore store(AppName, folder->path());
        if (!store.wasUnreadable())
            checkReadsAsQSettings(store, QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)));
        for (const char *edge : { "Left", "Top", "Width", "Height" })
            parseSettingsSingle(
                store.value(QLatin1String(SettingsKey::WindowPos), QLatin1String(edge), QStringLiteral("0")));
        loadLocalSettings(store, loaded);
        entries = loadDirectory(store);
        saveLocalSettings(store, loaded);
        saveDirectory(store, entries);
        // A file that was damaged is kept aside before the first write.
        check(!store.wasUnreadable() || !store.keptAsidePath().isEmpty(), "damaged file written over");
        check(store.sync(), "save failed");
    }

    SettingsStore again(AppName, folder->path());
    check(!again.wasUnreadable(), "a saved file reads as damaged");
    LocalSettings reloaded;
    loadLocalSettings(again, reloaded);
    check(sameSettings(reloaded, loaded), "local settings changed over save and load");
    QList<DirectoryEntry> expected;
    for (const DirectoryEntry &e : std::as_const(entries)) {
        // A save writes every row; a load skips rows without an address.
        if (!e.UserIpAddr.trimmed().isEmpty())
            expected.append(e);
    }
    check(loadDirectory(again) == expected, "directory changed over save and load");
    return 0;
}
