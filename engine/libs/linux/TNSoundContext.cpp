#include "libs/linux/TNSoundContext.h"

// Without a sound manager linked in there is no context to make current.
__attribute__((weak)) void TNMakeSoundContextCurrent(void*) {}
