#include "shelltree/ItemIdList.h"

#include <cstring>
#include <new>

namespace {

constexpr UINT kTerminatorSize = sizeof(USHORT);

// Bytes of the items only, without the ending zero word.
UINT ItemsSize(LPCITEMIDLIST pidl)
{
    if (!pidl)
        return 0;
    UINT size = 0;
    const BYTE* at = reinterpret_cast<const BYTE*>(pidl);
    for (;;) {
        USHORT cb;
        std::memcpy(&cb, at + size, sizeof(cb));
        if (cb == 0)
            return size;
        size += cb;
    }
}

UniquePidl Allocate(UINT size)
{
    void* memory = CoTaskMemAlloc(size);
    if (!memory)
        throw std::bad_alloc();
    std::memset(memory, 0, size);
    return UniquePidl(static_cast<LPITEMIDLIST>(memory));
}

}  // namespace

UINT PidlSize(LPCITEMIDLIST pidl)
{
    return pidl ? ItemsSize(pidl) + kTerminatorSize : 0;
}

UniquePidl CopyPidl(LPCITEMIDLIST pidl)
{
    return JoinPidls(nullptr, pidl);
}

UniquePidl JoinPidls(LPCITEMIDLIST first, LPCITEMIDLIST second)
{
    UINT firstSize = ItemsSize(first);
    UINT secondSize = ItemsSize(second);
    // Zero-filled, so the ending word is already there.
    UniquePidl joined = Allocate(firstSize + secondSize + kTerminatorSize);
    BYTE* to = reinterpret_cast<BYTE*>(joined.Get());
    if (firstSize)
        std::memcpy(to, first, firstSize);
    if (secondSize)
        std::memcpy(to + firstSize, second, secondSize);
    return joined;
}
