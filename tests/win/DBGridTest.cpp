#include "GridTestSupport.h"
#include "ListGridForm.h"

#include "model/RxMemoryData.h"
#include "grid/DBGrid.h"
#include "ui/Form.h"
#include "ui/StdControls.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <utility>
#include <vector>

namespace {

class TGridForm : public TListGridForm {
public:
    TGridForm()
        : TListGridForm("GridForm", "TGridForm", {.Caption = "Таблица", .Bounds = {50, 50, 420, 340}}, {0, 0, 400, 300},
                        akLeft | akTop | akRight | akBottom)
    {
        MainRxDBGrid.TabOrder = 0;
        After.TabOrder = 1;
        AddControl(After);
    }
    TButton After{"After", {0, 310, 80, 25}, "Дальше"};
};

std::string RowName(int number)
{
    char text[32];
    std::snprintf(text, sizeof(text), "Строка %06d", number);
    return text;
}

class DBGridTest : public testing::Test {
protected:
    void SetUp() override
    {
        TestApplication();
        ReportedErrors().clear();
        form.Create();
    }
    void TearDown() override
    {
        form.Destroy();
        EXPECT_TRUE(ReportedErrors().empty());
    }

    TRxDBGrid& Grid() { return form.MainRxDBGrid; }
    HWND GridWindow() { return form.MainRxDBGrid.Handle(); }

    // Rows "Строка 000001" to count in ascending order, the first current.
    void Fill(int count, const std::string& path = "П")
    {
        for (int i = count; i >= 1; --i) {
            table.InsertRow();
            table.SetFieldText("Name", RowName(i));
            table.SetFieldText("Path", path);
            table.PostRow();
        }
        table.GoToFirstRow();
    }
    void ShowFocused()
    {
        form.Show();
        Grid().SetFocus();
        DispatchQueued();
    }
    // Three rows shown; the title bar dragged with the left button from x
    // `from` to `to` in steps of `step`. How often the columns changed.
    int DragTitle(int from, int to, int step)
    {
        Fill(3);
        form.Show();
        int changes = 0;
        Grid().OnColumnsChanged = [&] { ++changes; };
        HWND header = Grid().TitleHandle();
        SendMessageW(header, WM_LBUTTONDOWN, MK_LBUTTON, Point(from, 5));
        for (int x = from + step; step > 0 ? x <= to : x >= to; x += step)
            SendMessageW(header, WM_MOUSEMOVE, MK_LBUTTON, Point(x, 5));
        SendMessageW(header, WM_LBUTTONUP, 0, Point(to, 5));
        DispatchQueued();
        Grid().OnColumnsChanged = nullptr;
        return changes;
    }
    std::string CurrentName() { return table.GetFieldText("Name"); }
    int LineY(int line) { return Grid().TitleHeight() + line * Grid().RowHeight() + Grid().RowHeight() / 2; }

    TScopedForm<TGridForm> form;
    TRxMemoryData& table = form.BaseRxMemoryData;
};

}  // namespace

TEST_F(DBGridTest, TheViewWindowHoldsTheRowsThatFitBelowTheTitles)
{
    Fill(100);
    RECT client;
    GetClientRect(GridWindow(), &client);
    int expected = (client.bottom - Grid().TitleHeight()) / Grid().RowHeight();
    EXPECT_GT(expected, 5);
    EXPECT_EQ(Grid().VisibleRowCount(), expected);
    EXPECT_EQ(table.WindowSize(), expected);

    Grid().SetBounds({0, 0, 400, 150});
    GetClientRect(GridWindow(), &client);
    EXPECT_EQ(table.WindowSize(), (client.bottom - Grid().TitleHeight()) / Grid().RowHeight());
}

struct KeyCase {
    const char* what;
    int start;
    WORD key;
    bool ctrl;
    int expected;  // plus pages times the visible row count
    int pages;
};

