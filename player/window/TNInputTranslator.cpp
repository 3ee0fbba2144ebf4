#include "window/TNInputTranslator.h"

#include <cstring>

namespace {

// Shifted characters of the US layout's non-letter keys.
char shiftedCharacter(char c)
{
    static const char plain[] = "1234567890-=[]\\;',./`";
    static const char shifted[] = "!@#$%^&*()_+{}|:\"<>?~";
    const char* found = std::strchr(plain, c);
    return found && c ? shifted[found - plain] : c;
}

uint32_t keypadCharacter(SDL_Keycode key)
{
    if (key >= SDLK_KP_1 && key <= SDLK_KP_9)
        return '1' + (key - SDLK_KP_1);
    switch (key) {
    case SDLK_KP_0: return '0';
    case SDLK_KP_PERIOD: return '.';
    case SDLK_KP_DIVIDE: return '/';
    case SDLK_KP_MULTIPLY: return '*';
    case SDLK_KP_MINUS: return '-';
    case SDLK_KP_PLUS: return '+';
    case SDLK_KP_EQUALS: return '=';
    case SDLK_KP_ENTER: return '\r';
    default: return 0;
    }
}

uint32_t functionKeyCharacter(SDL_Keycode key)
{
    if (key >= SDLK_F1 && key <= SDLK_F12)
        return TNF1FunctionKey + (key - SDLK_F1);
    switch (key) {
    case SDLK_UP: return TNUpArrowFunctionKey;
    case SDLK_DOWN: return TNDownArrowFunctionKey;
    case SDLK_LEFT: return TNLeftArrowFunctionKey;
    case SDLK_RIGHT: return TNRightArrowFunctionKey;
    case SDLK_INSERT: return TNInsertFunctionKey;
    case SDLK_HOME: return TNHomeFunctionKey;
    case SDLK_END: return TNEndFunctionKey;
    case SDLK_PAGEUP: return TNPageUpFunctionKey;
    case SDLK_PAGEDOWN: return TNPageDownFunctionKey;
    default: return keypadCharacter(key);
    }
}

std::string utf8(uint32_t c)
{
    std::string out;
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
    return out;
}

TNScriptEvent keyCall(const char* function, std::string name)
{
    TNScriptEvent event;
    event.function = function;
    event.name = std::move(name);
    return event;
}

TNScriptEvent mouseCall(const char* function, float x, float y)
{
    TNScriptEvent event;
    event.function = function;
    event.x = x;
    event.y = y;
    return event;
}

}  // namespace

uint32_t TNCharacterForKey(SDL_Keycode key, uint16_t mod)
{
    // Keys without a character of their own have SDLK_SCANCODE_MASK set.
    if (key & SDLK_SCANCODE_MASK)
        return functionKeyCharacter(key);
    // SDL names forward delete by the character 127 and backspace by 8;
    // here backspace is 127 and forward delete a function key.
    if (key == SDLK_DELETE)
        return TNDeleteFunctionKey;
    if (key == SDLK_BACKSPACE)
        return 127;
    if (key <= 0 || key > 0x10FFFF)
        return 0;
    const bool shift = (mod & KMOD_SHIFT) != 0;
    if (key >= 'a' && key <= 'z') {
        const bool upper = shift != ((mod & KMOD_CAPS) != 0);
        return upper ? static_cast<uint32_t>(key - 'a' + 'A') : static_cast<uint32_t>(key);
    }
    if (key < 0x80 && shift)
        return static_cast<unsigned char>(shiftedCharacter(static_cast<char>(key)));
    return static_cast<uint32_t>(key);
}

std::string TNKeyNameForCharacter(uint32_t character)
{
    switch (character) {
    case 32: return "space";
    case 10:
    case 13: return "return";
    case 9: return "tab";
    case 27: return "esc";
    case TNUpArrowFunctionKey: return "up";
    case TNDownArrowFunctionKey: return "down";
    case TNLeftArrowFunctionKey: return "left";
    case TNRightArrowFunctionKey: return "right";
    case TNDeleteFunctionKey: return "delete";
    default: return utf8(character);
    }
}

uint64_t TNModifierFlagsFromSDL(uint16_t mod)
{
    uint64_t flags = 0;
    if (mod & KMOD_CAPS)
        flags |= TNAlphaShiftKeyMask;
    if (mod & KMOD_LSHIFT)
        flags |= TNShiftKeyMask | TNLeftShiftDeviceMask;
    if (mod & KMOD_RSHIFT)
        flags |= TNShiftKeyMask | TNRightShiftDeviceMask;
    if (mod & KMOD_CTRL)
        flags |= TNControlKeyMask;
    if (mod & KMOD_ALT)
        flags |= TNAlternateKeyMask;
    if (mod & KMOD_GUI)
        flags |= TNCommandKeyMask;
    return flags;
}

bool TNIsModifierKey(SDL_Keycode key)
{
    switch (key) {
    case SDLK_LSHIFT:
    case SDLK_RSHIFT:
    case SDLK_LCTRL:
    case SDLK_RCTRL:
    case SDLK_LALT:
    case SDLK_RALT:
    case SDLK_LGUI:
    case SDLK_RGUI:
    case SDLK_CAPSLOCK:
        return true;
    default:
        return false;
    }
}

