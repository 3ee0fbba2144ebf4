#include "intro/TNIntroViewController.h"

#include <SDL.h>

#include "window/TNApplication.h"
#include "files/TNPathResolver.h"
#include "files/TNRegularFile.h"
#include "images/TNImageDecoding.h"
#include "intro/TNMovieDecoder.h"
#include "log/TNLog.h"
#include "music/TNMusicDecoder.h"

namespace {

// A loading picture is a screen's worth: it is drawn by the intro view at
// any size, so it needs no more than the pixel limit of every picture.
const int kLargestLoadingImageSide = 16384;

}  // namespace

TNIntroViewController::TNIntroViewController(SDL_Window* window, TNApplication& application,
                                             FinishedHandler introFinished)
    : view_(window), application_(application), introFinished_(std::move(introFinished))
{
}

void TNIntroViewController::tick()
{
    view_.draw();
}

void TNIntroViewController::finish()
{
    if (finished_)
        return;
    finished_ = true;
    introFinished_();
}

TNLoadingImageViewController::TNLoadingImageViewController(SDL_Window* window, TNApplication& application,
                                                           FinishedHandler introFinished,
                                                           const std::string& gameImagePath)
    : TNIntroViewController(window, application, std::move(introFinished))
{
    const std::string imagePath = TNPathResolver::shared().resolve(gameImagePath);
    std::string reason;
    if (!TNIsRegularFile(imagePath.c_str(), reason)) {
        TNLog("tern-player: cannot read the loading image %s: %s", imagePath.c_str(), reason.c_str());
        return;
    }
    // The picture keeps its pixels; the view shows them over its logical size.
    TNLogicalImageSize logical;
    SDL_Surface* loaded = TNDecodeImageFile(imagePath.c_str(), kLargestLoadingImageSide, reason, &logical);
    if (!loaded) {
        TNLog("tern-player: cannot read the loading image %s: %s", imagePath.c_str(), reason.c_str());
        return;
    }
    SDL_Surface* rgba = SDL_ConvertSurfaceFormat(loaded, SDL_PIXELFORMAT_ABGR8888, 0);
    SDL_FreeSurface(loaded);
    if (!rgba)
        return;
    // ABGR8888 is R, G, B, A in memory on little-endian machines; rows are
    // packed first so the upload can read them contiguously.
    std::vector<uint8_t> pixels(static_cast<size_t>(rgba->w) * rgba->h * 4);
    for (int row = 0; row < rgba->h; ++row)
        SDL_memcpy(&pixels[static_cast<size_t>(row) * rgba->w * 4],
                   static_cast<uint8_t*>(rgba->pixels) + static_cast<size_t>(row) * rgba->pitch,
                   static_cast<size_t>(rgba->w) * 4);
    width_ = logical.texelWidth;
    height_ = logical.texelHeight;
    view_.setImage(pixels.data(), rgba->w, rgba->h);
    SDL_FreeSurface(rgba);
}

void TNLoadingImageViewController::viewDidLoad()
{
    application_.performAfterDelay(0.1, [this] { finish(); });
}

TNIntroMovieViewController::TNIntroMovieViewController(SDL_Window* window, TNApplication& application,
                                                       FinishedHandler introFinished, const std::string& moviePath)
    : TNIntroViewController(window, application, std::move(introFinished)), moviePath_(moviePath)
{
}

TNIntroMovieViewController::~TNIntroMovieViewController()
{
    stopSound();
}

// A movie that cannot be played counts as an intro that has ended.
void TNIntroMovieViewController::viewDidLoad()
{
    std::string error;
    movie_ = moviePath_.empty() ? nullptr : TNMovieDecoder::open(moviePath_, error);
    if (!movie_ || !movie_->decodeNextFrame()) {
        movie_.reset();
        application_.performAfterDelay(0.0, [this] { finish(); });
        return;
    }
    view_.setImage(movie_->rgba().data(), movie_->width(), movie_->height());
    startSound();
    startTime_ = application_.now();
    playing_ = true;
}

void TNIntroMovieViewController::tick()
{
    if (playing_) {
        double elapsed = application_.now() - startTime_;
        // Shows the latest frame that is due; the movie ends when its last
        // frame has had its time on screen.
        bool shown = false;
        while (movie_->frameTime() + movie_->frameDuration() <= elapsed) {
            if (!movie_->decodeNextFrame()) {
                playing_ = false;
                stopSound();
                finish();
                break;
            }
            shown = true;
        }
        if (shown && playing_)
            view_.setImage(movie_->rgba().data(), movie_->width(), movie_->height());
    }
    TNIntroViewController::tick();
}

// The movie's sound, decoded whole (an intro is short) and queued on an SDL
// audio device. No audio device means a silent intro.
void TNIntroMovieViewController::startSound()
{
    std::string error;
    std::unique_ptr<TNMusicDecoder> sound = TNMusicDecoder::open(moviePath_, error);
    const int rate = 44100, channels = 2;
    if (!sound || !sound->setOutputFormat(rate, channels))
        return;
    std::vector<int16_t> samples;
    int16_t buffer[4096 * 2];
    // At most a minute of sound.
    while (samples.size() < static_cast<size_t>(rate) * channels * 60) {
        int frames = sound->read(buffer, 4096);
        if (frames <= 0)
            break;
        samples.insert(samples.end(), buffer, buffer + frames * channels);
    }
    if (samples.empty() || SDL_InitSubSystem(SDL_INIT_AUDIO) != 0)
        return;
    SDL_AudioSpec want{};
    want.freq = rate;
    want.format = AUDIO_S16SYS;
    want.channels = channels;
    want.samples = 1024;
    audio_ = SDL_OpenAudioDevice(nullptr, 0, &want, nullptr, 0);
    if (!audio_)
        return;
    SDL_QueueAudio(audio_, samples.data(), static_cast<Uint32>(samples.size() * sizeof(int16_t)));
    SDL_PauseAudioDevice(audio_, 0);
}

void TNIntroMovieViewController::stopSound()
{
    if (audio_) {
        SDL_CloseAudioDevice(audio_);
        audio_ = 0;
    }
}
