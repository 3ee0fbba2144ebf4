// The demo game played through the real engine host: its scenes, drawing,
// input, physics, saved high score, and its bundle as the build lays it out.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "DemoGame.h"
#include "TestSupport.h"

using namespace tern_test;

namespace {

bool isBackground(const Pixel& p)
{
    return p.r < 60 && p.g < 70 && p.b > 20 && p.b < 110;
}

bool isWarmText(const Pixel& p)  // the title's pale yellow
{
    return p.r > 200 && p.g > 170 && p.b < 200;
}

bool isRedBrick(const Pixel& p)
{
    return p.r > 150 && p.g < 120 && p.b < 120;
}

bool isPaddle(const Pixel& p)
{
    return p.b > 180 && p.b >= p.r && p.g > 100;
}

class DemoGameTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(gl.ok()) << gl.error();
        ASSERT_TRUE(fileExists(demoEngine())) << "the build lays out " << demoBundle();
    }

    std::string savePath() const { return dir.file("save.data"); }

    TempDir dir;
    OffscreenGL gl{480, 320};
};

// The title over the night sky; with the same input at the same fixed
// step, two runs draw the same frames (particles included).
TEST_F(DemoGameTest, TitleSceneAndRunsAreReproducible)
{
    std::vector<Pixel> screens[2][2];  // run, title/play
    for (int run = 0; run < 2; ++run) {
        TempDir save;
        DemoGame game(gl, save.file("save.data"));
        game.frames(60);
        screens[run][0] = gl.readPixels();
        if (run == 0) {
            EXPECT_EQ(game.initStatus(), 0);
            EXPECT_EQ(game.eval("game.sceneName"), "title");
            // Corners are sky; the band of the title holds plenty of its pale yellow.
            EXPECT_GT(game.countPixels(0, 280, 40, 40, isBackground), 1000);
            EXPECT_GT(game.countPixels(60, 210, 360, 45, isWarmText), 300);
            // The fountain's warm particles fan out above its source at (240, 60).
            EXPECT_GT(game.countPixels(180, 60, 120, 100, [](const Pixel& p) { return p.r > 150 && p.g > 60 && p.b < 120; }), 30);
            EXPECT_EQ(game.eval("#game.current.texts .. ' texts, ' .. game.current.texts[3].shown"),
                      "4 texts, High score 0");
        }
        game.press("space");
        game.frames(5);
        game.press("space");
        game.frames(40);
        screens[run][1] = gl.readPixels();
    }
    for (int screen = 0; screen < 2; ++screen)
        EXPECT_TRUE(screens[0][screen] == screens[1][screen]) << (screen ? "play" : "title");
}

TEST_F(DemoGameTest, SpaceStartsPlayAndTheArrowKeysMoveThePaddle)
{
    DemoGame game(gl, savePath());
    game.frames(2);
    game.press("space");
    game.frames(2);
    ASSERT_EQ(game.eval("game.sceneName"), "play");
    EXPECT_EQ(game.eval("game.current.roles.brick .. ' bricks, ' .. game.vars.lives .. ' lives, ' .. "
                        "game.vars.score .. ', ' .. game.current.named.score.shown"),
              "32 bricks, 3 lives, 0, Score 0");

    // The top row of bricks is red, centred at y 260 from x 58; the paddle at (240, 24).
    EXPECT_GT(game.countPixels(40, 254, 36, 12, isRedBrick), 300);
    EXPECT_LT(game.countPixels(40, 194, 36, 12, isRedBrick), 40);
    EXPECT_GT(game.countPixels(210, 20, 60, 8, isPaddle), 300);
    EXPECT_LT(game.countPixels(20, 20, 60, 8, isPaddle), 40);  // a star or two at most

    // The arrow keys move the paddle; the pointer, which the ball-chasing
    // tests below steer it with, is seen in the window test too.
    TN_KeyDown(game.state(), "left");
    game.frames(30);  // half a second at 360 px/s
    TN_KeyUp(game.state(), "left");
    game.frames(1);
    const float x = std::stof(game.eval("game.current.named.paddle.x"));
    EXPECT_NEAR(x, 240 - 180, 12);

    // The ball rides on the paddle until launched.
    EXPECT_NEAR(std::stof(game.eval("game.current.named.ball.x")), x, 2);

    // The paddle stops at the wall.
    TN_KeyDown(game.state(), "right");
    game.frames(90);
    EXPECT_LE(std::stof(game.eval("game.current.named.paddle.x")), 480 - 36 + 8);
}

TEST_F(DemoGameTest, TheBallBreaksBricksAndScores)
{
    DemoGame game(gl, savePath());
    game.press("space");
    game.frames(1);
    game.press("space");  // launch
    // The paddle follows the ball so it is not lost.
    ASSERT_TRUE(game.framesUntil("(function() local b = game.current.named.ball "
                                 "if b then mouseMoved(b.x, 0) end return game.vars.score >= 20 end)()",
                                 1200));
    EXPECT_LE(std::stoi(game.eval("game.current.roles.brick")), 30);
    game.frames(1);
    EXPECT_EQ(game.eval("game.current.named.score.shown"), "Score " + game.eval("game.vars.score"));
}

