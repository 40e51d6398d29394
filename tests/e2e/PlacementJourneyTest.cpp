// Journey 4: the operator arranges the windows and the grid's columns, and
// the next run shows them the same way. The main window is moved and
// resized, the editor and the About window are moved (as a window manager
// moves them), and in the grid the "Название базы" column is widened and the
// "Путь" column dragged in front of it with the mouse on the titles.
#include "Operator.h"
#include "Outcomes.h"
#include "ProgramUnderTest.h"
#include "ProgramWindows.h"
#include "Screenshot.h"
#include "WindowQuery.h"

#include "platform/Handles.h"

#include <gtest/gtest.h>

#include <cstring>
#include <cwchar>
#include <iterator>
#include <vector>

namespace {

constexpr RECT kMainBounds{100, 80, 740, 560};
constexpr POINT kEditorAt{40, 600}, kAboutAt{480, 30};

void MoveTo(HWND window, POINT at)
{
    SetWindowPos(window, nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    Settle(window);
}

POINT TopLeft(HWND window)
{
    RECT r = WindowRect(window);
    return {r.left, r.top};
}

SIZE SizeOf(HWND window)
{
    RECT r = WindowRect(window);
    return {r.right - r.left, r.bottom - r.top};
}

std::string Text(const RECT& r)
{
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
           std::to_string(r.bottom);
}

// Checks that the window stands at `expectAt`, then moves it to `moveTo`,
// each where given.
void ExpectAtThenMove(HWND window, const POINT* expectAt, const POINT* moveTo)
{
    if (expectAt) {
        POINT at = TopLeft(window);
        EXPECT_EQ(at.x, expectAt->x);
        EXPECT_EQ(at.y, expectAt->y);
    }
    if (moveTo)
        MoveTo(window, *moveTo);
}

// Opens the editor for a new entry, checks or sets its place, cancels.
SIZE VisitEditor(const ProgramUnderTest& program, HWND main, const POINT* moveTo, const POINT* expectAt)
{
    PressButton(main, L"Добавить базу");
    HWND editor = WaitForEditor(program, kNewBaseCaption);
    ExpectAtThenMove(editor, expectAt, moveTo);
    SIZE size = SizeOf(editor);
    CloseWithButton(editor, L"Отмена", "the editor");
    return size;
}

void VisitAbout(const ProgramUnderTest& program, HWND main, const POINT* moveTo, const POINT* expectAt,
                const wchar_t* shot)
{
    PressButton(main, L"Помощь");
    HWND about = WaitForWindow(program.ProcessId(), kHelpFormClass, kHelpCaption);
    if (shot)
        SaveScreenshot(about, shot);
    ExpectAtThenMove(about, expectAt, moveTo);
    CloseWithButton(about, L"Закрыть", "the About window");
}

// The work area of the window's monitor.
RECT WorkAreaOf(HWND window)
{
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor);
    return monitor.rcWork;
}

// Every control of the window lies whole inside its client area and clear of
// the others, and the window lies whole on its monitor's work area.
void ExpectControlsWholeAndApart(HWND window, const char* name)
{
    SCOPED_TRACE(name);
    const RECT client = ClientRect(window);
    std::vector<RECT> placed;
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (!IsWindowVisible(child))
            continue;
        RECT r = WindowRect(child);
        MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&r), 2);
        const std::string what = Utf8(ClassOf(child)) + " \"" + Utf8(TextOf(child)) + "\" at " + Text(r);
        EXPECT_TRUE(r.left >= 0 && r.top >= 0 && r.right <= client.right && r.bottom <= client.bottom)
            << what << " outside " << Text(client);
        for (const RECT& other : placed) {
            RECT common;
            EXPECT_FALSE(IntersectRect(&common, &r, &other)) << what << " over " << Text(other);
        }
        placed.push_back(r);
    }
    EXPECT_GE(placed.size(), 3u);
    const RECT work = WorkAreaOf(window);
    RECT outer = WindowRect(window), inside;
    IntersectRect(&inside, &outer, &work);
    EXPECT_TRUE(EqualRect(&inside, &outer)) << Text(outer) << " beyond " << Text(work);
}

void WriteRegistryText(const std::string& key, const char* name, const std::string& value)
{
    HKEY handle = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &handle, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(handle, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()), DWORD(value.size() + 1));
    RegCloseKey(handle);
}

