// The value types of ports; the same numbers are the script's constants.
#ifndef SG_PORT_VALUE_TYPE_H
#define SG_PORT_VALUE_TYPE_H

#include <cstdint>

enum SGPortValueType : int32_t {
    NIL = 0,
    STRING = 1,
    NUMBER = 2,
    INTEGER = 3,
    BOOLEAN = 4,
    COLOR = 5,
    SOUND = 6,
    IMAGE = 7,
};

#endif
