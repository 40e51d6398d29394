// The registry functions the section layer uses, each behind one thin
// wrapper so that tests can make a chosen call fail:
//
//   RegistryFaults::Arm(3, ERROR_ACCESS_DENIED);  // the 3rd call from now fails
//   sections.WriteString("MainForm", "Flags", "0");  // create, open, set: set fails
//   RegistryFaults::Disarm();
//
// Only the single-byte (A) functions are used: key names, value names and
// texts are single-byte text in the system code page.
#pragma once

#include "platform/Win32.h"

#include <string>

enum class RegistryCall {
    Any,
    CreateKey,
    OpenKey,
    QueryValue,
    SetValue,
    QueryInfoKey,
    EnumKey,
    DeleteKey,
};

namespace RegistryFaults {

// From now on, counts the calls of the given kind (every call for Any); the
// nthCall-th of them and the following (times - 1) fail with errorCode
// without reaching the registry. Re-arming replaces the previous setting.
void Arm(int nthCall, LONG errorCode, RegistryCall which = RegistryCall::Any, int times = 1);
void Disarm();
// Calls of the armed kind made since the last Arm or Disarm, the failed
// ones included.
int CallCount();

}  // namespace RegistryFaults

namespace RegistryCalls {

LONG CreateKey(HKEY parent, const std::string& subKey, REGSAM access, HKEY* result);
// The same for a key named exactly, whatever the system's code page.
LONG CreateKey(HKEY parent, const std::wstring& subKey, REGSAM access, HKEY* result);
LONG OpenKey(HKEY parent, const std::string& subKey, REGSAM access, HKEY* result);
// data may be null to ask for the type and size only.
LONG QueryValue(HKEY key, const std::string& name, DWORD* type, BYTE* data, DWORD* size);
LONG SetValue(HKEY key, const std::string& name, DWORD type, const BYTE* data, DWORD size);
LONG QueryInfoKey(HKEY key, DWORD* subKeyCount, DWORD* maxSubKeyLength);
LONG EnumKey(HKEY key, DWORD index, char* name, DWORD* nameLength);
LONG DeleteKey(HKEY parent, const std::string& subKey);

}  // namespace RegistryCalls
