#include "launch/TNFreedMemory.h"

#include <malloc.h>

#include "log/TNLog.h"

bool TNKeepFreedMemory()
{
    if (mallopt(M_TRIM_THRESHOLD, static_cast<int>(TNKeptFreeMemory)) == 1)
        return true;
    TNLog("tern-player: mallopt(M_TRIM_THRESHOLD) failed; freed memory goes back to the system at once");
    return false;
}
