// The scenegraph Lua module. Scenes and nodes reach the script as full
// userdata holding the object's address and serial (SGObject::liveObject),
// so a handle whose object is gone raises a Lua error instead of touching
// freed memory. Port objects are tables {node, port id, serial}.
//
// Scene, space, render-node, node and attribute-node functions take their
// arguments from the top of the stack (the last ones given); port functions
// and attributeNode:setValue take theirs by position.
#include "scenegraph/wrap_SceneGraph.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <string>

#include "lauxlib.h"
#include "scenegraph/SGScene.h"
#include "scenegraph/nodes/SGAttributeNode.h"
#include "scenegraph/ports/SGBooleanPort.h"
#include "scenegraph/ports/SGIntegerPort.h"
#include "scenegraph/ports/SGNumberPort.h"
#include "scenegraph/ports/SGStringPort.h"
#include "scenegraph/ports/SGValueConversion.h"

namespace {

const char* const kSceneMT = "scenegraph.sceneMT";
const char* const kPortMT = "scenegraph.portMT";
const char* const kNodeConstants = "scenegraph.nodeConstants";
const char* const kNodeMT = "scenegraph.nodeMT";
const char* const kAttributeNodeMT = "scenegraph.attributeNodeMT";
const char* const kRenderNodeMT = "scenegraph.renderNodeMT";
const char* const kSpaceMT = "scenegraph.spaceMT";
const char* const kSoundManagerMT = "SoundManager.MT";
const char* const kAssetManagerMT = "AssetManager.MT";

struct SceneHandle {
    SGObject* scene;  // null after delete
    uint64_t serial;
};

// An attribute node's handle holds one reference, released by __gc; other
// node handles hold none.
struct NodeHandle {
    SGObject* node;
    uint64_t serial;
};

// Runs a module function, turning a C++ exception into a Lua error raised
// after the catch block (an exception must not cross Lua's frames).
template <lua_CFunction F>
int guarded(lua_State* L)
{
    std::string failure;
    try {
        return F(L);
    } catch (const std::exception& e) {
        failure = e.what();
    }
    return luaL_error(L, "scenegraph: %s", failure.c_str());
}

// ---- Arguments ----------------------------------------------------------

// Absolute index of the k-th (from 1) of the last n arguments, or 0 when
// the call gave fewer than n.
int lastArg(lua_State* L, int n, int k)
{
    const int index = lua_gettop(L) - n + k;
    return index >= 1 ? index : 0;
}

// The number at index truncated toward zero, saturated at the 32-bit limits
// (lua_tointeger's plain cast is undefined for out-of-range numbers).
int32_t integerAt(lua_State* L, int index)
{
    return index > 0 ? SGTruncateToInteger(static_cast<float>(lua_tonumber(L, index))) : 0;
}

const char* typeNameAt(lua_State* L, int index)
{
    return index > 0 ? luaL_typename(L, index) : "no value";
}

bool hasRegistryMetatable(lua_State* L, int index, const char* name)
{
    if (index <= 0 || !lua_getmetatable(L, index))
        return false;
    luaL_getmetatable(L, name);
    const bool same = lua_rawequal(L, -1, -2) != 0;
    lua_pop(L, 2);
    return same;
}

bool isHandle(lua_State* L, int index, size_t size)
{
    return index > 0 && lua_type(L, index) == LUA_TUSERDATA && lua_objlen(L, index) == size;
}

NodeHandle* toNodeHandle(lua_State* L, int index)
{
    if (!isHandle(L, index, sizeof(NodeHandle)))
        return nullptr;
    for (const char* metatable : {kSpaceMT, kRenderNodeMT, kNodeMT, kAttributeNodeMT}) {
        if (hasRegistryMetatable(L, index, metatable))
            return static_cast<NodeHandle*>(lua_touserdata(L, index));
    }
    return nullptr;
}

SGNode* asNode(SGObject* object)
{
    return object ? object->asNode() : nullptr;
}

SGNode* liveNode(const NodeHandle* handle)
{
    return asNode(SGObject::liveObject(handle->node, handle->serial));
}

// The live node of the node object at index, having every bit of cls;
// raises a Lua error naming fn otherwise.
SGNode* checkNode(lua_State* L, int index, SGNodeClass cls, const char* fn, const char* expected)
{
    NodeHandle* handle = toNodeHandle(L, index);
    if (!handle)
        luaL_error(L, "%s: %s expected, got %s", fn, expected, typeNameAt(L, index));
    SGNode* node = liveNode(handle);
    if (!node)
        luaL_error(L, "%s: the %s no longer exists (removed from its space, or its scene was deleted)", fn, expected);
    if (!node->isKindOf(cls))
        luaL_error(L, "%s: %s expected, got another kind of node", fn, expected);
    return node;
}

SGSpace* checkSpace(lua_State* L, int index, const char* fn)
{
    return static_cast<SGSpace*>(checkNode(L, index, SGSpaceClass, fn, "space"));
}

SGRenderNode* checkRenderNode(lua_State* L, int index, const char* fn)
{
    return static_cast<SGRenderNode*>(checkNode(L, index, SGRenderNodeClass, fn, "render node"));
}

SGAttributeNode* checkAttributeNode(lua_State* L, int index, const char* fn)
{
    SGAttributeNode* node = dynamic_cast<SGAttributeNode*>(checkNode(L, index, SGAttributeNodeClass, fn, "attribute node"));
    if (!node)
        luaL_error(L, "%s: attribute node expected", fn);
    return node;
}

SceneHandle* checkSceneHandle(lua_State* L, int index, const char* fn)
{
    if (!isHandle(L, index, sizeof(SceneHandle)) || !hasRegistryMetatable(L, index, kSceneMT))
        luaL_error(L, "%s: scene expected, got %s", fn, typeNameAt(L, index));
    return static_cast<SceneHandle*>(lua_touserdata(L, index));
}

SGScene* checkScene(lua_State* L, int index, const char* fn)
{
    SceneHandle* handle = checkSceneHandle(L, index, fn);
    auto* scene = dynamic_cast<SGScene*>(SGObject::liveObject(handle->scene, handle->serial));
    if (!scene)
        luaL_error(L, "%s: the scene was deleted", fn);
    return scene;
}

// The manager pointer in a manager object with the given registry
// metatable; null for anything else (a missing manager is no manager).
void* managerAt(lua_State* L, int index, const char* metatable)
{
    if (index <= 0 || lua_type(L, index) != LUA_TUSERDATA || lua_objlen(L, index) < sizeof(void*) ||
        !hasRegistryMetatable(L, index, metatable))
        return nullptr;
    return *static_cast<void**>(lua_touserdata(L, index));
}

// ---- Ports --------------------------------------------------------------

// Pushes a port object; metatable is the stack index of the port metatable.
void pushPort(lua_State* L, SGObject* node, uint64_t serial, int id, int metatable)
{
    lua_createtable(L, 3, 0);
    lua_pushlightuserdata(L, node);
    lua_rawseti(L, -2, 1);
    lua_pushinteger(L, id);
    lua_rawseti(L, -2, 2);
    lua_pushlightuserdata(L, reinterpret_cast<void*>(static_cast<uintptr_t>(serial)));
    lua_rawseti(L, -2, 3);
    lua_pushvalue(L, metatable);
    lua_setmetatable(L, -2);
}

// The port named by the port object at index; raises a Lua error naming fn
// when it is no port object, its node is gone or the node lacks the port.
SGPort* checkPort(lua_State* L, int index, const char* fn)
{
    if (index <= 0 || !lua_istable(L, index))
        luaL_error(L, "%s: port object expected, got %s", fn, typeNameAt(L, index));
    lua_rawgeti(L, index, 1);
    lua_rawgeti(L, index, 2);
    lua_rawgeti(L, index, 3);
    const bool wellFormed = lua_islightuserdata(L, -3) && lua_type(L, -2) == LUA_TNUMBER && lua_islightuserdata(L, -1);
    const void* address = lua_touserdata(L, -3);
    const int id = integerAt(L, lua_gettop(L) - 1);
    const uint64_t serial = reinterpret_cast<uintptr_t>(lua_touserdata(L, -1));
    lua_pop(L, 3);
    if (!wellFormed)
        luaL_error(L, "%s: port object expected, got a table", fn);
    SGNode* node = asNode(SGObject::liveObject(address, serial));
    if (!node)
        luaL_error(L, "%s: the port's node no longer exists (removed from its space, or its scene was deleted)", fn);
    SGPort* port = node->portForID(static_cast<SGPortID>(id));
    if (!port)
        luaL_error(L, "%s: the node has no port '%s'", fn, SGPortIDNameOf(id));
    return port;
}

void connectPorts(lua_State* L, SGPort* port, SGPort* source, const char* fn)
{
    if (!port->canConnectTo(source))
        luaL_error(L, "%s: connecting these ports would close a cycle", fn);
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
    else
        typed->value = value;
    return true;
}

enum class StoreResult { stored, unhandledType, noText };

// Converts the Lua value at index for the port's type and stores it,
// marking dependants dirty when mark is set.
StoreResult storeScriptValue(lua_State* L, SGPort* port, int index, bool mark)
{
    bool stored = false;
    switch (port->type) {
    case STRING: {
        std::string text;
        if (!scriptValueAsText(L, index, text))
            return StoreResult::noText;
        stored = storeTyped<SGStringPort>(port, text, mark);
        break;
    }
    case NUMBER:
        stored = storeTyped<SGNumberPort>(port, static_cast<float>(lua_tonumber(L, index)), mark);
        break;
    case INTEGER:
        stored = storeTyped<SGIntegerPort>(port, SGTruncateToInteger(static_cast<float>(lua_tonumber(L, index))), mark);
        break;
    case BOOLEAN:
        stored = storeTyped<SGBooleanPort>(port, lua_toboolean(L, index) != 0, mark);
        break;
    default:
        break;
    }
    return stored ? StoreResult::stored : StoreResult::unhandledType;
}

// port:value() -> the value converted to the port's own type; nil for
// colour, sound, image and nil-typed ports.
int port_value(lua_State* L)
{
    SGPort* port = checkPort(L, 1, "port:value");
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
// converted and stored, marking dependants dirty when mark is true.
int port_setValue(lua_State* L)
{
    SGPort* port = checkPort(L, 1, "port:setValue");
    if (lua_istable(L, 2)) {
        connectPorts(L, port, checkPort(L, 2, "port:setValue"), "port:setValue");
        return 0;
    }
    switch (storeScriptValue(L, port, 2, lua_toboolean(L, 3) != 0)) {
    case StoreResult::stored:
        return 0;
    case StoreResult::noText:
        return luaL_error(L, "port:setValue: a %s value cannot be stored in a string port", luaL_typename(L, 2));
    case StoreResult::unhandledType:
        break;
    }
    if (port->type > BOOLEAN)
        std::printf("SGPort:setValue unhandled type\n");
    return luaL_error(L, "port:setValue: a %s port takes no script value; connect it to another port instead",
                      portTypeName(port->type));
}

// port:connectToAttribute(holder): connects the port to the attribute node
// that holder:getNode() returns.
int port_connectToAttribute(lua_State* L)
{
    SGPort* port = checkPort(L, 1, "port:connectToAttribute");
    const int holder = lua_gettop(L);
    if (holder < 2)
        return luaL_error(L, "port:connectToAttribute: attribute holder expected");
    lua_getfield(L, holder, "getNode");
    lua_pushvalue(L, holder);
    lua_call(L, 1, 1);
    SGAttributeNode* attribute = checkAttributeNode(L, lua_gettop(L), "port:connectToAttribute (result of getNode)");
    if (!attribute->port)
        return luaL_error(L, "port:connectToAttribute: the attribute node has no port (unsupported type)");
    connectPorts(L, port, attribute->port, "port:connectToAttribute");
    lua_pop(L, 1);
    return 0;
}

// ---- Scenes -------------------------------------------------------------

// scene.new(soundManager, assetManager) -> scene. A deleted asset manager
// is an error: its loader nodes would output nothing, silently.
int scene_new(lua_State* L)
{
    auto* soundManager = static_cast<SoundManager*>(managerAt(L, lastArg(L, 2, 1), kSoundManagerMT));
    const int assetIndex = lastArg(L, 2, 2);
    auto* assetManager = static_cast<AssetManager*>(managerAt(L, assetIndex, kAssetManagerMT));
    if (!assetManager && hasRegistryMetatable(L, assetIndex, kAssetManagerMT))
        return luaL_error(L, "scene.new: the asset manager was deleted");
    auto* handle = static_cast<SceneHandle*>(lua_newuserdata(L, sizeof(SceneHandle)));
    handle->scene = nullptr;
    handle->serial = 0;
    luaL_getmetatable(L, kSceneMT);
    lua_setmetatable(L, -2);
    auto* scene = new SGScene(soundManager, assetManager);
    handle->scene = scene;
    handle->serial = scene->serial();
    return 1;
}

// scene:delete(): destroys the scene with its spaces; a second call does nothing.
int scene_delete(lua_State* L)
{
    SceneHandle* handle = checkSceneHandle(L, lastArg(L, 1, 1), "scene:delete");
    if (SGObject* scene = SGObject::liveObject(handle->scene, handle->serial))
        scene->release();
    handle->scene = nullptr;
    return 0;
}

int scene_defaultSpace(lua_State* L)
{
    SGScene* scene = checkScene(L, lastArg(L, 1, 1), "scene:defaultSpace");
    pushNode(L, &scene->defaultSpace);
    return 1;
}

int scene_createSpace(lua_State* L)
{
    SGScene* scene = checkScene(L, lastArg(L, 2, 1), "scene:createSpace");
    const auto cls = static_cast<SGNodeClass>(integerAt(L, lastArg(L, 2, 2)));
    pushNode(L, scene->createSpace(cls));
    return 1;
}

int scene_removeSpace(lua_State* L)
{
    SGScene* scene = checkScene(L, lastArg(L, 2, 1), "scene:removeSpace");
    scene->removeSpace(checkSpace(L, lastArg(L, 2, 2), "scene:removeSpace"));
    return 0;
}

int scene_render(lua_State* L)
{
    checkScene(L, lastArg(L, 1, 1), "scene:render")->render();
    return 0;
}

int scene_renderWithInitialState(lua_State* L)
{
    SGScene* scene = checkScene(L, lastArg(L, 2, 1), "scene:renderWithInitialState");
    SGScene* initial = checkScene(L, lastArg(L, 2, 2), "scene:renderWithInitialState");
    scene->renderWithInitialState(*initial);
    return 0;
}

// ---- Spaces, render nodes, nodes ----------------------------------------

// space:createNode(class) -> node, or nil for a class a space cannot create
int space_createNode(lua_State* L)
{
    SGSpace* space = checkSpace(L, lastArg(L, 2, 1), "space:createNode");
    const auto cls = static_cast<SGNodeClass>(integerAt(L, lastArg(L, 2, 2)));
    pushNode(L, space->createNode(cls));
    return 1;
}

int space_removeNode(lua_State* L)
{
    const int nodeIndex = lua_gettop(L) >= 2 ? lua_gettop(L) : 0;
    if (nodeIndex == 0 || lua_type(L, nodeIndex) != LUA_TUSERDATA) {
        std::printf("Attempt to remove nil node\n");
        lua_getfield(L, LUA_GLOBALSINDEX, "logtrace");
        if (lua_isfunction(L, -1))
            lua_call(L, 0, 0);
        else
            lua_pop(L, 1);
        return 0;
    }
    SGSpace* space = checkSpace(L, nodeIndex - 1, "space:removeNode");
    space->removeNode(checkNode(L, nodeIndex, 0, "space:removeNode", "node"));
    return 0;
}

int space_sortRenderNodes(lua_State* L)
{
    checkSpace(L, lastArg(L, 1, 1), "space:sortRenderNodes")->sortRenderNodes();
    return 0;
}

int space_countRenderNodes(lua_State* L)
{
    lua_pushinteger(L, checkSpace(L, lastArg(L, 1, 1), "space:countRenderNodes")->countRenderNodes());
    return 1;
}

int renderNode_getLayer(lua_State* L)
{
    lua_pushinteger(L, checkRenderNode(L, lastArg(L, 1, 1), "renderNode:getLayer")->layer);
    return 1;
}

int renderNode_setLayer(lua_State* L)
{
    SGRenderNode* node = checkRenderNode(L, lastArg(L, 2, 1), "renderNode:setLayer");
    node->layer = integerAt(L, lastArg(L, 2, 2));
    return 0;
}

int node_compute(lua_State* L)
{
    checkNode(L, lastArg(L, 1, 1), 0, "node:compute", "node")->compute();
    return 0;
}

// ---- Attribute nodes ----------------------------------------------------

// attributeNode.new(valueType) -> attribute node object owning the node
int attributeNode_new(lua_State* L)
{
    const auto type = static_cast<SGPortValueType>(integerAt(L, lastArg(L, 1, 1)));
    auto* node = new SGAttributeNode(type);
    // Creating the userdata may raise a memory error: do not leak the node.
    struct Releaser {
        SGNode* node;
        ~Releaser() { node->release(); }
    } creationReference{node};
    pushNode(L, node);  // the object takes its own reference
    return 1;
}

// attributeNode:setValue(value, mark): stores into the node's one port with
// the conversions of port:setValue (a table is not taken as a port).
int attributeNode_setValue(lua_State* L)
{
    SGAttributeNode* node = checkAttributeNode(L, 1, "attributeNode:setValue");
    if (!node->port)
        return 0;
    switch (storeScriptValue(L, node->port, 2, lua_toboolean(L, 3) != 0)) {
    case StoreResult::stored:
        break;
    case StoreResult::noText:
        return luaL_error(L, "attributeNode:setValue: a %s value cannot be stored in a string attribute",
                          luaL_typename(L, 2));
    case StoreResult::unhandledType:
        std::printf("AttributeNode:setValue unhandled type\n");
        break;
    }
    return 0;
}

int attributeNode_gc(lua_State* L)
{
    const int index = lastArg(L, 1, 1);
    if (!isHandle(L, index, sizeof(NodeHandle)) || !hasRegistryMetatable(L, index, kAttributeNodeMT))
        return 0;
    auto* handle = static_cast<NodeHandle*>(lua_touserdata(L, index));
    if (SGObject* node = SGObject::liveObject(handle->node, handle->serial))
        node->release();
    handle->node = nullptr;
    return 0;
}

// ---- Module -------------------------------------------------------------

// __index of node objects (upvalues: the metatable it belongs to, the port
// name table, the port metatable): a port name gives a port object, anything
// else the metatable's entry. Scripts reach ports through here every frame,
// so the tables come as upvalues rather than registry lookups by name.
int node_index(lua_State* L)
{
    lua_pushvalue(L, 2);
    lua_rawget(L, lua_upvalueindex(2));
    if (lua_type(L, -1) == LUA_TNUMBER) {
        const int id = integerAt(L, lua_gettop(L));
        if (!isHandle(L, 1, sizeof(NodeHandle)))
            return 0;
        // The handle is not checked for life here: the port object carries
        // the serial, and every use of it checks.
        const auto* handle = static_cast<const NodeHandle*>(lua_touserdata(L, 1));
        pushPort(L, handle->node, handle->serial, id, lua_upvalueindex(3));
        return 1;
    }
    lua_pushvalue(L, lua_upvalueindex(1));
    lua_pushvalue(L, 2);
    lua_gettable(L, -2);
    return 1;
}

const luaL_Reg scene_functions[] = {
    {"new", guarded<scene_new>},
    {"delete", guarded<scene_delete>},
    {"defaultSpace", guarded<scene_defaultSpace>},
    {"createSpace", guarded<scene_createSpace>},
    {"removeSpace", guarded<scene_removeSpace>},
    {"render", guarded<scene_render>},
    {"renderWithInitialState", guarded<scene_renderWithInitialState>},
    {nullptr, nullptr},
};

const luaL_Reg port_functions[] = {
    {"value", guarded<port_value>},
    {"setValue", guarded<port_setValue>},
    {"connectToAttribute", guarded<port_connectToAttribute>},
    {nullptr, nullptr},
};

const luaL_Reg node_functions[] = {
    {"compute", guarded<node_compute>},
    {nullptr, nullptr},
};

const luaL_Reg attributeNode_functions[] = {
    {"new", guarded<attributeNode_new>},
    {"setValue", guarded<attributeNode_setValue>},
    {"__gc", guarded<attributeNode_gc>},
    {nullptr, nullptr},
};

const luaL_Reg renderNode_functions[] = {
    {"getLayer", guarded<renderNode_getLayer>},
    {"setLayer", guarded<renderNode_setLayer>},
    {nullptr, nullptr},
};

const luaL_Reg space_functions[] = {
    {"createNode", guarded<space_createNode>},
    {"removeNode", guarded<space_removeNode>},
    {"sortRenderNodes", guarded<space_sortRenderNodes>},
    {"countRenderNodes", guarded<space_countRenderNodes>},
    {nullptr, nullptr},
};

struct Constant {
    const char* name;
    int value;
};

const Constant kConstants[] = {
    {"NIL", NIL}, {"STRING", STRING}, {"NUMBER", NUMBER}, {"INTEGER", INTEGER},
    {"BOOLEAN", BOOLEAN}, {"COLOR", COLOR}, {"SOUND", SOUND}, {"IMAGE", IMAGE},
    {"attributeNode", SGAttributeNodeClass}, {"arithmeticNode", SGArithmeticNodeClass},
    {"assetLoaderNode", SGAssetLoaderNodeClass}, {"clearNode", SGClearNodeClass},
    {"colorNode", SGColorNodeClass}, {"imageLoaderNode", SGImageLoaderNodeClass},
    {"ortho2DSpace", SGOrtho2DSpaceClass}, {"particleSystemNode", SGParticleSystemNodeClass},
    {"replicatorSpace", SGReplicatorSpaceClass}, {"space", SGSpaceClass},
    {"spriteNode", SGSpriteNodeClass}, {"soundListenerNode", SGSoundListenerNodeClass},
    {"soundLoaderNode", SGSoundLoaderNodeClass}, {"soundPlayerNode", SGSoundPlayerNodeClass},
    {"stringToImageNode", SGStringToImageNodeClass}, {"wrapSpace", SGWrapSpaceClass},
    {nullptr, 0},
};

// Pushes the new registry metatable name filled with functions; its
// __index is itself, or the port lookup closure when portLookup is set.
void newMetatable(lua_State* L, const char* name, const luaL_Reg* functions, bool portLookup, const char* parent)
{
    luaL_newmetatable(L, name);
    if (parent) {
        luaL_getmetatable(L, parent);
        lua_setmetatable(L, -2);
    }
    luaL_register(L, nullptr, functions);
    lua_pushvalue(L, -1);
    if (portLookup) {
        lua_getfield(L, LUA_REGISTRYINDEX, kNodeConstants);
        luaL_getmetatable(L, kPortMT);
        lua_pushcclosure(L, node_index, 3);
    }
    lua_setfield(L, -2, "__index");
}

void registerPortNames(lua_State* L)
{
    lua_newtable(L);
    for (const SGPortIDName* entry = SGPortIDNames; entry->name; ++entry) {
        lua_pushinteger(L, entry->id);
        lua_setfield(L, -2, entry->name);
    }
    lua_setfield(L, LUA_REGISTRYINDEX, kNodeConstants);
}

}  // namespace

void pushNode(lua_State* L, SGNode* node)
{
    if (!node) {
        lua_pushnil(L);
        return;
    }
    auto* handle = static_cast<NodeHandle*>(lua_newuserdata(L, sizeof(NodeHandle)));
    handle->node = node;
    handle->serial = node->serial();
    const char* metatable = kNodeMT;
    if (node->isKindOf(SGSpaceClass))
        metatable = kSpaceMT;
    else if (node->isKindOf(SGRenderNodeClass))
        metatable = kRenderNodeMT;
    else if (node->isKindOf(SGAttributeNodeClass))
        metatable = kAttributeNodeMT;
    luaL_getmetatable(L, metatable);
    lua_setmetatable(L, -2);
    if (metatable == kAttributeNodeMT)
        node->retain();  // released by the object's __gc
}

int luaopen_scenegraph(lua_State* L)
{
    lua_newtable(L);
    const int module = lua_gettop(L);
    for (const Constant* constant = kConstants; constant->name; ++constant) {
        lua_pushinteger(L, constant->value);
        lua_setfield(L, module, constant->name);
    }

    newMetatable(L, kSceneMT, scene_functions, false, nullptr);
    lua_setfield(L, module, "scene");
    newMetatable(L, kPortMT, port_functions, false, nullptr);
    lua_pop(L, 1);
    registerPortNames(L);
    newMetatable(L, kNodeMT, node_functions, true, nullptr);
    lua_pop(L, 1);
    newMetatable(L, kAttributeNodeMT, attributeNode_functions, true, nullptr);
    lua_setfield(L, module, "attributeNode");  // replaces the class constant
    newMetatable(L, kRenderNodeMT, renderNode_functions, true, kNodeMT);
    lua_pop(L, 1);
    newMetatable(L, kSpaceMT, space_functions, true, kRenderNodeMT);
    lua_pop(L, 1);

    lua_setfield(L, LUA_GLOBALSINDEX, "scenegraph");
    return 0;
}
