// Helpers of the sound tests: test media made with sox and ffmpeg, OpenAL
// buffer queries, and the analysis of what OpenAL Soft's wave backend wrote.
#ifndef TERN_AUDIO_TEST_SUPPORT_H
#define TERN_AUDIO_TEST_SUPPORT_H

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <AL/al.h>

#include "TestSupport.h"
#include "WaveFile.h"

namespace tern_audio_test {

// Runs a shell command (sox or ffmpeg making a test file); true on success.
bool makeMedia(const std::string& command);

ALint bufferInt(ALuint buffer, ALenum parameter);

// The samples of a WAV file (the shared reader of the test support).
using tern_test::WaveSamples;
using tern_test::readWave;

// Root mean square of samples [from, to) (clamped to the data), 0 when empty.
double rms(const std::vector<int16_t>& samples, size_t from, size_t to);
// Frequency estimated from the zero crossings of samples [from, to).
double zeroCrossingFrequency(const std::vector<int16_t>& samples, size_t from, size_t to, int sampleRate);
// Share (0..1) of the energy of samples [from, to) at the given frequency.
double energyShareAt(const std::vector<int16_t>& samples, size_t from, size_t to, int sampleRate, double frequency);

// The folder a test shares with the fresh process its scenario runs in (a
// "threadsafe" death test re-runs the test body there): the test's own
// temporary folder, handed down through the environment and removed with
// this object in the test's process.
class SharedTestDir {
public:
    SharedTestDir();
    ~SharedTestDir();
    SharedTestDir(const SharedTestDir&) = delete;
    SharedTestDir& operator=(const SharedTestDir&) = delete;

    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::unique_ptr<tern_test::TempDir> owned_;  // null in the child process
    std::string path_;
};

// Writes an OpenAL Soft configuration that sends all output, mono 16-bit at
// 22050 Hz, to wavePath, and points ALSOFT_CONF at it. Must run before the
// process's first OpenAL call.
void useWaveOutput(const std::string& configPath, const std::string& wavePath);
// Destroys the current context and closes its device, which finishes the
// wave file. The sound manager's shared device is gone afterwards, so only
// a process about to end calls this.
void closeOutputDevice();

}  // namespace tern_audio_test

#endif
