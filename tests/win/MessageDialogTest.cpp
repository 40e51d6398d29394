#include "WinTestSupport.h"

#include "app/MessageDialog.h"
#include "platform/Handles.h"
#include "platform/WideText.h"
#include "ui/MessageForm.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>

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

// Key state as GetKeyState sees it: posted key messages do not change it.
class HeldKeys {
public:
    explicit HeldKeys(std::initializer_list<int> keys)
    {
        GetKeyboardState(saved_);
        BYTE state[256];
        std::memcpy(state, saved_, sizeof(state));
        for (int key : keys)
            state[key] |= 0x80;
        SetKeyboardState(state);
    }
    HeldKeys(const HeldKeys&) = delete;
    HeldKeys& operator=(const HeldKeys&) = delete;
    ~HeldKeys() { SetKeyboardState(saved_); }

private:
    BYTE saved_[256];
};

std::string ClipboardUnicodeText()
{
    std::string text;
    if (!OpenClipboard(nullptr))
        return "<clipboard busy>";
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        text = Narrow(static_cast<const wchar_t*>(GlobalLock(data)));
        GlobalUnlock(data);
    }
    CloseClipboard();
    return text;
}

std::string ClipboardAnsiBytes()
{
    std::string text;
    if (!OpenClipboard(nullptr))
        return "<clipboard busy>";
    if (HANDLE data = GetClipboardData(CF_TEXT)) {
        text = static_cast<const char*>(GlobalLock(data));
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

RECT ClientRectOf(HWND child)
{
    RECT r;
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

int LabelStyle(TMessageForm& form)
{
    return GetWindowLongW(Part(form, "Message")->Handle(), GWL_STYLE);
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

const std::string kDeleteQuestion = "Удалить базу \"Бухгалтерия\"?";
const std::string kLongText =
    "Очень длинное сообщение, которое не помещается в одну строку на половине ширины экрана и потому "
    "переносится по словам на несколько строк, а окно становится выше, чтобы показать его целиком.";

}  // namespace

TEST(MessageDialog, AnswersWithTheResultOfTheButtonPressed)
{
    struct Case {
        bool withCancel;
        const char* press;
        uint16_t expected;
    };
    const Case cases[] = {{false, "OK", 1}, {true, "OK", 1}, {true, "Cancel", 2}};
    for (const Case& c : cases) {
        auto press = [&](TMessageForm& form) { Click(form, c.press); };
        uint16_t answer =
            c.withCancel
                ? RunDialog("Вопрос", TMsgDlgType::mtConfirmation, {TMsgDlgBtn::mbOK, TMsgDlgBtn::mbCancel}, press)
                : RunDialog("Вопрос", TMsgDlgType::mtConfirmation, {TMsgDlgBtn::mbOK}, press);
        EXPECT_EQ(answer, c.expected) << c.press;
    }
    EXPECT_EQ(ShownMessageForm(), nullptr) << "the window is destroyed when the call returns";
}

TEST(MessageDialog, EscapeAnswersTheCancelButtonWhichIsOKWhenAlone)
{
    auto escape = [](TMessageForm&) { PostKey(WM_KEYDOWN, VK_ESCAPE); };
    EXPECT_EQ(RunDialog("Выберите базу!", TMsgDlgType::mtWarning, {TMsgDlgBtn::mbOK}, escape), 1);
    EXPECT_EQ(RunDialog(kDeleteQuestion, TMsgDlgType::mtConfirmation, {TMsgDlgBtn::mbOK, TMsgDlgBtn::mbCancel},
                        escape),
              2);
}

TEST(MessageDialog, TheCloseBoxAndAltF4AnswerTwoEvenWithOKAlone)
{
    EXPECT_EQ(RunDialog("Выберите базу!", TMsgDlgType::mtWarning, {TMsgDlgBtn::mbOK},
                        [](TMessageForm& form) { PostMessageW(form.Handle(), WM_CLOSE, 0, 0); }),
              2);
    EXPECT_EQ(RunDialog(kDeleteQuestion, TMsgDlgType::mtConfirmation, {TMsgDlgBtn::mbOK, TMsgDlgBtn::mbCancel},
                        [](TMessageForm&) { PostKey(WM_SYSKEYDOWN, VK_F4, (KF_ALTDOWN << 16) | 1); }),
              2);
}

TEST(MessageDialog, EnterPressesOKWhileTheFocusHasNotMoved)
{
    uint16_t answer = RunDialog(kDeleteQuestion, TMsgDlgType::mtConfirmation,
                                {TMsgDlgBtn::mbCancel, TMsgDlgBtn::mbOK}, [](TMessageForm& form) {
                                    EXPECT_EQ(GetFocus(), Part(form, "OK")->Handle());
                                    EXPECT_EQ(form.DefaultButton, Part(form, "OK"));
                                    PostKey(WM_KEYDOWN, VK_RETURN);
                                });
    EXPECT_EQ(answer, 1);
}

TEST(MessageDialog, SpacePressesTheFocusedButtonWhichCarriesTheDefaultBorder)
{
    auto typeOf = [](TControl* button) { return GetWindowLongW(button->Handle(), GWL_STYLE) & BS_TYPEMASK; };
    uint16_t answer = RunDialog(kDeleteQuestion, TMsgDlgType::mtConfirmation, {TMsgDlgBtn::mbOK, TMsgDlgBtn::mbCancel},
                                [&](TMessageForm& form) {
                                    EXPECT_EQ(typeOf(Part(form, "OK")), BS_DEFPUSHBUTTON);
                                    EXPECT_EQ(typeOf(Part(form, "Cancel")), BS_PUSHBUTTON);
                                    Part(form, "Cancel")->SetFocus();
                                    EXPECT_EQ(typeOf(Part(form, "OK")), BS_PUSHBUTTON);
                                    EXPECT_EQ(typeOf(Part(form, "Cancel")), BS_DEFPUSHBUTTON);
                                    PostKey(WM_KEYDOWN, VK_SPACE);
                                    PostKey(WM_KEYUP, VK_SPACE, 0xC0000001);
                                });
    EXPECT_EQ(answer, 2);
}

TEST(MessageDialog, GeometryFollowsTheLayoutOfTheSystemMessageFont)
{
    RunDialog(kDeleteQuestion, TMsgDlgType::mtConfirmation, {TMsgDlgBtn::mbOK, TMsgDlgBtn::mbCancel},
              [](TMessageForm& form) {
                  // Measure again, independently of the form, in the system's message font.
                  LOGFONTW logFont = SystemMessageFont();
                  GdiObject font(CreateFontIndirectW(&logFont));
                  HFONT hfont = static_cast<HFONT>(font.Get());
                  SIZE alphabet = TextSize(hfont, "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz", DT_SINGLELINE);
                  SIZE text = TextSize(hfont, kDeleteQuestion, 0, GetSystemMetrics(SM_CXSCREEN) / 2);
                  int okWidth = TextSize(hfont, "OK", DT_SINGLELINE).cx + 8;
                  int cancelWidth = TextSize(hfont, "Cancel", DT_SINGLELINE).cx + 8;
                  TMessageLayout expected = LayoutMessage({alphabet.cx / 52, alphabet.cy, text.cx, text.cy, 2,
                                                           std::max(okWidth, cancelWidth)});

                  EXPECT_EQ(form.Caption(), "Confirm");
                  RECT client;
                  GetClientRect(form.Handle(), &client);
                  EXPECT_EQ(client.right, expected.ClientWidth);
                  EXPECT_EQ(client.bottom, expected.ClientHeight);
                  EXPECT_EQ(form.Left(), (GetSystemMetrics(SM_CXSCREEN) - form.Width()) / 2);
                  EXPECT_EQ(form.Top(), (GetSystemMetrics(SM_CYSCREEN) - form.Height()) / 2);

                  auto expectAt = [&](const char* name, const TLayoutRect& want) {
                      RECT r = ClientRectOf(Part(form, name)->Handle());
                      EXPECT_EQ(r.left, want.Left) << name;
                      EXPECT_EQ(r.top, want.Top) << name;
                      EXPECT_EQ(r.right - r.left, want.Width) << name;
                      EXPECT_EQ(r.bottom - r.top, want.Height) << name;
                  };
                  expectAt("Image", expected.Icon);
                  expectAt("Message", expected.Text);
                  expectAt("OK", expected.Buttons[0]);
                  expectAt("Cancel", expected.Buttons[1]);
                  EXPECT_EQ(WindowText(Part(form, "OK")->Handle()), "OK");
                  EXPECT_EQ(WindowText(Part(form, "Cancel")->Handle()), "Cancel");
                  EXPECT_EQ(WindowText(Part(form, "Message")->Handle()), kDeleteQuestion);

                  LONG style = GetWindowLongW(form.Handle(), GWL_STYLE);
                  EXPECT_TRUE(style & WS_SYSMENU);
                  EXPECT_FALSE(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
                  Click(form, "Cancel");
              });
}

TEST(MessageDialog, ALongTextWrapsAndTheWindowGrowsWithButtonsCentredBelow)
{
    int oneLineHeight = 0;
    RunDialog("Выберите базу!", TMsgDlgType::mtWarning, {TMsgDlgBtn::mbOK}, [&](TMessageForm& form) {
        oneLineHeight = form.Height();
        Click(form, "OK");
    });
    RunDialog(kLongText, TMsgDlgType::mtWarning, {TMsgDlgBtn::mbOK}, [&](TMessageForm& form) {
        RECT label = ClientRectOf(Part(form, "Message")->Handle());
        RECT ok = ClientRectOf(Part(form, "OK")->Handle());
        RECT client;
        GetClientRect(form.Handle(), &client);
        EXPECT_LE(label.right - label.left, GetSystemMetrics(SM_CXSCREEN) / 2);
        EXPECT_GE(label.bottom - label.top, 3 * form.MessageLayout().VertMargin) << "several lines";
        EXPECT_GT(form.Height(), oneLineHeight);
        EXPECT_GT(ok.top, label.bottom);
        EXPECT_EQ(ok.left, (client.right - (ok.right - ok.left)) / 2);
        Click(form, "OK");
    });
}

TEST(MessageDialog, AnAmpersandInTheTextIsAMnemonicInTheLabel)
{
    RunDialog("Удалить базу \"A&B\"?", TMsgDlgType::mtConfirmation, {TMsgDlgBtn::mbOK, TMsgDlgBtn::mbCancel},
              [](TMessageForm& form) {
                  EXPECT_FALSE(LabelStyle(form) & SS_NOPREFIX);
                  RECT label = ClientRectOf(Part(form, "Message")->Handle());
                  // Sized as "AB" is drawn: the ampersand takes no room.
                  EXPECT_EQ(label.right - label.left,
                            TextSize(form.MessageFont(), "Удалить базу \"AB\"?", DT_NOPREFIX).cx);
                  EXPECT_NE(form.ClipboardText().find("Удалить базу \"A&B\"?\r\n"), std::string::npos);
                  Click(form, "Cancel");
              });
    RunDialog("A&&B", TMsgDlgType::mtWarning, {TMsgDlgBtn::mbOK}, [](TMessageForm& form) {
        RECT label = ClientRectOf(Part(form, "Message")->Handle());
        EXPECT_EQ(label.right - label.left, TextSize(form.MessageFont(), "A&B", DT_NOPREFIX).cx);
        Click(form, "OK");
    });
}

TEST(MessageDialog, CtrlCPutsTheWholeBoxOnTheClipboardAndTheBoxStaysOpen)
{
    ReportedErrors().clear();
    ClearClipboard();
    const std::string rule = "---------------------------\r\n";
    const std::string text = "Удалить базу \"A&B\"?";
    bool openAfterCopy = false;
    std::string withShift = "unread", copied, copiedBytes;
    uint16_t answer = RunDialog(text, TMsgDlgType::mtConfirmation, {TMsgDlgBtn::mbOK, TMsgDlgBtn::mbCancel},
                                [&](TMessageForm& form) {
                                    auto keys = std::make_shared<HeldKeys>(
                                        std::initializer_list<int>{VK_CONTROL, VK_LCONTROL, VK_SHIFT, VK_LSHIFT});
                                    PostKey(WM_KEYDOWN, 'C');
                                    PostAction([&, keys, f = &form]() mutable {
                                        withShift = ClipboardUnicodeText();
                                        keys = std::make_shared<HeldKeys>(
                                            std::initializer_list<int>{VK_CONTROL, VK_LCONTROL});
                                        PostKey(WM_KEYDOWN, 'C');
                                        PostAction([&, keys, f]() mutable {
                                            keys.reset();
                                            copied = ClipboardUnicodeText();
                                            copiedBytes = ClipboardAnsiBytes();
                                            openAfterCopy = f->Visible();
                                            Click(*f, "OK");
                                        });
                                    });
                                });
    EXPECT_EQ(answer, 1);
    EXPECT_TRUE(openAfterCopy);
    EXPECT_EQ(withShift, "") << "Ctrl+Shift+C copies nothing";
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
    uint16_t answer = RunDialog("Выберите базу!", TMsgDlgType::mtWarning, {TMsgDlgBtn::mbOK}, [&](TMessageForm& form) {
        EXPECT_TRUE(OpenClipboard(holder));
        auto keys = std::make_shared<HeldKeys>(std::initializer_list<int>{VK_CONTROL, VK_LCONTROL});
        PostKey(WM_KEYDOWN, 'C');
        PostAction([&, keys, f = &form]() mutable {
            keys.reset();
            CloseClipboard();
            reported = ReportedErrors();
            openAfterFailure = f->Visible();
            Click(*f, "OK");
        });
    });
    DestroyWindow(holder);
    EXPECT_EQ(answer, 1);
    EXPECT_TRUE(openAfterFailure);
    EXPECT_EQ(reported, std::vector<std::string>{"Cannot open clipboard."});
}