TEST_F(DBGridTest, KeysMoveTheCurrentRowAndNeverAddOrRemoveRows)
{
    Fill(100);
    ShowFocused();
    int page = Grid().VisibleRowCount();
    const KeyCase cases[] = {
        {"Down", 1, VK_DOWN, false, 2, 0},
        {"Up", 2, VK_UP, false, 1, 0},
        {"Up on the first row", 1, VK_UP, false, 1, 0},
        {"Down on the last row", 100, VK_DOWN, false, 100, 0},
        {"Page Down", 1, VK_NEXT, false, 1, 1},
        {"Page Up", 80, VK_PRIOR, false, 80, -1},
        {"Page Down near the end", 98, VK_NEXT, false, 100, 0},
        {"Page Up near the start", 3, VK_PRIOR, false, 1, 0},
        {"Ctrl+End", 1, VK_END, true, 100, 0},
        {"Ctrl+Home", 50, VK_HOME, true, 1, 0},
        {"Home", 50, VK_HOME, false, 50, 0},
        {"End", 50, VK_END, false, 50, 0},
        {"Insert", 50, VK_INSERT, false, 50, 0},
        {"Delete without Ctrl", 50, VK_DELETE, false, 50, 0},
    };
    for (const KeyCase& c : cases) {
        SCOPED_TRACE(c.what);
        table.SetCurrentRowNumber(c.start);
        PressKey(GridWindow(), c.key, c.ctrl);
        EXPECT_EQ(table.CurrentRowNumber(), c.expected + c.pages * page);
        EXPECT_EQ(table.RowCount(), 100);
        EXPECT_EQ(table.State(), TDataSetState::dsBrowse);
        EXPECT_EQ(CurrentName(), RowName(table.CurrentRowNumber()));
        int line = table.WindowCurrentLine();
        EXPECT_TRUE(line >= 0 && line < page) << line;
    }
}

TEST_F(DBGridTest, ArrowsHomeAndEndMoveBetweenTheColumnsAndTabLeavesTheGrid)
{
    Fill(3);
    ShowFocused();
    EXPECT_EQ(Grid().SelectedIndex(), 0);
    const std::pair<WORD, int> steps[] = {{VK_RIGHT, 1}, {VK_RIGHT, 1}, {VK_HOME, 0}, {VK_END, 1}, {VK_LEFT, 0}};
    for (const auto& [key, column] : steps) {
        PressKey(GridWindow(), key);
        EXPECT_EQ(Grid().SelectedIndex(), column) << "after key " << key;
    }
    EXPECT_EQ(table.CurrentRowNumber(), 1);

    PressKey(GridWindow(), VK_TAB);
    EXPECT_EQ(GetFocus(), form.After.Handle());
    PressKey(form.After.Handle(), VK_TAB, false, true);
    EXPECT_EQ(GetFocus(), GridWindow());
}

TEST_F(DBGridTest, CtrlDeleteDeletesTheCurrentRowAtOnceAndOnAnEmptyTableDoesNothing)
{
    ShowFocused();
    PressKey(GridWindow(), VK_DELETE, true);
    EXPECT_TRUE(table.IsTableEmpty());
    EXPECT_EQ(table.State(), TDataSetState::dsBrowse);

    Fill(5);
    table.SetCurrentRowNumber(3);
    PressKey(GridWindow(), VK_DELETE, true);
    EXPECT_EQ(table.RowCount(), 4);
    EXPECT_EQ(CurrentName(), RowName(4));

    table.GoToLastRow();
    PressKey(GridWindow(), VK_DELETE, true);
    EXPECT_EQ(table.RowCount(), 3);
    EXPECT_EQ(CurrentName(), RowName(4));
}

TEST_F(DBGridTest, AClickMakesTheRowCurrentSelectsTheColumnAndTakesTheFocus)
{
    Fill(30);
    form.Show();
    form.After.SetFocus();
    int pathX = Grid().kIndicatorWidth + 154 + 20;
    Click(GridWindow(), pathX, LineY(5));
    EXPECT_EQ(table.CurrentRowNumber(), 6);
    EXPECT_EQ(Grid().SelectedIndex(), 1);
    EXPECT_EQ(GetFocus(), GridWindow());

    Click(GridWindow(), 3, LineY(2));  // the indicator: the row, not the column
    EXPECT_EQ(table.CurrentRowNumber(), 3);
    EXPECT_EQ(Grid().SelectedIndex(), 1);
}

