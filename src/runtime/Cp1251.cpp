#include "runtime/Cp1251.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace {

// Unicode code points of the bytes 0x80 to 0xFF in Windows-1251. 0x98 has no
// character of its own; like the platform, it maps to U+0098 so every byte
// survives a round trip.
constexpr std::array<char16_t, 128> kHighHalf = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409, 0x2039, 0x040A,
    0x040C, 0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x0098, 0x2122,
    0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, 0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6,
    0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407, 0x00B0, 0x00B1, 0x0406, 0x0456,
    0x0491, 0x00B5, 0x00B6, 0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457, 0x0410,
    0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417, 0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D,
    0x041E, 0x041F, 0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427, 0x0428, 0x0429, 0x042A,
    0x042B, 0x042C, 0x042D, 0x042E, 0x042F, 0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437,
    0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F, 0x0440, 0x0441, 0x0442, 0x0443, 0x0444,
    0x0445, 0x0446, 0x0447, 0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,
};

}  // namespace

std::u16string Cp1251ToUtf16(std::string_view text)
{
    std::u16string result(text.size(), u'\0');
    Cp1251ToUtf16(text, result.data());
    return result;
}

void Cp1251ToUtf16(std::string_view text, char16_t* out)
{
    for (unsigned char c : text)
        *out++ = c < 0x80 ? char16_t(c) : kHighHalf[c - 0x80];
}

char Utf16ToCp1251Char(char16_t unit)
{
    if (unit < 0x80)
        return char(unit);
    // The high half is sorted by nothing useful, so search it; 128 entries.
    for (size_t i = 0; i < kHighHalf.size(); ++i)
        if (kHighHalf[i] == unit)
            return char(0x80 + i);
    return '?';
}

std::string Utf16ToCp1251(std::u16string_view text)
{
    std::string result;
    result.reserve(text.size());
    for (char16_t unit : text)
        result.push_back(Utf16ToCp1251Char(unit));
    return result;
}

bool FitsCp1251(std::u16string_view text)
{
    return std::all_of(text.begin(), text.end(),
                       [](char16_t unit) { return unit == u'?' || Utf16ToCp1251Char(unit) != '?'; });
}

namespace {

bool HighSurrogate(char16_t unit)
{
    return unit >= 0xD800 && unit <= 0xDBFF;
}

bool LowSurrogate(char16_t unit)
{
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

// The code point that begins at text[i], with i moved past it: a surrogate
// pair is one code point, a lone surrogate is itself.
char32_t NextCodePoint(std::u16string_view text, size_t& i)
{
    const char16_t unit = text[i++];
    if (!HighSurrogate(unit) || i == text.size() || !LowSurrogate(text[i]))
        return unit;
    return 0x10000 + ((char32_t(unit) - 0xD800) << 10) + (char32_t(text[i++]) - 0xDC00);
}

// The blocks of combining marks that Latin, Cyrillic and Greek text uses,
// and the variation selectors, which show nothing of their own.
bool CombiningMark(char16_t unit)
{
    struct Range {
        char16_t first, last;
    };
    static constexpr Range kMarks[] = {{0x0300, 0x036F}, {0x0483, 0x0489}, {0x1AB0, 0x1AFF}, {0x1DC0, 0x1DFF},
                                       {0x20D0, 0x20FF}, {0xFE00, 0xFE0F}, {0xFE20, 0xFE2F}};
    for (const Range& range : kMarks)
        if (unit >= range.first && unit <= range.last)
            return true;
    return false;
}

// Where the character that begins at `start` ends: "x" + U+030C shows as
// one letter, and is told and selected as one.
size_t CharacterEnd(std::u16string_view text, size_t start)
{
    size_t end = start + 1;
    if (HighSurrogate(text[start]) && end < text.size() && LowSurrogate(text[end]))
        ++end;
    while (end < text.size() && CombiningMark(text[end]))
        ++end;
    return end;
}

std::u16string DescribeCharacter(const std::u16string& character)
{
    std::u16string codes;
    for (size_t i = 0; i < character.size();) {
        char code[16];
        std::snprintf(code, sizeof code, "U+%04X", unsigned(NextCodePoint(character, i)));
        codes += (codes.empty() ? u"" : u" ") + Cp1251ToUtf16(code);
    }
    return u"\"" + character + u"\" (" + codes + u")";
}

}  // namespace

Cp1251Outside CharactersOutsideCp1251(std::u16string_view text, const ComposeText& compose)
{
    Cp1251Outside found;
    for (size_t start = 0, end = 0; start < text.size(); start = end) {
        end = CharacterEnd(text, start);
        const std::u16string_view typed = text.substr(start, end - start);
        if (FitsCp1251(typed))
            continue;
        std::u16string character = compose(typed);
        if (FitsCp1251(character))
            continue;
        if (found.Characters.empty()) {
            found.FirstStart = start;
            found.FirstEnd = end;
        }
        if (std::find(found.Characters.begin(), found.Characters.end(), character) == found.Characters.end())
            found.Characters.push_back(std::move(character));
    }
    return found;
}

std::u16string DescribeCharacters(const std::vector<std::u16string>& characters)
{
    constexpr size_t kMostShown = 8;
    std::u16string line;
    for (size_t i = 0; i < characters.size() && i < kMostShown; ++i)
        line += (i == 0 ? u"" : u", ") + DescribeCharacter(characters[i]);
    if (characters.size() > kMostShown)
        line += u" и ещё " + Cp1251ToUtf16(std::to_string(characters.size() - kMostShown));
    return line;
}
