#include "GridTestSupport.h"
#include "WinTestSupport.h"

#include "forms/MainUnit.h"
#include "forms/NewBaseUnit.h"
#include "forms/SelectDirectoryUnit.h"
#include "platform/WideText.h"

#include <gtest/gtest.h>

#include <array>
#include <cwchar>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace {

using Entry = std::array<std::string, 4>;  // Name, Path, Login, Password
const char* const kFields[] = {"Name", "Path", "Login", "Password"};

// The editor with the windows it works with: a main window (not created:
// only its table is needed) and the folder chooser, wired to the globals.
class NewBaseFormTest : public testing::Test {
protected:
    void SetUp() override
    {
        TestApplication();
        ReportedErrors().clear();
        MainForm = &main;
        SelectDirectoryForm = &chooser;
        NewBaseForm = &editor;
        chooser.Create();
        editor.Create();
    }

    void TearDown() override
    {
        EXPECT_FALSE(editor.Visible());
        EXPECT_TRUE(ReportedErrors().empty());
        NewBaseForm = nullptr;
        SelectDirectoryForm = nullptr;
        MainForm = nullptr;
    }

    TRxMemoryData& Table() { return main.BaseRxMemoryData; }

    // The selection in a box: its first character and the one after it.
    static std::pair<DWORD, DWORD> Selection(const TEdit& box)
    {
        DWORD from = 0, to = 0;
        SendMessageW(box.Handle(), EM_GETSEL, WPARAM(&from), LPARAM(&to));
        return {from, to};
    }

    // OK that must store the entry: a warning instead is closed, reported,
    // and the editor cancelled, so that the test ends rather than waits.
    void OKExpectingNoMessage()
    {
        std::wstring unexpected;
        CloseNextMessage(unexpected);
        editor.OKButton.Click();
        ClearPendingActions();
        EXPECT_EQ(unexpected, L"") << Narrow(unexpected);
        if (editor.ModalResult == mrNone)
            editor.CancelButton.Click();
    }

    void AddRow(const Entry& entry)
    {
        Table().InsertRow();
        for (int i = 0; i < 4; ++i)
            Table().SetFieldText(kFields[i], entry[i]);
        Table().PostRow();
    }

    std::vector<Entry> Rows()
    {
        std::vector<Entry> rows;
        int current = Table().CurrentRowNumber();
        for (Table().GoToFirstRow(); !Table().IsTableEmpty() && !Table().AtEnd(); Table().GoToNextRow()) {
            Entry e;
            for (int i = 0; i < 4; ++i)
                e[i] = Table().GetFieldText(kFields[i]);
            rows.push_back(e);
        }
        if (current > 0)
            Table().SetCurrentRowNumber(current);
        return rows;
    }

    Entry Boxes()
    {
        return {editor.NameEdit.Text(), editor.PathEdit.Text(), editor.LoginEdit.Text(), editor.PasswordEdit.Text()};
    }

    void Type(const Entry& entry)
    {
        editor.NameEdit.SetText(entry[0]);
        editor.PathEdit.SetText(entry[1]);
        editor.LoginEdit.SetText(entry[2]);
        editor.PasswordEdit.SetText(entry[3]);
    }

    // Shows the editor modally in the given mode and runs `whileShown` inside
    // its loop; the action must end the showing.
    void ShowEditor(bool newMode, std::function<void()> whileShown)
    {
        NewBaseMode = newMode;
        PostAction(std::move(whileShown));
        editor.ShowModal();
    }

    TScopedForm<TMainForm> main;
    TScopedForm<TSelectDirectoryForm> chooser;
    TScopedForm<TNewBaseForm> editor;
};

const Entry kBuh{"Бухгалтерия", "C:\\Базы\\Бух", "Главбух", "секрет"};
const Entry kZup{"Зарплата", "D:\\1C\\ЗУП", "Кадры", ""};
const Entry kDefaults{"Новая информационная база", "", "Administrator", ""};

}  // namespace

