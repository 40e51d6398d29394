// Journey 3: a Bases.dat written by hand, or by another tool, in the forms
// that the reader accepts beyond what the program writes: LF line ends, a
// Ctrl-Z tail, over-long lines, a lone CR, a last line without its end, a
// short last entry. It is loaded, shown sorted by name, and saved back in
// the program's own form: CR LF everywhere, values cut to their widths.
#include "Operator.h"
#include "Outcomes.h"
#include "ProgramUnderTest.h"
#include "ProgramWindows.h"
#include "Screenshot.h"
#include "WindowQuery.h"

#include <gtest/gtest.h>

namespace {

struct HandWrittenCase {
    const char* Title;
    std::string File;
    BaseEntry ReadLast;  // current when the window first shows
    std::vector<BaseEntry> SavedSorted;  // as the table holds them, in name order
};

std::vector<HandWrittenCase> Cases()
{
    const std::string longName = "Бухгалтерия " + std::string(288, 'x');
    const std::string longPath = "C:\\" + std::string(247, 'p');
    const std::string longLogin(30, 'l'), longPassword(25, 'w');
    const BaseEntry cut{longName.substr(0, 100), longPath.substr(0, 200), longLogin.substr(0, 20),
                        longPassword.substr(0, 20)};
    const BaseEntry apple{"Яблоко", "C:\\Bases\\Apple", "user", "pw"};
    const BaseEntry alpha{"альфа", "C:\\A", "", ""};

    const BaseEntry winter{"Зима", "C:\\Winter", "admin", "1"};
    const BaseEntry spring{"весна", "C:\\Spring", "", ""};
    const BaseEntry blank{"", "", "", ""};

    return {
        {"LF line ends, over-long lines and a Ctrl-Z tail",
         "Яблоко\nC:\\Bases\\Apple\nuser\npw\n" + longName + "\n" + longPath + "\n" + longLogin + "\n" + longPassword +
             "\nальфа\nC:\\A\n\n\n\x1AЮ\r\nnot an entry\r\n",
         alpha,
         {alpha, cut, apple}},
        {"a lone CR, a short last entry without its line end",
         "Зима\r\nC:\\Win\rter\r\nadmin\r\n1\r\nвесна\r\nC:\\Spring",
         spring,
         {spring, winter}},
        {"a blank line after the last entry", "Зима\r\nC:\\Winter\r\nadmin\r\n1\r\n\r\n", blank, {blank, winter}},
    };
}

BaseEntry EntryInEditor(const ProgramUnderTest& program, HWND grid)
{
    DoubleClickGrid(grid);
    HWND editor = WaitForEditor(program, kEditBaseCaption);
    BaseEntry shown = ReadEditor(editor);
    CloseWithButton(editor, L"Отмена", "the editor");
    return shown;
}

void ExpectSameEntry(const BaseEntry& actual, const BaseEntry& expected)
{
    EXPECT_EQ(Readable(actual.Name), Readable(expected.Name));
    EXPECT_EQ(Readable(actual.Path), Readable(expected.Path));
    EXPECT_EQ(Readable(actual.Login), Readable(expected.Login));
    EXPECT_EQ(Readable(actual.Password), Readable(expected.Password));
}

}  // namespace

TEST(HandWrittenListJourney, LoadsShowsSortedAndSavesBackInTheProgramsOwnForm)
{
    bool first = true;
    for (const HandWrittenCase& c : Cases()) {
        SCOPED_TRACE(c.Title);
        ProgramUnderTest program;
        program.WriteFile(L"Bases.dat", c.File);
        HWND main = program.StartToMainWindow();
        if (first)
            SaveScreenshot(main, L"main-hand-written");
        first = false;
        HWND grid = GridOf(main);

        // The entry read last is the current one, wherever the sort put it;
        // the first row shown is the first by name.
        ExpectSameEntry(EntryInEditor(program, grid), c.ReadLast);
        SelectRow(grid, 0);
        ExpectSameEntry(EntryInEditor(program, grid), c.SavedSorted.front());

        program.CloseAndWait(main);
        std::optional<std::string> saved = program.ReadFile(L"Bases.dat");
        ASSERT_TRUE(saved.has_value());
        EXPECT_EQ(Readable(*saved), Readable(BaseListBytes(c.SavedSorted)));
    }
}
