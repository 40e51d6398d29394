// A form's making and its end: the window's styles from the design, the
// controls and components it holds, creation, destruction, its caption and
// state, and the window procedure that hands each message to its concept.
#include "ui/Form.h"

#include "platform/WideText.h"
#include "runtime/Exceptions.h"
#include "ui/Application.h"
#include "ui/StdControls.h"

#include <algorithm>

namespace {
DWORD StyleFor(const TFormDesign& d)
{
    DWORD style = WS_CLIPCHILDREN;
    switch (d.BorderStyle) {
    case TBorderStyle::bsNone: style |= WS_POPUP; break;
    case TBorderStyle::bsSingle:
    case TBorderStyle::bsToolWindow: style |= WS_CAPTION | WS_BORDER; break;
    case TBorderStyle::bsSizeable:
    case TBorderStyle::bsSizeToolWin: style |= WS_CAPTION | WS_THICKFRAME; break;
    case TBorderStyle::bsDialog: style |= WS_CAPTION | DS_MODALFRAME; break;
    }
    if (d.BorderStyle != TBorderStyle::bsNone && (d.BorderIcons & biSystemMenu)) {
        style |= WS_SYSMENU;
        bool canMinMax = d.BorderStyle != TBorderStyle::bsDialog && d.BorderStyle != TBorderStyle::bsToolWindow &&
                         d.BorderStyle != TBorderStyle::bsSizeToolWin;
        if (canMinMax && (d.BorderIcons & biMinimize))
            style |= WS_MINIMIZEBOX;
        if (canMinMax && (d.BorderIcons & biMaximize))
            style |= WS_MAXIMIZEBOX;
    }
    return style;
}

DWORD ExStyleFor(const TFormDesign& d)
{
    DWORD ex = WS_EX_CONTROLPARENT;
    if (d.BorderStyle == TBorderStyle::bsDialog)
        ex |= WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE;
    if (d.BorderStyle == TBorderStyle::bsToolWindow || d.BorderStyle == TBorderStyle::bsSizeToolWin)
        ex |= WS_EX_TOOLWINDOW;
    // The help button shows only without minimise and maximise buttons.
    if ((d.BorderIcons & biHelp) && (d.BorderIcons & biSystemMenu) &&
        (d.BorderStyle == TBorderStyle::bsDialog || !(d.BorderIcons & (biMinimize | biMaximize))))
        ex |= WS_EX_CONTEXTHELP;
    return ex;
}

}  // namespace

TForm::TForm(std::string name, std::string className, TFormDesign design)
    : TWindow(std::move(name)), className_(std::move(className)), design_(std::move(design))
{}

TForm::~TForm()
{
    if (application_)
        application_->ForgetForm(*this);
    // The derived form's members (its controls and components) are gone by
    // now, so neither OnDestroy nor the controls may be touched here: the
    // form's owner has called Destroy() already. The window goes unbound
    // (~TWindow).
}

void TForm::AddControl(TControl& control)
{
    controls_.push_back(&control);
    components_.push_back(&control);
}

void TForm::AddControls(std::initializer_list<TControl*> inTabOrder)
{
    int order = 0;
    for (TControl* control : inTabOrder) {
        control->TabOrder = order++;
        AddControl(*control);
    }
}

void TForm::AddComponent(TComponent& component)
{
    components_.push_back(&component);
}

TComponent* TForm::FindComponent(std::string_view name) const
{
    for (TComponent* c : components_)
        if (c->Name().size() == name.size() &&
            std::equal(name.begin(), name.end(), c->Name().begin(), [](char a, char b) {
                return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
            }))
            return c;
    return nullptr;
}

void TForm::RegisterClassOnce() const
{
    WNDCLASSEXW wc{};
    wc.style = CS_DBLCLKS;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    RegisterWindowClass(Wide(className_).c_str(), wc);
}

