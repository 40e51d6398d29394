// The boundary between the program's Windows-1251 text and the wide Win32
// functions:
//
//   SetWindowTextW(hwnd, Wide(caption).c_str());
//   std::string name = Narrow(buffer);
#pragma once

#include <string>
#include <string_view>

std::wstring Wide(std::string_view text);
std::string Narrow(std::wstring_view text);
// True when Narrow(text) loses nothing.
bool FitsCp1251(std::wstring_view text);
