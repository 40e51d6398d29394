#include "FaultPlan.h"
#include "WinTestSupport.h"

#include "app/ProgramFolder.h"
#include "platform/Handles.h"
#include "platform/ModulePath.h"
#include "runtime/Exceptions.h"
#include "runtime/ScopeGuard.h"
#include "storage/FormPlacement.h"
#include "ui/Form.h"
#include "ui/StdControls.h"

#include <gtest/gtest.h>

namespace {

TFormDesign SmallDesign(TBorderStyle border = TBorderStyle::bsSizeable)
{
    return TFormDesign{
        .Caption = "Проба", .Bounds = {100, 100, 300, 200}, .BorderStyle = border, .MinWidth = 250, .MinHeight = 180};
}

class TProbeForm : public TForm {
public:
    TProbeForm() : TForm("ProbeForm", "TProbeForm", SmallDesign())
    {
        First.TabOrder = 0;
        Second.TabOrder = 1;
        AddControl(Second);
        AddControl(First);
        AddControl(Stretch);
        First.OnClick = [this] { ++FirstClicks; };
    }
    int FirstClicks = 0;
    TButton First{"First", {10, 10, 80, 25}, "Первая", akTop | akRight};
    TButton Second{"Second", {10, 165, 80, 25}, "Вторая", akRight | akBottom};
    TEdit Stretch{"Stretch", {100, 10, 190, 21}, "текст", akLeft | akTop | akRight};
};

// A probe form, not yet created, with no report left from before.
class FormProbe : public testing::Test {
protected:
    void SetUp() override { ReportedErrors().clear(); }

    TApplication& application_ = TestApplication();  // before the form
    TProbeForm form;
};

}  // namespace

TEST_F(FormProbe, CreatesHiddenWithCaptionAndDesignedClientSize)
{
    form.Create();
    ASSERT_NE(form.Handle(), nullptr);
    EXPECT_FALSE(form.Visible());
    EXPECT_EQ(form.Caption(), "Проба");
    EXPECT_EQ(ClientSize(form.Handle()), (SIZE{300, 200}));
    EXPECT_EQ(form.Stretch.Text(), "текст");
}

TEST_F(FormProbe, ModalShowingDisablesTheOtherWindowsUntilItCloses)
{
    TProbeForm dialog;
    form.Create();
    dialog.Create();
    form.Show();
    bool ownerEnabledDuring = true;
    PostAction([&] {
        ownerEnabledDuring = IsWindowEnabled(form.Handle()) != FALSE;
        dialog.First.Click();
    });
    dialog.First.OnClick = [&] { dialog.Close(); };
    dialog.ShowModal();
    EXPECT_FALSE(ownerEnabledDuring);
    EXPECT_TRUE(IsWindowEnabled(form.Handle()));
    form.Hide();
}

TEST_F(FormProbe, FocusStartsOnTheFirstControlInTabOrderWhereEnterPressesItAndEscapeNothing)
{
    form.Create();
    PostAction([&] {
        EXPECT_EQ(form.ActiveControl(), &form.First);
        HWND focus = GetFocus();
        EXPECT_EQ(focus, form.First.Handle());
        PostMessageW(focus, WM_KEYDOWN, VK_ESCAPE, 0);
        PostMessageW(focus, WM_KEYDOWN, VK_RETURN, 0);
        PostAction([&] { form.Close(); });
    });
    EXPECT_EQ(form.ShowModal(), mrCancel);
    EXPECT_FALSE(form.Visible());
    EXPECT_EQ(form.FirstClicks, 1);
}

TEST_F(FormProbe, ACommandReachesTheControlOfItsIdOnlyFromThatControlsWindow)
{
    form.Create();
    const WPARAM click = MAKEWPARAM(form.First.ControlId(), BN_CLICKED);
    SendMessageW(form.Handle(), WM_COMMAND, click, 0);  // a menu item or accelerator of the same ID
    SendMessageW(form.Handle(), WM_COMMAND, click, reinterpret_cast<LPARAM>(form.Second.Handle()));
    EXPECT_EQ(form.FirstClicks, 0);
    SendMessageW(form.Handle(), WM_COMMAND, click, reinterpret_cast<LPARAM>(form.First.Handle()));
    EXPECT_EQ(form.FirstClicks, 1);
}

