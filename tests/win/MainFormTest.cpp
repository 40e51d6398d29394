#include "GridTestSupport.h"

#include "forms/HelpUnit.h"
#include "forms/MainUnit.h"
#include "forms/NewBaseUnit.h"
#include "platform/Dpi.h"

#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>

namespace {

int FontHeightOf(HWND control)
{
    LOGFONTW font{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)), sizeof(font), &font);
    return font.lfHeight;
}

// The width of the icon's colour image; 0 for an icon without one.
int IconWidth(HICON icon)
{
    ICONINFO info{};
    if (!GetIconInfo(icon, &info))
        return 0;
    BITMAP bitmap{};
    GetObjectW(info.hbmColor, sizeof(bitmap), &bitmap);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    return bitmap.bmWidth;
}

// A pause that starts a new type-ahead text.
DWORD BasePause()
{
    return TRxDBGrid::kTypingPauseMs + 100;
}

class MainFormTest : public testing::Test {
protected:
    void SetUp() override
    {
        TestApplication();
        MainForm = &form;
        NewBaseForm = &editor;
        // These tests are about the window itself; what earlier tests left
        // in the registry must not move or resize it.
        form.MainFormStorage.Active = false;
        editor.FormStorage1.Active = false;
        form.Create();
        editor.Create();
        // Whatever Bases.dat lies beside the test program stays out of the tests.
        Table().SetActive(false);
        Table().SetActive(true);
        ReportedErrors().clear();
    }
    void TearDown() override
    {
        editor.Destroy();
        form.Destroy();
        MainForm = nullptr;
        NewBaseForm = nullptr;
        EXPECT_TRUE(ReportedErrors().empty());
    }

    TRxMemoryData& Table() { return form.BaseRxMemoryData; }
    HWND Grid() { return form.MainRxDBGrid.Handle(); }

    void AddEntries(std::initializer_list<const char*> names)
    {
        for (const char* name : names) {
            Table().InsertRow();
            Table().SetFieldText("Name", name);
            Table().SetFieldText("Path", std::string("C:\\Базы\\") + name);
            Table().PostRow();
        }
        Table().SortByFields("Name", true, false);
    }

    // Shows the main window and presses "Удалить базу"; `answer` runs inside
    // the message box and must close it.
    void DeleteWithAnswer(const std::function<void(HWND box)>& answer)
    {
        form.Show();
        bool shown = false;
        PostAction([&] {
            HWND box = FindThreadWindow(L"TMessageForm");
            shown = box != nullptr;
            if (box)
                answer(box);
        });
        form.DeleteBaseButton.Click();
        EXPECT_TRUE(shown);
        EXPECT_EQ(FindThreadWindow(L"TMessageForm"), nullptr);
    }

    TScopedForm<TMainForm> form;
    TScopedForm<TNewBaseForm> editor;
};

}  // namespace

TEST_F(MainFormTest, TheWindowIsBuiltAsDesigned)
{
    EXPECT_EQ(form.Caption(), "Автоматическое открытие периода в базах 1С");
    EXPECT_EQ(ClientSize(form.Handle()), (SIZE{523, 351}));
    EXPECT_EQ(FrameStyles(form.Handle()), WS_SYSMENU | WS_THICKFRAME);
    EXPECT_TRUE(GetWindowLongW(form.Handle(), GWL_EXSTYLE) & WS_EX_CONTEXTHELP);
    EXPECT_NE(SendMessageW(form.Handle(), WM_GETICON, ICON_BIG, 0), 0);
    EXPECT_EQ(form.DefaultButton, nullptr);
    EXPECT_EQ(form.CancelButton, nullptr);

    EXPECT_EQ(BoundsInParent(Grid()), RectOfSize(2, 4, 397, 343));
    TRxDBGrid& g = form.MainRxDBGrid;
    ASSERT_EQ(g.ColumnCount(), 2);
    EXPECT_EQ(g.Column(0).FieldName(), "Name");
    EXPECT_EQ(g.Column(0).Title, "Название базы");
    EXPECT_EQ(g.Column(0).Width(), 154);
    EXPECT_EQ(g.Column(1).FieldName(), "Path");
    EXPECT_EQ(g.Column(1).Title, "Путь");
    EXPECT_EQ(g.Column(1).Width(), 205);
    EXPECT_EQ(g.DataSource(), &form.BaseDataSource);
    EXPECT_EQ(HeaderItemText(g.TitleHandle(), 0), "Название базы");
}

