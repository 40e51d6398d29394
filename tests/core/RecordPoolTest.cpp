#include "model/RecordPool.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <new>
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
        ASSERT_EQ(std::memcmp(slots[i].first, expected.data(), expected.size()), 0)
            << "slot " << i << " was overwritten";
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

namespace {
// Array allocations in this test program fail on demand, so that a slab can
// be refused; everything else goes to the usual heap.
bool failNextArrayNew = false;
}  // namespace

void* operator new[](std::size_t size)
{
    if (failNextArrayNew) {
        failNextArrayNew = false;
        throw std::bad_alloc();
    }
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
void operator delete[](void* p) noexcept
{
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept
{
    std::free(p);
}

TEST(RecordPool, ARefusedSlabLeavesThePoolAsItWas)
{
    TRecordPool pool;
    std::vector<std::pair<std::byte*, size_t>> slots;
    auto take = [&](size_t size) { slots.emplace_back(static_cast<std::byte*>(pool.Allocate(size)), size); };
    // Fill the first slab with slots that leave an odd rest, then refuse the next slab.
    take(3000);
    failNextArrayNew = true;
    EXPECT_THROW(take(3000), std::bad_alloc);
    // Every size now, from the smallest up: none may share memory with another.
    for (size_t size = 1; size <= 1200; size += 1)
        take(size);
    std::sort(slots.begin(), slots.end());
    for (size_t i = 1; i < slots.size(); ++i)
        ASSERT_GE(slots[i].first, slots[i - 1].first + slots[i - 1].second) << "two slots overlap";
}
