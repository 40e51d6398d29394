// Journey 5: what the operator sees when the files are in the way. Another
// program holding Bases.dat or Readme.rtf open for writing makes the
// program's own open fail with a sharing violation (32) for any user; the
// read-only attribute would be the natural way to refuse the save, but Wine
// running as root ignores it, so a write handle held at closing time stands
// in for it.
#include "Operator.h"
#include "Outcomes.h"
#include "ProgramUnderTest.h"
#include "ProgramWindows.h"
#include "Screenshot.h"
#include "WindowQuery.h"

#include "platform/Handles.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <future>

namespace {

// Another program's write handle on a file, sharing reading only.
class HeldForWriting {
public:
    explicit HeldForWriting(const std::wstring& path)
        : handle_(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr))
    {
        if (!handle_)
            throw DriverError("cannot hold " + Utf8(path) + " open: error " + std::to_string(GetLastError()));
    }
    void Release() { handle_.Reset(); }

private:
    UniqueHandle handle_;
};

const BaseEntry kAccounts{"Бухгалтерия", "C:\\Bases\\Accounts", "Иванов", "секрет"};
const BaseEntry kFresh{"Новая информационная база", "", "Administrator", ""};

bool ListLooksEmpty(const ProgramUnderTest& program, HWND main)
{
    PressButton(main, L"Удалить базу");
    HWND box = WaitForWindow(program.ProcessId(), kMessageFormClass);
    bool empty = TextOf(box) == L"Warning";
    CloseWithButton(box, empty ? L"OK" : L"Cancel", "the message window");
    return empty;
}

// The question of "Удалить базу", answered with Cancel.
std::wstring DeletionQuestion(const ProgramUnderTest& program, HWND main)
{
    PressButton(main, L"Удалить базу");
    HWND box = WaitForMessageForm(program, L"Confirm");
    std::wstring question;
    for (HWND part : Descendants(box))
        if (TextOf(part).rfind(L"Удалить базу", 0) == 0)
            question = TextOf(part);
    CloseWithButton(box, L"Cancel", "the message window");
    return question;
}

// "Добавить базу", then the editor closed as it opens with `button`: "OK"
// adds the entry kFresh.
void NewEntryClosedWith(const ProgramUnderTest& program, HWND main, const wchar_t* button)
{
    PressButton(main, L"Добавить базу");
    HWND editor = WaitForEditor(program, kNewBaseCaption);
    CloseWithButton(editor, button, "the editor");
}

// Starts the program on a list of kAccounts alone and adds kFresh through
// the editor; the main window.
HWND StartAndAddAnEntry(ProgramUnderTest& program)
{
    program.WriteFile(L"Bases.dat", BaseListBytes({kAccounts}));
    HWND main = program.StartToMainWindow();
    NewEntryClosedWith(program, main, L"OK");
    return main;
}

// Bases.dat in readable form, or a note that it is missing.
std::string SavedList(const ProgramUnderTest& program)
{
    std::optional<std::string> saved = program.ReadFile(L"Bases.dat");
    return saved ? Readable(*saved) : "<no Bases.dat>";
}

// What the system asks every program at log-off; the program's answer.
LRESULT AskToEndSession(HWND appWindow)
{
    DWORD_PTR answer = 0;
    if (!SendMessageTimeoutW(appWindow, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_NORMAL, 20000, &answer))
        throw DriverError("no answer to WM_QUERYENDSESSION");
    return LRESULT(answer);
}

}  // namespace

TEST(FailurePathJourney, ListHeldOpenAtStartIsReportedAndTheWindowOpensEmptyWithTheFileKept)
{
    ProgramUnderTest program;
    const std::string original = BaseListBytes({kAccounts});
    program.WriteFile(L"Bases.dat", original);
    HeldForWriting hold(program.PathOf(L"Bases.dat"));

    program.Start();
    HWND box = WaitForErrorBox(program);
    SaveScreenshot(box, L"error-box");
    EXPECT_EQ(Utf8(ErrorBoxText(box)), "I/O error 32.");
    // Reported while the main window is being created, before it shows.
    EXPECT_TRUE(TopWindows(program.ProcessId(), kMainFormClass).empty());
    AnswerErrorBox(box);

    HWND main = program.WaitForMainWindow();
    EXPECT_TRUE(ListLooksEmpty(program, main));
    hold.Release();
    program.CloseAndWait(main);

    // The save of the empty list kept the file it could not read.
    EXPECT_EQ(program.ReadFile(L"Bases.dat"), "");
    EXPECT_EQ(program.ReadFile(L"Bases.dat.bak"), original);
}

