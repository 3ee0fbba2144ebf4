// The luaObjc bridge through a real interpreter: class lookup, selector
// mapping, conversions by type code, wrapper lifetimes, error handling.
#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

#include "bridge/luaObjc.h"
#include "bridge/runtime/TNClass.h"
#include "bridge/runtime/TNInvocation.h"
#include "bridge/runtime/TNNotificationCenter.h"
#include "bridge/runtime/TNNumber.h"
#include "bridge/runtime/TNString.h"
#include "ScriptState.h"

namespace {

// A class with one method per conversion worth checking.
struct Gadget : TNObject {
    static int alive;
    Gadget() { ++alive; }
    ~Gadget() override { --alive; }
    static TNClass* runtimeClass();
    TNClass* objectClass() const override { return runtimeClass(); }
    std::string lastText;
    TNObject* lastObject = reinterpret_cast<TNObject*>(1);  // compared only, never used
    bool lastWasString = false;
};
int Gadget::alive = 0;

Gadget& self(TNInvocation& inv) { return *static_cast<Gadget*>(inv.target()); }

TNClass* Gadget::runtimeClass()
{
    static TNClass* cls = [] {
        TNClass* c = TNClass::define("LuaObjcTestGadget", TNObject::runtimeClass());
        using I = TNInvocation;
        c->addClassMethod("gadget", "@#:", [](TNInvocation& inv) { inv.setReturnObject(TNMake<Gadget>().get()); });
        c->addInstanceMethod("flag", "c@:", [](TNInvocation& inv) { inv.setReturnBool(true); });
        c->addInstanceMethod("tenth", "d@:", [](TNInvocation& inv) { inv.setReturnDouble(0.1); });
        c->addInstanceMethod("sum:plus:", "i@:ii", [](I& i) { i.setReturnInt(i.intArgument(2) + i.intArgument(3)); });
        c->addInstanceMethod("unsignedEcho:", "I@:I", [](I& i) { i.setReturnUnsignedInt(i.unsignedIntArgument(2)); });
        c->addInstanceMethod("half:", "f@:f", [](I& i) { i.setReturnFloat(i.floatArgument(2) / 2); });
        c->addInstanceMethod("charSlot:", "i@:c", [](I& i) { i.setReturnInt(int32_t(i.longLongArgument(2))); });
        c->addInstanceMethod("take:", "v@:@", [](TNInvocation& inv) {
            TNObject* o = inv.objectArgument(2);
            self(inv).lastObject = o;
            self(inv).lastWasString = dynamic_cast<TNString*>(o) != nullptr;
            self(inv).lastText = o ? o->description() : "(null)";
        });
        c->addInstanceMethod("nameOfClass:", "@@:#", [](TNInvocation& inv) {
            TNClass* k = inv.classArgument(2);
            inv.setReturnObject(TNString::create(k ? k->name() : "none").get());
        });
        c->addInstanceMethod("selfClass", "#@:", [](I& i) { i.setReturnObject(i.target()->objectClass()); });
        c->addInstanceMethod("boom", "v@:", [](TNInvocation&) { throw std::runtime_error("gadget broke"); });
        c->addInstanceMethod("set_value:", "v@:i", [](TNInvocation&) {});
        return c;
    }();
    return cls;
}

class LuaObjcTest : public ::testing::Test, protected tern_test::ScriptState {
protected:
    LuaObjcTest() : ScriptState({luaopen_luaObjc}) { Gadget::runtimeClass(); }
};

}  // namespace

