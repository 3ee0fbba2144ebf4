// Key names, the modifier state machine and mouse coordinates, driven by
// synthetic SDL events.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "window/TNInputTranslator.h"

namespace {

SDL_Event keyEvent(Uint32 type, SDL_Keycode sym, Uint16 mod = KMOD_NONE, Uint8 repeat = 0)
{
    SDL_Event e{};
    const Uint8 state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
    e.key = {type, 0, 0, state, repeat, 0, 0, {SDL_SCANCODE_UNKNOWN, sym, mod, 0}};
    return e;
}

SDL_Event button(Uint32 type, int x, int y, Uint8 which = SDL_BUTTON_LEFT)
{
    SDL_Event e{};
    e.button = {type, 0, 0, 0, which, 0, 0, 0, x, y};
    return e;
}

SDL_Event motion(int x, int y, Uint32 state = 0)
{
    SDL_Event e{};
    e.motion = {SDL_MOUSEMOTION, 0, 0, 0, state, x, y, 0, 0};
    return e;
}

// "keyDown:left shift" style summaries of the calls.
std::vector<std::string> summary(const std::vector<TNScriptEvent>& events)
{
    std::vector<std::string> out;
    for (const TNScriptEvent& e : events) {
        if (e.isMouse())
            out.push_back(e.function + ":" + std::to_string(static_cast<int>(e.x)) + "," +
                          std::to_string(static_cast<int>(e.y)));
        else
            out.push_back(e.function + ":" + e.name);
    }
    return out;
}

const TNRect kWindow{0, 0, 800, 600};
using Calls = std::vector<std::string>;

}  // namespace

// Special keys by their names, ordinary keys by the character typed.
TEST(KeyNames, NamesOfSpecialKeysAndCharactersOfOthers)
{
    struct Case {
        SDL_Keycode key;
        Uint16 mod;
        const char* name;
    } cases[] = {
        {SDLK_SPACE, KMOD_NONE, "space"}, {SDLK_RETURN, KMOD_NONE, "return"}, {SDLK_KP_ENTER, KMOD_NONE, "return"},
        {SDLK_TAB, KMOD_NONE, "tab"},     {SDLK_ESCAPE, KMOD_NONE, "esc"},    {SDLK_UP, KMOD_NONE, "up"},
        {SDLK_DOWN, KMOD_NONE, "down"},   {SDLK_LEFT, KMOD_NONE, "left"},     {SDLK_RIGHT, KMOD_NONE, "right"},
        {SDLK_DELETE, KMOD_NONE, "delete"}, {SDLK_a, KMOD_NONE, "a"}, {SDLK_a, KMOD_LSHIFT, "A"}, {SDLK_a, KMOD_CAPS, "A"},
        {SDLK_a, KMOD_CAPS | KMOD_RSHIFT, "a"}, {SDLK_1, KMOD_NONE, "1"}, {SDLK_1, KMOD_LSHIFT, "!"},
        {SDLK_SLASH, KMOD_RSHIFT, "?"}, {SDLK_KP_7, KMOD_NONE, "7"},
        {SDLK_1, KMOD_CAPS, "1"},             // caps lock does not shift digits
        {SDLK_BACKSPACE, KMOD_NONE, "\x7f"},  // backspace passes its own character, 127
        {0xE9, KMOD_NONE, "\xC3\xA9"},        // a key of another layout arrives as UTF-8
    };
    for (const Case& c : cases)
        EXPECT_EQ(TNKeyNameForCharacter(TNCharacterForKey(c.key, c.mod)), c.name) << c.name;
    EXPECT_EQ(TNKeyNameForCharacter(10), "return");
    // F1 passes its function-key character; keys without one give nothing.
    EXPECT_EQ(TNCharacterForKey(SDLK_F1, KMOD_NONE), 0xF704u);
    EXPECT_EQ(TNCharacterForKey(SDLK_F13, KMOD_NONE), 0u);
}

