// The registry functions the section layer uses, each behind one thin
// wrapper that passes the fault seam (platform/FaultSeam.h), so that tests
// can make a chosen call fail.
//
// Value names, texts and the window keys are single-byte text in the system
// code page (A functions). The program's own key is named after the
// executable, whose name may hold any character: it alone is made through
// the wide (W) function.
#pragma once

#include "platform/Win32.h"

#include <string>

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
