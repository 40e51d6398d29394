#include "BaseTableHelpers.h"

#include "runtime/Exceptions.h"

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>

namespace {

// Windows-1251 letters.
const std::string kA = "\xc0";  // А
const std::string kB = "\xc1";  // Б
const std::string kV = "\xc2";  // В
const std::string kSmallB = "\xe1";  // б

class RxMemoryDataTest : public ::testing::Test {
protected:
    void SetUp() override { OpenBaseTable(table); }

    TRxMemoryData table{"BaseRxMemoryData"};
};

std::string ErrorOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const EDatabaseError& e) {
        return e.Message();
    }
    return "(no error)";
}

}  // namespace

TEST_F(RxMemoryDataTest, AnEmptyTableReadsEmptyTextAndFindsFieldsWithoutRegardToCase)
{
    EXPECT_EQ(table.FieldName(3), "Password");
    EXPECT_EQ(table.FindFieldIndex("login"), 2);
    EXPECT_EQ(table.FindFieldIndex("Logon"), -1);
    for (const char* field : {"Name", "path", "LOGIN", "Password"})
        EXPECT_EQ(table.GetFieldText(field), "") << field;
    EXPECT_TRUE(table.IsTableEmpty());
    EXPECT_EQ(table.CurrentRowNumber(), 0);
}

TEST_F(RxMemoryDataTest, TextIsCutAtTheFieldSizeAndStoredWholeUpToIt)
{
    struct Case {
        const char* field;
        size_t size;
    };
    for (Case c : {Case{"Name", 100}, Case{"Path", 200}, Case{"Login", 20}, Case{"Password", 20}}) {
        SCOPED_TRACE(c.field);
        std::string exact(c.size, '\xc6');
        std::string longer = exact + std::string(50, 'x');
        table.InsertRow();
        table.SetFieldText(c.field, longer);
        table.PostRow();
        EXPECT_EQ(table.GetFieldText(c.field), exact);
        table.EditRow();
        table.SetFieldText(c.field, exact.substr(1) + "z");
        table.PostRow();
        EXPECT_EQ(table.GetFieldText(c.field), exact.substr(1) + "z");
    }
}

TEST_F(RxMemoryDataTest, TextIsStoredByteForByteWithBlanksAndEndsAtAZeroByte)
{
    table.InsertRow();
    table.SetFieldText("Name", " \xa8\xb8\xff ");
    table.SetFieldText("Path", std::string("C:\\1C\0tail", 10));
    table.SetFieldText("Login", "long text first");
    table.SetFieldText("Login", "ab");  // a shorter value leaves nothing of the longer one
    table.PostRow();
    EXPECT_EQ(table.GetFieldText("Name"), " \xa8\xb8\xff ");
    EXPECT_EQ(table.GetFieldText("Path"), "C:\\1C");
    EXPECT_EQ(table.GetFieldText("Login"), "ab");
    EXPECT_EQ(table.GetFieldText("Password"), "");
}

TEST_F(RxMemoryDataTest, EditRowOnAnEmptyTableAddsARowWhenPosted)
{
    table.EditRow();
    EXPECT_EQ(table.State(), TDataSetState::dsInsert);
    table.SetFieldText("Name", "Base");
    table.SetFieldText("Path", "C:\\Base");
    table.SetFieldText("Login", "user");
    table.SetFieldText("Password", "secret");
    table.PostRow();
    ASSERT_EQ(table.RowCount(), 1);
    EXPECT_EQ(table.GetFieldText("Password"), "secret");
    table.EditRow();  // now an edit of that row, in place
    EXPECT_EQ(table.State(), TDataSetState::dsEdit);
    table.SetFieldText("Name", "Renamed");
    table.PostRow();
    EXPECT_EQ(table.RowCount(), 1);
    EXPECT_EQ(table.GetFieldText("Name"), "Renamed");
    EXPECT_EQ(table.CurrentRowID(), INT32_MIN + 1);
}

TEST_F(RxMemoryDataTest, EachPostedRowGoesBeforeTheCurrentOneWithTheNextRowID)
{
    AddRow(table, "first");
    AddRow(table, "second");
    table.GoToLastRow();
    AddRow(table, "third");  // before "first", which was current
    EXPECT_EQ(NamesInOrder(table), (std::vector<std::string>{"second", "third", "first"}));
    EXPECT_EQ(table.CurrentRowNumber(), 2);
    EXPECT_EQ(table.RowIDAt(0), INT32_MIN + 2);
    EXPECT_EQ(table.RowIDAt(1), INT32_MIN + 3);
    EXPECT_EQ(table.RowIDAt(2), INT32_MIN + 1);
}

