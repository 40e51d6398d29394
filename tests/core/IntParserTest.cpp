#include "runtime/IntParser.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct Conversion {
    std::string text;
    std::optional<int32_t> expected;
};

void PrintTo(const Conversion& c, std::ostream* os)
{
    *os << '"' << c.text << '"';
}

class ParseIntegerCase : public testing::TestWithParam<Conversion> {};

TEST_P(ParseIntegerCase, ConvertsOrRejectsTheText)
{
    EXPECT_EQ(ParseInteger(GetParam().text), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Decimal, ParseIntegerCase,
                         testing::Values(Conversion{"0", 0}, Conversion{"42", 42}, Conversion{"  -12", -12},
                                         Conversion{"+7", 7}, Conversion{"-0", 0}, Conversion{"007", 7},
                                         Conversion{"2147483647", 2147483647}, Conversion{"-2147483648", INT32_MIN},
                                         Conversion{"00000000002147483647", 2147483647}));

INSTANTIATE_TEST_SUITE_P(Hexadecimal, ParseIntegerCase,
                         testing::Values(Conversion{"$1F", 31}, Conversion{"0x1F", 31}, Conversion{"0X1f", 31},
                                         Conversion{"x1F", 31}, Conversion{"X1F", 31}, Conversion{" $ff", 255},
                                         Conversion{"$7FFFFFFF", 2147483647}, Conversion{"$80000000", INT32_MIN},
                                         Conversion{"$FFFFFFFF", -1}, Conversion{"$000000000001", 1},
                                         Conversion{"-$1", -1}, Conversion{"-$FFFFFFFF", 1},
                                         Conversion{"-$80000000", INT32_MIN}, Conversion{"+0x10", 16}));

INSTANTIATE_TEST_SUITE_P(
    Rejected, ParseIntegerCase,
    testing::Values(Conversion{"", std::nullopt}, Conversion{"   ", std::nullopt}, Conversion{"12a", std::nullopt},
                    Conversion{"12 ", std::nullopt}, Conversion{"- 12", std::nullopt}, Conversion{"\t12", std::nullopt},
                    Conversion{"-", std::nullopt}, Conversion{"+-1", std::nullopt}, Conversion{"$", std::nullopt},
                    Conversion{"0x", std::nullopt}, Conversion{"-$", std::nullopt}, Conversion{"$1G", std::nullopt},
                    Conversion{"$$1", std::nullopt}, Conversion{"1F", std::nullopt}, Conversion{"1.5", std::nullopt},
                    Conversion{"2147483648", std::nullopt}, Conversion{"-2147483649", std::nullopt},
                    Conversion{"99999999999999999999999", std::nullopt}, Conversion{"$100000000", std::nullopt},
                    Conversion{"-$100000000", std::nullopt},
                    Conversion{std::string("1\0"
                                           "2",
                                           3),
                               std::nullopt}));

TEST(StrToIntDef, GivesTheDefaultOnlyForTextThatDoesNotConvert)
{
    EXPECT_EQ(StrToIntDef("  -12", 5), -12);
    EXPECT_EQ(StrToIntDef("12a", 5), 5);
    EXPECT_EQ(StrToIntDef("", -3), -3);
    EXPECT_EQ(StrToIntDef("0", 5), 0);
}

TEST(PositionWord, CutsAtRunsOfBlanksAndCommas)
{
    const std::string text = "10 ,, 20,500;600";
    EXPECT_EQ(ExtractPositionWord(text, 1), "10");
    EXPECT_EQ(ExtractPositionWord(text, 2), "20");
    EXPECT_EQ(ExtractPositionWord(text, 3), "500;600");
    EXPECT_EQ(ExtractPositionWord(text, 4), "");

    EXPECT_EQ(PositionWord(text, 1, -1), 10);
    EXPECT_EQ(PositionWord(text, 2, -1), 20);
    EXPECT_EQ(PositionWord(text, 3, -1), -1);
    EXPECT_EQ(PositionWord(text, 4, -1), -1);
}

TEST(PositionWord, SkipsLeadingAndTrailingSeparators)
{
    const std::string text = " ,,332,347,863,725, ";
    EXPECT_EQ(PositionWord(text, 1, 0), 332);
    EXPECT_EQ(PositionWord(text, 4, 0), 725);
    EXPECT_EQ(ExtractPositionWord(text, 5), "");
}

TEST(PositionWord, GivesTheDefaultOutsideTheWords)
{
    EXPECT_EQ(PositionWord("1,2", 0, 9), 9);
    EXPECT_EQ(PositionWord("1,2", -1, 9), 9);
    EXPECT_EQ(PositionWord("", 1, 9), 9);
    EXPECT_EQ(PositionWord(" , ", 1, 9), 9);
}

TEST(PositionWord, ConvertsEachWordWithTheIntegerParser)
{
    EXPECT_EQ(PositionWord("-5,$10,0x20", 1, 0), -5);
    EXPECT_EQ(PositionWord("-5,$10,0x20", 2, 0), 16);
    EXPECT_EQ(PositionWord("-5,$10,0x20", 3, 0), 32);
    EXPECT_EQ(PositionWord("1,2147483648", 2, 7), 7);
}

}  // namespace
