#include "model/ByteRuns.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

TEST(ByteRuns, CopyBytesCopiesEveryLengthAtEveryAlignmentAndNothingMore)
{
    std::vector<char> from(200);
    for (size_t i = 0; i < from.size(); ++i)
        from[i] = char(i * 7 + 1);
    for (size_t offset = 0; offset < 4; ++offset) {
        for (size_t size = 0; size <= 130; ++size) {
            std::vector<char> to(200, '#');
            CopyBytes(to.data() + offset, from.data() + 3, size);
            for (size_t i = 0; i < to.size(); ++i) {
                bool inside = i >= offset && i < offset + size;
                char expected = inside ? from[3 + i - offset] : '#';
                ASSERT_EQ(to[i], expected) << "size " << size << ", offset " << offset << ", byte " << i;
            }
        }
    }
}

// The wide path where the processor has it, and the word by word one for
// the tails and elsewhere: limits below, at and above the 16-byte blocks.
TEST(ByteRuns, LengthBeforeZeroStopsAtTheFirstZeroOrTheLimit)
{
    std::string from(70, 'x');
    for (size_t i = 0; i < from.size(); ++i)
        from[i] = char('a' + i % 26);
    for (size_t zero = 0; zero <= 70; ++zero) {  // 70: no zero at all
        std::string source = from;
        if (zero < 70)
            source[zero] = '\0';
        source[69] = zero == 70 ? source[69] : '\0';  // a later zero never matters
        for (size_t limit : {0, 1, 3, 4, 5, 7, 8, 12, 15, 16, 17, 31, 32, 33, 47, 70})
            ASSERT_EQ(LengthBeforeZero(source.data(), limit), std::min(zero, limit))
                << "zero at " << zero << ", limit " << limit;
    }
    // Bytes whose arithmetic borrows must not pass for zero.
    const std::string high = "\x80\x81\xff\x01\x7f\x80\x01\x01";
    EXPECT_EQ(LengthBeforeZero(high.data(), high.size()), high.size());
}

TEST(ByteRuns, FindLineBreakFindsTheFirstCrOrLfAnywhereInARun)
{
    {
        auto find = FindLineBreak;
        const std::string plain(40, 'a');
        EXPECT_EQ(find(plain.data(), plain.data() + plain.size()), plain.data() + plain.size());
        EXPECT_EQ(find(plain.data(), plain.data()), plain.data());
        for (char lineBreak : {'\r', '\n'}) {
            for (size_t at = 0; at < 40; ++at) {
                std::string text = plain;
                text[at] = lineBreak;
                if (at + 1 < 40)
                    text[at + 1] = '\n';
                EXPECT_EQ(find(text.data(), text.data() + text.size()) - text.data(), std::ptrdiff_t(at))
                    << "break at " << at;
                // A break past the end of the run is not found.
                EXPECT_EQ(find(text.data(), text.data() + at) - text.data(), std::ptrdiff_t(at));
            }
        }
        // Neighbours of CR and LF in value and in borrow patterns.
        const std::string near = "\x0b\x0c\x0e\x09\x8a\x8d\x1a\xff";
        EXPECT_EQ(find(near.data(), near.data() + near.size()), near.data() + near.size());
    }
}
