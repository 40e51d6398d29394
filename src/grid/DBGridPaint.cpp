// Drawing the grid: the indicator column, the cells of the view window's
// rows with their column and row lines, and the focused cell. Only the rows
// of the view window that meet the area to repaint are drawn. Where a row
// is drawn and what it shows are told to screen readers from here too.
#include "grid/DBGrid.h"

#include "platform/Handles.h"
#include "platform/WideText.h"
#include "ui/Form.h"

#include <algorithm>

namespace {

void FillColor(HDC dc, const RECT& r, int sysColor)
{
    FillRect(dc, &r, GetSysColorBrush(sysColor));
}

// The column and row lines: the shadow of a button, which a high-contrast
// scheme sets apart from the window's colour as any other scheme does.
constexpr int kLineSysColor = COLOR_BTNSHADOW;

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
        SetBkMode(dc.Get(), TRANSPARENT);
        int current = ds->WindowCurrentLine();
        int first = std::max(0, LineAt(std::max<int>(clip.top, titleHeight_)));
        int last = std::min(ds->WindowRowCount() - 1, LineAt(clip.bottom - 1));
        for (int line = first; line <= last; ++line)
            PaintLine(dc.Get(), line, current);
    }
    BitBlt(target, clip.left, clip.top, width, height, dc.Get(), clip.left, clip.top, SRCCOPY);
}

COLORREF TRxDBGrid::LineColor()
{
    return GetSysColor(kLineSysColor);
}

RECT TRxDBGrid::CellTextRect(const RECT& cell) const
{
    const int air = ScaleForDpi(2, Form()->Dpi());
    const int top = cell.top + (rowHeight_ - 1 - textHeight_) / 2;
    return {cell.left + air, top, cell.right - 1 - air, cell.bottom - 1};
}

std::wstring TRxDBGrid::CellText(int line, const TColumn& column) const
{
    const TDataSet* ds = DataSet();
    const int field = ds ? ds->FindFieldIndex(column.FieldName()) : -1;
    return field >= 0 ? Wide(ds->WindowFieldText(line, field)) : std::wstring();
}

bool TRxDBGrid::CellTextFits(const std::wstring& text, const RECT& cell) const
{
    const RECT room = CellTextRect(cell);
    WindowDC dc(Handle());
    ScopedSelect font(dc, font_ ? font_ : GetStockObject(DEFAULT_GUI_FONT));
    SIZE size{};
    GetTextExtentPoint32W(dc, text.c_str(), int(text.size()), &size);
    return size.cx <= room.right - room.left;
}

void TRxDBGrid::PaintLine(HDC dc, int line, int currentLine)
{
    int top = LineTop(line);
    int bottom = top + rowHeight_;
    RECT indicator{0, top, indicatorWidth_, bottom};
    PaintIndicator(dc, indicator, line == currentLine);

    RECT client = ClientArea();
    bool focused = GetFocus() == Handle();
    HBRUSH lineBrush = GetSysColorBrush(kLineSysColor);
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
        FillColor(dc, inner, selected ? COLOR_HIGHLIGHT : COLOR_WINDOW);
        SetTextColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
        // A text too long for its cell ends in "..." rather than in half a
        // letter; the cell's tooltip shows it whole. A cell scrolled partly
        // under the indicator keeps its text where it was, clipped there.
        const std::wstring text = CellText(line, column);
        RECT room = CellTextRect(cell);
        const int saved = SaveDC(dc);
        IntersectClipRect(dc, inner.left, inner.top, inner.right, inner.bottom);
        DrawTextW(dc, text.c_str(), int(text.size()), &room, DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
        RestoreDC(dc, saved);
        RECT columnLine{cell.right - 1, top, cell.right, bottom};
        RECT rowLine{inner.left, bottom - 1, cell.right, bottom};
        if (columnLine.left >= indicatorWidth_)
            FillRect(dc, &columnLine, lineBrush);
        FillRect(dc, &rowLine, lineBrush);
        if (selected && inner.right > inner.left)
            DrawFocusRect(dc, &inner);
    }
}

void TRxDBGrid::PaintIndicator(HDC dc, const RECT& cell, bool current)
{
    FillColor(dc, cell, COLOR_BTNFACE);
    RECT right{cell.right - 1, cell.top, cell.right, cell.bottom};
    RECT bottom{cell.left, cell.bottom - 1, cell.right, cell.bottom};
    FillColor(dc, right, kLineSysColor);
    FillColor(dc, bottom, kLineSysColor);
    if (!current)
        return;
    TDataSet* ds = DataSet();
    int cx = (cell.left + cell.right) / 2;
    int cy = (cell.top + cell.bottom - 1) / 2;
    // Marks designed at 96 dots per inch, drawn at the form's density.
    auto d = [dpi = Form()->Dpi()](int v) { return ScaleForDpi(v, dpi); };
    // In the button face's text colour, as the titles' text: the current
    // row shows in any scheme, also while the grid has no focus and no cell
    // is highlighted.
    ScopedSelect pen(dc, GetStockObject(DC_PEN));
    ScopedSelect brush(dc, GetStockObject(DC_BRUSH));
    SetDCPenColor(dc, GetSysColor(COLOR_BTNTEXT));
    SetDCBrushColor(dc, GetSysColor(COLOR_BTNTEXT));
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

namespace {

// The line a row is drawn on, counted from the view window's first; rows
// outside the window get lines before or after it. A row being inserted
// stands on the current line and pushes the stored rows from there down.
int LineOf(const TDataSet& ds, int row)
{
    int index = row - 1;
    if (ds.State() == TDataSetState::dsInsert && index >= std::max(ds.CurrentRowNumber() - 1, 0))
        ++index;
    return index - ds.WindowFirstRow();
}

// The row (from 1) drawn on a line of the view window; 0 for the row being
// inserted, which is no row of the table yet.
int RowOnLine(const TDataSet& ds, int line)
{
    int index = ds.WindowFirstRow() + line;
    if (ds.State() == TDataSetState::dsInsert) {
        int pending = std::max(ds.CurrentRowNumber() - 1, 0);
        if (index == pending)
            return 0;
        if (index > pending)
            --index;
    }
    return index + 1;
}

}  // namespace

std::vector<TAccessibleRows::TShownCell> TRxDBGrid::ShownCells(int row) const
{
    const TDataSet& ds = *DataSet();
    std::vector<TShownCell> cells;
    for (int i = 0; i < columns_.Count(); ++i) {
        const TColumn& column = columns_[i];
        int field = ds.FindFieldIndex(column.FieldName());
        if (column.DrawWidth() != 0 && field >= 0)
            cells.push_back({column.Title, ds.RowTextView(row - 1, ds.Field(field))});
    }
    return cells;
}

RECT TRxDBGrid::RowRect(int row) const
{
    int top = LineTop(LineOf(*DataSet(), row));
    return {0, top, clientWidth_, top + rowHeight_};
}

int TRxDBGrid::RowAt(int y) const
{
    const TDataSet* ds = DataSet();
    int line = LineAt(y);
    return ds && line >= 0 && line < ds->WindowRowCount() ? RowOnLine(*ds, line) : 0;
}
