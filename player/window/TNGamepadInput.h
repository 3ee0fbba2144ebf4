// Game controllers as keys: SDL game-controller events become the keyDown
// and keyUp calls of keys the script already knows.
//
//   d-pad up, down, left, right     "up", "down", "left", "right"
//   left stick up, down, left, right
//   A                               "space"
//   B                               "esc"
//   Start                           "return"
//
// A stick direction counts as pressed once the stick is pushed past half
// its travel and as released once it is back inside a quarter: between the
// two nothing changes, so a push that wavers is still one keyDown and one
// keyUp. A key held by several sources (the d-pad and the stick, or two
// controllers) goes down with the first and up with the last. Controllers
// come and go while the game plays; unplugging one releases what it held.
//
// Main thread only. Controllers are opened here and closed on removal or
// destruction.
#ifndef TN_GAMEPAD_INPUT_H
#define TN_GAMEPAD_INPUT_H

#include <SDL.h>

#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "window/TNInputTranslator.h"

class TNGamepadInput {
public:
    // Stick positions (SDL's axis range is -32768 to 32767).
    static constexpr int kStickPressed = 16384;
    static constexpr int kStickReleased = 8192;

    TNGamepadInput() = default;
    ~TNGamepadInput();
    TNGamepadInput(const TNGamepadInput&) = delete;
    TNGamepadInput& operator=(const TNGamepadInput&) = delete;

    // Opens every game controller connected now; those plugged in later
    // arrive as events.
    void openConnectedControllers();
    int controllerCount() const { return static_cast<int>(controllers_.size()); }

    static bool isControllerEvent(const SDL_Event& event);
    // The script calls for one controller event (nothing for other events).
    std::vector<TNScriptEvent> handleEvent(const SDL_Event& event);

    // A stick axis's direction (-1, 0 or 1) after value, given the one it
    // had: the dead zone and hysteresis described above.
    static int stickDirection(int current, int value);

private:
    // One thing that holds a key down: a controller and one of its buttons
    // or stick directions.
    using Source = std::pair<SDL_JoystickID, int>;

    void open(int deviceIndex);
    void removed(SDL_JoystickID pad, std::vector<TNScriptEvent>& out);
    void button(const SDL_ControllerButtonEvent& event, std::vector<TNScriptEvent>& out);
    void axis(const SDL_ControllerAxisEvent& event, std::vector<TNScriptEvent>& out);
    void press(const char* name, const Source& source, std::vector<TNScriptEvent>& out);
    void release(const char* name, const Source& source, std::vector<TNScriptEvent>& out);

    std::map<SDL_JoystickID, SDL_GameController*> controllers_;
    // Each key name the controllers hold, with what holds it.
    std::map<std::string, std::set<Source>> holders_;
    // The direction each stick axis of each controller points in.
    std::map<Source, int> stickDirections_;
};

#endif
