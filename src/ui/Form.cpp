#include "ui/Form.h"

#include "platform/WideText.h"
#include "runtime/Exceptions.h"
#include "runtime/ScopeGuard.h"
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

bool IsPushButton(HWND hwnd)
{
    wchar_t cls[16] = {};
    GetClassNameW(hwnd, cls, 16);
    if (lstrcmpiW(cls, L"Button") != 0)
        return false;
    LONG type = GetWindowLongW(hwnd, GWL_STYLE) & BS_TYPEMASK;
    return type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON;
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
    // now, so neither OnDestroy nor the controls may be touched here: forms
    // that need them are destroyed first (TApplication::DestroyForms, or
    // Destroy() in the derived destructor). The window goes unbound
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

int TForm::Scaled(int designValue) const
{
    return ScaleForDpi(designValue, dpi_, design_.PixelsPerInch);
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

void TForm::CreateFormFont()
{
    LOGFONTW font{};
    if (design_.Font) {
        font = *design_.Font;
    } else {
        font.lfHeight = -design_.FontHeight;
        font.lfWeight = FW_NORMAL;
        font.lfCharSet = DEFAULT_CHARSET;
        std::wstring_view(design_.FontFace).substr(0, LF_FACESIZE - 1).copy(font.lfFaceName, LF_FACESIZE - 1);
    }
    font.lfHeight = Scaled(font.lfHeight);
    font.lfWidth = Scaled(font.lfWidth);
    font_.Reset(CreateFontIndirectW(&font));
    SendMessageW(Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(font_.Get()), FALSE);
}

// The icon's own images of the sizes the window's density asks for (the
// file holds one for each common density), not another size stretched.
void TForm::LoadIcons()
{
    if (!design_.IconId)
        return;
    auto load = [this](int widthIndex, int heightIndex) {
        return reinterpret_cast<LPARAM>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(design_.IconId),
                                                   IMAGE_ICON, SystemMetricForDpi(widthIndex, dpi_),
                                                   SystemMetricForDpi(heightIndex, dpi_), LR_SHARED));
    };
    SendMessageW(Handle(), WM_SETICON, ICON_BIG, load(SM_CXICON, SM_CYICON));
    SendMessageW(Handle(), WM_SETICON, ICON_SMALL, load(SM_CXSMICON, SM_CYSMICON));
}