// Densities for the journey below: AUTOPERIOD_E2E_DENSITIES ("96 120 144
// 192"), or the desktop's and 150 % of it.
std::vector<int> Densities()
{
    std::vector<int> densities;
    wchar_t text[128] = {};
    if (GetEnvironmentVariableW(L"AUTOPERIOD_E2E_DENSITIES", text, DWORD(std::size(text))) > 0) {
        for (wchar_t* at = text; *at;) {
            wchar_t* end = nullptr;
            long dpi = std::wcstol(at, &end, 10);
            if (end == at)
                break;
            densities.push_back(int(dpi));
            at = end;
        }
        return densities;
    }
    WindowDC screen(nullptr);
    const int desktop = GetDeviceCaps(screen, LOGPIXELSY);
    return {desktop, MulDiv(desktop, 3, 2)};
}

}  // namespace

// At any pixel density the windows keep their designed proportions and
// every window shows its controls whole and apart: the program is started
// at the desktop's density and at 150 % of it. scripts/dpi-screenshots runs
// this journey at 96, 120, 144 and 192 dots per inch and keeps its pictures
// in doc/dpi/.
TEST(PlacementJourney, AtEveryDensityEveryWindowShowsItsControlsWholeAndApart)
{
    // The pointer out of the way: a title under it would be drawn lit.
    SetCursorPos(0, 0);
    for (int dpi : Densities()) {
        SCOPED_TRACE(std::to_string(dpi) + " dots per inch");
        ProgramUnderTest program;
        program.WriteFile(L"Bases.dat",
                          BaseListBytes({{"Бухгалтерия 2024", "C:\\Базы\\Бухгалтерия", "Иванов И.И.", "1"},
                                         {"Зарплата и кадры", "C:\\Базы\\Зарплата", "Петрова", ""},
                                         {"Склад", "D:\\1C\\Склад", "Кладовщик", ""}}));
        HWND main = program.StartToMainWindow(dpi);
        const RECT client = ClientRect(main);
        EXPECT_EQ(client.right, MulDiv(523, dpi, 96));
        EXPECT_EQ(client.bottom, MulDiv(351, dpi, 96));
        auto look = [dpi](HWND window, const char* name) {
            SaveScreenshot(window,
                           L"dpi-" + std::wstring(name, name + std::strlen(name)) + L"-" + std::to_wstring(dpi));
            ExpectControlsWholeAndApart(window, name);
        };
        look(main, "main");
        // Presses `button` in `from`, looks at the window `open` finds, and
        // closes it with `close`.
        auto visit = [&](HWND from, const wchar_t* button, auto open, const char* name, const wchar_t* close) {
            PressButton(from, button);
            HWND window = open();
            look(window, name);
            CloseWithButton(window, close, name);
        };

        PressButton(main, L"Добавить базу");
        HWND editor = WaitForEditor(program, kNewBaseCaption);
        look(editor, "editor");
        visit(
            editor, L"...",
            [&] { return WaitForWindow(program.ProcessId(), kSelectDirectoryFormClass, kSelectDirectoryCaption); },
            "chooser", L"Отмена");
        CloseWithButton(editor, L"Отмена", "the editor");
        visit(
            main, L"Удалить базу", [&] { return WaitForMessageForm(program, L"Confirm"); }, "message", L"Cancel");
        visit(
            main, L"Помощь", [&] { return WaitForWindow(program.ProcessId(), kHelpFormClass, kHelpCaption); }, "about",
            L"Закрыть");
        program.CloseAndWait(main);
        // Widths are stored as at 100 %, whatever the density they were shown at.
        const std::string gridKey = program.RegistryKey("MainForm\\TMainFormMainRxDBGrid");
        EXPECT_EQ(ReadRegistryText(gridKey, "MainRxDBGrid.Name"), "0,154");
        EXPECT_EQ(ReadRegistryText(gridKey, "MainRxDBGrid.Path"), "1,205");
    }
}

