// Journey 2: the operator builds and changes the list through the windows,
// and after every run Bases.dat holds exactly the entries shown, in name
// order, byte for byte. Run again in a Wine run of its own under an English
// locale (ANSI code page 1252): the program's text is Windows-1251 whatever
// the system's code page, so the file must come out the same.
#include "E2eConfig.h"
#include "Operator.h"
#include "Outcomes.h"
#include "ProgramUnderTest.h"
#include "ProgramWindows.h"
#include "Screenshot.h"
#include "WindowQuery.h"

#include "platform/WideText.h"

#include <gtest/gtest.h>

namespace {

const std::wstring kRule(27, L'-');

std::wstring ConfirmText(const std::wstring& name)
{
    return kRule + L"\r\nConfirm\r\n" + kRule + L"\r\nУдалить базу \"" + name + L"\"?\r\n" + kRule +
           L"\r\nOK   Cancel   \r\n" + kRule + L"\r\n";
}

// A folder of bases to pick in the folder chooser, reached there through
// the Unix root "/" that Wine shows on the desktop: Z:\tmp\<unique>\<name>.
// Latin names: with no Russian glibc locale installed, Wine cannot put
// Cyrillic into Unix file names.
class BaseFolder {
public:
    BaseFolder(const std::wstring& unique, const std::wstring& name)
        : parentLabel_(unique), leafLabel_(name), parent_(L"Z:\\tmp\\" + unique + L"\\")
    {
        RemoveFolderTree(parent_);
        if (!CreateDirectoryW(parent_.c_str(), nullptr) || !CreateDirectoryW((parent_ + name).c_str(), nullptr))
            throw DriverError("cannot create the folder " + Utf8(parent_ + name) + ": error " +
                              std::to_string(GetLastError()));
    }
    BaseFolder(const BaseFolder&) = delete;
    BaseFolder& operator=(const BaseFolder&) = delete;
    ~BaseFolder() { RemoveFolderTree(parent_); }

