// Reads back what OpenAL Soft's wave output wrote: the samples of a WAV
// file's "data" chunk as signed 16-bit values. 32-bit float data is scaled
// to the same range. The writer fixes the chunk sizes only when its device
// closes, so a data chunk with no size yet runs to the end of the file.
#ifndef TERN_WAVE_FILE_H
#define TERN_WAVE_FILE_H

#include <cstdint>
#include <string>
#include <vector>

namespace tern_test {

struct WaveSamples {
    std::vector<int16_t> samples;  // interleaved when there are several channels
    int sampleRate = 0;
    int channels = 0;
};

// Empty samples when the file is not a RIFF WAVE file of 16-bit integer or
// 32-bit float samples.
WaveSamples readWave(const std::string& path);

}  // namespace tern_test

#endif
