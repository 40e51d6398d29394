#include "storage/RegistryCalls.h"

namespace {

struct FaultPlan {
    bool armed = false;
    RegistryCall which = RegistryCall::Any;
    int firstFailing = 0;
    int lastFailing = 0;
    LONG errorCode = ERROR_SUCCESS;
    int calls = 0;
};

// The program is single-threaded; so are the tests that arm faults.
FaultPlan g_faults;

// Counts a call and tells whether it must fail instead of running.
bool InjectedFailure(RegistryCall call, LONG* error)
{
    if (g_faults.which != RegistryCall::Any && g_faults.which != call)
        return false;
    int n = ++g_faults.calls;
    if (!g_faults.armed || n < g_faults.firstFailing || n > g_faults.lastFailing)
        return false;
    *error = g_faults.errorCode;
    return true;
}

}  // namespace

namespace RegistryFaults {

void Arm(int nthCall, LONG errorCode, RegistryCall which, int times)
{
    g_faults = FaultPlan{true, which, nthCall, nthCall + times - 1, errorCode, 0};
}

void Disarm()
{
    g_faults = FaultPlan{};
}

int CallCount()
{
    return g_faults.calls;
}

}  // namespace RegistryFaults

namespace RegistryCalls {

LONG CreateKey(HKEY parent, const std::string& subKey, REGSAM access, HKEY* result)
{
    LONG error;
    if (InjectedFailure(RegistryCall::CreateKey, &error))
        return error;
    return RegCreateKeyExA(parent, subKey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr, result,
                           nullptr);
}

LONG CreateKey(HKEY parent, const std::wstring& subKey, REGSAM access, HKEY* result)
{
    LONG error;
    if (InjectedFailure(RegistryCall::CreateKey, &error))
        return error;
    return RegCreateKeyExW(parent, subKey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr, result,
                           nullptr);
}

LONG OpenKey(HKEY parent, const std::string& subKey, REGSAM access, HKEY* result)
{
    LONG error;
    if (InjectedFailure(RegistryCall::OpenKey, &error))
        return error;
    return RegOpenKeyExA(parent, subKey.c_str(), 0, access, result);
}

LONG QueryValue(HKEY key, const std::string& name, DWORD* type, BYTE* data, DWORD* size)
{
    LONG error;
    if (InjectedFailure(RegistryCall::QueryValue, &error))
        return error;
    return RegQueryValueExA(key, name.c_str(), nullptr, type, data, size);
}

LONG SetValue(HKEY key, const std::string& name, DWORD type, const BYTE* data, DWORD size)
{
    LONG error;
    if (InjectedFailure(RegistryCall::SetValue, &error))
        return error;
    return RegSetValueExA(key, name.c_str(), 0, type, data, size);
}

LONG QueryInfoKey(HKEY key, DWORD* subKeyCount, DWORD* maxSubKeyLength)
{
    LONG error;
    if (InjectedFailure(RegistryCall::QueryInfoKey, &error))
        return error;
    return RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, subKeyCount, maxSubKeyLength, nullptr, nullptr, nullptr,
                            nullptr, nullptr, nullptr);
}

LONG EnumKey(HKEY key, DWORD index, char* name, DWORD* nameLength)
{
    LONG error;
    if (InjectedFailure(RegistryCall::EnumKey, &error))
        return error;
    return RegEnumKeyExA(key, index, name, nameLength, nullptr, nullptr, nullptr, nullptr);
}

LONG DeleteKey(HKEY parent, const std::string& subKey)
{
    LONG error;
    if (InjectedFailure(RegistryCall::DeleteKey, &error))
        return error;
    return RegDeleteKeyA(parent, subKey.c_str());
}

}  // namespace RegistryCalls