    std::wstring Path() const { return parent_ + leafLabel_; }
    std::vector<std::wstring> TreeLabels() const { return {L"/", L"tmp", parentLabel_, leafLabel_}; }

private:
    std::wstring parentLabel_, leafLabel_, parent_;
};

void ExpectListFile(const ProgramUnderTest& program, const std::vector<BaseEntry>& entries)
{
    std::optional<std::string> list = program.ReadFile(L"Bases.dat");
    ASSERT_TRUE(list.has_value()) << "no Bases.dat";
    EXPECT_EQ(Readable(*list), Readable(BaseListBytes(entries)));
}

// The ANSI code page of a process that the driver starts, as it starts the
// program: itself, asked only to report it.
UINT CodePageOfAChild()
{
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring commandLine = L"\"" + std::wstring(self) + L"\" " + kReportCodePageArgument;
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(self, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
        throw DriverError("cannot start the driver itself");
    CloseHandle(info.hThread);
    UniqueHandle process(info.hProcess);
    if (WaitForSingleObject(process.Get(), 10000) != WAIT_OBJECT_0)
        throw DriverError("the driver's child did not end");
    DWORD code = 0;
    GetExitCodeProcess(process.Get(), &code);
    return code;
}

void RunEditingJourney(const std::wstring& shots)
{
    ProgramUnderTest program;
    const BaseEntry fresh{"Новая информационная база", "", "Administrator", ""};

    // "Добавить базу" and Enter at once: the entry with the defaults.
    {
        program.Start();
        HWND main = program.WaitForMainWindow();
        PressButton(main, L"Добавить базу");
        HWND editor = WaitForEditor(program, kNewBaseCaption);
        SaveScreenshot(editor, shots + L"editor-new");
        EXPECT_EQ(Readable(ReadEditor(editor).Name), Readable(fresh.Name));
        EXPECT_EQ(ReadEditor(editor).Login, fresh.Login);
        PostKeyToFocus(editor, VK_RETURN);
        WaitWindowGone(editor, "the editor");
        program.CloseAndWait(main);
        ExpectListFile(program, {fresh});
    }

    // Another one, typed, with its folder picked in the chooser; a cancelled
    // choice first leaves the typed path alone.
    BaseFolder folder(L"ap_e2e_" + std::to_wstring(GetCurrentProcessId()) + L"_bases", L"Accounts 2024");
    BaseEntry accounts{"Бухгалтерия 2024", Narrow(folder.Path()), "Иванов И.И.", "пароль 1!"};
    {
        program.Start();
        HWND main = program.WaitForMainWindow();
        PressButton(main, L"Добавить базу");
        HWND editor = WaitForEditor(program, kNewBaseCaption);
        FillEditor(editor, {accounts.Name, "C:\\typed", accounts.Login, accounts.Password});

        PressButton(editor, L"...");
        HWND chooser = WaitForWindow(program.ProcessId(), kSelectDirectoryFormClass, kSelectDirectoryCaption);
        PressButton(chooser, L"Отмена");
        WaitWindowGone(chooser, "the folder chooser");
        EXPECT_EQ(Utf8(TextOf(EditorBoxesOf(editor).Path)), "C:\\typed");

        PressButton(editor, L"...");
        chooser = WaitForWindow(program.ProcessId(), kSelectDirectoryFormClass, kSelectDirectoryCaption);
        SelectFolderByKeys(chooser, folder.TreeLabels());
        SaveScreenshot(chooser, shots + L"chooser");
        PressButton(chooser, L"Выбрать каталог");
        WaitWindowGone(chooser, "the folder chooser");
        EXPECT_EQ(Utf8(TextOf(EditorBoxesOf(editor).Path)), Utf8(folder.Path()));

        PressButton(editor, L"OK");
        WaitWindowGone(editor, "the editor");
        SaveScreenshot(main, shots + L"main-added");
        program.CloseAndWait(main);
        ExpectListFile(program, {accounts, fresh});
    }

    // A double-click edits the current entry; its new name moves it down.
    BaseEntry store{"Склад", accounts.Path, "Кладовщик", ""};
    {
        program.Start();
        HWND main = program.WaitForMainWindow();
        HWND grid = GridOf(main);
        SelectRow(grid, 0);
        DoubleClickGrid(grid);
        HWND editor = WaitForEditor(program, kEditBaseCaption);
        SaveScreenshot(editor, shots + L"editor-edit");
        EXPECT_EQ(Readable(ReadEditor(editor).Name), Readable(accounts.Name));
        EXPECT_EQ(Readable(ReadEditor(editor).Password), Readable(accounts.Password));
        FillEditor(editor, store);
        PressButton(editor, L"OK");
        WaitWindowGone(editor, "the editor");
        program.CloseAndWait(main);
        ExpectListFile(program, {fresh, store});
    }

    // Delete with the confirmation: cancelled once, then granted.
    {
        program.Start();
        HWND main = program.WaitForMainWindow();
        SelectRow(GridOf(main), 1);
        PressButton(main, L"Удалить базу");
        HWND question = WaitForMessageForm(program, L"Confirm");
        SaveScreenshot(question, shots + L"message-confirm");
        EXPECT_EQ(Utf8(CopyMessageText(question)), Utf8(ConfirmText(L"Склад")));
        PressButton(question, L"Cancel");
        WaitWindowGone(question, "the question");

        // Nothing went: the same entry is asked about again.
        PressButton(main, L"Удалить базу");
        question = WaitForMessageForm(program, L"Confirm");
        EXPECT_EQ(Utf8(CopyMessageText(question)), Utf8(ConfirmText(L"Склад")));
        PressButton(question, L"OK");
        WaitWindowGone(question, "the question");
        program.CloseAndWait(main);
        ExpectListFile(program, {fresh});
    }

    // Ctrl+Delete in the grid deletes at once; the list is then empty.
    {
        program.Start();
        HWND main = program.WaitForMainWindow();
        HWND grid = GridOf(main);
        BringToFront(main);
        ClickGridBelowRows(grid);
        Settle(main);
        SendChord({VK_CONTROL, VK_DELETE});
        Settle(main);
        PressButton(main, L"Удалить базу");
        HWND warning = WaitForMessageForm(program, L"Warning");
        PressButton(warning, L"OK");
        WaitWindowGone(warning, "the warning");
        program.CloseAndWait(main);
        ExpectListFile(program, {});
    }
}

} // namespace

TEST(EditingJourney, AddsEditsAndDeletesEntriesAndSavesThemByteForByte)
{
    RunEditingJourney(std::wstring());
}

TEST(EditingJourneyEnglishLocale, SavesTheSameBytesUnderCodePage1252)
{
    ASSERT_EQ(GetACP(), 1252u) << "this run needs the English locale (LC_ALL=en_US.UTF-8)";
    ASSERT_EQ(CodePageOfAChild(), 1252u) << "the program would not run under the English locale";
    RunEditingJourney(L"en-");
}
