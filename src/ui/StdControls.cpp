#include "ui/StdControls.h"

#include "platform/WideText.h"
#include "runtime/ScopeGuard.h"
#include "ui/Form.h"

#include <vector>

std::string WindowText(HWND hwnd)
{
    int length = GetWindowTextLengthW(hwnd);
    std::vector<wchar_t> buffer(length + 1);
    int copied = GetWindowTextW(hwnd, buffer.data(), length + 1);
    return Narrow(std::wstring_view(buffer.data(), copied));
}

void SetWindowTextCp1251(HWND hwnd, const std::string& text)
{
    SetWindowTextW(hwnd, Wide(text).c_str());
}

TButton::TButton(std::string name, TBounds bounds, std::string caption, unsigned anchors)
    : TControl(std::move(name), bounds, anchors), caption_(std::move(caption))
{}

HWND TButton::CreateHandle(HWND parent, int id, const TBounds& bounds)
{
    return CreateChildWindow(0, L"BUTTON", Wide(caption_).c_str(), BS_PUSHBUTTON | WS_TABSTOP, parent, id, bounds);
}

void TButton::HandleCreated()
{
    // A tooltip left from an earlier window of the button names a tool
    // that is gone.
    hint_.Destroy();
    if (AccessibleName.empty() && Hint.empty())
        return;
    // First this subclass, then the tooltip's own (TTF_SUBCLASS) on top of
    // it: the tooltip goes first (with the form, which owns it) and then
    // puts this one back.
    subclass_.Attach<TButton, &TButton::ButtonMessage>(Handle(), this);
    if (!Hint.empty())
        hint_.AddWindowTool(Handle(), Wide(Hint));
}

LRESULT TButton::ButtonMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_GETOBJECT:
        if (static_cast<LONG>(lParam) == OBJID_CLIENT && !AccessibleName.empty())
            if (auto named = TWindowAccessible::Create(
                    hwnd, {.Role = 0, .Name = Wide(AccessibleName), .Description = {}, .Children = {}}))
                return LresultFromObject(IID_IAccessible, wParam, named.Get());
        break;
    }
    return subclass_.CallPrevious(hwnd, message, wParam, lParam);
}

void TButton::Click()
{
    if (OnClick)
        OnClick();
}

bool TButton::OnCommand(WORD code)
{
    if (code != BN_CLICKED)
        return false;
    Click();
    return true;
}

TLabel::TLabel(std::string name, TBounds bounds, std::string caption, unsigned anchors)
    : TControl(std::move(name), bounds, anchors), caption_(std::move(caption))
{}

void TLabel::SetOwnFont(const wchar_t* face, int height)
{
    fontFace_ = face;
    fontHeight_ = height;
}

HWND TLabel::CreateHandle(HWND parent, int id, const TBounds& bounds)
{
    return CreateChildWindow(0, L"STATIC", Wide(caption_).c_str(), SS_LEFT | SS_NOPREFIX, parent, id, bounds);
}

void TLabel::HandleCreated()
{
    ApplyOwnFont();
}

void TLabel::ChangeScale(int, int)
{
    if (Handle())
        ApplyOwnFont();
}

void TLabel::ApplyOwnFont()
{
    if (!fontFace_)
        return;
    // A window made again, or at another density, gets a font again; the
    // one it had goes.
    const int height = Form()->Scaled(fontHeight_);
    GdiObject font(CreateFontW(-height, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, fontFace_));
    SendMessageW(Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(font.Get()), TRUE);
    ownFont_ = std::move(font);
}

TEdit::TEdit(std::string name, TBounds bounds, std::string text, unsigned anchors)
    : TControl(std::move(name), bounds, anchors), initialText_(std::move(text))
{}

HWND TEdit::CreateHandle(HWND parent, int id, const TBounds& bounds)
{
    HWND hwnd = CreateChildWindow(WS_EX_CLIENTEDGE, L"EDIT", Wide(initialText_).c_str(), ES_AUTOHSCROLL | WS_TABSTOP,
                                  parent, id, bounds);
    if (hwnd)
        SendMessageW(hwnd, EM_SETLIMITTEXT, 0, 0);  // no length limit
    return hwnd;
}

void TEdit::HandleCreated()
{
    editSubclass_.Attach<TEdit, &TEdit::EditMessage>(Handle(), this);
}

// The focus that comes with a click arrives while the press is handled: the
// caret then stays where the click puts it. Any other arrival (Tab, a window
// shown or activated again with the focus restored here) selects the whole
// text, or the old text would stay behind what the operator types.
LRESULT TEdit::EditMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_LBUTTONDOWN: {
        const bool outer = clicking_;
        clicking_ = true;
        ScopeGuard done([this, outer] { clicking_ = outer; });
        return editSubclass_.CallPrevious(hwnd, message, wParam, lParam);
    }
    case WM_SETFOCUS: {
        LRESULT result = editSubclass_.CallPrevious(hwnd, message, wParam, lParam);
        if (!clicking_)
            SendMessageW(hwnd, EM_SETSEL, 0, -1);
        return result;
    }
    }
    return editSubclass_.CallPrevious(hwnd, message, wParam, lParam);
}

std::string TEdit::Text() const
{
    return Handle() ? WindowText(Handle()) : initialText_;
}

std::wstring TEdit::WideText() const
{
    if (!Handle())
        return Wide(initialText_);
    std::wstring text(size_t(GetWindowTextLengthW(Handle())) + 1, L'\0');
    text.resize(size_t(GetWindowTextW(Handle(), text.data(), int(text.size()))));
    return text;
}

void TEdit::Select(int from, int to)
{
    if (Handle())
        SendMessageW(Handle(), EM_SETSEL, WPARAM(from), LPARAM(to));
}

void TEdit::SetText(const std::string& text)
{
    if (Handle())
        SetWindowTextCp1251(Handle(), text);
    else
        initialText_ = text;
}
