// A form at its pixel density: design values scaled, the font and icons
// made for the density, a move to a monitor of another one, and the
// controls placed by their anchors.
#include "ui/Form.h"

#include <algorithm>

int TForm::Scaled(int designValue) const
{
    return ScaleForDpi(designValue, dpi_, design_.PixelsPerInch);
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
