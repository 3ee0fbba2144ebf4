// The plain C interface of the background music player, used by the
// platformWrappers library. The functions keep the names games' hosts have
// always called them by; they play any sound file FFmpeg reads, not only
// AAC. Paths are UTF-8; a null path counts as "".
#ifndef TN_MUSIC_PLAYBACK_H
#define TN_MUSIC_PLAYBACK_H

// Plays the file; it loops when the low byte of looping is not zero.
void TNPlayAACFile(const char* path, int looping);
void TNPauseAACFile();
void TNStopAACFile();
void SetAACFileVolume(float volume);
// 1 while the music plays, else 0.
int IsAACFilePlaying();

#endif
