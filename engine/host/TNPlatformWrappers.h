// The platformWrappers library: the shared clock, background music and
// opening a web address in the user's browser.
#ifndef TN_PLATFORM_WRAPPERS_H
#define TN_PLATFORM_WRAPPERS_H

#include "lua.h"

int luaopen_platformWrappers(lua_State* L);

#endif