// Two shift keys share the shift flag: of left then right, only the first
// is announced; releasing the first of the two says nothing and the last
// says its own name. Everything at once arrives in the fixed order of the
// checks.
TEST(InputTranslator, ModifierChangesInTheirOrder)
{
    struct Step {
        Uint16 mod;
        Calls calls;
    } steps[] = {
        {KMOD_LSHIFT, {"keyDown:left shift"}}, {KMOD_LSHIFT | KMOD_RSHIFT, {}}, {KMOD_RSHIFT, {}},
        {KMOD_NONE, {"keyUp:right shift"}},
        {KMOD_CAPS | KMOD_LSHIFT | KMOD_RCTRL | KMOD_LALT | KMOD_RGUI,
         {"keyDown:caps lock", "keyDown:left shift", "keyDown:ctrl", "keyDown:alt", "keyDown:cmd"}},
        {KMOD_NONE, {"keyUp:caps lock", "keyUp:left shift", "keyUp:ctrl", "keyUp:alt", "keyUp:cmd"}},
    };
    TNInputTranslator t;
    int index = 0;
    for (const Step& s : steps)
        EXPECT_EQ(summary(t.flagsChanged(TNModifierFlagsFromSDL(s.mod))), s.calls) << "step " << index++;
    EXPECT_EQ(TNModifierFlagsFromSDL(KMOD_LSHIFT), 0x20002u);  // the flag word the view reports
}

// The calls whole sequences of events make, each through a fresh translator.
TEST(InputTranslator, EventSequencesGiveTheirCalls)
{
    const TNRect letterboxed{0, 33.333, 800, 533.333};  // bars above and below in the 800 x 600 window
    const TNRect barsAside{100, 0, 600, 600};
    struct Case {
        const char* what;
        std::vector<SDL_Event> events;
        TNRect view;
        Calls calls;
    } cases[] = {
        {"left shift alone", {keyEvent(SDL_KEYDOWN, SDLK_LSHIFT, KMOD_LSHIFT), keyEvent(SDL_KEYUP, SDLK_LSHIFT)},
         kWindow, {"keyDown:left shift", "keyUp:left shift"}},
        {"auto-repeat is ignored; keys without a name say nothing",
         {keyEvent(SDL_KEYDOWN, SDLK_RIGHT), keyEvent(SDL_KEYDOWN, SDLK_RIGHT, 0, 1),
          keyEvent(SDL_KEYDOWN, SDLK_RIGHT, 0, 1), keyEvent(SDL_KEYUP, SDLK_RIGHT), keyEvent(SDL_KEYDOWN, SDLK_F13)},
         kWindow, {"keyDown:right", "keyUp:right"}},
        // SDL reports KMOD_CAPS while the lock is on: typing then gives capitals.
        {"caps lock reports its locked state",
         {keyEvent(SDL_KEYDOWN, SDLK_CAPSLOCK, KMOD_CAPS), keyEvent(SDL_KEYUP, SDLK_CAPSLOCK, KMOD_CAPS),
          keyEvent(SDL_KEYDOWN, SDLK_q, KMOD_CAPS), keyEvent(SDL_KEYDOWN, SDLK_CAPSLOCK),
          keyEvent(SDL_KEYUP, SDLK_CAPSLOCK)},
         kWindow, {"keyDown:caps lock", "keyDown:Q", "keyUp:caps lock"}},
        {"control then a letter",
         {keyEvent(SDL_KEYDOWN, SDLK_LCTRL, KMOD_LCTRL), keyEvent(SDL_KEYDOWN, SDLK_a, KMOD_LCTRL),
          keyEvent(SDL_KEYUP, SDLK_a, KMOD_LCTRL), keyEvent(SDL_KEYUP, SDLK_LCTRL, KMOD_NONE)},
         kWindow, {"keyDown:ctrl", "keyDown:a", "keyUp:a", "keyUp:ctrl"}},
        // A drag that leaves the view goes on outside it, and movement
        // without a button is sent over the bars too.
        {"view coordinates with y up",
         {button(SDL_MOUSEBUTTONDOWN, 10, 500), motion(-20, 599, SDL_BUTTON_LMASK), button(SDL_MOUSEBUTTONUP, -20, 599),
          motion(400, 10)},
         letterboxed, {"mouseDown:10,66", "mouseMoved:-20,-32", "mouseUp:-20,-32", "mouseMoved:400,556"}},
        // A press on the bar left of the view is the parent's, and so are
        // its drag and release.
        {"only the primary button, and presses inside the view",
         {button(SDL_MOUSEBUTTONDOWN, 300, 300, SDL_BUTTON_RIGHT), motion(310, 300, SDL_BUTTON_RMASK),
          button(SDL_MOUSEBUTTONUP, 300, 300, SDL_BUTTON_RIGHT), button(SDL_MOUSEBUTTONDOWN, 50, 300),
          motion(150, 300, SDL_BUTTON_LMASK), button(SDL_MOUSEBUTTONUP, 150, 300), button(SDL_MOUSEBUTTONDOWN, 150, 300)},
         barsAside, {"mouseDown:50,300"}},
        // Presses on the edges of the bars: window columns 0-99 and 700-799
        // beside the view, rows 0-33 and 567-599 above and below it.
        {"left bar's edge", {button(SDL_MOUSEBUTTONDOWN, 99, 300)}, barsAside, {}},
        {"view's left edge", {button(SDL_MOUSEBUTTONDOWN, 100, 300)}, barsAside, {"mouseDown:0,300"}},
        {"view's right edge", {button(SDL_MOUSEBUTTONDOWN, 699, 300)}, barsAside, {"mouseDown:599,300"}},
        {"right bar's edge", {button(SDL_MOUSEBUTTONDOWN, 700, 300)}, barsAside, {}},
        {"top bar's edge", {button(SDL_MOUSEBUTTONDOWN, 400, 33)}, letterboxed, {}},
        {"view's top edge", {button(SDL_MOUSEBUTTONDOWN, 400, 34)}, letterboxed, {"mouseDown:400,532"}},
        {"view's bottom edge", {button(SDL_MOUSEBUTTONDOWN, 400, 566)}, letterboxed, {"mouseDown:400,0"}},
        {"bottom bar's edge", {button(SDL_MOUSEBUTTONDOWN, 400, 567)}, letterboxed, {}},
    };
    for (const Case& c : cases) {
        TNInputTranslator t;
        Calls calls;
        for (const SDL_Event& e : c.events)
            for (const std::string& call : summary(t.translate(e, c.view, 600)))
                calls.push_back(call);
        EXPECT_EQ(calls, c.calls) << c.what;
    }
}

