// The shared clock of the player: seconds since the process first read it.
// The frame loop and the script's getSystemTime both read it, so their
// times are comparable.
#ifndef TN_DATE_H
#define TN_DATE_H

class TNDate {
public:
    // 0.0 on the first call in the process, then the seconds elapsed since
    // that call, in single precision. Never decreases; safe from any thread.
    static float getTimeAsFloat();
};

#endif
