#include "BaseTableHelpers.h"

#include <gtest/gtest.h>

#include "runtime/Exceptions.h"

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <string_view>
#include <vector>

namespace {

std::string RowName(int index)
{
    char text[8];
    std::snprintf(text, sizeof text, "r%03d", index);
    return text;
}

class DataSetWindowTest : public ::testing::Test {
protected:
    // rowCount rows named r000, r001, ... in table order, the first current.
    void Fill(int rowCount, int windowSize)
    {
        OpenBaseTable(table);
        table.SetWindowSize(windowSize);
        for (int i = rowCount - 1; i >= 0; --i)  // each new row goes to the front
            AddRow(table, RowName(i));
    }
    std::string Line(int line) const { return table.WindowFieldText(line, 0); }
    std::string CurrentLineName() const { return Line(table.WindowCurrentLine()); }

    TRxMemoryData table{"BaseRxMemoryData"};
};

// The current row takes another name.
void Rename(TRxMemoryData& table, const std::string& name)
{
    table.EditRow();
    table.SetFieldText("Name", name);
    table.PostRow();
}

using R = Report;
constexpr auto kRowsChanged = TDataChange::RowsChanged;
constexpr auto kRowsScrolled = TDataChange::RowsScrolled;
constexpr auto kCurrentRowChanged = TDataChange::CurrentRowChanged;
constexpr auto kStateChanged = TDataChange::StateChanged;

}  // namespace

TEST_F(DataSetWindowTest, FirstAndLastRowsGoToTheTopAndBottomLines)
{
    Fill(50, 10);
    table.GoToLastRow();
    EXPECT_EQ(table.WindowFirstRow(), 40);
    EXPECT_EQ(table.WindowCurrentLine(), 9);
    EXPECT_EQ(Line(0), "r040");
    EXPECT_EQ(CurrentLineName(), "r049");
    table.GoToFirstRow();
    EXPECT_EQ(table.WindowFirstRow(), 0);
    EXPECT_EQ(table.WindowCurrentLine(), 0);
    EXPECT_EQ(table.WindowRowCount(), 10);
}

TEST_F(DataSetWindowTest, SortCentresTheCurrentRowWhenRowsSurroundIt)
{
    struct Case {
        int windowSize;
        int line;  // 0-based
    };
    for (Case c : {Case{20, 9}, Case{19, 9}, Case{2, 0}, Case{1, 0}, Case{5, 2}}) {
        SCOPED_TRACE(c.windowSize);
        TRxMemoryData sorted("BaseRxMemoryData");
        OpenBaseTable(sorted);
        sorted.SetWindowSize(c.windowSize);
        // Added in scrambled order; r050 is added last and so is current.
        for (int i = 1; i <= 100; ++i)
            AddRow(sorted, RowName((i * 37 + 50) % 100));
        ASSERT_EQ(sorted.GetFieldText("Name"), "r050");
        sorted.SortByFields("Name", true, false);
        EXPECT_EQ(sorted.CurrentRowNumber(), 51);
        EXPECT_EQ(sorted.WindowCurrentLine(), c.line);
        EXPECT_EQ(sorted.WindowFirstRow(), 50 - c.line);
        EXPECT_EQ(sorted.WindowRowCount(), c.windowSize);
    }
}

TEST_F(DataSetWindowTest, SortNearEitherEndFillsTheWindowFromTheOtherSide)
{
    Fill(30, 10);
    table.SetCurrentRowNumber(3);
    table.SortByFields("Name", true, false);
    EXPECT_EQ(table.WindowFirstRow(), 0);
    EXPECT_EQ(table.WindowCurrentLine(), 2);
    table.SetCurrentRowNumber(29);
    table.SortByFields("Name", true, false);
    EXPECT_EQ(table.WindowFirstRow(), 20);
    EXPECT_EQ(table.WindowCurrentLine(), 8);
}

TEST_F(DataSetWindowTest, PostingKeepsTheCurrentLine)
{
    Fill(50, 10);
    table.GoToFirstRow();
    table.MoveByRows(25);
    ASSERT_EQ(table.WindowFirstRow(), 16);
    ASSERT_EQ(table.WindowCurrentLine(), 9);

    table.EditRow();
    table.SetFieldText("Name", "edited");
    EXPECT_EQ(CurrentLineName(), "edited");  // the pending value shows before the post
    table.PostRow();
    EXPECT_EQ(table.WindowFirstRow(), 16);
    EXPECT_EQ(CurrentLineName(), "edited");

    table.MoveByRows(-4);  // line 5
    table.InsertRow();
    EXPECT_EQ(table.WindowCurrentLine(), 5);
    EXPECT_EQ(Line(5), "");  // the blank pending row
    EXPECT_EQ(Line(6), "r021");  // the row that was current moved down a line
    table.SetFieldText("Name", "new");
    table.PostRow();
    EXPECT_EQ(table.WindowFirstRow(), 16);
    EXPECT_EQ(table.WindowCurrentLine(), 5);
    EXPECT_EQ(Line(5), "new");
    EXPECT_EQ(Line(6), "r021");
    EXPECT_EQ(table.RowCount(), 51);
}

