// Game controllers as keys: the button table, the stick's dead zone and
// hysteresis, keys held by several sources, and unplugging, first with
// synthetic SDL events, then with SDL's virtual controller driving a
// render-thread view whose script logs its keys.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "GameViewSupport.h"
#include "window/TNGamepadInput.h"
#include "window/TNThreadedGameView.h"

using namespace tern_test;
using namespace std::chrono_literals;

namespace {

using Calls = std::vector<std::string>;

SDL_Event padEvent(Uint32 type, SDL_JoystickID pad, int part, int value)
{
    SDL_Event e{};
    e.type = type;
    if (type == SDL_CONTROLLERAXISMOTION) {
        e.caxis = {type, 0, pad, static_cast<Uint8>(part), 0, 0, 0, static_cast<Sint16>(value), 0};
    } else if (type == SDL_CONTROLLERDEVICEREMOVED) {
        e.cdevice.which = pad;
    } else {
        e.cbutton = {type, 0, pad, static_cast<Uint8>(part), static_cast<Uint8>(value), 0, 0};
    }
    return e;
}
SDL_Event down(SDL_JoystickID pad, int button) { return padEvent(SDL_CONTROLLERBUTTONDOWN, pad, button, SDL_PRESSED); }
SDL_Event up(SDL_JoystickID pad, int button) { return padEvent(SDL_CONTROLLERBUTTONUP, pad, button, SDL_RELEASED); }
SDL_Event stick(SDL_JoystickID pad, int axis, int value) { return padEvent(SDL_CONTROLLERAXISMOTION, pad, axis, value); }
SDL_Event unplug(SDL_JoystickID pad) { return padEvent(SDL_CONTROLLERDEVICEREMOVED, pad, 0, 0); }

Calls feed(TNGamepadInput& input, std::initializer_list<SDL_Event> events)
{
    Calls calls;
    for (const SDL_Event& e : events)
        for (const TNScriptEvent& call : input.handleEvent(e))
            calls.push_back(call.function + ":" + call.name);
    return calls;
}

}  // namespace

TEST(GamepadInput, ButtonsGiveTheKeysTheScriptKnows)
{
    struct Case {
        SDL_GameControllerButton button;
        const char* key;  // null: not a key
    } cases[] = {
        {SDL_CONTROLLER_BUTTON_DPAD_UP, "up"},     {SDL_CONTROLLER_BUTTON_DPAD_DOWN, "down"},
        {SDL_CONTROLLER_BUTTON_DPAD_LEFT, "left"}, {SDL_CONTROLLER_BUTTON_DPAD_RIGHT, "right"},
        {SDL_CONTROLLER_BUTTON_A, "space"},        {SDL_CONTROLLER_BUTTON_B, "esc"},
        {SDL_CONTROLLER_BUTTON_START, "return"},   {SDL_CONTROLLER_BUTTON_X, nullptr},
        {SDL_CONTROLLER_BUTTON_BACK, nullptr},     {SDL_CONTROLLER_BUTTON_LEFTSHOULDER, nullptr},
    };
    for (const Case& c : cases) {
        TNGamepadInput input;
        const Calls expected = c.key ? Calls{std::string("keyDown:") + c.key, std::string("keyUp:") + c.key} : Calls{};
        // A second report of the same press is still one keyDown.
        EXPECT_EQ(feed(input, {down(1, c.button), down(1, c.button), up(1, c.button)}), expected)
            << SDL_GameControllerGetStringForButton(c.button);
    }
}

// Pushed past half travel, released inside a quarter; a push that wavers
// between the two is one keyDown and one keyUp, and a swing across the
// centre releases one side before pressing the other.
TEST(GamepadInput, StickHasADeadZoneAndHysteresis)
{
    struct Step {
        int value;
        Calls calls;
    } steps[] = {
        {4000, {}},       {16383, {}},  {16384, {"keyDown:right"}}, {9000, {}},
        {30000, {}},      {8192, {}},   {8191, {"keyUp:right"}},    {12000, {}},
        {-16384, {"keyDown:left"}},     {-8192, {}},                {20000, {"keyUp:left", "keyDown:right"}},
        {0, {"keyUp:right"}},
    };
    TNGamepadInput input;
    for (const Step& s : steps)
        EXPECT_EQ(feed(input, {stick(1, SDL_CONTROLLER_AXIS_LEFTX, s.value)}), s.calls) << "x = " << s.value;
    // SDL's y axis grows downwards; the right stick and the triggers are not keys.
    EXPECT_EQ(feed(input, {stick(1, SDL_CONTROLLER_AXIS_LEFTY, -32768), stick(1, SDL_CONTROLLER_AXIS_LEFTY, 32767),
                           stick(1, SDL_CONTROLLER_AXIS_RIGHTX, 32767), stick(1, SDL_CONTROLLER_AXIS_TRIGGERLEFT, 32767)}),
              (Calls{"keyDown:up", "keyUp:up", "keyDown:down"}));
}

