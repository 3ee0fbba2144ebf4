#include "launch/TNPlayerOptions.h"

#include <cerrno>
#include <cstdlib>

bool TNParseWholeNumber(const std::string& text, uint64_t& value)
{
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    errno = 0;
    unsigned long long parsed = std::strtoull(text.c_str(), nullptr, 10);
    if (errno == ERANGE)
        return false;
    value = parsed;
    return true;
}

namespace {

bool parseFrameCount(const std::string& text, uint64_t& frames)
{
    return TNParseWholeNumber(text, frames) && frames > 0;
}

bool hasSuffix(const std::string& text, const std::string& suffix)
{
    return text.size() >= suffix.size() && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

} // namespace

bool TNParsePlayerOptions(int argc, const char* const* argv, TNPlayerOptions& options, std::string& error)
{
    bool onlyOperands = false;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        std::string value;
        bool hasValue = false;
        if (!onlyOperands && arg.rfind("--", 0) == 0 && arg.find('=') != std::string::npos) {
            value = arg.substr(arg.find('=') + 1);
            arg = arg.substr(0, arg.find('='));
            hasValue = true;
        }
        auto takeValue = [&](const char* option) {
            if (hasValue)
                return true;
            if (i + 1 >= argc) {
                error = std::string(option) + " needs a value";
                return false;
            }
            value = argv[++i];
            return true;
        };
        if (onlyOperands || arg.empty() || arg[0] != '-' || arg == "-") {
            if (!options.bundlePath.empty()) {
                error = "only one game bundle can be played at a time (got " + options.bundlePath + " and " + arg + ")";
                return false;
            }
            options.bundlePath = arg;
        } else if (arg == "--") {
            onlyOperands = true;
        } else if ((arg == "--help" || arg == "-h") && !hasValue) {
            options.help = true;
        } else if (arg == "--version" && !hasValue) {
            options.version = true;
        } else if (arg == "--fullscreen" && !hasValue) {
            options.fullscreen = true;
        } else if (arg == "--headless" && !hasValue) {
            options.headless = true;
        } else if (arg == "--fixed-step" && !hasValue) {
            options.fixedStep = true;
        } else if (arg == "--no-gamepad" && !hasValue) {
            options.noGamepad = true;
        } else if (arg == "--frames") {
            if (!takeValue("--frames"))
                return false;
            if (!parseFrameCount(value, options.frames)) {
                error = "--frames needs a positive whole number, not '" + value + "'";
                return false;
            }
        } else if (arg == "--screenshot") {
            if (!takeValue("--screenshot"))
                return false;
            if (!hasSuffix(value, ".png") || value.size() == 4) {
                error = "--screenshot needs a file name ending in .png, not '" + value + "'";
                return false;
            }
            options.screenshotPath = value;
        } else if (arg == "--input") {
            if (!takeValue("--input"))
                return false;
            if (value.empty()) {
                error = "--input needs a file name";
                return false;
            }
            options.inputPath = value;
        } else if (arg == "--report-memory") {
            if (!takeValue("--report-memory"))
                return false;
            if (!parseFrameCount(value, options.memoryReportInterval)) {
                error = "--report-memory needs a positive whole number of frames, not '" + value + "'";
                return false;
            }
        } else {
            error = "unknown option " + std::string(argv[i]) + " (see --help)";
            return false;
        }
    }
    return true;
}

std::string TNPlayerUsage(const std::string& programName)
{
    return "Usage: " + programName + " [options] [BUNDLE]\n"
        "Plays a Tern game bundle (Name.app); without BUNDLE, the built-in demo.\n"
        "\n"
        "Options:\n"
        "  --help              show this help and exit\n"
        "  --version           show the player's version and exit\n"
        "  --fullscreen        start in full-screen mode (F11 or Alt+Enter toggles\n"
        "                      full screen while playing)\n"
        "  --no-gamepad        leave game controllers alone (by default the d-pad\n"
        "                      and left stick are the arrow keys, A is space, B is\n"
        "                      escape and Start is return)\n"
        "  --headless          no window and no sound output: SDL's offscreen video\n"
        "                      driver and OpenAL's null output (drivers set in the\n"
        "                      environment are kept); the intro is skipped and\n"
        "                      game controllers are not used\n"
        "  --frames N          quit after N frames\n"
        "  --fixed-step        advance the game by exactly 1/60 s each frame\n"
        "  --screenshot FILE.png\n"
        "                      write the last frame drawn to FILE.png\n"
        "  --input FILE        play the input written in FILE, one event a line:\n"
        "                      FRAME keyDown|keyUp KEY, FRAME mouseDown|mouseUp|mouseMoved X Y\n"
        "                      (delivered after frame FRAME; 0 is before the first)\n"
        "  --report-memory N   print the player's resident memory every N frames\n"
        "                      and after the last (--frames)\n"
        "\n"
        "Exit status: 0 when the game ends normally, 1 when it cannot start (a\n"
        "broken bundle, an engine script that does not load, no OpenGL) or fails\n"
        "the asset check, 2 for a bad command line. Why a game cannot start is\n"
        "printed on standard error and, when that is not a terminal, also shown\n"
        "in a message box (not with --headless, --frames, --input or --screenshot).\n";
}
