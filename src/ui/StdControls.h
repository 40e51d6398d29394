// The standard controls the forms are built from: push button, label and
// single-line edit box. Texts are Windows-1251. An edit box that gets the
// focus from the keyboard, or as its window shows, selects its whole text, so
// that typing replaces it; a click into it puts the caret where it was made.
//
//   TButton ok("OKButton", {290, 105, 97, 25}, "OK");
//   ok.OnClick = [this] { OKButtonClick(); };
#pragma once

#include "platform/Handles.h"
#include "ui/Control.h"
#include "ui/Window.h"
#include "ui/WindowAccessible.h"
#include "ui/ToolTip.h"

#include <functional>
#include <string>

class TButton : public TControl {
public:
    TButton(std::string name, TBounds bounds, std::string caption, unsigned anchors = akLeft | akTop);

    std::function<void()> OnClick;
    void Click();  // what a press does: runs OnClick
    bool OnCommand(WORD code) override;
    // What the button does, in a tooltip while the mouse rests on it
    // (Windows-1251); none when empty. Set before the window is made, as
    // AccessibleName, which a screen reader says instead of the caption.
    std::string Hint;

protected:
    HWND CreateHandle(HWND parent, int id, const TBounds& bounds) override;
    void HandleCreated() override;

private:
    LRESULT ButtonMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    std::string caption_;
    TSubclass subclass_;
    TToolTip hint_;
};

class TLabel : public TControl {
public:
    TLabel(std::string name, TBounds bounds, std::string caption, unsigned anchors = akLeft | akTop);
    // A font of the label's own (height in pixels at the form's design
    // density), or none for the form's.
    void SetOwnFont(const wchar_t* face, int height);

protected:
    HWND CreateHandle(HWND parent, int id, const TBounds& bounds) override;
    void HandleCreated() override;
    void ChangeScale(int fromDpi, int toDpi) override;
    bool FollowsFormFont() const override { return !fontFace_; }

private:
    void ApplyOwnFont();

    std::string caption_;
    const wchar_t* fontFace_ = nullptr;
    int fontHeight_ = 0;
    GdiObject ownFont_;
};

class TEdit : public TControl {
public:
    TEdit(std::string name, TBounds bounds, std::string text, unsigned anchors = akLeft | akTop);

    std::string Text() const;
    void SetText(const std::string& text);
    // The text exactly as the box holds it, characters beyond Windows-1251
    // included.
    std::wstring WideText() const;
    // Selects characters [from, to) of WideText(); -1 for the end.
    void Select(int from, int to);

protected:
    HWND CreateHandle(HWND parent, int id, const TBounds& bounds) override;
    void HandleCreated() override;

private:
    LRESULT EditMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    TSubclass editSubclass_;

    std::string initialText_;
    bool clicking_ = false;  // a mouse button press is being handled
};

// Window text of any window, as Windows-1251.
std::string WindowText(HWND hwnd);
void SetWindowTextCp1251(HWND hwnd, const std::string& text);
