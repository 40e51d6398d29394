#include "ui/MessageForm.h"

#include "platform/Dpi.h"
#include "platform/WideText.h"
#include "runtime/Exceptions.h"
#include "runtime/ScopeGuard.h"
#include "ui/WindowAccessible.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

namespace {

// Button widths are measured once per kind and kept for the whole run, so
// that every box shows its buttons alike.
TButtonWidthCache& ButtonWidths()
{
    static TButtonWidthCache cache;
    return cache;
}

TBounds ToBounds(const TLayoutRect& r)
{
    return {r.Left, r.Top, r.Width, r.Height};
}

// Hands one block of data to the open clipboard, which then owns it.
void PutOnClipboard(UINT format, const void* data, size_t size)
{
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, size);
    if (!memory)
        throw Exception("Cannot copy to clipboard");
    // An unfilled block must never reach the clipboard.
    void* target = GlobalLock(memory);
    if (!target) {
        GlobalFree(memory);
        throw Exception("Cannot copy to clipboard");
    }
    std::memcpy(target, data, size);
    GlobalUnlock(memory);
    if (!SetClipboardData(format, memory)) {
        GlobalFree(memory);
        throw Exception("Cannot copy to clipboard");
    }
}

}  // namespace

LOGFONTW SystemMessageFont()
{
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0))
        return metrics.lfMessageFont;
    // Systems before Vista reject the structure with the padded-border field.
    metrics.cbSize = offsetof(NONCLIENTMETRICSW, iPaddedBorderWidth);
    if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0))
        return metrics.lfMessageFont;
    LOGFONTW font{};
    GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof(font), &font);
    return font;
}

TMessageImage::TMessageImage(std::string name, TBounds bounds, LPCWSTR icon)
    : TControl(std::move(name), bounds), iconId_(icon)
{}

HWND TMessageImage::CreateHandle(HWND parent, int id, const TBounds& bounds)
{
    return CreateChildWindow(0, L"STATIC", L"", SS_OWNERDRAW, parent, id, bounds);
}

bool TMessageImage::OnDrawItem(DRAWITEMSTRUCT* item)
{
    FillRect(item->hDC, &item->rcItem, GetSysColorBrush(COLOR_BTNFACE));
    // The image the icon has for the size shown, not another one stretched.
    const int size = std::min(item->rcItem.right - item->rcItem.left, item->rcItem.bottom - item->rcItem.top);
    if (size != iconSize_) {
        iconSize_ = size;
        icon_ = static_cast<HICON>(LoadImageW(nullptr, iconId_, IMAGE_ICON, size, size, LR_SHARED));
        if (!icon_)
            icon_ = LoadIconW(nullptr, iconId_);
    }
    if (icon_)
        DrawIconEx(item->hDC, 0, 0, icon_, size, size, 0, nullptr, DI_NORMAL);
    return true;
}

TMessageLabel::TMessageLabel(std::string name, TBounds bounds, std::wstring caption)
    : TControl(std::move(name), bounds), caption_(std::move(caption))
{}

HWND TMessageLabel::CreateHandle(HWND parent, int id, const TBounds& bounds)
{
    // SS_LEFT draws with word breaks and expanded tabs, as the text was
    // measured; without SS_NOPREFIX "&" underlines the next character.
    return CreateChildWindow(0, L"STATIC", caption_.c_str(), SS_LEFT, parent, id, bounds);
}

void TMessageLabel::HandleCreated()
{
    labelSubclass_.Attach<TMessageLabel, &TMessageLabel::LabelMessage>(Handle(), this);
}

std::wstring TMessageLabel::ShownText() const
{
    // "&" marks the next character and "&&" shows one.
    std::wstring shown;
    for (size_t i = 0; i < caption_.size(); ++i) {
        if (caption_[i] == L'&' && ++i == caption_.size())
            break;
        shown += caption_[i];
    }
    return shown;
}

// The system's object for a static control says "client" under Wine, with
// no text: the question would not be read.
LRESULT TMessageLabel::LabelMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_GETOBJECT && LONG(lParam) == OBJID_CLIENT)
        if (auto object = TWindowAccessible::Create(
                hwnd, {.Role = ROLE_SYSTEM_STATICTEXT, .Name = ShownText(), .Description = {}, .Children = {}}))
            return LresultFromObject(IID_IAccessible, wParam, object.Get());
    return labelSubclass_.CallPrevious(hwnd, message, wParam, lParam);
}

TMessageButton::TMessageButton(std::string name, TBounds bounds, std::string caption, int result)
    : TButton(std::move(name), bounds, std::move(caption)), result_(result)
{}