// A key held by the d-pad and the stick of one controller and by a second
// controller goes down with the first and up with the last. Unplugging a
// controller releases what it alone held, and its stick starts again from
// the centre.
TEST(GamepadInput, SharedKeysAndUnplugging)
{
    const int x = SDL_CONTROLLER_AXIS_LEFTX, y = SDL_CONTROLLER_AXIS_LEFTY;
    TNGamepadInput input;
    EXPECT_EQ(feed(input, {down(1, SDL_CONTROLLER_BUTTON_DPAD_RIGHT), stick(1, x, 30000),
                           down(2, SDL_CONTROLLER_BUTTON_DPAD_RIGHT), up(1, SDL_CONTROLLER_BUTTON_DPAD_RIGHT),
                           stick(1, x, 0)}),
              (Calls{"keyDown:right"}));
    EXPECT_EQ(feed(input, {up(2, SDL_CONTROLLER_BUTTON_DPAD_RIGHT)}), (Calls{"keyUp:right"}));

    feed(input, {down(1, SDL_CONTROLLER_BUTTON_A), stick(1, y, -30000), down(1, SDL_CONTROLLER_BUTTON_START),
                 down(2, SDL_CONTROLLER_BUTTON_START), down(2, SDL_CONTROLLER_BUTTON_B)});
    Calls released = feed(input, {unplug(1)});
    std::sort(released.begin(), released.end());
    EXPECT_EQ(released, (Calls{"keyUp:space", "keyUp:up"}));
    EXPECT_EQ(feed(input, {stick(1, y, -10000)}), Calls{});
    EXPECT_EQ(feed(input, {unplug(2)}), (Calls{"keyUp:esc", "keyUp:return"}));
    EXPECT_EQ(feed(input, {unplug(2)}), Calls{});
}

namespace {

// A virtual controller on SDL's game-controller support, and a view playing
// the logging script. The offscreen window never has the input focus, so
// controller events are let through without it.
class VirtualGamepadTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!video_.ok())
            GTEST_SKIP() << "no SDL video: " << video_.error();
        SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
        ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER), 0) << SDL_GetError();
        ASSERT_TRUE(window_.ok()) << SDL_GetError();
        game_ = std::make_unique<PlayingView>(window_);
        game_->view().playWaitUntilDone(true);
        game_->engine().run("log = {}");  // keys only
    }
    void TearDown() override
    {
        // The view closes its controllers before SDL's support ends.
        game_.reset();
        while (SDL_NumJoysticks() > 0 && SDL_JoystickIsVirtual(0))
            SDL_JoystickDetachVirtual(0);
        SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
        SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, nullptr);
    }

    // Plugs in a virtual controller; its joystick once the view opened it.
    SDL_Joystick* plugIn()
    {
        const int index = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, SDL_CONTROLLER_AXIS_MAX,
                                                    SDL_CONTROLLER_BUTTON_MAX, 0);
        EXPECT_GE(index, 0) << SDL_GetError();
        const SDL_JoystickID id = SDL_JoystickGetDeviceInstanceID(index);
        EXPECT_TRUE(game_->pumpUntil([&] { return game_->view().gamepads().controllerCount() == 1; }));
        return SDL_JoystickFromInstanceID(id);
    }
    std::string log() { return game_->log(); }

    VideoSession video_{"offscreen"};
    TestWindow window_{320, 240};
    std::unique_ptr<PlayingView> game_;
};

}  // namespace

// Plugged in while the game plays: its buttons and stick reach the script
// as keys on the render thread (what each gives is pinned above). Pulled
// out with keys held, the script gets their keyUp; a controller plugged in
// before the game started is opened when play starts.
TEST_F(VirtualGamepadTest, PluggedInPlayedAndPulledOut)
{
    SDL_Joystick* pad = plugIn();
    ASSERT_NE(pad, nullptr);
    // The virtual controller's state is read when events are pumped: each
    // change is pumped before the next, so none is lost.
    for (const auto& [button, down] : {std::pair{SDL_CONTROLLER_BUTTON_DPAD_RIGHT, 1},
                                       {SDL_CONTROLLER_BUTTON_DPAD_RIGHT, 0}, {SDL_CONTROLLER_BUTTON_B, 1}}) {
        SDL_JoystickSetVirtualButton(pad, button, static_cast<Uint8>(down));
        game_->pump();
    }
    SDL_JoystickSetVirtualAxis(pad, SDL_CONTROLLER_AXIS_LEFTY, 32767);
    const std::string held = "keyDown:right keyUp:right keyDown:esc keyDown:down";
    ASSERT_TRUE(game_->pumpUntil([&] { return log() == held; })) << log();
    ASSERT_EQ(SDL_JoystickDetachVirtual(0), 0) << SDL_GetError();
    // The two keyUp calls come in either order, after the render thread ran them.
    ASSERT_TRUE(game_->pumpUntil([&] {
        return game_->view().gamepads().controllerCount() == 0 &&
               (log() == held + " keyUp:esc keyUp:down" || log() == held + " keyUp:down keyUp:esc");
    })) << log();

    SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, SDL_CONTROLLER_AXIS_MAX, SDL_CONTROLLER_BUTTON_MAX, 0);
    game_->view().gamepads().openConnectedControllers();
    EXPECT_EQ(game_->view().gamepads().controllerCount(), 1);
}
