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

} // namespace

TEST(FirstRunJourney, ShowsAnEmptyListAndSavesAnEmptyFileAndTheMainWindowsStateOnly)
{
    ProgramUnderTest program;
    program.Start();
    HWND main = program.WaitForMainWindow();
    EXPECT_EQ(Utf8(TextOf(main)), Utf8(kMainFormCaption));

    // An empty list: "Удалить базу" has nothing to delete and says so.
    PressButton(main, L"Удалить базу");
    HWND warning = WaitForMessageForm(program, L"Warning");
    SaveScreenshot(warning, L"message-warning");
    const std::wstring rule(27, L'-');
    EXPECT_EQ(Utf8(CopyMessageText(warning)), Utf8(rule + L"\r\nWarning\r\n" + rule + L"\r\nВыберите базу!\r\n" +
                                                   rule + L"\r\nOK   \r\n" + rule + L"\r\n"));
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
