#include "ui/portable/LineBreakNormaliser.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace {

// A source over fixed bytes that hands out at most maxRead bytes per read,
// so tests can cut the data wherever they like.
struct ByteSource {
    std::string_view data;
    size_t maxRead = std::string_view::npos;
    size_t position = 0;

    size_t Read(char* to, size_t most)
    {
        const size_t n = std::min({most, maxRead, data.size() - position});
        data.copy(to, n, position);
        position += n;
        return n;
    }
};

// Runs one streaming pass the way the rich edit control does: requests of
// requestSize bytes until an empty answer. Every answer must fit its request.
std::string Stream(std::string_view input, size_t requestSize, size_t maxRead = std::string_view::npos)
{
    ByteSource source{input, maxRead};
    LineBreakNormaliser normaliser;
    std::string result;
    for (int guard = 0; guard < 10000; ++guard) {
        std::vector<char> buffer(requestSize);
        const size_t n =
            normaliser.Fill(buffer.data(), requestSize, [&](char* to, size_t most) { return source.Read(to, most); });
        EXPECT_LE(n, requestSize);
        if (n == 0)
            return result;
        result.append(buffer.data(), n);
    }
    ADD_FAILURE() << "the pass never ended";
    return result;
}

}  // namespace

TEST(LineBreakNormaliser, TurnsEveryKindOfLineEndIntoOneCrLf)
{
    const struct {
        std::string_view input;
        std::string_view expected;
    } cases[] = {
        {"", ""},
        {"plain", "plain"},
        {"a\rb", "a\r\nb"},
        {"a\nb", "a\r\nb"},
        {"a\r\nb", "a\r\nb"},
        {"a\n\rb", "a\r\n\r\nb"},
        {"a\r\rb", "a\r\n\r\nb"},
        {"a\n\nb", "a\r\n\r\nb"},
        {"a\r\n\r\nb", "a\r\n\r\nb"},
        {"one\rtwo\nthree\r\nfour\n\r\n\rfive", "one\r\ntwo\r\nthree\r\nfour\r\n\r\n\r\nfive"},
        {"\r", "\r\n"},
        {"\n", "\r\n"},
        {"end\r", "end\r\n"},
        {"\xcf\xf3\xf2\xfc\n", "\xcf\xf3\xf2\xfc\r\n"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Stream(c.input, 4096), c.expected) << "input: " << testing::PrintToString(std::string(c.input));
}

TEST(LineBreakNormaliser, GivesTheSameTextWhereverTheChunksAreCut)
{
    const std::string_view inputs[] = {
        "a\r\nb\rc\nd\r\n\r\ne",
        "\r\n\r\n\r\n\r\n\r\n",
        "\r\r\n\n\r\n\r\r",
        "line one\r\nline two\rline three\nline four\r\n",
    };
    for (std::string_view input : inputs) {
        const std::string expected = Stream(input, 4096);
        // Request sizes 2 and 3 read one byte at a time, 4 and 5 two, and so
        // on: every cut from after the first byte to after the last happens.
        for (size_t requestSize = 2; requestSize <= 2 * input.size() + 2; ++requestSize)
            EXPECT_EQ(Stream(input, requestSize), expected)
                << "request size " << requestSize << ", input " << testing::PrintToString(std::string(input));
        // A source that returns less than asked cuts the data elsewhere again.
        for (size_t maxRead = 1; maxRead <= 3; ++maxRead)
            EXPECT_EQ(Stream(input, 16, maxRead), expected) << "reads of " << maxRead;
    }
}

TEST(LineBreakNormaliser, NeverAnswersMoreThanWasAskedFor)
{
    // Nothing but line ends: the text doubles, the worst case.
    const std::string input(64, '\n');
    for (size_t requestSize : {2, 3, 4, 7, 16, 4096}) {
        ByteSource source{input};
        LineBreakNormaliser normaliser;
        std::vector<char> buffer(requestSize);
        const size_t n =
            normaliser.Fill(buffer.data(), requestSize, [&](char* to, size_t most) { return source.Read(to, most); });
        EXPECT_LE(n, requestSize);
        EXPECT_EQ(n, std::min<size_t>(requestSize / 2, input.size()) * 2);
    }
}

TEST(LineBreakNormaliser, EndsAtOnceWhenTheSourceIsEmptyOrTheRequestTooSmall)
{
    char buffer[4] = {};
    int reads = 0;
    auto answering = [&](size_t bytes) {
        return [&reads, bytes](char*, size_t) {
            ++reads;
            return bytes;
        };
    };
    LineBreakNormaliser normaliser;
    EXPECT_EQ(normaliser.Fill(buffer, 4, answering(0)), 0u);
    EXPECT_EQ(reads, 1);
    EXPECT_EQ(normaliser.Fill(buffer, 1, answering(1)), 0u);
    EXPECT_EQ(reads, 1);
}

TEST(LineBreakNormaliser, AZeroByteEndsTheTextOfItsChunkOnly)
{
    // Request size 8 reads four bytes at a time.
    EXPECT_EQ(Stream(std::string_view("ab\0cdefgh", 9), 8), "abdefgh");
    // A chunk that begins with the zero byte gives no text, but the data go
    // on: an empty answer would tell the control that the file had ended.
    EXPECT_EQ(Stream(std::string_view("abcd\0xyzwv", 10), 8), "abcdwv");
    // A CR cut off by a zero byte is not the partner of the next chunk's LF.
    EXPECT_EQ(Stream(std::string_view("a\r\0\nb", 5), 6), "a\r\n\r\nb");
}

TEST(LineBreakNormaliser, ALoneLfChunkAfterASplitPairDoesNotEndTheData)
{
    ByteSource source{"a\r\nb", 2};
    LineBreakNormaliser normaliser;
    char buffer[4];
    auto read = [&](char* to, size_t most) { return source.Read(to, most); };
    // The first read takes "a\r"; the second only "\n", which belongs to that
    // CR, so the normaliser must read on to "b" instead of answering nothing.
    ASSERT_EQ(normaliser.Fill(buffer, 4, read), 3u);
    EXPECT_EQ(std::string(buffer, 3), "a\r\n");
    source.maxRead = 1;
    ASSERT_EQ(normaliser.Fill(buffer, 4, read), 1u);
    EXPECT_EQ(buffer[0], 'b');
    EXPECT_EQ(normaliser.Fill(buffer, 4, read), 0u);
}

TEST(LineBreakNormaliser, LetsAFailedReadThrough)
{
    char buffer[8];
    LineBreakNormaliser normaliser;
    EXPECT_THROW(normaliser.Fill(buffer, 8, [](char*, size_t) -> size_t { throw std::runtime_error("read"); }),
                 std::runtime_error);
}
