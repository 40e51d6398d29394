#include "ui/portable/MessageLayout.h"

#include <gtest/gtest.h>

TEST(MulDivRounded, RoundsHalvesAwayFromZero)
{
    struct Case {
        int a, b, c, expected;
    };
    const Case cases[] = {
        {8, 5, 4, 10},  {10, 5, 4, 13}, {10, 13, 8, 16},  {14, 13, 8, 23},
        {50, 7, 4, 88}, {7, 1, 2, 4},   {-10, 5, 4, -13}, {10, 5, -4, -13},
    };
    for (const Case& c : cases)
        EXPECT_EQ(MulDivRounded(c.a, c.b, c.c), c.expected) << c.a << "*" << c.b << "/" << c.c;
}

TEST(LayoutMessage, PlacesIconTextAndCentredButtonsForATypicalFont)
{
    TMessageLayout l = LayoutMessage(
        {.X = 5, .Y = 13, .TextWidth = 100, .TextHeight = 13, .ButtonCount = 2, .WidestCachedButton = 48});
    EXPECT_EQ(l.HorzMargin, 10);
    EXPECT_EQ(l.VertMargin, 13);
    EXPECT_EQ(l.HorzSpacing, 13);
    EXPECT_EQ(l.VertSpacing, 16);
    EXPECT_EQ(l.ButtonWidth, 63);
    EXPECT_EQ(l.ButtonHeight, 23);
    EXPECT_EQ(l.ButtonSpacing, 5);
    // Block 100 + 32 + 13 wide and 32 high (the icon is taller than one line).
    EXPECT_EQ(l.ClientWidth, 165);
    EXPECT_EQ(l.ClientHeight, 32 + 23 + 16 + 2 * 13);
    EXPECT_EQ(l.Icon, (TLayoutRect{10, 13, 32, 32}));
    EXPECT_EQ(l.Text, (TLayoutRect{55, 13, 100, 13}));
    ASSERT_EQ(l.Buttons.size(), 2u);
    EXPECT_EQ(l.Buttons[0], (TLayoutRect{17, 61, 63, 23}));
    EXPECT_EQ(l.Buttons[1], (TLayoutRect{85, 61, 63, 23}));
}

TEST(LayoutMessage, AWideCachedButtonWidensEveryButtonAndCanSetTheClientWidth)
{
    TMessageLayout l =
        LayoutMessage({.X = 5, .Y = 13, .TextWidth = 20, .TextHeight = 13, .ButtonCount = 1, .WidestCachedButton = 80});
    EXPECT_EQ(l.ButtonWidth, 80);
    EXPECT_EQ(l.ClientWidth, 80 + 2 * 10);
    ASSERT_EQ(l.Buttons.size(), 1u);
    EXPECT_EQ(l.Buttons[0].Left, 10);
}

TEST(LayoutMessage, ATallTextPushesTheButtonsDownAndTheyStayCentred)
{
    TMessageLayout l =
        LayoutMessage({.X = 5, .Y = 13, .TextWidth = 300, .TextHeight = 65, .ButtonCount = 1, .WidestCachedButton = 0});
    EXPECT_EQ(l.ClientWidth, 300 + 32 + 13 + 20);
    EXPECT_EQ(l.ClientHeight, 65 + 23 + 16 + 26);
    EXPECT_EQ(l.Text.Height, 65);
    ASSERT_EQ(l.Buttons.size(), 1u);
    EXPECT_EQ(l.Buttons[0].Top, 65 + 13 + 16);
    EXPECT_EQ(l.Buttons[0].Left, (365 - 63) / 2);  // integer half: 151, one pixel more room on the right
}

TEST(MessageClipboardText, FramesCaptionMessageAndButtonsWithHyphenLines)
{
    const std::string rule = "---------------------------\r\n";
    EXPECT_EQ(MessageClipboardText("Confirm", "Удалить базу \"A&B\"?", {"OK", "Cancel"}),
              rule + "Confirm\r\n" + rule + "Удалить базу \"A&B\"?\r\n" + rule + "OK   Cancel   \r\n" + rule);
    EXPECT_EQ(rule.size(), 27u + 2u);
    // A message beyond Windows-1251 is framed the same and kept whole.
    const std::u16string wideRule(rule.begin(), rule.end());
    EXPECT_EQ(MessageClipboardText("Warning", u"\u041f\u0443\u0442\u044c: \u6570 \U0001F600", {"OK"}),
              wideRule + u"Warning\r\n" + wideRule + u"\u041f\u0443\u0442\u044c: \u6570 \U0001F600\r\n" + wideRule +
                  u"OK   \r\n" + wideRule);
}

TEST(MessageClipboardText, RemovesEveryAmpersandFromButtonLabelsOnly)
{
    std::string text = MessageClipboardText("W", "a&&b", {"&Yes", "N&&o"});
    EXPECT_NE(text.find("\r\na&&b\r\n"), std::string::npos);
    EXPECT_NE(text.find("\r\nYes   No   \r\n"), std::string::npos);
}

TEST(ButtonWidthCache, MeasuresEachKindOnceAndAddsEight)
{
    TButtonWidthCache cache;
    int calls = 0;
    auto measure = [&calls](int width) {
        return [&calls, width] {
            ++calls;
            return width;
        };
    };
    EXPECT_EQ(cache.Width("OK", measure(15)), 23);
    EXPECT_EQ(cache.Width("OK", measure(99)), 23);
    EXPECT_EQ(cache.Width("Cancel", measure(36)), 44);
    EXPECT_EQ(calls, 2);
}
