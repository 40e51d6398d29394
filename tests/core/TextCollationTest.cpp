#include "collation/portable/TextCollation.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

TEST(PortableTextCompare, OrdersTheRussianAlphabetWithYoBetweenYeAndZhe)
{
    // Е Ё Ж, then lower-case forms, which fold onto the same places.
    const std::string ordered[] = {"", "!", "0", "9", "a", "Z", "\xc0", "\xc5", "\xa8", "\xb8\xe0", "\xc6", "\xff"};
    for (size_t i = 0; i + 1 < std::size(ordered); ++i) {
        SCOPED_TRACE(i);
        EXPECT_LT(PortableTextCompare(ordered[i], ordered[i + 1], true), 0);
        EXPECT_GT(PortableTextCompare(ordered[i + 1], ordered[i], true), 0);
    }
}

TEST(PortableTextCompare, IgnoringCaseMakesCaseVariantsEqual)
{
    struct Case {
        std::string a, b;
    };
    for (const Case& c : {Case{"Base", "bASE"}, Case{"\xc1\xe0\xe7\xe0", "\xe1\xc0\xc7\xc0"},  // База
                          Case{"\xa8\xeb\xea\xe0", "\xb8\xcb\xca\xc0"},  // Ёлка
                          Case{"\xb2", "\xb3"}}) {  // І і
        EXPECT_EQ(PortableTextCompare(c.a, c.b, true), 0) << c.a;
        EXPECT_NE(PortableTextCompare(c.a, c.b, false), 0) << c.a;
    }
}

TEST(PortableTextCompare, CaseSensitiveFormPutsLowerCaseFirstAfterTheLetters)
{
    EXPECT_LT(PortableTextCompare("abc", "Abc", false), 0);
    EXPECT_LT(PortableTextCompare("\xe1", "\xc1", false), 0);  // б before Б
    EXPECT_LT(PortableTextCompare("Abc", "abd", false), 0);  // letters decide before case
    EXPECT_LT(PortableTextCompare("ab", "ABC", false), 0);  // and so does length
    EXPECT_EQ(PortableTextCompare("\xc1\xe0", "\xc1\xe0", false), 0);
}

TEST(PortableTextSortKey, WhereKeysDifferTheyOrderTextsAsTheComparisonDoes)
{
    std::mt19937 random(3);
    static const std::string kChars = "aAzZ09 -\xc5\xe5\xa8\xb8\xc6\xe6\xff";
    auto text = [&] {
        std::string t;
        for (int n = int(random() % 6); n > 0; --n)
            t += kChars[random() % kChars.size()];
        return t;
    };
    int decided = 0;
    for (int i = 0; i < 20000; ++i) {
        std::string a = text(), b = text();
        for (bool ignoreCase : {true, false}) {
            std::string ka = SortKeyOf(PortableTextSortKey, a, ignoreCase);
            std::string kb = SortKeyOf(PortableTextSortKey, b, ignoreCase);
            int compared = PortableTextCompare(a, b, ignoreCase);
            if (ka != kb) {
                ++decided;
                ASSERT_EQ(ka < kb, compared < 0) << a << " / " << b;
            } else if (ignoreCase) {
                ASSERT_EQ(compared, 0) << a << " / " << b;  // the key holds all the case-blind compare weighs
            }
        }
    }
    EXPECT_GT(decided, 20000);
}
