// The physics suites' fixture: a bare Lua state with the physics module and
// the Lua helpers the suites build their worlds with (PhysicsScript.cpp).
#ifndef TERN_PHYSICS_SCRIPT_H
#define TERN_PHYSICS_SCRIPT_H

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "ScriptState.h"

namespace tern_test {

class PhysicsScript : public ::testing::Test {
protected:
    PhysicsScript();

    lua_State* L() const { return lua_.L(); }
    void run(const std::string& chunk) { lua_.run(chunk); }
    std::string eval(const std::string& expression) { return lua_.eval(expression); }
    float number(const std::string& expression) { return std::stof(eval(expression)); }
    // Expects each expression to give its value (as tostring writes it).
    void expectValues(const std::vector<std::pair<std::string, std::string>>& expected);

private:
    ScriptState lua_;
};

}  // namespace tern_test

#endif
