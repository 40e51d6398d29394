#include "runtime/Cp1251.h"
#include "runtime/Exceptions.h"

#include <gtest/gtest.h>

TEST(Cp1251, EveryByteSurvivesARoundTrip)
{
    std::string all;
    for (int c = 1; c < 256; ++c)
        all.push_back(char(c));
    EXPECT_EQ(Utf16ToCp1251(Cp1251ToUtf16(all)), all);
}

TEST(Cp1251, CyrillicMapsToItsCodePoints)
{
    EXPECT_EQ(Cp1251ToUtf16("\xc0\xff\xa8\xb8"), u"\u0410\u044f\u0401\u0451");
    EXPECT_EQ(Utf16ToCp1251(u"\u4e2d"), "?");
}

TEST(EInOutError, MessageFollowsTheCode)
{
    EXPECT_EQ(EInOutError(2).Message(), "File not found");
    EXPECT_EQ(EInOutError(5).Message(), "File access denied");
    EXPECT_EQ(EInOutError(32).Message(), "I/O error 32");
    EXPECT_EQ(EInOutError(112).Message(), "I/O error 112");
    EXPECT_EQ(EInOutError(112).ErrorCode(), 112);
}