TEST(FailurePathJourney, ListHeldOpenAtCloseKeepsTheWindowOpenAndLosesNothing)
{
    ProgramUnderTest program;
    HWND main = StartAndAddAnEntry(program);
    SelectRow(GridOf(main), 1);

    HeldForWriting hold(program.PathOf(L"Bases.dat"));
    CloseWithCloseBox(main);
    HWND box = WaitForErrorBox(program);
    EXPECT_EQ(Utf8(ErrorBoxText(box)), "I/O error 32.");
    AnswerErrorBox(box);
    Settle(main);
    EXPECT_TRUE(program.Running());
    EXPECT_TRUE(IsWindowVisible(main));
    EXPECT_EQ(program.ReadFile(L"Bases.dat"), BaseListBytes({kAccounts}));
    EXPECT_EQ(program.ReadFile(L"Bases.dat.tmp"), std::nullopt);
    // The refused save left the operator's entry current.
    EXPECT_EQ(Utf8(DeletionQuestion(program, main)), Utf8(L"Удалить базу \"Новая информационная база\"?"));

    hold.Release();
    program.CloseAndWait(main);
    EXPECT_EQ(SavedList(program), Readable(BaseListBytes({kAccounts, kFresh})));
}

// Log-off or shutdown writes the list as a close does, with the placement;
// while it cannot be written the operator is told and the session end is
// refused, so the entries are not lost with the process.
TEST(FailurePathJourney, SessionEndWritesTheListAndIsHeldBackWhileItCannot)
{
    ProgramUnderTest program;
    HWND main = StartAndAddAnEntry(program);
    HWND appWindow = GetWindow(main, GW_OWNER);
    ASSERT_NE(appWindow, nullptr);

    {
        HeldForWriting hold(program.PathOf(L"Bases.dat"));
        auto answer = std::async(std::launch::async, [&] { return AskToEndSession(appWindow); });
        HWND box = WaitForErrorBox(program);
        EXPECT_EQ(Utf8(ErrorBoxText(box)), "I/O error 32.");
        AnswerErrorBox(box);
        EXPECT_EQ(answer.get(), FALSE);
        SendMessageW(appWindow, WM_ENDSESSION, FALSE, ENDSESSION_LOGOFF);
    }
    EXPECT_TRUE(program.Running());
    EXPECT_EQ(program.ReadFile(L"Bases.dat"), BaseListBytes({kAccounts}));

    EXPECT_EQ(AskToEndSession(appWindow), TRUE);
    EXPECT_EQ(SavedList(program), Readable(BaseListBytes({kAccounts, kFresh})));
    EXPECT_TRUE(ReadRegistryText(program.RegistryKey("MainForm"), "NormPos").has_value());
    EXPECT_TRUE(RegistryKeyExists(program.RegistryKey("MainForm") + "\\TMainFormMainRxDBGrid"));
    // The system ends the process after this; the driver does it here.
    SendMessageTimeoutW(appWindow, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF, SMTO_NORMAL, 5000, nullptr);
}

