#include "ui/Control.h"

#include "platform/Dpi.h"
#include "runtime/Exceptions.h"
#include "ui/Form.h"

namespace {
const wchar_t kControlProp[] = L"AutoPeriod.Control";
}

TControl::TControl(std::string name, TBounds bounds, unsigned anchors)
    : TComponent(std::move(name)), bounds_(bounds), anchors_(anchors)
{}

TControl::~TControl()
{
    DestroyWindowHandle();
}

void TControl::CreateWindowFor(TForm& form, int id)
{
    form_ = &form;
    id_ = id;
    ScaleTo(form.Dpi());
    hwnd_ = CreateHandle(form.Handle(), id, ScaledBounds());
    if (!hwnd_)
        throw Exception("Error creating window " + Name());
    SetPropW(hwnd_, kControlProp, this);
    SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(form.FontHandle()), FALSE);
    HandleCreated();
}

void TControl::DestroyWindowHandle()
{
    if (hwnd_ && IsWindow(hwnd_)) {
        RemovePropW(hwnd_, kControlProp);
        DestroyWindow(hwnd_);
    }
    hwnd_ = nullptr;
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
    if (hwnd_ && FollowsFormFont())
        SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(form_->FontHandle()), TRUE);
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
    if (hwnd_)
        MoveWindow(hwnd_, bounds.Left, bounds.Top, bounds.Width, bounds.Height, TRUE);
}

void TControl::SetFocus()
{
    if (hwnd_)
        ::SetFocus(hwnd_);
}

bool TControl::Focused() const
{
    HWND focus = GetFocus();
    return hwnd_ && (focus == hwnd_ || IsChild(hwnd_, focus));
}

TControl* TControl::FromHandle(HWND hwnd)
{
    return hwnd ? static_cast<TControl*>(GetPropW(hwnd, kControlProp)) : nullptr;
}
