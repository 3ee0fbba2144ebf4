// The pooled allocator: size classes, block reuse, resizing and growth.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "host/TNAllocator.h"
#include "host/TNEngine.h"
#include "lauxlib.h"
#include "lualib.h"

namespace {

class PoolAllocatorTest : public ::testing::Test {
protected:
    void SetUp() override { allocator = TNPoolAllocatorNew(); }
    void TearDown() override { TNPoolAllocatorDestroy(allocator); }

    void* allocate(size_t size) { return TN_PoolLuaAlloc(allocator, nullptr, 0, size); }
    void release(void* ptr, size_t size) { TN_PoolLuaAlloc(allocator, ptr, size, 0); }
    const TNMemoryPool& pool(int cls) const { return allocator->pools[cls]; }
    // Bytes in use, allocated and the capacity.
    std::vector<uint64_t> sizes() const
    {
        uint64_t inUse = 0, allocated = 0, capacity = 0;
        TNPoolAllocatorGetSize(allocator, &inUse, &allocated, &capacity);
        return {inUse, allocated, capacity};
    }

    TNPoolAllocator* allocator = nullptr;
};

TEST_F(PoolAllocatorTest, RequestSizesMapToTheirClasses)
{
    const struct { size_t size; int cls; } cases[] = {
        {1, 0}, {8, 0}, {9, 1}, {16, 1}, {17, 2}, {20, 2}, {21, 3}, {32, 3}, {33, 4}, {40, 4},
        {41, 5}, {64, 5}, {65, 6}, {80, 6}, {81, 7}, {128, 7}, {129, 8}, {160, 8}, {161, 9},
        {320, 9}, {321, 10}, {640, 10},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TNPoolClassForSize(c.size), c.cls) << "size " << c.size;
    for (size_t n = 1; n <= 640; ++n)
        EXPECT_GE(allocator->blockSizes[TNPoolClassForSize(n)], n) << "size " << n;
}


TEST_F(PoolAllocatorTest, ResizeKeepsThePointerWithinAClassAndCopiesToAnother)
{
    char* block = static_cast<char*>(allocate(600));
    EXPECT_EQ(TN_PoolLuaAlloc(allocator, block, 600, 500), block);
    for (int i = 0; i < 500; ++i)
        block[i] = static_cast<char>(i);
    char* moved = static_cast<char*>(TN_PoolLuaAlloc(allocator, block, 500, 300));
    for (int i = 0; i < 300; ++i)
        ASSERT_EQ(moved[i], static_cast<char>(i));
    EXPECT_EQ(allocate(640), block);  // the freed class-10 block is handed out next
}

// Blocks over 640 bytes and frees of nothing leave the pools alone; a
// large block resized into a class and out of it again keeps its bytes.
TEST_F(PoolAllocatorTest, LargeBlocksBypassThePoolsAndResizeAcrossTheBoundary)
{
    const std::vector<uint64_t> before = sizes();
    char* big = static_cast<char*>(allocate(641));
    std::memset(big, 'x', 641);
    EXPECT_EQ(TN_PoolLuaAlloc(allocator, nullptr, 0, 0), nullptr);
    EXPECT_EQ(TN_PoolLuaAlloc(allocator, nullptr, 100, 0), nullptr);
    EXPECT_EQ(sizes(), before);
    big = static_cast<char*>(TN_PoolLuaAlloc(allocator, big, 641, 800));
    EXPECT_EQ(big[640], 'x');
    const uint64_t freeBefore = pool(10).freeCount;
    char* pooled = static_cast<char*>(TN_PoolLuaAlloc(allocator, big, 800, 600));
    EXPECT_EQ(pool(10).freeCount, freeBefore - 1);
    EXPECT_EQ(pooled[599], 'x');
    char* grown = static_cast<char*>(TN_PoolLuaAlloc(allocator, pooled, 600, 2000));
    EXPECT_EQ(pool(10).freeCount, freeBefore);
    EXPECT_EQ(grown[599], 'x');
    release(grown, 2000);
}

TEST_F(PoolAllocatorTest, SizesAfterCreationAndGrowth)
{
    EXPECT_EQ(sizes(), (std::vector<uint64_t>{0, 3700000, 236800000}));

    std::vector<void*> blocks;
    for (int i = 0; i < 2500; ++i)
        blocks.push_back(allocate(8));
    EXPECT_EQ(pool(0).chunkCount, 1u);
    blocks.push_back(allocate(8));
    EXPECT_EQ(sizes(), (std::vector<uint64_t>{2501 * 8, 3700000 + 20000, 236800000}));
    for (void* b : blocks)
        release(b, 8);
    EXPECT_EQ(sizes()[0], 0u);
}

TEST_F(PoolAllocatorTest, ExhaustedClassFallsBackToTheCLibraryOnce)
{
    const uint64_t perClass = 64 * 2500;
    std::vector<void*> blocks;
    for (uint64_t i = 0; i < perClass; ++i)
        blocks.push_back(allocate(8));
    testing::internal::CaptureStdout();
    void* extra1 = allocate(8);
    void* extra2 = allocate(5);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Ran out of chunks of size 8\n");
    ASSERT_NE(extra1, nullptr);
    ASSERT_NE(extra2, nullptr);
    EXPECT_EQ(pool(0).chunkCount, 64u);
    std::memset(extra1, 1, 8);
    // Same-class resize of a fallback block stays in place; freeing returns it to malloc.
    EXPECT_EQ(TN_PoolLuaAlloc(allocator, extra1, 8, 7), extra1);
    release(extra1, 7);
    release(extra2, 5);
    EXPECT_EQ(pool(0).freeCount, 0u);
    for (void* b : blocks)
        release(b, 8);
    EXPECT_EQ(pool(0).freeCount, perClass);
}

TEST_F(PoolAllocatorTest, DescriptionListsEveryClass)
{
    testing::internal::CaptureStdout();
    TNPoolAllocatorPrintDescription(allocator);
    const std::string text = testing::internal::GetCapturedStdout();
    EXPECT_EQ(text.find("\nBlock Size 8:\n\tFree Blocks: 2500\n\tChunks allocated: 1\n"), 0u);
    EXPECT_NE(text.find("\nBlock Size 640:\n\tFree Blocks: 1500\n\tChunks allocated: 1\n"), std::string::npos);
}

TEST(PoolAllocatedInterpreter, RunsRealScripts)
{
    TN_State* S = TN_NewState(1);
    EXPECT_EQ(lua_getallocf(S->L, nullptr), &TN_PoolLuaAlloc);
    luaL_openlibs(S->L);
    const char* script =
        "local t, parts, counters = {}, {}, {}\n"
        "for i = 1, 20000 do t[i] = { name = 'item' .. i, value = i * 0.5 } end\n"
        "for i = 1, #t, 7 do parts[#parts + 1] = t[i].name end\n"
        "for i = 1, 500 do local n = 0; counters[i] = function() n = n + i; return n end; counters[i]() end\n"
        "t = nil; collectgarbage()\n"
        "result = #table.concat(parts, ',') .. ':' .. counters[500]()\n";
    ASSERT_EQ(luaL_dostring(S->L, script), 0) << lua_tostring(S->L, -1);
    lua_getglobal(S->L, "result");
    EXPECT_STREQ(lua_tostring(S->L, -1), "26990:1000");
    EXPECT_GT(TN_TotalBytesUsed(S), 3700000u);
    TN_DestroyState(S);
}

TEST(PoolAllocatedInterpreter, OtherArgumentsUseTheCLibrary)
{
    for (int flag : {0, 2}) {
        TN_State* S = TN_NewState(flag);
        EXPECT_NE(lua_getallocf(S->L, nullptr), &TN_PoolLuaAlloc);
        EXPECT_EQ(TN_TotalBytesUsed(S), 3700000u);
        TN_DestroyState(S);
    }
}

}  // namespace
