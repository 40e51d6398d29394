// Three-way text comparison used by the base record table for its sort and
// for field-name lookup. The platform injects the user's locale comparison;
// PortableTextCompare is the default when none is injected (and the one the
// native tests use).
//
//   TextCompare compare = PortableTextCompare;
//   compare("\xe0\xe1", "\xc0\xc1", true);  // "аб" vs "АБ": 0
//
// A comparison may come with a sort key, which lets a sort of many rows do
// its work on bytes instead of calling the comparison n log n times:
//
//   std::string ka, kb;
//   PortableTextSortKey(a, true, ka);
//   PortableTextSortKey(b, true, kb);
//   // ka < kb  =>  PortableTextCompare(a, b, true) < 0
//   // ka == kb =>  nothing is known; ask PortableTextCompare
#pragma once

#include <functional>
#include <string>
#include <string_view>

// <0, 0 or >0 as a sorts before, with or after b.
using TextCompare = std::function<int(std::string_view a, std::string_view b, bool ignoreCase)>;

// Appends to `key` a byte string for `text` such that, for any two texts
// whose keys differ, the keys' byte order (a key that is the beginning of
// the other comes first) is the order the comparison gives the texts. Keys
// may be equal for texts that the comparison tells apart: those are left to
// the comparison. So a key may be partial, e.g. a locale's letter weights
// without its accent and case weights.
using TextSortKey = std::function<void(std::string_view text, bool ignoreCase, std::string& key)>;

// Windows-1251 text in byte order, except that letters compare by their
// case-folded form first: Latin A-Z after other ASCII, the Russian alphabet
// after Latin with Ё between Е and Ж. The case-sensitive form orders texts
// that differ only in case lower-case first, so it is a total order over
// byte strings; the case-insensitive form calls such texts equal.
int PortableTextCompare(std::string_view a, std::string_view b, bool ignoreCase);

// PortableTextCompare's key: the rank of every byte's case-folded weight,
// one byte each.
void PortableTextSortKey(std::string_view text, bool ignoreCase, std::string& key);