TEST_F(DemoGameTest, LosingEveryBallEndsTheGameAndKeepsTheHighScore)
{
    std::string finalScore;
    {
        DemoGame game(gl, savePath());
        game.press("space");
        game.frames(1);
        ASSERT_EQ(game.eval("(function() game.vars.score = 70 return true end)()"), "true");
        for (int ball = 0; ball < 3; ++ball) {
            TN_MouseMoved(game.state(), 240, 0);
            game.frames(20);
            game.press("space");
            // Park the paddle far from the ball's way down.
            ASSERT_TRUE(game.framesUntil("(function() local b = game.current.named.ball "
                                         "if b then mouseMoved(b.x < 240 and 440 or 40, 0) end "
                                         "return game.sceneName == 'gameover' or game.vars.lives == " +
                                             std::to_string(2 - ball) + " end)()",
                                         1500));
        }
        game.frames(2);
        EXPECT_EQ(game.eval("game.sceneName"), "gameover");
        finalScore = game.eval("game.vars.score");
        EXPECT_GE(std::stoi(finalScore), 70);
        EXPECT_EQ(game.eval("game.current.texts[2].shown .. ', ' .. game.current.texts[3].shown"),
                  "Score " + finalScore + ", High score " + finalScore);
        game.press("space");
        game.frames(1);
        EXPECT_EQ(game.eval("game.sceneName"), "title");
    }
    // A second run reads it back and shows it on the title.
    DemoGame again(gl, savePath());
    again.frames(2);
    EXPECT_EQ(again.eval("game.vars.highScore"), finalScore);
    EXPECT_EQ(again.eval("game.current.texts[3].shown"), "High score " + finalScore);
    // A lower score later does not replace it.
    EXPECT_EQ(again.eval("(function() game.vars.score = 10 game:saveHighScore() return game.vars.highScore end)()"),
              finalScore);
}

TEST_F(DemoGameTest, PauseFreezesTheGameAndRenderStillDraws)
{
    DemoGame game(gl, savePath());
    game.press("space");
    game.press("space");
    game.frames(10);
    TN_Pause(game.state());
    const std::string y = game.eval("game.current.named.ball.y");
    game.frames(10);
    EXPECT_EQ(game.eval("game.current.named.ball.y"), y);
    TN_Render(game.state());
    EXPECT_GT(game.countPixels(210, 20, 60, 8, isPaddle), 100);
    TN_Play(game.state());
    game.frames(10);
    EXPECT_NE(game.eval("game.current.named.ball.y"), y);
}

// A project the engine script cannot use, or one naming what it does not
// hold, prints one line per fault and the frames go on: a missing picture
// falls back to the actor's colour, and a rule naming an unknown scene
// leaves the scene where it is.
TEST_F(DemoGameTest, BrokenProjectsAndUnknownNamesArePrintedAndTheGameCarriesOn)
{
    TempDir broken, unknown;
    writeFile(broken.file("project.xml"),
              "<project startScene=\"a\"><scene name=\"a\" file=\"a.xml\"/><widget/></project>");
    writeFile(broken.file("a.xml"), "<scene><actor x=\"1\"></scene>");
    writeFile(unknown.file("project.xml"),
              "<project startScene=\"a\" width=\"480\" height=\"320\"><scene name=\"a\" file=\"a.xml\"/></project>");
    writeFile(unknown.file("a.xml"),
              "<scene background=\"#000000\">"
              "<actor image=\"nowhere\" color=\"#00ff00\" x=\"100\" y=\"100\" width=\"40\" height=\"40\"/>"
              "<rule on=\"keyDown\" key=\"space\" scene=\"elsewhere\"/></scene>");
    const struct {
        std::string project;
        std::vector<std::string> lines;
        std::string scene;
    } cases[] = {
        {broken.file("nothing-here"), {"Demo: cannot read the project"}, "nil"},
        {broken.path(), {"Demo: project.xml: unknown element <widget>", "Demo: cannot read scene 'a'"}, "nil"},
        {unknown.path(), {"Demo: no scene named 'elsewhere'"}, "a"},
    };
    for (const auto& c : cases) {
        testing::internal::CaptureStdout();
        DemoGame game(gl, "", demoEngine(), c.project);
        game.frames(2);
        game.press("space");
        game.frames(2);
        const std::string out = testing::internal::GetCapturedStdout();
        for (const std::string& line : c.lines)
            EXPECT_NE(out.find(line), std::string::npos) << out;
        EXPECT_EQ(game.eval("game and game.current and game.sceneName"), c.scene) << c.project;
        EXPECT_EQ(game.countPixels(85, 85, 30, 30, [](const Pixel& p) { return p.g > 200 && p.r < 50; }) > 800,
                  c.scene == "a") << c.project;
    }
}

}  // namespace
