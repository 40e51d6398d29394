#include "ui/RxLabel.h"

#include "platform/Dpi.h"
#include "platform/Handles.h"
#include "platform/WideText.h"
#include "ui/Form.h"
#include "ui/StdControls.h"

#include <iterator>

namespace {

const wchar_t kClassName[] = L"AutoPeriod.RxLabel";
constexpr int kShadowSize = 1;  // at the design density

}  // namespace

TRxLabel::TRxLabel(std::string name, TBounds bounds, std::string caption, unsigned anchors)
    : TControl(std::move(name), bounds, anchors), caption_(std::move(caption))
{}

HWND TRxLabel::CreateHandle(HWND parent, int id, const TBounds& b)
{
    WNDCLASSEXW wc{};
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    RegisterWindowClass(kClassName, wc);
    return CreateBound(0, kClassName, Wide(caption_).c_str(), WS_CHILD | WS_VISIBLE, b.Left, b.Top, b.Width, b.Height,
                       parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)));
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

void TRxLabel::Paint()
{
    HWND hwnd = Handle();
    // A label is one short line: read into a fixed buffer, so that painting
    // allocates nothing and cannot fail half-way.
    wchar_t text[512];
    const int length = GetWindowTextW(hwnd, text, int(std::size(text)));
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    RECT client;
    GetClientRect(hwnd, &client);
    FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
    {
        ScopedSelect selectFont(dc, font_ ? font_ : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)));
        SetBkMode(dc, TRANSPARENT);
        const UINT format = DT_CENTER | DT_TOP | DT_SINGLELINE | DT_NOPREFIX;
        // The text sits the shadow's width in from the top left so that its
        // shadow fits.
        const int shadow = ScaleForDpi(kShadowSize, Form()->Dpi());
        RECT textRect = client;
        OffsetRect(&textRect, shadow, shadow);
        RECT shadowRect = client;
        SetTextColor(dc, GetSysColor(COLOR_BTNHIGHLIGHT));
        DrawTextW(dc, text, length, &shadowRect, format);
        SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
        DrawTextW(dc, text, length, &textRect, format);
    }
    EndPaint(hwnd, &ps);
}

LRESULT TRxLabel::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    HWND hwnd = Handle();
    switch (message) {
    case WM_PAINT: Paint(); return 0;
    case WM_ERASEBKGND: return 1;  // painted whole in WM_PAINT, without flicker
    case WM_SETFONT:
        font_ = reinterpret_cast<HFONT>(wParam);
        if (LOWORD(lParam))
            InvalidateRect(hwnd, nullptr, TRUE);
        return 0;
    case WM_GETFONT: return reinterpret_cast<LRESULT>(font_);
    case WM_SETTEXT: {
        LRESULT result = DefWindowProcW(hwnd, message, wParam, lParam);
        InvalidateRect(hwnd, nullptr, TRUE);
        return result;
    }
    case WM_NCHITTEST: return HTTRANSPARENT;  // clicks go to the form, as on a painted label
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}
