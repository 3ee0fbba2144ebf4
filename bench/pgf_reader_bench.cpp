// Reading a 10 MB PGF document into Lua tables, in MB/s, next to a bare
// libxml2 SAX pass over the same bytes (the limit) and next to lxp.lom of
// Debian's lua-expat on Debian's lua5.1 (a peer building a similar tree).
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <libxml/parser.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "lauxlib.h"
#include "lua.h"
#include "documents/wrap_PGF.h"

namespace {

// A game-like document: scenes of layers of sprites with attributes,
// scripts with escaped text, some whitespace-only elements.
const std::string& document()
{
    static const std::string text = [] {
        std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<project name=\"bench\" version=\"2\">\n";
        int sprite = 0;
        for (int scene = 0; xml.size() < 10 * 1000 * 1000; ++scene) {
            xml += "  <scene name=\"scene" + std::to_string(scene) + "\" width=\"480\" height=\"320\">\n";
            for (int layer = 0; layer < 4; ++layer) {
                xml += "    <layer name=\"layer" + std::to_string(layer) + "\" z=\"" + std::to_string(layer) + "\">\n";
                for (int i = 0; i < 20; ++i, ++sprite) {
                    xml += "      <sprite name=\"sprite" + std::to_string(sprite) + "\" image=\"images/s" +
                           std::to_string(sprite % 50) + ".png\" x=\"" + std::to_string(i * 12.5) +
                           "\" y=\"40\" rotation=\"0\" visible=\"true\">\n"
                           "        <script>if x &lt; 10 and y &gt; 2 then move(\"left\") end</script>\n"
                           "        <note> </note>\n"
                           "      </sprite>\n";
                }
                xml += "    </layer>\n";
            }
            xml += "  </scene>\n";
        }
        xml += "</project>\n";
        return xml;
    }();
    return text;
}

void BM_PGFLoadString(benchmark::State& state)
{
    lua_State* L = luaL_newstate();
    lua_pushcfunction(L, luaopen_PGF);
    lua_call(L, 0, 0);
    const std::string& xml = document();
    lua_pushlstring(L, xml.data(), xml.size());
    lua_setfield(L, LUA_GLOBALSINDEX, "doc");
    for (auto _ : state) {
        lua_getfield(L, LUA_GLOBALSINDEX, "pgf");
        lua_getfield(L, -1, "loadString");
        lua_getfield(L, LUA_GLOBALSINDEX, "doc");
        if (lua_pcall(L, 1, 1, 0) != 0 || !lua_istable(L, -1))
            state.SkipWithError("pgf.loadString failed");
        lua_settop(L, 0);
        // Collection of the previous tree belongs to the cost of reading.
        lua_gc(L, LUA_GCCOLLECT, 0);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * xml.size()));
    lua_close(L);
}
BENCHMARK(BM_PGFLoadString)->Unit(benchmark::kMillisecond)->MinTime(3);

// About 3 MB of elements with range(0) attributes each (one element when
// that alone passes 3 MB): the time must follow the size, whatever the
// shape. 200,000 attributes on one element are refused after one pass;
// 1,000 (the most the reader takes) on each of many elements are read.
std::string manyAttributes(unsigned perElement)
{
    std::string xml = "<root>";
    while (xml.size() < 3 * 1000 * 1000) {
        xml += "<e";
        for (unsigned i = 0; i < perElement; ++i)
            xml += " attribute" + std::to_string(i) + "=\"" + std::to_string(i) + "\"";
        xml += "/>";
    }
    return xml + "</root>";
}

void BM_PGFManyAttributes(benchmark::State& state)
{
    lua_State* L = luaL_newstate();
    lua_pushcfunction(L, luaopen_PGF);
    lua_call(L, 0, 0);
    const std::string xml = manyAttributes(static_cast<unsigned>(state.range(0)));
    lua_pushlstring(L, xml.data(), xml.size());
    lua_setfield(L, LUA_GLOBALSINDEX, "doc");
    // The refusal's one line per call is not part of what is measured.
    const int savedStderr = dup(2);
    const int devNull = open("/dev/null", O_WRONLY);
    dup2(devNull, 2);
    for (auto _ : state) {
        lua_getfield(L, LUA_GLOBALSINDEX, "pgf");
        lua_getfield(L, -1, "loadString");
        lua_getfield(L, LUA_GLOBALSINDEX, "doc");
        lua_pcall(L, 1, 2, 0);
        lua_settop(L, 0);
        lua_gc(L, LUA_GCCOLLECT, 0);
    }
    dup2(savedStderr, 2);
    close(savedStderr);
    close(devNull);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * xml.size()));
    lua_close(L);
}
BENCHMARK(BM_PGFManyAttributes)->Arg(200000)->Arg(1000)->Arg(10)->Unit(benchmark::kMillisecond)->MinTime(2);

void ignoreElement(void*, const xmlChar*, const xmlChar**) {}
void ignoreEnd(void*, const xmlChar*) {}
void ignoreCharacters(void*, const xmlChar*, int) {}

void BM_BareSAX(benchmark::State& state)
{
    xmlSAXHandler sax = {};
    sax.getEntity = [](void*, const xmlChar* name) { return xmlGetPredefinedEntity(name); };
    sax.startElement = ignoreElement;
    sax.endElement = ignoreEnd;
    sax.characters = ignoreCharacters;
    const std::string& xml = document();
    for (auto _ : state) {
        if (xmlSAXUserParseMemory(&sax, nullptr, xml.data(), static_cast<int>(xml.size())) != 0)
            state.SkipWithError("libxml2 failed");
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * xml.size()));
}
BENCHMARK(BM_BareSAX)->Unit(benchmark::kMillisecond)->MinTime(3);

// Runs lua5.1 with lxp.lom on the document; the script reports the CPU time
// of one parse, which becomes the iteration's time.
void BM_LuaExpatLom(benchmark::State& state)
{
    const std::string path = "/tmp/tern-pgf-bench.xml";
    std::ofstream(path, std::ios::binary) << document();
    const std::string command =
        "lua5.1 -e 'local lom = require \"lxp.lom\" local f = io.open(\"" + path +
        "\", \"rb\") local s = f:read(\"*a\") f:close() collectgarbage() local t = os.clock() "
        "local tree = assert(lom.parse(s)) tree = nil collectgarbage() print(os.clock() - t)' 2>&1";
    for (auto _ : state) {
        FILE* pipe = popen(command.c_str(), "r");
        double seconds = -1;
        if (!pipe || std::fscanf(pipe, "%lf", &seconds) != 1 || seconds <= 0) {
            state.SkipWithError("lua5.1 with lua-expat is not available");
            if (pipe)
                pclose(pipe);
            break;
        }
        pclose(pipe);
        state.SetIterationTime(seconds);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * document().size()));
    std::remove(path.c_str());
}
BENCHMARK(BM_LuaExpatLom)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);

}  // namespace

BENCHMARK_MAIN();
