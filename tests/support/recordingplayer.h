#pragma once

#include "arrivalsound.h"

#include <QStringList>

// Notes what the arrival notice would play instead of playing it.
class RecordingPlayer : public ArrivalSoundPlayer
{
public:
    void playFile(const QString &path) override { played.append(path); }
    void playDefault() override { played.append(QStringLiteral("<default>")); }

    // File paths, "<default>" for the default sound.
    QStringList played;
};
