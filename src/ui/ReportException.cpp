#include "ui/ReportException.h"

#include "ui/portable/AppTitle.h"
#include "runtime/Exceptions.h"
#include "ui/Application.h"

namespace {

// Moves the application window to the centre of the monitor where the user
// works while the box is up, so that the box comes up there too.
class MonitorFollower {
public:
    explicit MonitorFollower(HWND app) : app_(app)
    {
        HWND active = GetActiveWindow();
        if (!app_ || !active)
            return;
        HMONITOR activeMonitor = MonitorFromWindow(active, MONITOR_DEFAULTTONEAREST);
        if (activeMonitor == MonitorFromWindow(app_, MONITOR_DEFAULTTONEAREST))
            return;
        MONITORINFO info{};
        info.cbSize = sizeof(info);
        if (!GetMonitorInfoW(activeMonitor, &info) || !GetWindowRect(app_, &saved_))
            return;
        moved_ = true;
        int w = saved_.right - saved_.left, h = saved_.bottom - saved_.top;
        SetWindowPos(app_, nullptr, (info.rcMonitor.left + info.rcMonitor.right - w) / 2,
                     (info.rcMonitor.top + info.rcMonitor.bottom - h) / 2, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    MonitorFollower(const MonitorFollower&) = delete;
    MonitorFollower& operator=(const MonitorFollower&) = delete;
    ~MonitorFollower()
    {
        if (moved_)
            SetWindowPos(app_, nullptr, saved_.left, saved_.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }

private:
    HWND app_;
    RECT saved_{};
    bool moved_ = false;
};

}  // namespace

void ReportException(const std::exception& error)
{
    if (HWND capture = GetCapture())
        SendMessageW(capture, WM_CANCELMODE, 0, 0);
    if (dynamic_cast<const EAbort*>(&error))
        return;
    // The exact text: a message that names a file shows its name as Windows does.
    const std::u16string exact = ExceptionText(error);
    const std::wstring text = ReportText(std::wstring(exact.begin(), exact.end()));

    HWND app = Application ? Application->Handle() : nullptr;
    std::wstring caption = Application ? Application->WideTitle() : std::wstring();
    HWND active = GetActiveWindow();
    HWND focus = GetFocus();
    std::vector<HWND> disabled = Application ? Application->DisableTaskWindows(nullptr) : std::vector<HWND>{};
    {
        // A quit posted when the main window closed is still queued while
        // the windows are destroyed after the loop; the box's own loop would
        // take it and return at once, unseen. Hold it back until the box is
        // answered.
        MSG quit;
        const bool quitPending = PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != FALSE;
        MonitorFollower follow(app);
        MessageBoxW(app, text.c_str(), caption.c_str(), MB_OK | MB_ICONSTOP);
        if (quitPending)
            PostQuitMessage(int(quit.wParam));
    }
    if (Application)
        Application->EnableTaskWindows(disabled);
    if (active && IsWindow(active)) {
        SetActiveWindow(active);
        if (focus && IsWindow(focus))
            SetFocus(focus);
    }
}
