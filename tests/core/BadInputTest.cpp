// Bases.dat as it may come from a damaged disk, another program or a user's
// editor: zero bytes, noise, one enormous line, nothing but CRs, Ctrl-Z in
// odd places. The list loads without failure, by the reader's rules, into the
// table as the start-up loads it, and costs no more memory than the rows.
#include "BaseListStreams.h"
#include "BaseTableHelpers.h"
#include "model/RxMemoryData.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <random>
#include <string>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
#define BAD_INPUT_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define BAD_INPUT_ASAN 1
#endif
#endif

#if defined(BAD_INPUT_ASAN)
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#else
#include <malloc.h>
#endif

namespace {

// Bytes in use on the heap right now.
size_t AllocatedBytes()
{
#if defined(BAD_INPUT_ASAN)
    return __sanitizer_get_current_allocated_bytes();
#else
    struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
#endif
}

const BaseListEntry kEmptyEntry = {"", "", "", ""};

}  // namespace

TEST(BaseListBadInput, KeepsZeroBytesInTheValuesWhileTheTableCutsAtThem)
{
    const char kFile[] = "Na\0me\r\nC:\\\0Base\r\n\0\r\npass\0\r\n";
    const std::string file(kFile, sizeof kFile - 1);
    const std::vector<BaseListEntry> expected = {
        {std::string("Na\0me", 5), std::string("C:\\\0Base", 8), std::string("\0", 1), std::string("pass\0", 5)}};
    EXPECT_EQ(ReadAll(file), expected);

    TRxMemoryData table("BaseRxMemoryData");
    OpenBaseTable(table);
    StringSource source(file);
    LoadIntoTable(source, table);
    EXPECT_EQ(TableRows(table), (std::vector<BaseListEntry>{{"Na", "C:\\", "", "pass"}}));
}

TEST(BaseListBadInput, SplitsBinaryNoiseAtLineFeedsOnly)
{
    for (unsigned seed : {1u, 2u, 3u}) {
        std::mt19937 random(seed);
        std::string noise(200000, '\0');
        for (char& c : noise) {
            c = char(random() & 0xFF);
            // A Ctrl-Z where an entry begins would end the list; that rule has its own test.
            if (c == '\x1A')
                c = 'z';
        }

        std::vector<std::string> lines(1);
        for (char c : noise) {
            if (c == '\n')
                lines.emplace_back();
            else if (c != '\r')
                lines.back() += c;
        }
        if (noise.back() == '\n')
            lines.pop_back();

        for (size_t most : {size_t(7), kBaseListBlockSize}) {
            const std::vector<BaseListEntry> entries = ReadAll(noise, most);
            ASSERT_EQ(entries.size(), (lines.size() + 3) / 4) << "seed " << seed;
            for (size_t i = 0; i < entries.size() * 4; ++i)
                ASSERT_EQ(entries[i / 4][i % 4], i < lines.size() ? lines[i] : "") << "seed " << seed << ", line " << i;
        }

        TRxMemoryData table("BaseRxMemoryData");
        OpenBaseTable(table);
        StringSource source(noise);
        LoadIntoTable(source, table);
        EXPECT_EQ(table.RowCount(), int((lines.size() + 3) / 4));
    }
}

// Hands out a name line of `lineLength` bytes (letters, with a CR every
// thousand bytes, which the reader drops) and then the rest of the entry,
// without ever holding the line itself.
class HugeLineSource : public IByteSource {
public:
    explicit HugeLineSource(size_t lineLength) : lineLength_(lineLength)
    {
        for (size_t i = 0; i < pattern_.size(); ++i)
            pattern_[i] = i % 1000 == 999 ? '\r' : char('a' + i % 26);
    }
    size_t Read(char* buffer, size_t size) override
    {
        peakDuringRead = std::max(peakDuringRead, AllocatedBytes());
        size_t n = 0;
        while (n < size && position_ < lineLength_) {
            size_t offset = position_ % pattern_.size();
            size_t part = std::min({size - n, lineLength_ - position_, pattern_.size() - offset});
            std::memcpy(buffer + n, pattern_.data() + offset, part);
            n += part;
            position_ += part;
        }
        while (n < size && position_ - lineLength_ < kTail.size())
            buffer[n++] = kTail[position_++ - lineLength_];
        return n;
    }

    static constexpr std::string_view kTail = "\r\nC:\\Base\r\nuser\r\npass\r\n";
    size_t peakDuringRead = 0;

private:
    size_t lineLength_;
    size_t position_ = 0;
    std::string pattern_ = std::string(26000, ' ');
};

