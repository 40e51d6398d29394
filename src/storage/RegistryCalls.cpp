#include "storage/RegistryCalls.h"

#include "platform/FaultSeam.h"

namespace {

// True when the seam refuses the call, with the code in *error.
bool InjectedFailure(SeamCall call, LONG* error)
{
    *error = LONG(FaultSeam::Before(call, {}, {}, nullptr));
    return *error != ERROR_SUCCESS;
}

}  // namespace

namespace RegistryCalls {

LONG CreateKey(HKEY parent, const std::string& subKey, REGSAM access, HKEY* result)
{
    LONG error;
    if (InjectedFailure(SeamCall::RegCreateKey, &error))
        return error;
    return RegCreateKeyExA(parent, subKey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr, result,
                           nullptr);
}

LONG CreateKey(HKEY parent, const std::wstring& subKey, REGSAM access, HKEY* result)
{
    LONG error;
    if (InjectedFailure(SeamCall::RegCreateKey, &error))
        return error;
    return RegCreateKeyExW(parent, subKey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr, result,
                           nullptr);
}

LONG OpenKey(HKEY parent, const std::string& subKey, REGSAM access, HKEY* result)
{
    LONG error;
    if (InjectedFailure(SeamCall::RegOpenKey, &error))
        return error;
    return RegOpenKeyExA(parent, subKey.c_str(), 0, access, result);
}

LONG QueryValue(HKEY key, const std::string& name, DWORD* type, BYTE* data, DWORD* size)
{
    LONG error;
    if (InjectedFailure(SeamCall::RegQueryValue, &error))
        return error;
    return RegQueryValueExA(key, name.c_str(), nullptr, type, data, size);
}

LONG SetValue(HKEY key, const std::string& name, DWORD type, const BYTE* data, DWORD size)
{
    LONG error;
    if (InjectedFailure(SeamCall::RegSetValue, &error))
        return error;
    return RegSetValueExA(key, name.c_str(), 0, type, data, size);
}

LONG QueryInfoKey(HKEY key, DWORD* subKeyCount, DWORD* maxSubKeyLength)
{
    LONG error;
    if (InjectedFailure(SeamCall::RegQueryInfoKey, &error))
        return error;
    return RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, subKeyCount, maxSubKeyLength, nullptr, nullptr, nullptr,
                            nullptr, nullptr, nullptr);
}

LONG EnumKey(HKEY key, DWORD index, char* name, DWORD* nameLength)
{
    LONG error;
    if (InjectedFailure(SeamCall::RegEnumKey, &error))
        return error;
    return RegEnumKeyExA(key, index, name, nameLength, nullptr, nullptr, nullptr, nullptr);
}

LONG DeleteKey(HKEY parent, const std::string& subKey)
{
    LONG error;
    if (InjectedFailure(SeamCall::RegDeleteKey, &error))
        return error;
    return RegDeleteKeyA(parent, subKey.c_str());
}

}  // namespace RegistryCalls
