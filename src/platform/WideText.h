// The boundary between the program's Windows-1251 text and the wide Win32
// functions. What fits the code page and how it converts are the codec's
// rules (runtime/Cp1251.h); this adds the wide types and what only the
// system can do, composing text (Unicode NFC):
//
//   SetWindowTextW(hwnd, Wide(caption).c_str());
//   std::string name = Narrow(buffer);
//   Composed(L"\u0435\u0308");  // L"\u0451" (ё); L"x\u030c" stays: no such composed character
#pragma once

#include "runtime/Cp1251.h"

#include <string>
#include <string_view>

std::wstring Wide(std::string_view text);
std::wstring Wide(std::u16string_view text);
std::string Narrow(std::wstring_view text);
// True when Narrow(text) loses nothing.
bool FitsCp1251(std::wstring_view text);

// A letter typed or pasted as a base and a combining mark becomes the one
// character that looks the same, as Windows-1251 and file names usually
// hold it. The text itself where it is composed already, or where the
// system has no normalisation (it is looked up at run time, not imported).
std::wstring Composed(std::wstring_view text);

// The characters of typed text that Windows-1251 cannot hold even composed.
Cp1251Outside CharactersOutsideCp1251(std::wstring_view text);
