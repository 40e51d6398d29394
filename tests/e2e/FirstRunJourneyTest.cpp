// Journey 1: the very first run, with no Bases.dat and nothing in the
// registry. The list is empty, closing creates an empty Bases.dat, and the
// registry holds the main window's placement and the grid's layout and
// nothing for the windows that were never opened.
#include "Operator.h"
#include "Outcomes.h"
#include "ProgramUnderTest.h"
#include "ProgramWindows.h"
#include "Screenshot.h"
#include "WindowQuery.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cwchar>
#include <iterator>
#include <vector>

namespace {

std::string ScreenSizeSuffix()
{
    return "(" + std::to_string(GetSystemMetrics(SM_CXSCREEN)) + "x" + std::to_string(GetSystemMetrics(SM_CYSCREEN)) +
           ")";
}

std::vector<std::string> Sorted(std::vector<std::string> names)
{
    std::sort(names.begin(), names.end());
    return names;
}

// A text of the executable's version information ("FileDescription" ...),
// from its first translation.
std::wstring VersionText(const std::wstring& exe, const wchar_t* name)
{
    DWORD ignored = 0;
    std::vector<char> data(GetFileVersionInfoSizeW(exe.c_str(), &ignored));
    if (data.empty() || !GetFileVersionInfoW(exe.c_str(), 0, DWORD(data.size()), data.data()))
        return L"<no version information>";
    struct Translation {
        WORD language, codePage;
    }* translations = nullptr;
    UINT size = 0;
    if (!VerQueryValueW(data.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translations), &size) ||
        size < sizeof(Translation))
        return L"<no translation>";
    wchar_t path[64];
    std::swprintf(path, 64, L"\\StringFileInfo\\%04x%04x\\%ls", translations->language, translations->codePage, name);
    wchar_t* text = nullptr;
    if (!VerQueryValueW(data.data(), path, reinterpret_cast<void**>(&text), &size) || !text)
        return L"<no " + std::wstring(name) + L">";
    return text;
}

// A setting of the executable's manifest as the system's loader reads it
// ("dpiAware" in the 2005 namespace ...), or "<none>".
std::wstring ManifestSetting(const std::wstring& exe, const wchar_t* year, const wchar_t* name)
{
    ACTCTXW request{};
    request.cbSize = sizeof(request);
    request.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
    request.lpSource = exe.c_str();
    request.lpResourceName = MAKEINTRESOURCEW(1);
    HANDLE context = CreateActCtxW(&request);
    if (context == INVALID_HANDLE_VALUE)
        return L"<no manifest>";
    std::wstring space = L"http://schemas.microsoft.com/SMI/" + std::wstring(year) + L"/WindowsSettings";
    wchar_t value[64] = {};
    SIZE_T written = 0;
    BOOL found = QueryActCtxSettingsW(0, context, space.c_str(), name, value, std::size(value), &written);
    ReleaseActCtx(context);
    return found ? value : L"<none>";
}

}  // namespace

TEST(FirstRunJourney, TheProgramCarriesItsVersionTitleAndAuthorshipWhereTheOperatorLooks)
{
    ProgramUnderTest program;
    HWND main = program.StartToMainWindow();

    // Version information, as Explorer's properties show it, of the copy
    // that runs (the folder's only program).
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW(program.PathOf(L"*.exe").c_str(), &found);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    FindClose(search);
    const std::wstring exePath = program.PathOf(found.cFileName);
    EXPECT_EQ(Utf8(VersionText(exePath, L"ProductName")), "AutoPeriod");
    EXPECT_EQ(Utf8(VersionText(exePath, L"ProductVersion")), std::string(AUTOPERIOD_VERSION) + ".0");
    EXPECT_EQ(Utf8(VersionText(exePath, L"FileVersion")), std::string(AUTOPERIOD_VERSION) + ".0");
    EXPECT_EQ(Utf8(VersionText(exePath, L"FileDescription")), Utf8(kMainFormCaption));
    const std::wstring copyright = VersionText(exePath, L"LegalCopyright");
    EXPECT_EQ(copyright.substr(0, 1), L"©");
    // Drawn at each monitor's density (per-monitor v2, else v1, else
    // system-wide) rather than stretched; long paths allowed.
    EXPECT_EQ(Utf8(ManifestSetting(exePath, L"2016", L"dpiAwareness")), "PerMonitorV2, PerMonitor");
    EXPECT_EQ(Utf8(ManifestSetting(exePath, L"2005", L"dpiAware")), "true/pm");
    EXPECT_EQ(Utf8(ManifestSetting(exePath, L"2016", L"longPathAware")), "true");

    // The taskbar button and Alt+Tab belong to the hidden application
    // window, titled with the application title. (Its icons are checked in
    // process: Wine answers WM_GETICON from another process with none.)
    std::vector<HWND> owners = TopWindows(program.ProcessId(), L"TApplication");
    ASSERT_EQ(owners.size(), 1u);
    EXPECT_EQ(Utf8(TextOf(owners[0])), Utf8(program.Title()));
    EXPECT_EQ(GetWindow(main, GW_OWNER), owners[0]);

    // The About window's line names the authorship, as the copyright does.
    PressButton(main, L"Помощь");
    HWND about = WaitForWindow(program.ProcessId(), kHelpFormClass, kHelpCaption);
    HWND label = FindChild(about, L"AutoPeriod.RxLabel", copyright);
    EXPECT_NE(label, nullptr) << "no authorship line " << Utf8(copyright);
    CloseWithButton(about, L"Закрыть", "the About window");
    program.CloseAndWait(main);
}

