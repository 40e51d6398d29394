// Start-up of the whole program under the platform: AutoPeriod.exe copied
// into a folder of its own with a generated Bases.dat, started, timed until
// its main window (class "TMainForm") is visible, then closed with WM_CLOSE
// as the close box would (so it saves the list), for an empty list and for
// 100 000 entries, alternately, several times; medians compared. The floor
// program (StartupFloor.exe: the platform work the program must do, then one
// window) takes its turn in the same rotation, and both lists are measured
// against it. So does an empty list beside a help text that the rich edit
// control takes minutes over (one paragraph of 80 000 short numbered lines,
// 1 MB), which the program reads at start but must not hand to the control
// before its About window has been shown.
//
//   StartupBench.exe --program PATH\AutoPeriod.exe --floor PATH\StartupFloor.exe
//                    [--entries 0,100000] [--runs 15] [--results FILE]
#include "BaseListGenerator.h"
#include "BenchSupport.h"

#include <algorithm>
#include <memory>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

constexpr std::uint64_t kSeed = 20240601;
constexpr double kMaxSlowdown = 1.5;  // 100 000 entries vs an empty list
constexpr double kMaxEmptyOverFloor = 1.3;
constexpr double kMaxFullOverFloor = 1.6;
constexpr double kMaxSlowHelpOverEmpty = 1.5;
constexpr double kTimeout = 120;  // seconds for either step

struct FindContext {
    DWORD processId;
    const wchar_t* className;
    HWND found;
};

