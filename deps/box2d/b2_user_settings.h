// Box2D settings of the player: the stock values, with user data holding a
// plain pointer. Used because the build defines B2_USER_SETTINGS.
#ifndef B2_USER_SETTINGS_H
#define B2_USER_SETTINGS_H

#include <stdarg.h>
#include <stdint.h>

#define b2_lengthUnitsPerMeter 1.0f
#define b2_maxPolygonVertices 8

struct B2_API b2BodyUserData {
    void* pointer = nullptr;
};

struct B2_API b2FixtureUserData {
    void* pointer = nullptr;
};

struct B2_API b2JointUserData {
    void* pointer = nullptr;
};

B2_API void* b2Alloc_Default(int32 size);
B2_API void b2Free_Default(void* mem);

inline void* b2Alloc(int32 size) { return b2Alloc_Default(size); }
inline void b2Free(void* mem) { b2Free_Default(mem); }

B2_API void b2Log_Default(const char* string, va_list args);

inline void b2Log(const char* string, ...)
{
    va_list args;
    va_start(args, string);
    b2Log_Default(string, args);
    va_end(args);
}

#endif
