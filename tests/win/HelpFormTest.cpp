#include "GridTestSupport.h"
#include "FaultPlan.h"

#include "forms/HelpUnit.h"
#include "forms/MainUnit.h"
#include "platform/FileApi.h"
#include "platform/Handles.h"
#include "platform/WideText.h"

#include <gtest/gtest.h>

#include <richedit.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

// The About window over a help file in a temporary program folder.
class HelpFormTest : public testing::Test {
protected:
    void SetUp() override
    {
        TestApplication();
        ReportedErrors().clear();
        savedFolder_ = ProgramFolder;
        ProgramFolder = folder.WidePath();
    }

    void TearDown() override
    {
        form.reset();
        ClearPendingActions();
        FileFaults::Disarm();
        ProgramFolder = savedFolder_;
        ReportedErrors().clear();
    }

    std::string HelpFile() const { return folder.Path() + "Readme.rtf"; }

    void WriteHelpFile(const std::string& bytes) { WriteBytes(Wide(HelpFile()), bytes); }

    // A new window, created as at program start (which reads the file).
    THelpForm& NewForm(bool highContrast = false)
    {
        form = std::make_unique<TScopedForm<THelpForm>>();
        form->HelpFormStorage.Active = false;
        form->HighContrast = [highContrast] { return highContrast; };
        form->Create();
        return *form;
    }

    // Shows the window once and lets it put the text into the box.
    void ShowOnce()
    {
        form->Show();
        DispatchQueued();
        form->Hide();
    }

    // A new window, shown once.
    THelpForm& CreateForm(bool highContrast = false)
    {
        NewForm(highContrast);
        ShowOnce();
        return *form;
    }

