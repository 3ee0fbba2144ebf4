// draw_player_icon FILE.png: writes the player's icon for its desktop entry.
#include <string>

#include "bundle/TNGameIcon.h"
#include "log/TNLog.h"

int main(int argc, char** argv)
{
    if (argc != 2) {
        TNLog("usage: draw_player_icon FILE.png");
        return 2;
    }
    std::string error;
    if (!TNWritePlayerIcon(argv[1], error)) {
        TNLog("draw_player_icon: %s", error.c_str());
        return 1;
    }
    return 0;
}
