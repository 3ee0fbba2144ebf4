// Sound files made once per test process with ffmpeg, and the raw output of
// SDL's disk audio driver, which every music test plays through.
#ifndef TERN_TEST_MUSIC_MEDIA_H
#define TERN_TEST_MUSIC_MEDIA_H

#include <cstdint>
#include <string>
#include <vector>

namespace music_test {

// Path of a generated file: a 440 Hz sine of amplitude 0.5 lasting one second
// as "sine.m4a", "sine.mp3", "sine.ogg", "sine.wav", "sine.caf"; "quiet.wav"
// (amplitude 0.25, 1 s), "long.wav" (amplitude 0.5, 6 s), "short.wav"
// (amplitude 0.5, 0.3 s), "picture.png", "text.txt", "empty.wav".
std::string media(const std::string& name);

// The disk driver's output file: signed 16-bit stereo at 44.1 kHz. It is
// truncated each time a track opens its device.
long outputSize();
std::vector<int16_t> outputSamples(long fromByte, long toByte);
// Waits until the output has grown by bytes past fromByte (at most 10 s).
void waitForOutput(long fromByte, long bytes);
// Bytes of one second of output.
constexpr long kBytesPerSecond = 44100 * 2 * 2;

int16_t peak(const std::vector<int16_t>& samples);
// Frames in which either channel is not zero.
long soundingFrames(const std::vector<int16_t>& samples);

}  // namespace music_test

#endif
