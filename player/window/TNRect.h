// A rectangle in view points, origin at the lower left, y up.
#ifndef TN_RECT_H
#define TN_RECT_H

struct TNRect {
    double x = 0.0;
    double y = 0.0;
    double width = 0.0;
    double height = 0.0;

    bool contains(double px, double py) const
    {
        return px >= x && py >= y && px < x + width && py < y + height;
    }
};

#endif
