// Journey 2: the operator builds and changes the list through the windows,
// and after every run Bases.dat holds exactly the entries shown, in name
// order, byte for byte. An operator without a mouse does every task with
// the keyboard alone. Then a copy of the program in a folder and under a
// file name beyond Windows-1251 meets text and folders beyond it too: it
// works as anywhere else, and nothing reaches Bases.dat as "?". Both run
// again in a Wine run of their own under an English locale (ANSI code page
// 1252): the program's text is Windows-1251 whatever the system's code page,
// so the file must come out the same.
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
        HWND main = program.StartToMainWindow();
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
    BaseFolder folder(L"ap_e2e_" + std::to_wstring(GetCurrentProcessId()) + L"_bases", L"Бухгалтерия 2024");
    BaseEntry accounts{"Бухгалтерия 2024", Narrow(folder.Path()), "Иванов И.И.", "пароль 1!"};
    {
        HWND main = program.StartToMainWindow();
        PressButton(main, L"Добавить базу");
        HWND editor = WaitForEditor(program, kNewBaseCaption);
        FillEditor(editor, {accounts.Name, "C:\\typed", accounts.Login, accounts.Password});

        PressButton(editor, L"...");
        HWND chooser = WaitForWindow(program.ProcessId(), kSelectDirectoryFormClass, kSelectDirectoryCaption);
        CloseWithButton(chooser, L"Отмена", "the folder chooser");
        EXPECT_EQ(Utf8(TextOf(EditorBoxesOf(editor).Path)), "C:\\typed");

        PressButton(editor, L"...");
        chooser = WaitForWindow(program.ProcessId(), kSelectDirectoryFormClass, kSelectDirectoryCaption);
        SelectFolderByKeys(chooser, folder.TreeLabels());
        SaveScreenshot(chooser, shots + L"chooser");
        CloseWithButton(chooser, L"Выбрать каталог", "the folder chooser");
        EXPECT_EQ(Utf8(TextOf(EditorBoxesOf(editor).Path)), Utf8(folder.Path()));

        CloseWithButton(editor, L"OK", "the editor");
        SaveScreenshot(main, shots + L"main-added");
        program.CloseAndWait(main);
        ExpectListFile(program, {accounts, fresh});
    }

    // A double-click edits the current entry; its new name moves it down.
    BaseEntry store{"Склад", accounts.Path, "Кладовщик", ""};
    {
        HWND main = program.StartToMainWindow();
        HWND grid = GridOf(main);
        SelectRow(grid, 0);
        DoubleClickGrid(grid);
        HWND editor = WaitForEditor(program, kEditBaseCaption);
        SaveScreenshot(editor, shots + L"editor-edit");
        EXPECT_EQ(Readable(ReadEditor(editor).Name), Readable(accounts.Name));
        EXPECT_EQ(Readable(ReadEditor(editor).Password), Readable(accounts.Password));
        FillEditor(editor, store);
        CloseWithButton(editor, L"OK", "the editor");
        program.CloseAndWait(main);
        ExpectListFile(program, {fresh, store});
    }

    // Delete with the confirmation: cancelled once, then granted.
    {
        HWND main = program.StartToMainWindow();
        SelectRow(GridOf(main), 1);
        PressButton(main, L"Удалить базу");
        HWND question = WaitForMessageForm(program, L"Confirm");
        SaveScreenshot(question, shots + L"message-confirm");
        EXPECT_EQ(Utf8(CopyMessageText(question)), Utf8(ConfirmText(L"Склад")));
        CloseWithButton(question, L"Cancel", "the question");

        // Nothing went: the same entry is asked about again.
        PressButton(main, L"Удалить базу");
        question = WaitForMessageForm(program, L"Confirm");
        EXPECT_EQ(Utf8(CopyMessageText(question)), Utf8(ConfirmText(L"Склад")));
        CloseWithButton(question, L"OK", "the question");
        program.CloseAndWait(main);
        ExpectListFile(program, {fresh});
    }

    // Ctrl+Delete in the grid deletes at once; the list is then empty.
    {
        HWND main = program.StartToMainWindow();
        HWND grid = GridOf(main);
        BringToFront(main);
        ClickGridBelowRows(grid);
        Settle(main);
        SendChord({VK_CONTROL, VK_DELETE});
        Settle(main);
        PressButton(main, L"Удалить базу");
        HWND warning = WaitForMessageForm(program, L"Warning");
        CloseWithButton(warning, L"OK", "the warning");
        program.CloseAndWait(main);
        ExpectListFile(program, {});
    }
}

