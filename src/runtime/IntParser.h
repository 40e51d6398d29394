// The program's conversion from text to a 32-bit integer, and "word N" of a
// position text such as "332,347,863,725":
//
//   ParseInteger("  -12");               // -12
//   ParseInteger("$1F");                 // 31
//   StrToIntDef("12a", 7);               // 7
//   PositionWord("10 ,, 20,500;600", 2, 0);  // 20
//
// Accepted text: leading blanks; an optional "+" or "-"; then decimal digits,
// or hexadecimal digits after "$", "x", "X", "0x" or "0X". Nothing may follow
// the digits, not even a blank.
//
// Decimal text must lie in -2147483648..2147483647. Hexadecimal text is a
// 32-bit pattern (at most $FFFFFFFF) read as a signed number, so "$FFFFFFFF"
// is -1 and "$80000000" is -2147483648; a sign in front of hexadecimal text
// negates that pattern modulo 2^32: "-$1" is -1, "-$FFFFFFFF" is 1 and
// "-$80000000" converts to -2147483648. Leading zeros never count against the
// range.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

// The number, or no value when the text does not convert.
std::optional<int32_t> ParseInteger(std::string_view text);

// The number, or def when the text does not convert.
int32_t StrToIntDef(std::string_view text, int32_t def);

// Word n (1-based) of a text cut at runs of blanks and commas; separators at
// the start are skipped. Empty when the text has fewer words or n < 1.
std::string_view ExtractPositionWord(std::string_view text, int n);

// Word n converted by ParseInteger; def when the word is missing or does not
// convert.
int32_t PositionWord(std::string_view text, int n, int32_t def);
