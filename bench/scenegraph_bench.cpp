// What a frame pays for the scene graph: a port read that hits a clean node,
// invalidating and re-evaluating a chain of 1,000 arithmetic nodes, and
// 10,000 port:setValue calls from Lua. What a scene start pays: connecting
// chains of N nodes from the end, in random order, and against the order
// the nodes were made in (each connection checked for a cycle).
#include <benchmark/benchmark.h>

#include <malloc.h>

#include <algorithm>
#include <numeric>
#include <random>
#include <vector>

#include "host/TNEngine.h"
#include "lauxlib.h"
#include "scenegraph/nodes/SGArithmeticNode.h"

namespace {

const int kChainLength = 1000;

// n nodes, each adding 1 to the previous node's output.
std::vector<SGArithmeticNode*> makeChain(int length)
{
    std::vector<SGArithmeticNode*> chain;
    for (int i = 0; i < length; ++i) {
        auto* node = new SGArithmeticNode();
        node->input2.value = 1.0f;
        if (!chain.empty())
            node->input1.setValue(&chain.back()->output);
        chain.push_back(node);
    }
    return chain;
}

void releaseChain(std::vector<SGArithmeticNode*>& chain)
{
    for (auto* node : chain)
        node->release();
}

void BM_PortReadCleanNode(benchmark::State& state)
{
    auto* node = new SGArithmeticNode();
    node->input1.setValue(2.0f);
    for (auto _ : state)
        benchmark::DoNotOptimize(node->output.numberValue());
    node->release();
}
BENCHMARK(BM_PortReadCleanNode);

// A read at the end of a clean chain: follows one connection, no work.
void BM_PortReadThroughConnection(benchmark::State& state)
{
    auto chain = makeChain(2);
    (void)chain.back()->output.numberValue();
    for (auto _ : state)
        benchmark::DoNotOptimize(chain.back()->input1.numberValue());
    releaseChain(chain);
}
BENCHMARK(BM_PortReadThroughConnection);

// Marking the head of the chain dirty walks all 1,000 nodes.
void BM_DirtyWalkChain1000(benchmark::State& state)
{
    auto chain = makeChain(kChainLength);
    for (auto _ : state) {
        state.PauseTiming();
        (void)chain.back()->output.numberValue();  // everything clean again
        state.ResumeTiming();
        chain.front()->input1.setValue(1.0f);
    }
    releaseChain(chain);
}
BENCHMARK(BM_DirtyWalkChain1000)->Unit(benchmark::kMicrosecond);

// Marking the head and reading the tail: the walk plus 1,000 computations.
void BM_DirtyWalkAndRecomputeChain1000(benchmark::State& state)
{
    auto chain = makeChain(kChainLength);
    float input = 0.0f;
    for (auto _ : state) {
        chain.front()->input1.setValue(input += 1.0f);
        benchmark::DoNotOptimize(chain.back()->output.numberValue());
    }
    releaseChain(chain);
}
BENCHMARK(BM_DirtyWalkAndRecomputeChain1000)->Unit(benchmark::kMicrosecond);

enum class LinkOrder { fromEnd, random, fromEndMadeBackwards };

// Rounds per connection benchmark, fixed: each round's untimed making,
// freeing and trimming costs far more than its timed connecting, so letting
// the library pick the count from the timed part alone made a run take half
// an hour.
constexpr int kConnectRounds = 30;

// Makes state.range(0) nodes and connects node i to node i-1 in the given
// order; only the connecting is timed.
void connectChain(benchmark::State& state, LinkOrder linkOrder)
{
    const size_t count = static_cast<size_t>(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        std::vector<SGArithmeticNode*> nodes;
        for (size_t i = 0; i < count; ++i)
            nodes.push_back(new SGArithmeticNode());
        if (linkOrder == LinkOrder::fromEndMadeBackwards)
            std::reverse(nodes.begin(), nodes.end());
        std::vector<size_t> links(count - 1);
        std::iota(links.rbegin(), links.rend(), 1);
        if (linkOrder == LinkOrder::random)
            std::shuffle(links.begin(), links.end(), std::mt19937(8000));
        state.ResumeTiming();
        for (size_t i : links)
            nodes[i]->input1.setValue(&nodes[i - 1]->output);
        state.PauseTiming();
        releaseChain(nodes);
        // Freed here, not at the end of the scope: freeing a block this large
        // makes the C library sort every small block the chain freed, which
        // would be timed as if connecting had cost it.
        std::vector<SGArithmeticNode*>().swap(nodes);
        std::vector<size_t>().swap(links);
        // Every round starts from the same heap: the freed blocks merged and
        // handed back, so the next chain lies in memory as the first did, not
        // scattered through the C library's lists of small freed blocks in a
        // way that changed with the number of rounds.
        malloc_trim(0);
        state.ResumeTiming();
    }
}

void BM_ConnectChainFromEnd(benchmark::State& state) { connectChain(state, LinkOrder::fromEnd); }
BENCHMARK(BM_ConnectChainFromEnd)->Arg(1000)->Arg(8000)->Arg(64000)->Iterations(kConnectRounds)->Unit(benchmark::kMillisecond);

void BM_ConnectChainRandomOrder(benchmark::State& state) { connectChain(state, LinkOrder::random); }
BENCHMARK(BM_ConnectChainRandomOrder)->Arg(1000)->Arg(8000)->Arg(64000)->Iterations(kConnectRounds)->Unit(benchmark::kMillisecond);

void BM_ConnectChainFromEndMadeBackwards(benchmark::State& state)
{
    connectChain(state, LinkOrder::fromEndMadeBackwards);
}
BENCHMARK(BM_ConnectChainFromEndMadeBackwards)->Arg(1000)->Arg(8000)->Arg(64000)->Iterations(kConnectRounds)->Unit(benchmark::kMillisecond);

const char* const kScript = R"lua(
scene = scenegraph.scene.new()
sum = scene:defaultSpace():createNode(scenegraph.arithmeticNode)
function setHeldPort(n)
    local port = sum.input1
    for i = 1, n do port:setValue(i, true) end
end
function setLookedUpPort(n)
    for i = 1, n do sum.input1:setValue(i, true) end
end
)lua";

void runLuaLoop(benchmark::State& state, const char* function)
{
    TN_State* S = TN_NewState(0);
    TN_LoadLibs(S->L);
    if (luaL_dostring(S->L, kScript) != 0) {
        state.SkipWithError(lua_tostring(S->L, -1));
        TN_DestroyState(S);
        return;
    }
    for (auto _ : state) {
        lua_getfield(S->L, LUA_GLOBALSINDEX, function);
        lua_pushnumber(S->L, 10000);
        if (lua_pcall(S->L, 1, 0, 0) != 0) {
            state.SkipWithError(lua_tostring(S->L, -1));
            break;
        }
    }
    luaL_dostring(S->L, "scene:delete()");
    TN_DestroyState(S);
}

// 10,000 port:setValue(i, true) on a port object the script holds.
void BM_LuaSetValue10000(benchmark::State& state) { runLuaLoop(state, "setHeldPort"); }
BENCHMARK(BM_LuaSetValue10000)->Unit(benchmark::kMillisecond);

// The same with node.input1 looked up on every call, as scripts often write it.
void BM_LuaLookUpAndSetValue10000(benchmark::State& state) { runLuaLoop(state, "setLookedUpPort"); }
BENCHMARK(BM_LuaLookUpAndSetValue10000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
