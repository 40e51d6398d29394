// A path's forms: short (8.3) and long, as the file system gives them, and
// with or without the "\\?\" that lifts the MAX_PATH limit:
//
//   std::wstring longForm = LongPath(L"C:\\PROGRA~1\\AUTOPE~1.EXE");  // L"C:\Program Files\AutoPeriod.exe"
//   std::wstring shortForm;
//   DWORD error = 0;
//   PathThrough(&GetShortPathNameW, path, shortForm, error);
//   WithLongPathPrefix(L"\\\\server\\share\\")      // L"\\?\UNC\server\share\"
#pragma once

#include "platform/Win32.h"

#include <string>

// The path through GetShortPathNameW or GetLongPathNameW, grown until it
// fits; false, with the call's error code, when it fails.
bool PathThrough(DWORD(WINAPI* call)(LPCWSTR, LPWSTR, DWORD), const std::wstring& path, std::wstring& result,
                 DWORD& error);
// The long form of the path; empty when it cannot be had.
std::wstring LongPath(const std::wstring& path);

// True when the path begins with "\\?\" (and so takes no wildcard and no
// relative part).
bool HasLongPathPrefix(const std::wstring& path);
// The path with "\\?\" (a network path: "\\?\UNC\"); as it is when it has it.
std::wstring WithLongPathPrefix(const std::wstring& path);
// The path without "\\?\" or "\\?\UNC\"; as it is when it has neither.
std::wstring WithoutLongPathPrefix(const std::wstring& path);
