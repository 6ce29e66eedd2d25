#include "soundfile.h"

#include <QFile>
#include <QFileInfo>

bool isUsableSoundFile(const QString &path)
{
    const QFileInfo info(path);
    if (path.isEmpty() || !info.isFile() || info.size() > MaxSoundFileSize)
        return false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    // "RIFF", the chunk size, "WAVE".
    const QByteArray head = file.read(12);
    return head.size() == 12 && head.startsWith("RIFF") && head.sliced(8) == "WAVE";
}