BOOL CALLBACK FindVisibleMainForm(HWND hwnd, LPARAM param)
{
    auto* context = reinterpret_cast<FindContext*>(param);
    DWORD processId = 0;
    GetWindowThreadProcessId(hwnd, &processId);
    wchar_t className[32] = {};
    if (processId == context->processId && IsWindowVisible(hwnd) &&
        GetClassNameW(hwnd, className, int(std::size(className))) > 0 &&
        std::wstring(className) == context->className) {
        context->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

struct Setup {
    size_t entries;
    std::wstring folder;
    std::string bytes;
    std::wstring program;  // AutoPeriod.exe in `folder`, or the floor program
    const wchar_t* windowClass = L"TMainForm";
    bool slowHelp = false;  // the folder's Readme.rtf is SlowHelpText()
};

// Valid rich text that Wine's rich edit control takes over three minutes to
// load: its line breaks within one paragraph cost it more the more there are
// (6 MB of short numbered paragraphs take it 9 s).
std::string SlowHelpText()
{
    std::string rtf = "{\\rtf1\\ansi ";
    char line[32];
    for (int n = 1; rtf.size() < 1024 * 1024; ++n) {
        std::snprintf(line, sizeof line, "%06d\\line\r\n", n);
        rtf += line;
    }
    return rtf + "}";
}

struct Sample {
    double shown = 0;  // start to main window visible
    double closed = 0;  // WM_CLOSE to the process's end (includes the save)
};

std::wstring FolderOf(const std::wstring& path)
{
    return path.substr(0, path.find_last_of(L"\\/") + 1);
}

Sample RunOnce(const Setup& setup)
{
    if (setup.windowClass == std::wstring(L"TMainForm"))
        WriteWholeFile(setup.folder + L"Bases.dat", setup.bytes);
    const std::wstring& program = setup.program;
    std::wstring command = L"\"" + program + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    Sample sample;
    double start = Now();
    if (!CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, setup.folder.c_str(),
                        &startup, &process))
        throw std::runtime_error("cannot start the program");
    UniqueHandle processHandle(process.hProcess), threadHandle(process.hThread);

    FindContext context{process.dwProcessId, setup.windowClass, nullptr};
    while (true) {
        EnumWindows(FindVisibleMainForm, LPARAM(&context));
        if (context.found)
            break;
        if (WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0)
            throw std::runtime_error("AutoPeriod.exe ended before its main window showed");
        if (Now() - start > kTimeout) {
            TerminateProcess(process.hProcess, 1);
            throw std::runtime_error("the main window did not show");
        }
        Sleep(1);
    }
    sample.shown = Now() - start;

    start = Now();
    PostMessageW(context.found, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(process.hProcess, DWORD(kTimeout * 1000)) != WAIT_OBJECT_0) {
        TerminateProcess(process.hProcess, 1);
        throw std::runtime_error("AutoPeriod.exe did not end after WM_CLOSE (an error box?)");
    }
    sample.closed = Now() - start;
    DWORD exitCode = 0;
    GetExitCodeProcess(process.hProcess, &exitCode);
    if (exitCode != 0)
        throw std::runtime_error("AutoPeriod.exe ended with code " + std::to_string(exitCode));
    return sample;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    std::wstring program, floor, resultsPath;
    std::vector<size_t> entries = {0, 100'000};
    int runs = 15;
    for (int i = 1; i + 1 < argc; ++i) {
        std::wstring arg = argv[i];
        if (arg == L"--program")
            program = argv[++i];
        else if (arg == L"--floor")
            floor = argv[++i];
        else if (arg == L"--results")
            resultsPath = argv[++i];
        else if (arg == L"--entries")
            entries = ParseCounts(argv[++i]);
        else if (arg == L"--runs")
            runs = std::stoi(argv[++i]);
    }
    if (program.empty() || entries.empty()) {
        std::fprintf(stderr, "usage: StartupBench --program PATH\\AutoPeriod.exe [--entries 0,100000] [--runs N]\n");
        return 2;
    }

    try {
        Report report(resultsPath, true);
        std::vector<std::unique_ptr<ScratchFolder>> folders;
        std::vector<Setup> setups;
        for (size_t n : entries) {
            folders.push_back(std::make_unique<ScratchFolder>(L"AutoPeriodStartup" + std::to_wstring(n)));
            const std::wstring& folder = folders.back()->Path();
            for (const wchar_t* file : {L"AutoPeriod.exe", L"Readme.rtf"})
                CopyFileW((FolderOf(program) + file).c_str(), (folder + file).c_str(), FALSE);
            setups.push_back({n, folder, GenerateBaseListFile(n, kSeed), folder + L"AutoPeriod.exe"});
        }
        folders.push_back(std::make_unique<ScratchFolder>(L"AutoPeriodStartupSlowHelp"));
        const std::wstring& slowFolder = folders.back()->Path();
        CopyFileW((FolderOf(program) + L"AutoPeriod.exe").c_str(), (slowFolder + L"AutoPeriod.exe").c_str(), FALSE);
        WriteWholeFile(slowFolder + L"Readme.rtf", SlowHelpText());
        setups.push_back(
            {0, slowFolder, GenerateBaseListFile(0, kSeed), slowFolder + L"AutoPeriod.exe", L"TMainForm", true});
        if (!floor.empty())
            setups.push_back({0, FolderOf(floor), std::string(), floor, L"StartupFloor"});

        // One start of each first, untimed: the platform's own files come
        // into the cache. Then the lists take turns.
        for (const Setup& setup : setups)
            RunOnce(setup);
        std::vector<std::vector<Sample>> samples(setups.size());
        for (int run = 0; run < runs; ++run)
            for (size_t i = 0; i < setups.size(); ++i)
                samples[i].push_back(RunOnce(setups[i]));

        report.Blank();
        report.Line("Start-up: launch to main window shown, then WM_CLOSE to the process's end (which "
                    "saves the list); medians of %d runs (ms)",
                    runs);
        report.Line("     entries |  shown   (min   max) | close incl. save");
        std::vector<double> shownMedians;
        double floorMedian = 0, slowHelpMedian = 0;
        for (size_t i = 0; i < setups.size(); ++i) {
            std::vector<double> shown, closed;
            for (const Sample& s : samples[i]) {
                shown.push_back(s.shown * 1000);
                closed.push_back(s.closed * 1000);
            }
            bool isFloor = setups[i].windowClass != std::wstring(L"TMainForm");
            if (isFloor)
                floorMedian = Median(shown);
            else if (setups[i].slowHelp)
                slowHelpMedian = Median(shown);
            else
                shownMedians.push_back(Median(shown));
            const std::string label = isFloor              ? "floor"
                                      : setups[i].slowHelp ? "0, slow help"
                                                           : Grouped(setups[i].entries);
            report.Line("%12s | %6.0f (%5.0f %5.0f) | %6.0f", label.c_str(), Median(shown),
                        *std::min_element(shown.begin(), shown.end()), *std::max_element(shown.begin(), shown.end()),
                        Median(closed));
        }
        if (shownMedians.size() >= 2) {
            double slowdown = shownMedians.back() / shownMedians.front();
            report.Line(
                "Goal 4  start-up with %s entries: %.0f ms, %.2fx the empty list's %.0f ms (goal <= %.1fx)   %s",
                Grouped(entries.back()).c_str(), shownMedians.back(), slowdown, shownMedians.front(), kMaxSlowdown,
                Verdict(slowdown <= kMaxSlowdown));
        }
        if (floorMedian > 0 && shownMedians.size() >= 2) {
            double empty = shownMedians.front() / floorMedian, full = shownMedians.back() / floorMedian;
            report.Line("Goal 6  start-up against the floor program's %.0f ms (OLE, common controls 6, RICHED32, the "
                        "desktop's folders with icons, one window): empty list %.0f ms, %.2fx (goal <= %.1fx); "
                        "%s entries %.0f ms, %.2fx (goal <= %.1fx)   %s",
                        floorMedian, shownMedians.front(), empty, kMaxEmptyOverFloor, Grouped(entries.back()).c_str(),
                        shownMedians.back(), full, kMaxFullOverFloor,
                        Verdict(empty <= kMaxEmptyOverFloor && full <= kMaxFullOverFloor));
        }
        if (slowHelpMedian > 0 && !shownMedians.empty()) {
            double ratio = slowHelpMedian / shownMedians.front();
            report.Line("Goal 10 start-up beside a help text that the rich edit takes minutes over: "
                        "%.0f ms, %.2fx the empty list's %.0f ms (goal <= %.1fx)   %s",
                        slowHelpMedian, ratio, shownMedians.front(), kMaxSlowHelpOverEmpty,
                        Verdict(ratio <= kMaxSlowHelpOverEmpty));
        }
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "StartupBench: %s\n", e.what());
        return 2;
    }
}
