// Long runs of the program's everyday actions must not leak windows or
// memory: each dialog opened and closed many times, and many
// add/delete cycles on the list.
#include "GridTestSupport.h"

#include "ui/MessageDialog.h"
#include "forms/HelpUnit.h"
#include "forms/MainUnit.h"
#include "forms/NewBaseUnit.h"
#include "forms/SelectDirectoryUnit.h"
#include "shelltree/ShellFolder.h"
#include "platform/Handles.h"
#include "platform/WideText.h"

#include <gtest/gtest.h>

#include <psapi.h>

#include <cstdio>
#include <functional>
#include <string>

namespace {

constexpr int kWarmUp = 20;
constexpr int kCycles = 200;
constexpr long long kMemorySlack = 2 * 1024 * 1024;

struct Usage {
    long windows = 0;  // of this thread, children included
    long long pagefile = 0;
};

BOOL CALLBACK CountWindow(HWND hwnd, LPARAM count)
{
    ++*reinterpret_cast<long*>(count);
    EnumChildWindows(hwnd, &CountWindow, count);
    return TRUE;
}

// Windows left behind show here. (GDI and USER handle counts are not
// measured: Wine's GetGuiResources counts nothing.)
long ThreadWindowCount()
{
    long count = 0;
    EnumThreadWindows(GetCurrentThreadId(), &CountWindow, reinterpret_cast<LPARAM>(&count));
    return count;
}

Usage Measure()
{
    Usage u;
    u.windows = ThreadWindowCount();
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    if (K32GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters))
        u.pagefile = static_cast<long long>(counters.PagefileUsage);
    return u;
}

// Runs `cycle` kWarmUp times, then kCycles times between two measurements;
// prints the figures and checks the growth.
void ExpectNoLeak(const char* what, const std::function<void()>& cycle)
{
    for (int i = 0; i < kWarmUp; ++i)
        cycle();
    Pump(20);
    const Usage before = Measure();
    const DWORD started = GetTickCount();
    for (int i = 0; i < kCycles; ++i)
        cycle();
    Pump(20);
    const Usage after = Measure();
    std::printf("[resources] %s x%d: windows %ld -> %ld, pagefile %lld -> %lld KB, %lu ms\n", what, kCycles,
                before.windows, after.windows, before.pagefile / 1024, after.pagefile / 1024,
                static_cast<unsigned long>(GetTickCount() - started));
    EXPECT_LE(after.windows - before.windows, 0) << what;
    EXPECT_LE(after.pagefile - before.pagefile, kMemorySlack) << what;
}

// The program's windows wired to the globals as at run time; their stores
// stay off so that the runs neither read nor write the registry.
class ResourceTest : public testing::Test {
protected:
    void SetUp() override
    {
        TestApplication();
        ShellLayerStart();
        ReportedErrors().clear();
        savedFolder_ = ProgramFolder;
        MainForm = &main;
        NewBaseForm = &editor;
        SelectDirectoryForm = &chooser;
        HelpForm = &help;
        main.MainFormStorage.Active = false;
        editor.FormStorage1.Active = false;
        chooser.SelectFormStorage.Active = false;
        help.HelpFormStorage.Active = false;
        main.Create();
        ProgramFolder = folder.WidePath();  // the About window reads its help file from here
        WriteBytes(Wide(folder.Path() + "Readme.rtf"), "{\\rtf1\\ansi {\\b Справка} по программе\\par}");
        editor.Create();
        chooser.Create();
        help.Create();
        main.BaseRxMemoryData.SetActive(false);
        main.BaseRxMemoryData.SetActive(true);
        ReportedErrors().clear();
    }

    void TearDown() override
    {
        ClearPendingActions();
        help.Destroy();
        chooser.Destroy();
        editor.Destroy();
        main.Destroy();
        HelpForm = nullptr;
        SelectDirectoryForm = nullptr;
        NewBaseForm = nullptr;
        MainForm = nullptr;
        ProgramFolder = savedFolder_;
        EXPECT_TRUE(ReportedErrors().empty());
    }

    // Shows `form` modally; the posted action closes it from inside its loop.
    static void OpenAndClose(TForm& form)
    {
        PostAction([&form] { form.ModalResult = mrCancel; });
        form.ShowModal();
    }

    TempFolder folder;
    TScopedForm<TMainForm> main;
    TScopedForm<TNewBaseForm> editor;
    TScopedForm<TSelectDirectoryForm> chooser;
    TScopedForm<THelpForm> help;

private:
    std::wstring savedFolder_;
};

}  // namespace

TEST_F(ResourceTest, OpeningAndClosingEachDialogManyTimesLeaksNothing)
{
    ExpectNoLeak("editor", [&] {
        NewBaseMode = true;
        OpenAndClose(editor);
    });
    ExpectNoLeak("About window", [&] { OpenAndClose(help); });
    ExpectNoLeak("folder chooser", [&] { OpenAndClose(chooser); });
    ExpectNoLeak("message box", [&] {
        bool found = false;
        PostAction([&] {
            HWND box = FindThreadWindow(L"TMessageForm");
            found = box != nullptr;
            if (box)
                PostMessageW(box, WM_CLOSE, 0, 0);
        });
        MessageDialog("Удалить базу \"Тест\"?", TMsgDlgType::mtConfirmation, {TMsgDlgBtn::mbOK, TMsgDlgBtn::mbCancel});
        ASSERT_TRUE(found);
    });
    EXPECT_FALSE(editor.Visible());
    EXPECT_FALSE(help.Visible());
    EXPECT_FALSE(chooser.Visible());
}

TEST_F(ResourceTest, AddingAndDeletingEntriesManyTimesLeaksNothing)
{
    TRxMemoryData& table = main.BaseRxMemoryData;
    main.Show();
    int n = 0;
    ExpectNoLeak("add/delete", [&] {
        NewBaseMode = true;
        PostAction([&] {
            editor.NameEdit.SetText("База " + std::to_string(++n));
            editor.PathEdit.SetText("C:\\Базы\\" + std::to_string(n));
            editor.OKButton.Click();
        });
        editor.ShowModal();
        ASSERT_FALSE(table.IsTableEmpty());
        table.DeleteRow();
        ASSERT_TRUE(table.IsTableEmpty());
    });
    main.Hide();
}
