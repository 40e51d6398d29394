#include "model/RecordPool.h"

#include <algorithm>
#include <cstring>

namespace {

// Slabs start small, for the usual short list, and grow to their full size
// as the list does.
constexpr std::size_t kFirstSlabSize = 4 * 1024;
constexpr std::size_t kSlabSize = 64 * 1024;

}  // namespace

void TRecordPool::Reset()
{
    slabs_.clear();
    next_ = end_ = nullptr;
    freed_.clear();
}

void* TRecordPool::Allocate(std::size_t size)
{
    const std::size_t rounded = Rounded(size);
    const std::size_t sizeClass = rounded / kGrain;
    if (sizeClass < freed_.size() && freed_[sizeClass]) {
        void* slot = freed_[sizeClass];
        std::memcpy(&freed_[sizeClass], slot, sizeof(void*));
        return slot;
    }
    if (std::size_t(end_ - next_) < rounded)
        return TakeNewSlab(rounded);
    void* slot = next_;
    next_ += rounded;
    return slot;
}

void* TRecordPool::TakeNewSlab(std::size_t rounded)
{
    std::size_t slabSize = std::min(kSlabSize, kFirstSlabSize << std::min<std::size_t>(slabs_.size(), 4));
    slabSize = std::max(slabSize, rounded);
    // Both allocations first: if either throws, the pool is as it was.
    slabs_.reserve(slabs_.size() + 1);
    auto slab = std::make_unique_for_overwrite<std::byte[]>(slabSize);
    // What is left of the current slab is kept for rows that fit in it.
    if (std::size_t rest = std::size_t(end_ - next_); rest >= kGrain)
        Free(next_, rest);
    slabs_.push_back(std::move(slab));
    next_ = slabs_.back().get() + rounded;
    end_ = slabs_.back().get() + slabSize;
    return slabs_.back().get();
}

void TRecordPool::Free(void* slot, std::size_t size) noexcept
{
    const std::size_t sizeClass = Rounded(size) / kGrain;
    if (sizeClass >= freed_.size()) {
        try {
            freed_.resize(sizeClass + 1, nullptr);
        } catch (...) {
            return;  // the slot stays unused until the pool is reset
        }
    }
    std::memcpy(slot, &freed_[sizeClass], sizeof(void*));
    freed_[sizeClass] = slot;
}
