// The table's sort by keys must give exactly the order of comparing every
// pair: keys only speed it up.
#include "BaseTableHelpers.h"

#include "collation/portable/TextCollation.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace {

// Short texts over few characters, so that equal names, case variants, Е/Ё,
// prefixes and blanks all turn up often; a third of them share a start of
// four letters, so that their keys agree beyond the first eight bytes.
std::string RandomName(std::mt19937& random)
{
    static const std::string kChars = "aAbB1 -!\xc5\xe5\xa8\xb8\xc6\xe6";  // ... Е е Ё ё Ж ж
    static const std::string kStarts[] = {"abab", "ABab", "\xb8\xe6\xb8\xe6", "\xa8\xe6\xb8\xc6"};
    std::string name;
    if (random() % 3 == 0)
        name = kStarts[random() % std::size(kStarts)];
    for (int length = int(random() % 5); length > 0; --length)
        name += kChars[random() % kChars.size()];
    return name;
}

// A table of rows loaded as the program loads them; every 17th row has no
// Name at all, and Login takes part as a second sort field.
void Fill(TRxMemoryData& table, int rows, unsigned seed)
{
    std::mt19937 random(seed);
    for (int i = 0; i < rows; ++i) {
        table.InsertRow();
        if (i % 17 != 0)
            table.SetFieldText("Name", RandomName(random));
        table.SetFieldText("Login", RandomName(random));
        table.PostRow();
    }
}

// A key that knows only the first character's letter weight: most rows tie
// on it, so the comparison has to order the runs of equal keys.
std::size_t FirstLetterKey(std::string_view text, bool ignoreCase, unsigned char* key)
{
    return PortableTextSortKey(text.substr(0, 1), ignoreCase, key);
}

}  // namespace

TEST(RowKeySort, GivesTheOrderOfComparingEveryPairForEveryFlagAndKey)
{
    struct Case {
        const char* fields;
        bool ignoreCase, descending;
    };
    const Case cases[] = {{"Name", true, false},        {"Name", false, false},      {"Name", true, true},
                          {"Name; Login", true, false}, {"Name;Login", false, true}, {"Login", true, false}};
    const TextSortKey keys[] = {PortableTextSortKey, FirstLetterKey};
    for (const Case& c : cases) {
        for (size_t k = 0; k < std::size(keys); ++k) {
            SCOPED_TRACE(std::string(c.fields) + (c.ignoreCase ? " ignore case" : " case") +
                         (c.descending ? " descending" : "") + " key " + std::to_string(k));
            TRxMemoryData pairwise("BaseRxMemoryData"), keyed("BaseRxMemoryData");
            OpenBaseTable(pairwise);
            OpenBaseTable(keyed);
            pairwise.SetCollation(PortableTextCompare);  // no key
            keyed.SetCollation(PortableTextCompare, keys[k]);
            Fill(pairwise, 400, 7);
            Fill(keyed, 400, 7);
            pairwise.SortByFields(c.fields, c.ignoreCase, c.descending);
            keyed.SortByFields(c.fields, c.ignoreCase, c.descending);
            EXPECT_EQ(RowIDs(keyed), RowIDs(pairwise));
            EXPECT_EQ(keyed.CurrentRowID(), pairwise.CurrentRowID());
            EXPECT_EQ(keyed.CurrentRowNumber(), pairwise.CurrentRowNumber());
        }
    }
}

// Long lists go through the radix passes (past 32 768 entries split by the
// first byte first), and names that share long
// beginnings through several levels of them; a key that holds zero bytes
// must still tell a shorter key from a longer one that goes on with zeros.
TEST(RowKeySort, LongListsWithLongSharedBeginningsSortAsComparingEveryPair)
{
    // Bytes 'a' to 'c' weigh 0 to 2: keys full of zeros.
    auto zeroKey = [](std::string_view text, bool, unsigned char* key) {
        for (std::size_t i = 0; i < text.size(); ++i)
            key[i] = (unsigned char)(text[i] - 'a');
        return text.size();
    };
    auto zeroCompare = [](std::string_view a, std::string_view b, bool) { return a.compare(b); };
    struct Collation {
        TextCompare compare;
        TextSortKey key;
    };
    const Collation collations[] = {{PortableTextCompare, PortableTextSortKey}, {zeroCompare, zeroKey}};
    for (const Collation& collation : collations) {
        std::mt19937 random(11);
        std::vector<std::string> names;
        for (int i = 0; i < 40'000; ++i) {
            std::string name = i % 2 ? "abcabcabcabcabc" : "aaaaaaaaaaaaaaaaaaaa";
            name.resize(random() % (name.size() + 1));
            for (int extra = int(random() % 4); extra > 0; --extra)
                name += char('a' + random() % 3);
            names.push_back(name);
        }
        TRxMemoryData pairwise("BaseRxMemoryData"), keyed("BaseRxMemoryData");
        OpenBaseTable(pairwise);
        OpenBaseTable(keyed);
        pairwise.SetCollation(collation.compare);
        keyed.SetCollation(collation.compare, collation.key);
        for (TRxMemoryData* table : {&pairwise, &keyed}) {
            for (const std::string& name : names) {
                table->InsertRow();
                table->SetFieldText("Name", name);
                table->PostRow();
            }
            table->SortByFields("Name", false, false);
        }
        EXPECT_EQ(RowIDs(keyed), RowIDs(pairwise));
    }
}