TEST(BaseListBadInput, ReadsAFiftyMegabyteLineWholeAndKeepsOnlyTheFieldsWidth)
{
    constexpr size_t kLine = 50 * 1024 * 1024;
    TRxMemoryData table("BaseRxMemoryData");
    OpenBaseTable(table);
    const size_t before = AllocatedBytes();

    HugeLineSource source(kLine);
    LoadIntoTable(source, table);

    std::string name;
    for (size_t i = 0; i < 100; ++i)
        name += char('a' + i % 26);
    EXPECT_EQ(TableRows(table), (std::vector<BaseListEntry>{{name, "C:\\Base", "user", "pass"}}));
    // While reading, the line is all the reader holds (a string grows to at
    // most twice its length); once the entry is in the table, none of it is kept.
    EXPECT_LT((long long)source.peakDuringRead - (long long)before, 2 * (long long)kLine);
    EXPECT_LT((long long)AllocatedBytes() - (long long)before, 64 * 1024);
}

TEST(BaseListBadInput, MakesEntriesOfEmptyValuesFromNothingButCarriageReturns)
{
    const struct {
        std::string file;
        size_t entries;
    } cases[] = {
        {"\r", 1},
        {std::string(100000, '\r'), 1},
        {"\r\r\n\r\r\n", 1},
        {"\r\n\r\n\r\n\r\n\r", 2},
    };
    for (const auto& c : cases) {
        for (size_t most : {size_t(1), size_t(3), kBaseListBlockSize}) {
            EXPECT_EQ(ReadAll(c.file, most), std::vector<BaseListEntry>(c.entries, kEmptyEntry))
                << c.file.size() << " bytes, reads of " << most;
        }
    }
}

TEST(BaseListBadInput, TakesCtrlZInsideAnEntryAsAnOrdinaryByte)
{
    const std::string file = "Na\x1Ame\r\n\x1A"
                             "C:\\Base\r\n\x1A\r\nx\x1A\r\n"
                             "\x1Anot an entry\r\n\r\n\r\n\r\n";
    const std::vector<BaseListEntry> expected = {{"Na\x1Ame",
                                                  "\x1A"
                                                  "C:\\Base",
                                                  "\x1A", "x\x1A"}};
    for (size_t most : {size_t(1), kBaseListBlockSize})
        EXPECT_EQ(ReadAll(file, most), expected);
}

TEST(BaseListBadInput, KeepsANameThatBeginsWithCtrlZThroughASaveAndALoad)
{
    // A CR is dropped on reading, so such a name can come from the file
    // itself; it sorts before the letters and would be saved first.
    const std::string file = "B\r\n\r\n\r\n\r\n\r\x1AZ\r\nC:\\Z\r\n\r\n\r\n";
    TRxMemoryData table("BaseRxMemoryData");
    OpenBaseTable(table);
    StringSource source(file);
    LoadIntoTable(source, table);
    const std::vector<BaseListEntry> rows = {{"\x1AZ", "C:\\Z", "", ""}, {"B", "", "", ""}};
    ASSERT_EQ(TableRows(table), rows);

    const std::string saved = SaveFromTable(table);
    TRxMemoryData reloaded("BaseRxMemoryData");
    OpenBaseTable(reloaded);
    StringSource savedSource(saved);
    LoadIntoTable(savedSource, reloaded);
    EXPECT_EQ(TableRows(reloaded), rows);
    EXPECT_EQ(SaveFromTable(reloaded), saved);
}

// A table whose fields stand in another order than the file's lines still
// takes each line into its own field and gives it back in the file's order.
TEST(BaseListBadInput, FieldsInAnotherOrderStillMatchTheirLines)
{
    const std::string file = "Name\r\nC:\\Path\r\nLogin\r\nPassword\r\n";
    TRxMemoryData table("BaseRxMemoryData");
    table.FieldDefs = {{"Password", TFieldType::ftString, 20},
                       {"Login", TFieldType::ftString, 20},
                       {"Path", TFieldType::ftString, 200},
                       {"Name", TFieldType::ftString, 100}};
    table.SetActive(true);
    StringSource source(file);
    LoadIntoTable(source, table);
    EXPECT_EQ(table.GetFieldText("Name"), "Name");
    EXPECT_EQ(table.GetFieldText("Password"), "Password");
    EXPECT_EQ(SaveFromTable(table), file);
}