namespace {

bool isFullScreenShortcut(const SDL_Keysym& key)
{
    if (key.scancode == SDL_SCANCODE_F11)
        return true;
    const bool enter = key.scancode == SDL_SCANCODE_RETURN || key.scancode == SDL_SCANCODE_KP_ENTER;
    return enter && (key.mod & KMOD_ALT) != 0;
}

}  // namespace

TNWindowKey TNInputTranslator::windowKey(const SDL_KeyboardEvent& key)
{
    const SDL_Scancode code = key.keysym.scancode;
    const bool taken = windowKeysDown_.count(code) != 0;
    if (key.type == SDL_KEYUP) {
        windowKeysDown_.erase(code);
        return taken ? TNWindowKey::Taken : TNWindowKey::Script;
    }
    if (taken)
        return TNWindowKey::Taken;
    // Repeats never start a shortcut: their key's press went to the script.
    if (key.repeat || !isFullScreenShortcut(key.keysym))
        return TNWindowKey::Script;
    windowKeysDown_.insert(code);
    return TNWindowKey::ToggleFullScreen;
}

std::vector<TNScriptEvent> TNInputTranslator::translate(const SDL_Event& event, const TNRect& viewFrame,
                                                         double contentHeight)
{
    switch (event.type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP:
        return keyEvent(event.key);
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
        return mouseButton(event.button, viewFrame, contentHeight);
    case SDL_MOUSEMOTION:
        return mouseMotion(event.motion, viewFrame, contentHeight);
    default:
        return {};
    }
}

std::vector<TNScriptEvent> TNInputTranslator::keyEvent(const SDL_KeyboardEvent& key)
{
    if (TNIsModifierKey(key.keysym.sym))
        return flagsChanged(TNModifierFlagsFromSDL(key.keysym.mod));
    if (key.repeat)
        return {};
    const uint32_t character = TNCharacterForKey(key.keysym.sym, key.keysym.mod);
    // A key that types nothing (a dead key, F13...) sends nothing.
    if (character == 0)
        return {};
    return {keyCall(key.type == SDL_KEYDOWN ? "keyDown" : "keyUp", TNKeyNameForCharacter(character))};
}

void TNInputTranslator::checkModifier(uint64_t mask, const char* name, std::vector<TNScriptEvent>& out) const
{
    if ((currentModifierFlags_ & mask) == mask && (previousModifierFlags_ & mask) == 0)
        out.push_back(keyCall("keyDown", name));
    else if ((currentModifierFlags_ & mask) == 0 && (previousModifierFlags_ & mask) == mask)
        out.push_back(keyCall("keyUp", name));
}

std::vector<TNScriptEvent> TNInputTranslator::flagsChanged(uint64_t flags)
{
    std::vector<TNScriptEvent> out;
    currentModifierFlags_ = flags;
    checkModifier(TNAlphaShiftKeyMask, "caps lock", out);
    checkModifier(TNShiftKeyMask | TNRightShiftDeviceMask, "right shift", out);
    checkModifier(TNShiftKeyMask | TNLeftShiftDeviceMask, "left shift", out);
    checkModifier(TNControlKeyMask, "ctrl", out);
    checkModifier(TNAlternateKeyMask, "alt", out);
    checkModifier(TNCommandKeyMask, "cmd", out);
    previousModifierFlags_ = currentModifierFlags_;
    return out;
}

namespace {

// Window point (origin top left, y down) to view point (origin lower left, y up).
void toView(int wx, int wy, const TNRect& viewFrame, double contentHeight, float& x, float& y)
{
    x = static_cast<float>(wx - viewFrame.x);
    y = static_cast<float>(contentHeight - wy - viewFrame.y);
}

}  // namespace

std::vector<TNScriptEvent> TNInputTranslator::mouseButton(const SDL_MouseButtonEvent& button,
                                                          const TNRect& viewFrame, double contentHeight)
{
    if (button.button != SDL_BUTTON_LEFT)
        return {};
    float x, y;
    toView(button.x, button.y, viewFrame, contentHeight, x, y);
    if (button.type == SDL_MOUSEBUTTONDOWN) {
        // A press on the letterbox bars belongs to the parent, not the view.
        pressedInView_ = x >= 0 && y >= 0 && x < viewFrame.width && y < viewFrame.height;
        return pressedInView_ ? std::vector<TNScriptEvent>{mouseCall("mouseDown", x, y)}
                              : std::vector<TNScriptEvent>{};
    }
    if (!pressedInView_)
        return {};
    pressedInView_ = false;
    return {mouseCall("mouseUp", x, y)};
}

std::vector<TNScriptEvent> TNInputTranslator::mouseMotion(const SDL_MouseMotionEvent& motion,
                                                          const TNRect& viewFrame, double contentHeight)
{
    // Movement with no button, or a drag of the primary button begun in the
    // view; drags of other buttons are not forwarded.
    const bool leftDown = (motion.state & SDL_BUTTON_LMASK) != 0;
    if (leftDown ? !pressedInView_ : motion.state != 0)
        return {};
    float x, y;
    toView(motion.x, motion.y, viewFrame, contentHeight, x, y);
    return {mouseCall("mouseMoved", x, y)};
}
