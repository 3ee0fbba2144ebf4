// A plain value naming decoded audio: an array of OpenAL buffers. Copies
// never own the buffers: whoever decoded them frees them with freeSound.
#ifndef SG_SOUND_H
#define SG_SOUND_H

#include <cstdint>

struct SGSound {
    uint32_t* buffers;    // heap array made with new[], bufferCount entries
    int32_t bufferCount;

    // Decodes a sound file into one OpenAL buffer holding the whole sound
    // (see audio/TNSoundDecoding.h for the formats and limits). Throws an int
    // of value 1, after printing one line naming the file, when nothing could
    // be decoded; a file that was read but gave no buffer yields a null array
    // with bufferCount 1.
    static SGSound loadFromFile(const char* path);

    // Deletes the buffers (needs the OpenAL context current), frees the
    // array and clears this copy. OpenAL errors are reported on stdout.
    void freeSound();
};

constexpr SGSound SGSoundNull = {nullptr, 0};

#endif
