#include "launch/TNInputScript.h"

#include "files/TNRegularFile.h"
#include "launch/TNPlayerOptions.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

namespace {

bool parseCoordinate(const std::string& word, float& value)
{
    if (word.empty())
        return false;
    char* end = nullptr;
    value = std::strtof(word.c_str(), &end);
    return end && *end == '\0' && std::isfinite(value);
}

// Reads one event line; false with the reason in error.
bool parseEvent(std::istringstream& words, TNScriptedEvent& scripted, std::string& error)
{
    TNScriptEvent& event = scripted.event;
    std::string frame, extra;
    if (!(words >> frame >> event.function)) {
        error = "expected FRAME EVENT ...";
        return false;
    }
    if (!TNParseWholeNumber(frame, scripted.frame)) {
        error = "the frame must be a whole number, not '" + frame + "'";
        return false;
    }
    if (event.function == "keyDown" || event.function == "keyUp") {
        if (!(words >> event.name)) {
            error = event.function + " needs a key name";
            return false;
        }
    } else if (event.function == "mouseDown" || event.function == "mouseUp" || event.function == "mouseMoved") {
        std::string x, y;
        if (!(words >> x >> y) || !parseCoordinate(x, event.x) || !parseCoordinate(y, event.y)) {
            error = event.function + " needs two numbers, X and Y";
            return false;
        }
    } else {
        error = "unknown event '" + event.function + "' (keyDown, keyUp, mouseDown, mouseUp or mouseMoved)";
        return false;
    }
    if (words >> extra) {
        error = "unexpected '" + extra + "' after the event";
        return false;
    }
    return true;
}

} // namespace

bool TNInputScript::load(const std::string& path, std::string& error)
{
    std::string reason;
    if (!TNIsRegularFile(path.c_str(), reason)) {
        error = "cannot read the input script " + path + ": " + reason;
        return false;
    }
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        error = "cannot read the input script " + path + ": " + std::strerror(errno);
        return false;
    }
    std::ostringstream text;
    text << file.rdbuf();
    return parse(text.str(), path, error);
}

bool TNInputScript::parse(const std::string& text, const std::string& source, std::string& error)
{
    events_.clear();
    next_ = 0;
    std::istringstream lines(text);
    std::string line;
    for (int number = 1; std::getline(lines, line); ++number) {
        size_t start = line.find_first_not_of(" \t\r");
        if (start == std::string::npos || line[start] == '#')
            continue;
        std::istringstream words(line);
        TNScriptedEvent event;
        std::string reason;
        if (!parseEvent(words, event, reason)) {
            error = source + ":" + std::to_string(number) + ": " + reason;
            events_.clear();
            return false;
        }
        events_.push_back(std::move(event));
    }
    std::stable_sort(events_.begin(), events_.end(),
                     [](const TNScriptedEvent& a, const TNScriptedEvent& b) { return a.frame < b.frame; });
    return true;
}

std::vector<TNScriptEvent> TNInputScript::takeEventsForFrame(uint64_t frame)
{
    std::vector<TNScriptEvent> due;
    // Events of frames already passed are dropped rather than delivered late.
    while (next_ < events_.size() && events_[next_].frame < frame)
        ++next_;
    while (next_ < events_.size() && events_[next_].frame == frame)
        due.push_back(events_[next_++].event);
    return due;
}
