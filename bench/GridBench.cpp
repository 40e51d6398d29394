// Scrolling the main window's grid: a page down and a jump to the end of a
// list of 1 000 000 rows against the same keys on a list of 100, each key
// followed by the repaint it causes. The grid paints only the rows in view
// and the table moves its view window without walking the list, so both
// must cost about the same whatever the length.
//
//   GridBench.exe [--results FILE] [--rows 1000000] [--presses 20]
#include "BenchSupport.h"
#include "ListGridForm.h"

#include "platform/Win32.h"
#include "ui/Application.h"

#include <cstdio>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

// Within this factor, or this many milliseconds, counts as the same cost:
// a repaint of a few rows takes a millisecond or two, and timings that short
// vary by more than their difference.
constexpr double kMaxRatio = 1.5;
constexpr double kSlackMs = 0.5;

// A key press as the user makes it, with the Ctrl state the grid reads,
// dispatched through the application's loop, then the repaint it caused.
void PressKey(TApplication& app, HWND target, WORD key, bool ctrl)
{
    BYTE saved[256], state[256];
    GetKeyboardState(saved);
    GetKeyboardState(state);
    state[VK_CONTROL] = state[VK_LCONTROL] = ctrl ? 0x80 : 0;
    SetKeyboardState(state);
    PostMessageW(target, WM_KEYDOWN, key, 1);
    PostMessageW(target, WM_KEYUP, key, 0xC0000001);
    for (MSG msg; PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE) && msg.message != WM_QUIT;)
        app.ProcessOneMessage();
    SetKeyboardState(saved);
    UpdateWindow(target);
}

struct KeyCosts {
    double page = 0;  // Page Down or Page Up, ms
    double jump = 0;  // Ctrl+End or Ctrl+Home, ms
};

KeyCosts Measure(TApplication& app, int rows, int presses)
{
    TScopedForm<TListGridForm> form("GridBenchForm", "TGridBenchForm",
                                    {.Caption = "Grid", .Bounds = {40, 40, 560, 420}}, {0, 0, 560, 420},
                                    akLeft | akTop | akRight | akBottom);
    form.Create();
    TRxMemoryData& table = form.BaseRxMemoryData;
    for (int i = rows; i >= 1; --i) {
        char name[32];
        std::snprintf(name, sizeof name, "База %07d", i);
        table.InsertRow();
        table.SetFieldText("Name", name);
        table.SetFieldText("Path", "D:\\Базы 1С\\Бухгалтерия");
        table.PostRow();
    }
    table.GoToFirstRow();
    form.Show();
    HWND grid = form.MainRxDBGrid.Handle();
    SetFocus(grid);
    UpdateWindow(grid);

    std::vector<double> pages, jumps;
    for (int i = 0; i < presses; ++i) {
        for (WORD key : {WORD(VK_NEXT), WORD(VK_PRIOR)}) {
            double start = Now();
            PressKey(app, grid, key, false);
            pages.push_back((Now() - start) * 1000);
        }
        for (WORD key : {WORD(VK_END), WORD(VK_HOME)}) {
            double start = Now();
            PressKey(app, grid, key, true);
            jumps.push_back((Now() - start) * 1000);
        }
    }
    PressKey(app, grid, VK_END, true);
    if (table.CurrentRowNumber() != rows)
        throw std::runtime_error("Ctrl+End did not reach the last row");
    form.Hide();
    return {Median(pages), Median(jumps)};
}

bool SameCost(double large, double small)
{
    return large <= small * kMaxRatio || large - small <= kSlackMs;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    std::wstring resultsPath;
    int rows = 1'000'000;
    int presses = 20;
    for (int i = 1; i + 1 < argc; i += 2) {
        std::wstring arg = argv[i];
        if (arg == L"--results")
            resultsPath = argv[i + 1];
        else if (arg == L"--rows")
            rows = std::stoi(argv[i + 1]);
        else if (arg == L"--presses")
            presses = std::stoi(argv[i + 1]);
    }
    try {
        TApplication app;
        Application = &app;
        app.Initialize();
        Report report(resultsPath, true);
        KeyCosts small = Measure(app, 100, presses);
        KeyCosts large = Measure(app, rows, presses);
        report.Blank();
        report.Line("Grid: one key and the repaint it causes, medians of %d presses each way (ms)", 2 * presses);
        report.Line("      rows | Page Down/Up | Ctrl+End/Ctrl+Home");
        report.Line("%10s | %12.2f | %18.2f", Grouped(100).c_str(), small.page, small.jump);
        report.Line("%10s | %12.2f | %18.2f", Grouped(std::uint64_t(rows)).c_str(), large.page, large.jump);
        bool pass = SameCost(large.page, small.page) && SameCost(large.jump, small.jump);
        report.Line("Goal 5  grid with %s rows: Page Down %.2f ms, Ctrl+End %.2f ms against %.2f and %.2f with 100 "
                    "rows (goal: the same cost, within %.1fx or %.1f ms)   %s",
                    Grouped(std::uint64_t(rows)).c_str(), large.page, large.jump, small.page, small.jump, kMaxRatio,
                    kSlackMs, Verdict(pass));
        Application = nullptr;
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "GridBench: %s\n", e.what());
        return 2;
    }
}
