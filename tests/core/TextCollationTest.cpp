#include "model/TextCollation.h"

#include <gtest/gtest.h>

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
                          Case{"\xa8\xeb\xea\xe0", "\xb8\xcb\xca\xc0"},                      // Ёлка
                          Case{"\xb2", "\xb3"}}) {                                           // І і
        EXPECT_EQ(PortableTextCompare(c.a, c.b, true), 0) << c.a;
        EXPECT_NE(PortableTextCompare(c.a, c.b, false), 0) << c.a;
    }
}

TEST(PortableTextCompare, CaseSensitiveFormPutsLowerCaseFirstAfterTheLetters)
{
    EXPECT_LT(PortableTextCompare("abc", "Abc", false), 0);
    EXPECT_LT(PortableTextCompare("\xe1", "\xc1", false), 0);     // б before Б
    EXPECT_LT(PortableTextCompare("Abc", "abd", false), 0);       // letters decide before case
    EXPECT_LT(PortableTextCompare("ab", "ABC", false), 0);        // and so does length
    EXPECT_EQ(PortableTextCompare("\xc1\xe0", "\xc1\xe0", false), 0);
}
