#include "ui/Window.h"

#include "ui/Application.h"

namespace {

// The object of a bound window. A property, not GWLP_USERDATA, so that
// asking any window (a system dialog, another program's) is harmless.
const wchar_t kWindowProp[] = L"AutoPeriod.Window";

}  // namespace

void ReportEscapedException() noexcept
{
    if (Application) {
        Application->HandleException(std::current_exception());
        return;
    }
    const char* what = "Unknown error";
    try {
        throw;
    } catch (const std::exception& e) {
        what = e.what();
    } catch (...) {
    }
    MessageBoxA(nullptr, what, nullptr, MB_OK | MB_ICONSTOP | MB_TASKMODAL);
}

TWindow* TWindow::FromWindow(HWND hwnd)
{
    return hwnd ? static_cast<TWindow*>(GetPropW(hwnd, kWindowProp)) : nullptr;
}

void TWindow::Unbind(HWND hwnd)
{
    RemovePropW(hwnd, kWindowProp);
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

LRESULT CALLBACK TWindow::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept
{
    if (message == WM_NCCREATE) {
        auto* window = static_cast<TWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        if (window) {
            SetPropW(hwnd, kWindowProp, window);
            GuardedCall([&] { window->WindowBound(hwnd); });
        }
    }
    TWindow* window = FromWindow(hwnd);
    if (!window)
        return DefWindowProcW(hwnd, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        RemovePropW(hwnd, kWindowProp);
        LRESULT result = GuardedCall([&] { return window->HandleMessage(hwnd, message, wParam, lParam); });
        GuardedCall([&] { window->WindowUnbound(); });
        return result;
    }
    return GuardedCall([&] { return window->HandleMessage(hwnd, message, wParam, lParam); });
}
