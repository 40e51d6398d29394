// The user's locale comparison for the table's sort: Windows-1251 text
// compared as Unicode with CompareStringW, so the order does not depend on
// the system's ANSI code page.
#pragma once

#include <string_view>

int CompareUserLocale(std::string_view a, std::string_view b, bool ignoreCase);