TEST_F(RxMemoryDataTest, LoadedRowsSortByNameWithTheLastLoadedStillCurrent)
{
    for (const std::string& name : {kV, kA, kB})
        AddRow(table, name);
    table.SortByFields("Name", true, false);
    EXPECT_EQ(NamesInOrder(table), (std::vector<std::string>{kA, kB, kV}));
    EXPECT_EQ(table.GetFieldText("Name"), kB);
    EXPECT_EQ(table.CurrentRowNumber(), 2);
}

TEST_F(RxMemoryDataTest, EqualNamesKeepCreationOrderWhateverTheTableOrder)
{
    // Loaded Б then б: each new row goes to the front, so the table holds б, Б.
    AddRow(table, kB);
    AddRow(table, kSmallB);
    table.SortByFields("Name", true, false);
    EXPECT_EQ(NamesInOrder(table), (std::vector<std::string>{kB, kSmallB}));

    // A new row named like the others goes after all of them.
    AddRow(table, kB);
    int32_t newest = table.CurrentRowID();
    table.SortByFields("Name", true, false);
    EXPECT_EQ(table.CurrentRowNumber(), 3);
    EXPECT_EQ(table.CurrentRowID(), newest);
}

TEST_F(RxMemoryDataTest, ARenamedRowIsPlacedByCreationOrderAmongEqualNames)
{
    AddRow(table, kB);  // created first
    AddRow(table, kA);
    table.SortByFields("Name", true, false);
    table.GoToLastRow();  // the Б row
    table.EditRow();
    table.SetFieldText("Name", kA);
    table.PostRow();
    int32_t renamed = table.CurrentRowID();
    table.SortByFields("Name", true, false);
    EXPECT_EQ(table.RowIDAt(0), renamed);
    EXPECT_EQ(table.CurrentRowNumber(), 1);
}

TEST_F(RxMemoryDataTest, NoNameSortsBeforeAnEmptyNameWhichSortsBeforeLettersAndDigits)
{
    AddRow(table, "7");
    AddRow(table, "a");
    AddRow(table, "");
    table.InsertRow();
    table.SetFieldText("Path", "no name assigned");
    table.PostRow();
    table.SortByFields(" Name ; ", true, false);
    EXPECT_EQ(NamesInOrder(table), (std::vector<std::string>{"", "", "7", "a"}));
    EXPECT_EQ(table.GetFieldText("Path"), "no name assigned");
    EXPECT_EQ(table.CurrentRowNumber(), 1);
    EXPECT_EQ(table.SortFieldNames(), std::vector<std::string>{"Name"});
}

TEST_F(RxMemoryDataTest, DescendingSortReversesKeysAndCreationOrder)
{
    AddRow(table, "x");
    AddRow(table, "y");
    AddRow(table, "X");
    table.SortByFields("Name", true, true);
    EXPECT_EQ(NamesInOrder(table), (std::vector<std::string>{"y", "X", "x"}));
    EXPECT_TRUE(table.SortDescending());
}

TEST_F(RxMemoryDataTest, SortUsesTheInjectedCollationAndItsCaseFlag)
{
    std::vector<bool> flags;
    table.SetCollation([&](std::string_view a, std::string_view b, bool ignoreCase) {
        flags.push_back(ignoreCase);
        return a < b ? 1 : (b < a ? -1 : 0);  // reversed byte order
    });
    AddRow(table, "a");
    AddRow(table, "c");
    AddRow(table, "b");
    flags.clear();
    table.SortByFields("Name", false, false);
    EXPECT_EQ(NamesInOrder(table), (std::vector<std::string>{"c", "b", "a"}));
    ASSERT_FALSE(flags.empty());
    EXPECT_FALSE(flags.back());
}

TEST_F(RxMemoryDataTest, ACollationThatThrowsLeavesTheTableAsItWas)
{
    for (const char* name : {"c", "a", "b"})
        AddRow(table, name);
    int calls = 0;
    table.SetCollation([&](std::string_view a, std::string_view b, bool ignoreCase) {
        if (!ignoreCase && ++calls == 2)
            throw std::runtime_error("collation failed");
        return PortableTextCompare(a, b, ignoreCase);
    });
    EXPECT_THROW(table.SortByFields("Name", false, false), std::runtime_error);
    EXPECT_EQ(NamesInOrder(table), (std::vector<std::string>{"b", "a", "c"}));
    EXPECT_EQ(table.GetFieldText("Name"), "b");
}

TEST_F(RxMemoryDataTest, DeletingTheLastRowMakesTheNewLastRowCurrent)
{
    for (const char* name : {"c", "b", "a"})
        AddRow(table, name);
    table.GoToLastRow();
    table.DeleteRow();
    EXPECT_EQ(table.GetFieldText("Name"), "b");
    EXPECT_EQ(table.CurrentRowNumber(), 2);
    table.GoToFirstRow();
    table.DeleteRow();  // the row that followed becomes current
    EXPECT_EQ(table.GetFieldText("Name"), "b");
    EXPECT_FALSE(table.AtStart());
    EXPECT_FALSE(table.AtEnd());
}

