#include "ui/Control.h"

#include "platform/Dpi.h"
#include "runtime/Exceptions.h"
#include "ui/Form.h"

TControl::TControl(std::string name, TBounds bounds, unsigned anchors)
    : TWindow(std::move(name)), bounds_(bounds), anchors_(anchors)
{}

HWND TControl::CreateChildWindow(DWORD exStyle, const wchar_t* windowClass, const wchar_t* text, DWORD style,
                                 HWND parent, int id, const TBounds& b)
{
    return CreateWindowExW(exStyle, windowClass, text, WS_CHILD | WS_VISIBLE | style, b.Left, b.Top, b.Width, b.Height,
                           parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr),
                           nullptr);
}

void TControl::CreateWindowFor(TForm& form, int id)
{
    form_ = &form;
    id_ = id;
    ScaleTo(form.Dpi());
    HWND hwnd = CreateHandle(form.Handle(), id, ScaledBounds());
    if (!hwnd)
        throw Exception("Error creating window " + Name());
    TakeHandle(hwnd);
    SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(form.FontHandle()), FALSE);
    HandleCreated();
}

void TControl::DestroyWindowHandle()
{
    DestroyHandle();
}

TBounds TControl::ScaledBounds() const
{
    if (!form_)
        return bounds_;
    const int to = form_->Dpi();
    const int from = boundsDpi_ ? boundsDpi_ : form_->DesignDpi();
    return {ScaleForDpi(bounds_.Left, to, from), ScaleForDpi(bounds_.Top, to, from),
            ScaleForDpi(bounds_.Width, to, from), ScaleForDpi(bounds_.Height, to, from)};
}

void TControl::FormDpiChanged()
{
    if (!form_)
        return;
    if (Handle() && FollowsFormFont())
        SendMessageW(Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(form_->FontHandle()), TRUE);
    ScaleTo(form_->Dpi());
}

void TControl::ScaleTo(int dpi)
{
    const int from = scaledDpi_ ? scaledDpi_ : form_->DesignDpi();
    scaledDpi_ = dpi;
    if (from != dpi)
        ChangeScale(from, dpi);
}

void TControl::SetBounds(const TBounds& bounds)
{
    bounds_ = bounds;
    boundsDpi_ = form_ ? form_->Dpi() : 0;
    if (Handle())
        MoveWindow(Handle(), bounds.Left, bounds.Top, bounds.Width, bounds.Height, TRUE);
}

void TControl::SetFocus()
{
    if (Handle())
        ::SetFocus(Handle());
}