HWND TMessageButton::CreateHandle(HWND parent, int id, const TBounds& bounds)
{
    HWND hwnd = TButton::CreateHandle(parent, id, bounds);
    if (hwnd)
        SetWindowLongW(hwnd, GWL_STYLE, GetWindowLongW(hwnd, GWL_STYLE) | BS_NOTIFY);
    return hwnd;
}

bool TMessageButton::OnCommand(WORD code)
{
    if (code == BN_SETFOCUS) {
        if (OnFocus)
            OnFocus();
        return true;
    }
    return TButton::OnCommand(code);
}

void TMessageButton::SetDefaultLook(bool heavy)
{
    if (Handle())
        SendMessageW(Handle(), BM_SETSTYLE, BS_NOTIFY | (heavy ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON), TRUE);
}

struct TMessageForm::TPrepared {
    TMessageRequest Request;
    TMessageLayout Layout;
    TFormDesign Design;
};

TMessageLayout TMessageForm::MeasureLayout(const TMessageRequest& request, HFONT font, int dpi)
{
    WindowDC dc(nullptr);
    ScopedSelect select(dc, font);

    TMessageMetrics metrics;
    metrics.IconSize = SystemMetricForDpi(SM_CXICON, dpi);
    static const wchar_t kAlphabet[] = L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    SIZE alphabet{};
    GetTextExtentPoint32W(dc, kAlphabet, 52, &alphabet);
    metrics.X = alphabet.cx / 52;
    metrics.Y = alphabet.cy;

    const std::wstring& text = request.Text;
    RECT textRect{0, 0, GetSystemMetrics(SM_CXSCREEN) / 2, 0};
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &textRect, DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS);
    metrics.TextWidth = textRect.right - textRect.left;
    metrics.TextHeight = textRect.bottom - textRect.top;

    // The cache keeps widths at the system's density.
    metrics.ButtonCount = static_cast<int>(request.Buttons.size());
    for (const TMessageButtonInfo& button : request.Buttons) {
        int width = ButtonWidths().Width(button.Name, [&] {
            std::wstring label = Wide(button.Caption);
            RECT r{};
            DrawTextW(dc, label.c_str(), static_cast<int>(label.size()), &r, DT_CALCRECT | DT_LEFT | DT_SINGLELINE);
            return ScaleForDpi(static_cast<int>(r.right - r.left), SystemDpi(), dpi);
        });
        metrics.WidestCachedButton = std::max(metrics.WidestCachedButton, ScaleForDpi(width, dpi, SystemDpi()));
    }
    return LayoutMessage(metrics);
}

TMessageForm::TPrepared TMessageForm::Prepare(TMessageRequest request)
{
    LOGFONTW logFont = SystemMessageFont();
    GdiObject font(CreateFontIndirectW(&logFont));
    TMessageLayout layout = MeasureLayout(request, static_cast<HFONT>(font.Get()), SystemDpi());
    TFormDesign design;
    design.Caption = request.Caption;
    design.Bounds.Width = layout.ClientWidth;
    design.Bounds.Height = layout.ClientHeight;
    design.BorderStyle = TBorderStyle::bsDialog;
    design.BorderIcons = biSystemMenu;
    design.Position = TPosition::poScreenCenter;
    design.KeyPreview = true;
    // Measured at the system's density, which the message font is given at.
    design.Font = logFont;
    design.PixelsPerInch = SystemDpi();
    return {std::move(request), std::move(layout), std::move(design)};
}

TMessageForm::TMessageForm(TMessageRequest request) : TMessageForm(Prepare(std::move(request))) {}

TMessageForm::TMessageForm(TPrepared prepared)
    : TForm("MessageForm", "TMessageForm", std::move(prepared.Design)), request_(std::move(prepared.Request)),
      layout_(std::move(prepared.Layout))
{
    image_ = std::make_unique<TMessageImage>("Image", ToBounds(layout_.Icon), request_.Icon);
    message_ = std::make_unique<TMessageLabel>("Message", ToBounds(layout_.Text), request_.Text);
    AddControl(*image_);
    AddControl(*message_);
    for (size_t i = 0; i < request_.Buttons.size(); ++i) {
        const TMessageButtonInfo& b = request_.Buttons[i];
        auto button = std::make_unique<TMessageButton>(b.Name, ToBounds(layout_.Buttons[i]), b.Caption, b.Result);
        TMessageButton* raw = button.get();
        raw->TabOrder = static_cast<int>(i);
        raw->OnClick = [this, raw] { ModalResult = raw->Result(); };
        raw->OnFocus = [this, raw] { ButtonFocused(*raw); };
        if (!request_.DefaultButton.empty() && b.Name == request_.DefaultButton)
            DefaultButton = raw;
        if (!request_.CancelButton.empty() && b.Name == request_.CancelButton)
            CancelButton = raw;
        AddControl(*raw);
        buttons_.push_back(std::move(button));
    }
    OnKeyDown = [this](WORD key, bool& handled) { FormKeyDown(key, handled); };
}