TEST_F(RxMemoryDataTest, DeletingTheOnlyRowEmptiesTheTableAndRestartsRowIDs)
{
    AddRow(table, "a");
    AddRow(table, "b");
    table.DeleteRow();
    EXPECT_EQ(table.LastRowID(), INT32_MIN + 2);  // IDs restart only when the table empties
    table.DeleteRow();
    EXPECT_TRUE(table.IsTableEmpty());
    EXPECT_TRUE(table.AtStart());
    EXPECT_TRUE(table.AtEnd());
    EXPECT_EQ(table.GetFieldText("Name"), "");
    AddRow(table, "again");
    EXPECT_EQ(table.CurrentRowID(), INT32_MIN + 1);
}

TEST_F(RxMemoryDataTest, DeleteRowDropsAPendingNewRowButDeletesARowBeingEdited)
{
    AddRow(table, "kept");
    table.InsertRow();
    table.SetFieldText("Name", "dropped");
    table.DeleteRow();
    EXPECT_EQ(table.State(), TDataSetState::dsBrowse);
    EXPECT_EQ(table.RowCount(), 1);
    EXPECT_EQ(table.GetFieldText("Name"), "kept");
    table.EditRow();
    table.SetFieldText("Name", "changed");
    table.DeleteRow();
    EXPECT_TRUE(table.IsTableEmpty());
}

