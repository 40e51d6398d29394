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
//   std::string ka = SortKeyOf(PortableTextSortKey, a, true);
//   std::string kb = SortKeyOf(PortableTextSortKey, b, true);
//   // ka < kb  =>  PortableTextCompare(a, b, true) < 0
//   // ka == kb =>  nothing is known; ask PortableTextCompare
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

// <0, 0 or >0 as a sorts before, with or after b.
using TextCompare = std::function<int(std::string_view a, std::string_view b, bool ignoreCase)>;

// Writes to `key` a byte string for `text` and returns its length, at most
// kMaxSortKeyBytesPerChar bytes per byte of text, such that for any two
// texts whose keys differ, the keys' byte order (a key that is the beginning
// of the other comes first) is the order the comparison gives the texts.
// Keys may be equal for texts that the comparison tells apart: those are
// left to the comparison. So a key may be partial, e.g. a locale's letter
// weights without its accent and case weights. The caller provides the room,
// so a sort builds a long list's keys in place.
using TextSortKey = std::function<std::size_t(std::string_view text, bool ignoreCase, unsigned char* key)>;
inline constexpr std::size_t kMaxSortKeyBytesPerChar = 8;

// Whether the texts differ at most in the case of letters that have a case
// pair in Windows-1251 (Latin and Cyrillic): any case-insensitive comparison
// calls such texts equal.
bool SameLettersIgnoringCase(std::string_view a, std::string_view b);

// The key as a string.
std::string SortKeyOf(const TextSortKey& sortKey, std::string_view text, bool ignoreCase);

// Windows-1251 text in byte order, except that letters compare by their
// case-folded form first: Latin A-Z after other ASCII, the Russian alphabet
// after Latin with Ё between Е and Ж. The case-sensitive form orders texts
// that differ only in case lower-case first, so it is a total order over
// byte strings; the case-insensitive form calls such texts equal.
int PortableTextCompare(std::string_view a, std::string_view b, bool ignoreCase);

// PortableTextCompare's key: the rank of every byte's case-folded weight,
// one byte each.
std::size_t PortableTextSortKey(std::string_view text, bool ignoreCase, unsigned char* key);
