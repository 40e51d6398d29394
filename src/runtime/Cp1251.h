// Windows-1251, the single-byte code page of every text the program keeps
// (the table, Bases.dat, the shared globals). The user interface and file
// names go through the wide Win32 functions; this codec is the one place
// where the two meet, so the program behaves the same whatever the system's
// ANSI code page is.
//
//   std::u16string wide = Cp1251ToUtf16("\xcf\xf3\xf2\xfc");  // "Путь"
//   std::string narrow = Utf16ToCp1251(wide);               // back again
//
// Characters that Windows-1251 cannot hold become '?'; where that would lose
// what the operator typed, ask first which characters those are:
//
//   CharactersOutsideCp1251(u"café 数据")  // U"数据"
#pragma once

#include <string>
#include <string_view>

std::u16string Cp1251ToUtf16(std::string_view text);
// The same into out[0..text.size()), for callers that keep their own storage.
void Cp1251ToUtf16(std::string_view text, char16_t* out);
std::string Utf16ToCp1251(std::u16string_view text);
char Utf16ToCp1251Char(char16_t unit);

// The characters of `text` that Windows-1251 cannot hold, each once, in the
// order of their first appearance; empty when the whole text converts
// exactly. A surrogate pair is one character; a lone surrogate is itself.
std::u32string CharactersOutsideCp1251(std::u16string_view text);

// The code point that begins at text[i], with i moved past it: a surrogate
// pair is one code point, a lone surrogate is itself.
char32_t NextCodePoint(std::u16string_view text, size_t& i);

// Where the character that begins at `start` ends, in UTF-16 units: a
// surrogate pair is one character, and the combining marks that follow a
// character belong to it ("x" + U+030C shows as one letter, and is told and
// selected as one).
size_t CharacterEnd(std::u16string_view text, size_t start);
