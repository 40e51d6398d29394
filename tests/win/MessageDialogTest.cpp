#include "WinTestSupport.h"

#include "ui/MessageDialog.h"
#include "ui/ReportException.h"
#include "runtime/Exceptions.h"
#include "platform/Dpi.h"
#include "platform/Handles.h"
#include "platform/WideText.h"
#include "ui/MessageForm.h"

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <thread>

namespace {

TMessageForm* ShownMessageForm()
{
    return dynamic_cast<TMessageForm*>(TForm::FromHandle(FindWindowW(L"TMessageForm", nullptr)));
}

TControl* Part(TMessageForm& form, const char* name)
{
    return dynamic_cast<TControl*>(form.FindComponent(name));
}

// Shows the box and runs `act` inside its modal loop; a box the action left
// open after a fatal failure is closed so that the test does not hang.
uint16_t RunDialog(const std::string& text, TMsgDlgType kind, std::initializer_list<TMsgDlgBtn> buttons,
                   std::function<void(TMessageForm&)> act)
{
    TestApplication();
    PostAction([act] {
        TMessageForm* form = ShownMessageForm();
        if (!form) {
            ADD_FAILURE() << "no message window is shown";
            return;
        }
        act(*form);
        if (testing::Test::HasFatalFailure())
            PostMessageW(form->Handle(), WM_CLOSE, 0, 0);
    });
    return MessageDialog(text, kind, buttons);
}

void Click(TMessageForm& form, const char* button)
{
    SendMessageW(Part(form, button)->Handle(), BM_CLICK, 0, 0);
}

void PostKey(UINT message, WPARAM key, LPARAM lParam = 0)
{
    PostMessageW(GetFocus(), message, key, lParam);
}

// Presses `key` with `held` down as GetKeyState sees them (posted key
// messages do not change the key state), then runs `then` once the key has
// been handled and the state is back.
void PressWithKeysHeld(std::initializer_list<int> held, WPARAM key, std::function<void()> then)
{
    auto saved = std::make_shared<std::array<BYTE, 256>>();
    GetKeyboardState(saved->data());
    std::array<BYTE, 256> state = *saved;
    for (int k : held)
        state[k] |= 0x80;
    SetKeyboardState(state.data());
    PostKey(WM_KEYDOWN, key);
    PostAction([saved, then] {
        SetKeyboardState(saved->data());
        then();
    });
}

// The clipboard's text as CF_UNICODETEXT (converted) or CF_TEXT (the bytes).
std::string ClipboardText(UINT format)
{
    std::string text;
    if (!OpenClipboard(nullptr))
        return "<clipboard busy>";
    if (HANDLE data = GetClipboardData(format)) {
        const void* locked = GlobalLock(data);
        text = format == CF_UNICODETEXT ? Narrow(static_cast<const wchar_t*>(locked))
                                        : std::string(static_cast<const char*>(locked));
        GlobalUnlock(data);
    }
    CloseClipboard();
    return text;
}

void ClearClipboard()
{
    if (OpenClipboard(nullptr)) {
        EmptyClipboard();
        CloseClipboard();
    }
}

// Width of a text in the message font, measured as the label draws it.
SIZE TextSize(HFONT font, const std::string& text, UINT extraFlags = 0, int maxWidth = 10000)
{
    WindowDC dc(nullptr);
    ScopedSelect select(dc, font);
    std::wstring wide = Wide(text);
    RECT r{0, 0, maxWidth, 0};
    DrawTextW(dc, wide.c_str(), static_cast<int>(wide.size()), &r,
              DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | extraFlags);
    return {r.right - r.left, r.bottom - r.top};
}

constexpr TMsgDlgType kWarning = TMsgDlgType::mtWarning;
constexpr TMsgDlgType kConfirm = TMsgDlgType::mtConfirmation;
constexpr std::initializer_list<TMsgDlgBtn> kOK = {TMsgDlgBtn::mbOK};
constexpr std::initializer_list<TMsgDlgBtn> kOKCancel = {TMsgDlgBtn::mbOK, TMsgDlgBtn::mbCancel};
constexpr std::initializer_list<TMsgDlgBtn> kCancelOK = {TMsgDlgBtn::mbCancel, TMsgDlgBtn::mbOK};

const std::string kDeleteQuestion = "Удалить базу \"Бухгалтерия\"?";
const std::string kLongText =
    "Очень длинное сообщение, которое не помещается в одну строку на половине ширины экрана и потому "
    "переносится по словам на несколько строк, а окно становится выше, чтобы показать его целиком.";

}  // namespace

