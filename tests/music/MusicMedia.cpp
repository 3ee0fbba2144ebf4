#include "MusicMedia.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <thread>

#include "TestSupport.h"

namespace music_test {

namespace {

tern_test::TempDir& mediaDir()
{
    static tern_test::TempDir dir;
    return dir;
}

std::string outputPath()
{
    return mediaDir().file("disk-output.raw");
}

// The disk driver must be chosen before SDL's audio starts in this process.
struct DiskAudioDriver {
    DiskAudioDriver()
    {
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", outputPath().c_str(), 1);
    }
} const diskAudioDriver;

void makeSine(const std::string& name, double amplitude, double seconds, const std::string& codec, int rate = 44100)
{
    const std::string command = "ffmpeg -nostdin -hide_banner -loglevel error -y -f lavfi -i 'aevalsrc=" +
                                std::to_string(amplitude) + "*sin(2*PI*440*t):s=" + std::to_string(rate) +
                                ":d=" + std::to_string(seconds) + ":c=stereo' -c:a " + codec + " '" +
                                mediaDir().file(name) + "'";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
}

// Makes one of the files media() names.
void makeMedium(const std::string& name)
{
    if (name == "sine.m4a") makeSine(name, 0.5, 1, "aac", 48000);
    else if (name == "sine.mp3") makeSine(name, 0.5, 1, "libmp3lame");
    else if (name == "sine.ogg") makeSine(name, 0.5, 1, "libvorbis");
    else if (name == "sine.wav") makeSine(name, 0.5, 1, "pcm_s16le");
    else if (name == "sine.caf") makeSine(name, 0.5, 1, "pcm_s16be", 22050);
    else if (name == "quiet.wav") makeSine(name, 0.25, 1, "pcm_s16le");
    else if (name == "long.wav") makeSine(name, 0.5, 6, "pcm_s16le");
    else if (name == "short.wav") makeSine(name, 0.5, 0.3, "pcm_s16le");
    else if (name == "picture.png") {
        const std::string png = "ffmpeg -nostdin -hide_banner -loglevel error -y -f lavfi -i color=red:s=8x8 "
                                "-frames:v 1 '" + mediaDir().file(name) + "'";
        ASSERT_EQ(std::system(png.c_str()), 0);
    } else if (name == "text.txt") tern_test::writeFile(mediaDir().file(name), "This is not a sound.\n");
    else if (name == "empty.wav") tern_test::writeFile(mediaDir().file(name), "");
}

}  // namespace

std::string media(const std::string& name)
{
    const std::string path = mediaDir().file(name);
    if (!tern_test::fileExists(path))
        makeMedium(name);
    return path;
}

long outputSize()
{
    std::ifstream in(outputPath(), std::ios::binary | std::ios::ate);
    return in ? static_cast<long>(in.tellg()) : 0;
}

std::vector<int16_t> outputSamples(long fromByte, long toByte)
{
    std::vector<int16_t> samples;
    if (toByte <= fromByte)
        return samples;
    std::ifstream in(outputPath(), std::ios::binary);
    in.seekg(fromByte & ~3L);
    samples.resize(static_cast<size_t>((toByte - (fromByte & ~3L)) / 2));
    in.read(reinterpret_cast<char*>(samples.data()), static_cast<std::streamsize>(samples.size() * 2));
    samples.resize(static_cast<size_t>(in.gcount() / 2));
    return samples;
}

void waitForOutput(long fromByte, long bytes)
{
    tern_test::waitUntil([&] { return outputSize() >= fromByte + bytes; }, std::chrono::seconds(10),
                         std::chrono::milliseconds(10));
    ASSERT_GE(outputSize(), fromByte + bytes) << "the audio device wrote too little";
}

int16_t peak(const std::vector<int16_t>& samples)
{
    int best = 0;
    for (int16_t s : samples)
        best = std::max(best, std::abs(static_cast<int>(s)));
    return static_cast<int16_t>(std::min(best, 32767));
}

long soundingFrames(const std::vector<int16_t>& samples)
{
    long frames = 0;
    for (size_t i = 0; i + 1 < samples.size(); i += 2) {
        if (samples[i] != 0 || samples[i + 1] != 0)
            ++frames;
    }
    return frames;
}

}  // namespace music_test