TEST_F(DBGridTest, AClickBelowTheLastRowChangesNothing)
{
    Fill(3);
    form.Show();
    table.SetCurrentRowNumber(2);
    Click(GridWindow(), 40, LineY(6));
    EXPECT_EQ(table.CurrentRowNumber(), 2);
}

TEST_F(DBGridTest, ADoubleClickAnywhereCallsOnDblClick)
{
    Fill(3);
    form.Show();
    int calls = 0;
    Grid().OnDblClick = [&] { ++calls; };
    HWND header = Grid().TitleHandle();
    RECT headerClient;
    GetClientRect(header, &headerClient);
    struct {
        HWND target;
        int x, y;
    } places[] = {
        {GridWindow(), 40, LineY(1)},  // a row
        {GridWindow(), 4, LineY(0)},  // the indicator
        {GridWindow(), 4, 4},  // the corner above it
        {GridWindow(), 40, LineY(10)},  // below the last row
        {header, 30, 5},  // a title
        {header, headerClient.right - 3, 5},  // past the last title
    };
    for (const auto& p : places)
        SendMessageW(p.target, WM_LBUTTONDBLCLK, MK_LBUTTON, Point(p.x, p.y));
    EXPECT_EQ(calls, 6);
}

TEST_F(DBGridTest, EnterF2AndARowsDefaultActionOpenTheRowTheActionOnlyOnceItsCallHasReturned)
{
    Fill(3);
    ShowFocused();
    std::vector<std::string> opened;
    Grid().OnOpenRow = [&] { opened.push_back(CurrentName()); };
    Grid().RowActionName = "Изменить";
    PressKey(GridWindow(), VK_RETURN);
    table.SetCurrentRowNumber(2);
    PressKey(GridWindow(), VK_F2);
    EXPECT_EQ(opened, (std::vector<std::string>{RowName(1), RowName(2)}));

    ComPtr<IAccessible> list = AccessibleOf(GridWindow());
    BSTR action = nullptr;
    ASSERT_EQ(list->get_accDefaultAction(Child(3), &action), S_OK);
    EXPECT_EQ(std::wstring(action, SysStringLen(action)), L"Изменить");
    SysFreeString(action);
    EXPECT_EQ(list->get_accDefaultAction(Child(CHILDID_SELF), &action), S_FALSE);
    EXPECT_EQ(list->accDoDefaultAction(Child(CHILDID_SELF)), DISP_E_MEMBERNOTFOUND);

    // A screen reader waits for its call: the row opens once it has returned.
    EXPECT_EQ(list->accDoDefaultAction(Child(3)), S_OK);
    EXPECT_EQ(opened.size(), 2u);
    EXPECT_EQ(table.CurrentRowNumber(), 3);
    DispatchQueued();
    EXPECT_EQ(opened.back(), RowName(3));

    // Under a modal window (the one just opened) nothing moves or opens again.
    EnableWindow(form.Handle(), FALSE);
    EXPECT_EQ(list->accDoDefaultAction(Child(1)), E_FAIL);
    PressKey(GridWindow(), VK_RETURN);
    EnableWindow(form.Handle(), TRUE);
    DispatchQueued();
    EXPECT_EQ(table.CurrentRowNumber(), 3);
    EXPECT_EQ(opened.size(), 3u);
}

TEST_F(DBGridTest, TheScrollBarShowsTheCurrentRowAndItsThumbMovesIt)
{
    Fill(100);
    ShowFocused();
    PressKey(GridWindow(), VK_END, true);
    SCROLLINFO info{};
    info.cbSize = sizeof(info);
    info.fMask = SIF_ALL;
    GetScrollInfo(GridWindow(), SB_VERT, &info);
    EXPECT_EQ(info.nMax, 100);
    EXPECT_EQ(info.nPos, 100);

    SendMessageW(GridWindow(), WM_VSCROLL, MAKEWPARAM(SB_THUMBTRACK, 40), 0);
    EXPECT_EQ(table.CurrentRowNumber(), 40);
    SendMessageW(GridWindow(), WM_VSCROLL, MAKEWPARAM(SB_TOP, 0), 0);
    EXPECT_EQ(table.CurrentRowNumber(), 1);
    SendMessageW(GridWindow(), WM_VSCROLL, MAKEWPARAM(SB_PAGEDOWN, 0), 0);
    SendMessageW(GridWindow(), WM_VSCROLL, MAKEWPARAM(SB_LINEDOWN, 0), 0);
    EXPECT_EQ(table.CurrentRowNumber(), 2 + Grid().VisibleRowCount());
    DispatchQueued();
    GetScrollInfo(GridWindow(), SB_VERT, &info);
    EXPECT_EQ(info.nPos, 2 + Grid().VisibleRowCount());
}

