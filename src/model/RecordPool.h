// Memory for the rows of the base record table: slots of one size carved
// from large slabs, with freed slots kept for reuse. A load of a long list
// costs one allocation per few hundred rows instead of one per row, the rows
// lie side by side in load order, and no row carries the general heap's
// bookkeeping. Slabs go back only when the pool is reset (the table closes
// or reopens).
//
//   TRecordPool pool;
//   pool.Reset(sizeof(TMemoryRecord) + blockSize);
//   void* slot = pool.Allocate();
//   ...
//   pool.Free(slot);
#pragma once

#include <cstddef>
#include <memory>
#include <vector>

class TRecordPool {
public:
    TRecordPool() = default;
    TRecordPool(const TRecordPool&) = delete;
    TRecordPool& operator=(const TRecordPool&) = delete;

    // Frees every slab; from now on slots hold slotSize bytes. Every slot
    // handed out before is invalid.
    void Reset(std::size_t slotSize);
    std::size_t SlotSize() const { return slotSize_; }

    // A slot aligned for any object that needs no more than a pointer's
    // alignment; throws std::bad_alloc.
    void* Allocate();
    void Free(void* slot) noexcept;

private:
    std::size_t slotSize_ = 0;
    std::vector<std::unique_ptr<std::byte[]>> slabs_;
    std::byte* next_ = nullptr;  // the unused rest of the newest slab
    std::byte* end_ = nullptr;
    void* freed_ = nullptr;  // freed slots, each holding the next one's address
};
