// A path's short (8.3) and long forms, as the file system gives them:
//
//   std::wstring longForm = LongPath(L"C:\\PROGRA~1\\AUTOPE~1.EXE");  // L"C:\Program Files\AutoPeriod.exe"
//   std::wstring shortForm;
//   DWORD error = 0;
//   PathThrough(&GetShortPathNameW, path, shortForm, error);
#pragma once

#include "platform/Win32.h"

#include <string>

// The path through GetShortPathNameW or GetLongPathNameW, grown until it
// fits; false, with the call's error code, when it fails.
bool PathThrough(DWORD(WINAPI* call)(LPCWSTR, LPWSTR, DWORD), const std::wstring& path, std::wstring& result,
                 DWORD& error);
// The long form of the path; empty when it cannot be had.
std::wstring LongPath(const std::wstring& path);