    // The character format of one character.
    CHARFORMATW FormatAt(int position)
    {
        HWND box = form->HelpRichEdit.Handle();
        CHARRANGE range{position, position + 1};
        SendMessageW(box, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
        CHARFORMATW format{};
        format.cbSize = sizeof(format);
        SendMessageW(box, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
        return format;
    }

    bool IsBold(int position)
    {
        const CHARFORMATW format = FormatAt(position);
        return (format.dwMask & CFM_BOLD) && (format.dwEffects & CFE_BOLD);
    }

    // The colour the character is drawn in; the window text colour for
    // one drawn in the system's colour.
    COLORREF ColourAt(int position)
    {
        const CHARFORMATW format = FormatAt(position);
        return format.dwEffects & CFE_AUTOCOLOR ? GetSysColor(COLOR_WINDOWTEXT) : format.crTextColor;
    }

    TempFolder folder;
    std::unique_ptr<THelpForm> form;

private:
    std::wstring savedFolder_;
};

// Whatever lies in Readme.rtf, the About window opens, shows what it can and
// closes, and the program goes on.
class BadHelpFileTest : public HelpFormTest {
protected:
    // Creates the window, then shows it modally (the first showing loads
    // the file) and closes it with its button.
    void CreateShowAndClose()
    {
        ASSERT_NE(NewForm().Handle(), nullptr);
        bool shown = false;
        PostAction([&] {
            shown = form->Visible();
            form->ButtonClose.Click();
        });
        form->ShowModal();
        DispatchQueued();
        EXPECT_TRUE(shown);
        EXPECT_FALSE(form->Visible());
        EXPECT_TRUE(IsWindow(form->HelpRichEdit.Handle()));
        // A failed load may report once, and only that it could not load.
        ASSERT_LE(ReportedErrors().size(), 1u);
        if (!ReportedErrors().empty())
            EXPECT_EQ(ReportedErrors()[0], "Failed to Load Stream.");
    }
};

const char kInitialText[] = "Тест !!!!\r\n\r\nТест !!!!\r\n\r\nТест !!!!\r\n\r\nТест !!!!\r\n\r\nТест !!!!";

}  // namespace

TEST_F(HelpFormTest, ShowsARichTextFileWithItsFormattingAndCannotBeEdited)
{
    WriteHelpFile("{\\rtf1\\ansi\\ansicpg1251{\\fonttbl{\\f0\\fcharset204 MS Sans Serif;}}"
                  "\\f0 {\\b Жирный} простой\\par Вторая строка\\par}");
    THelpForm& help = CreateForm();
    EXPECT_TRUE(ReportedErrors().empty());
    const std::string shown = "Жирный простой\r\nВторая строка";
    EXPECT_EQ(help.HelpRichEdit.Text().substr(0, shown.size()), shown);
    EXPECT_TRUE(IsBold(0));
    EXPECT_FALSE(IsBold(8));

    HWND box = help.HelpRichEdit.Handle();
    EXPECT_TRUE(GetWindowLongW(box, GWL_STYLE) & ES_READONLY);
    std::string before = help.HelpRichEdit.Text();
    SendMessageW(box, WM_CHAR, L'Я', 0);
    SendMessageW(box, WM_KEYDOWN, VK_DELETE, 0);
    EXPECT_EQ(help.HelpRichEdit.Text(), before);
}

TEST_F(HelpFormTest, TheFileIsReadAtStartAndGoesIntoTheBoxOnlyOnceTheWindowIsUp)
{
    WriteHelpFile("{\\rtf1\\ansi\\ansicpg1251 При запуске\\par}");
    NewForm();
    const std::string waiting = form->HelpRichEdit.Text();
    EXPECT_EQ(waiting.find("При запуске"), std::string::npos);
    EXPECT_NE(waiting, kInitialText);

    WriteHelpFile("{\\rtf1\\ansi\\ansicpg1251 При первом показе\\par}");
    form->Show();
    // The control may take minutes over a text: the window appears first.
    EXPECT_TRUE(form->Visible());
    EXPECT_EQ(form->HelpRichEdit.Text(), waiting);
    DispatchQueued();
    form->Hide();
    WriteHelpFile("{\\rtf1\\ansi\\ansicpg1251 Позже\\par}");
    ShowOnce();
    const std::string shown = "При запуске";
    EXPECT_EQ(form->HelpRichEdit.Text().substr(0, shown.size()), shown);
    EXPECT_TRUE(ReportedErrors().empty());
}

TEST_F(HelpFormTest, UnderHighContrastTheTextIsDrawnInTheSystemsColoursAndBackInItsOwnAfter)
{
    WriteHelpFile("{\\rtf1\\ansi{\\colortbl;\\red0\\green0\\blue128;}{\\b\\cf1 Heading}\\par Text\\par}");
    const COLORREF navy = RGB(0, 0, 128), system = GetSysColor(COLOR_WINDOWTEXT);
    ASSERT_NE(navy, system);
    EXPECT_EQ(CreateForm(false).HelpRichEdit.Text().substr(0, 7), "Heading");
    EXPECT_EQ(ColourAt(0), navy);
    CreateForm(true);
    EXPECT_EQ(ColourAt(0), system);
    EXPECT_EQ(ColourAt(9), system);
    EXPECT_TRUE(IsBold(0));

    // Turned off while the program runs: the text's own colours come back.
    form->HighContrast = [] { return false; };
    SendMessageW(form->Handle(), WM_SYSCOLORCHANGE, 0, 0);
    ShowOnce();
    EXPECT_EQ(ColourAt(0), navy);
    EXPECT_TRUE(ReportedErrors().empty());
}

TEST_F(HelpFormTest, APlainTextFileShowsOneLineBreakPerLineEndOfAnyKind)
{
    const std::string threeLines = "Первая\r\nВторая\r\nТретья";
    struct Case {
        const char* name;
        std::string bytes;
        std::string shown;
    };
    const Case cases[] = {
        {"CR", "Первая\rВторая\rТретья", threeLines},
        {"LF", "Первая\nВторая\nТретья", threeLines},
        {"CR LF", "Первая\r\nВторая\r\nТретья", threeLines},
        {"LF CR and CR CR LF make empty lines", "Первая\n\rВторая\r\r\nТретья", "Первая\r\n\r\nВторая\r\n\r\nТретья"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteHelpFile(c.bytes);
        THelpForm& help = CreateForm();
        EXPECT_TRUE(ReportedErrors().empty());
        EXPECT_EQ(help.HelpRichEdit.Text(), c.shown);
    }
}

TEST_F(HelpFormTest, ALongPlainTextFileIsShownWholeAcrossManyReadRequests)
{
    // Several times the control's default text limit and its read request
    // size, with CR LF pairs falling on every kind of chunk boundary.
    std::string bytes, expected;
    int lines = 0;
    for (; bytes.size() < 80000; ++lines) {
        std::string line = "Строка номер " + std::to_string(lines) + std::string(lines % 37, '.');
        bytes += line + "\r\n";
        expected += line + "\r\n";
    }
    WriteHelpFile(bytes);
    THelpForm& help = CreateForm();
    EXPECT_TRUE(ReportedErrors().empty());
    std::string text = help.HelpRichEdit.Text();
    EXPECT_EQ(text.size(), expected.size());
    EXPECT_TRUE(text == expected);
    EXPECT_EQ(help.HelpRichEdit.LineCount(), lines + 1);
}

TEST_F(HelpFormTest, AMissingHelpFileOrADirectoryOfThatNameShowsTheNotFoundText)
{
    const std::string notFound = "Файл помощи \"" + HelpFile() + "\" не найден";
    EXPECT_EQ(CreateForm().HelpRichEdit.Text(), notFound);
    ASSERT_TRUE(CreateDirectoryW(Wide(HelpFile()).c_str(), nullptr));
    EXPECT_EQ(CreateForm().HelpRichEdit.Text(), notFound);
    EXPECT_TRUE(ReportedErrors().empty());
}

TEST_F(HelpFormTest, AFileHeldOpenForWritingIsReportedAtStartAndTheInitialTextStays)
{
    WriteHelpFile("{\\rtf1 Справка}");
    UniqueHandle writer(CreateFileW(Wide(HelpFile()).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(writer);
    THelpForm& help = NewForm();
    EXPECT_NE(help.Handle(), nullptr);
    EXPECT_EQ(ReportedErrors(), std::vector<std::string>{"Cannot open file " + HelpFile() + "."});
    ShowOnce();
    EXPECT_EQ(help.HelpRichEdit.Text(), kInitialText);
    EXPECT_EQ(help.HelpRichEdit.LineCount(), 9);
}

TEST_F(HelpFormTest, AReadFailureAtStartIsTriedOnceMoreFromTheStartAndASecondIsReported)
{
    WriteHelpFile("{\\rtf1 Help}");
    FileFaults::Arm(2, ERROR_READ_FAULT);  // the open, then the first read
    EXPECT_EQ(CreateForm().HelpRichEdit.Text(), "Help");
    EXPECT_TRUE(ReportedErrors().empty());

    FileFaults::CrashAt(2);  // the open runs, no read does
    NewForm();
    FileFaults::Disarm();
    EXPECT_EQ(ReportedErrors(), std::vector<std::string>{"Failed to Load Stream."});
    EXPECT_EQ(form->HelpRichEdit.Text(), kInitialText);
}

TEST_F(HelpFormTest, TabCyclesBetweenTheTextAndTheCloseButtonAndOnlyThatButtonEndsTheShowing)
{
    THelpForm& help = CreateForm();
    HWND text = help.HelpRichEdit.Handle(), close = help.ButtonClose.Handle();
    std::vector<HWND> visited;
    PostAction([&] {
        ASSERT_EQ(help.ActiveControl(), &help.HelpRichEdit);
        visited.push_back(GetFocus());
        for (bool shift : {false, false, true, true}) {
            PressKey(GetFocus(), VK_TAB, false, shift);
            Pump(20);
            visited.push_back(GetFocus());
        }
        // Neither Escape nor Enter in the text box.
        for (WPARAM key : {VK_ESCAPE, VK_RETURN}) {
            PostMessageW(GetFocus(), WM_KEYDOWN, key, 0);
            Pump(30);
            EXPECT_EQ(help.ModalResult, mrNone) << "key " << key;
        }
        help.ButtonClose.Click();
    });
    help.ShowModal();
    EXPECT_FALSE(help.Visible());
    EXPECT_EQ(visited, (std::vector<HWND>{text, close, text, close, text}));
}

TEST_F(HelpFormTest, ARichTextFileOfSomeMegabytesIsShownFormattedNotAsMarkup)
{
    // Well past the two megabytes that once cut it short.
    std::string rtf = "{\\rtf1\\ansi\\ansicpg1251{\\fonttbl{\\f0\\fcharset204 MS Sans Serif;}}\\f0 {\\b Начало}\\par ";
    while (rtf.size() < 5u * 1024 * 1024 / 2)
        rtf += "Строка справки {\\i курсивом} и {\\b полужирное}.\\par\r\n";
    rtf += "Конец\\par}";
    WriteHelpFile(rtf);
    THelpForm& help = CreateForm();
    EXPECT_TRUE(ReportedErrors().empty());
    std::string shown = help.HelpRichEdit.Text();
    EXPECT_EQ(shown.substr(0, 8), "Начало\r\n");
    EXPECT_EQ(shown.find("\\par"), std::string::npos);
    EXPECT_NE(shown.find("Конец"), std::string::npos);
    EXPECT_TRUE(IsBold(0));
}

TEST_F(BadHelpFileTest, BinaryNoiseWithZeroBytesDoesNotStopTheWindow)
{
    std::mt19937 random(20261207);
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        std::string noise(64 * 1024, '\0');
        for (char& c : noise)
            c = char(random() % 4 == 0 ? 0 : random() & 0xFF);
        if (round == 1)
            noise.replace(0, 6, "{\\rtf1");  // noise behind a rich text header
        WriteHelpFile(noise);
        ReportedErrors().clear();
        CreateShowAndClose();
    }
}

TEST_F(BadHelpFileTest, AnEmptyFileShowsAnEmptyWindow)
{
    WriteHelpFile("");
    CreateShowAndClose();
    EXPECT_TRUE(ReportedErrors().empty());
    EXPECT_EQ(form->HelpRichEdit.Text(), "");
}

TEST_F(BadHelpFileTest, AFileTooLargeToShowIsNamedInTheWindowInsteadOfTakingTheProgramDown)
{
    // 20 MB takes the rich edit minutes and most of a 32-bit process's
    // memory, and past that it fails; rich text cut short would show as
    // markup. The window says so instead, rich text or plain.
    constexpr size_t kSize = 20u * 1024 * 1024;
    for (std::string start : {"{\\rtf1\\ansi ", ""}) {
        SCOPED_TRACE(start);
        std::string line = "Строка справки, длинная и скучная, повторяется много раз.\\par\r\n";
        std::string text = start;
        text.reserve(kSize + line.size());
        while (text.size() < kSize)
            text += line;
        text.resize(kSize);
        WriteHelpFile(text);
        CreateShowAndClose();
        EXPECT_TRUE(ReportedErrors().empty());
        EXPECT_EQ(form->HelpRichEdit.Text(), "Файл помощи \"" + folder.Path() +
                                                 "Readme.rtf\" слишком велик для показа: 20 МБ, а окно справки "
                                                 "показывает файлы не больше 8 МБ. Откройте его в текстовом "
                                                 "редакторе или в WordPad.");
    }
}