TEST_F(MainFormTest, TheTaskbarsWindowShowsTheTitleAndTheProgramsIconInBothSizes)
{
    HWND owner = TestApplication().Handle();
    wchar_t caption[MAX_PATH];
    EXPECT_EQ(std::wstring(caption, GetWindowTextW(owner, caption, MAX_PATH)), TestApplication().WideTitle());
    EXPECT_EQ(GetWindow(form.Handle(), GW_OWNER), owner);
    const int sizes[][2] = {{ICON_BIG, GetSystemMetrics(SM_CXICON)}, {ICON_SMALL, GetSystemMetrics(SM_CXSMICON)}};
    for (const auto& [kind, width] : sizes) {
        SCOPED_TRACE(kind);
        auto icon = reinterpret_cast<HICON>(SendMessageW(owner, WM_GETICON, kind, 0));
        ASSERT_NE(icon, nullptr);
        EXPECT_NE(icon, LoadIconW(nullptr, IDI_APPLICATION));
        EXPECT_EQ(IconWidth(icon), width);
    }
}

TEST_F(MainFormTest, FocusStartsOnAddBaseAndTabRunsThroughTheDesignedOrder)
{
    form.Show();
    EXPECT_EQ(GetFocus(), form.AddBaseButton.Handle());
    HWND expected[] = {form.HelpButton.Handle(), form.ButtonClose.Handle(), Grid(), form.DeleteBaseButton.Handle(),
                       form.AddBaseButton.Handle()};
    HWND at = form.AddBaseButton.Handle();
    for (HWND next : expected) {
        at = GetNextDlgTabItem(form.Handle(), at, FALSE);
        EXPECT_EQ(at, next);
    }
    form.Hide();
}

TEST_F(MainFormTest, ControlsFollowTheEdgesAndTheWindowKeepsItsMinimumSize)
{
    form.Show();
    const SIZE outer = OuterSize(form.Handle());
    ResizeWindow(form.Handle(), outer.cx + 100, outer.cy + 60);
    struct {
        HWND control;
        int left, top;
    } moved[] = {
        {form.AddBaseButton.Handle(), 503, 5},
        {form.DeleteBaseButton.Handle(), 503, 32},
        {form.HelpButton.Handle(), 503, 355},
        {form.ButtonClose.Handle(), 503, 382},
    };
    for (const auto& m : moved) {
        RECT r = BoundsInParent(m.control);
        EXPECT_EQ(r.left, m.left);
        EXPECT_EQ(r.top, m.top);
    }
    EXPECT_EQ(BoundsInParent(Grid()), RectOfSize(2, 4, 497, 403));
    EXPECT_EQ(Table().WindowSize(), form.MainRxDBGrid.VisibleRowCount());

    EXPECT_EQ(ResizeWindow(form.Handle(), 100, 100), (SIZE{400, 300}));
    form.Hide();
}

TEST_F(MainFormTest, MovedToAMonitorOfAnotherDensityTheWindowRedrawsItsControlsAtIt)
{
    form.Show();
    TRxDBGrid& grid = form.MainRxDBGrid;
    grid.Column(0).SetWidth(200);  // as the operator or the stored layout left it
    const int rowHeight = grid.RowHeight();
    RECT before;
    GetWindowRect(form.Handle(), &before);

    // What Windows suggests for 150 %: the client area scaled, in the frame
    // the window has (Wine draws every frame at the system's density).
    const int from = form.Dpi(), to = ScaleForDpi(from, 3, 2);
    RECT suggested{0, 0, ScaleForDpi(523, to), ScaleForDpi(351, to)};
    AdjustWindowRectEx(&suggested, GetWindowLongW(form.Handle(), GWL_STYLE), FALSE,
                       GetWindowLongW(form.Handle(), GWL_EXSTYLE));
    OffsetRect(&suggested, 40 - suggested.left, 30 - suggested.top);
    SendMessageW(form.Handle(), WM_DPICHANGED, MAKEWPARAM(to, to), reinterpret_cast<LPARAM>(&suggested));

    EXPECT_EQ(form.Dpi(), to);
    RECT now;
    GetWindowRect(form.Handle(), &now);
    EXPECT_TRUE(EqualRect(&now, &suggested));
    EXPECT_EQ(BoundsInParent(form.AddBaseButton.Handle()),
              RectOfSize(ScaleForDpi(403, to), ScaleForDpi(5, to), ScaleForDpi(117, to), ScaleForDpi(25, to)));
    EXPECT_EQ(FontHeightOf(form.AddBaseButton.Handle()), -ScaleForDpi(11, to));
    EXPECT_EQ(FontHeightOf(Grid()), -ScaleForDpi(11, to));
    EXPECT_GT(grid.RowHeight(), rowHeight);
    EXPECT_EQ(grid.IndicatorWidth(), ScaleForDpi(TRxDBGrid::kIndicatorWidth, to));
    EXPECT_EQ(grid.Column(0).Width(), ScaleForDpi(200, to, from));
    EXPECT_EQ(grid.Column(1).Width(), ScaleForDpi(205, to));
    auto smallIcon = reinterpret_cast<HICON>(SendMessageW(form.Handle(), WM_GETICON, ICON_SMALL, 0));
    EXPECT_EQ(IconWidth(smallIcon), SystemMetricForDpi(SM_CXSMICON, to));

    // And back, as the window was.
    SendMessageW(form.Handle(), WM_DPICHANGED, MAKEWPARAM(from, from), reinterpret_cast<LPARAM>(&before));
    EXPECT_EQ(BoundsInParent(form.AddBaseButton.Handle()).left, ScaleForDpi(403, from));
    EXPECT_EQ(FontHeightOf(Grid()), -ScaleForDpi(11, from));
    EXPECT_EQ(grid.RowHeight(), rowHeight);
    EXPECT_EQ(grid.Column(0).Width(), 200);
    EXPECT_EQ(grid.Column(1).Width(), ScaleForDpi(205, from));
    form.Hide();
}

