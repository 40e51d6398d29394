// Three-way text comparison used by the base record table for its sort and
// for field-name lookup. The platform injects the user's locale comparison;
// PortableTextCompare is the default when none is injected (and the one the
// native tests use).
//
//   TextCompare compare = PortableTextCompare;
//   compare("\xe0\xe1", "\xc0\xc1", true);  // "аб" vs "АБ": 0
#pragma once

#include <functional>
#include <string_view>

// <0, 0 or >0 as a sorts before, with or after b.
using TextCompare = std::function<int(std::string_view a, std::string_view b, bool ignoreCase)>;

// Windows-1251 text in byte order, except that letters compare by their
// case-folded form first: Latin A-Z after other ASCII, the Russian alphabet
// after Latin with Ё between Е and Ж. The case-sensitive form orders texts
// that differ only in case lower-case first, so it is a total order over
// byte strings; the case-insensitive form calls such texts equal.
int PortableTextCompare(std::string_view a, std::string_view b, bool ignoreCase);
