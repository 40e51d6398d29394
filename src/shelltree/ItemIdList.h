// Item identifier lists in the shell's format: items that each begin with
// their own 16-bit byte count, ended by a zero 16-bit word. Lists made here
// come from the shell's allocator (the COM task allocator), zero-filled, and
// are owned by UniquePidl.
//
//   UniquePidl full = JoinPidls(parent->FullItemId(), childId);   // parent + child
//   UniquePidl copy = CopyPidl(full.Get());
#pragma once

#include "platform/Handles.h"

// A list from the shell's allocator, freed with it.
using UniquePidl = UniqueResource<LPITEMIDLIST, &CoTaskMemFree>;

// Bytes of the whole list including its ending zero word; 0 for no list.
UINT PidlSize(LPCITEMIDLIST pidl);

// An owned copy of the list; an empty list (just the zero word) for no list.
UniquePidl CopyPidl(LPCITEMIDLIST pidl);

// The first list without its ending zero word, then the second whole.
UniquePidl JoinPidls(LPCITEMIDLIST first, LPCITEMIDLIST second);
