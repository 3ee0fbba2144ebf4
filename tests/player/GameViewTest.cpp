// The game view on SDL's offscreen driver: letterboxing with black bars,
// the frame step and its clock, drawing enabled or not, screen sizes, and
// the animation timer, and the headless view's own drawing target.
#define GL_GLEXT_PROTOTYPES 1
#include <gtest/gtest.h>

#include <SDL_opengl.h>

#include <array>
#include <cstdlib>
#include <thread>

#include "GameViewSupport.h"
#include "host/TNDate.h"
#include "window/RunLoop.h"
#include "window/TNGameView.h"

using namespace tern_test;

namespace {

const char* kScript = R"(
    frames, renders, plays = 0, 0, 0
    function initEngine() end
    function update(dt)
        frames = frames + 1
        clearTo(1, 0, 0)
    end
    function render()
        renders = renders + 1
        clearTo(0, 0, 1)
    end
    function play() plays = plays + 1 end
    devices = {}
    function devices:setScreenSize(w, h) screenWidth, screenHeight = w, h end
)";

// The colours of the view's drawable at the points (origin bottom left):
// r for red, b for blue, k for black, ? for any other.
std::string colours(TNGameView& view, std::initializer_list<std::pair<int, int>> points)
{
    std::string out;
    view.lockContext();
    for (const auto& [x, y] : points) {
        unsigned char p[4] = {0, 0, 0, 0};
        glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
        const int rgb = p[0] << 16 | p[1] << 8 | p[2];
        out += rgb == 0xff0000 ? 'r' : rgb == 0x0000ff ? 'b' : rgb == 0 ? 'k' : '?';
    }
    view.unlockContext();
    return out;
}

class GameViewTest : public ::testing::Test {
protected:
    // An 800 x 600 window with a game view over it.
    void SetUp() override
    {
        if (!video_.ok())
            GTEST_SKIP() << "no SDL video: " << video_.error();
        window_ = std::make_unique<TestWindow>(800, 600);
        ASSERT_TRUE(window_->ok()) << SDL_GetError();
        view_ = std::make_unique<TNGameView>(&window_->backing(), window_->backing().bounds());
    }
    void TearDown() override
    {
        if (view_)
            view_->setLuaState(nullptr);
    }
    // The test script's engine, given to the view.
    TestEngine& attach()
    {
        engine_ = std::make_unique<TestEngine>(kScript);
        view_->setLuaState(engine_->state());
        return *engine_;
    }

    VideoSession video_{"offscreen"};
    std::unique_ptr<TestWindow> window_;
    std::unique_ptr<TestEngine> engine_;
    std::unique_ptr<TNGameView> view_;
};

}  // namespace

// Bars above and below: the new side is rounded to float precision before
// use, and the frame is centred. The other layouts are pinned by the
// reshape test's pixels.
TEST(Letterbox, NewSideIsRoundedToFloatPrecisionAndCentred)
{
    float current = 0.0f;
    const TNRect f = TNGameView::letterboxFrame({0, 0, 800, 600}, 1.5f, &current);
    const double h = static_cast<float>(800.0 / 1.5);
    EXPECT_EQ((std::array<double, 5>{f.x, f.y, f.width, f.height, current}),
              (std::array<double, 5>{0, (600 - h) / 2, 800, h, static_cast<float>(800.0 / 600.0)}));
}

TEST(Clock, FirstReadOfTheProcessIsZero)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    // A fresh process: its first read must be exactly 0.
    EXPECT_EXIT(std::exit(TNDate::getTimeAsFloat() == 0.0f ? 0 : 1), ::testing::ExitedWithCode(0), "");
}

TEST_F(GameViewTest, ReshapeLetterboxesWithBlackBarsAndReportsTheSize)
{
    TestEngine& engine = attach();
    TNGameView& view = *view_;
    ASSERT_TRUE(view.isValid());
    EXPECT_FLOAT_EQ(view.originalAspectRatio(), 800.0f / 600.0f);
    view.reshape();
    view.drawView();  // red over the whole window: the bars must be cleared
    view.setOriginalAspectRatio(1.5f);
    view.reshape();

    // The frame itself is pinned by the letterbox table; here its size
    // reaches the script and the viewport.
    EXPECT_EQ(engine.eval("screenWidth") + "x" + engine.eval("screenHeight"), "800x533");
    view.resetTimebase();
    view.drawView();
    view.lockContext();
    std::array<GLint, 4> viewport{};
    glGetIntegerv(GL_VIEWPORT, viewport.data());
    view.unlockContext();
    EXPECT_EQ(viewport, (std::array<GLint, 4>{0, 33, 800, 533}));
    // The game's clear stays inside the view; the bars above and below are
    // black up to its edge.
    EXPECT_EQ(colours(view, {{400, 0}, {400, 32}, {400, 33}, {400, 300}, {400, 565}, {400, 566}, {400, 599}}),
              "kkrrrkk");

    // Bars at the sides: 600 x 600 from x = 100.
    view.setOriginalAspectRatio(1.0f);
    view.reshape();
    view.drawView();
    EXPECT_EQ(colours(view, {{0, 300}, {99, 300}, {100, 300}, {699, 300}, {700, 300}, {799, 300}}), "kkrrkk");
}

