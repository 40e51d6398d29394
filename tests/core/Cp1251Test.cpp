#include "runtime/Cp1251.h"

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

TEST(Cp1251, CharactersOutsideItAreListedOnceInTheOrderTyped)
{
    struct Case {
        std::u16string text;
        std::u32string outside;
    } cases[] = {
        // Everything the code page holds, the typed "?" and U+0098 included.
        {u"\u0411\u0443\u0445 \u00abq?\u00bb \u2116 \u0098 \u20ac\r\n", U""},
        {u"\u0411\u0443\u0445\u0433\u0430\u043b\u0442\u0435\u0440\u0438\u044f \u6570\u636e "
         u"Qazaqstan \u04d8\u043b\u0435\u043c caf\u00e9 \u6570",
         U"\u6570\u636e\u04d8\u00e9"},
        // Latin-1 letters that Windows-1252 has and Windows-1251 has not.
        {u"M\u00fcller J\u00fcrgen", U"\u00fc"},
        // A character beyond the basic plane is one character, not two halves;
        // a half on its own is reported as itself.
        {u"a\U0001F600b\U0001F600", U"\U0001F600"},
        {u"x\xd800y", U"\xd800"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CharactersOutsideCp1251(c.text), c.outside) << "case " << (&c - cases);
}

TEST(Cp1251, ACharacterEndsAfterItsSurrogatePairAndItsCombiningMarks)
{
    const std::u16string text = u"a\u0435\u0308\u0301\U0001F600\uFE0Fx\u0308";
    EXPECT_EQ(CharacterEnd(text, 0), 1u);
    EXPECT_EQ(CharacterEnd(text, 1), 4u);  // е with two marks
    EXPECT_EQ(CharacterEnd(text, 4), 7u);  // a pair with a variation selector
    EXPECT_EQ(CharacterEnd(text, 7), 9u);  // the last, its mark at the very end
    EXPECT_EQ(CharacterEnd(u"\xd800", 0), 1u);
}

TEST(Cp1251, APairIsOneCodePointAndALoneSurrogateItself)
{
    const std::u16string text = u"\U0001F600\xd800\u0308\xdc00";
    size_t i = 0;
    EXPECT_EQ(NextCodePoint(text, i), U'\U0001F600');
    EXPECT_EQ(i, 2u);
    EXPECT_EQ(NextCodePoint(text, i), char32_t(0xD800));  // not paired with the mark after it
    EXPECT_EQ(NextCodePoint(text, i), U'\u0308');
    EXPECT_EQ(NextCodePoint(text, i), char32_t(0xDC00));
    EXPECT_EQ(i, text.size());
}
