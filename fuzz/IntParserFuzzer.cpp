// ParseInteger, StrToIntDef and the position-text words against a reference
// model written from the rules alone:
// - leading blanks (spaces only) are skipped, then an optional sign;
// - decimal digits, or hexadecimal digits after "$", "x", "X", "0x", "0X";
// - nothing may follow the digits;
// - decimal text must fit a signed 32-bit number; hexadecimal text is a
//   32-bit pattern read as signed, which a minus sign negates modulo 2^32;
// - out of range, or anything else, does not convert;
// - position words are cut at runs of blanks and commas.
//
// Half the inputs are raw text; the other half are numbers written out with
// random prefixes, signs, leading zeros and blanks, so that the range borders
// are met often.

#include "FuzzCheck.h"
#include "runtime/IntParser.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace {

std::optional<int32_t> ReferenceParse(std::string_view text)
{
    size_t start = text.find_first_not_of(' ');
    if (start == std::string_view::npos)
        return std::nullopt;
    std::string_view body = text.substr(start);

    bool negative = false;
    if (body.front() == '-' || body.front() == '+') {
        negative = body.front() == '-';
        body.remove_prefix(1);
    }

    bool hex = false;
    for (std::string_view prefix : {"$", "x", "X", "0x", "0X"}) {
        if (body.starts_with(prefix)) {
            hex = true;
            body.remove_prefix(prefix.size());
            break;
        }
    }
    const std::string_view digits = hex ? "0123456789abcdefABCDEF" : "0123456789";
    if (body.empty() || body.find_first_not_of(digits) != std::string_view::npos)
        return std::nullopt;

    // Leading zeros never count against the range; past them, more digits
    // than the widest number has are out of range whatever they are.
    size_t firstSignificant = body.find_first_not_of('0');
    std::string_view significant =
        firstSignificant == std::string_view::npos ? std::string_view() : body.substr(firstSignificant);
    if (significant.size() > (hex ? 8u : 10u))
        return std::nullopt;
    uint64_t magnitude = std::stoull("0" + std::string(significant), nullptr, hex ? 16 : 10);

    if (hex) {
        uint64_t pattern = negative ? (0x100000000ull - magnitude) % 0x100000000ull : magnitude;
        return pattern >= 0x80000000ull ? int32_t(int64_t(pattern) - 0x100000000ll) : int32_t(pattern);
    }
    if (negative ? magnitude > 0x80000000ull : magnitude > 0x7FFFFFFFull)
        return std::nullopt;
    return int32_t(negative ? -int64_t(magnitude) : int64_t(magnitude));
}

std::vector<std::string_view> ReferenceWords(std::string_view text)
{
    std::vector<std::string_view> words;
    size_t i = 0;
    while (true) {
        i = text.find_first_not_of(" ,", i);
        if (i == std::string_view::npos)
            return words;
        size_t end = text.find_first_of(" ,", i);
        if (end == std::string_view::npos)
            end = text.size();
        words.push_back(text.substr(i, end - i));
        i = end;
    }
}

// A number written out the way a person or a registry value might.
std::string WriteNumber(FuzzedDataProvider& data)
{
    std::string text(data.ConsumeIntegralInRange<size_t>(0, 3), ' ');
    switch (data.ConsumeIntegralInRange(0, 3)) {
    case 1: text += '-'; break;
    case 2: text += '+'; break;
    default: break;
    }
    static const char* const kPrefixes[] = {"", "$", "x", "X", "0x", "0X"};
    const std::string prefix = data.PickValueInArray(kPrefixes);
    text += prefix;
    text += std::string(data.ConsumeIntegralInRange<size_t>(0, 4), '0');

    // Magnitudes around the borders: 2^31, 2^32 and their neighbours.
    static const uint64_t kBorders[] = {
        0, 0x7FFFFFFFull, 0x80000000ull, 0xFFFFFFFFull, 0x100000000ull, 9999999999ull, 10000000000ull};
    uint64_t magnitude = data.ConsumeBool() ? data.PickValueInArray(kBorders) + data.ConsumeIntegralInRange<int>(-2, 2)
                                            : data.ConsumeIntegral<uint64_t>() >> data.ConsumeIntegralInRange(0, 63);
    char digits[32];
    const bool upper = data.ConsumeBool();
    std::snprintf(digits, sizeof digits,
                  prefix.empty() ? "%llu"
                  : upper        ? "%llX"
                                 : "%llx",
                  (unsigned long long)magnitude);
    text += digits;
    // Now and then something after the number, which must spoil it.
    if (data.ConsumeIntegralInRange(0, 7) == 0)
        text += data.ConsumeRandomLengthString(3);
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size)
{
    FuzzedDataProvider data(bytes, size);
    const int n = data.ConsumeIntegralInRange(-1, 6);
    const int32_t def = data.ConsumeIntegral<int32_t>();
    const std::string text = data.ConsumeBool() ? WriteNumber(data) : data.ConsumeRemainingBytesAsString();

    const std::optional<int32_t> expected = ReferenceParse(text);
    const std::optional<int32_t> got = ParseInteger(text);
    auto show = [](std::optional<int32_t> v) { return v ? std::to_string(*v) : std::string("none"); };
    FUZZ_CHECK(got == expected,
               "ParseInteger(" + Printable(text) + ") = " + show(got) + ", expected " + show(expected));
    FUZZ_CHECK(StrToIntDef(text, def) == expected.value_or(def), "StrToIntDef(" + Printable(text) + ")");

    const std::vector<std::string_view> words = ReferenceWords(text);
    const std::string_view word = n >= 1 && size_t(n) <= words.size() ? words[size_t(n) - 1] : std::string_view();
    FUZZ_CHECK(ExtractPositionWord(text, n) == word, "word " + std::to_string(n) + " of " + Printable(text) + " is " +
                                                         Printable(ExtractPositionWord(text, n)) + ", expected " +
                                                         Printable(word));
    const int32_t wordValue = ReferenceParse(word).value_or(def);
    FUZZ_CHECK(PositionWord(text, n, def) == wordValue, "PositionWord(" + Printable(text) + ", " + std::to_string(n) +
                                                            ") = " + std::to_string(PositionWord(text, n, def)) +
                                                            ", expected " + std::to_string(wordValue));
    return 0;
}
