#include "BaseListStreams.h"
#include "baselist/portable/BaseListFormat.h"
#include "runtime/Exceptions.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

// Small pieces put every rule across a block boundary.
const size_t kChunkSizes[] = {1, 2, 3, 7, kBaseListBlockSize};

}  // namespace

TEST(BaseListWriter, WritesEveryValueFollowedByCrLf)
{
    EXPECT_EQ(BytesOf({{"Бух", "C:\\1C\\Buh", "", "p@ss word"}, {"", "", "", ""}}),
              "Бух\r\nC:\\1C\\Buh\r\n\r\np@ss word\r\n\r\n\r\n\r\n\r\n");
}

TEST(BaseListWriter, WritesNothingForAnEmptyList)
{
    StringSink sink;
    EXPECT_EQ(BytesOf({}, sink), "");
    EXPECT_TRUE(sink.writes.empty());
}

TEST(BaseListWriter, HandsALongListOverInLargeBlocks)
{
    std::vector<BaseListEntry> entries(5000, BaseListEntry{std::string(100, 'n'), std::string(200, 'p'), "l", "w"});
    StringSink sink;
    std::string bytes = BytesOf(entries, sink);
    EXPECT_EQ(bytes.size(), 5000u * (100 + 200 + 1 + 1 + 4 * 2));
    EXPECT_LE(sink.writes.size(), bytes.size() / kBaseListBlockSize + 1);
    for (size_t size : sink.writes)
        EXPECT_LE(size, kBaseListBlockSize);
}

TEST(BaseListFormat, ReadsBackWhatItWrote)
{
    std::vector<BaseListEntry> entries = {
        {"Торговля", "\\\\server\\bases\\trade", "Администратор", "123"},
        {"", "", "", ""},
        {"x", "path with \x1A inside", "", "\x1A at the start of a password"},
        {std::string(300, 'N'), std::string(kBaseListBlockSize + 5, 'P'), "l", "p"},
    };
    std::string bytes = BytesOf(entries);
    for (size_t chunk : kChunkSizes)
        EXPECT_EQ(ReadAll(bytes, chunk), entries) << "chunk " << chunk;
}

struct ReaderCase {
    const char* rule;
    std::string data;
    std::vector<BaseListEntry> entries;
};

TEST(BaseListReader, FollowsTheLineRules)
{
    const std::vector<ReaderCase> cases = {
        {"empty data is an empty list", "", {}},
        {"LF alone ends a line", "n\np\nl\nw\n", {{"n", "p", "l", "w"}}},
        {"CR LF and LF mix", "n\r\np\nl\r\nw\n", {{"n", "p", "l", "w"}}},
        {"a lone CR is dropped and the line goes on", "a\rb\r\n\rp\r\r\nl\nw\r", {{"ab", "p", "l", "w"}}},
        {"the last line may lack its terminator", "n\r\np\r\nl\r\nw", {{"n", "p", "l", "w"}}},
        {"five lines give a second entry with only a name",
         "n\r\np\r\nl\r\nw\r\nsecond\r\n",
         {{"n", "p", "l", "w"}, {"second", "", "", ""}}},
        {"a trailing blank line gives an all-empty entry",
         "n\r\np\r\nl\r\nw\r\n\r\n",
         {{"n", "p", "l", "w"}, {"", "", "", ""}}},
        {"Ctrl-Z at the start of an entry ends the list",
         "n\r\np\r\nl\r\nw\r\n\x1Agarbage\r\nmore\r\n",
         {{"n", "p", "l", "w"}}},
        {"Ctrl-Z alone is an empty list", "\x1A", {}},
        {"Ctrl-Z inside an entry is part of the value", "n\x1A\r\n\x1Ap\r\nl\r\nw\r\n", {{"n\x1A", "\x1Ap", "l", "w"}}},
        {"a 300-character line is read whole",
         std::string(300, 'x') + "\r\npath\r\n\r\n\r\n",
         {{std::string(300, 'x'), "path", "", ""}}},
        {"a line longer than a block is read whole",
         std::string(kBaseListBlockSize * 2 + 1, 'y') + "\r\np\r\nl\r\nw\r\n",
         {{std::string(kBaseListBlockSize * 2 + 1, 'y'), "p", "l", "w"}}},
    };
    for (const ReaderCase& c : cases)
        for (size_t chunk : kChunkSizes)
            EXPECT_EQ(ReadAll(c.data, chunk), c.entries) << c.rule << ", chunk " << chunk;
}

TEST(BaseListReader, StopsAtAFailureWithoutTheEntryBeingRead)
{
    const std::string data = "a\r\nb\r\nc\r\nd\r\ne\r\nf\r\ng\r\nh\r\n";
    // Failures at the end test of an entry, and inside its first and last line.
    const struct {
        size_t failAfter;
        size_t entriesBefore;
    } cases[] = {{0, 0}, {1, 0}, {10, 0}, {12, 1}, {13, 1}, {20, 1}, {data.size(), 2}};
    for (const auto& c : cases) {
        StringSource source(data, 1, c.failAfter);
        std::vector<BaseListEntry> entries;
        EXPECT_THROW(ReadBaseList(source, [&](const BaseListValues& e) { entries.push_back(CopyOf(e)); }), EInOutError)
            << "after " << c.failAfter;
        EXPECT_EQ(entries.size(), c.entriesBefore) << "after " << c.failAfter;
    }
}

TEST(BaseListReader, ReadsEntriesThatStraddleItsBlocksLikeALineByLineReader)
{
    // Entries of every length around the block boundaries, with the line
    // ends the reader accepts, a CR LF cut by a boundary among them.
    std::string data;
    std::vector<BaseListEntry> expected;
    unsigned seed = 7;
    auto next = [&seed](unsigned n) {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 8) % n;
    };
    while (data.size() < 3 * kBaseListBlockSize + 500) {
        BaseListEntry entry;
        for (std::string& value : entry) {
            value = std::string(next(90), char('a' + next(26)));
            switch (next(4)) {
            case 0: data += value + "\n"; break;
            case 1:
                // A lone CR inside the value, which the reader drops.
                data += value + "\r-\r\n";
                value += "-";
                break;
            default: data += value + "\r\n";
            }
        }
        expected.push_back(entry);
    }
    for (size_t chunk : kChunkSizes)
        EXPECT_EQ(ReadAll(data, chunk), expected) << "chunk " << chunk;
}