// F11 and Alt+Return (or keypad Enter) are the window's: the press toggles
// full screen, its repeats and its release are taken too, even when Alt
// comes up first. A Return already held when Alt goes down stays the
// script's, and so does Alt with other keys.
TEST(InputTranslator, FullScreenShortcutsAreTheWindowsFromPressToRelease)
{
    struct Step {
        Uint32 type;
        SDL_Scancode code;
        Uint16 mod;
        Uint8 repeat;
        TNWindowKey expected;
    } steps[] = {
        {SDL_KEYDOWN, SDL_SCANCODE_F11, KMOD_NONE, 0, TNWindowKey::ToggleFullScreen},
        {SDL_KEYDOWN, SDL_SCANCODE_F11, KMOD_NONE, 1, TNWindowKey::Taken},
        {SDL_KEYUP, SDL_SCANCODE_F11, KMOD_NONE, 0, TNWindowKey::Taken},
        {SDL_KEYDOWN, SDL_SCANCODE_F11, KMOD_LCTRL, 0, TNWindowKey::ToggleFullScreen},
        {SDL_KEYUP, SDL_SCANCODE_F11, KMOD_LCTRL, 0, TNWindowKey::Taken},
        {SDL_KEYDOWN, SDL_SCANCODE_RETURN, KMOD_LALT, 0, TNWindowKey::ToggleFullScreen},
        {SDL_KEYUP, SDL_SCANCODE_RETURN, KMOD_NONE, 0, TNWindowKey::Taken},
        {SDL_KEYDOWN, SDL_SCANCODE_KP_ENTER, KMOD_RALT, 0, TNWindowKey::ToggleFullScreen},
        {SDL_KEYUP, SDL_SCANCODE_KP_ENTER, KMOD_RALT, 0, TNWindowKey::Taken},
        {SDL_KEYDOWN, SDL_SCANCODE_RETURN, KMOD_NONE, 0, TNWindowKey::Script},
        {SDL_KEYDOWN, SDL_SCANCODE_RETURN, KMOD_LALT, 1, TNWindowKey::Script},
        {SDL_KEYUP, SDL_SCANCODE_RETURN, KMOD_LALT, 0, TNWindowKey::Script},
        {SDL_KEYDOWN, SDL_SCANCODE_A, KMOD_LALT, 0, TNWindowKey::Script},
        {SDL_KEYDOWN, SDL_SCANCODE_ESCAPE, KMOD_NONE, 0, TNWindowKey::Script},
        {SDL_KEYDOWN, SDL_SCANCODE_F10, KMOD_NONE, 0, TNWindowKey::Script},
    };
    TNInputTranslator t;
    int index = 0;
    for (const Step& s : steps) {
        SDL_Event e = keyEvent(s.type, SDL_GetKeyFromScancode(s.code), s.mod, s.repeat);
        e.key.keysym.scancode = s.code;
        EXPECT_EQ(t.windowKey(e.key), s.expected) << "step " << index++;
    }
}