TEST_F(DataSetWindowTest, DroppingAPendingNewRowRestoresTheWindow)
{
    Fill(3, 10);
    table.SetCurrentRowNumber(2);
    table.InsertRow();
    EXPECT_EQ(table.WindowRowCount(), 4);
    EXPECT_FALSE(table.IsTableEmpty());
    EXPECT_EQ(Line(1), "");
    EXPECT_EQ(Line(2), "r001");
    table.DeleteRow();
    EXPECT_EQ(table.WindowRowCount(), 3);
    EXPECT_EQ(table.WindowCurrentLine(), 1);
    EXPECT_EQ(CurrentLineName(), "r001");
}

TEST_F(DataSetWindowTest, SettingTheRowNumberKeepsTheLineAsFarAsRowsAllow)
{
    Fill(50, 10);
    table.GoToFirstRow();
    table.MoveByRows(3);
    table.SetCurrentRowNumber(40);
    EXPECT_EQ(table.WindowCurrentLine(), 3);
    EXPECT_EQ(CurrentLineName(), "r039");
    table.SetCurrentRowNumber(49);  // too few rows follow: filled from before
    EXPECT_EQ(table.WindowFirstRow(), 40);
    EXPECT_EQ(table.WindowCurrentLine(), 8);
    table.SetCurrentRowNumber(2);  // too few rows precede it
    EXPECT_EQ(table.WindowFirstRow(), 0);
    EXPECT_EQ(table.WindowCurrentLine(), 1);
}

TEST_F(DataSetWindowTest, DeletingKeepsTheLineAndPullsTheWindowBackAtTheEnd)
{
    Fill(12, 10);
    table.GoToLastRow();
    ASSERT_EQ(table.WindowFirstRow(), 2);
    table.DeleteRow();
    EXPECT_EQ(table.WindowFirstRow(), 1);
    EXPECT_EQ(table.WindowCurrentLine(), 9);
    EXPECT_EQ(CurrentLineName(), "r010");
    table.MoveByRows(-5);
    table.DeleteRow();  // the following row takes the line
    EXPECT_EQ(table.WindowFirstRow(), 0);
    EXPECT_EQ(CurrentLineName(), "r006");
    EXPECT_EQ(table.WindowRowCount(), 10);
}

TEST_F(DataSetWindowTest, AnEmptyTableShowsNoLinesAndANewRowShowsOne)
{
    Fill(0, 10);
    EXPECT_EQ(table.WindowRowCount(), 0);
    EXPECT_EQ(table.WindowCurrentLine(), -1);
    EXPECT_EQ(table.WindowFieldText(0, 0), "");
    table.InsertRow();
    EXPECT_EQ(table.WindowRowCount(), 1);
    EXPECT_EQ(table.WindowCurrentLine(), 0);
    table.SetFieldText("Name", "first");
    EXPECT_EQ(Line(0), "first");
    table.PostRow();
    table.DeleteRow();
    EXPECT_EQ(table.WindowCurrentLine(), -1);
}

TEST_F(DataSetWindowTest, ResizingKeepsTheCurrentRowInsideAndTheWindowFull)
{
    Fill(50, 20);
    table.GoToFirstRow();
    table.MoveByRows(15);
    table.SetWindowSize(10);
    EXPECT_EQ(table.WindowFirstRow(), 6);
    EXPECT_EQ(table.WindowCurrentLine(), 9);
    table.GoToLastRow();
    table.SetWindowSize(20);
    EXPECT_EQ(table.WindowFirstRow(), 30);
    EXPECT_EQ(table.WindowRowCount(), 20);
    table.SetWindowSize(0);
    EXPECT_EQ(table.WindowSize(), 1);
    EXPECT_EQ(CurrentLineName(), "r049");
}

TEST_F(DataSetWindowTest, MovesShiftTheWindowOnlyAsFarAsNeeded)
{
    Fill(50, 10);
    table.GoToFirstRow();
    RecordingSource grid(table);
    struct Step {
        int move;
        int first;
        std::vector<Report> reports;
    };
    const Step steps[] = {
        {1, 0, {R{kRowsScrolled, 0}}},  // inside the window: only the current line moves
        {9, 1, {R{kRowsScrolled, 1}}},  // one past the bottom line
        {-10, 0, {R{kRowsScrolled, -1}}},  // back to the top
        {25, 16, {R{kRowsChanged}}},  // further than a window: redrawn whole
        {-3, 16, {R{kRowsScrolled, 0}}},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.move);
        table.MoveByRows(s.move);
        EXPECT_EQ(table.WindowFirstRow(), s.first);
        EXPECT_EQ(grid.Take(), s.reports);
    }
}

