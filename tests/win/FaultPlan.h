// The tests' side of the fault seam (platform/FaultSeam.h): linked into the
// test program in place of the program's, it counts the wrapped calls and
// makes the ones a test picks fail.
//
//   FileFaults::Arm(3, ERROR_DISK_FULL);   // the 3rd file call from now fails
//   SaveBaseList(table, folder);           // throws EInOutError(112)
//   FileFaults::Disarm();
//
//   RegistryFaults::Arm(1, ERROR_ACCESS_DENIED, SeamCall::RegSetValue);
#pragma once

#include "platform/FaultSeam.h"

#include <optional>

namespace FileFaults {

// Makes the nthCall-th file call from now (1 is the next one) fail with
// errorCode instead of running. One failure per arming.
void Arm(int nthCall, DWORD errorCode);
// A crash: from the nthCall-th file call from now on, no call runs (each
// fails with ERROR_OPERATION_ABORTED), as if the process had died there.
void CrashAt(int nthCall);
// Ends both.
void Disarm();
// File calls made so far in this process.
int CallCount();

// Sees every file call, for tests that model what a power cut leaves on the
// disk, or a folder that takes no new files. Before() may refuse a call with
// an error code (0 lets it run); After() hears of the calls that succeeded.
class Observer {
public:
    virtual ~Observer() = default;
    virtual DWORD Before(SeamCall call, const std::wstring& path, const std::wstring& target, HANDLE file) = 0;
    virtual void After(SeamCall call, const std::wstring& path, const std::wstring& target, HANDLE file) = 0;
};
// nullptr stops observing.
void Observe(Observer* observer);

}  // namespace FileFaults

namespace Starts {

// A new start of the program within the test process: what a run learnt (its
// path, its list file's state) is forgotten.
void StartAgain();
// A new start through `path` (empty: the path the system reports), as a
// start by a short name or through "\\?\" would name it.
void StartAs(std::wstring path);

}  // namespace Starts

namespace RegistryFaults {

// From now on, counts the registry calls of the given kind (every one when
// none is given); the nthCall-th of them and the following (times - 1) fail
// with errorCode without reaching the registry. Re-arming replaces the
// previous setting.
void Arm(int nthCall, LONG errorCode, std::optional<SeamCall> which = std::nullopt, int times = 1);
void Disarm();
// Calls of the armed kind made since the last Arm or Disarm, the failed
// ones included.
int CallCount();

}  // namespace RegistryFaults
