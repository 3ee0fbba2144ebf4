// A colour passed by value: red, green, blue, alpha, nominally 0 to 1.
#ifndef SG_COLOR_H
#define SG_COLOR_H

struct SGColor {
    float r;
    float g;
    float b;
    float a;
};

constexpr SGColor SGWhiteColor = {1.0f, 1.0f, 1.0f, 1.0f};

inline bool operator==(const SGColor& x, const SGColor& y)
{
    return x.r == y.r && x.g == y.g && x.b == y.b && x.a == y.a;
}

#endif
