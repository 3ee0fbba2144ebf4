// Port identifiers: the script reaches a node's ports by these names, and
// each node class answers only its own identifiers in portForID.
#ifndef SG_PORT_ID_H
#define SG_PORT_ID_H

#include <cstdint>

enum SGPortID : int32_t {
    SGPortID_value = 0,
    SGPortID_input1 = 1,
    SGPortID_input2 = 2,
    SGPortID_operation = 3,
    SGPortID_output = 4,
    SGPortID_name = 5,
    SGPortID_asset = 6,
    SGPortID_color = 7,
    SGPortID_r = 8,
    SGPortID_g = 9,
    SGPortID_b = 10,
    SGPortID_a = 11,
    // 12 has no name and no port.
    SGPortID_near = 13,
    SGPortID_far = 14,
    SGPortID_viewRotation = 15,
    SGPortID_modelRotation = 16,
    SGPortID_time = 17,
    SGPortID_spawnParticles = 18,
    SGPortID_numParticles = 19,
    SGPortID_image = 20,
    SGPortID_direction = 21,
    SGPortID_lifetime = 22,
    SGPortID_lifestart = 23,
    SGPortID_colorTarget = 24,
    SGPortID_colorTransitionTime = 25,
    SGPortID_x = 26,
    SGPortID_y = 27,
    SGPortID_rotation = 28,
    SGPortID_size = 29,
    SGPortID_sizeTarget = 30,
    SGPortID_sizeTransitionTime = 31,
    SGPortID_gravityX = 32,
    SGPortID_gravityY = 33,
    SGPortID_speed = 34,
    SGPortID_angularVelocity = 35,
    SGPortID_blendingMode = 36,
    SGPortID_angle = 37,
    SGPortID_spacing = 38,
    SGPortID_copies = 39,
    SGPortID_gain = 40,
    SGPortID_sound = 41,
    SGPortID_dx = 42,
    SGPortID_dy = 43,
    SGPortID_sourceRelative = 44,
    SGPortID_volume = 45,
    SGPortID_pitch = 46,
    SGPortID_loop = 47,
    SGPortID_trigger = 48,
    SGPortID_stop = 49,
    SGPortID_pause = 50,
    SGPortID_resume = 51,
    SGPortID_playing = 52,
    SGPortID_width = 53,
    SGPortID_height = 54,
    SGPortID_horizontalWrapping = 55,
    SGPortID_verticalWrapping = 56,
    SGPortID_text = 57,
    SGPortID_font = 58,
    SGPortID_fontSize = 59,
    SGPortID_alignment = 60,
    SGPortID_wrapX = 61,
    SGPortID_wrapY = 62,
    SGPortID_wrapWidth = 63,
    SGPortID_wrapHeight = 64,
};

struct SGPortIDName {
    const char* name;
    SGPortID id;
};

// Every named identifier, in identifier order, ended by a null name.
extern const SGPortIDName SGPortIDNames[];
// The name of an identifier, or "?" for a number that names none.
const char* SGPortIDNameOf(int32_t id);

#endif
