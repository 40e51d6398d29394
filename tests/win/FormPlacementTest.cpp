// The window state store against Wine's registry and real windows: values
// planted before a show, read back after a close.
#include "StoreTestSupport.h"
#include "FaultPlan.h"

#include "storage/IniLink.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using FormPlacement = StoreTest;
using Reg = StoreRegistry;

int ScreenPpi()
{
    WindowDC screen(nullptr);
    return GetDeviceCaps(screen, LOGPIXELSY);
}

// Shows the form, then closes it the way its close box would.
void ShowAndClose(TForm& form)
{
    form.Show();
    form.Close();
}

// The main form's close would end the test program's message loop; run its
// close query as the framework does and hide it.
void CloseMainForm(TForm& form)
{
    bool canClose = true;
    form.OnCloseQuery(canClose);
    form.Hide();
}

// The nine values of a save, in the order in which a save writes them.
std::vector<std::string> SavedNames()
{
    return {"FormVersion",       "Flags",   "ShowCmd", "PixelsPerInch", "MinMaxPos" + kSuffix, "MinMaxPos",
            "NormPos" + kSuffix, "NormPos", "Visible"};
}

TEST_F(FormPlacement, FirstRunShowsTheDesignAndSavesNineTextValues)
{
    TScopedForm<TStoredForm> form("Sizeable");
    form.Create();
    const RECT designed = form.NormalRect();
    form.Show();
    EXPECT_EQ(form.NormalRect(), designed);
    EXPECT_FALSE(IsZoomed(form.Handle()));
    EXPECT_TRUE(Reg::HasKey(kStoreTestKey)) << "the first show creates the application key";
    EXPECT_EQ(Reg::ValueCount("Sizeable"), 0u);

    form.Close();
    EXPECT_TRUE(ReportedErrors().empty());
    EXPECT_EQ(Reg::ValueCount("Sizeable"), 9u);
    for (const std::string& name : SavedNames())
        EXPECT_TRUE(Reg::Get("Sizeable", name)) << name;
    EXPECT_EQ(Reg::Get("Sizeable", "FormVersion"), "0");
    EXPECT_EQ(Reg::Get("Sizeable", "ShowCmd"), "1");
    EXPECT_EQ(Reg::Get("Sizeable", "PixelsPerInch"), std::to_string(ScreenPpi()));
    EXPECT_EQ(Reg::Get("Sizeable", "NormPos"), Text(designed));
    EXPECT_EQ(Reg::Get("Sizeable", "NormPos" + kSuffix), Text(designed));
    EXPECT_EQ(Reg::Get("Sizeable", "Visible"), "0");
}

TEST_F(FormPlacement, WindowThatIsNeverShownLeavesNoSubkey)
{
    {
        TScopedForm<TStoredForm> form("NeverShown");
        form.Create();
    }
    EXPECT_FALSE(Reg::HasKey(kStoreTestKey + "\\NeverShown"));
}

