#include "platform/Dpi.h"

#include "platform/Handles.h"

#include <algorithm>
#include <climits>

namespace {

using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
using GetSystemMetricsForDpiFn = int(WINAPI*)(int, UINT);
using AdjustWindowRectExForDpiFn = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);

}  // namespace

int SystemDpi()
{
    // Fixed for the process's life: read once.
    static const int dpi = [] {
        WindowDC screen(nullptr);
        int value = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 0;
        return value > 0 ? value : kDesignDpi;
    }();
    return dpi;
}

int WindowDpi(HWND hwnd)
{
    static const auto getDpiForWindow = SystemFunction<GetDpiForWindowFn>(L"user32.dll", "GetDpiForWindow");
    if (getDpiForWindow && hwnd)
        if (UINT dpi = getDpiForWindow(hwnd))
            return static_cast<int>(dpi);
    return SystemDpi();
}

int ScaleForDpi(int value, int to, int from)
{
    if (to == from || from <= 0)
        return value;
    const long long product = static_cast<long long>(value) * to;
    const long long half = from / 2;
    const long long scaled = product >= 0 ? (product + half) / from : -((-product + half) / from);
    // A stored width may be any number: the result stays one.
    return static_cast<int>(std::clamp<long long>(scaled, INT_MIN, INT_MAX));
}

int SystemMetricForDpi(int index, int dpi)
{
    static const auto forDpi = SystemFunction<GetSystemMetricsForDpiFn>(L"user32.dll", "GetSystemMetricsForDpi");
    if (forDpi)
        return forDpi(index, static_cast<UINT>(dpi));
    return ScaleForDpi(GetSystemMetrics(index), dpi, SystemDpi());
}

void AdjustWindowRectForDpi(RECT& rect, DWORD style, DWORD exStyle, int dpi)
{
    static const auto forDpi = SystemFunction<AdjustWindowRectExForDpiFn>(L"user32.dll", "AdjustWindowRectExForDpi");
    if (forDpi && forDpi(&rect, style, FALSE, exStyle, static_cast<UINT>(dpi)))
        return;
    AdjustWindowRectEx(&rect, style, FALSE, exStyle);
}