void TForm::ChangeDpi(int dpi, const RECT& suggested)
{
    const bool changed = dpi > 0 && dpi != dpi_;
    if (changed) {
        dpi_ = dpi;
        // The controls draw with the old font until they have the new one.
        GdiObject oldFont = std::move(font_);
        CreateFormFont();
        LoadIcons();
        for (TControl* control : controls_)
            control->FormDpiChanged();
    }
    SetWindowPos(Handle(), nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    if (changed)
        DpiChanged();
    // The window may keep its size (the suggestion is the system's guess):
    // the controls take their places at this density all the same.
    RECT client;
    GetClientRect(Handle(), &client);
    Layout(client.right, client.bottom);
    InvalidateRect(Handle(), nullptr, TRUE);
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

bool TForm::Visible() const
{
    return Handle() && IsWindowVisible(Handle());
}

void TForm::Show()
{
    if (!Handle())
        return;
    if (Visible()) {
        SetForegroundWindow(Handle());
        return;
    }
    if (design_.DefaultMonitor == TDefaultMonitor::dmMainForm)
        MoveOntoMainFormsMonitor();
    if (OnShow)
        GuardedCall(OnShow);
    MoveIntoWorkArea();
    // The state the window was hidden in, or the one asked for since (the
    // state store does so from OnShow); a normal show also un-maximises a
    // window that was hidden maximised.
    int cmd = SW_SHOWNORMAL;
    if (pendingState_ == TWindowState::wsMaximized)
        cmd = SW_SHOWMAXIMIZED;
    else if (pendingState_ == TWindowState::wsMinimized)
        cmd = SW_SHOWMINIMIZED;
    ShowWindow(Handle(), cmd);
    SetForegroundWindow(Handle());
    if (!lastFocus_ || !IsChild(Handle(), lastFocus_))
        FocusFirstControl();
    else
        ::SetFocus(lastFocus_);
}

// A window placed on another monitor than the main form's (the platform's
// default place, say) moves over by the offset between the two monitors. A
// stored placement applied afterwards still takes over.
void TForm::MoveOntoMainFormsMonitor()
{
    TForm* main = Application ? Application->MainForm() : nullptr;
    if (!main || main == this || !main->Handle())
        return;
    HMONITOR target = MonitorFromWindow(main->Handle(), MONITOR_DEFAULTTONEAREST);
    HMONITOR here = MonitorFromWindow(Handle(), MONITOR_DEFAULTTONEAREST);
    if (target == here)
        return;
    MONITORINFO to{}, from{};
    to.cbSize = from.cbSize = sizeof(MONITORINFO);
    if (!GetMonitorInfoW(target, &to) || !GetMonitorInfoW(here, &from))
        return;
    RECT r;
    GetWindowRect(Handle(), &r);
    SetWindowPos(Handle(), nullptr, r.left + to.rcWork.left - from.rcWork.left, r.top + to.rcWork.top - from.rcWork.top,
                 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// A window about to show in its normal state with part of it outside its
// monitor's work area (under the taskbar, past a screen edge) is moved in,
// never resized, along each direction in which it fits; a window that lies
// wholly inside, designed or stored, stays exactly where it is.
void TForm::MoveIntoWorkArea()
{
    if (pendingState_ != TWindowState::wsNormal)
        return;
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    if (!GetMonitorInfoW(MonitorFromWindow(Handle(), MONITOR_DEFAULTTONEAREST), &monitor))
        return;
    const RECT& work = monitor.rcWork;
    RECT r;
    GetWindowRect(Handle(), &r);
    auto fit = [](LONG low, LONG high, LONG workLow, LONG workHigh) {
        if (high - low > workHigh - workLow)
            return low;  // too large to fit: left where it is
        if (high > workHigh)
            low -= high - workHigh;
        return std::max(low, workLow);
    };
    LONG left = fit(r.left, r.right, work.left, work.right);
    LONG top = fit(r.top, r.bottom, work.top, work.bottom);
    if (left != r.left || top != r.top)
        SetWindowPos(Handle(), nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TForm::Hide()
{
    if (!Handle())
        return;
    // Remember maximised or normal for the next Show; a window closed while
    // minimised comes back normal.
    if (IsWindowVisible(Handle()))
        pendingState_ = IsZoomed(Handle()) ? TWindowState::wsMaximized : TWindowState::wsNormal;
    ShowWindow(Handle(), SW_HIDE);
}

void TForm::FocusFirstControl()
{
    HWND first = GetNextDlgTabItem(Handle(), nullptr, FALSE);
    if (first)
        ::SetFocus(first);
}

int TForm::ShowModal()
{
    if (Visible() || modal_)
        throw Exception("Cannot make a visible window modal");
    if (GetCapture())
        SendMessageW(GetCapture(), WM_CANCELMODE, 0, 0);
    ReleaseCapture();
    HWND previousActive = GetActiveWindow();
    std::vector<HWND> disabled = Application->DisableTaskWindows(Handle());
    modal_ = true;
    ModalResult = mrNone;
    ScopeGuard undo([&] {
        modal_ = false;
        Application->EnableTaskWindows(disabled);
        Hide();
    });
    Show();
    while (ModalResult == mrNone) {
        if (!Application->ProcessOneMessage())
            break;  // WM_QUIT: left in the queue for the outer loop
        if (ModalResult != mrNone && !RunClose())
            ModalResult = mrNone;
    }
    undo.Dismiss();
    modal_ = false;
    Application->EnableTaskWindows(disabled);
    if (previousActive && IsWindow(previousActive))
        SetActiveWindow(previousActive);
    Hide();
    return ModalResult;
}

bool TForm::CloseQuery()
{
    bool canClose = true;
    if (OnCloseQuery)
        OnCloseQuery(canClose);
    return canClose;
}

bool TForm::RunClose()
{
    // A close handler that fails keeps the window open.
    return GuardedCall(
        [&] {
            if (!CloseQuery())
                return false;
            TCloseAction action = IsMainForm() ? TCloseAction::caFree : TCloseAction::caHide;
            if (OnClose)
                OnClose(action);
            return action != TCloseAction::caNone;
        },
        false);
}

void TForm::Close()
{
    if (modal_) {
        ModalResult = mrCancel;
        return;
    }
    if (!RunClose())
        return;
    if (IsMainForm())
        Application->Terminate();
    else
        Hide();
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

TWindowState TForm::WindowState() const
{
    if (!Visible())
        return pendingState_;
    if (IsIconic(Handle()))
        return TWindowState::wsMinimized;
    if (IsZoomed(Handle()))
        return TWindowState::wsMaximized;
    return TWindowState::wsNormal;
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

void TForm::Layout(int clientWidth, int clientHeight)
{
    if (clientWidth == 0 && clientHeight == 0)
        return;  // minimised
    int dx = clientWidth - Scaled(design_.Bounds.Width);
    int dy = clientHeight - Scaled(design_.Bounds.Height);
    for (TControl* control : controls_) {
        if (!control->Handle())
            continue;
        TBounds b = control->ScaledBounds();
        unsigned a = control->Anchors();
        int left = b.Left, top = b.Top, width = b.Width, height = b.Height;
        if ((a & akLeft) && (a & akRight))
            width += dx;
        else if (a & akRight)
            left += dx;
        if ((a & akTop) && (a & akBottom))
            height += dy;
        else if (a & akBottom)
            top += dy;
        MoveWindow(control->Handle(), left, top, std::max(width, 0), std::max(height, 0), TRUE);
    }
}

void TForm::Help()
{
    // A second request while help is up (F1 pressed again) opens nothing more.
    if (OnHelp && IsWindowEnabled(Handle()))
        OnHelp();
}

bool TForm::PreTranslateMessage(MSG& msg)
{
    if (msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN) {
        if (design_.KeyPreview && OnKeyDown) {
            bool handled = false;
            OnKeyDown(static_cast<WORD>(msg.wParam), handled);
            if (handled)
                return true;
        }
        if (msg.message == WM_KEYDOWN && msg.wParam == VK_F1 && OnHelp) {
            Help();
            return true;
        }
        if (msg.message == WM_KEYDOWN && msg.wParam == VK_RETURN) {
            HWND focus = GetFocus();
            if (focus && IsChild(Handle(), focus) && IsPushButton(focus)) {
                SendMessageW(focus, BM_CLICK, 0, 0);
                return true;
            }
            if (DefaultButton && DefaultButton->Handle()) {
                DefaultButton->Click();
                return true;
            }
            // Controls that want Enter (multi-line boxes, grids) get it; nothing else happens.
            return !(SendMessageW(focus, WM_GETDLGCODE, VK_RETURN, reinterpret_cast<LPARAM>(&msg)) &
                     (DLGC_WANTALLKEYS | DLGC_WANTMESSAGE));
        }
        if (msg.message == WM_KEYDOWN && msg.wParam == VK_ESCAPE) {
            if (CancelButton && CancelButton->Handle()) {
                CancelButton->Click();
                return true;
            }
            HWND focus = GetFocus();
            return !(SendMessageW(focus, WM_GETDLGCODE, VK_ESCAPE, reinterpret_cast<LPARAM>(&msg)) &
                     (DLGC_WANTALLKEYS | DLGC_WANTMESSAGE));
        }
    }
    return IsDialogMessageW(Handle(), &msg) != FALSE;
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
