// Port objects: tables {node, port id, node handle} made by the first
// lookup of a port through a node object and kept with it (wrap_Node.cpp).
// The functions take the port object and the value by position: 1 the
// port, 2 the value, 3 the mark flag; connectToAttribute takes the holder
// from the top.
#include <cmath>
#include <cstdio>
#include <string>

#include "log/TNLog.h"
#include "lua/TNGone.h"
#include "lua/TNLuaArgs.h"
#include "lua/TNLuaGuard.h"
#include "scenegraph/SGHold.h"
#include "scenegraph/nodes/SGAttributeNode.h"
#include "scenegraph/ports/SGValuePort.h"
#include "scenegraph/wrap_Shared.h"

namespace {

// The port named by the port object at index, or null (after the one line
// of tn_gone) when its node is gone; raises a Lua error naming func when it
// is no port object or the node lacks the port.
SGPort* livePort(lua_State* L, int index, const char* func)
{
    if (index <= 0 || !lua_istable(L, index))
        tn_argerror(L, func, index, "a port");
    lua_rawgeti(L, index, 1);
    lua_rawgeti(L, index, 2);
    lua_rawgeti(L, index, 3);
    const bool wellFormed = lua_islightuserdata(L, -3) && lua_type(L, -2) == LUA_TNUMBER && lua_islightuserdata(L, -1);
    const void* address = lua_touserdata(L, -3);
    const int id = tn_tointeger(L, lua_gettop(L) - 1);
    const TNHandle handle = toHandle(L, -1);
    lua_pop(L, 3);
    if (!wellFormed)
        tn_argerror(L, func, index, "a port");
    SGObject* object = SGObject::fromHandle(handle);
    SGNode* node = object && object == address ? object->asNode() : nullptr;
    if (!node) {
        tn_gone(L, func, "the port's node (removed from its space, or its scene deleted)");
        return nullptr;
    }
    SGPort* port = node->portForID(static_cast<SGPortID>(id));
    if (!port) {
        lua_pushfstring(L, "the node has no port '%s'", SGPortIDNameOf(id));
        tn_valueerror(L, func, lua_tostring(L, -1));
    }
    return port;
}

void connectPorts(lua_State* L, SGPort* port, SGPort* source, const char* func)
{
    if (!port->canConnectTo(source))
        tn_valueerror(L, func, "connecting these ports would close a cycle");
    port->setValue(source);
}

const char* portTypeName(SGPortValueType type)
{
    switch (type) {
    case COLOR: return "colour";
    case SOUND: return "sound";
    case IMAGE: return "image";
    case NIL: return "nil-typed";
    default: return "typed";
    }
}

// The text a string port receives from the Lua value at index: "" for nil,
// "true"/"false", a finite number with "%.0f" when whole and "%.2f"
// otherwise, any other string as it is. False for values without text.
bool scriptValueAsText(lua_State* L, int index, std::string& text)
{
    switch (lua_type(L, index)) {
    case LUA_TNONE:
    case LUA_TNIL:
        text.clear();
        return true;
    case LUA_TBOOLEAN:
        text = lua_toboolean(L, index) ? "true" : "false";
        return true;
    case LUA_TNUMBER:
    case LUA_TSTRING: {
        const float number = lua_isnumber(L, index) ? static_cast<float>(lua_tonumber(L, index)) : NAN;
        if (std::isfinite(number)) {
            char formatted[64];
            std::snprintf(formatted, sizeof formatted, number == std::floor(number) ? "%.0f" : "%.2f",
                          static_cast<double>(number));
            text = formatted;
        } else {
            lua_pushvalue(L, index);  // lua_tolstring would turn a number argument into a string
            size_t length = 0;
            const char* chars = lua_tolstring(L, -1, &length);
            text.assign(chars, length);
            lua_pop(L, 1);
        }
        return true;
    }
    default:
        return false;
    }
}

template <class Port, class T>
bool storeTyped(SGPort* port, const T& value, bool mark)
{
    // The value's storage type, not the registered type, says which class
    // the port is: no dynamic_cast on the script's hot path.
    if (port->storage != Port::kStorage)
        return false;
    auto* typed = static_cast<Port*>(port);
    if (mark)
        typed->setValue(value);
    else {
        typed->value = value;
        typed->noteChanged();
    }
    return true;
}

// port:value() -> the value converted to the port's own type; nil for
// colour, sound, image and nil-typed ports, and for a port whose node is gone.
int port_value(lua_State* L)
{
    SGPort* port = livePort(L, 1, "port:value");
    if (!port)
        return tn_pushnils(L, 1);
    SGHold hold(port->node);  // the read may run script code that removes the node
    switch (port->type) {
    case STRING: {
        const std::string text = port->stringValue();
        lua_pushlstring(L, text.data(), text.size());
        break;
    }
    case NUMBER: lua_pushnumber(L, port->numberValue()); break;
    case INTEGER: lua_pushnumber(L, static_cast<lua_Number>(port->intValue())); break;
    case BOOLEAN: lua_pushboolean(L, port->boolValue()); break;
    default: lua_pushnil(L); break;
    }
    return 1;
}

// port:setValue(value, mark): a port object connects; any other value is
// converted and stored, marking dependants dirty when mark is true. A port
// whose node is gone, on either side, changes nothing.
int port_setValue(lua_State* L)
{
    SGPort* port = livePort(L, 1, "port:setValue");
    if (lua_istable(L, 2)) {
        SGPort* source = livePort(L, 2, "port:setValue");
        if (port && source)
            connectPorts(L, port, source, "port:setValue");
        return 0;
    }
    if (!port)
        return 0;
    switch (storeScriptValue(L, port, 2, tn_toboolean(L, 3))) {
    case SGStoreResult::stored:
        return 0;
    case SGStoreResult::noText:
        lua_pushfstring(L, "a %s value cannot be stored in a string port", luaL_typename(L, 2));
        return tn_valueerror(L, "port:setValue", lua_tostring(L, -1));
    case SGStoreResult::unhandledType:
        break;
    }
    if (port->type > BOOLEAN)
        TNLogStdout("SGPort:setValue unhandled type");
    lua_pushfstring(L, "a %s port takes no script value; connect it to another port instead", portTypeName(port->type));
    return tn_valueerror(L, "port:setValue", lua_tostring(L, -1));
}

// port:connectToAttribute(holder): connects the port to the attribute node
// that holder:getNode() returns.
int port_connectToAttribute(lua_State* L)
{
    const char* const func = "port:connectToAttribute";
    livePort(L, 1, func);  // raises for what is no port object
    const int holder = lua_gettop(L);
    if (holder < 2)
        return tn_argerror(L, func, 2, "an attribute holder");
    lua_getfield(L, holder, "getNode");
    lua_pushvalue(L, holder);
    lua_call(L, 1, 1);
    if (!tn_toblock<SGScriptBlock>(L, -1, kAttributeNodeType)) {
        lua_pushfstring(L, "the holder's getNode() must return an attribute node (got %s)", luaL_typename(L, -1));
        return tn_valueerror(L, func, lua_tostring(L, -1));
    }
    // Looked up again: getNode() may have removed the port's node.
    SGPort* port = livePort(L, 1, func);
    SGAttributeNode* attribute = liveAttributeNode(L, lua_gettop(L), func);
    if (!port || !attribute) {
        lua_pop(L, 1);
        return 0;
    }
    if (!attribute->port) {
        // No port to connect to: as a connection to nothing, the port is
        // disconnected.
        port->setValue(static_cast<SGPort*>(nullptr));
        lua_pop(L, 1);
        return 0;
    }
    connectPorts(L, port, attribute->port, func);
    lua_pop(L, 1);
    return 0;
}

}  // namespace

SGStoreResult storeScriptValue(lua_State* L, SGPort* port, int index, bool mark)
{
    bool stored = false;
    switch (port->type) {
    case STRING: {
        std::string text;
        if (!scriptValueAsText(L, index, text))
            return SGStoreResult::noText;
        stored = storeTyped<SGStringPort>(port, text, mark);
        break;
    }
    case NUMBER:
        stored = storeTyped<SGNumberPort>(port, tn_tonumber(L, index), mark);
        break;
    case INTEGER:
        stored = storeTyped<SGIntegerPort>(port, tn_tointeger(L, index), mark);
        break;
    case BOOLEAN:
        stored = storeTyped<SGBooleanPort>(port, tn_toboolean(L, index), mark);
        break;
    default:
        break;
    }
    return stored ? SGStoreResult::stored : SGStoreResult::unhandledType;
}

const luaL_Reg port_functions[] = {
    {"value", tn_guarded<port_value>},
    {"setValue", tn_guarded<port_setValue>},
    {"connectToAttribute", tn_guarded<port_connectToAttribute>},
    {nullptr, nullptr},
};
