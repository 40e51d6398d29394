#include "runtime/Cp1251.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

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

// A stand-in for the system's composition: е + U+0308 is ё.
std::u16string ComposeYo(std::u16string_view text)
{
    return text == u"\u0435\u0308" ? u"\u0451" : std::u16string(text);
}

TEST(Cp1251, CharactersOutsideItAreListedOnceWholeInTheOrderTyped)
{
    struct Case {
        std::u16string text;
        std::vector<std::u16string> outside;
        size_t firstStart = 0, firstEnd = 0;
    } cases[] = {
        // Everything the code page holds, the typed "?" and U+0098 included.
        {u"\u0411\u0443\u0445 \u00abq?\u00bb \u2116 \u0098 \u20ac\r\n", {}},
        {u"\u0411\u0443\u0445\u0433\u0430\u043b\u0442\u0435\u0440\u0438\u044f \u6570\u636e "
         u"Qazaqstan \u04d8\u043b\u0435\u043c caf\u00e9 \u6570",
         {u"\u6570", u"\u636e", u"\u04d8", u"\u00e9"},
         12,
         13},
        // Latin-1 letters that Windows-1252 has and Windows-1251 has not.
        {u"M\u00fcller J\u00fcrgen", {u"\u00fc"}, 1, 2},
        // A character beyond the basic plane is one character, not two halves;
        // a half on its own is reported as itself.
        {u"a\U0001F600b\U0001F600", {u"\U0001F600"}, 1, 3},
        {u"x\xd800y", {u"\xd800"}, 1, 2},
        // Combining marks belong to their letter; a letter and mark that
        // compose into the code page fit, one that does not stays whole.
        {u"\u0435\u0308x\u030c\u0301!", {u"x\u030c\u0301"}, 2, 5},
        {u"\U0001F600\uFE0F\u0301", {u"\U0001F600\uFE0F\u0301"}, 0, 4},
    };
    for (const Case& c : cases) {
        const Cp1251Outside found = CharactersOutsideCp1251(c.text, ComposeYo);
        EXPECT_EQ(found.Characters, c.outside) << "case " << (&c - cases);
        EXPECT_EQ(found.FirstStart, c.firstStart) << "case " << (&c - cases);
        EXPECT_EQ(found.FirstEnd, c.firstEnd) << "case " << (&c - cases);
        EXPECT_EQ(FitsCp1251(c.text), c.outside.empty()) << "case " << (&c - cases);
    }
}

TEST(Cp1251, CharactersAreDescribedByTheirCodePointsAndALongListIsCutShort)
{
    // A pair is one code point; a lone surrogate is itself.
    EXPECT_EQ(DescribeCharacters({u"\u6570", u"x\u030c", u"\U0001F600", u"\xd800\u0308"}),
              u"\"\u6570\" (U+6570), \"x\u030c\" (U+0078 U+030C), \"\U0001F600\" (U+1F600), \"\xd800\u0308\" (U+D800 "
              u"U+0308)");
    const std::u16string ten = DescribeCharacters(std::vector<std::u16string>(10, u"\u00e9"));
    EXPECT_TRUE(ten.ends_with(u"), \"\u00e9\" (U+00E9) \u0438 \u0435\u0449\u0451 2"));
    EXPECT_EQ(std::count(ten.begin(), ten.end(), u'+'), 8);
}
