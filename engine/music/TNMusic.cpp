#include "music/TNMusic.h"

#include "music/TNSoundFilePlayer.h"

TNMusic::TNMusic() = default;
TNMusic::~TNMusic() = default;

bool TNMusic::initSound(const std::string& path, bool looping)
{
    sound_.reset();  // the old track's device closes before the new one opens
    sound_ = TNSoundFilePlayer::create(path);
    if (!sound_)
        return false;
    sound_->setLooping(looping);
    return true;
}

void TNMusic::play()
{
    if (!sound_)
        return;
    sound_->setVolume(volume_);
    sound_->play();
}

void TNMusic::pause()
{
    if (!sound_)
        return;
    sound_->setVolume(volume_);
    sound_->pause();
}

void TNMusic::resume()
{
    if (sound_)
        sound_->resume();
}

void TNMusic::stop()
{
    if (sound_)
        sound_->stop();
}

void TNMusic::setVolume(float volume)
{
    if (!sound_)
        return;
    volume_ = volume;
    if (sound_->isPlaying())
        sound_->setVolume(volume_);
}

bool TNMusic::isPlaying() const
{
    return sound_ && sound_->isPlaying();
}