// A layout the operator left at 100 % looks the same at any density: each
// column as wide, for its text, as it was. scripts/dpi-screenshots keeps
// the picture at 200 % in doc/a11y/.
TEST(PlacementJourney, AColumnLayoutStoredAt100PercentLooksTheSameAtAnyDensity)
{
    SetCursorPos(0, 0);
    for (int dpi : Densities()) {
        SCOPED_TRACE(std::to_string(dpi) + " dots per inch");
        ProgramUnderTest program;
        program.WriteFile(L"Bases.dat",
                          BaseListBytes({{"Бухгалтерия ООО «Ромашка» (рабочая)",
                                          "\\\\server\\1C\\Бухгалтерия\\2024\\Ромашка", "Иванов И.И.", "1"},
                                         {"Склад", "D:\\1C\\Склад", "Кладовщик", ""}}));
        const std::string gridKey = program.RegistryKey("MainForm\\TMainFormMainRxDBGrid");
        WriteRegistryText(gridKey, "MainRxDBGrid.Path", "0,240");
        WriteRegistryText(gridKey, "MainRxDBGrid.Name", "1,180");
        HWND main = program.StartToMainWindow(dpi);
        EXPECT_EQ(ColumnWidthsOf(GridOf(main)), (std::vector<int>{MulDiv(240, dpi, 96), MulDiv(180, dpi, 96)}));
        SaveScreenshot(main, L"layout-main-" + std::to_wstring(dpi));
        program.CloseAndWait(main);
        EXPECT_EQ(ReadRegistryText(gridKey, "MainRxDBGrid.Path"), "0,240");
        EXPECT_EQ(ReadRegistryText(gridKey, "MainRxDBGrid.Name"), "1,180");
    }
}

TEST(PlacementJourney, WindowsAndGridColumnsComeBackAsTheOperatorLeftThem)
{
    ProgramUnderTest program;
    program.WriteFile(L"Bases.dat", BaseListBytes({{"Склад", "\\\\server\\1C\\Store", "Кладовщик", "sklad"},
                                                   {"Бухгалтерия ООО «Ромашка»", "D:\\1C\\Romashka", "Бухгалтер", "1"},
                                                   {"Торговля (копия)", "D:\\1C\\Trade_copy", "Administrator", ""},
                                                   {"Зарплата и кадры", "D:\\1C\\ZUP", "Кадровик", "k2"}}));
    const std::string mainKey = program.RegistryKey("MainForm");
    const std::string gridKey = program.RegistryKey("MainForm\\TMainFormMainRxDBGrid");

    // First run: everything where it was designed; the operator rearranges.
    HWND main = program.StartToMainWindow();
    SaveScreenshot(main, L"main-list");
    SetWindowPos(main, nullptr, kMainBounds.left, kMainBounds.top, kMainBounds.right - kMainBounds.left,
                 kMainBounds.bottom - kMainBounds.top, SWP_NOZORDER | SWP_NOACTIVATE);
    Settle(main);

    std::vector<HWND> headers = Descendants(GridOf(main), WC_HEADERW);
    ASSERT_FALSE(headers.empty()) << "the grid has no titles";
    HWND titles = headers.front();
    const int middle = (ClientRect(titles).bottom) / 2;
    // Widen "Название базы" (154 wide) by its right edge, then drag "Путь"
    // (205 wide, now right of it) by its title to the front.
    PostDrag(titles, {154, middle}, {214, middle});
    Settle(main);
    PostDrag(titles, {214 + 100, middle}, {8, middle});
    Settle(main);

    const SIZE editorSize = VisitEditor(program, main, &kEditorAt, nullptr);
    VisitEditor(program, main, nullptr, &kEditorAt);  // within the run, too
    VisitAbout(program, main, &kAboutAt, nullptr, L"about");
    SaveScreenshot(main, L"main-arranged");
    program.CloseAndWait(main);

    EXPECT_EQ(ReadRegistryText(mainKey, "NormPos"), Text(kMainBounds));
    std::optional<std::string> nameLayout = ReadRegistryText(gridKey, "MainRxDBGrid.Name");
    std::optional<std::string> pathLayout = ReadRegistryText(gridKey, "MainRxDBGrid.Path");
    ASSERT_TRUE(nameLayout && pathLayout) << "the grid's layout was not saved";
    EXPECT_EQ(*pathLayout, "0,205");
    EXPECT_EQ(nameLayout->substr(0, 2), "1,");
    const int nameWidth = std::stoi(nameLayout->substr(2));
    EXPECT_GE(nameWidth, 204);
    EXPECT_LE(nameWidth, 224);

    // Second run: the same arrangement, the dialogs at their designed size.
    main = program.StartToMainWindow();
    RECT bounds = WindowRect(main);
    EXPECT_EQ(Text(bounds), Text(kMainBounds));
    SaveScreenshot(main, L"main-restored");
    SIZE sizeNow = VisitEditor(program, main, nullptr, &kEditorAt);
    EXPECT_EQ(sizeNow.cx, editorSize.cx);
    EXPECT_EQ(sizeNow.cy, editorSize.cy);
    VisitAbout(program, main, nullptr, &kAboutAt, nullptr);
    program.CloseAndWait(main);

    // What the restored grid showed is what its close wrote again.
    EXPECT_EQ(ReadRegistryText(gridKey, "MainRxDBGrid.Path"), pathLayout);
    EXPECT_EQ(ReadRegistryText(gridKey, "MainRxDBGrid.Name"), nameLayout);
    EXPECT_EQ(ReadRegistryText(mainKey, "NormPos"), Text(kMainBounds));
    EXPECT_EQ(ReadRegistryText(program.RegistryKey("NewForm"), "NormPos").value_or("").substr(0, 7), "40,600,");
}