TEST_F(MainFormTest, DeletingFromAnEmptyListOnlyWarns)
{
    std::string caption, text;
    bool hasCancel = true;
    DeleteWithAnswer([&](HWND box) {
        caption = TextOf(box);
        text = TextOf(FindChild(box, L"Static"));
        hasCancel = FindChild(box, L"Button", L"Cancel") != nullptr;
        PostMessageW(GetFocus(), WM_KEYDOWN, VK_ESCAPE, 0);
    });
    EXPECT_EQ(caption, "Warning");
    EXPECT_EQ(text, "Выберите базу!");
    EXPECT_FALSE(hasCancel);
    EXPECT_TRUE(Table().IsTableEmpty());
}

struct Answer {
    const char* what;
    std::function<void(HWND box)> give;
    bool deletes;
};

TEST_F(MainFormTest, OnlyOkInTheQuestionDeletesTheCurrentEntry)
{
    auto press = [](const wchar_t* label) {
        return [label](HWND box) { SendMessageW(FindChild(box, L"Button", label), BM_CLICK, 0, 0); };
    };
    auto key = [](WORD k) { return [k](HWND) { PostMessageW(GetFocus(), WM_KEYDOWN, k, 0); }; };
    const Answer answers[] = {
        {"Cancel", press(L"Cancel"), false},
        {"Esc", key(VK_ESCAPE), false},
        {"the close box", [](HWND box) { PostMessageW(box, WM_CLOSE, 0, 0); }, false},
        {"OK", press(L"OK"), true},
        {"Enter on the first button", key(VK_RETURN), true},
    };
    for (const Answer& a : answers) {
        SCOPED_TRACE(a.what);
        Table().SetActive(false);
        Table().SetActive(true);
        AddEntries({"Гамма", "Альфа", "Бета"});  // Бета, loaded last, is current
        std::string question;
        DeleteWithAnswer([&](HWND box) {
            question = TextOf(FindChild(box, L"Static"));
            a.give(box);
        });
        EXPECT_EQ(question, "Удалить базу \"Бета\"?");
        EXPECT_EQ(Table().RowCount(), a.deletes ? 2 : 3);
        EXPECT_EQ(Table().GetFieldText("Name"), a.deletes ? "Гамма" : "Бета");
    }
    form.Hide();
}

TEST_F(MainFormTest, CtrlDeleteInTheGridDeletesWithoutAQuestion)
{
    AddEntries({"Альфа", "Бета"});
    form.Show();
    form.MainRxDBGrid.SetFocus();
    bool asked = false;
    PostAction([&] {
        // Only reached if a box came up: close it so that the test ends.
        if (HWND box = FindThreadWindow(L"TMessageForm")) {
            asked = true;
            PostMessageW(box, WM_CLOSE, 0, 0);
        }
    });
    PressKey(Grid(), VK_DELETE, true);
    Pump(30);
    EXPECT_FALSE(asked);
    EXPECT_EQ(Table().RowCount(), 1);
    EXPECT_EQ(Table().GetFieldText("Name"), "Альфа");
    form.Hide();
}