TEST_F(LuaObjcTest, ConversionsByTypeCodeAndSelectorMapping)
{
    run("g = luaObjc.class('LuaObjcTestGadget'):gadget()");
    const std::pair<const char*, const char*> cases[] = {
        {"luaObjc.class('NSString'):stringWithString_('made')", "made"},
        // Results.
        {"select('#', g:flag())", "0"},
        {"g:tenth() == 0.1", "true"},  // narrowed to float like the literal
        {"g:selfClass():gadget() ~= nil", "true"},
        // Arguments.
        {"g:sum_plus_(2.9, -4.9)", "-2"},  // cut to integers; a negative result
        {"g:unsignedEcho_(3000000000)", "3e+09"},  // argument and result above 2^31
        {"g:half_(2.5)", "1.25"},
        {"g:charSlot_(65)", "0"},  // "c" arguments stay zero
        {"g:nameOfClass_(luaObjc.class('NSNumber'))", "TNNumber"},
    };
    for (const auto& [expression, value] : cases)
        EXPECT_EQ(eval(expression), value) << expression;

    lua_getglobal(L(), "g");
    auto* gadget = static_cast<Gadget*>(luaObjc_getid(L(), -1));
    lua_pop(L(), 1);
    ASSERT_NE(gadget, nullptr);
    run("g:take_(12.5)");
    EXPECT_EQ(gadget->lastText, "12.5");
    EXPECT_TRUE(gadget->lastWasString);  // a number arrives as a string object
    // Wrappers pass the object or class they hold; other values pass null.
    const std::pair<const char*, TNObject*> objects[] = {
        {"nil", nullptr}, {"{}", nullptr}, {"g", gadget}, {"luaObjc.class('NSNumber')", TNNumber::runtimeClass()}};
    for (const auto& [argument, object] : objects) {
        run(std::string("g:take_(") + argument + ")");
        EXPECT_EQ(gadget->lastObject, object) << argument;
    }

    testing::internal::CaptureStderr();
    EXPECT_EQ(eval("select('#', luaObjc.class('NoSuchClass'):alloc())"), "0");
    // A selector with a real underscore cannot be reached.
    run("g:set_value_(1)");
    // A number names a method like a string does, which the object lacks.
    EXPECT_EQ(eval("select('#', g[7](g))"), "0");
    run("local o = setmetatable({}, getmetatable(g)) o:anything()");
    const std::string log = testing::internal::GetCapturedStderr();
    EXPECT_NE(log.find("luaObject_object_method_call attempt to call method anything on nil\n"), std::string::npos);
    EXPECT_NE(log.find("luaObjc: class (null) has no method called alloc\n"), std::string::npos) << log;
    EXPECT_NE(log.find("does not respond to selector: set:value:"), std::string::npos) << log;
    EXPECT_NE(log.find("does not respond to selector: 7"), std::string::npos) << log;
    // Keys that are not strings or numbers name no method: the field is nil.
    run("cls = luaObjc.class('LuaObjcTestGadget')");
    for (const char* key : {"{}", "true", "print", "g"})
        EXPECT_EQ(eval(std::string("g[") + key + "]") + eval(std::string("cls[") + key + "]"), "nilnil") << key;

    EXPECT_NE(errorOf("g:boom()").find("gadget broke"), std::string::npos);
    // An index out of range in a value class is a Lua error too.
    EXPECT_NE(errorOf("luaObjc.class('NSMutableArray'):array():objectAtIndex_(3)"), "");
}

TEST_F(LuaObjcTest, WrappersReleasedOncePerWrapper)
{
    TNRef<Gadget> gadget = TNMake<Gadget>();
    luaObjc_pushid(L(), gadget.get());
    lua_setglobal(L(), "a");
    luaObjc_pushid(L(), gadget.get());
    lua_setglobal(L(), "b");
    EXPECT_EQ(gadget->retainCount(), 3);
    EXPECT_EQ(eval("rawequal(a, b)"), "false");
    run("a = nil collectgarbage()");
    EXPECT_EQ(gadget->retainCount(), 2);
    run("b = nil collectgarbage()");
    EXPECT_EQ(gadget->retainCount(), 1);

    // The box's finaliser is reachable from a script; given anything but one
    // of the boxes it releases nothing. A box put into a wrapper by the script
    // is not taken for an object either. "foreign" is someone else's
    // userdata holding the same pointer.
    *static_cast<TNObject**>(lua_newuserdata(L(), sizeof(TNObject*))) = gadget.get();
    lua_setglobal(L(), "foreign");
    luaObjc_pushid(L(), gadget.get());
    lua_setglobal(L(), "w");
    run("finalise = getmetatable(w.luaObjc__object).__gc");
    for (const char* other : {"foreign", "nil", "'text'", "{}", "newproxy(true)", "w"}) {
        run(std::string("finalise(") + other + ")");
        EXPECT_EQ(gadget->retainCount(), 2) << other;
    }
    testing::internal::CaptureStderr();
    run("keep = w.luaObjc__object rawset(w, 'luaObjc__object', foreign) w:flag()");
    EXPECT_NE(testing::internal::GetCapturedStderr().find("on nil"), std::string::npos);
    EXPECT_EQ(gadget->retainCount(), 2);

    // Its own box is released once, however often it is finalised.
    run("w2 = luaObjc.class('LuaObjcTestGadget'):gadget() box = w2.luaObjc__object");
    const int alive = Gadget::alive;
    run("finalise(box) finalise(box)");
    EXPECT_EQ(Gadget::alive, alive - 1);
    run("w2 = nil box = nil collectgarbage()");
    EXPECT_EQ(Gadget::alive, alive - 1);
}

TEST_F(LuaObjcTest, ScriptUsesValueClassesAndNotifications)
{
    std::vector<std::string> posted;
    uint64_t token = TNNotificationCenter::defaultCenter()->addObserver(
        "ScriptPing", nullptr, [&](const TNNotification& n) { posted.push_back(n.object()->description()); });
    run(R"(
        local list = luaObjc.class('NSMutableArray'):array()
        list:addObject_('a')
        list:addObject_(2)
        list:insertObject_atIndex_('z', 0)
        count = list:count()
        first = list:objectAtIndex_(0)
        local d = luaObjc.class('NSMutableDictionary'):dictionary()
        d:setObject_forKey_(list, 'list')
        same, missing = d:objectForKey_('list'):count(), d:objectForKey_('none')
        luaObjc.class('NSNotificationCenter'):defaultCenter():postNotificationName_object_('ScriptPing', 'hello')
    )");
    TNNotificationCenter::defaultCenter()->removeObserver(token);
    EXPECT_EQ(eval("count .. first .. same .. tostring(missing)"), "3z3nil");
    EXPECT_EQ(posted, std::vector<std::string>{"hello"});
}
