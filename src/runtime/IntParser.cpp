#include "runtime/IntParser.h"

namespace {

int DigitValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool IsPositionSeparator(char c)
{
    return c == ' ' || c == ',';
}

}  // namespace

std::optional<int32_t> ParseInteger(std::string_view text)
{
    size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;

    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }

    int base = 10;
    auto rest = text.substr(i);
    if (rest.starts_with('$') || rest.starts_with('x') || rest.starts_with('X')) {
        base = 16;
        i += 1;
    } else if (rest.starts_with("0x") || rest.starts_with("0X")) {
        base = 16;
        i += 2;
    }
    if (i == text.size())
        return std::nullopt;

    // Hexadecimal text is a bit pattern, so it may use all 32 bits; decimal
    // text allows one more on the negative side.
    const uint64_t limit = base == 16 ? 0xFFFFFFFFu : negative ? 0x80000000u : 0x7FFFFFFFu;
    uint64_t value = 0;
    for (; i < text.size(); ++i) {
        int digit = DigitValue(text[i]);
        if (digit < 0 || digit >= base)
            return std::nullopt;
        value = value * base + digit;
        if (value > limit)
            return std::nullopt;
    }

    auto bits = static_cast<uint32_t>(value);
    if (negative)
        bits = 0u - bits;
    return static_cast<int32_t>(bits);
}

int32_t StrToIntDef(std::string_view text, int32_t def)
{
    return ParseInteger(text).value_or(def);
}

std::string_view ExtractPositionWord(std::string_view text, int n)
{
    size_t i = 0;
    for (int word = 1; i < text.size(); ++word) {
        while (i < text.size() && IsPositionSeparator(text[i]))
            ++i;
        size_t start = i;
        while (i < text.size() && !IsPositionSeparator(text[i]))
            ++i;
        if (word == n)
            return text.substr(start, i - start);
    }
    return {};
}

int32_t PositionWord(std::string_view text, int n, int32_t def)
{
    return StrToIntDef(ExtractPositionWord(text, n), def);
}
