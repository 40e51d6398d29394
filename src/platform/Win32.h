// The one way platform code reaches <windows.h>.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>
#include <shlobj.h>
#include <shellapi.h>

// A function of a system library that older systems lack, looked up rather
// than imported so that the program still starts there; null where it is
// missing:
//
//   using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
//   auto getDpi = SystemFunction<GetDpiForWindowFn>(L"user32.dll", "GetDpiForWindow");
template <typename Function>
Function SystemFunction(const wchar_t* library, const char* name)
{
    HMODULE module = GetModuleHandleW(library);
    return module ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name))) : nullptr;
}
