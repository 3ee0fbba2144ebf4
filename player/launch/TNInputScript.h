// Scripted input for unattended runs (tern-player --input FILE): the events
// a player would give, each tied to a frame. One event a line:
//
//   FRAME keyDown KEY        FRAME mouseDown X Y
//   FRAME keyUp KEY          FRAME mouseUp X Y
//                            FRAME mouseMoved X Y
//
// KEY is a name as the game receives it ("left", "space", "a"); X and Y are
// view coordinates with the origin at the lower left. An event at frame N
// reaches the game after frame N is drawn and before frame N + 1; frame 0
// is before the first frame. Blank lines and lines starting with # are
// skipped. Events of one frame arrive in the order written.
#ifndef TN_INPUT_SCRIPT_H
#define TN_INPUT_SCRIPT_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "window/TNInputTranslator.h"

// An event as the input translator would give it, and its frame.
struct TNScriptedEvent {
    uint64_t frame = 0;
    TNScriptEvent event;
};

class TNInputScript {
public:
    // Reads the file; false with a one-line reason naming the file and line.
    bool load(const std::string& path, std::string& error);
    // Reads events from text; source names it in errors.
    bool parse(const std::string& text, const std::string& source, std::string& error);

    // The events of the frame, in order; each frame's events are handed out
    // once, frames asked for in increasing order.
    std::vector<TNScriptEvent> takeEventsForFrame(uint64_t frame);
    bool empty() const { return events_.size() == next_; }
    size_t size() const { return events_.size(); }

private:
    std::vector<TNScriptedEvent> events_;  // sorted by frame, stable
    size_t next_ = 0;
};

#endif
