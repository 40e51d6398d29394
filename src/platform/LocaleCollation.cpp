#include "platform/LocaleCollation.h"

#include "platform/Win32.h"
#include "platform/WideText.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string>
#include <vector>

int CompareUserLocale(std::string_view a, std::string_view b, bool ignoreCase)
{
    std::wstring wa = Wide(a), wb = Wide(b);
    int result = CompareStringW(LOCALE_USER_DEFAULT, ignoreCase ? NORM_IGNORECASE : 0, wa.data(),
                                static_cast<int>(wa.size()), wb.data(), static_cast<int>(wb.size()));
    return result == 0 ? 0 : result - CSTR_EQUAL;
}

namespace {

// Each byte's letter weights, as key bytes.
using LetterWeights = std::array<std::string, 256>;

// A locale sort key is a run of letter weights, two bytes each (script,
// weight), then 0x01 and the accent, case and special weights. The letter
// weights of a character are what precedes the first 0x01; a character
// without any (a hyphen, an apostrophe, a control character) has none.
std::optional<std::string> LetterWeightsOf(wchar_t c)
{
    std::array<BYTE, 256> key{};
    int size = LCMapStringW(LOCALE_USER_DEFAULT, LCMAP_SORTKEY | NORM_IGNORECASE, &c, 1,
                            reinterpret_cast<LPWSTR>(key.data()), int(key.size()));
    auto end = key.begin() + size;
    auto separator = std::find(key.begin(), end, BYTE(1));
    // No separator, or one that cuts a weight in two: not the layout known here.
    if (size <= 0 || separator == end || (separator - key.begin()) % 2 != 0)
        return std::nullopt;
    return std::string(key.begin(), separator);
}

// Letter weights of the whole code page, or nothing when the platform's keys
// look different. The weights are few (some two hundred): each is replaced
// by its rank among them, one byte instead of two, which keeps their order
// and halves the keys.
std::optional<LetterWeights> TakeLetterWeights()
{
    LetterWeights weights;
    std::vector<std::string> distinct;
    for (int b = 1; b < 256; ++b) {
        std::wstring wide = Wide(std::string(1, char(b)));
        std::optional<std::string> letters = LetterWeightsOf(wide[0]);
        if (!letters)
            return std::nullopt;
        weights[size_t(b)] = *letters;
        for (size_t i = 0; i < letters->size(); i += 2)
            distinct.push_back(letters->substr(i, 2));
    }
    std::sort(distinct.begin(), distinct.end());
    distinct.erase(std::unique(distinct.begin(), distinct.end()), distinct.end());
    if (distinct.size() > 255)
        return weights;
    for (std::string& letters : weights) {
        std::string ranks;
        for (size_t i = 0; i < letters.size(); i += 2) {
            auto at = std::lower_bound(distinct.begin(), distinct.end(), letters.substr(i, 2));
            ranks.push_back(char(1 + (at - distinct.begin())));
        }
        letters = std::move(ranks);
    }
    return weights;
}

} // namespace

TextSortKey UserLocaleSortKey()
{
    static const std::optional<LetterWeights> weights = TakeLetterWeights();
    if (!weights)
        return {};
    const LetterWeights* table = &*weights;
    // Letter weights are the same with and without case: case is a later level.
    return [table](std::string_view text, bool, std::string& key) {
        for (char c : text)
            key += (*table)[(unsigned char)c];
    };
}