void TForm::Create()
{
    if (Handle())
        return;
    RegisterClassOnce();
    DWORD style = StyleFor(design_);
    DWORD exStyle = ExStyleFor(design_);
    // Made at the system's density; a window that comes up on a monitor of
    // another one is sized for that before its controls are made.
    dpi_ = SystemDpi();
    auto outerSize = [&] {
        RECT outer{0, 0, Scaled(design_.Bounds.Width), Scaled(design_.Bounds.Height)};
        AdjustWindowRectForDpi(outer, style, exStyle, dpi_);
        return SIZE{outer.right - outer.left, outer.bottom - outer.top};
    };
    SIZE size = outerSize();
    bool defaultPos = design_.Position == TPosition::poDefault || design_.Position == TPosition::poDefaultPosOnly;
    int x = defaultPos ? CW_USEDEFAULT : Scaled(design_.Bounds.Left);
    int y = defaultPos ? CW_USEDEFAULT : Scaled(design_.Bounds.Top);
    HWND owner = Application ? Application->Handle() : nullptr;
    if (!CreateBound(exStyle, Wide(className_).c_str(), Wide(design_.Caption).c_str(), style, x, y, size.cx, size.cy,
                     owner, nullptr))
        throw Exception("Error creating window " + Name());
    if (int dpi = WindowDpi(Handle()); dpi != dpi_) {
        dpi_ = dpi;
        size = outerSize();
        SetWindowPos(Handle(), nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (design_.Position == TPosition::poScreenCenter || design_.Position == TPosition::poDesktopCenter) {
        RECT r;
        GetWindowRect(Handle(), &r);
        int w = r.right - r.left, h = r.bottom - r.top;
        SetWindowPos(Handle(), nullptr, (GetSystemMetrics(SM_CXSCREEN) - w) / 2,
                     (GetSystemMetrics(SM_CYSCREEN) - h) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    CreateFormFont();
    LoadIcons();

    // Window z-order is the tab order: create the controls in it.
    std::vector<TControl*> ordered = controls_;
    std::stable_sort(ordered.begin(), ordered.end(), [](TControl* a, TControl* b) {
        return a->TabOrder.value_or(1 << 30) < b->TabOrder.value_or(1 << 30);
    });
    int id = 100;
    for (TControl* control : ordered)
        control->CreateWindowFor(*this, id++);
    if (dpi_ != design_.PixelsPerInch)
        DpiChanged();

    for (TComponent* component : components_)
        component->Loaded();
    if (OnCreate)
        GuardedCall(OnCreate);
}

void TForm::Destroy()
{
    if (!Handle() || destroyed_)
        return;
    destroyed_ = true;
    if (OnDestroy)
        GuardedCall(OnDestroy);
    for (TControl* control : controls_)
        control->DestroyWindowHandle();
    Unbind();
    DestroyHandle();
    font_.Reset();
}

bool TForm::IsMainForm() const
{
    return Application && Application->MainForm() == this;
}

std::string TForm::Caption() const
{
    return Handle() ? WindowText(Handle()) : design_.Caption;
}

void TForm::SetCaption(const std::string& caption)
{
    design_.Caption = caption;
    if (Handle())
        SetWindowTextCp1251(Handle(), caption);
}

RECT TForm::WindowRect() const
{
    RECT r{};
    GetWindowRect(Handle(), &r);
    return r;
}

void TForm::SetWindowState(TWindowState state)
{
    pendingState_ = state;
    if (!Visible())
        return;
    switch (state) {
    case TWindowState::wsNormal: ShowWindow(Handle(), SW_RESTORE); break;
    case TWindowState::wsMinimized: ShowWindow(Handle(), SW_MINIMIZE); break;
    case TWindowState::wsMaximized: ShowWindow(Handle(), SW_MAXIMIZE); break;
    }
}

TControl* TForm::ActiveControl() const
{
    for (HWND h = GetFocus(); h && h != Handle(); h = GetParent(h))
        if (TControl* control = ChildControl(int(GetWindowLongPtrW(h, GWLP_ID)), h))
            return control;
    return nullptr;
}

TControl* TForm::ChildControl(int id, HWND hwnd) const
{
    // A form has a dozen controls at most: a look through them costs less
    // than keeping an index up to date as windows come and go.
    for (TControl* control : controls_)
        if (control->ControlId() == id && control->Handle() == hwnd && hwnd)
            return control;
    return nullptr;
}

TForm* TForm::FromHandle(HWND hwnd)
{
    return dynamic_cast<TForm*>(TWindow::FromHandle(hwnd));
}

LRESULT TForm::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND:
        if (TControl* control = ChildControl(LOWORD(wParam), reinterpret_cast<HWND>(lParam)))
            if (control->OnCommand(HIWORD(wParam)))
                return 0;
        break;
    case WM_NOTIFY: {
        auto* header = reinterpret_cast<NMHDR*>(lParam);
        LRESULT result = 0;
        if (TControl* control = ChildControl(int(header->idFrom), header->hwndFrom))
            if (control->OnNotify(header, result))
                return result;
        break;
    }
    case WM_DRAWITEM: {
        auto* item = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
        if (TControl* control = ChildControl(int(item->CtlID), item->hwndItem))
            if (control->OnDrawItem(item))
                return TRUE;
        break;
    }
    case WM_SIZE: Layout(LOWORD(lParam), HIWORD(lParam)); return 0;
    case WM_GETMINMAXINFO:
        if (design_.MinWidth || design_.MinHeight) {
            auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
            info->ptMinTrackSize.x = std::max<LONG>(info->ptMinTrackSize.x, Scaled(design_.MinWidth));
            info->ptMinTrackSize.y = std::max<LONG>(info->ptMinTrackSize.y, Scaled(design_.MinHeight));
            return 0;
        }
        break;
    case WM_ACTIVATE:
        if (LOWORD(wParam) == WA_INACTIVE) {
            HWND focus = GetFocus();
            if (focus && IsChild(Handle(), focus))
                lastFocus_ = focus;
        } else if (!HIWORD(wParam)) {
            if (lastFocus_ && IsWindow(lastFocus_) && IsChild(Handle(), lastFocus_))
                ::SetFocus(lastFocus_);
            else
                FocusFirstControl();
            return 0;
        }
        break;
    case WM_DPICHANGED: ChangeDpi(LOWORD(wParam), *reinterpret_cast<RECT*>(lParam)); return 0;
    case WM_CLOSE: Close(); return 0;
    case WM_NEXTDLGCTL: {
        // A control that handles Tab itself (the rich edit box) asks its
        // parent to move the focus on, as it would ask a dialog.
        HWND next =
            LOWORD(lParam) ? reinterpret_cast<HWND>(wParam) : GetNextDlgTabItem(Handle(), GetFocus(), wParam != 0);
        if (next && IsChild(Handle(), next))
            ::SetFocus(next);
        return 0;
    }
    case WM_HELP:
        if (OnHelp) {
            Help();
            return TRUE;
        }
        break;
    case WM_SYSCOMMAND:
        // The caption's "?" button: no control has a help topic of its own,
        // so it opens the program's help at once.
        if ((wParam & 0xFFF0) == SC_CONTEXTHELP && OnHelp) {
            Help();
            return 0;
        }
        break;
    }
    return DefWindowProcW(Handle(), message, wParam, lParam);
}
