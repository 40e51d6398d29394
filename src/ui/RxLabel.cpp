#include "ui/RxLabel.h"

#include "platform/Handles.h"
#include "platform/WideText.h"
#include "ui/StdControls.h"

#include <vector>

namespace {

const wchar_t kClassName[] = L"AutoPeriod.RxLabel";
// The font the form gives the label (WM_SETFONT), kept on the window.
const wchar_t kFontProp[] = L"AutoPeriod.RxLabel.Font";
constexpr int kShadowSize = 1;

void RegisterClassOnce(WNDPROC windowProc)
{
    WNDCLASSEXW existing{};
    existing.cbSize = sizeof(existing);
    if (GetClassInfoExW(GetModuleHandleW(nullptr), kClassName, &existing))
        return;
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = windowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kClassName;
    RegisterClassExW(&wc);
}

std::wstring WindowTextW(HWND hwnd)
{
    int length = GetWindowTextLengthW(hwnd);
    std::vector<wchar_t> buffer(length + 1);
    int copied = GetWindowTextW(hwnd, buffer.data(), length + 1);
    return std::wstring(buffer.data(), copied);
}

}  // namespace

TRxLabel::TRxLabel(std::string name, TBounds bounds, std::string caption, unsigned anchors)
    : TControl(std::move(name), bounds, anchors), caption_(std::move(caption))
{
}

HWND TRxLabel::CreateHandle(HWND parent, int id, const TBounds& b)
{
    RegisterClassOnce(&TRxLabel::WindowProc);
    return CreateWindowExW(0, kClassName, Wide(caption_).c_str(), WS_CHILD | WS_VISIBLE, b.Left, b.Top, b.Width,
                           b.Height, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                           GetModuleHandleW(nullptr), nullptr);
}

std::string TRxLabel::Caption() const
{
    return Handle() ? WindowText(Handle()) : caption_;
}

void TRxLabel::SetCaption(const std::string& caption)
{
    caption_ = caption;
    if (Handle())
        SetWindowTextCp1251(Handle(), caption);
}

void TRxLabel::Paint(HWND hwnd)
{
    std::wstring text = WindowTextW(hwnd);  // the only step that can throw, so before BeginPaint
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    RECT client;
    GetClientRect(hwnd, &client);
    FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
    {
        auto font = static_cast<HFONT>(GetPropW(hwnd, kFontProp));
        ScopedSelect selectFont(dc, font ? font : GetStockObject(DEFAULT_GUI_FONT));
        SetBkMode(dc, TRANSPARENT);
        const UINT format = DT_CENTER | DT_TOP | DT_SINGLELINE | DT_NOPREFIX;
        // The text sits one pixel in from the top left so that its shadow fits.
        RECT textRect = client;
        OffsetRect(&textRect, kShadowSize, kShadowSize);
        RECT shadowRect = client;
        SetTextColor(dc, GetSysColor(COLOR_BTNHIGHLIGHT));
        DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &shadowRect, format);
        SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
        DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &textRect, format);
    }
    EndPaint(hwnd, &ps);
}

LRESULT CALLBACK TRxLabel::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    // Nothing here may throw back into the system: painting allocates, so it
    // is guarded; a failed paint leaves the old picture.
    switch (message) {
    case WM_PAINT:
        try {
            Paint(hwnd);
        } catch (...) {
            ValidateRect(hwnd, nullptr);
        }
        return 0;
    case WM_ERASEBKGND:
        return 1;  // painted whole in WM_PAINT, without flicker
    case WM_SETFONT:
        SetPropW(hwnd, kFontProp, reinterpret_cast<HANDLE>(wParam));
        if (LOWORD(lParam))
            InvalidateRect(hwnd, nullptr, TRUE);
        return 0;
    case WM_GETFONT:
        return reinterpret_cast<LRESULT>(GetPropW(hwnd, kFontProp));
    case WM_SETTEXT: {
        LRESULT result = DefWindowProcW(hwnd, message, wParam, lParam);
        InvalidateRect(hwnd, nullptr, TRUE);
        return result;
    }
    case WM_NCHITTEST:
        return HTTRANSPARENT;  // clicks go to the form, as on a painted label
    case WM_NCDESTROY:
        RemovePropW(hwnd, kFontProp);
        break;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}
