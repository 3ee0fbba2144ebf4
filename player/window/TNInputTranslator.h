// Turns SDL keyboard and mouse events into the script calls of the game
// view: keyDown(name) / keyUp(name) with a name from the key vocabulary, and
// mouseDown(x, y) / mouseUp(x, y) / mouseMoved(x, y) in view coordinates
// (origin at the view's lower-left corner, y up).
//
// Keys are first turned into the character codes the vocabulary is written
// in (arrows and forward delete in the function-key range 0xF700...), then
// into names. Modifier keys drive a modifier-flag word, and a change of it
// sends keyDown or keyUp for the modifiers that turned fully on or off.
// The window's own keys (the full-screen toggle) are picked out first and
// never become script calls.
#ifndef TN_INPUT_TRANSLATOR_H
#define TN_INPUT_TRANSLATOR_H

#include <SDL.h>

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "window/TNRect.h"

// Modifier flag bits (the shift bits include the left/right device bits).
enum : uint64_t {
    TNAlphaShiftKeyMask = 0x10000,
    TNShiftKeyMask = 0x20000,
    TNLeftShiftDeviceMask = 0x2,
    TNRightShiftDeviceMask = 0x4,
    TNControlKeyMask = 0x40000,
    TNAlternateKeyMask = 0x80000,
    TNCommandKeyMask = 0x100000,
};

// Character codes of keys that type no character of their own.
enum : uint32_t {
    TNUpArrowFunctionKey = 0xF700,
    TNDownArrowFunctionKey = 0xF701,
    TNLeftArrowFunctionKey = 0xF702,
    TNRightArrowFunctionKey = 0xF703,
    TNF1FunctionKey = 0xF704,
    TNInsertFunctionKey = 0xF727,
    TNDeleteFunctionKey = 0xF728,
    TNHomeFunctionKey = 0xF729,
    TNEndFunctionKey = 0xF72B,
    TNPageUpFunctionKey = 0xF72C,
    TNPageDownFunctionKey = 0xF72D,
};

// One call of a script global: keyDown/keyUp with a name, or a mouse
// function with a position.
struct TNScriptEvent {
    std::string function;
    std::string name;
    float x = 0.0f;
    float y = 0.0f;
    bool isMouse() const { return name.empty(); }
};

// The key's character as typed with the modifiers in mod (shift and caps
// lock on a US layout), or 0 for a key that types nothing (modifiers, F13...).
uint32_t TNCharacterForKey(SDL_Keycode key, uint16_t mod);
// The vocabulary name of a character; other characters give themselves, in UTF-8.
std::string TNKeyNameForCharacter(uint32_t character);
// The modifier flag word of an SDL modifier state.
uint64_t TNModifierFlagsFromSDL(uint16_t mod);
// Whether the key is one of the modifier keys handled as flag changes.
bool TNIsModifierKey(SDL_Keycode key);

// What a key event is to the window: the script's key (no shortcut), the
// press of the full-screen toggle, or another event of a key the window
// took (its repeats and its release).
enum class TNWindowKey { Script, ToggleFullScreen, Taken };

class TNInputTranslator {
public:
    // F11, or Alt with Return or keypad Enter, toggles full screen. A key
    // taken on its press stays the window's until it is released, whatever
    // the modifiers are by then; a key already held when Alt went down
    // stays the script's.
    TNWindowKey windowKey(const SDL_KeyboardEvent& key);

    // The script calls for one event. viewFrame is the game view's frame in
    // its parent (the window's content, y up) and contentHeight that
    // parent's height, both in window points.
    std::vector<TNScriptEvent> translate(const SDL_Event& event, const TNRect& viewFrame, double contentHeight);

    // The modifier state machine, fed with a new flag word.
    std::vector<TNScriptEvent> flagsChanged(uint64_t flags);

    uint64_t currentModifierFlags() const { return currentModifierFlags_; }
    uint64_t previousModifierFlags() const { return previousModifierFlags_; }

private:
    std::vector<TNScriptEvent> keyEvent(const SDL_KeyboardEvent& key);
    std::vector<TNScriptEvent> mouseButton(const SDL_MouseButtonEvent& button, const TNRect& viewFrame,
                                           double contentHeight);
    std::vector<TNScriptEvent> mouseMotion(const SDL_MouseMotionEvent& motion, const TNRect& viewFrame,
                                           double contentHeight);
    void checkModifier(uint64_t mask, const char* name, std::vector<TNScriptEvent>& out) const;

    // Keys (by position) pressed as the window's shortcut and not yet released.
    std::set<SDL_Scancode> windowKeysDown_;
    uint64_t currentModifierFlags_ = 0;
    uint64_t previousModifierFlags_ = 0;
    // The primary button went down inside the view: drags and the release
    // belong to the view until the button comes up.
    bool pressedInView_ = false;
};

#endif
