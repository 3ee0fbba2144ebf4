// Finding 1,000 files of one folder by names in another letter case (the
// files are "Sprite_0042.PNG", the game asks for "sprite_0042.png"): the
// first pass over a fresh resolver reads the folder, later passes use its
// cached listing. Beside them, the exact names (one stat each, the common
// case) and a plain stat of each file as the floor.
#include <benchmark/benchmark.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "files/TNPathResolver.h"

namespace {

const int kFiles = 1000;

// A folder of kFiles files, made once and removed at exit.
struct Folder {
    std::string path;
    std::vector<std::string> exact;
    std::vector<std::string> otherCase;

    Folder()
    {
        char pattern[] = "/tmp/tern-resolver-bench-XXXXXX";
        path = mkdtemp(pattern);
        for (int i = 0; i < kFiles; ++i) {
            char number[8];
            std::snprintf(number, sizeof number, "%04d", i);
            exact.push_back(path + "/Sprite_" + number + ".PNG");
            otherCase.push_back(path + "/sprite_" + number + ".png");
            std::FILE* file = std::fopen(exact.back().c_str(), "w");
            std::fclose(file);
        }
    }
    ~Folder() { std::filesystem::remove_all(path); }
};

const Folder& folder()
{
    static const Folder made;
    return made;
}

void resolveAll(TNPathResolver& resolver, const std::vector<std::string>& names)
{
    for (const std::string& name : names)
        benchmark::DoNotOptimize(resolver.resolve(name));
}

// Every iteration a fresh resolver: the folder is read and keyed once,
// then each name found in the new listing.
void BM_OtherCaseColdCache(benchmark::State& state)
{
    const Folder& f = folder();
    for (auto _ : state) {
        TNPathResolver resolver;
        resolver.addRoot(f.path);
        resolveAll(resolver, f.otherCase);
    }
    state.SetItemsProcessed(state.iterations() * kFiles);
}
BENCHMARK(BM_OtherCaseColdCache)->Unit(benchmark::kMillisecond);

// The listing cached: a failed stat of the asked name, a stat of the
// folder and a lookup per name.
void BM_OtherCaseSteadyState(benchmark::State& state)
{
    const Folder& f = folder();
    TNPathResolver resolver;
    resolver.addRoot(f.path);
    resolveAll(resolver, f.otherCase);
    for (auto _ : state)
        resolveAll(resolver, f.otherCase);
    state.SetItemsProcessed(state.iterations() * kFiles);
}
BENCHMARK(BM_OtherCaseSteadyState)->Unit(benchmark::kMillisecond);

void BM_ExactNames(benchmark::State& state)
{
    const Folder& f = folder();
    TNPathResolver resolver;
    resolver.addRoot(f.path);
    for (auto _ : state)
        resolveAll(resolver, f.exact);
    state.SetItemsProcessed(state.iterations() * kFiles);
}
BENCHMARK(BM_ExactNames)->Unit(benchmark::kMillisecond);

void BM_PlainStat(benchmark::State& state)
{
    const Folder& f = folder();
    struct stat info;
    for (auto _ : state) {
        for (const std::string& name : f.exact)
            benchmark::DoNotOptimize(stat(name.c_str(), &info));
    }
    state.SetItemsProcessed(state.iterations() * kFiles);
}
BENCHMARK(BM_PlainStat)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
