// One reference on a node or scene for as long as a walk over it runs. Code
// the walk calls (a loader node asking the engine script for a path) may
// remove the object from its space or delete its scene; the object then
// goes when the hold ends, after the walk is done with it.
#ifndef SG_HOLD_H
#define SG_HOLD_H

#include "scenegraph/SGObject.h"

class SGHold {
public:
    // A null object is held by nothing.
    explicit SGHold(SGObject* object) : object_(object)
    {
        if (object_)
            object_->retain();
    }
    ~SGHold()
    {
        if (object_)
            object_->release();
    }
    SGHold(const SGHold&) = delete;
    SGHold& operator=(const SGHold&) = delete;

private:
    SGObject* object_;
};

#endif
