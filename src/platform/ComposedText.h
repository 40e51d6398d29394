// Text in composed form (Unicode NFC): a letter typed or pasted as a base
// and a combining mark becomes the one character that looks the same, as
// Windows-1251 and file names usually hold it.
//
//   Composed(L"\u0435\u0308");  // L"\u0451" (ё)
//   Composed(L"x\u030c");       // unchanged: no such composed character
#pragma once

#include <string>
#include <string_view>

// The text itself where it is composed already, or where the system has
// no normalisation (it is looked up at run time, not imported).
std::wstring Composed(std::wstring_view text);