// A save stopped while it wrote Bases.dat in place left the file marked as
// not whole and the complete copy beside it: the next start says so and
// shows the complete list, and its close puts that in place.
TEST(FailurePathJourney, ListTornByAStoppedSaveIsTakenFromTheCompleteCopyAtStart)
{
    ProgramUnderTest program;
    const std::string complete = BaseListBytes({kAccounts, kFresh});
    const std::string torn = "\x1A" + complete.substr(1, complete.size() / 2) + "Old tail\r\n";
    program.WriteFile(L"Bases.dat", torn);
    program.WriteFile(L"Bases.dat.new", complete);
    program.Start();
    HWND box = WaitForMessageForm(program, L"Warning");
    SaveScreenshot(box, L"list-taken-from-the-complete-copy");
    std::wstring said;
    for (HWND part : Descendants(box))
        if (TextOf(part).rfind(L"Прошлая запись", 0) == 0)
            said = TextOf(part);
    EXPECT_NE(said.find(L"Загружен полный список из файла \"" + program.PathOf(L"Bases.dat.new") + L"\""),
              std::wstring::npos)
        << Utf8(said);
    CloseWithButton(box, L"OK", "the message window");

    HWND main = program.WaitForMainWindow();
    program.CloseAndWait(main);
    EXPECT_EQ(SavedList(program), Readable(complete));
    EXPECT_EQ(program.ReadFile(L"Bases.dat.new"), std::nullopt);
    EXPECT_EQ(program.ReadFile(L"Bases.dat.bak"), std::nullopt);
}

TEST(FailurePathJourney, MissingHelpFileIsNamedInTheAboutWindow)
{
    ProgramUnderTest program(false);
    HWND main = program.StartToMainWindow();
    PressButton(main, L"Помощь");
    HWND about = WaitForWindow(program.ProcessId(), kHelpFormClass, kHelpCaption);
    EXPECT_EQ(Utf8(HelpText(about)), Utf8(L"Файл помощи \"" + program.PathOf(L"Readme.rtf") + L"\" не найден"));
    CloseWithButton(about, L"Закрыть", "the About window");
    program.CloseAndWait(main);
}

TEST(FailurePathJourney, UnreadableHelpFileIsReportedAtStart)
{
    ProgramUnderTest program;
    HeldForWriting hold(program.PathOf(L"Readme.rtf"));
    program.Start();
    HWND box = WaitForErrorBox(program);
    EXPECT_EQ(Utf8(ErrorBoxText(box)), Utf8(L"Cannot open file " + program.PathOf(L"Readme.rtf") + L"."));
    AnswerErrorBox(box);
    hold.Release();
    HWND main = program.WaitForMainWindow();

    // The box keeps the text it had before, at this showing and the next:
    // the file is read once, at start.
    for (int showing = 0; showing < 2; ++showing) {
        PressButton(main, L"Помощь");
        HWND about = WaitForWindow(program.ProcessId(), kHelpFormClass, kHelpCaption);
        EXPECT_EQ(HelpText(about).rfind(L"Тест !!!!", 0), 0u) << Utf8(HelpText(about));
        CloseWithCloseBox(about);
        WaitWindowGone(about, "the About window");
    }
    program.CloseAndWait(main);
}

// Some valid rich texts take the rich edit control minutes (under Wine, one
// paragraph of 80 000 short numbered lines, 1 MB, over three): the main
// window comes up and answers while such a help text, read at start, waits
// for the About window, and the About window comes up before the control
// takes it (the program then answers nothing until the control is done,
// and is ended by the driver).
TEST(FailurePathJourney, ASlowHelpFileNeverKeepsTheMainWindowWaiting)
{
    ProgramUnderTest program;
    std::string rtf = "{\\rtf1\\ansi ";
    char paragraph[32];
    for (int n = 1; rtf.size() < 1024 * 1024; ++n) {
        std::snprintf(paragraph, sizeof paragraph, "%06d\\line\r\n", n);
        rtf += paragraph;
    }
    program.WriteFile(L"Readme.rtf", rtf + "}");
    HWND main = program.StartToMainWindow();

    HWND about = FindWindowW(kHelpFormClass, kHelpCaption);
    DWORD owner = 0;
    GetWindowThreadProcessId(about, &owner);
    ASSERT_EQ(owner, program.ProcessId());
    EXPECT_EQ(HelpText(about), L"Справка загружается...");

    NewEntryClosedWith(program, main, L"Отмена");
    PressButton(main, L"Помощь");
    WaitUntil([&] { return IsWindowVisible(about) != FALSE; }, "the About window to show");
}
