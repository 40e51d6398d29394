// The message box window: a form built at run time for one message, sized
// to its text in the system's message font, with an icon, a word-wrapped
// label and a row of push buttons. Ctrl+C copies the whole box as text.
// Screen readers find it as they find the system's message boxes: a dialog
// named by its caption, announced as it shows (EVENT_SYSTEM_DIALOGSTART),
// whose text is its description and its first child, a static text.
//
//   TScopedForm<TMessageForm> form({.Caption = "Confirm", .Icon = IDI_QUESTION, .Text = L"Удалить?",
//                                   .Buttons = {{"OK", "OK", mrOk}, {"Cancel", "Cancel", mrCancel}},
//                                   .DefaultButton = "OK", .CancelButton = "Cancel"});
//   int answer = form.Execute();
#pragma once

#include "platform/Handles.h"
#include "ui/portable/MessageLayout.h"
#include "ui/Form.h"
#include "ui/StdControls.h"
#include "ui/Window.h"

#include <memory>
#include <string>
#include <vector>

struct TMessageButtonInfo {
    std::string Name;  // also the button's kind in the run-long width cache
    std::string Caption;  // "&" marks a mnemonic
    int Result = mrNone;
};

struct TMessageRequest {
    std::string Caption;
    LPCWSTR Icon = nullptr;  // one of the system's standard icons (IDI_*)
    std::wstring Text;  // any characters; "&" marks a mnemonic in the label
    std::vector<TMessageButtonInfo> Buttons;  // left to right
    std::string DefaultButton;  // name; empty for none
    std::string CancelButton;  // name; empty for none
};

// The picture of a standard icon, at the size of the control.
class TMessageImage : public TControl {
public:
    TMessageImage(std::string name, TBounds bounds, LPCWSTR icon);
    bool OnDrawItem(DRAWITEMSTRUCT* item) override;

protected:
    HWND CreateHandle(HWND parent, int id, const TBounds& bounds) override;

private:
    LPCWSTR iconId_;
    HICON icon_ = nullptr;  // shared system icon: never destroyed
    int iconSize_ = 0;
};

// A label that wraps words and, unlike TLabel, shows "&" as a mnemonic.
class TMessageLabel : public TControl {
public:
    TMessageLabel(std::string name, TBounds bounds, std::wstring caption);
    // The text as the label shows it: without the mnemonic marks.
    std::wstring ShownText() const;

protected:
    HWND CreateHandle(HWND parent, int id, const TBounds& bounds) override;
    void HandleCreated() override;

private:
    LRESULT LabelMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    TSubclass labelSubclass_;
    std::wstring caption_;
};

// A push button that reports when it takes the focus, so that the form can
// move the heavy default border onto the button that Enter will press.
class TMessageButton : public TButton {
public:
    TMessageButton(std::string name, TBounds bounds, std::string caption, int result);
    int Result() const { return result_; }
    std::function<void()> OnFocus;
    bool OnCommand(WORD code) override;
    void SetDefaultLook(bool heavy);

protected:
    HWND CreateHandle(HWND parent, int id, const TBounds& bounds) override;

private:
    int result_;
};

class TMessageForm : public TForm {
public:
    explicit TMessageForm(TMessageRequest request);

    // Creates the window, shows it modally in the middle of the screen and
    // returns the result of the button chosen (mrCancel for the close box).
    int Execute();

    const TMessageLayout& MessageLayout() const { return layout_; }
    HFONT MessageFont() const { return FontHandle(); }
    // The text Ctrl+C puts on the clipboard.
    std::wstring ClipboardText() const;
    // What Ctrl+C does: the default beep, then the text onto the clipboard
    // as plain text. Throws Exception when the clipboard cannot be opened.
    void CopyToClipboard();

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    struct TPrepared;
    explicit TMessageForm(TPrepared prepared);
    static TPrepared Prepare(TMessageRequest request);
    // The layout for the text in `font`, at density `dpi`.
    static TMessageLayout MeasureLayout(const TMessageRequest& request, HFONT font, int dpi);
    void DpiChanged() override;
    void FormKeyDown(WORD key, bool& handled);
    void ButtonFocused(const TMessageButton& focused);

    TMessageRequest request_;
    TMessageLayout layout_;
    std::unique_ptr<TMessageImage> image_;
    std::unique_ptr<TMessageLabel> message_;
    std::vector<std::unique_ptr<TMessageButton>> buttons_;
};

// The system's message-box font (the message font of the non-client
// metrics) as a description for CreateFontIndirectW.
LOGFONTW SystemMessageFont();
