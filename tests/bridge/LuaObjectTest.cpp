// LuaObject, LuaArray and LuaObjectObserver over real script tables.
#include <gtest/gtest.h>

#include <functional>

#include "lualib.h"
#include "bridge/LuaArray.h"
#include "bridge/LuaErrorException.h"
#include "bridge/LuaObject.h"
#include "bridge/LuaState.h"
#include "bridge/runtime/TNClass.h"
#include "bridge/runtime/TNInvocation.h"
#include "bridge/runtime/TNMainQueue.h"
#include "bridge/runtime/TNNotificationCenter.h"
#include "bridge/runtime/TNNull.h"
#include "bridge/runtime/TNNumber.h"
#include "bridge/runtime/TNString.h"

namespace {

std::string text(const TNRef<TNObject>& o) { return o ? o->description() : "(nothing)"; }

struct KeyWatcher : TNObject {
    void observeValueForKeyPath(const std::string& keyPath, TNObject*, bool, void*) override { seen.push_back(keyPath); }
    std::vector<std::string> seen;
};

// Answers luaCollectionDidChange: through the runtime.
struct CollectionWatcher : TNObject {
    int changes = 0;
    static TNClass* runtimeClass()
    {
        static TNClass* cls = [] {
            TNClass* c = TNClass::define("LuaObjectTestCollectionWatcher", TNObject::runtimeClass());
            c->addInstanceMethod("luaCollectionDidChange:", "v@:@", [](TNInvocation& inv) {
                ++static_cast<CollectionWatcher*>(inv.target())->changes;
            });
            return c;
        }();
        return cls;
    }
    TNClass* objectClass() const override { return runtimeClass(); }
};

class LuaObjectTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        TNMainQueue::runPending();
        state = LuaState::createWithNewState();
        luaL_openlibs(state->state());
        state->doString(R"(
            plain = { a = 1, sub = { b = 2 }, 'x', 'y', nil, 'gap' }
            custom = { real = 'field' }
            function custom:valueForKey(key) return 'custom:' .. key end
            function custom:setValueForKey(value, key) rawset(self, 'stored_' .. key, value) end
            function custom:greet(who) return 'hello ' .. tostring(who) end
        )");
    }
    TNRef<LuaObject> global(const std::string& name)
    {
        TNRef<TNObject> value = state->globalObject()->valueForKey(name);
        return TNRef<LuaObject>(dynamic_cast<LuaObject*>(value.get()));
    }
    TNRef<LuaState> state;
};

// The accessor to run from inside callHost, on the proxy of "target".
std::function<void(LuaObject&)> hostAccess;
TNRef<LuaObject> hostTarget;

// A C function of the script (the engine lock held by this thread, its
// frame on the state's stack) that calls back into a proxy, then answers
// how many values its frame holds and its second argument.
int callHost(lua_State* L)
{
    hostAccess(*hostTarget);
    const int top = lua_gettop(L);
    lua_pushinteger(L, top);
    lua_pushvalue(L, 2);
    return 2;
}

}  // namespace

TEST_F(LuaObjectTest, FieldsIndexesAndMethods)
{
    TNRef<LuaObject> plain = global("plain");
    EXPECT_TRUE(TNNull::isNull(plain->valueForKey("missing").get()));
    EXPECT_FALSE(plain->valueAtIndex(9));
    EXPECT_EQ(text(static_cast<LuaObject*>(plain->valueForKey("sub").get())->valueForKey("b")), "2");
    TNObjectList items = plain->toArray();
    ASSERT_EQ(items.size(), 2u);  // stops at the nil at index 3
    EXPECT_EQ(text(items[1]), "y");
    plain->setValueForKey(nullptr, "a");
    EXPECT_EQ(state->evaluateExpression("plain.a"), "nil");

    TNRef<LuaObject> custom = global("custom");
    EXPECT_EQ(text(custom->valueForKey("real")), "custom:real");  // the method wins over the field
    EXPECT_EQ(text(custom->invokeMethod("greet", {TNString::create("you")})), "hello you");
    EXPECT_EQ(text(custom->invokeMethod("greet", {nullptr, TNString::create("ignored")})), "hello nil");
    EXPECT_FALSE(custom->invokeMethod("noSuchMethod"));

    EXPECT_TRUE(plain->isEqual(global("plain").get()));
    EXPECT_FALSE(plain->isEqual(custom.get()));
}