TEST_F(FormProbe, AnchorsFollowTheWindowAndTheMinimumSizeHolds)
{
    form.Create();
    form.Show();
    const SIZE outer = OuterSize(form.Handle());
    ResizeWindow(form.Handle(), outer.cx + 100, outer.cy + 50);
    EXPECT_EQ(BoundsInParent(form.First.Handle()), RectOfSize(110, 10, 80, 25));
    EXPECT_EQ(BoundsInParent(form.Second.Handle()), RectOfSize(110, 215, 80, 25));
    const RECT stretch = BoundsInParent(form.Stretch.Handle());
    EXPECT_EQ(stretch.right - stretch.left, 290);

    const SIZE least = ResizeWindow(form.Handle(), 10, 10);
    EXPECT_GE(least.cx, 250);
    EXPECT_GE(least.cy, 180);
    form.Hide();
}

TEST_F(FormProbe, AnExceptionInTheCreationHandlerIsReportedAndCreationGoesOn)
{
    form.OnCreate = [] { throw Exception("Сбой при создании"); };
    form.Create();
    EXPECT_NE(form.Handle(), nullptr);
    ASSERT_EQ(ReportedErrors().size(), 1u);
    EXPECT_EQ(ReportedErrors()[0], "Сбой при создании.");
}

TEST_F(FormProbe, AFailingCloseHandlerKeepsTheWindowOpen)
{
    form.Create();
    form.Show();
    form.OnClose = [](TCloseAction&) { throw EInOutError(5); };
    SendMessageW(form.Handle(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(form.Visible());
    ASSERT_EQ(ReportedErrors().size(), 1u);
    EXPECT_EQ(ReportedErrors()[0], "File access denied.");
    form.OnClose = nullptr;
    SendMessageW(form.Handle(), WM_CLOSE, 0, 0);
    EXPECT_FALSE(form.Visible());
}

TEST_F(FormProbe, ALabelMadeAgainFreesTheFontItHad)
{
    TLabel label{"Label", {10, 50, 100, 19}, "Название:"};
    label.SetOwnFont(L"MS Sans Serif", 13);
    form.AddControl(label);
    form.Create();
    auto first = reinterpret_cast<HGDIOBJ>(SendMessageW(label.Handle(), WM_GETFONT, 0, 0));
    ASSERT_EQ(GetObjectType(first), DWORD(OBJ_FONT));
    label.DestroyWindowHandle();
    label.CreateWindowFor(form, label.ControlId());
    auto second = reinterpret_cast<HGDIOBJ>(SendMessageW(label.Handle(), WM_GETFONT, 0, 0));
    EXPECT_EQ(GetObjectType(second), DWORD(OBJ_FONT));
    EXPECT_EQ(GetObjectType(first), 0u) << "the first font was left behind";
}

TEST(Form, AFormGoneBeforeItsApplicationIsForgotten)
{
    TestApplication();
    TApplication application;  // as the program has it: declared before its forms
    {
        TProbeForm form;
        application.CreateForm(form);
        EXPECT_EQ(application.MainForm(), &form);
    }
    EXPECT_TRUE(application.Forms().empty());
    EXPECT_EQ(application.MainForm(), nullptr);
    application.DestroyForms();  // what the destructor does: no form left to touch
}

TEST(Form, AReportThatFailsItselfFallsBackToThePlainSystemBox)
{
    TApplication& application = TestApplication();
    auto report = application.OnException;
    application.OnException = [](const std::exception&) { throw std::bad_alloc(); };
    std::wstring shown, caption;
    PostAction([&] {
        HWND box = FindWindowW(L"#32770", nullptr);
        ASSERT_NE(box, nullptr);
        wchar_t text[256] = {};
        GetDlgItemTextW(box, 0xFFFF, text, 256);
        shown = text;
        GetWindowTextW(box, text, 256);
        caption = text;
        PostMessageW(box, WM_COMMAND, IDOK, 0);
    });
    application.HandleException(std::make_exception_ptr(Exception("Диск полон")));
    application.OnException = report;
    EXPECT_EQ(shown, L"Диск полон");
    EXPECT_EQ(caption, application.WideTitle());
}

// Wine hands a program started by its short name or through "\\?\" its
// plain long path, so such starts are tried by standing the path in.
TEST(ProgramName, AStartByTheShortPathNamesTheFolderTitleAndRegistryKeyExactly)
{
    TestApplication();
    TempFolder temp;
    const std::wstring folder = temp.WidePath() + L"Учёт \u65e5\u672c\\";
    const std::wstring exe = folder + L"Учёт \u65e5\u672c.exe";
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    UniqueHandle(CreateFileW(exe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
    wchar_t shortPath[MAX_PATH] = {};
    ASSERT_NE(GetShortPathNameW(exe.c_str(), shortPath, MAX_PATH), 0u);
    ASSERT_EQ(std::wstring(shortPath).find(L"\u65e5\u672c"), std::wstring::npos) << "no short name to start by";
    ScopeGuard restore([] { Starts::StartAs(std::wstring()); });

    Starts::StartAs(shortPath);
    EXPECT_EQ(ModulePath(), exe);
    EXPECT_EQ(GetProgramFolder(), folder);
    EXPECT_EQ(TFormPlacement::DefaultRegistryKey(), L"Software\\Учёт \u65e5\u672c");
    TApplication application;
    application.Initialize();
    EXPECT_EQ(application.WideTitle(), L"Учёт \u65e5\u672c");
    wchar_t caption[64] = {};
    GetWindowTextW(application.Handle(), caption, 64);
    EXPECT_EQ(std::wstring(caption), L"Учёт \u65e5\u672c");

    // The plain form where it names the same file; the prefix stays where
    // the plain form would be too long, or would name something else.
    Starts::StartAs(L"\\\\?\\" + exe);
    EXPECT_EQ(GetProgramFolder(), folder);
    const std::wstring deep = L"\\\\?\\C:\\" + std::wstring(300, L'x') + L"\\p.exe";
    const std::pair<std::wstring, std::wstring> starts[] = {
        {L"\\\\?\\UNC\\server\\share\\p.exe", L"\\\\server\\share\\p.exe"},
        {deep, deep},
        {L"\\\\?\\C:\\dots.\\p.exe", L"\\\\?\\C:\\dots.\\p.exe"},
    };
    for (const auto& [started, named] : starts) {
        Starts::StartAs(started);
        EXPECT_EQ(ModulePath(), named);
    }
    // A folder whose own files would pass MAX_PATH is named with the prefix.
    const std::wstring deepPlain = L"C:\\" + std::wstring(240, L'x') + L"\\";
    Starts::StartAs(deepPlain + L"p.exe");
    EXPECT_EQ(GetProgramFolder(), L"\\\\?\\" + deepPlain);
    Starts::StartAs(L"\\\\server\\" + std::wstring(240, L'x') + L"\\p.exe");
    EXPECT_EQ(GetProgramFolder(), L"\\\\?\\UNC\\server\\" + std::wstring(240, L'x') + L"\\");
}

// Log-off while the main form cannot be saved: the reason Windows shows is
// set before the operator is asked anything, a second query or the end of
// the session arriving while the first one's box is up neither saves again
// nor asks again, and the reason goes once a save succeeds. (Wine keeps no
// reason, so the call is recorded.)
TEST(Form, SessionEndSetsItsReasonBeforeAskingAndAsksOnceAtATime)
{
    TestApplication();
    TApplication application;
    std::vector<std::string> events;
    application.OnShutdownBlock = [&](HWND, const wchar_t* reason) {
        events.push_back(reason ? "reason set" : "reason cleared");
    };
    TProbeForm form;
    application.CreateForm(form);
    bool fail = true;
    form.OnClose = [&](TCloseAction&) {
        events.push_back("asked");
        // What the box's own message loop may take in while it is up.
        EXPECT_FALSE(application.QueryEndSession());
        application.EndSession(true);
        if (fail)
            throw EInOutError(32);
    };
    EXPECT_FALSE(application.QueryEndSession());
    EXPECT_EQ(events, (std::vector<std::string>{"reason set", "asked"}));
    application.EndSession(false);

    fail = false;
    events.clear();
    EXPECT_TRUE(application.QueryEndSession());
    EXPECT_EQ(events, (std::vector<std::string>{"reason set", "asked", "reason cleared"}));
    ReportedErrors().clear();
}