void RunForeignTextJourney(const std::wstring& shots)
{
    const std::wstring pid = std::to_wstring(GetCurrentProcessId());
    ProgramUnderTest program(true, L"J\u00fcrgen \u6570\u636e", L"AP_E2E_" + pid + L" \u6570\u636e");
    const BaseEntry store{"Склад", "C:\\Базы\\Склад", "Кладовщик", ""};
    program.WriteFile(L"Bases.dat", BaseListBytes({store}));
    BaseFolder folder(L"ap_e2e_" + pid + L"_foreign", L"\u03a9mega \u65e5\u672c");

    HWND main = program.StartToMainWindow();
    // The taskbar button carries the title exactly as the file is named.
    std::vector<HWND> owners = TopWindows(program.ProcessId(), L"TApplication");
    ASSERT_EQ(owners.size(), 1u);
    EXPECT_EQ(Utf8(TextOf(owners[0])), Utf8(program.Title()));

    // The help beside the program is found and shown.
    PressButton(main, L"Помощь");
    HWND about = WaitForWindow(program.ProcessId(), kHelpFormClass, kHelpCaption);
    SaveScreenshot(about, shots + L"help-beyond-1251");
    // Read from outside, the box's text passes through the system's code
    // page: its Latin words and its length tell the help from the one line
    // that names a missing file.
    std::wstring help = HelpText(about);
    EXPECT_NE(help.find(L"AutoPeriod"), std::wstring::npos) << Utf8(help);
    EXPECT_GT(help.size(), 2000u) << Utf8(help);
    CloseWithButton(about, L"Закрыть", "the About window");

    // The list beside it was loaded: its entry is the one edited.
    DoubleClickGrid(GridOf(main));
    HWND editor = WaitForEditor(program, kEditBaseCaption);
    EXPECT_EQ(Readable(ReadEditor(editor).Name), Readable(store.Name));

    // Pasted text that Windows-1251 cannot hold is not stored; the operator
    // is told which box holds which characters and the editor keeps it all.
    // Letters typed with combining marks: "x" with its mark is told as one
    // character, and "e" with U+0301 is the é already listed.
    const std::wstring name = L"Бухгалтерия \u6570\u636e Qazaqstan \u04d8лем caf\u00e9 x\u030c cafe\u0301";
    const std::wstring path = L"C:\\Базы\\\u6570\u636e\u5e93\\M\u00fcller";
    EditorBoxes boxes = EditorBoxesOf(editor);
    SetText(boxes.Name, name);
    SetText(boxes.Path, path);
    PressButton(editor, L"OK");
    HWND warning = WaitForMessageForm(program, L"Warning");
    SaveScreenshot(warning, shots + L"message-beyond-1251");
    std::wstring told = CopyMessageText(warning);
    EXPECT_NE(told.find(L"\nНазвание: \"\u6570\" (U+6570), \"\u636e\" (U+636E), "
                        L"\"\u04d8\" (U+04D8), \"\u00e9\" (U+00E9), \"x\u030c\" (U+0078 U+030C)\n"),
              std::wstring::npos)
        << Utf8(told);
    CloseWithButton(warning, L"OK", "the warning");
    EXPECT_TRUE(IsWindowVisible(editor));
    SaveScreenshot(editor, shots + L"editor-beyond-1251");
    EXPECT_EQ(Utf8(TextOf(boxes.Name)), Utf8(name));
    EXPECT_EQ(Utf8(TextOf(boxes.Path)), Utf8(path));

    // The name fits now (its "е" typed with U+0308 is the "ё" that
    // Windows-1251 has), and the typed path is taken as the folder chooser
    // takes one: a folder that is not there has no short name, and the
    // operator is told why.
    SetText(boxes.Name, L"Склад Qazaqstan Уче\u0308т");
    PressButton(editor, L"OK");
    warning = WaitForMessageForm(program, L"Warning");
    SaveScreenshot(warning, shots + L"message-path-refused");
    told = CopyMessageText(warning);
    EXPECT_NE(told.find(L"\"" + path + L"\""), std::wstring::npos) << Utf8(told);
    EXPECT_NE(told.find(L", код ошибки "), std::wstring::npos) << Utf8(told);
    CloseWithButton(warning, L"OK", "the warning");

    // A folder named beyond it is taken by a name that leads to it.
    PressButton(editor, L"...");
    HWND chooser = WaitForWindow(program.ProcessId(), kSelectDirectoryFormClass, kSelectDirectoryCaption);
    SelectFolderByKeys(chooser, folder.TreeLabels());
    SaveScreenshot(chooser, shots + L"chooser-beyond-1251");
    CloseWithButton(chooser, L"Выбрать каталог", "the folder chooser");
    std::wstring stored = TextOf(boxes.Path);
    EXPECT_TRUE(FitsCp1251(stored)) << Utf8(stored);
    wchar_t longPath[MAX_PATH] = {};
    GetLongPathNameW(stored.c_str(), longPath, MAX_PATH);
    EXPECT_EQ(Utf8(longPath), Utf8(folder.Path()));
    SaveScreenshot(editor, shots + L"editor-short-path");
    CloseWithButton(editor, L"OK", "the editor");
    program.CloseAndWait(main);
    ExpectListFile(program, {{"Склад Qazaqstan Учёт", Narrow(stored), store.Login, store.Password}});

    // Its window state has a key of its own that names it; another copy whose
    // name differs only beyond the code page keeps its own.
    EXPECT_TRUE(RegistryKeyExists(program.RegistryKey("NewForm")));
    ProgramUnderTest other(true, L"Базы 1С", L"AP_E2E_" + pid + L" \u65e5\u672c");
    other.Start();
    other.CloseAndWait(other.WaitForMainWindow());
    EXPECT_TRUE(RegistryKeyExists(other.RegistryKey("MainForm")));
    EXPECT_FALSE(RegistryKeyExists(other.RegistryKey("NewForm")));
    EXPECT_FALSE(RegistryKeyExists("Software\\AP_E2E_" + Utf8(pid) + " ??"));
}

}  // namespace

