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

TEST(FreedMemoryTest, ARenderThreadsFreedBlocksAreReusedWithoutPageFaults)
{
#if defined(__SANITIZE_THREAD__) || defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the sanitizer's allocator stands in for the C library's, whose arenas this is about";
#endif
    ASSERT_TRUE(TNKeepFreedMemory());
    // 64 blocks of 64 KiB (4 MiB, 1,024 pages) taken, written and freed ten
    // times on a thread: a trimming arena would fault the pages in anew in
    // each of the 9 later rounds.
    long faults = 0;
    std::thread worker([&] {
        long before = 0;
        for (int round = 0; round < 10; ++round) {
            if (round == 1)
                before = threadPageFaults();
            std::vector<void*> taken;
            for (int i = 0; i < 64; ++i) {
                taken.push_back(std::malloc(64 << 10));
                std::memset(taken.back(), round, 64 << 10);
            }
            for (void* block : taken)
                std::free(block);
        }
        faults = threadPageFaults() - before;
    });
    worker.join();
    EXPECT_LT(faults, 100) << "freed pages were given back and faulted in again";
}

}  // namespace
