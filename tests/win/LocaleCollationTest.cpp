// The user locale's sort key must agree with CompareStringW wherever it
// decides, so that the table sorts a long list by keys in exactly the order
// of comparing every pair.
#include "BaseTableHelpers.h"
#include "model/RxMemoryData.h"
#include "collation/portable/TextCollation.h"
#include "collation/LocaleCollation.h"
#include "platform/Win32.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

// Narrow literals are Windows-1251 in this build.
const std::vector<std::string> kTrickyTexts = {"",
                                               " ",
                                               "-",
                                               "'",
                                               "a-b",
                                               "ab",
                                               "a b",
                                               "a'b",
                                               "co-op",
                                               "coop",
                                               "Co-Op",
                                               "е",
                                               "Е",
                                               "ё",
                                               "Ё",
                                               "ж",
                                               "Ж",
                                               "Ёлка",
                                               "ёлка",
                                               "Елка",
                                               "елка",
                                               "ЁЛКА",
                                               "Ёа",
                                               "Еб",
                                               "Ёж",
                                               "Еж",
                                               "Жук",
                                               "жук",
                                               "ЖУК",
                                               "Я",
                                               "я",
                                               "Zeta",
                                               "zeta",
                                               "a",
                                               "A",
                                               "z",
                                               "Z",
                                               "1",
                                               "10",
                                               "2",
                                               "02",
                                               "№5",
                                               "#5",
                                               "_x",
                                               "!x",
                                               "x_",
                                               "x!",
                                               "(x)",
                                               "[x]",
                                               "«Ромашка»",
                                               "\"Ромашка\"",
                                               "Ромашка",
                                               "ромашка",
                                               "Ромашка 2023",
                                               "Ромашка-2023",
                                               "Ромашка2023",
                                               "ООО «Ромашка»",
                                               "ООО \"Ромашка\"",
                                               "ООО Ромашка",
                                               "ИП Ёлкин",
                                               "ИП Елкин",
                                               "Бухгалтерия",
                                               "Бухгалтерия 2.0",
                                               "Бухгалтерия - архив",
                                               "БУХГАЛТЕРИЯ",
                                               "є",
                                               "Є",
                                               "і",
                                               "І",
                                               "ї",
                                               "ў",
                                               "Ў",
                                               "ґ",
                                               "Ґ",
                                               "\xa0"
                                               "x",
                                               "a\xad"
                                               "b",
                                               "…",
                                               "...",
                                               "‰",
                                               "€",
                                               "™",
                                               "©",
                                               "°",
                                               "±",
                                               "§",
                                               "µ"};

int Sign(int v)
{
    return (v > 0) - (v < 0);
}

void OpenWithNames(TRxMemoryData& table, const std::vector<std::string>& names)
{
    OpenBaseTable(table);
    for (const std::string& name : names)
        AddRow(table, name);
}

}  // namespace

TEST(UserLocaleSortKey, WhereKeysDifferTheyOrderTextsAsCompareStringDoes)
{
    TextSortKey key = UserLocaleSortKey();
    int decided = 0;
    for (bool ignoreCase : {true, false}) {
        for (const std::string& a : kTrickyTexts) {
            for (const std::string& b : kTrickyTexts) {
                std::string ka = SortKeyOf(key, a, ignoreCase);
                std::string kb = SortKeyOf(key, b, ignoreCase);
                if (ka == kb)
                    continue;
                ++decided;
                EXPECT_EQ(ka < kb ? -1 : 1, Sign(CompareUserLocale(a, b, ignoreCase)))
                    << a << " / " << b << (ignoreCase ? " ignoring case" : "");
            }
        }
    }
    // Russian sorts letter by letter; a locale that sorts two letters as one
    // (Czech "ch") gets empty keys, and the table then compares every pair.
    if (decided == 0 && PRIMARYLANGID(LANGIDFROMLCID(GetUserDefaultLCID())) != LANG_RUSSIAN)
        GTEST_SKIP() << "no sort key under this locale";
    // Most pairs differ in letters; the key must not give up on them.
    EXPECT_GT(decided, int(kTrickyTexts.size() * kTrickyTexts.size()));
}

TEST(UserLocaleSortKey, TheTableSortsByKeysInTheOrderOfComparingEveryPair)
{
    // Names built from pieces that differ in letters, accents, case and
    // punctuation, so that many rows tie on their keys.
    static const std::vector<std::string> kPieces = {"Ёлка", "елка", "Е", "ё", "ж",    " ",   "-",   "«", "»",
                                                     "1",    "10",   "a", "A", "ООО ", "Бух", "бух", "'"};
    std::mt19937 random(11);
    std::vector<std::string> names;
    for (int i = 0; i < 1500; ++i) {
        std::string name;
        for (int n = int(random() % 4); n > 0; --n)
            name += kPieces[random() % kPieces.size()];
        names.push_back(name);
    }
    for (bool ignoreCase : {true, false}) {
        TRxMemoryData pairwise("BaseRxMemoryData"), keyed("BaseRxMemoryData");
        pairwise.SetCollation(&CompareUserLocale);
        keyed.SetCollation(&CompareUserLocale, UserLocaleSortKey());
        OpenWithNames(pairwise, names);
        OpenWithNames(keyed, names);
        pairwise.SortByFields("Name", ignoreCase, false);
        keyed.SortByFields("Name", ignoreCase, false);
        EXPECT_EQ(RowIDs(keyed), RowIDs(pairwise)) << (ignoreCase ? "ignoring case" : "with case");
    }
}

// The table skips the locale comparison for texts that differ only in the
// case of letters; the locale must call every such pair equal.
TEST(CompareUserLocale, CallsTextsThatDifferOnlyInLetterCaseEqual)
{
    int pairs = 0;
    for (int a = 1; a < 256; ++a) {
        for (int b = 1; b < 256; ++b) {
            const std::string x(1, char(a)), y(1, char(b));
            if (a == b || !SameLettersIgnoringCase(x, y))
                continue;
            ++pairs;
            EXPECT_EQ(CompareUserLocale(x, y, true), 0) << "bytes " << a << " and " << b;
            EXPECT_EQ(CompareUserLocale("x" + x + "y" + y, "x" + y + "y" + x, true), 0)
                << "bytes " << a << " and " << b;
        }
    }
    EXPECT_GT(pairs, 2 * (26 + 32));  // both ways round
}
