// Drawing the grid: the indicator column, the cells of the view window's
// rows with their column and row lines, and the focused cell. Only the rows
// of the view window that meet the area to repaint are drawn.
#include "ui/DBGrid.h"

#include "platform/Handles.h"
#include "platform/WideText.h"
#include "ui/Form.h"

#include <algorithm>

namespace {

void FillColor(HDC dc, const RECT& r, int sysColor)
{
    FillRect(dc, &r, GetSysColorBrush(sysColor));
}

BYTE Mid(BYTE a, BYTE b)
{
    return BYTE((a + b) / 2);
}

}  // namespace

void TRxDBGrid::Paint(HDC target, const RECT& clip)
{
    int width = clip.right - clip.left;
    int height = clip.bottom - clip.top;
    if (width <= 0 || height <= 0)
        return;
    // Drawn off screen and copied in one go, so that a repaint never flickers.
    MemoryDC dc(CreateCompatibleDC(target));
    GdiObject bitmap(CreateCompatibleBitmap(target, width, height));
    if (!dc || !bitmap)
        return;
    ScopedSelect selectBitmap(dc.Get(), bitmap.Get());
    ScopedSelect selectFont(dc.Get(), font_ ? font_ : GetStockObject(DEFAULT_GUI_FONT));
    SetViewportOrgEx(dc.Get(), -clip.left, -clip.top, nullptr);

    FillColor(dc.Get(), clip, COLOR_WINDOW);
    if (TDataSet* ds = DataSet(); ds && ds->Active()) {
        GdiObject lineBrush(CreateSolidBrush(LineColor()));
        int current = ds->WindowCurrentLine();
        int first = std::max(0, LineAt(std::max<int>(clip.top, titleHeight_)));
        int last = std::min(ds->WindowRowCount() - 1, LineAt(clip.bottom - 1));
        for (int line = first; line <= last; ++line)
            PaintLine(dc.Get(), line, current, static_cast<HBRUSH>(lineBrush.Get()));
    }
    BitBlt(target, clip.left, clip.top, width, height, dc.Get(), clip.left, clip.top, SRCCOPY);
}

COLORREF TRxDBGrid::LineColor()
{
    COLORREF face = GetSysColor(COLOR_BTNFACE);
    COLORREF shadow = GetSysColor(COLOR_BTNSHADOW);
    return RGB(Mid(GetRValue(face), GetRValue(shadow)), Mid(GetGValue(face), GetGValue(shadow)),
               Mid(GetBValue(face), GetBValue(shadow)));
}

void TRxDBGrid::PaintLine(HDC dc, int line, int currentLine, HBRUSH lineBrush)
{
    TDataSet* ds = DataSet();
    int top = LineTop(line);
    int bottom = top + rowHeight_;
    RECT indicator{0, top, indicatorWidth_, bottom};
    PaintIndicator(dc, indicator, line == currentLine, lineBrush);

    RECT client = ClientArea();
    bool focused = GetFocus() == Handle();
    int x = indicatorWidth_ - scrollX_;
    for (int i = 0; i < columns_.Count() && x < client.right; ++i) {
        const TColumn& column = columns_[i];
        int width = column.DrawWidth();
        RECT cell{x, top, x + width, bottom};
        x += width;
        if (width == 0 || cell.right <= indicatorWidth_)
            continue;
        // The cell's own right and bottom pixels are its column and row lines.
        RECT inner{std::max<LONG>(cell.left, indicatorWidth_), top, cell.right - 1, bottom - 1};
        bool selected = focused && line == currentLine && i == selected_;
        SetTextColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
        SetBkColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
        int field = ds->FindFieldIndex(column.FieldName());
        std::wstring text = field >= 0 ? Wide(ds->WindowFieldText(line, field)) : std::wstring();
        ExtTextOutW(dc, cell.left + ScaleForDpi(2, Form()->Dpi()), top + (rowHeight_ - 1 - textHeight_) / 2,
                    ETO_CLIPPED | ETO_OPAQUE, &inner, text.c_str(), UINT(text.size()), nullptr);
        RECT columnLine{cell.right - 1, top, cell.right, bottom};
        RECT rowLine{inner.left, bottom - 1, cell.right, bottom};
        if (columnLine.left >= indicatorWidth_)
            FillRect(dc, &columnLine, lineBrush);
        FillRect(dc, &rowLine, lineBrush);
        if (selected && inner.right > inner.left)
            DrawFocusRect(dc, &inner);
    }
}

void TRxDBGrid::PaintIndicator(HDC dc, const RECT& cell, bool current, HBRUSH lineBrush)
{
    FillColor(dc, cell, COLOR_BTNFACE);
    RECT right{cell.right - 1, cell.top, cell.right, cell.bottom};
    RECT bottom{cell.left, cell.bottom - 1, cell.right, cell.bottom};
    FillRect(dc, &right, lineBrush);
    FillRect(dc, &bottom, lineBrush);
    if (!current)
        return;
    TDataSet* ds = DataSet();
    int cx = (cell.left + cell.right) / 2;
    int cy = (cell.top + cell.bottom - 1) / 2;
    // Marks designed at 96 dots per inch, drawn at the form's density.
    auto d = [dpi = Form()->Dpi()](int v) { return ScaleForDpi(v, dpi); };
    ScopedSelect pen(dc, GetStockObject(BLACK_PEN));
    ScopedSelect brush(dc, GetStockObject(BLACK_BRUSH));
    switch (ds ? ds->State() : TDataSetState::dsBrowse) {
    case TDataSetState::dsEdit: {
        // An I-beam: the row is being changed.
        POINT beam[] = {{cx - d(2), cy - d(4)}, {cx + d(3), cy - d(4)}};
        Polyline(dc, beam, 2);
        beam[0].y = beam[1].y = cy + d(4);
        Polyline(dc, beam, 2);
        MoveToEx(dc, cx, cy - d(4), nullptr);
        LineTo(dc, cx, cy + d(5));
        break;
    }
    case TDataSetState::dsInsert: {
        // A star: the row is new.
        MoveToEx(dc, cx - d(3), cy, nullptr);
        LineTo(dc, cx + d(4), cy);
        MoveToEx(dc, cx, cy - d(3), nullptr);
        LineTo(dc, cx, cy + d(4));
        MoveToEx(dc, cx - d(2), cy - d(2), nullptr);
        LineTo(dc, cx + d(3), cy + d(3));
        MoveToEx(dc, cx + d(2), cy - d(2), nullptr);
        LineTo(dc, cx - d(3), cy + d(3));
        break;
    }
    default: {
        // A small arrow pointing at the current row.
        POINT arrow[] = {{cx - d(2), cy - d(4)}, {cx + d(2), cy}, {cx - d(2), cy + d(4)}};
        Polygon(dc, arrow, 3);
        break;
    }
    }
}
