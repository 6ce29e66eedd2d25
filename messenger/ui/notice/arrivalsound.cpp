#include "arrivalsound.h"

#include "logcategories.h"
#include "soundfile.h"

#include <QApplication>
#include <QFileInfo>
#include <QPointer>
#include <QSoundEffect>
#include <QUrl>

namespace {

QPointer<SoundEffectPlayer> ProgramPlayer;

} // namespace

SoundEffectPlayer::SoundEffectPlayer(QObject *parent, std::function<void()> beep)
    : QObject(parent)
    , m_effect(new QSoundEffect(this))
    , m_beep(beep ? std::move(beep) : std::function<void()>([] { QApplication::beep(); }))
{
    connect(m_effect, &QSoundEffect::statusChanged, this, &SoundEffectPlayer::onStatusChanged);
}

SoundEffectPlayer::~SoundEffectPlayer() = default;

void SoundEffectPlayer::playFile(const QString &path)
{
    const QUrl source = QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath());
    m_effect->stop();
    if (m_effect->source() != source)
        m_effect->setSource(source);
    else if (m_effect->status() == QSoundEffect::Error)
        // The same broken file again: no new status change will come.
        onStatusChanged();
    // Plays as soon as the file is loaded; returns at once.
    m_effect->play();
}

void SoundEffectPlayer::playDefault()
{
    m_effect->stop();
    m_beep();
}

void SoundEffectPlayer::onStatusChanged()
{
    if (m_effect->status() != QSoundEffect::Error)
        return;
    qCDebug(lcDesktop) << "the sound" << m_effect->source().toLocalFile() << "cannot be played: the default sound instead";
    playDefault();
}

ArrivalSoundPlayer *DefaultArrivalSoundPlayer()
{
    if (!ProgramPlayer)
        ProgramPlayer = new SoundEffectPlayer(QCoreApplication::instance());
    return ProgramPlayer;
}

void PlayArrivalSound(const QString &path, bool sound, ArrivalSoundPlayer *player)
{
    if (path.isEmpty() || !sound)
        return;
    if (!player)
        player = DefaultArrivalSoundPlayer();
    if (isUsableSoundFile(path)) {
        player->playFile(path);
    } else {
        qCDebug(lcDesktop) << "the sound file" << path << "is not a usable WAV file: the default sound instead";
        player->playDefault();
    }
}