TEST_F(DBGridTest, ColumnWidthsAndOrderShowInTheTitlesAndTheCellsAndAWidthOfZeroOrBelowAsNothing)
{
    Fill(3, "");
    form.Show();
    HWND header = Grid().TitleHandle();
    const int left = TRxDBGrid::kIndicatorWidth;
    int y = LineY(1);
    COLORREF lineColor = TRxDBGrid::LineColor();
    COLORREF blank = GetSysColor(COLOR_WINDOW);
    EXPECT_EQ(HeaderItemWidth(header, 0), 154);
    EXPECT_EQ(PaintedPixel(GridWindow(), left + 154 - 1, y), lineColor);
    // A width of zero or below is kept as given and draws as nothing.
    for (int width : {0, -7}) {
        SCOPED_TRACE(width);
        Grid().Column(0).SetWidth(width);
        EXPECT_EQ(Grid().Column(0).Width(), width);
        EXPECT_EQ(HeaderItemWidth(header, 0), 0);
        EXPECT_EQ(PaintedPixel(GridWindow(), left + 205 - 1, y), lineColor);
    }

    Grid().Column(0).SetWidth(100);
    EXPECT_EQ(HeaderItemWidth(header, 0), 100);
    EXPECT_EQ(PaintedPixel(GridWindow(), left + 100 - 1, y), lineColor);
    EXPECT_EQ(PaintedPixel(GridWindow(), left + 154 - 1, y), blank);

    Grid().Column(1).SetIndex(0);
    EXPECT_EQ(Grid().Column(0).FieldName(), "Path");
    EXPECT_EQ(Grid().Column(0).Index(), 0);
    EXPECT_EQ(Grid().Column(1).Index(), 1);
    EXPECT_EQ(HeaderItemText(header, 0), "Путь");
    EXPECT_EQ(HeaderItemWidth(header, 0), 205);
    EXPECT_EQ(PaintedPixel(GridWindow(), left + 205 - 1, y), lineColor);
    EXPECT_EQ(PaintedPixel(GridWindow(), left + 205 + 100 - 1, y), lineColor);
}

TEST_F(DBGridTest, ALayoutBatchReachesTheScreenOnlyAtItsEnd)
{
    form.Show();
    HWND header = Grid().TitleHandle();
    Grid().BeginLayout();
    Grid().Column(1).SetIndex(0);
    Grid().Column(0).SetWidth(50);
    EXPECT_EQ(HeaderItemText(header, 0), "Название базы");
    EXPECT_EQ(HeaderItemWidth(header, 0), 154);
    Grid().EndLayout();
    EXPECT_EQ(HeaderItemText(header, 0), "Путь");
    EXPECT_EQ(HeaderItemWidth(header, 0), 50);
    EXPECT_EQ(HeaderItemWidth(header, 1), 154);
}

TEST_F(DBGridTest, DraggingATitleEdgeResizesTheColumn)
{
    EXPECT_EQ(DragTitle(154, 194, 20), 1);
    EXPECT_EQ(Grid().Column(0).Width(), 194);
    EXPECT_EQ(Grid().Column(0).FieldName(), "Name");
    EXPECT_EQ(HeaderItemWidth(Grid().TitleHandle(), 0), 194);
}

TEST_F(DBGridTest, DraggingATitleMovesTheColumn)
{
    EXPECT_EQ(DragTitle(250, 10, -10), 1);
    HWND header = Grid().TitleHandle();
    EXPECT_EQ(Grid().Column(0).FieldName(), "Path");
    EXPECT_EQ(Grid().Column(1).FieldName(), "Name");
    EXPECT_EQ(HeaderItemText(header, 0), "Путь");
    EXPECT_EQ(HeaderItemText(header, 1), "Название базы");
    std::vector<int> order(2);
    SendMessageW(header, HDM_GETORDERARRAY, 2, reinterpret_cast<LPARAM>(order.data()));
    EXPECT_EQ(order, (std::vector<int>{0, 1}));
}

