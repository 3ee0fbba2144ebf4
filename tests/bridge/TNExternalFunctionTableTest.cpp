// External functions called by a real engine script through
// callbacks.callExternalFunction. Numbers convert as luaObjc's do (one
// shared conversion, its type codes tested in LuaObjcTest); what is the
// table's own is tested here.
#include <gtest/gtest.h>

#include <stdexcept>

#include "bridge/TNExternalFunctionTable.h"
#include "host/TNLuaState.h"
#include "bridge/runtime/TNClass.h"
#include "bridge/runtime/TNInvocation.h"
#include "bridge/runtime/TNNumber.h"
#include "bridge/runtime/TNString.h"
#include "TestSupport.h"

namespace {

// An embedding application's object with methods of each supported shape.
struct Host : TNObject {
    std::string lastText = "unset";
    void* lastContext = nullptr;
    static TNClass* runtimeClass();
    TNClass* objectClass() const override { return runtimeClass(); }
};

// Each method records the context pointer it was given before its body runs.
TNClass* Host::runtimeClass()
{
    static TNClass* cls = [] {
        TNClass* c = TNClass::define("ExternalFunctionTestHost", TNObject::runtimeClass());
        auto add = [c](const char* selector, const char* types, void (*body)(TNInvocation&, Host&)) {
            c->addInstanceMethod(selector, types, [body](TNInvocation& inv) {
                auto& host = *static_cast<Host*>(inv.target());
                host.lastContext = inv.pointerArgument(2);
                body(inv, host);
            });
        };
        add("describe:with:", "@@:^v@", [](TNInvocation& inv, Host& h) {
            TNObject* o = inv.objectArgument(3);
            h.lastText = o ? o->description() : "(null)";
            inv.setReturnObject(TNString::create("got " + h.lastText).get());
        });
        add("add:a:b:", "i@:^vii", [](TNInvocation& i, Host&) { i.setReturnInt(i.intArgument(3) + i.intArgument(4)); });
        add("big:", "I@:^v", [](TNInvocation& i, Host&) { i.setReturnUnsignedInt(4000000000u); });
        add("scale:by:", "d@:^vd", [](TNInvocation& i, Host&) { i.setReturnDouble(i.doubleArgument(3) * 2); });
        add("number:", "@@:^v", [](TNInvocation& i, Host&) { i.setReturnObject(TNNumber::withDouble(0.1).get()); });
        add("poke:", "v@:^v", [](TNInvocation&, Host& h) { h.lastText = "poked"; });
        add("fail:", "v@:^v", [](TNInvocation&, Host&) { throw std::runtime_error("host failed"); });
        c->addInstanceMethod("noContext", "i@:", [](TNInvocation& inv) { inv.setReturnInt(1); });
        c->addInstanceMethod("objectFirst:", "i@:@", [](TNInvocation& inv) { inv.setReturnInt(1); });
        return c;
    }();
    return cls;
}

class ExternalFunctionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        tern_test::writeFile(dir.file("engine.lua"), R"(
            function initEngine() end
            function call(...) return callbacks.callExternalFunction(...) end
            function count(...) return select('#', callbacks.callExternalFunction(...)) end
        )");
        state = TNLuaState::create(dir.file("engine.lua"), nullptr);
        table = TNExternalFunctionTable::externalFunctionTableForState(state->state());
        host = TNMake<Host>();
    }
    std::string call(const std::string& args) { return state->evaluateExpression("call(" + args + ")"); }
    std::string count(const std::string& args) { return state->evaluateExpression("count(" + args + ")"); }

    tern_test::TempDir dir;
    TNRef<TNLuaState> state;
    TNRef<TNExternalFunctionTable> table;
    TNRef<Host> host;
    int context = 0;
};

}  // namespace

TEST_F(ExternalFunctionTest, ConversionsBothWays)
{
    table->registerTarget(host.get(), &context,
                          {{"describe", "describe:with:"}, {"add", "add:a:b:"}, {"scale", "scale:by:"},
                           {"number", "number:"}, {"poke", "poke:"}});
    const std::pair<const char*, const char*> calls[] = {
        {"'describe', 'text'", "got text"},
        {"'describe', nil", "got (null)"},
        // Unlike luaObjc, a wrapped object is not passed on.
        {"'describe', luaObjc.class('NSMutableArray'):array()", "got (null)"},
        {"'add', 40.7, 2, 'ignored extra'", "42"},
        {"'scale', 1.5", "3"},
    };
    for (const auto& [arguments, result] : calls)
        EXPECT_EQ(call(arguments), result) << arguments;
    EXPECT_EQ(host->lastContext, &context);
    EXPECT_EQ(state->evaluateExpression("call('number') == 0.1"), "true");
    EXPECT_EQ(count("'poke'"), "0");
    EXPECT_EQ(host->lastText, "poked");
}

TEST_F(ExternalFunctionTest, NamesReplacementAndRefusals)
{
    EXPECT_EQ(count("'unknown', 1, 2"), "0");
    EXPECT_EQ(count("nil"), "0");
    ASSERT_TRUE(table->registerTarget(host.get(), nullptr, "big:", "f"));
    EXPECT_EQ(call("'f'"), "4e+09");
    ASSERT_TRUE(table->registerTarget(host.get(), nullptr, "add:a:b:", "f"));
    EXPECT_EQ(call("'f', 1, 1"), "2");

    // The list stops at the first null name.
    table->registerTarget(host.get(), nullptr, {{"p1", "poke:"}, {nullptr, "big:"}, {"p2", "poke:"}});
    EXPECT_EQ(count("'p2'") + host->lastText, "0unset");
    EXPECT_EQ(count("'p1'") + host->lastText, "0poked");

    testing::internal::CaptureStderr();
    EXPECT_FALSE(table->registerTarget(host.get(), nullptr, "noContext", "bad1"));
    EXPECT_FALSE(table->registerTarget(host.get(), nullptr, "objectFirst:", "bad2"));
    EXPECT_FALSE(table->registerTarget(host.get(), nullptr, "missing:", "bad3"));
    std::string log = testing::internal::GetCapturedStderr();
    EXPECT_NE(log.find("cannot register bad1: method noContext (\"i@:\") takes no context pointer"), std::string::npos)
        << log;
    EXPECT_NE(log.find("cannot register bad3:"), std::string::npos);
    EXPECT_EQ(count("'bad1'"), "0");

    // A host exception becomes a script error.
    table->registerTarget(host.get(), nullptr, "fail:", "fail");
    const std::string message = state->evaluateExpression("select(2, pcall(call, 'fail'))");
    EXPECT_NE(message.find("engine.lua:3: host failed"), std::string::npos) << message;
}

TEST_F(ExternalFunctionTest, StatesHaveIndependentTables)
{
    TNRef<TNLuaState> other = TNLuaState::create(dir.file("engine.lua"), nullptr);
    table->registerTarget(host.get(), nullptr, "big:", "big");
    TNExternalFunctionTable::externalFunctionTableForState(other->state())
        ->registerTarget(host.get(), nullptr, "add:a:b:", "add");
    EXPECT_EQ(call("'big'"), "4e+09");
    EXPECT_EQ(count("'add', 1, 2"), "0");
    EXPECT_EQ(other->evaluateExpression("call('add', 1, 2)"), "3");

    // Closing a state drops its table (and the target it kept).
    const int before = host->retainCount();
    other->close();
    EXPECT_EQ(host->retainCount(), before - 1);
}
