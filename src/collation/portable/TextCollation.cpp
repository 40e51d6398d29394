#include "collation/portable/TextCollation.h"

#include <algorithm>
#include <array>

namespace {

struct Weights {
    std::array<unsigned char, 256> upper{};  // case-folded byte
    std::array<unsigned short, 256> primary{};
    std::array<unsigned char, 256> rank{};  // of primary among the distinct weights, from 1
};

constexpr Weights MakeWeights()
{
    Weights w;
    for (int b = 0; b < 256; ++b)
        w.upper[size_t(b)] = (unsigned char)b;
    for (int b = 'a'; b <= 'z'; ++b)
        w.upper[size_t(b)] = (unsigned char)(b - 'a' + 'A');
    for (int b = 0xE0; b <= 0xFF; ++b)  // а-я
        w.upper[size_t(b)] = (unsigned char)(b - 0x20);
    // The other Cyrillic letters of the code page, lower case -> upper case:
    // ђ ѓ љ њ ќ ћ џ ў ј ґ ё є ѕ і ї.
    constexpr unsigned char pairs[][2] = {{0x90, 0x80}, {0x83, 0x81}, {0x9A, 0x8A}, {0x9C, 0x8C}, {0x9D, 0x8D},
                                          {0x9E, 0x8E}, {0x9F, 0x8F}, {0xA2, 0xA1}, {0xBC, 0xA3}, {0xB4, 0xA5},
                                          {0xB8, 0xA8}, {0xBA, 0xAA}, {0xBE, 0xBD}, {0xB3, 0xB2}, {0xBF, 0xAF}};
    for (const auto& pair : pairs)
        w.upper[pair[0]] = pair[1];

    for (int b = 0; b < 256; ++b) {
        int u = w.upper[size_t(b)];
        int weight = u;
        if (u >= 'A' && u <= 'Z')
            weight = 0x100 + (u - 'A');
        else if (u >= 0xC0 && u <= 0xDF)  // А-Я, spaced to leave room for Ё after Е
            weight = 0x200 + 2 * (u - 0xC0);
        else if (u == 0xA8)  // Ё
            weight = 0x200 + 2 * (0xC5 - 0xC0) + 1;
        w.primary[size_t(b)] = (unsigned short)weight;
    }
    // The weights' ranks among the distinct weights, from 1: fewer than 256
    // of them, since upper and lower case share theirs, so a key takes one
    // byte per character.
    constexpr int kWeightLimit = 0x300;
    std::array<int, kWeightLimit + 1> distinctBelow{};  // distinct weights below each value
    for (int b = 0; b < 256; ++b)
        distinctBelow[size_t(w.primary[size_t(b)]) + 1] = 1;
    for (int v = 1; v <= kWeightLimit; ++v)
        distinctBelow[size_t(v)] += distinctBelow[size_t(v) - 1];
    for (int b = 0; b < 256; ++b)
        w.rank[size_t(b)] = (unsigned char)(1 + distinctBelow[w.primary[size_t(b)]]);
    return w;
}

constexpr Weights kWeights = MakeWeights();

int Sign(int v)
{
    return (v > 0) - (v < 0);
}

}  // namespace

int PortableTextCompare(std::string_view a, std::string_view b, bool ignoreCase)
{
    size_t common = std::min(a.size(), b.size());
    for (size_t i = 0; i < common; ++i) {
        int d = kWeights.primary[(unsigned char)a[i]] - kWeights.primary[(unsigned char)b[i]];
        if (d != 0)
            return Sign(d);
    }
    if (a.size() != b.size())
        return a.size() < b.size() ? -1 : 1;
    if (ignoreCase)
        return 0;
    // Same letters: the first difference in case decides, lower case first.
    for (size_t i = 0; i < common; ++i) {
        bool upperA = kWeights.upper[(unsigned char)a[i]] == (unsigned char)a[i];
        bool upperB = kWeights.upper[(unsigned char)b[i]] == (unsigned char)b[i];
        if (upperA != upperB)
            return upperA ? 1 : -1;
    }
    return 0;
}

std::size_t PortableTextSortKey(std::string_view text, bool, unsigned char* key)
{
    // Equal weights leave length and case to the comparison, which is exactly
    // what the comparison itself looks at once the weights are equal.
    for (std::size_t i = 0; i < text.size(); ++i)
        key[i] = kWeights.rank[(unsigned char)text[i]];
    return text.size();
}

bool SameLettersIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (kWeights.upper[(unsigned char)a[i]] != kWeights.upper[(unsigned char)b[i]])
            return false;
    return true;
}

std::string SortKeyOf(const TextSortKey& sortKey, std::string_view text, bool ignoreCase)
{
    std::string key(text.size() * kMaxSortKeyBytesPerChar, '\0');
    key.resize(sortKey(text, ignoreCase, reinterpret_cast<unsigned char*>(key.data())));
    return key;
}
