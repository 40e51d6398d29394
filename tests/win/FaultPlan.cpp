#include "FaultPlan.h"

namespace {

bool IsRegistryCall(SeamCall call)
{
    return call >= SeamCall::RegCreateKey;
}

struct FilePlan {
    int calls = 0;
    int failing = 0;  // the value of calls at which to fail; 0 when disarmed
    DWORD code = 0;
    int crash = 0;  // from this value of calls on no call runs; 0 when disarmed
    FileFaults::Observer* observer = nullptr;
};

struct RegistryPlan {
    bool armed = false;
    std::optional<SeamCall> which;
    int firstFailing = 0;
    int lastFailing = 0;
    LONG code = ERROR_SUCCESS;
    int calls = 0;
};

// The program is single-threaded; so are the tests that arm faults.
FilePlan files;
RegistryPlan registry;

DWORD BeforeRegistryCall(SeamCall call)
{
    if (registry.which && *registry.which != call)
        return 0;
    const int n = ++registry.calls;
    if (!registry.armed || n < registry.firstFailing || n > registry.lastFailing)
        return 0;
    return DWORD(registry.code);
}

}  // namespace

DWORD FaultSeam::Before(SeamCall call, const std::wstring& path, const std::wstring& target, HANDLE file)
{
    if (IsRegistryCall(call))
        return BeforeRegistryCall(call);
    ++files.calls;
    if (files.crash != 0 && files.calls >= files.crash)
        return ERROR_OPERATION_ABORTED;
    if (files.failing != 0 && files.calls == files.failing) {
        files.failing = 0;
        return files.code;
    }
    return files.observer ? files.observer->Before(call, path, target, file) : 0;
}

void FaultSeam::After(SeamCall call, const std::wstring& path, const std::wstring& target, HANDLE file)
{
    if (files.observer && !IsRegistryCall(call))
        files.observer->After(call, path, target, file);
}

void FileFaults::Arm(int nthCall, DWORD errorCode)
{
    files.failing = nthCall > 0 ? files.calls + nthCall : 0;
    files.code = errorCode;
}

void FileFaults::CrashAt(int nthCall)
{
    files.crash = nthCall > 0 ? files.calls + nthCall : 0;
}

void FileFaults::Disarm()
{
    files.failing = 0;
    files.crash = 0;
}

int FileFaults::CallCount()
{
    return files.calls;
}

void FileFaults::Observe(Observer* observer)
{
    files.observer = observer;
}

void RegistryFaults::Arm(int nthCall, LONG errorCode, std::optional<SeamCall> which, int times)
{
    registry = RegistryPlan{true, which, nthCall, nthCall + times - 1, errorCode, 0};
}

void RegistryFaults::Disarm()
{
    registry = RegistryPlan{};
}

int RegistryFaults::CallCount()
{
    return registry.calls;
}

namespace {

unsigned startCount = 0;
std::wstring startedThrough;

}  // namespace

std::wstring FaultSeam::StartedThrough()
{
    return startedThrough;
}

unsigned FaultSeam::StartCount()
{
    return startCount;
}

void Starts::StartAgain()
{
    ++startCount;
}

void Starts::StartAs(std::wstring path)
{
    startedThrough = std::move(path);
    ++startCount;
}