TEST_F(FormPlacement, DialogReopensWhereItWasClosedWithItsDesignedSize)
{
    TScopedForm<TStoredForm> form("Dialog", TBorderStyle::bsDialog);
    form.Create();
    const RECT designed = form.NormalRect();
    form.Show();
    SetWindowPos(form.Handle(), nullptr, 40, 30, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    form.Close();
    // A bigger rectangle in the registry: only its corner counts for a dialog.
    Reg::Put("Dialog", "NormPos" + kSuffix, "40,30,540,530");

    form.Show();
    const RECT expected{40, 30, 40 + designed.right - designed.left, 30 + designed.bottom - designed.top};
    EXPECT_EQ(form.NormalRect(), expected);
    form.Close();
}

// Values planted before a show: the rectangle and state the window shows
// in, and what its close writes over them.
struct Planted {
    const char* what;
    std::vector<std::pair<std::string, std::string>> values;
    RECT normal;  // {-1,...}: the designed rectangle; right and bottom -2: the designed ones
    bool zoomed = false;
    std::vector<std::pair<std::string, std::string>> saved = {};  // "designed": the designed rectangle
    TPlacementOptions options = fpState | fpPosition;
};

void PrintTo(const Planted& p, std::ostream* os)
{
    *os << p.what;
}

class StoredPlacement : public FormPlacement, public testing::WithParamInterface<Planted> {};

TEST_P(StoredPlacement, ShowsAndIsSavedAsExpected)
{
    const Planted& p = GetParam();
    for (const auto& [name, text] : p.values)
        Reg::Put("Sizeable", name, text);
    TScopedForm<TStoredForm> form("Sizeable", TBorderStyle::bsSizeable, p.options);
    form.Create();
    const RECT designed = form.NormalRect();
    RECT expected = p.normal;
    if (expected.left == -1)
        expected = designed;
    // Missing words come from the window's current bounds.
    if (expected.right == -2)
        expected.right = designed.right, expected.bottom = designed.bottom;
    form.Show();
    EXPECT_TRUE(form.Visible());
    EXPECT_EQ(form.NormalRect(), expected);
    EXPECT_EQ(IsZoomed(form.Handle()) != FALSE, p.zoomed);
    EXPECT_FALSE(IsIconic(form.Handle()));
    form.Close();
    EXPECT_TRUE(ReportedErrors().empty());
    for (const auto& [name, text] : p.saved)
        EXPECT_EQ(Reg::Get("Sizeable", name), text == "designed" ? Text(designed) : text) << name;
}

INSTANTIATE_TEST_SUITE_P(
    Placement, StoredPlacement,
    testing::Values(
        Planted{"bare name", {{"NormPos", "50,60,450,360"}}, {50, 60, 450, 360}},
        Planted{"this screen's name before the bare one",
                {{"NormPos" + kSuffix, "50,60,450,360"}, {"NormPos", "10,10,410,310"}},
                {50, 60, 450, 360}},
        Planted{"another screen's name is not read",
                {{"NormPos(1x1)", "50,60,450,360"}, {"NormPos", "10,10,410,310"}},
                {10, 10, 410, 310}},
        Planted{"two words", {{"NormPos", "10,20"}}, {10, 20, -2, -2}},
        Planted{"repeated separators and a bad word", {{"NormPos", "10 ,, 20,500;600"}}, {10, 20, -2, -2}},
        Planted{"right not right of left", {{"NormPos", "300,20,200,400"}}, {-1, -1, -1, -1}},
        Planted{"another pixel density", {{"NormPos", "50,60,450,360"}, {"PixelsPerInch", "1"}}, {-1, -1, -1, -1}},
        Planted{"pixel density that does not convert counts as this screen's",
                {{"NormPos", "50,60,450,360"}, {"PixelsPerInch", "abc"}},
                {50, 60, 450, 360}},
        Planted{"show command 3 maximises over the stored normal rectangle",
                {{"NormPos", "50,60,450,360"}, {"ShowCmd", "3"}},
                {50, 60, 450, 360},
                true,
                {{"ShowCmd", "3"}, {"NormPos", "50,60,450,360"}}},
        Planted{"another pixel density still applies the state",
                {{"NormPos", "50,60,450,360"}, {"ShowCmd", "3"}, {"PixelsPerInch", std::to_string(ScreenPpi() + 24)}},
                {-1, -1, -1, -1},
                true},
        Planted{"a position-only store ignores the stored state but writes it",
                {{"ShowCmd", "3"}},
                {-1, -1, -1, -1},
                false,
                {{"ShowCmd", "1"}},
                fpPosition},
        Planted{"a lower stored version applies nothing and is saved over",
                {{"FormVersion", "-1"}, {"NormPos", "50,60,450,360"}, {"ShowCmd", "3"}},
                {-1, -1, -1, -1},
                false,
                {{"FormVersion", "0"}, {"NormPos", "designed"}}},
        Planted{"a version out of range counts as none and is saved over",
                {{"FormVersion", "99999999999"}, {"NormPos", "50,60,450,360"}},
                {50, 60, 450, 360},
                false,
                {{"FormVersion", "0"}}},
        // Show commands no window knows show the window normally.
        Planted{"largest show command", {{"ShowCmd", "2147483647"}}, {-1, -1, -1, -1}, false, {{"ShowCmd", "1"}}},
        Planted{"smallest show command", {{"ShowCmd", "-2147483648"}}, {-1, -1, -1, -1}, false, {{"ShowCmd", "1"}}},
        Planted{
            "show command beyond the range", {{"ShowCmd", "99999999999"}}, {-1, -1, -1, -1}, false, {{"ShowCmd", "1"}}},
        Planted{"show command -1", {{"ShowCmd", "-1"}}, {-1, -1, -1, -1}, false, {{"ShowCmd", "1"}}}));

TEST_F(FormPlacement, WindowHiddenMaximisedComesBackInTheStoredNormalState)
{
    Reg::Put("Sizeable", "ShowCmd", "3");
    TScopedForm<TStoredForm> form("Sizeable");
    form.Create();
    form.Show();
    ASSERT_TRUE(IsZoomed(form.Handle()));
    form.Close();
    Reg::Put("Sizeable", "ShowCmd", "1");
    form.Show();
    EXPECT_FALSE(IsZoomed(form.Handle()));
    EXPECT_EQ(Reg::Get("Sizeable", "NormPos"), Text(form.NormalRect()));
    form.Close();
}

TEST_F(FormPlacement, StoredMinimisedStateMinimisesADialog)
{
    TScopedForm<TStoredForm> main("Main");
    TestApplication().CreateForm(main);
    Reg::Put("Dialog", "ShowCmd", "2");
    TScopedForm<TStoredForm> dialog("Dialog", TBorderStyle::bsDialog);
    dialog.Create();
    dialog.Show();
    EXPECT_TRUE(IsIconic(dialog.Handle()));
    dialog.SetWindowState(TWindowState::wsNormal);
    dialog.Close();
}

TEST_F(FormPlacement, StoredMinimisedStateOfTheMainFormMinimisesTheProgramOnceShown)
{
    Reg::Put("Main", "ShowCmd", "2");
    TScopedForm<TStoredForm> main("Main");
    TestApplication().CreateForm(main);
    main.Show();
    EXPECT_FALSE(IsIconic(main.Handle()));
    MSG msg{};
    ASSERT_TRUE(PeekMessageW(&msg, TestApplication().Handle(), WM_SYSCOMMAND, WM_SYSCOMMAND, PM_REMOVE));
    EXPECT_EQ(msg.wParam & 0xFFF0, WPARAM(SC_MINIMIZE));
    CloseMainForm(main);
}

TEST_F(FormPlacement, MainFormClosedWhileTheProgramIsMinimisedStoresShowCmdTwo)
{
    TScopedForm<TStoredForm> main("Main");
    TestApplication().CreateForm(main);
    main.Show();
    HWND app = TestApplication().Handle();
    ShowWindow(app, SW_SHOWMINNOACTIVE);
    CloseMainForm(main);
    ShowWindow(app, SW_RESTORE);
    ShowWindow(app, SW_HIDE);
    EXPECT_EQ(Reg::Get("Main", "ShowCmd"), "2");
}

TEST_F(FormPlacement, NumberTypedValueIsReportedOnceAndLeftInPlace)
{
    Reg::Put("Help", "NormPos", "50,60,450,360");
    Reg::PutNumber("Help", "Flags", 1);
    TScopedForm<TStoredForm> form("Help", TBorderStyle::bsDialog);
    int shows = 0;
    form.OnShow = [&] { ++shows; };
    form.Create();
    const RECT designed = form.NormalRect();

    form.Show();
    EXPECT_TRUE(form.Visible());
    EXPECT_EQ(shows, 1) << "the form's own show handler runs after a failed restore";
    EXPECT_EQ(form.NormalRect(), designed);
    EXPECT_EQ(ReportedErrors(), std::vector<std::string>{"Invalid data type for 'Flags'"});

    form.Close();
    EXPECT_FALSE(form.Visible());
    form.Destroy();
    EXPECT_EQ(ReportedErrors().size(), 1u) << "a window never restored is never saved";
    EXPECT_FALSE(Reg::Get("Help", "Flags")) << "still the number";
    EXPECT_EQ(Reg::ValueCount("Help"), 2u);
}

class FailedSave : public FormPlacement, public testing::WithParamInterface<int> {};

TEST_P(FailedSave, ClosesAnywayReportsOnceAndRetriesAtDestroy)
{
    const int failing = GetParam();  // 0-based index into the values a save writes
    const std::string failingName = SavedNames()[failing];
    TScopedForm<TStoredForm> form("Sizeable");
    form.Create();
    form.Show();
    RegistryFaults::Arm(failing + 1, ERROR_ACCESS_DENIED, SeamCall::RegSetValue);
    form.Close();
    RegistryFaults::Disarm();

    EXPECT_FALSE(form.Visible());
    EXPECT_EQ(ReportedErrors(), std::vector<std::string>{"Failed to set data for '" + failingName + "'"});
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(Reg::Get("Sizeable", SavedNames()[i]).has_value(), i < failing) << SavedNames()[i];

    form.Destroy();
    EXPECT_EQ(ReportedErrors().size(), 1u);
    EXPECT_EQ(Reg::ValueCount("Sizeable"), 9u);
    EXPECT_EQ(Reg::Get("Sizeable", "Visible"), "1");
}

INSTANTIATE_TEST_SUITE_P(EachValue, FailedSave, testing::Range(0, 9));

TEST_F(FormPlacement, CloseRefusedByTheFormSavesNothing)
{
    TScopedForm<TStoredForm> form("Sizeable");
    form.OnCloseQuery = [](bool& canClose) { canClose = false; };
    form.Create();
    form.Show();
    form.Close();
    EXPECT_TRUE(form.Visible());
    EXPECT_EQ(Reg::ValueCount("Sizeable"), 0u);
    form.Hide();
}

TEST_F(FormPlacement, LinksWorkInsideTheOpenRegistryObjectInTheirOrder)
{
    TScopedForm<TStoredForm> form("Linked");
    TIniLink first, second;
    std::vector<std::string> calls;
    first.OnLinkLoad = [&] { calls.push_back("load1 " + first.LinkSection()); };
    second.OnLinkLoad = [&] { calls.push_back(second.RegistryObject() ? "load2 open" : "load2 closed"); };
    first.OnLinkSave = [&] {
        first.RegistryObject()->WriteString(first.LinkSection() + "Child", "X", "1");
        calls.push_back("save1");
    };
    first.SetStorage(&form.Storage);
    second.SetStorage(&form.Storage);
    EXPECT_EQ(first.RegistryObject(), nullptr) << "outside a save or restore";
    form.Create();
    ShowAndClose(form);
    second.SetStorage(nullptr);
    form.Show();
    form.Close();
    EXPECT_EQ(calls, (std::vector<std::string>{"load1 Linked\\", "load2 open", "save1", "load1 Linked\\", "save1"}));
    EXPECT_EQ(Reg::Get("Linked\\Child", "X"), "1");
}

TEST(DefaultRegistryKey, IsSoftwareAndTheExecutableNameWithoutItsLastExtension)
{
    EXPECT_EQ(DefaultRegistryKeyFor(L"C:\\Tools\\prog.exe"), L"Software\\prog");
    EXPECT_EQ(DefaultRegistryKeyFor(L"C:\\Tools\\my.prog.EXE"), L"Software\\my.prog");
    EXPECT_EQ(DefaultRegistryKeyFor(L"C:\\dir.d\\prog"), L"Software\\prog");
    EXPECT_EQ(DefaultRegistryKeyFor(L"prog.exe"), L"Software\\prog");
    // Named exactly, also beyond any single-byte code page.
    EXPECT_EQ(DefaultRegistryKeyFor(L"C:\\J\u00fcrgen\\\u6570\u636e.v2.exe"), L"Software\\\u6570\u636e.v2");
    TestApplication();
    EXPECT_EQ(TFormPlacement::DefaultRegistryKey(), L"Software\\win_tests");
}

}  // namespace
