// The program's side of the fault seam: every call runs, and there is one
// start, through the path the system reports. In a file of its
// own, so that a test program's own answer takes its place at link time.
#include "platform/FaultSeam.h"

DWORD FaultSeam::Before(SeamCall, const std::wstring&, const std::wstring&, HANDLE)
{
    return 0;
}

void FaultSeam::After(SeamCall, const std::wstring&, const std::wstring&, HANDLE) {}

std::wstring FaultSeam::StartedThrough()
{
    return {};
}

unsigned FaultSeam::StartCount()
{
    return 0;
}
