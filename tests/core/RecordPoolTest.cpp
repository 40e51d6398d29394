#include "model/RecordPool.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <set>
#include <vector>

TEST(RecordPool, HandsOutSeparateAlignedSlotsThatHoldTheirBytes)
{
    TRecordPool pool;
    pool.Reset(357);  // a row's size need not be a multiple of anything
    ASSERT_GE(pool.SlotSize(), 357u);
    std::vector<unsigned char*> slots;
    for (int i = 0; i < 2000; ++i) {  // several slabs, of growing sizes
        auto* slot = static_cast<unsigned char*>(pool.Allocate());
        ASSERT_EQ(reinterpret_cast<std::uintptr_t>(slot) % alignof(void*), 0u);
        std::memset(slot, i & 0xFF, 357);
        slots.push_back(slot);
    }
    for (size_t i = 0; i < slots.size(); ++i) {
        std::vector<unsigned char> expected(357, (unsigned char)(i & 0xFF));
        ASSERT_EQ(std::memcmp(slots[i], expected.data(), 357), 0) << "slot " << i << " was overwritten";
    }
}

TEST(RecordPool, GivesFreedSlotsOutAgainBeforeTakingNewMemory)
{
    TRecordPool pool;
    pool.Reset(40);
    std::vector<void*> slots;
    for (int i = 0; i < 300; ++i)
        slots.push_back(pool.Allocate());
    std::set<void*> freed;
    for (size_t i = 0; i < slots.size(); i += 3) {
        pool.Free(slots[i]);
        freed.insert(slots[i]);
    }
    std::set<void*> again;
    for (size_t i = 0; i < freed.size(); ++i)
        again.insert(pool.Allocate());
    EXPECT_EQ(again, freed);
}