TEST_F(DBGridTest, SelectingAColumnBeyondTheRightEdgeScrollsItIntoView)
{
    Fill(3);
    Grid().SetBounds({0, 0, 250, 300});
    ShowFocused();
    EXPECT_EQ(Grid().HorizontalOffset(), 0);
    PressKey(GridWindow(), VK_RIGHT);
    RECT client;
    GetClientRect(GridWindow(), &client);
    int page = client.right - TRxDBGrid::kIndicatorWidth;
    EXPECT_EQ(Grid().HorizontalOffset(), 154 + 205 - page);
    RECT header;
    GetWindowRect(Grid().TitleHandle(), &header);
    MapWindowPoints(nullptr, GetParent(Grid().TitleHandle()), reinterpret_cast<POINT*>(&header), 2);
    EXPECT_EQ(header.left, -Grid().HorizontalOffset());
    // A click lands on the column drawn under the mouse, scrolling included.
    Click(GridWindow(), TRxDBGrid::kIndicatorWidth + 2, LineY(0));
    EXPECT_EQ(Grid().SelectedIndex(), 0);
    EXPECT_EQ(Grid().HorizontalOffset(), 0);
}

TEST_F(DBGridTest, ColumnsOfTheWidestStoredWidthsStillScrollAndTakeClicks)
{
    Fill(3);
    ShowFocused();
    const int widest = 2147483647 - 10;
    Grid().Column(0).SetWidth(widest);
    Grid().Column(1).SetWidth(widest);
    EXPECT_EQ(Grid().Column(1).Width(), widest);  // kept as given, for the layout store
    PressKey(GridWindow(), VK_END);
    EXPECT_EQ(Grid().SelectedIndex(), 1);
    EXPECT_GT(Grid().HorizontalOffset(), 0);
    Click(GridWindow(), TRxDBGrid::kIndicatorWidth + 2, LineY(0));
    EXPECT_EQ(Grid().SelectedIndex(), 1);
}

namespace {

// Events about the rows of one grid, as screen readers hear them: row
// numbers from 1, 0 for the list itself.
class GridEvents {
public:
    explicit GridEvents(HWND grid)
        : hook_(SetWinEventHook(EVENT_OBJECT_CREATE, EVENT_OBJECT_SELECTION, nullptr, &GridEvents::Heard,
                                GetCurrentProcessId(), 0, WINEVENT_OUTOFCONTEXT))
    {
        grid_ = grid;
        heard_.clear();
    }
    GridEvents(const GridEvents&) = delete;
    GridEvents& operator=(const GridEvents&) = delete;
    ~GridEvents() { UnhookWinEvent(hook_); }

    std::vector<std::pair<DWORD, LONG>> Take()
    {
        DispatchQueued();
        return std::exchange(heard_, {});
    }

private:
    static void CALLBACK Heard(HWINEVENTHOOK, DWORD event, HWND window, LONG object, LONG child, DWORD, DWORD)
    {
        if (window == grid_ && object == OBJID_CLIENT && event != EVENT_OBJECT_SHOW && event != EVENT_OBJECT_HIDE)
            heard_.emplace_back(event, child);
    }
    static inline HWND grid_ = nullptr;
    static inline std::vector<std::pair<DWORD, LONG>> heard_;
    HWINEVENTHOOK hook_;
};

}  // namespace

