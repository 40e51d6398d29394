#include "runtime/ByteRuns.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

TEST(ByteRuns, CopyBytesCopiesEveryLengthAtEveryAlignmentAndNothingMore) {
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
        ASSERT_EQ(to[i], expected)
            << "size " << size << ", offset " << offset << ", byte " << i;
      }
    }
  }
}

// Both ways of scanning: the wide one where the processor has it, and the
// word by word one that serves elsewhere and for the tails.
using LengthBeforeZeroFunction = std::size_t (*)(const char *, std::size_t);
using FindLineBreakFunction = const char *(*)(const char *, const char *);
const LengthBeforeZeroFunction kLengthBeforeZero[] = {
    LengthBeforeZero, byte_runs_detail::LengthBeforeZeroByWords};
const FindLineBreakFunction kFindLineBreak[] = {
    FindLineBreak, byte_runs_detail::FindLineBreakByWords};

TEST(ByteRuns, LengthBeforeZeroStopsAtTheFirstZeroOrTheLimit) {
  for (LengthBeforeZeroFunction LengthBeforeZero : kLengthBeforeZero) {
    std::string text(70, 'x');
    EXPECT_EQ(LengthBeforeZero(text.data(), 0), 0u);
    EXPECT_EQ(LengthBeforeZero(text.data(), 70), 70u);
    EXPECT_EQ(LengthBeforeZero(text.data(), 13), 13u);
    for (size_t zero = 0; zero < 70; ++zero) {
      std::string withZero = text;
      withZero[zero] = '\0';
      withZero[69] = '\0'; // a later zero never matters
      EXPECT_EQ(LengthBeforeZero(withZero.data(), 70), zero)
          << "zero at " << zero;
      EXPECT_EQ(LengthBeforeZero(withZero.data(), zero), zero)
          << "limit at the zero";
    }
    // Bytes whose arithmetic borrows must not pass for zero.
    const std::string high = "\x80\x81\xff\x01\x7f\x80\x01\x01";
    EXPECT_EQ(LengthBeforeZero(high.data(), high.size()), high.size());
  }
}

TEST(ByteRuns, FindLineBreakFindsTheFirstCrOrLfAnywhereInARun) {
  for (FindLineBreakFunction FindLineBreak : kFindLineBreak) {
    const std::string plain(40, 'a');
    EXPECT_EQ(FindLineBreak(plain.data(), plain.data() + plain.size()),
              plain.data() + plain.size());
    EXPECT_EQ(FindLineBreak(plain.data(), plain.data()), plain.data());
    for (char lineBreak : {'\r', '\n'}) {
      for (size_t at = 0; at < 40; ++at) {
        std::string text = plain;
        text[at] = lineBreak;
        if (at + 1 < 40)
          text[at + 1] = '\n';
        EXPECT_EQ(FindLineBreak(text.data(), text.data() + text.size()) -
                      text.data(),
                  std::ptrdiff_t(at))
            << "break at " << at;
        // A break past the end of the run is not found.
        EXPECT_EQ(FindLineBreak(text.data(), text.data() + at) - text.data(),
                  std::ptrdiff_t(at));
      }
    }
    // Neighbours of CR and LF in value and in borrow patterns.
    const std::string near = "\x0b\x0c\x0e\x09\x8a\x8d\x1a\xff";
    EXPECT_EQ(FindLineBreak(near.data(), near.data() + near.size()),
              near.data() + near.size());
  }
}