TEST_F(NewBaseFormTest, ABoxFocusedByTheKeyboardOrAtAShowingSelectsItsTextAndAClickPlacesTheCaret)
{
    auto whole = [](const TEdit& box) { return std::pair<DWORD, DWORD>{0, DWORD(box.WideText().size())}; };
    // Left with Alt+F4 while the name box had the focus.
    ShowEditor(true, [&] {
        editor.NameEdit.SetFocus();
        PostMessageW(GetFocus(), WM_SYSKEYDOWN, VK_F4, (KF_ALTDOWN << 16) | 1);
    });
    ShowEditor(true, [&] {
        ASSERT_EQ(GetFocus(), editor.NameEdit.Handle());
        EXPECT_EQ(Selection(editor.NameEdit), whole(editor.NameEdit));
        for (wchar_t c : std::wstring(L"Склад2"))
            SendMessageW(GetFocus(), WM_CHAR, c, 1);
        // Tab past the path box and the folder button, then back.
        for (bool shift : {false, false, false, true, true, true}) {
            PressKey(GetFocus(), VK_TAB, false, shift);
            Pump(20);
        }
        EXPECT_EQ(GetFocus(), editor.NameEdit.Handle());
        EXPECT_EQ(Selection(editor.NameEdit), whole(editor.NameEdit));
        editor.PathEdit.SetText("C:\\Базы\\Склад");
        PressKey(GetFocus(), VK_TAB);
        Pump(20);
        EXPECT_EQ(Selection(editor.PathEdit), whole(editor.PathEdit));
        // A click into the login box: the caret where it was made.
        RECT box;
        GetClientRect(editor.LoginEdit.Handle(), &box);
        const LPARAM middle = MAKELPARAM(box.right / 2, box.bottom / 2);
        SendMessageW(editor.LoginEdit.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, middle);
        SendMessageW(editor.LoginEdit.Handle(), WM_LBUTTONUP, 0, middle);
        EXPECT_EQ(GetFocus(), editor.LoginEdit.Handle());
        const auto [from, to] = Selection(editor.LoginEdit);
        EXPECT_EQ(from, to);
        EXPECT_GT(from, 0u);
        editor.OKButton.Click();
    });
    EXPECT_EQ(Rows(), (std::vector<Entry>{{"Склад2", "C:\\Базы\\Склад", "Administrator", ""}}));
}

TEST_F(NewBaseFormTest, EditModeOnAnEmptyTableShowsEmptyBoxesAndOKAddsARow)
{
    ShowEditor(false, [&] {
        EXPECT_EQ(Boxes(), (Entry{"", "", "", ""}));
        editor.LoginEdit.SetText("Гость");
        editor.OKButton.Click();
    });
    EXPECT_EQ(Rows(), (std::vector<Entry>{{"", "", "Гость", ""}}));
}

TEST_F(NewBaseFormTest, NewModeShowsTheDefaultsWhateverWasTypedBeforeAndEnterAtOnceAddsThemInTheirSortedPlace)
{
    AddRow(kBuh);
    AddRow({"Склад", "", "", ""});
    AddRow({"Архив", "", "", ""});
    Type(kZup);
    ShowEditor(true, [&] {
        EXPECT_EQ(editor.Caption(), "Подключение новой информационной базы");
        EXPECT_EQ(Boxes(), kDefaults);
        EXPECT_EQ(editor.ActiveControl(), &editor.OKButton);
        PostMessageW(GetFocus(), WM_KEYDOWN, VK_RETURN, 0);
    });
    EXPECT_EQ(Rows(), (std::vector<Entry>{{"Архив", "", "", ""}, kBuh, kDefaults, {"Склад", "", "", ""}}));
    EXPECT_EQ(Table().GetFieldText("Name"), "Новая информационная база");  // the new row is current
}

TEST_F(NewBaseFormTest, EditModeShowsTheCurrentRowAndOKChangesItAndMovesItToItsSortedPlace)
{
    AddRow(kZup);
    AddRow(kBuh);  // inserted before the current row, and current
    const Entry changed{"Ясли", "E:\\Ясли", "Воспитатель", "пароль"};
    ShowEditor(false, [&] {
        EXPECT_EQ(editor.Caption(), "Редактирование информационной базы");
        EXPECT_EQ(Boxes(), kBuh);
        Type(changed);
        editor.OKButton.Click();
    });
    EXPECT_EQ(Rows(), (std::vector<Entry>{kZup, changed}));
    EXPECT_EQ(Table().GetFieldText("Name"), "Ясли");
}

