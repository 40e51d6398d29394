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
// what the operator typed, ask first which characters those are, and tell
// the operator with their descriptions:
//
//   CharactersOutsideCp1251(u"caf\u00e9 \u6570", Compose).Characters  // {u"\u00e9", u"\u6570"}
//   DescribeCharacters({u"\u6570"})                             // u"\"\u6570\" (U+6570)"
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

std::u16string Cp1251ToUtf16(std::string_view text);
// The same into out[0..text.size()), for callers that keep their own storage.
void Cp1251ToUtf16(std::string_view text, char16_t* out);
std::string Utf16ToCp1251(std::u16string_view text);
char Utf16ToCp1251Char(char16_t unit);

// True when Utf16ToCp1251(text) loses nothing.
bool FitsCp1251(std::u16string_view text);

// The characters of a text that Windows-1251 cannot hold, each whole (a
// surrogate pair is one character, and the combining marks that follow a
// character belong to it) and once, in the order of their first appearance,
// as `compose` gives them; one whose composed form fits (a base letter and a
// combining mark that make ё) is none of them. FirstStart and FirstEnd are
// where the first one stands in the text, in UTF-16 units.
struct Cp1251Outside {
    std::vector<std::u16string> Characters;
    size_t FirstStart = 0, FirstEnd = 0;
};
using ComposeText = std::function<std::u16string(std::u16string_view)>;
Cp1251Outside CharactersOutsideCp1251(std::u16string_view text, const ComposeText& compose);

// Characters for the operator: each in quotes with its code points, which
// tell apart characters that look alike or show nothing, joined by ", "; a
// long list is cut short ("... и ещё 3").
std::u16string DescribeCharacters(const std::vector<std::u16string>& characters);