TEST_F(RxMemoryDataTest, MovesAndSortsCommitAnAssignedPendingRowAndDropAnUntouchedOne)
{
    AddRow(table, "c");
    table.InsertRow();
    table.GoToFirstRow();  // nothing assigned: dropped
    EXPECT_EQ(table.RowCount(), 1);
    table.InsertRow();
    table.SetFieldText("Name", "b");
    table.InsertRow();  // assigned: committed before the next one begins
    table.GoToLastRow();
    EXPECT_EQ(table.RowCount(), 2);
    table.InsertRow();
    table.SetFieldText("Name", "a");
    table.SortByFields("Name", true, false);
    EXPECT_EQ(table.State(), TDataSetState::dsBrowse);
    EXPECT_EQ(NamesInOrder(table), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(table.GetFieldText("Name"), "a");
}

TEST_F(RxMemoryDataTest, TheWalkVisitsEveryRowOnceAndStopsOnTheLast)
{
    table.GoToFirstRow();
    EXPECT_TRUE(table.AtEnd());  // an empty table: the walk does nothing
    for (const char* name : {"c", "b", "a"})
        AddRow(table, name);
    std::vector<std::string> visited;
    table.GoToFirstRow();
    EXPECT_FALSE(table.AtEnd());
    while (!table.AtEnd()) {
        visited.push_back(table.GetFieldText("Name"));
        table.GoToNextRow();
    }
    EXPECT_EQ(visited, (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(table.GetFieldText("Name"), "c");
    EXPECT_EQ(table.CurrentRowNumber(), 3);

    // Reading rows by their place moves nothing.
    table.SetCurrentRowNumber(2);
    const TField& name = table.FieldByName("Name");
    EXPECT_EQ(table.RowTextView(0, name), "a");
    EXPECT_EQ(table.RowTextView(2, name), "c");
    EXPECT_THROW(table.RowTextView(3, name), EDatabaseError);
    EXPECT_THROW(table.RowTextView(-1, name), EDatabaseError);
    EXPECT_EQ(table.CurrentRowNumber(), 2);
}

TEST_F(RxMemoryDataTest, AFieldOfAnotherTableIsRefused)
{
    TRxMemoryData other("Other");
    OpenBaseTable(other);
    EXPECT_THROW(table.GetFieldTextView(other.FieldByName("Name")), EDatabaseError);
    table.InsertRow();
    EXPECT_THROW(table.SetFieldText(other.FieldByName("Name"), "x"), EDatabaseError);
}

TEST_F(RxMemoryDataTest, MoveByRowsStopsAtEitherEndAndReturnsTheRowsMoved)
{
    for (int i = 0; i < 5; ++i)
        AddRow(table, std::to_string(i));
    table.GoToFirstRow();
    EXPECT_EQ(table.MoveByRows(4), 4);
    EXPECT_FALSE(table.AtEnd());  // reached the last row without running out
    EXPECT_EQ(table.MoveByRows(3), 0);
    EXPECT_TRUE(table.AtEnd());
    EXPECT_EQ(table.MoveByRows(1), 0);
    EXPECT_EQ(table.MoveByRows(-10), -4);
    EXPECT_TRUE(table.AtStart());
    EXPECT_FALSE(table.AtEnd());
    EXPECT_EQ(table.MoveByRows(-1), 0);
    EXPECT_EQ(table.MoveByRows(INT32_MAX), 4);
    EXPECT_EQ(table.MoveByRows(INT32_MIN), -4);
    table.SetCurrentRowNumber(3);
    for (int ignored : {0, 6, -1})
        table.SetCurrentRowNumber(ignored);
    EXPECT_EQ(table.GetFieldText("Name"), "2");
    EXPECT_FALSE(table.AtStart());
}

TEST_F(RxMemoryDataTest, FailuresCarryTheExactMessages)
{
    const std::string dataSetNotEditing = "Dataset not in edit or insert mode";
    const std::string prefix = "BaseRxMemoryData: ";
    struct Case {
        const char* what;
        std::function<void()> action;
        std::string message;
    };
    const Case cases[] = {
        {"PostRow in browse", [&] { table.PostRow(); }, prefix + dataSetNotEditing},
        {"SetFieldText in browse", [&] { table.SetFieldText("Name", "x"); }, dataSetNotEditing},
        {"GetFieldText misspelt", [&] { table.GetFieldText("Nmae"); }, prefix + "Field 'Nmae' not found"},
        {"SetFieldText misspelt", [&] { table.SetFieldText("Pth", ""); }, prefix + "Field 'Pth' not found"},
        {"SortByFields misspelt", [&] { table.SortByFields("Name; nAMe2", true, false); },
         prefix + "Field 'nAMe2' not found"},
        {"DeleteRow on empty", [&] { table.DeleteRow(); },
         prefix + "Cannot perform this operation on an empty dataset"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ErrorOf(c.action), c.message) << c.what;

    // A failure leaves a pending row pending.
    table.InsertRow();
    table.SetFieldText("Name", "kept");
    EXPECT_THROW(table.SetFieldText("Nome", "x"), EDatabaseError);
    table.PostRow();
    EXPECT_EQ(table.GetFieldText("name"), "kept");
}

TEST_F(RxMemoryDataTest, ClosingFreesTheRowsAndBarsCursorAndEditOperations)
{
    AddRow(table, "a");
    table.InsertRow();
    table.SetFieldText("Name", "pending");
    table.SetActive(false);
    EXPECT_EQ(table.FieldCount(), 0);
    EXPECT_TRUE(table.IsTableEmpty());
    const std::string closed = "BaseRxMemoryData: Cannot perform this operation on a closed dataset";
    std::vector<std::function<void()>> actions = {
        [&] { table.InsertRow(); },    [&] { table.EditRow(); },
        [&] { table.PostRow(); },      [&] { table.DeleteRow(); },
        [&] { table.GoToFirstRow(); }, [&] { table.GoToLastRow(); },
        [&] { table.GoToNextRow(); },  [&] { table.SetCurrentRowNumber(1); },
    };
    for (size_t i = 0; i < actions.size(); ++i)
        EXPECT_EQ(ErrorOf(actions[i]), closed) << "action " << i;

    table.SetActive(true);
    EXPECT_TRUE(table.IsTableEmpty());
    AddRow(table, "b");
    EXPECT_EQ(table.CurrentRowID(), INT32_MIN + 1);
}

// Loading inserts every row at the front; a sort of the whole list follows.
// Both must stay far from quadratic (a quadratic load would take minutes here).
TEST(RxMemoryData, ALongListLoadsSortsAndWalksInOrder)
{
    TRxMemoryData table("BaseRxMemoryData");
    OpenBaseTable(table);
    table.SetWindowSize(30);
    const int kRows = 200'000;
    for (int i = 0; i < kRows; ++i) {
        table.InsertRow();
        table.SetFieldText("Name", std::to_string((i * 7919LL) % kRows));
        table.PostRow();
    }
    ASSERT_EQ(table.RowCount(), kRows);
    int32_t lastLoaded = table.CurrentRowID();
    table.SortByFields("Name", true, false);
    EXPECT_EQ(table.CurrentRowID(), lastLoaded);
    int rows = 0;
    std::string previous;
    for (table.GoToFirstRow(); !table.AtEnd(); table.GoToNextRow(), ++rows) {
        std::string name = table.GetFieldText("Name");
        ASSERT_LE(PortableTextCompare(previous, name, true), 0);
        previous = std::move(name);
    }
    EXPECT_EQ(rows, kRows);
}

TEST(RxMemoryDataFieldNames, FollowTheCollationInForce)
{
    TRxMemoryData table("BaseRxMemoryData");
    OpenBaseTable(table);
    EXPECT_EQ(table.FindFieldIndex("password"), 3);
    // A collation that tells every name apart: only the exact name is found.
    table.SetCollation([](std::string_view a, std::string_view b, bool) { return a == b ? 0 : 1; });
    EXPECT_EQ(table.FindFieldIndex("password"), -1);
    EXPECT_EQ(table.FindFieldIndex("Password"), 3);
}
