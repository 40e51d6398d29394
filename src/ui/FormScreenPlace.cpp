// Where and how a form appears on screen: showing in the state asked for,
// on the main form's monitor and inside the work area, hiding, and the
// control that takes the focus first.
#include "ui/Form.h"

#include "ui/Application.h"

#include <algorithm>

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
