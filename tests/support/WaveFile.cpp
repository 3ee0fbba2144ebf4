#include "WaveFile.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "TestSupport.h"

namespace tern_test {

namespace {

enum Format { kInteger = 1, kFloat = 3, kExtensible = 0xfffe };

uint32_t littleEndian(const std::string& data, size_t at, int bytes)
{
    uint32_t n = 0;
    for (int i = bytes - 1; i >= 0; --i)
        n = n << 8 | static_cast<uint8_t>(data[at + i]);
    return n;
}

int16_t sampleAt(const std::string& data, size_t at, uint32_t format)
{
    if (format == kInteger)
        return static_cast<int16_t>(littleEndian(data, at, 2));
    float value;
    std::memcpy(&value, data.data() + at, 4);
    return static_cast<int16_t>(std::lround(std::clamp(value, -1.0f, 32767.0f / 32768.0f) * 32768.0f));
}

}  // namespace

WaveSamples readWave(const std::string& path)
{
    WaveSamples wave;
    const std::string data = readFile(path);
    if (data.size() < 12 || data.compare(0, 4, "RIFF") != 0 || data.compare(8, 4, "WAVE") != 0)
        return wave;
    uint32_t format = 0, bits = 0;
    for (size_t at = 12; at + 8 <= data.size();) {
        const std::string id = data.substr(at, 4);
        const uint32_t size = littleEndian(data, at + 4, 4);
        if (id == "fmt " && at + 24 <= data.size()) {
            format = littleEndian(data, at + 8, 2);
            wave.channels = static_cast<int>(littleEndian(data, at + 10, 2));
            wave.sampleRate = static_cast<int>(littleEndian(data, at + 12, 4));
            bits = littleEndian(data, at + 22, 2);
            // An extensible format names the real one in its sub-format's first field.
            if (format == kExtensible && at + 34 <= data.size())
                format = littleEndian(data, at + 32, 2);
        } else if (id == "data") {
            const bool known = (format == kInteger && bits == 16) || (format == kFloat && bits == 32);
            const size_t start = at + 8;
            const size_t end = size == 0 ? data.size() : std::min<size_t>(data.size(), start + size);
            for (size_t s = start; known && s + bits / 8 <= end; s += bits / 8)
                wave.samples.push_back(sampleAt(data, s, format));
            return wave;
        }
        at += 8 + size + (size & 1);
    }
    return wave;
}

}  // namespace tern_test
