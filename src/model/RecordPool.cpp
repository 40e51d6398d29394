#include "model/RecordPool.h"

#include <algorithm>
#include <cstring>

namespace {

// Slabs start small, for the usual short list, and grow to their full size
// as the list does.
constexpr std::size_t kFirstSlabSize = 4 * 1024;
constexpr std::size_t kSlabSize = 64 * 1024;

}  // namespace

void TRecordPool::Reset(std::size_t slotSize)
{
    // Room for the free list's link, and every slot aligned like a pointer.
    slotSize = std::max(slotSize, sizeof(void*));
    slotSize_ = (slotSize + alignof(void*) - 1) / alignof(void*) * alignof(void*);
    slabs_.clear();
    next_ = end_ = nullptr;
    freed_ = nullptr;
}

void* TRecordPool::Allocate()
{
    if (freed_) {
        void* slot = freed_;
        std::memcpy(&freed_, slot, sizeof freed_);
        return slot;
    }
    if (std::size_t(end_ - next_) < slotSize_) {
        std::size_t slabSize = std::min(kSlabSize, kFirstSlabSize << std::min<std::size_t>(slabs_.size(), 4));
        std::size_t slots = std::max<std::size_t>(1, slabSize / slotSize_);
        slabs_.push_back(std::make_unique_for_overwrite<std::byte[]>(slots * slotSize_));
        next_ = slabs_.back().get();
        end_ = next_ + slots * slotSize_;
    }
    void* slot = next_;
    next_ += slotSize_;
    return slot;
}

void TRecordPool::Free(void* slot) noexcept
{
    std::memcpy(slot, &freed_, sizeof freed_);
    freed_ = slot;
}
