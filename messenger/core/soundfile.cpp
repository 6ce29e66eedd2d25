#include "soundfile.h"

#include "regularfile.h"

#include <QCoreApplication>
#include <QFile>

bool isUsableSoundFile(const QString &path)
{
    QFile file;
    if (path.isEmpty() || RegularFile::open(file, path, QIODevice::ReadOnly) != RegularFile::Status::Opened
        || file.size() > MaxSoundFileSize)
        return false;
    // "RIFF", the chunk size, "WAVE".
    const QByteArray head = file.read(12);
    return head.size() == 12 && head.startsWith("RIFF") && head.sliced(8) == "WAVE";
}

QString defaultArrivalSoundPath()
{
    return QCoreApplication::applicationDirPath() + QLatin1String("/arrival.wav");
}
