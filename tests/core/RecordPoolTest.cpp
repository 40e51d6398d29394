#include "model/RecordPool.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <set>
#include <utility>
#include <vector>

TEST(RecordPool, HandsOutSeparateAlignedSlotsOfMixedSizesThatHoldTheirBytes)
{
    TRecordPool pool;
    std::vector<std::pair<unsigned char*, size_t>> slots;
    for (size_t i = 0; i < 3000; ++i) {  // several slabs, of growing sizes
        // Sizes that are not multiples of anything, and one larger than a slab.
        size_t size = i == 1500 ? 100'000 : 1 + (i * 37) % 401;
        auto* slot = static_cast<unsigned char*>(pool.Allocate(size));
        ASSERT_EQ(reinterpret_cast<std::uintptr_t>(slot) % TRecordPool::kGrain, 0u);
        std::memset(slot, int(i & 0xFF), size);
        slots.emplace_back(slot, size);
    }
    for (size_t i = 0; i < slots.size(); ++i) {
        std::vector<unsigned char> expected(slots[i].second, (unsigned char)(i & 0xFF));
        ASSERT_EQ(std::memcmp(slots[i].first, expected.data(), expected.size()), 0) << "slot " << i << " was overwritten";
    }
}

TEST(RecordPool, GivesFreedSlotsOutAgainToRowsOfTheirSize)
{
    TRecordPool pool;
    std::vector<void*> small, large;
    for (int i = 0; i < 300; ++i) {
        small.push_back(pool.Allocate(40));
        large.push_back(pool.Allocate(200));
    }
    std::set<void*> freedSmall, freedLarge;
    for (size_t i = 0; i < small.size(); i += 3) {
        pool.Free(small[i], 40);
        freedSmall.insert(small[i]);
        pool.Free(large[i], 200);
        freedLarge.insert(large[i]);
    }
    std::set<void*> again;
    for (size_t i = 0; i < freedSmall.size(); ++i)
        again.insert(pool.Allocate(37));  // rounds to the same size
    EXPECT_EQ(again, freedSmall);
    again.clear();
    for (size_t i = 0; i < freedLarge.size(); ++i)
        again.insert(pool.Allocate(200));
    EXPECT_EQ(again, freedLarge);
}
