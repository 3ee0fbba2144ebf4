// Memory a thread frees stays with the process once TNKeepFreedMemory has
// run: a frame's worth of blocks taken and freed again and again faults its
// pages in once, not every time.
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

#include "launch/TNFreedMemory.h"

namespace {

long threadPageFaults()
{
    rusage usage{};
    getrusage(RUSAGE_THREAD, &usage);
    return usage.ru_minflt;
}

// Takes `blocks` blocks of 64 KiB, writes every page, frees them all;
// `rounds` times. The page faults of every round but the first.
long faultsAfterFirstRound(int blocks, int rounds)
{
    long faults = 0;
    std::thread worker([&] {
        long before = 0;
        for (int round = 0; round < rounds; ++round) {
            if (round == 1)
                before = threadPageFaults();
            std::vector<void*> taken;
            for (int i = 0; i < blocks; ++i) {
                void* block = std::malloc(64 << 10);
                std::memset(block, round, 64 << 10);
                taken.push_back(block);
            }
            for (void* block : taken)
                std::free(block);
        }
        faults = threadPageFaults() - before;
    });
    worker.join();
    return faults;
}

TEST(FreedMemoryTest, ARenderThreadsFreedBlocksAreReusedWithoutPageFaults)
{
    ASSERT_TRUE(TNKeepFreedMemory());
    // 4 MiB a round: 1,024 pages that a trimming arena would fault in anew
    // in each of the 9 later rounds.
    const long faults = faultsAfterFirstRound(64, 10);
    EXPECT_LT(faults, 100) << "freed pages were given back and faulted in again";
}

}  // namespace
