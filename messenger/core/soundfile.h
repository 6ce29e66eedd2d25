#pragma once

#include <QString>

// The arrival sound is a WAV file (RIFF container, WAVE form) the player loads
// whole; anything larger is refused so an arrival never reads gigabytes.
constexpr qint64 MaxSoundFileSize = qint64(16) << 20;

// Whether path names a sound file the arrival notice can load: a regular file
// (links followed, so no device, pipe or folder) that can be read, at most
// MaxSoundFileSize bytes, starting with a RIFF/WAVE header.
bool isUsableSoundFile(const QString &path);

// The arrival chime shipped beside the programs: the default SoundFilePath.
QString defaultArrivalSoundPath();
