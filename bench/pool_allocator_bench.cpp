// Compares the pooled allocator with the C library's on a Lua workload heavy
// in small allocations. Prints the median time of each and their ratio.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "host/TNEngine.h"
#include "log/TNLog.h"
#include "lauxlib.h"
#include "lualib.h"

namespace {

const char* const kWorkload = R"(
local parts = {}
for i = 1, 30000 do parts[#parts + 1] = 'k' .. i .. ':' .. (i * 3) end
local joined = table.concat(parts, ',')
local records = {}
for round = 1, 6 do
  for i = 1, 8000 do records[i] = { x = i, y = -i, tag = 'r' .. (i % 97), list = { i, i + 1 } } end
  for i = 1, 8000, 2 do records[i] = nil end
end
local adders = {}
for i = 1, 20000 do local base = i adders[i] = function(v) return base + v end end
local sum = 0
for i = 1, #adders do sum = sum + adders[i](1) end
for i = 1, 20000 do local s = string.format('%d-%s', i, 'v') if #s > 100 then sum = sum + 1 end end
return #joined + sum
)";

double runOnce(int usePool)
{
    TN_State* S = TN_NewState(usePool);
    luaL_openlibs(S->L);
    const auto start = std::chrono::steady_clock::now();
    if (luaL_dostring(S->L, kWorkload) != 0)
        TNLog("workload failed: %s", lua_tostring(S->L, -1));
    lua_gc(S->L, LUA_GCCOLLECT, 0);
    const auto end = std::chrono::steady_clock::now();
    TN_DestroyState(S);
    return std::chrono::duration<double, std::milli>(end - start).count();
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main()
{
    const int rounds = 15;
    std::vector<double> pool, clib;
    runOnce(1);
    runOnce(0);
    for (int i = 0; i < rounds; ++i) {
        pool.push_back(runOnce(1));
        clib.push_back(runOnce(0));
    }
    const double poolMs = median(pool), clibMs = median(clib);
    std::printf("Lua small-allocation workload, median of %d runs:\n", rounds);
    std::printf("  pool allocator (TN_NewState(1)):  %.2f ms\n", poolMs);
    std::printf("  C library      (TN_NewState(0)):  %.2f ms\n", clibMs);
    std::printf("  ratio pool / C library:           %.2f\n", poolMs / clibMs);
    return 0;
}
