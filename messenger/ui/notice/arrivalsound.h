#pragma once

#include <QObject>
#include <QString>

#include <functional>

class QSoundEffect;

// Plays sounds for the arrival notice. PlayArrivalSound decides whether and
// what to play; a player only plays, so tests can record instead of listen.
class ArrivalSoundPlayer
{
public:
    virtual ~ArrivalSoundPlayer() = default;
    // Starts playing the wave file at path and returns at once; a sound still
    // playing is cut off and replaced.
    virtual void playFile(const QString &path) = 0;
    // The default sound, for a file that is missing or cannot be played.
    virtual void playDefault() = 0;
};

// The player of the running program: Qt Multimedia's QSoundEffect for wave
// files, QApplication::beep for the default sound (or a beep given by tests).
// A file that exists but cannot be decoded is noticed asynchronously and
// answered with the default sound as well.
class SoundEffectPlayer : public QObject, public ArrivalSoundPlayer
{
    Q_OBJECT
public:
    explicit SoundEffectPlayer(QObject *parent = nullptr, std::function<void()> beep = {});
    ~SoundEffectPlayer() override;

    void playFile(const QString &path) override;
    void playDefault() override;

    // The effect playing or last played, for tests that watch its state.
    QSoundEffect *effect() const { return m_effect; }

private:
    void onStatusChanged();

    QSoundEffect *m_effect = nullptr;
    std::function<void()> m_beep;
};

// The program-wide player PlayArrivalSound uses when given none; created on
// first use and owned by the application object.
ArrivalSoundPlayer *DefaultArrivalSoundPlayer();

// The arrival notice's sound. Nothing at all happens when sound is false or
// path is empty (the caller's own beep is separate). A path naming no
// usable sound file (isUsableSoundFile: a readable regular WAV file of at most
// 16 MB) plays the default sound; otherwise the file plays asynchronously,
// replacing a sound still playing. sound is the messenger's Sound setting.
void PlayArrivalSound(const QString &path, bool sound, ArrivalSoundPlayer *player = nullptr);
