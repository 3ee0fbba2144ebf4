#include "lua/TNManagerLink.h"

TNLiveRegistry& TNLiveManagers()
{
    // Never destroyed: managers may outlive static destruction.
    static TNLiveRegistry* managers = new TNLiveRegistry;
    return *managers;
}
