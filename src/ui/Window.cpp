#include "ui/Window.h"

#include "runtime/Exceptions.h"

#include "ui/Application.h"

void ReportEscapedException() noexcept
{
    if (Application) {
        Application->HandleException(std::current_exception());
        return;
    }
    ShowPlainErrorBox(nullptr, std::current_exception());
}

void ShowPlainErrorBox(HWND owner, const std::exception_ptr& error) noexcept
{
    // Wide text whatever the system's code page: the program's messages are
    // Windows-1251, and the caption is the title exactly as the executable
    // is named.
    const wchar_t* text = L"Unknown error";
    std::wstring what;
    try {
        try {
            std::rethrow_exception(error);
        } catch (const std::exception& e) {
            // The exact text: a message may name a file beyond Windows-1251.
            const std::u16string exact = ExceptionText(e);
            what.assign(exact.begin(), exact.end());
            text = what.c_str();
        }
    } catch (...) {}
    const wchar_t* caption =
        Application && !Application->WideTitle().empty() ? Application->WideTitle().c_str() : nullptr;
    MessageBoxW(owner, text, caption, MB_OK | MB_ICONSTOP | MB_TASKMODAL);
}

// The object sits in the window's user data. Only windows whose procedure is
// this one are asked, so no other window's user data is ever taken for an
// object. (Not a window property: under Wine reading one is a round trip to
// the server, on every message.)
TWindow* TWindow::FromHandle(HWND hwnd)
{
    if (!hwnd || GetWindowLongPtrW(hwnd, GWLP_WNDPROC) != reinterpret_cast<LONG_PTR>(&TWindow::WindowProc))
        return nullptr;
    return reinterpret_cast<TWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

TWindow::~TWindow()
{
    Unbind();
    DestroyHandle();
}

void TWindow::Unbind()
{
    if (hwnd_ && FromHandle(hwnd_) == this)
        SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
}

void TWindow::DestroyHandle()
{
    // A child's window may have gone with its parent's already.
    if (hwnd_ && IsWindow(hwnd_))
        DestroyWindow(hwnd_);
    hwnd_ = nullptr;
}

void TWindow::RegisterWindowClass(const wchar_t* className, WNDCLASSEXW wc)
{
    WNDCLASSEXW existing{};
    existing.cbSize = sizeof(existing);
    if (GetClassInfoExW(GetModuleHandleW(nullptr), className, &existing))
        return;
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = &TWindow::WindowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = className;
    RegisterClassExW(&wc);
}

HWND TWindow::CreateBound(DWORD exStyle, const wchar_t* className, const wchar_t* title, DWORD style, int x, int y,
                          int width, int height, HWND parent, HMENU menu)
{
    return CreateWindowExW(exStyle, className, title, style, x, y, width, height, parent, menu,
                           GetModuleHandleW(nullptr), this);
}

LRESULT TWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcW(hwnd_, message, wParam, lParam);
}

LRESULT CALLBACK TWindow::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept
{
    if (message == WM_NCCREATE) {
        if (auto* window = static_cast<TWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams)) {
            window->hwnd_ = hwnd;
            SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(window));
        }
    }
    auto* window = reinterpret_cast<TWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!window)
        return DefWindowProcW(hwnd, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        LRESULT result = GuardedCall([&] { return window->HandleMessage(message, wParam, lParam); });
        window->hwnd_ = nullptr;
        return result;
    }
    return GuardedCall([&] { return window->HandleMessage(message, wParam, lParam); });
}

void TSubclass::Install(HWND hwnd)
{
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    previous_ =
        reinterpret_cast<WNDPROC>(SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TSubclass::Proc)));
}

LRESULT TSubclass::CallPrevious(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) const
{
    return CallWindowProcW(previous_, hwnd, message, wParam, lParam);
}

LRESULT CALLBACK TSubclass::Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept
{
    auto* subclass = reinterpret_cast<TSubclass*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!subclass)
        return DefWindowProcW(hwnd, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        // The control's own procedure ends the window, as if never subclassed.
        SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(subclass->previous_));
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        return CallWindowProcW(subclass->previous_, hwnd, message, wParam, lParam);
    }
    return GuardedCall([&] { return subclass->dispatch_(subclass->owner_, hwnd, message, wParam, lParam); });
}