// An operator who cannot use a mouse: Tab, Enter, the arrows and typing,
// nothing else, for every task of the program.
TEST(EditingJourney, EveryTaskIsDoneWithTheKeyboardAlone)
{
    ProgramUnderTest program;
    program.WriteFile(L"Bases.dat", BaseListBytes({{"Архив", "C:\\Архив", "", ""}}));
    BaseFolder folder(L"ap_e2e_" + std::to_wstring(GetCurrentProcessId()) + L"_keys", L"Склад");
    HWND main = program.StartToMainWindow();
    HWND grid = GridOf(main);
    auto press = [&](HWND window, const wchar_t* button) {
        TabTo(window, Child(window, L"Button", button));
        PostKeyToFocus(window, VK_RETURN);
    };

    // Add, the folder chosen in the tree.
    press(main, L"Добавить базу");
    HWND editor = WaitForEditor(program, kNewBaseCaption);
    EditorBoxes boxes = EditorBoxesOf(editor);
    TabTo(editor, boxes.Name);
    RetypeFocused(editor, L"Склад");
    press(editor, L"...");
    HWND chooser = WaitForWindow(program.ProcessId(), kSelectDirectoryFormClass, kSelectDirectoryCaption);
    SelectFolderByKeys(chooser, folder.TreeLabels());
    press(chooser, L"Выбрать каталог");
    WaitWindowGone(chooser, "the folder chooser");
    EXPECT_EQ(Utf8(TextOf(boxes.Path)), Utf8(folder.Path()));
    TabTo(editor, boxes.Login);
    RetypeFocused(editor, L"Кладовщик");
    press(editor, L"OK");
    WaitWindowGone(editor, "the editor");

    // Edit: Enter on the entry in the list.
    TabTo(main, grid);
    PostKey(grid, VK_DOWN);
    PostKeyToFocus(main, VK_RETURN);
    editor = WaitForEditor(program, kEditBaseCaption);
    EXPECT_EQ(Utf8(TextOf(boxes.Name)), Utf8(L"Склад"));
    TabTo(editor, boxes.Name);
    RetypeFocused(editor, L"Склад центральный");
    press(editor, L"OK");
    WaitWindowGone(editor, "the editor");

    // Delete the first entry, granting the question.
    TabTo(main, grid);
    PostKey(grid, VK_UP);
    press(main, L"Удалить базу");
    HWND question = WaitForMessageForm(program, L"Confirm");
    press(question, L"OK");
    WaitWindowGone(question, "the question");

    // Read the help, and close it.
    press(main, L"Помощь");
    HWND about = WaitForWindow(program.ProcessId(), kHelpFormClass, kHelpCaption);
    EXPECT_NE(HelpText(about).find(L"AutoPeriod"), std::wstring::npos);
    press(about, L"Закрыть");
    WaitWindowGone(about, "the About window");

    press(main, L"Закрыть");
    EXPECT_EQ(program.WaitForExit(), 0u);
    ExpectListFile(program, {{"Склад центральный", Narrow(folder.Path()), "Кладовщик", ""}});
}

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

TEST(EditingJourney, FromAFolderBeyondWindows1251NothingIsStoredAsQuestionMarks)
{
    RunForeignTextJourney(std::wstring());
}

TEST(EditingJourneyEnglishLocale, FromAFolderBeyondWindows1251NothingIsStoredAsQuestionMarksUnderCodePage1252)
{
    ASSERT_EQ(GetACP(), 1252u) << "this run needs the English locale (LC_ALL=en_US.UTF-8)";
    RunForeignTextJourney(L"en-");
}