// A text measured in one font does not keep its width in the same font
// scaled: the box is measured again, for its font at the new density.
void TMessageForm::DpiChanged()
{
    layout_ = MeasureLayout(request_, FontHandle(), Dpi());
    image_->SetBounds(ToBounds(layout_.Icon));
    message_->SetBounds(ToBounds(layout_.Text));
    for (size_t i = 0; i < buttons_.size(); ++i)
        buttons_[i]->SetBounds(ToBounds(layout_.Buttons[i]));
    // The frame as it is drawn now, at the new density.
    RECT outer, client;
    GetWindowRect(Handle(), &outer);
    GetClientRect(Handle(), &client);
    SetWindowPos(Handle(), nullptr, 0, 0, outer.right - outer.left - client.right + layout_.ClientWidth,
                 outer.bottom - outer.top - client.bottom + layout_.ClientHeight,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

int TMessageForm::Execute()
{
    Create();
    if (auto* heavy = static_cast<TMessageButton*>(DefaultButton))
        heavy->SetDefaultLook(true);
    return ShowModal();
}

LRESULT TMessageForm::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_GETOBJECT:
        if (LONG(lParam) == OBJID_CLIENT) {
            // A dialog whose text comes first: what a screen reader reads of
            // a message box before the focused button.
            TWindowAccessible::TDescription box{.Role = ROLE_SYSTEM_DIALOG,
                                                .Name = Wide(Caption()),
                                                .Description = message_->ShownText(),
                                                .Children = {message_->Handle()}};
            for (const auto& button : buttons_)
                box.Children.push_back(button->Handle());
            if (auto object = TWindowAccessible::Create(Handle(), std::move(box)))
                return LresultFromObject(IID_IAccessible, wParam, object.Get());
        }
        break;
    case WM_WINDOWPOSCHANGED: {
        // Servers announce dialogs of their own making as the system
        // announces its own: once visible, and when they go.
        const UINT flags = reinterpret_cast<const WINDOWPOS*>(lParam)->flags;
        if (flags & SWP_SHOWWINDOW)
            NotifyWinEvent(EVENT_SYSTEM_DIALOGSTART, Handle(), OBJID_WINDOW, CHILDID_SELF);
        else if (flags & SWP_HIDEWINDOW)
            NotifyWinEvent(EVENT_SYSTEM_DIALOGEND, Handle(), OBJID_WINDOW, CHILDID_SELF);
        break;
    }
    }
    return TForm::HandleMessage(message, wParam, lParam);
}

void TMessageForm::ButtonFocused(const TMessageButton& focused)
{
    // Enter presses the focused button, so it is the one drawn as default.
    for (auto& button : buttons_)
        button->SetDefaultLook(button.get() == &focused);
}

void TMessageForm::FormKeyDown(WORD key, bool& handled)
{
    bool ctrlOnly = GetKeyState(VK_CONTROL) < 0 && GetKeyState(VK_SHIFT) >= 0 && GetKeyState(VK_MENU) >= 0;
    if (key != 'C' || !ctrlOnly)
        return;
    CopyToClipboard();
    handled = true;
}

std::wstring TMessageForm::ClipboardText() const
{
    std::vector<std::string> labels;
    for (const TMessageButtonInfo& b : request_.Buttons)
        labels.push_back(b.Caption);
    return Wide(MessageClipboardText(Caption(), std::u16string(request_.Text.begin(), request_.Text.end()), labels));
}

void TMessageForm::CopyToClipboard()
{
    MessageBeep(0);
    std::wstring wide = ClipboardText();
    std::string text = Narrow(wide);
    if (!OpenClipboard(Handle()))
        throw Exception("Cannot open clipboard");
    ScopeGuard close([] { CloseClipboard(); });
    EmptyClipboard();
    PutOnClipboard(CF_UNICODETEXT, wide.c_str(), (wide.size() + 1) * sizeof(wchar_t));
    // The single-byte copy is the program's own Windows-1251 text; the locale
    // tells readers which code page it is in.
    PutOnClipboard(CF_TEXT, text.c_str(), text.size() + 1);
    LCID russian = MAKELCID(MAKELANGID(LANG_RUSSIAN, SUBLANG_DEFAULT), SORT_DEFAULT);
    PutOnClipboard(CF_LOCALE, &russian, sizeof(russian));
}
