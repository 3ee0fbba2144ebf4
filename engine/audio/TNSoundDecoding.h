// Decoding of sound files into one OpenAL buffer holding the whole sound:
// Ogg Vorbis through vorbisfile, linear PCM CAF as stored, and everything
// else through the converting reader as 16-bit mono. Failures that leave no
// sound throw an int of value 1 after printing one line naming the file.
#ifndef TN_SOUND_DECODING_H
#define TN_SOUND_DECODING_H

#include <cstddef>
#include <cstdint>

#include <AL/al.h>

struct databuffer;
struct OggVorbis_File;

// Sounds longer than this, or larger than TNMaxSoundBytes once decoded, are
// refused: they would hold that much memory for as long as they are cached.
const double TNMaxSoundSeconds = 300.0;
const uint64_t TNMaxSoundBytes = 128u * 1024u * 1024u;
// Sample rates above this (in Hz) are refused.
const double TNMaxSampleRate = 768000.0;

// Ogg decoding gives up after this many read errors in a row with no
// decoded bytes between them, keeping what was decoded before.
const int TNMaxOggErrorsWithoutProgress = 32;

// The buffer names a load produced: a heap array (new[]) of bufferCount
// names, or null with bufferCount 1 when the file was read but gave no buffer.
struct TNSoundBuffers {
    ALuint* buffers;
    int32_t bufferCount;
};

// True when text ends with suffix, compared byte by byte (case-sensitive).
bool hasSuffix(const char* text, const char* suffix);

// The decoded stream as a chain of 128 KiB links; tooLong when decoding
// stopped at maxBytes.
struct TNOggChain {
    databuffer* first = nullptr;
    bool tooLong = false;
};
// Reads an opened stream to its end into a chain. Decoding carries on after
// a read error, until TNMaxOggErrorsWithoutProgress errors come in a row:
// then it stops and keeps what it has. Read errors are reported at the end
// in one line on standard output: "Ogg read had an error" once per error,
// then " (N in PATH)".
TNOggChain TNReadOggChain(OggVorbis_File* vf, const char* path, size_t maxBytes);

// Chooses the path by suffix: ".ogg" Ogg, ".caf" CAF, anything else converting.
TNSoundBuffers TNDecodeSoundFile(const char* path);

// The three paths; each returns a one-element heap array, or null when the
// file was read but produced no buffer.
ALuint* OggToOpenAL(const char* path);
ALuint* CAFToOpenAL(const char* path);
ALuint* ExtAudioFileToOpenAL(const char* path);

#endif