TEST(MessageDialog, AnswersWithTheResultOfTheButtonPressedOrTheKeyOrCloseBoxThatStandsForOne)
{
    auto press = [](const char* button) { return [button](TMessageForm& form) { Click(form, button); }; };
    auto key = [](WPARAM k) { return [k](TMessageForm&) { PostKey(WM_KEYDOWN, k); }; };
    auto typeOf = [](TControl* button) { return GetWindowLongW(button->Handle(), GWL_STYLE) & BS_TYPEMASK; };
    struct Case {
        const char* what;
        const std::initializer_list<TMsgDlgBtn>* buttons;
        std::function<void(TMessageForm&)> act;
        uint16_t expected;
    };
    const Case cases[] = {
        {"OK alone", &kOK, press("OK"), 1},
        {"OK", &kOKCancel, press("OK"), 1},
        {"Cancel", &kOKCancel, press("Cancel"), 2},
        {"Escape with OK alone: OK", &kOK, key(VK_ESCAPE), 1},
        {"Escape: Cancel", &kOKCancel, key(VK_ESCAPE), 2},
        {"the close box, even with OK alone", &kOK,
         [](TMessageForm& form) { PostMessageW(form.Handle(), WM_CLOSE, 0, 0); }, 2},
        {"Alt+F4", &kOKCancel, [](TMessageForm&) { PostKey(WM_SYSKEYDOWN, VK_F4, (KF_ALTDOWN << 16) | 1); }, 2},
        // Listed the other way round: the buttons still stand OK first.
        {"Enter while the focus has not moved: OK", &kCancelOK,
         [](TMessageForm& form) {
             EXPECT_EQ(GetFocus(), Part(form, "OK")->Handle());
             EXPECT_EQ(form.DefaultButton, Part(form, "OK"));
             PostKey(WM_KEYDOWN, VK_RETURN);
         },
         1},
        {"Space: the focused button, which carries the default border", &kOKCancel,
         [&](TMessageForm& form) {
             EXPECT_EQ(typeOf(Part(form, "OK")), BS_DEFPUSHBUTTON);
             EXPECT_EQ(typeOf(Part(form, "Cancel")), BS_PUSHBUTTON);
             Part(form, "Cancel")->SetFocus();
             EXPECT_EQ(typeOf(Part(form, "OK")), BS_PUSHBUTTON);
             EXPECT_EQ(typeOf(Part(form, "Cancel")), BS_DEFPUSHBUTTON);
             PostKey(WM_KEYDOWN, VK_SPACE);
             PostKey(WM_KEYUP, VK_SPACE, 0xC0000001);
         },
         2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const bool question = c.buttons->size() > 1;
        EXPECT_EQ(
            RunDialog(question ? kDeleteQuestion : "Выберите базу!", question ? kConfirm : kWarning, *c.buttons, c.act),
            c.expected);
        EXPECT_EQ(ShownMessageForm(), nullptr) << "the window is destroyed when the call returns";
    }
}

TEST(MessageDialog, GeometryFollowsTheLayoutOfTheSystemMessageFont)
{
    auto check = [](TMessageForm& form) {
        // Measured again here, independently of the form.
        LOGFONTW logFont = SystemMessageFont();
        GdiObject font(CreateFontIndirectW(&logFont));
        HFONT hfont = static_cast<HFONT>(font.Get());
        SIZE alphabet = TextSize(hfont, "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz", DT_SINGLELINE);
        SIZE text = TextSize(hfont, kDeleteQuestion, 0, GetSystemMetrics(SM_CXSCREEN) / 2);
        int okWidth = TextSize(hfont, "OK", DT_SINGLELINE).cx + 8;
        int cancelWidth = TextSize(hfont, "Cancel", DT_SINGLELINE).cx + 8;
        TMessageLayout expected = LayoutMessage({alphabet.cx / 52, alphabet.cy, text.cx, text.cy, 2,
                                                 std::max(okWidth, cancelWidth), GetSystemMetrics(SM_CXICON)});

        EXPECT_EQ(form.Caption(), "Confirm");
        EXPECT_EQ(ClientSize(form.Handle()), (SIZE{expected.ClientWidth, expected.ClientHeight}));
        EXPECT_EQ(form.Left(), (GetSystemMetrics(SM_CXSCREEN) - form.Width()) / 2);
        EXPECT_EQ(form.Top(), (GetSystemMetrics(SM_CYSCREEN) - form.Height()) / 2);

        auto expectAt = [&](const char* name, const TLayoutRect& want) {
            EXPECT_EQ(BoundsInParent(Part(form, name)->Handle()),
                      RectOfSize(want.Left, want.Top, want.Width, want.Height))
                << name;
        };
        expectAt("Image", expected.Icon);
        expectAt("Message", expected.Text);
        expectAt("OK", expected.Buttons[0]);
        expectAt("Cancel", expected.Buttons[1]);
        EXPECT_EQ(WindowText(Part(form, "OK")->Handle()), "OK");
        EXPECT_EQ(WindowText(Part(form, "Cancel")->Handle()), "Cancel");
        EXPECT_EQ(WindowText(Part(form, "Message")->Handle()), kDeleteQuestion);

        EXPECT_EQ(FrameStyles(form.Handle()), WS_SYSMENU);
        Click(form, "Cancel");
    };
    RunDialog(kDeleteQuestion, kConfirm, kOKCancel, check);
}

TEST(MessageDialog, OnAMonitorOfAnotherDensityTheBoxIsMeasuredAgainInItsFontThere)
{
    RunDialog(kDeleteQuestion, kConfirm, kOKCancel, [](TMessageForm& form) {
        const int to = ScaleForDpi(form.Dpi(), 3, 2);
        RECT suggested;
        GetWindowRect(form.Handle(), &suggested);
        SendMessageW(form.Handle(), WM_DPICHANGED, MAKEWPARAM(to, to), reinterpret_cast<LPARAM>(&suggested));
        LOGFONTW font{};
        GetObjectW(form.MessageFont(), sizeof(font), &font);
        EXPECT_EQ(font.lfHeight, ScaleForDpi(SystemMessageFont().lfHeight, to, SystemDpi()));
        // The label as large as the text in that font, as a box opened there
        // would show it.
        SIZE text = TextSize(form.MessageFont(), kDeleteQuestion, 0, GetSystemMetrics(SM_CXSCREEN) / 2);
        RECT label = BoundsInParent(Part(form, "Message")->Handle());
        EXPECT_EQ(label.right - label.left, text.cx);
        EXPECT_EQ(label.bottom - label.top, text.cy);
        RECT image = BoundsInParent(Part(form, "Image")->Handle());
        EXPECT_EQ(image.right - image.left, SystemMetricForDpi(SM_CXICON, to));
        EXPECT_EQ(ClientSize(form.Handle()),
                  (SIZE{form.MessageLayout().ClientWidth, form.MessageLayout().ClientHeight}));
        Click(form, "Cancel");
    });
}

TEST(MessageDialog, ALongTextWrapsAndTheWindowGrowsWithButtonsCentredBelow)
{
    int oneLineHeight = 0;
    RunDialog("Выберите базу!", kWarning, kOK, [&](TMessageForm& form) {
        oneLineHeight = form.Height();
        Click(form, "OK");
    });
    auto check = [&](TMessageForm& form) {
        RECT label = BoundsInParent(Part(form, "Message")->Handle());
        RECT ok = BoundsInParent(Part(form, "OK")->Handle());
        EXPECT_LE(label.right - label.left, GetSystemMetrics(SM_CXSCREEN) / 2);
        EXPECT_GE(label.bottom - label.top, 3 * form.MessageLayout().VertMargin) << "several lines";
        EXPECT_GT(form.Height(), oneLineHeight);
        EXPECT_GT(ok.top, label.bottom);
        EXPECT_EQ(ok.left, (ClientSize(form.Handle()).cx - (ok.right - ok.left)) / 2);
        Click(form, "OK");
    };
    RunDialog(kLongText, kWarning, kOK, check);
}

TEST(MessageDialog, AnAmpersandInTheTextIsAMnemonicInTheLabel)
{
    auto labelWidth = [](TMessageForm& form) {
        RECT r = BoundsInParent(Part(form, "Message")->Handle());
        return r.right - r.left;
    };
    RunDialog("Удалить базу \"A&B\"?", kConfirm, kOKCancel, [&](TMessageForm& form) {
        EXPECT_FALSE(GetWindowLongW(Part(form, "Message")->Handle(), GWL_STYLE) & SS_NOPREFIX);
        // Sized as "AB" is drawn: the ampersand takes no room.
        EXPECT_EQ(labelWidth(form), TextSize(form.MessageFont(), "Удалить базу \"AB\"?", DT_NOPREFIX).cx);
        EXPECT_NE(form.ClipboardText().find(Wide("\r\nУдалить базу \"A&B\"?\r\n")), std::wstring::npos);
        Click(form, "Cancel");
    });
    RunDialog("A&&B", kWarning, kOK, [&](TMessageForm& form) {
        EXPECT_EQ(labelWidth(form), TextSize(form.MessageFont(), "A&B", DT_NOPREFIX).cx);
        Click(form, "OK");
    });
}

TEST(MessageDialog, CtrlCPutsTheWholeBoxOnTheClipboardAndTheBoxStaysOpen)
{
    ReportedErrors().clear();
    ClearClipboard();
    const std::string text = "Удалить базу \"A&B\"?";
    bool openAfterCopy = false;
    std::string withShift = "unread", copied, copiedBytes;
    auto copy = [&](TMessageForm& form) {
        PressWithKeysHeld({VK_CONTROL, VK_LCONTROL, VK_SHIFT, VK_LSHIFT}, 'C', [&] {
            withShift = ClipboardText(CF_UNICODETEXT);
            PressWithKeysHeld({VK_CONTROL, VK_LCONTROL}, 'C', [&] {
                copied = ClipboardText(CF_UNICODETEXT);
                copiedBytes = ClipboardText(CF_TEXT);
                openAfterCopy = form.Visible();
                Click(form, "OK");
            });
        });
    };
    EXPECT_EQ(RunDialog(text, kConfirm, kOKCancel, copy), 1);
    EXPECT_TRUE(openAfterCopy);
    EXPECT_EQ(withShift, "") << "Ctrl+Shift+C copies nothing";
    const std::string rule = "---------------------------\r\n";
    const std::string expected = rule + "Confirm\r\n" + rule + text + "\r\n" + rule + "OK   Cancel   \r\n" + rule;
    EXPECT_EQ(copied, expected);
    EXPECT_EQ(copiedBytes, expected);
    EXPECT_TRUE(ReportedErrors().empty());
}

TEST(MessageDialog, ABusyClipboardIsReportedAndTheBoxStaysOpen)
{
    ReportedErrors().clear();
    HWND holder = CreateWindowW(L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(holder, nullptr);
    bool openAfterFailure = false;
    std::vector<std::string> reported;
    auto copy = [&](TMessageForm& form) {
        EXPECT_TRUE(OpenClipboard(holder));
        PressWithKeysHeld({VK_CONTROL, VK_LCONTROL}, 'C', [&] {
            CloseClipboard();
            reported = ReportedErrors();
            openAfterFailure = form.Visible();
            Click(form, "OK");
        });
    };
    EXPECT_EQ(RunDialog("Выберите базу!", kWarning, kOK, copy), 1);
    DestroyWindow(holder);
    EXPECT_TRUE(openAfterFailure);
    EXPECT_EQ(reported, std::vector<std::string>{"Cannot open clipboard."});
}

namespace {
// Presses OK in a visible system message box of the thread, if there is one.
BOOL CALLBACK AnswerSystemBox(HWND hwnd, LPARAM answered)
{
    wchar_t cls[16] = {};
    GetClassNameW(hwnd, cls, 16);
    if (wcscmp(cls, L"#32770") != 0 || !IsWindowVisible(hwnd))
        return TRUE;
    // As a person would: a moment after the box came up.
    Sleep(100);
    reinterpret_cast<std::atomic<bool>*>(answered)->store(true);
    PostMessageW(hwnd, WM_COMMAND, IDOK, 0);
    return FALSE;
}
}  // namespace

// After the main window has closed, its quit message is still queued while
// the windows are destroyed; an error reported then (a window's state store
// failing its last save) must still be shown and answered.
TEST(ReportException, ShowsTheErrorBoxAndWaitsForTheAnswerWithAQuitPending)
{
    TestApplication();
    const DWORD thread = GetCurrentThreadId();
    std::atomic<bool> answered{false};
    std::thread operatorAtTheScreen([&] {
        for (int i = 0; i < 200 && !answered; ++i) {
            EnumThreadWindows(thread, &AnswerSystemBox, reinterpret_cast<LPARAM>(&answered));
            Sleep(20);
        }
    });
    PostQuitMessage(3);
    ReportException(Exception("Failed to set data for 'Flags'"));
    const bool answeredBeforeReturn = answered;
    operatorAtTheScreen.join();
    EXPECT_TRUE(answeredBeforeReturn);
    // The quit is handed back for whatever loop is still to end.
    MSG quit;
    ASSERT_TRUE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(quit.wParam, 3u);
}
