#include "AudioTestSupport.h"

#include <AL/alc.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "TestSupport.h"

namespace tern_audio_test {

namespace {
const char* const kSharedDirVariable = "TERN_AUDIO_TEST_DIR";
}

SharedTestDir::SharedTestDir()
{
    if (const char* inherited = std::getenv(kSharedDirVariable)) {
        path_ = inherited;
        return;
    }
    owned_ = std::make_unique<tern_test::TempDir>();
    path_ = owned_->path();
    setenv(kSharedDirVariable, path_.c_str(), 1);
}

SharedTestDir::~SharedTestDir()
{
    if (owned_)
        unsetenv(kSharedDirVariable);
}

bool makeMedia(const std::string& command)
{
    return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

ALint bufferInt(ALuint buffer, ALenum parameter)
{
    ALint value = -1;
    alGetBufferi(buffer, parameter, &value);
    return value;
}

double rms(const std::vector<int16_t>& samples, size_t from, size_t to)
{
    to = std::min(to, samples.size());
    if (from >= to)
        return 0;
    double sum = 0;
    for (size_t i = from; i < to; ++i)
        sum += static_cast<double>(samples[i]) * samples[i];
    return std::sqrt(sum / static_cast<double>(to - from));
}

double zeroCrossingFrequency(const std::vector<int16_t>& samples, size_t from, size_t to, int sampleRate)
{
    to = std::min(to, samples.size());
    if (from + 1 >= to)
        return 0;
    int crossings = 0;
    for (size_t i = from + 1; i < to; ++i)
        if ((samples[i - 1] < 0) != (samples[i] < 0))
            ++crossings;
    return crossings / 2.0 * sampleRate / static_cast<double>(to - from);
}

double energyShareAt(const std::vector<int16_t>& samples, size_t from, size_t to, int sampleRate, double frequency)
{
    to = std::min(to, samples.size());
    if (from >= to)
        return 0;
    double re = 0, im = 0, total = 0;
    const double step = 2 * M_PI * frequency / sampleRate;
    for (size_t i = from; i < to; ++i) {
        const double value = samples[i];
        re += value * std::cos(step * static_cast<double>(i));
        im += value * std::sin(step * static_cast<double>(i));
        total += value * value;
    }
    if (total == 0)
        return 0;
    // A pure sine of amplitude A over N samples gives |X|^2 = (A N / 2)^2 and
    // an energy of A^2 N / 2, so the share is 2 |X|^2 / (N * energy).
    return 2 * (re * re + im * im) / (static_cast<double>(to - from) * total);
}

void useWaveOutput(const std::string& configPath, const std::string& wavePath)
{
    tern_test::writeFile(configPath,
        "[general]\ndrivers=wave\nchannels=mono\nsample-type=int16\nfrequency=22050\n[wave]\nfile=" + wavePath + "\n");
    setenv("ALSOFT_CONF", configPath.c_str(), 1);
    unsetenv("ALSOFT_DRIVERS");
}

void closeOutputDevice()
{
    ALCcontext* context = alcGetCurrentContext();
    if (!context)
        return;
    ALCdevice* device = alcGetContextsDevice(context);
    alcMakeContextCurrent(nullptr);
    alcDestroyContext(context);
    alcCloseDevice(device);
}

}  // namespace tern_audio_test
