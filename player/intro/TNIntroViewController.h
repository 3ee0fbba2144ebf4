// The two intro controllers: a still loading image shown for 0.1 s, or the
// intro movie played with its sound until it ends. Each tells the
// application delegate when the intro has finished.
#ifndef TN_INTRO_VIEW_CONTROLLER_H
#define TN_INTRO_VIEW_CONTROLLER_H

#include <SDL.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "intro/TNIntroView.h"

class TNApplication;
class TNMovieDecoder;

class TNIntroViewController {
public:
    using FinishedHandler = std::function<void()>;

    TNIntroViewController(SDL_Window* window, TNApplication& application, FinishedHandler introFinished);
    virtual ~TNIntroViewController() = default;

    TNIntroView& view() { return view_; }
    // Starts the intro once the view is placed.
    virtual void viewDidLoad() = 0;
    // Main loop tick: advances the intro and draws the view.
    virtual void tick();

protected:
    void finish();

    TNIntroView view_;
    TNApplication& application_;

private:
    FinishedHandler introFinished_;
    bool finished_ = false;
};

class TNLoadingImageViewController : public TNIntroViewController {
public:
    // Loads the image; imageWidth() and imageHeight() are its logical size
    // (its pixels at the density its file states), 0 when it could not be
    // read.
    TNLoadingImageViewController(SDL_Window* window, TNApplication& application, FinishedHandler introFinished,
                                 const std::string& imagePath);
    int imageWidth() const { return width_; }
    int imageHeight() const { return height_; }
    void viewDidLoad() override;

private:
    int width_ = 0;
    int height_ = 0;
};

class TNIntroMovieViewController : public TNIntroViewController {
public:
    TNIntroMovieViewController(SDL_Window* window, TNApplication& application, FinishedHandler introFinished,
                               const std::string& moviePath);
    ~TNIntroMovieViewController() override;
    void viewDidLoad() override;
    void tick() override;

private:
    void startSound();
    void stopSound();

    std::string moviePath_;
    std::unique_ptr<TNMovieDecoder> movie_;
    SDL_AudioDeviceID audio_ = 0;
    double startTime_ = 0.0;
    bool playing_ = false;
};

#endif