// Headless, the view draws into a target that follows the window's size,
// not into the surface the offscreen driver made at the window's first size.
TEST_F(GameViewTest, HeadlessDrawsIntoATargetTheWindowsSize)
{
    attach();
    TNGameView& view = *view_;
    ASSERT_TRUE(view.drawIntoOffscreenTarget());
    SDL_SetWindowSize(window_->window(), 400, 300);
    window_->backing().updateBounds();
    view.reshape();
    view.drawView();

    view.lockContext();
    GLint renderbuffer = 0, width = 0, height = 0;
    glGetFramebufferAttachmentParameteriv(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0,
                                          GL_FRAMEBUFFER_ATTACHMENT_OBJECT_NAME, &renderbuffer);
    glBindRenderbuffer(GL_RENDERBUFFER, renderbuffer);
    glGetRenderbufferParameteriv(GL_RENDERBUFFER, GL_RENDERBUFFER_WIDTH, &width);
    glGetRenderbufferParameteriv(GL_RENDERBUFFER, GL_RENDERBUFFER_HEIGHT, &height);
    glBindRenderbuffer(GL_RENDERBUFFER, 0);
    view.unlockContext();
    EXPECT_EQ(std::to_string(width) + "x" + std::to_string(height), "400x300");
    EXPECT_EQ(colours(view, {{0, 0}, {399, 0}, {0, 299}, {399, 299}}), "rrrr");
}

TEST_F(GameViewTest, DrawingDisabledShowsBlackAndWithoutAnEngineNothingIsCalled)
{
    TestEngine& engine = attach();
    TNGameView& view = *view_;
    view.reshape();
    EXPECT_FALSE(view.drawingEnabled());
    view.drawRect();
    EXPECT_EQ(engine.eval("renders"), "0");
    EXPECT_EQ(colours(view, {{400, 300}}), "k");

    // Enabling asks for a redraw, which renders without advancing time.
    view.setDrawingEnabled(true);
    view.displayIfNeeded();
    EXPECT_FALSE(view.needsDisplay());
    EXPECT_EQ(engine.eval("renders") + " " + engine.eval("frames"), "1 0");
    EXPECT_EQ(colours(view, {{400, 300}}), "b");

    view.setLuaState(nullptr);
    view.updateScreenSize(100, 100);
    view.reshape();
    view.drawView();
    view.setNeedsDisplay();
    view.displayIfNeeded();
    view.play();
    view.pause();
    view.stop();
    view.postEvent("keyDown", {});
    EXPECT_EQ(engine.eval("renders") + " " + engine.eval("frames") + " " + engine.eval("plays"), "1 0 0");
}

// A second start keeps the one timer, and a second stop is harmless.
TEST_F(GameViewTest, TimerDrivesFramesAtTheInterval)
{
    TestEngine& engine = attach();
    TNGameView& view = *view_;
    std::shared_ptr<RunLoop> loop = RunLoop::current();
    const size_t timers = loop->timerCount();
    view.play();
    view.startAnimation();
    EXPECT_EQ(engine.eval("plays"), "1");
    EXPECT_EQ(loop->timerCount(), timers + 1);
    // Half a second of the loop on this thread: about 30 frames.
    loop->runUntil(RunLoop::Clock::now() + std::chrono::milliseconds(500));
    view.stop();
    view.stopAnimation();
    EXPECT_FALSE(view.animating());
    EXPECT_EQ(loop->timerCount(), timers);
    const int frames = std::atoi(engine.eval("frames").c_str());
    EXPECT_GE(frames, 10);
    EXPECT_LE(frames, 32);
    // The frame interval of 2 halves the rate.
    view.setAnimationFrameInterval(2);
    engine.run("frames = 0");
    view.play();
    loop->runUntil(RunLoop::Clock::now() + std::chrono::milliseconds(500));
    view.stop();
    EXPECT_LE(std::atoi(engine.eval("frames").c_str()), 16);
}

// The thread holding the context lock may take it again (a script call made
// inside a frame): the context stays current until the outermost unlock,
// after which another thread can make it current.
TEST_F(GameViewTest, ContextLockRetakenByItsHolderKeepsTheContextUntilTheOutermostUnlock)
{
    TNGameView& view = *view_;
    view.lockContext();
    view.lockContext();
    view.unlockContext();
    EXPECT_EQ(SDL_GL_GetCurrentContext(), view.context());
    EXPECT_NE(glGetString(GL_VERSION), nullptr);
    view.unlockContext();
    EXPECT_EQ(SDL_GL_GetCurrentContext(), nullptr);

    SDL_GLContext seen = nullptr;
    std::thread other([&] {
        view.lockContext();
        seen = SDL_GL_GetCurrentContext();
        view.unlockContext();
        SDL_TLSCleanup();
    });
    other.join();
    EXPECT_EQ(seen, view.context());
}
