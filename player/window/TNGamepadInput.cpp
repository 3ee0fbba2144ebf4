#include "window/TNGamepadInput.h"

#include "log/TNLog.h"

namespace {

// Sources of stick directions are numbered above every button.
const int kStickSourceBase = 0x100;

const char* buttonKeyName(Uint8 button)
{
    switch (button) {
    case SDL_CONTROLLER_BUTTON_DPAD_UP: return "up";
    case SDL_CONTROLLER_BUTTON_DPAD_DOWN: return "down";
    case SDL_CONTROLLER_BUTTON_DPAD_LEFT: return "left";
    case SDL_CONTROLLER_BUTTON_DPAD_RIGHT: return "right";
    case SDL_CONTROLLER_BUTTON_A: return "space";
    case SDL_CONTROLLER_BUTTON_B: return "esc";
    case SDL_CONTROLLER_BUTTON_START: return "return";
    default: return nullptr;
    }
}

// The key of a left-stick axis pointing in direction (-1 or 1); SDL's y
// axis grows downwards.
const char* stickKeyName(Uint8 axis, int direction)
{
    if (axis == SDL_CONTROLLER_AXIS_LEFTX)
        return direction < 0 ? "left" : "right";
    return direction < 0 ? "up" : "down";
}

int stickSource(Uint8 axis, int direction)
{
    return kStickSourceBase + axis * 2 + (direction > 0 ? 1 : 0);
}

TNScriptEvent keyCall(const char* function, const std::string& name)
{
    TNScriptEvent event;
    event.function = function;
    event.name = name;
    return event;
}

}  // namespace

TNGamepadInput::~TNGamepadInput()
{
    for (const auto& entry : controllers_)
        SDL_GameControllerClose(entry.second);
}

void TNGamepadInput::openConnectedControllers()
{
    // Without SDL's controller support (--no-gamepad, headless) there are none.
    if (!SDL_WasInit(SDL_INIT_GAMECONTROLLER))
        return;
    const int count = SDL_NumJoysticks();
    for (int index = 0; index < count; ++index)
        open(index);
}

void TNGamepadInput::open(int deviceIndex)
{
    if (!SDL_IsGameController(deviceIndex))
        return;
    // SDL also announces the controllers present when it starts: one may
    // be open already.
    const SDL_JoystickID id = SDL_JoystickGetDeviceInstanceID(deviceIndex);
    if (id < 0 || controllers_.count(id))
        return;
    SDL_GameController* controller = SDL_GameControllerOpen(deviceIndex);
    if (!controller) {
        TNLog("TNGamepadInput: could not open the game controller %d: %s", deviceIndex, SDL_GetError());
        return;
    }
    controllers_[id] = controller;
}

bool TNGamepadInput::isControllerEvent(const SDL_Event& event)
{
    switch (event.type) {
    case SDL_CONTROLLERDEVICEADDED:
    case SDL_CONTROLLERDEVICEREMOVED:
    case SDL_CONTROLLERBUTTONDOWN:
    case SDL_CONTROLLERBUTTONUP:
    case SDL_CONTROLLERAXISMOTION:
        return true;
    default:
        return false;
    }
}

std::vector<TNScriptEvent> TNGamepadInput::handleEvent(const SDL_Event& event)
{
    std::vector<TNScriptEvent> out;
    switch (event.type) {
    case SDL_CONTROLLERDEVICEADDED:
        open(event.cdevice.which);
        break;
    case SDL_CONTROLLERDEVICEREMOVED:
        removed(event.cdevice.which, out);
        break;
    case SDL_CONTROLLERBUTTONDOWN:
    case SDL_CONTROLLERBUTTONUP:
        button(event.cbutton, out);
        break;
    case SDL_CONTROLLERAXISMOTION:
        axis(event.caxis, out);
        break;
    default:
        break;
    }
    return out;
}

void TNGamepadInput::removed(SDL_JoystickID pad, std::vector<TNScriptEvent>& out)
{
    for (auto& entry : holders_) {
        std::set<Source>& sources = entry.second;
        const bool wasHeld = !sources.empty();
        for (auto it = sources.begin(); it != sources.end();)
            it = it->first == pad ? sources.erase(it) : std::next(it);
        if (wasHeld && sources.empty())
            out.push_back(keyCall("keyUp", entry.first));
    }
    for (auto it = stickDirections_.begin(); it != stickDirections_.end();)
        it = it->first.first == pad ? stickDirections_.erase(it) : std::next(it);
    auto controller = controllers_.find(pad);
    if (controller != controllers_.end()) {
        SDL_GameControllerClose(controller->second);
        controllers_.erase(controller);
    }
}

void TNGamepadInput::button(const SDL_ControllerButtonEvent& event, std::vector<TNScriptEvent>& out)
{
    const char* name = buttonKeyName(event.button);
    if (!name)
        return;
    const Source source{event.which, event.button};
    if (event.state == SDL_PRESSED)
        press(name, source, out);
    else
        release(name, source, out);
}

int TNGamepadInput::stickDirection(int current, int value)
{
    if (value >= kStickPressed)
        return 1;
    if (value <= -kStickPressed)
        return -1;
    // Between the two thresholds a held direction stays held.
    if (current > 0 && value >= kStickReleased)
        return 1;
    if (current < 0 && value <= -kStickReleased)
        return -1;
    return 0;
}

void TNGamepadInput::axis(const SDL_ControllerAxisEvent& event, std::vector<TNScriptEvent>& out)
{
    if (event.axis != SDL_CONTROLLER_AXIS_LEFTX && event.axis != SDL_CONTROLLER_AXIS_LEFTY)
        return;
    int& direction = stickDirections_[Source{event.which, event.axis}];
    const int next = stickDirection(direction, event.value);
    if (next == direction)
        return;
    if (direction != 0)
        release(stickKeyName(event.axis, direction), Source{event.which, stickSource(event.axis, direction)}, out);
    if (next != 0)
        press(stickKeyName(event.axis, next), Source{event.which, stickSource(event.axis, next)}, out);
    direction = next;
}

void TNGamepadInput::press(const char* name, const Source& source, std::vector<TNScriptEvent>& out)
{
    std::set<Source>& sources = holders_[name];
    const bool first = sources.empty();
    if (sources.insert(source).second && first)
        out.push_back(keyCall("keyDown", name));
}

void TNGamepadInput::release(const char* name, const Source& source, std::vector<TNScriptEvent>& out)
{
    std::set<Source>& sources = holders_[name];
    if (sources.erase(source) && sources.empty())
        out.push_back(keyCall("keyUp", name));
}