TEST(FirstRunJourney, ShowsAnEmptyListAndSavesAnEmptyFileAndTheMainWindowsStateOnly)
{
    ProgramUnderTest program;
    HWND main = program.StartToMainWindow();
    EXPECT_EQ(Utf8(TextOf(main)), Utf8(kMainFormCaption));

    // An empty list: "Удалить базу" has nothing to delete and says so.
    PressButton(main, L"Удалить базу");
    HWND warning = WaitForMessageForm(program, L"Warning");
    SaveScreenshot(warning, L"message-warning");
    const std::wstring rule(27, L'-');
    EXPECT_EQ(Utf8(CopyMessageText(warning)), Utf8(rule + L"\r\nWarning\r\n" + rule + L"\r\nВыберите базу!\r\n" + rule +
                                                   L"\r\nOK   \r\n" + rule + L"\r\n"));
    // Esc answers the warning: OK is also its cancel button.
    PostKeyToFocus(warning, VK_ESCAPE);
    WaitWindowGone(warning, "the warning");

    program.CloseAndWait(main);

    std::optional<std::string> list = program.ReadFile(L"Bases.dat");
    ASSERT_TRUE(list.has_value()) << "closing did not create Bases.dat";
    EXPECT_EQ(list->size(), 0u);

    // Only the main window was shown: the other windows have no section.
    EXPECT_EQ(RegistrySubkeys(program.RegistryKey()), std::vector<std::string>{"MainForm"});
    const std::string mainKey = program.RegistryKey("MainForm");
    const std::string suffix = ScreenSizeSuffix();
    EXPECT_EQ(Sorted(RegistryValueNames(mainKey)),
              Sorted({"FormVersion", "Flags", "ShowCmd", "PixelsPerInch", "MinMaxPos" + suffix, "MinMaxPos",
                      "NormPos" + suffix, "NormPos", "Visible"}));
    EXPECT_EQ(ReadRegistryText(mainKey, "FormVersion"), "0");
    EXPECT_EQ(ReadRegistryText(mainKey, "ShowCmd"), "1");
    EXPECT_EQ(ReadRegistryText(mainKey, "Visible"), "0");
    // The designed bounds: left 332, top 347, 531 x 378 (the work area starts
    // at the screen's corner on the virtual desktop).
    EXPECT_EQ(ReadRegistryText(mainKey, "NormPos"), "332,347,863,725");
    EXPECT_EQ(ReadRegistryText(mainKey, "NormPos" + suffix), "332,347,863,725");

    const std::string gridKey = program.RegistryKey("MainForm\\TMainFormMainRxDBGrid");
    EXPECT_EQ(Sorted(RegistryValueNames(gridKey)), Sorted({"MainRxDBGrid.Name", "MainRxDBGrid.Path"}));
    EXPECT_EQ(ReadRegistryText(gridKey, "MainRxDBGrid.Name"), "0,154");
    EXPECT_EQ(ReadRegistryText(gridKey, "MainRxDBGrid.Path"), "1,205");
}