TEST_F(LuaObjectTest, DictionaryClassesAndNotifications)
{
    state->doString(R"(
        function table.keys(self, t) local k = {} for key in pairs(t) do k[#k + 1] = key end return k end
        mixed = { 'one', name = 'n', [{}] = 'b' }
        Animal = {}
        Stone = {}
        pet = setmetatable({}, { __index = Animal })
        function instanceOfClassType(o, cls) if getmetatable(o) and getmetatable(o).__index == cls then return true end end
        bad = {} function bad:setValueForKey() error('refused') end
    )");
    TNRef<TNDictionary> d = global("mixed")->toDictionary();
    EXPECT_EQ(d->count(), 3u);
    EXPECT_EQ(text(d->objectForKey(TNNumber::withInt(1).get())), "one");
    EXPECT_EQ(text(d->objectForKey("name")), "n");
    for (const TNRef<TNObject>& key : d->allKeys()) {
        if (dynamic_cast<LuaObject*>(key.get()))  // a table key: no value read
            EXPECT_TRUE(TNNull::isNull(d->objectForKey(key.get())));
    }

    EXPECT_TRUE(global("pet")->isInstanceOfLuaClass("Animal"));
    EXPECT_FALSE(global("pet")->isInstanceOfLuaClass("Stone"));

    int sets = 0;
    uint64_t token = TNNotificationCenter::defaultCenter()->addObserver(
        "luaObjectSetValueNotification", state.get(), [&](const TNNotification&) { ++sets; });
    global("pet")->setValueForKey(TNNumber::withInt(1).get(), "legs");
    global("pet")->setValueAtIndex(TNNumber::withInt(1).get(), 1);
    // A write the script refuses is not posted, but its observers still hear of it.
    TNRef<LuaObject> bad = global("bad");
    KeyWatcher watcher;
    bad->TNObject::addObserver(&watcher, "k", 0, nullptr);
    testing::internal::CaptureStderr();
    EXPECT_THROW(bad->setValueForKey(TNNumber::withInt(1).get(), "k"), LuaErrorException);
    testing::internal::GetCapturedStderr();
    TNNotificationCenter::defaultCenter()->removeObserver(token);
    EXPECT_EQ(sets, 2);
    EXPECT_EQ(watcher.seen, (std::vector<std::string>{"k"}));
    bad->removeObserver(&watcher, "k");
    state->lockState();
    EXPECT_EQ(state->getTop(), 0);
    state->unlockState();
}

TEST_F(LuaObjectTest, ObserversReportScriptChangesOnTheMainThread)
{
    state->doString(R"(
        model = { observers = {} }
        function model:addObjcObserver(observer, key) self.observers[key] = observer; self.lastKey = key end
        function model:removeObjcObserver(key) removedKey = key end
        function model:set(k, v)
            self[k] = v
            for _, o in pairs(self.observers) do o:valueDidChangeForKey_(k) end
        end
        function model:add(k) for _, o in pairs(self.observers) do o:objectAddedForKey_(k) end end
    )");
    TNRef<LuaObject> model = global("model");
    KeyWatcher watcher;
    model->addObserver(&watcher, "score", 0, nullptr);
    model->addObserver(&watcher, "player.name", 0, nullptr);  // handed to the script only
    std::string key = model->getObjectObserverKey();
    EXPECT_EQ(key.rfind("<LuaObjectObserver: ", 0), 0u);
    EXPECT_EQ(state->evaluateExpression("model.lastKey"), key);

    model->setSendNotifications(true);
    int posted = 0;
    uint64_t token = TNNotificationCenter::defaultCenter()->addObserver(
        "LuaValueDidChange", model.get(), [&](const TNNotification& n) {
            ++posted;
            EXPECT_EQ(text(n.userInfo()->objectForKey("key")), "score");
        });
    model->invokeMethod("set", {TNString::create("score"), TNNumber::withInt(10)});
    EXPECT_TRUE(watcher.seen.empty());  // delivered on the main thread, later
    TNMainQueue::runPending();
    EXPECT_EQ(watcher.seen, (std::vector<std::string>{"score"}));
    EXPECT_EQ(posted, 1);
    TNNotificationCenter::defaultCenter()->removeObserver(token);

    // A host-side write is announced once, not again when the script echoes it.
    watcher.seen.clear();
    model->setValueForKey(TNNumber::withInt(3).get(), "score");
    EXPECT_EQ(watcher.seen.size(), 1u);

    TNRef<CollectionWatcher> collection = TNMake<CollectionWatcher>();
    model->addObserver(collection.get());
    model->invokeMethod("add", {TNString::create("items")});
    TNMainQueue::runPending();
    EXPECT_EQ(collection->changes, 1);
    model->removeObserver(&watcher, "score");

    // Releasing the proxy tells the script to forget the observer.
    model = nullptr;
    EXPECT_EQ(state->evaluateExpression("removedKey"), key);
}

TEST_F(LuaObjectTest, ReferencesFreedAndClosedStates)
{
    state->doString("t = {}");
    state->collectGarbage();
    const int base = state->totalMemoryAllocated();
    for (int i = 0; i < 2000; ++i)
        global("t");
    state->collectGarbage();
    EXPECT_LE(state->totalMemoryAllocated(), base + 2);  // references released with their proxies

    TNRef<LuaObject> deactivated = global("t");
    const int ref = deactivated->ref();
    deactivated->deactivate();
    EXPECT_EQ(deactivated->ref(), -1);
    state->lockState();
    state->dereference(ref);
    EXPECT_EQ(state->luaType(), LUA_TTABLE);  // freed later, on the main thread
    state->setTop(0);
    state->unlockState();
    TNMainQueue::runPending();

    // Proxies and observers outliving their state do nothing.
    TNRef<LuaObject> survivor = global("t");
    survivor->addObserver(TNMake<TNObject>().get(), "x", 0, nullptr);
    state = nullptr;  // destroys the state
    EXPECT_FALSE(survivor->valueForKey("x"));
    EXPECT_FALSE(survivor->luaState());
    EXPECT_EQ(survivor->toDictionary()->count(), 0u);
}

TEST_F(LuaObjectTest, LuaArrayProtocol)
{
    state->doString(R"(
        list = { calls = {} }  -- the elements are the list's own array part
        local function log(s) list.calls[#list.calls + 1] = s end
        function list:count() return #self end
        function list:indexOfObject(o) for i, v in ipairs(self) do if v == o then return i end end return 0 end
        function list:addObjectAtIndex(o, i, k) log('add ' .. tostring(i) .. ' ' .. tostring(k)); table.insert(self, i, o) end
        function list:removeObjectAtIndex(i) log('remove ' .. i); table.remove(self, i) end
        function list:setObjectForKey(o, i) self[i] = o end
        a = { objectKey = 'ka' } b = { objectKey = 'kb' } c = { objectKey = 'kc' } d = { objectKey = 'kd' }
    )");
    TNRef<LuaObject> proxy = global("list");
    LuaArray array(proxy.get());
    array.setArray({global("a"), global("b"), global("c"), global("d")});
    EXPECT_EQ(array.indexOfObject(global("c").get()), 2u);
    EXPECT_EQ(array.indexOfObject(TNString::create("none").get()), LuaArray::NotFound);

    state->doString("list.calls = {}");
    array.moveObjectAtIndex(0, 3);
    array.moveObjectAtIndex(3, 0);
    EXPECT_EQ(state->evaluateExpression("table.concat(list.calls, ',')"), "remove 1,add 3 ka,remove 4,add 1 kd");
    array.replaceObjectAtIndex(0, TNString::create("s").get());
    EXPECT_EQ(text(array.objectAtIndex(0)), "s");
    array.removeLastObject();
    array.addObject(TNString::create("end").get());
    EXPECT_EQ(array.count(), 4u);
    EXPECT_EQ(text(array.objectAtIndex(3)), "end");
}

TEST_F(LuaObjectTest, AccessorsInsideAScriptCallKeepTheCallersStack)
{
    lua_register(state->state(), "callHost", callHost);
    const std::vector<std::pair<const char*, std::function<void(LuaObject&)>>> accessors = {
        {"plain", [](LuaObject& o) { EXPECT_EQ(text(o.valueForKey("a")), "1"); }},
        {"plain", [](LuaObject& o) { o.setValueForKey(TNString::create("b").get(), "a"); }},
        {"plain", [](LuaObject& o) { EXPECT_EQ(text(o.valueAtIndex(2)), "y"); }},
        {"plain", [](LuaObject& o) { o.setValueAtIndex(TNString::create("z").get(), 3); }},
        {"plain", [](LuaObject& o) { EXPECT_EQ(o.toArray().size(), 4u); }},
        {"custom", [](LuaObject& o) { EXPECT_EQ(text(o.valueForKey("k")), "custom:k"); }},
        {"custom", [](LuaObject& o) { o.setValueForKey(TNString::create("v").get(), "k"); }},
        {"custom", [](LuaObject& o) { EXPECT_EQ(text(o.invokeMethod("greet")), "hello nil"); }},
        {"custom", [](LuaObject& o) { EXPECT_TRUE(o.isEqual(&o)); }},
        {"custom", [this](LuaObject&) { EXPECT_TRUE(LuaObject::createWithLuaState(state.get())); }},
    };
    for (size_t i = 0; i < accessors.size(); ++i) {
        hostTarget = global(accessors[i].first);
        hostAccess = accessors[i].second;
        state->doString("n, kept = callHost('first', 'second', 'third')");
        EXPECT_EQ(state->evaluateExpression("n .. ' ' .. tostring(kept)"), "3 second") << "accessor " << i;
    }
    hostTarget = nullptr;
    EXPECT_EQ(state->evaluateExpression("plain.a .. plain[3] .. custom.stored_k"), "bzv");
}
