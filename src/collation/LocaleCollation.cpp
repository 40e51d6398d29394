#include "collation/LocaleCollation.h"

#include "platform/Win32.h"
#include "platform/WideText.h"
#include "runtime/Cp1251.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string>
#include <vector>

namespace {

// A text in wide characters, on the stack when it is short: a sort calls
// the comparison often enough for two heap allocations per call to show.
class WideCopy {
public:
    explicit WideCopy(std::string_view text)
    {
        char16_t* out = text.size() <= kOnStack ? onStack_.data() : (onHeap_.resize(text.size()), onHeap_.data());
        Cp1251ToUtf16(text, out);
        data_ = reinterpret_cast<const wchar_t*>(out);
        size_ = int(text.size());
    }
    const wchar_t* Data() const { return data_; }
    int Size() const { return size_; }

private:
    static constexpr std::size_t kOnStack = 256;
    std::array<char16_t, kOnStack> onStack_;
    std::u16string onHeap_;
    const wchar_t* data_;
    int size_;
};

}  // namespace

int CompareUserLocale(std::string_view a, std::string_view b, bool ignoreCase)
{
    WideCopy wa(a), wb(b);
    int result = CompareStringW(LOCALE_USER_DEFAULT, ignoreCase ? NORM_IGNORECASE : 0, wa.Data(), wa.Size(), wb.Data(),
                                wb.Size());
    return result == 0 ? 0 : result - CSTR_EQUAL;
}

namespace {

// Each byte's letter weights, as key bytes.
using LetterWeights = std::array<std::string, 256>;

// A locale sort key is a run of letter weights, two bytes each (script,
// weight), then 0x01 and the accent, case and special weights. The letter
// weights of a character are what precedes the first 0x01; a character
// without any (a hyphen, an apostrophe, a control character) has none.
std::optional<std::string> LetterWeightsOf(std::wstring_view text)
{
    std::array<BYTE, 256> key{};
    int size = LCMapStringW(LOCALE_USER_DEFAULT, LCMAP_SORTKEY | NORM_IGNORECASE, text.data(), int(text.size()),
                            reinterpret_cast<LPWSTR>(key.data()), int(key.size()));
    auto end = key.begin() + size;
    auto separator = std::find(key.begin(), end, BYTE(1));
    // No separator, or one that cuts a weight in two: not the layout known here.
    if (size <= 0 || separator == end || (separator - key.begin()) % 2 != 0)
        return std::nullopt;
    return std::string(key.begin(), separator);
}

// Whether every two letters weigh what each weighs alone. Locales that sort
// two letters as one ("ch" in Czech, "ll" in traditional Spanish, "dz" in
// Hungarian) do not, and a key made character by character would misplace
// such names; the table then compares every pair instead.
bool LettersWeighAlone(const LetterWeights& weights)
{
    std::vector<std::pair<wchar_t, int>> letters;
    for (int b = 1; b < 256; ++b) {
        wchar_t c = Wide(std::string(1, char(b)))[0];
        if (IsCharAlphaW(c))
            letters.emplace_back(c, b);
    }
    for (auto [first, a] : letters) {
        for (auto [second, b] : letters) {
            const wchar_t pair[] = {first, second};
            std::optional<std::string> together = LetterWeightsOf({pair, 2});
            if (!together || *together != weights[size_t(a)] + weights[size_t(b)])
                return false;
        }
    }
    return true;
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
        std::optional<std::string> letters = LetterWeightsOf(wide);
        if (!letters)
            return std::nullopt;
        weights[size_t(b)] = *letters;
        for (size_t i = 0; i < letters->size(); i += 2)
            distinct.push_back(letters->substr(i, 2));
    }
    if (!LettersWeighAlone(weights))
        return std::nullopt;
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

// The weights in a form that a key is built from with plain stores: every
// call into the C library per character would cost more than the rest.
struct PackedWeights {
    unsigned char size;
    char bytes[7];
};
using PackedTable = std::array<PackedWeights, 256>;

std::optional<PackedTable> Pack(const std::optional<LetterWeights>& weights)
{
    if (!weights)
        return std::nullopt;
    PackedTable packed{};
    for (size_t b = 0; b < 256; ++b) {
        const std::string& letters = (*weights)[b];
        if (letters.size() > sizeof packed[b].bytes)
            return std::nullopt;
        packed[b].size = (unsigned char)letters.size();
        std::copy(letters.begin(), letters.end(), packed[b].bytes);
    }
    return packed;
}

// The common case: no character has more than one weight after ranking, so
// a key is the text mapped byte for byte, ignorable characters left out
// (rank 0 never occurs).
std::optional<std::array<char, 256>> ByteMap(const std::optional<PackedTable>& packed)
{
    if (!packed)
        return std::nullopt;
    std::array<char, 256> map{};
    for (size_t b = 0; b < 256; ++b) {
        const PackedWeights& w = (*packed)[b];
        if (w.size > 1 || (w.size == 1 && w.bytes[0] == 0))
            return std::nullopt;
        map[b] = w.size == 1 ? w.bytes[0] : 0;
    }
    return map;
}

}  // namespace

namespace {

struct KeyTables {
    std::optional<PackedTable> weights;
    std::optional<std::array<char, 256>> byteMap;
};

// Taken from the platform on the first key asked for, not at start: some
// twenty thousand calls into the locale that a program showing an empty or
// short list never needs.
const KeyTables& Tables()
{
    static const KeyTables tables = [] {
        KeyTables t;
        t.weights = Pack(TakeLetterWeights());
        t.byteMap = ByteMap(t.weights);
        return t;
    }();
    return tables;
}

}  // namespace

TextSortKey UserLocaleSortKey()
{
    // Letter weights are the same with and without case: case is a later
    // level. PackedWeights holds at most 7 bytes, within what a key may take
    // per character.
    static_assert(sizeof(PackedWeights::bytes) <= kMaxSortKeyBytesPerChar);
    return [](std::string_view text, bool, unsigned char* key) -> size_t {
        const KeyTables& tables = Tables();
        size_t used = 0;
        if (tables.byteMap) {
            const std::array<char, 256>& map = *tables.byteMap;
            for (char c : text) {
                const unsigned char weight = (unsigned char)map[(unsigned char)c];
                key[used] = weight;
                used += weight != 0;
            }
        } else if (tables.weights) {
            for (char c : text) {
                const PackedWeights& w = (*tables.weights)[(unsigned char)c];
                for (unsigned char i = 0; i < w.size; ++i)
                    key[used++] = (unsigned char)w.bytes[i];
            }
        }
        // With neither, every key is empty and so every pair is compared.
        return used;
    };
}