TEST_F(DBGridTest, ScreenReadersHearOfTheCurrentRowAndOfRowsAddedDeletedAndSorted)
{
    Fill(5);
    ShowFocused();
    GridEvents events(GridWindow());
    const std::string_view added[] = {"Строка 000000", "П"};
    struct {
        const char* what;
        std::function<void()> action;
        std::vector<std::pair<DWORD, LONG>> expected;
    } cases[] = {
        {"Down", [&] { PressKey(GridWindow(), VK_DOWN); }, {{EVENT_OBJECT_SELECTION, 2}, {EVENT_OBJECT_FOCUS, 2}}},
        {"a column", [&] { PressKey(GridWindow(), VK_RIGHT); }, {}},
        {"a row added",
         [&] { table.InsertRowWithTexts(added); },
         {{EVENT_OBJECT_CREATE, 2}, {EVENT_OBJECT_SELECTION, 2}, {EVENT_OBJECT_FOCUS, 2}}},
        {"the list sorted",
         [&] { table.SortByFields("Name", true, false); },
         {{EVENT_OBJECT_REORDER, 0}, {EVENT_OBJECT_SELECTION, 1}, {EVENT_OBJECT_FOCUS, 1}}},
        {"Ctrl+End",
         [&] { PressKey(GridWindow(), VK_END, true); },
         {{EVENT_OBJECT_SELECTION, 6}, {EVENT_OBJECT_FOCUS, 6}}},
        {"the last row deleted",
         [&] { PressKey(GridWindow(), VK_DELETE, true); },
         {{EVENT_OBJECT_DESTROY, 6}, {EVENT_OBJECT_SELECTION, 5}, {EVENT_OBJECT_FOCUS, 5}}},
        // As the editor adds an entry: told once, where the sort put it.
        {"a row added and sorted into its place",
         [&] {
             table.InsertRow();
             table.SetFieldText("Name", "Строка 000002a");
             table.PostRow();
             table.SortByFields("Name", true, false);
         },
         {{EVENT_OBJECT_CREATE, 4}, {EVENT_OBJECT_SELECTION, 4}, {EVENT_OBJECT_FOCUS, 4}}},
        {"the sorted list sorted again", [&] { table.SortByFields("Name", true, false); }, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        c.action();
        EXPECT_EQ(events.Take(), c.expected);
    }
}

TEST_F(DBGridTest, AnAccessibleObjectKeptAfterTheGridWentFailsInsteadOfReachingIt)
{
    Fill(3);
    form.Show();
    ComPtr<IAccessible> object = AccessibleOf(GridWindow());
    ASSERT_TRUE(object);
    long count = 0;
    EXPECT_EQ(object->get_accChildCount(&count), S_OK);
    EXPECT_EQ(count, 3);

    Grid().DestroyWindowHandle();
    EXPECT_EQ(object->get_accChildCount(&count), CO_E_OBJNOTCONNECTED);
    BSTR name = nullptr;
    EXPECT_EQ(object->get_accName(Child(CHILDID_SELF), &name), CO_E_OBJNOTCONNECTED);
    EXPECT_EQ(name, nullptr);
}

TEST_F(DBGridTest, ACellThatShowsItsTextCutShortShowsItWholeInATooltipOnHover)
{
    const std::string longPath = "C:\\Базы\\" + std::string(80, 'Ж') + "\\Склад";
    Fill(3, longPath);
    form.Show();
    const HWND grid = GridWindow();
    const int pathX = Grid().IndicatorWidth() + 154 + 20;
    auto hover = [&](int x, int y) {
        SendMessageW(grid, WM_MOUSEMOVE, 0, Point(x, y));
        return ToolTipText(grid, 1);
    };
    EXPECT_EQ(hover(pathX, LineY(1)), Wide(longPath));
    EXPECT_EQ(hover(20, LineY(1)), L"") << "a name shown whole";
    EXPECT_EQ(hover(pathX, LineY(2)), Wide(longPath));
    EXPECT_EQ(hover(3, LineY(2)), L"") << "the indicator";
    EXPECT_EQ(hover(pathX, LineY(5)), L"") << "below the rows";
    // Rows or columns that change under the mouse take the tip away until
    // the mouse moves again.
    table.SetCurrentRowNumber(3);
    EXPECT_EQ(ToolTipText(grid, 1), L"");
    EXPECT_EQ(hover(pathX + 1, LineY(0)), Wide(longPath));
    Grid().Column(1).SetWidth(3000);
    EXPECT_EQ(ToolTipText(grid, 1), L"");
    EXPECT_EQ(hover(pathX, LineY(0)), L"") << "now wide enough";
}
