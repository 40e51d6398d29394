// Memory for the rows of the base record table: slots carved from large
// slabs, with freed slots kept for reuse by size. A load of a long list costs
// one allocation per several hundred rows instead of one per row, the rows
// lie side by side in load order, and no row carries the general heap's
// bookkeeping. Slabs go back only when the pool is reset (the table closes
// or reopens).
//
//   TRecordPool pool;
//   void* slot = pool.Allocate(97);
//   ...
//   pool.Free(slot, 97);  // the size it was allocated with
#pragma once

#include <algorithm>
#include <cstddef>
#include <memory>
#include <vector>

class TRecordPool {
public:
    TRecordPool() = default;
    TRecordPool(const TRecordPool&) = delete;
    TRecordPool& operator=(const TRecordPool&) = delete;

    // Sizes are rounded up to this, and every slot is aligned to it; a freed
    // slot holds the address of the next one.
    static constexpr std::size_t kGrain = sizeof(void*) < 4 ? 4 : sizeof(void*);

    // Frees every slab. Every slot handed out before is invalid.
    void Reset();

    // A slot of at least `size` bytes, aligned to kGrain; throws std::bad_alloc.
    void* Allocate(std::size_t size);
    // Gives back a slot; `size` is the one it was allocated with.
    void Free(void* slot, std::size_t size) noexcept;

private:
    static std::size_t Rounded(std::size_t size) { return (std::max(size, kGrain) + kGrain - 1) / kGrain * kGrain; }
    void* TakeNewSlab(std::size_t rounded);

    std::vector<std::unique_ptr<std::byte[]>> slabs_;
    std::byte* next_ = nullptr;  // the unused rest of the newest slab
    std::byte* end_ = nullptr;
    // Per rounded size / kGrain: the first freed slot, each holding the next one's address.
    std::vector<void*> freed_;
};