TEST_F(NewBaseFormTest, CancelAndTheCloseBoxLeaveTheTableUntouchedInBothModes)
{
    AddRow(kBuh);
    const std::vector<Entry> before = Rows();
    struct Case {
        const char* how;
        bool newMode;
        std::function<void()> close;
    };
    const Case cases[] = {
        {"Отмена, new mode", true, [&] { editor.CancelButton.Click(); }},
        {"Отмена, edit mode", false, [&] { editor.CancelButton.Click(); }},
        {"close box, new mode", true, [&] { SendMessageW(editor.Handle(), WM_SYSCOMMAND, SC_CLOSE, 0); }},
        {"close box, edit mode", false, [&] { SendMessageW(editor.Handle(), WM_SYSCOMMAND, SC_CLOSE, 0); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.how);
        ShowEditor(c.newMode, [&] {
            Type(kZup);
            c.close();
        });
        EXPECT_FALSE(editor.Visible());
        EXPECT_EQ(Rows(), before);
        EXPECT_EQ(Table().State(), TDataSetState::dsBrowse);
    }
}

TEST_F(NewBaseFormTest, EscapeAndEnterInABoxNeitherCloseTheDialogNorTouchTheTable)
{
    ShowEditor(true, [&] {
        editor.NameEdit.SetFocus();
        for (WPARAM key : {VK_ESCAPE, VK_RETURN}) {
            PostMessageW(GetFocus(), WM_KEYDOWN, key, 0);
            Pump(30);
            EXPECT_EQ(editor.ModalResult, mrNone) << "key " << key;
        }
        editor.CancelButton.Click();
    });
    EXPECT_TRUE(Table().IsTableEmpty());
}

TEST_F(NewBaseFormTest, ANameLongerThanItsFieldIsStoredAndShownCutTo100Characters)
{
    std::string longName;
    for (int i = 0; i < 15; ++i)
        longName += "База" + std::to_string(100000 + i);  // 10 characters each
    ASSERT_EQ(longName.size(), 150u);
    ShowEditor(true, [&] {
        editor.NameEdit.SetText(longName);
        editor.OKButton.Click();
    });
    ShowEditor(false, [&] {
        EXPECT_EQ(editor.NameEdit.Text(), longName.substr(0, 100));
        editor.CancelButton.Click();
    });
}

TEST_F(NewBaseFormTest, LineBreaksInTheBoxesAreStoredAsBlanks)
{
    // Bases.dat holds one value per line: a line break kept in a value would
    // split the entry there when the file is read back.
    ShowEditor(true, [&] {
        Type({"Бух\r\nгалтерия", "C:\\Базы\rБух", "Глав\nбух", "\r\nсекрет\n\r"});
        editor.OKButton.Click();
    });
    EXPECT_EQ(Rows(), (std::vector<Entry>{{"Бух  галтерия", "C:\\Базы Бух", "Глав бух", "  секрет  "}}));
}

TEST_F(NewBaseFormTest, TheFolderButtonTakesAChosenFolderAndKeepsThePathWhenTheChooserIsCancelled)
{
    editor.PathEdit.SetText("C:\\Старый путь");
    // As "Выбрать каталог" would: the directory, the flag, then close.
    PostAction([&] {
        EXPECT_TRUE(chooser.Visible());
        SelectedDirectory = "D:\\Базы 1С\\Склад";
        DirectorySelected = true;
        chooser.Close();
    });
    editor.SelectDirectoryBitBtn.Click();
    EXPECT_EQ(editor.PathEdit.Text(), "D:\\Базы 1С\\Склад");

    // As "Отмена" would: the flag is off, whatever the global holds.
    PostAction([&] {
        SelectedDirectory = "E:\\Другой";
        DirectorySelected = false;
        chooser.Close();
    });
    editor.SelectDirectoryBitBtn.Click();
    EXPECT_EQ(editor.PathEdit.Text(), "D:\\Базы 1С\\Склад");
    EXPECT_FALSE(chooser.Visible());
}

TEST_F(NewBaseFormTest, TheFolderButtonSaysWhatItDoesToScreenReadersAndInATooltip)
{
    const HWND button = editor.SelectDirectoryBitBtn.Handle();
    EXPECT_EQ(TextOf(button), "...");
    ComPtr<IAccessible> object = AccessibleOf(button);
    ASSERT_TRUE(object);
    EXPECT_EQ(AccessibleName(object.Get()), L"Выбрать папку базы");
    EXPECT_EQ(ToolTipText(editor.Handle(), reinterpret_cast<UINT_PTR>(button)), L"Выбрать папку базы");
}

TEST_F(NewBaseFormTest, TextBeyondWindows1251IsNotStoredAndTheOperatorIsToldWhichBoxHoldsWhichCharacters)
{
    AddRow(kBuh);
    const std::wstring name = L"Бухгалтерия \u6570\u636e Qazaqstan Әлем café 数";
    const std::wstring path = L"C:\\Базы\\\u6570\u636e库\\Müller";
    const std::wstring password = L"пароль\U0001F600";
    std::wstring message;
    std::string caption;
    ShowEditor(false, [&] {
        SetWindowTextW(editor.NameEdit.Handle(), name.c_str());
        SetWindowTextW(editor.PathEdit.Handle(), path.c_str());
        SetWindowTextW(editor.PasswordEdit.Handle(), password.c_str());
        CloseNextMessage(message, &caption);
        editor.OKButton.Click();
        // Still open, the text as typed, the first such character selected.
        EXPECT_TRUE(editor.Visible());
        EXPECT_EQ(editor.NameEdit.WideText(), name);
        EXPECT_EQ(editor.PathEdit.WideText(), path);
        EXPECT_EQ(editor.PasswordEdit.WideText(), password);
        EXPECT_EQ(GetFocus(), editor.NameEdit.Handle());
        EXPECT_EQ(Selection(editor.NameEdit), (std::pair<DWORD, DWORD>{12, 13}));
        editor.CancelButton.Click();
    });
    EXPECT_EQ(caption, "Warning");
    EXPECT_EQ(Rows(), (std::vector<Entry>{kBuh}));
    EXPECT_NE(message.find(L"\nНазвание: \"\u6570\" (U+6570), \"\u636e\" (U+636E), "
                           L"\"\u04d8\" (U+04D8), \"\u00e9\" (U+00E9)\n"),
              std::wstring::npos);
    EXPECT_NE(message.find(L"\nПароль: \"\U0001F600\" (U+1F600)\n"), std::wstring::npos);
    EXPECT_EQ(message.find(L"Пользователь"), std::wstring::npos);
    // The path is taken as the folder chooser takes one, after the rest.
    EXPECT_EQ(message.find(L"Путь"), std::wstring::npos);
}

TEST_F(NewBaseFormTest, ATypedFolderBeyondWindows1251IsKeptByItsShortNameOrRefusedWithTheReason)
{
    TempFolder temp;
    const std::wstring folder = temp.WidePath() + L"Учёт \u65e5\u672c";
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    wchar_t shortPath[MAX_PATH] = {};
    ASSERT_NE(GetShortPathNameW(folder.c_str(), shortPath, MAX_PATH), 0u);
    const std::string shortName = Narrow(wcsrchr(shortPath, L'\\') + 1);
    const std::wstring missing = folder + L"\\\u6570\u636e";
    std::wstring message;
    ShowEditor(true, [&] {
        SetWindowTextW(editor.PathEdit.Handle(), missing.c_str());
        CloseNextMessage(message);
        editor.OKButton.Click();
        EXPECT_TRUE(editor.Visible());
        EXPECT_EQ(GetFocus(), editor.PathEdit.Handle());
        const DWORD at = DWORD(temp.WidePath().size() + 5);
        EXPECT_EQ(Selection(editor.PathEdit), (std::pair<DWORD, DWORD>{at, at + 1}));
        SetWindowTextW(editor.PathEdit.Handle(), folder.c_str());
        OKExpectingNoMessage();
    });
    // Not there, so no short name: said so, with the system's reason.
    EXPECT_NE(message.find(L"\"" + missing + L"\""), std::wstring::npos);
    EXPECT_NE(message.find(L"код ошибки 2."), std::wstring::npos) << Narrow(message);
    // Only the part that does not fit is replaced.
    EXPECT_EQ(Rows(),
              (std::vector<Entry>{{"Новая информационная база", temp.Path() + shortName, "Administrator", ""}}));
}

TEST_F(NewBaseFormTest, ALetterTypedWithACombiningMarkIsStoredComposedAndOneWithoutAComposedFormIsToldWhole)
{
    std::wstring message;
    ShowEditor(true, [&] {
        SetWindowTextW(editor.NameEdit.Handle(), L"Уче\u0308т x\u030c");
        SetWindowTextW(editor.PathEdit.Handle(), L"C:\\Уче\u0308т");
        SetWindowTextW(editor.LoginEdit.Handle(), L"Пе\u0308тр");
        CloseNextMessage(message);
        editor.OKButton.Click();
        EXPECT_EQ(Selection(editor.NameEdit), (std::pair<DWORD, DWORD>{6, 8}));
        SetWindowTextW(editor.NameEdit.Handle(), L"Уче\u0308т");
        OKExpectingNoMessage();
    });
    EXPECT_NE(message.find(L"\nНазвание: \"x\u030c\" (U+0078 U+030C)\n"), std::wstring::npos) << Narrow(message);
    EXPECT_EQ(message.find(L"Пользователь"), std::wstring::npos);
    EXPECT_EQ(Rows(), (std::vector<Entry>{{"Учёт", "C:\\Учёт", "Пётр", ""}}));
}
