#include "ui/Control.h"

#include "ui/Form.h"
#include "runtime/Exceptions.h"

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
    hwnd_ = CreateHandle(form.Handle(), id, bounds_);
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

void TControl::SetBounds(const TBounds& bounds)
{
    bounds_ = bounds;
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