namespace {

void ExpectInside(HWND window, const RECT& work, const char* what)
{
    RECT r = WindowRect(window);
    EXPECT_TRUE(r.left >= work.left && r.top >= work.top && r.right <= work.right && r.bottom <= work.bottom)
        << what << " at " << Text(r) << ", the work area is " << Text(work);
}

}  // namespace

// Run on a Wine desktop of 1024 x 720 (the e2e_tests_small_desktop entry):
// at their designed places the main window (bottom edge 725) and the About
// window (756) would reach below the work area, "Помощь", "Закрыть" with them.
TEST(PlacementJourney, OnASmallDesktopWindowsAreMovedIntoTheWorkAreaAndAStoredPlaceThatFitsIsKept)
{
    ASSERT_EQ(GetSystemMetrics(SM_CYSCREEN), 720) << "this journey needs the 1024 x 720 desktop";
    ProgramUnderTest program;
    program.WriteFile(L"Bases.dat", BaseListBytes({{"Склад", "D:\\1C\\Store", "Кладовщик", ""}}));
    HWND main = program.StartToMainWindow();
    const RECT work = WorkAreaOf(main);
    SaveScreenshot(main, L"main-small-desktop");
    // Moved up, not resized, not moved sideways.
    RECT bounds = WindowRect(main);
    EXPECT_EQ(Text(bounds), Text({332, work.bottom - 378, 863, work.bottom}));
    ExpectInside(Child(main, L"Button", L"Помощь"), work, "\"Помощь\"");
    ExpectInside(Child(main, L"Button", L"Закрыть"), work, "\"Закрыть\"");

    PressButton(main, L"Помощь");
    HWND about = WaitForWindow(program.ProcessId(), kHelpFormClass, kHelpCaption);
    SaveScreenshot(about, L"about-small-desktop");
    ExpectInside(about, work, "the About window");
    EXPECT_EQ(WindowRect(about).left, 323);
    ExpectInside(Child(about, L"Button", L"Закрыть"), work, "the About window's \"Закрыть\"");
    CloseWithButton(about, L"Закрыть", "the About window");

    // The folder chooser, at the platform's default place, on the main window's monitor.
    PressButton(main, L"Добавить базу");
    HWND editor = WaitForEditor(program, kNewBaseCaption);
    ExpectInside(editor, work, "the editor");
    PressButton(editor, L"...");
    HWND chooser = WaitForWindow(program.ProcessId(), kSelectDirectoryFormClass, kSelectDirectoryCaption);
    ExpectInside(chooser, work, "the folder chooser");
    EXPECT_EQ(MonitorFromWindow(chooser, MONITOR_DEFAULTTONULL), MonitorFromWindow(main, MONITOR_DEFAULTTONULL));
    CloseWithButton(chooser, L"Отмена", "the folder chooser");
    CloseWithButton(editor, L"Отмена", "the editor");

    // A stored place that fits comes back exactly; the operator's own move
    // is stored as it is.
    constexpr RECT kFits{100, 40, 731, 518};
    SetWindowPos(main, nullptr, kFits.left, kFits.top, kFits.right - kFits.left, kFits.bottom - kFits.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    Settle(main);
    program.CloseAndWait(main);
    const std::string mainKey = program.RegistryKey("MainForm");
    EXPECT_EQ(ReadRegistryText(mainKey, "NormPos"), Text(kFits));
    main = program.StartToMainWindow();
    EXPECT_EQ(Text(WindowRect(main)), Text(kFits));
    program.CloseAndWait(main);

    // A stored place reaching below the work area (saved on a taller
    // screen) is moved in, its size kept.
    for (const char* name : {"NormPos", "NormPos(1024x720)"})
        WriteRegistryText(mainKey, name, "150,400,750,900");
    main = program.StartToMainWindow();
    EXPECT_EQ(Text(WindowRect(main)), Text({150, work.bottom - 500, 750, work.bottom}));
    program.CloseAndWait(main);
}