TEST_F(MainFormTest, ADoubleClickEnterF2AndAnEntrysDefaultActionOpenTheEditorToEditThatEntry)
{
    AddEntries({"Альфа", "Бета", "Гамма"});
    form.Show();
    form.MainRxDBGrid.SetFocus();
    auto defaultAction = [&](LONG row) {
        EXPECT_EQ(AccessibleOf(Grid())->accDoDefaultAction(Child(row)), S_OK);
        // The call has returned; the editor opens from the message loop.
        EXPECT_FALSE(editor.Visible());
        DispatchQueued();
    };
    struct Way {
        const char* what;
        std::function<void()> open;
        const char* entry;
    };
    const Way ways[] = {
        // On the title row: where the double-click lands does not matter.
        {"a double-click",
         [&] { SendMessageW(form.MainRxDBGrid.TitleHandle(), WM_LBUTTONDBLCLK, MK_LBUTTON, Point(20, 5)); }, "Альфа"},
        {"Enter", [&] { PressKey(Grid(), VK_RETURN); }, "Альфа"},
        {"F2", [&] { PressKey(Grid(), VK_F2); }, "Альфа"},
        {"the third entry's default action", [&] { defaultAction(3); }, "Гамма"},
    };
    for (const Way& way : ways) {
        SCOPED_TRACE(way.what);
        Table().GoToFirstRow();
        NewBaseMode = true;
        bool editorShown = false;
        bool modeDuringShow = true;
        std::string shownName;
        PostAction([&] {
            editorShown = editor.Visible();
            modeDuringShow = NewBaseMode;
            shownName = editor.NameEdit.Text();
            editor.Close();
        });
        way.open();
        EXPECT_TRUE(editorShown);
        EXPECT_FALSE(modeDuringShow);
        EXPECT_EQ(shownName, way.entry);
        EXPECT_FALSE(editor.Visible());
        EXPECT_EQ(Table().RowCount(), 3);
        ClearPendingActions();  // one that no editor ran
    }
    form.Hide();
}

TEST_F(MainFormTest, F1AndTheCaptionsHelpButtonShowTheHelpFromTheMainWindowAndTheEditor)
{
    TScopedForm<THelpForm> help;
    help.HelpFormStorage.Active = false;
    help.Create();
    HelpForm = &help;
    form.Show();
    struct Case {
        const char* what;
        TForm& from;
        std::function<void()> ask;
    };
    HELPINFO info{};
    info.cbSize = sizeof(info);
    info.iContextType = HELPINFO_WINDOW;
    const Case cases[] = {
        {"F1 in the main window", form, [&] { PressKey(form.AddBaseButton.Handle(), VK_F1); }},
        {"F1 in the grid", form, [&] { PressKey(Grid(), VK_F1); }},
        {"the caption's help button", form, [&] { SendMessageW(form.Handle(), WM_SYSCOMMAND, SC_CONTEXTHELP, 0); }},
        {"WM_HELP", form, [&] { SendMessageW(form.Handle(), WM_HELP, 0, reinterpret_cast<LPARAM>(&info)); }},
        {"F1 in the editor", editor, [&] { PressKey(editor.NameEdit.Handle(), VK_F1); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        bool modal = false, fromDisabled = false;
        auto askAndAnswer = [&] {
            PostAction([&] {
                modal = help.Visible() && help.Modal();
                fromDisabled = !IsWindowEnabled(c.from.Handle());
                help.ButtonClose.Click();
            });
            c.ask();
        };
        if (&c.from == &editor) {
            NewBaseMode = true;
            PostAction([&] {
                askAndAnswer();
                editor.CancelButton.Click();
            });
            editor.ShowModal();
        } else {
            askAndAnswer();
        }
        EXPECT_TRUE(modal);
        EXPECT_TRUE(fromDisabled);
        EXPECT_FALSE(help.Visible());
        EXPECT_TRUE(IsWindowEnabled(form.Handle()));
    }
    form.Hide();
    help.Destroy();
    HelpForm = nullptr;
}

TEST_F(MainFormTest, TypingInTheGridFindsTheFirstNameStartingWithTheTextAsTheSortComparesIt)
{
    AddEntries({"Альфа", "бета", "Бетон", "Ёлка", "Елена", "Жук", "Zeta"});
    form.Show();
    form.MainRxDBGrid.SetFocus();
    auto type = [&](const wchar_t* text) {
        for (const wchar_t* c = text; *c; ++c)
            PostMessageW(Grid(), WM_CHAR, *c, 1);
        Pump(20);
        return Table().GetFieldText("Name");
    };
    // Case and Е/Ё as the collation has them, not bytes: "Б" finds "бета".
    EXPECT_EQ(type(L"Б"), "бета");
    EXPECT_EQ(type(L"ЕТО"), "Бетон");
    EXPECT_EQ(type(L"x"), "Бетон");  // no name starts with "бетоx": the entry stays
    Sleep(BasePause());
    EXPECT_EQ(type(L"ё"), "Ёлка");
    Sleep(BasePause());
    EXPECT_EQ(type(L"е"), "Елена");
    Sleep(BasePause());
    EXPECT_EQ(type(L"z"), "Zeta");
    // Other keys keep their meaning; Backspace and Enter edit nothing.
    PressKey(Grid(), VK_DOWN);
    EXPECT_EQ(Table().GetFieldText("Name"), "Альфа");
    type(L"\b\r");
    EXPECT_EQ(Table().GetFieldText("Name"), "Альфа");
    EXPECT_EQ(Table().RowCount(), 7);
    EXPECT_EQ(Table().State(), TDataSetState::dsBrowse);
    form.Hide();
}