TEST_F(DataSetWindowTest, EachOperationSendsItsReports)
{
    struct Case {
        const char* what;
        std::function<void()> prepare;
        std::function<void()> action;
        std::vector<Report> reports;
    };
    const Case cases[] = {
        {"InsertRow", {}, [&] { table.InsertRow(); }, {R{kStateChanged}, R{kRowsChanged}}},
        {"SetFieldText", [&] { table.InsertRow(); }, [&] { table.SetFieldText("Name", "x"); }, {R{kCurrentRowChanged}}},
        {"PostRow", [&] { table.EditRow(); }, [&] { table.PostRow(); }, {R{kStateChanged}, R{kRowsChanged}}},
        {"EditRow", {}, [&] { table.EditRow(); }, {R{kStateChanged}, R{kCurrentRowChanged}}},
        {"EditRow while editing", [&] { table.EditRow(); }, [&] { table.EditRow(); }, {}},
        {"DeleteRow", {}, [&] { table.DeleteRow(); }, {R{kRowsChanged}}},
        {"DeleteRow while editing",
         [&] { table.EditRow(); },
         [&] { table.DeleteRow(); },
         {R{kStateChanged}, R{kRowsChanged}}},
        {"InsertRowWithTexts",
         {},
         [&] { table.InsertRowWithTexts(std::vector<std::string_view>{"x"}); },
         {R{kRowsChanged}}},
        {"InsertRowWithTexts committing an edit",
         [&] {
             table.EditRow();
             table.SetFieldText("Name", "y");
         },
         [&] { table.InsertRowWithTexts(std::vector<std::string_view>{"x"}); },
         {R{kStateChanged}, R{kRowsChanged}, R{kRowsChanged}}},
        {"SortByFields, nothing out of place",
         {},
         [&] { table.SortByFields("Name", true, false); },
         {R{TDataChange::CurrentRowResorted}}},
        {"SortByFields moving the current row alone",
         [&] { Rename(table, "r999"); },
         [&] { table.SortByFields("Name", true, false); },
         {R{TDataChange::CurrentRowResorted}}},
        {"SortByFields moving another row",
         [&] {
             Rename(table, "r999");
             table.GoToFirstRow();
         },
         [&] { table.SortByFields("Name", true, false); },
         {R{TDataChange::RowsReordered}}},
        {"GoToFirstRow", {}, [&] { table.GoToFirstRow(); }, {R{kRowsChanged}}},
        {"GoToLastRow", {}, [&] { table.GoToLastRow(); }, {R{kRowsChanged}}},
        {"SetCurrentRowNumber", {}, [&] { table.SetCurrentRowNumber(3); }, {R{kRowsChanged}}},
        {"SetCurrentRowNumber out of range", {}, [&] { table.SetCurrentRowNumber(99); }, {}},
        {"GoToNextRow", {}, [&] { table.GoToNextRow(); }, {R{kRowsScrolled, 0}}},
        {"GoToNextRow on the last row", [&] { table.GoToLastRow(); }, [&] { table.GoToNextRow(); }, {}},
        {"a move dropping an untouched new row",
         [&] { table.InsertRow(); },
         [&] { table.GoToFirstRow(); },
         {R{kStateChanged}, R{kRowsChanged}, R{kRowsChanged}}},
        {"closing", {}, [&] { table.SetActive(false); }, {R{kStateChanged}}},
        {"opening", [&] { table.SetActive(false); }, [&] { table.SetActive(true); }, {R{kStateChanged}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        table.SetActive(false);
        Fill(5, 10);
        table.SetCurrentRowNumber(2);
        RecordingSource grid(table);
        if (c.prepare)
            c.prepare();
        grid.Take();
        c.action();
        EXPECT_EQ(grid.Take(), c.reports);
    }
}

TEST_F(DataSetWindowTest, AReportSeesTheTableAlreadyConsistent)
{
    Fill(5, 10);
    table.InsertRow();
    table.SetFieldText("Name", "posted");
    std::vector<std::string> seen;
    TDataSource source;
    source.SetDataSet(&table);
    source.OnDataChange = [&](TDataChange change, int) {
        if (change == TDataChange::RowsChanged)
            seen.push_back(std::string(table.State() == TDataSetState::dsBrowse ? "browse " : "pending ") +
                           CurrentLineName() + " of " + std::to_string(table.RowCount()));
    };
    table.PostRow();
    EXPECT_EQ(seen, std::vector<std::string>{"browse posted of 6"});
}

TEST(DataSource, EveryLinkedSourceHearsReportsUntilItIsUnlinked)
{
    auto table = std::make_unique<TRxMemoryData>("BaseRxMemoryData");
    OpenBaseTable(*table);
    RecordingSource first(*table);
    auto second = std::make_unique<RecordingSource>(*table);
    AddRow(*table, "a");
    EXPECT_FALSE(first.Take().empty());
    EXPECT_FALSE(second->Take().empty());

    // A handler may unlink another source in the middle of a report.
    TDataSource third;
    third.OnDataChange = [&](TDataChange, int) { second->source.SetDataSet(nullptr); };
    third.SetDataSet(table.get());
    second->source.SetDataSet(nullptr);
    second->source.SetDataSet(table.get());  // now after the third in the list
    table->GoToFirstRow();
    EXPECT_TRUE(second->Take().empty());
    third.OnDataChange = nullptr;

    second.reset();  // a destroyed source unlinks itself
    table->GoToFirstRow();
    EXPECT_FALSE(first.Take().empty());
    table.reset();  // a destroyed table leaves its sources unlinked
    EXPECT_EQ(first.source.DataSet(), nullptr);
    EXPECT_EQ(third.DataSet(), nullptr);
}

TEST_F(DataSetWindowTest, DisabledControlsHearOneStateChangeWhenTheLastDisableEnds)
{
    Fill(3, 10);
    RecordingSource grid(table);
    table.DisableControls();
    table.DisableControls();
    AddRow(table, "b");
    AddRow(table, "a");
    table.SortByFields("Name", true, false);
    table.EnableControls();
    EXPECT_TRUE(grid.Take().empty());
    table.EnableControls();
    EXPECT_EQ(grid.Take(), std::vector<Report>{{TDataChange::StateChanged}});
    table.EnableControls();  // one too many changes nothing
    table.GoToFirstRow();
    EXPECT_FALSE(grid.Take().empty());
}

// A whole row at once leaves the table as InsertRow, SetFieldText for each
// field and PostRow leave it: the same rows, values, RowIDs, current row,
// window and flags, from any current row and window size.
TEST_F(DataSetWindowTest, ARowInsertedWholeLandsWhereInsertAndPostPutIt)
{
    const std::string longName(150, 'n');
    const std::string zeroInside("ab\0cd", 5);
    const std::vector<std::vector<std::string_view>> rows = {
        {"x", "C:\\", "u", "p"}, {longName, zeroInside}, {}, {"", "", "", ""}};
    for (int windowSize : {1, 3, 10}) {
        for (int rowCount : {0, 1, 2, 7}) {
            for (int current = 0; current <= rowCount; ++current) {
                SCOPED_TRACE(testing::Message() << windowSize << " " << rowCount << " " << current);
                TRxMemoryData stepwise("BaseRxMemoryData"), whole("BaseRxMemoryData");
                for (TRxMemoryData* t : {&stepwise, &whole}) {
                    OpenBaseTable(*t);
                    t->SetWindowSize(windowSize);
                    for (int i = rowCount - 1; i >= 0; --i)
                        AddRow(*t, RowName(i));
                    if (current > 0)
                        t->SetCurrentRowNumber(current);
                }
                for (const auto& texts : rows) {
                    stepwise.InsertRow();
                    for (size_t f = 0; f < texts.size(); ++f)
                        stepwise.SetFieldText(stepwise.Field(int(f)), texts[f]);
                    stepwise.PostRow();
                    whole.InsertRowWithTexts(texts);
                }
                ASSERT_EQ(whole.RowCount(), stepwise.RowCount());
                for (int row = 0; row < whole.RowCount(); ++row) {
                    EXPECT_EQ(whole.RowIDAt(row), stepwise.RowIDAt(row));
                    std::string_view a[4], b[4];
                    whole.RowTextViews(row, a);
                    stepwise.RowTextViews(row, b);
                    EXPECT_TRUE(std::equal(a, a + 4, b)) << row;
                }
                EXPECT_EQ(whole.CurrentRowNumber(), stepwise.CurrentRowNumber());
                EXPECT_EQ(whole.WindowFirstRow(), stepwise.WindowFirstRow());
                EXPECT_EQ(whole.AtStart(), stepwise.AtStart());
                EXPECT_EQ(whole.AtEnd(), stepwise.AtEnd());
                EXPECT_EQ(whole.LastRowID(), stepwise.LastRowID());
            }
        }
    }
    TRxMemoryData table("BaseRxMemoryData");
    OpenBaseTable(table);
    const std::vector<std::string_view> tooMany(5, "x");
    EXPECT_THROW(table.InsertRowWithTexts(tooMany), EDatabaseError);
    EXPECT_EQ(table.RowCount(), 0);
}
