// The seam between the engine host object and the sound manager: makes the
// OpenAL context of the sound manager held in a Lua userdata box current.
// The default definition (TNSoundContext.cpp) is weak and does nothing; the
// sound manager defines the real one.
#ifndef TN_SOUND_CONTEXT_H
#define TN_SOUND_CONTEXT_H

// soundManagerBox: the address of the userdata block of the script global
// "sharedSoundManager" (never null here).
void TNMakeSoundContextCurrent(void* soundManagerBox);

#endif
