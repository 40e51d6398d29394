// The grid's geometry: the density and the font's metrics, the size, the
// titles laid over the columns, how many rows the view window holds, the
// scroll bars, and where a column or a line is.
#include "grid/DBGrid.h"

#include "platform/Handles.h"
#include "platform/WideText.h"
#include "runtime/ScopeGuard.h"

#include <algorithm>
#include <numeric>
#include <vector>

void TRxDBGrid::ChangeScale(int fromDpi, int toDpi)
{
    indicatorWidth_ = ScaleForDpi(kIndicatorWidth, toDpi);
    SizeCorner(HDM_SETITEMW);
    // Widths the user or the layout store gave count as much as the
    // designed ones: each column keeps its share of what is shown. One drawn
    // as nothing (zero or negative) stays exactly as it is.
    scrollX_ = ScaleForDpi(scrollX_, toDpi, fromDpi);
    columns_.ScaleWidths([&](int width) { return width > 0 ? ScaleForDpi(width, toDpi, fromDpi) : width; });
    OnSize();
}

void TRxDBGrid::SizeCorner(UINT message)
{
    if (!corner_)
        return;
    HDITEMW item{};
    item.mask = HDI_WIDTH;
    item.cxy = indicatorWidth_ + 2;
    SendMessageW(corner_, message, 0, reinterpret_cast<LPARAM>(&item));
}

void TRxDBGrid::SetFont(HFONT font)
{
    font_ = font;
    if (header_)
        SendMessageW(header_, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    {
        WindowDC dc(Handle());
        ScopedSelect select(dc, font ? font : GetStockObject(DEFAULT_GUI_FONT));
        TEXTMETRICW tm{};
        GetTextMetricsW(dc, &tm);
        textHeight_ = tm.tmHeight;
    }
    // The text with a little air around it, and the row line.
    rowHeight_ = textHeight_ + 4;
    titleHeight_ = rowHeight_ + 1;
    if (header_) {
        RECT area{0, 0, 1000, 1000};
        WINDOWPOS pos{};
        HDLAYOUT layout{&area, &pos};
        if (SendMessageW(header_, HDM_LAYOUT, 0, reinterpret_cast<LPARAM>(&layout)))
            titleHeight_ = std::max(titleHeight_, pos.cy);
    }
    OnSize();
}

void TRxDBGrid::OnSize()
{
    if (!Handle())
        return;
    RECT client;
    GetClientRect(Handle(), &client);
    clientWidth_ = client.right;
    clientHeight_ = client.bottom;
    LayoutTitles();
    SetWindowSizeFromHeight();
    UpdateScrollBars();
    cellTip_.SetArea(Handle(), kCellTool);
    ForgetHoveredCell();
    InvalidateRect(Handle(), nullptr, FALSE);
}

void TRxDBGrid::ScheduleScrollBars()
{
    if (Handle() && !PostOnce(scrollBarsPending_, kRefreshScrollBars))
        UpdateScrollBars();
}

void TRxDBGrid::SetWindowSizeFromHeight()
{
    if (TDataSet* ds = DataSet(); ds && Handle()) {
        ds->SetWindowSize(VisibleRowCount());
        shownCurrentLine_ = ds->WindowCurrentLine();
    }
}

int TRxDBGrid::VisibleRowCount() const
{
    if (!Handle())
        return 1;
    RECT client = ClientArea();
    return std::max(1, int(client.bottom - titleHeight_) / rowHeight_);
}

void TRxDBGrid::BeginLayout()
{
    ++layoutDepth_;
}

void TRxDBGrid::EndLayout()
{
    if (layoutDepth_ == 0)
        return;
    if (--layoutDepth_ == 0 && layoutPending_) {
        layoutPending_ = false;
        Relayout();
    }
}

void TRxDBGrid::ColumnsChanged()
{
    ForgetHoveredCell();
    Relayout();
}

void TRxDBGrid::Relayout()
{
    if (layoutDepth_ > 0) {
        layoutPending_ = true;
        return;
    }
    selected_ = std::clamp(selected_, 0, std::max(0, columns_.Count() - 1));
    if (!Handle())
        return;
    // A width that came from the header is already shown there; writing it
    // back while the header is still inside its own notification would
    // re-enter it.
    if (!titlesDriving_)
        SyncTitles();
    ScrollHorizontally(scrollX_);
    LayoutTitles();
    UpdateScrollBars();
    InvalidateRect(Handle(), nullptr, FALSE);
    // After a drag the header's own drawing can be left half updated.
    RedrawWindow(header_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE);
}

void TRxDBGrid::SyncTitles()
{
    if (!header_)
        return;
    syncingTitles_ = true;
    ScopeGuard done([this] { syncingTitles_ = false; });
    int count = columns_.Count();
    while (SendMessageW(header_, HDM_GETITEMCOUNT, 0, 0) > count)
        SendMessageW(header_, HDM_DELETEITEM, SendMessageW(header_, HDM_GETITEMCOUNT, 0, 0) - 1, 0);
    for (int i = 0; i < count; ++i) {
        std::wstring title = Wide(columns_[i].Title);
        HDITEMW item{};
        item.mask = HDI_TEXT | HDI_WIDTH | HDI_FORMAT;
        item.pszText = title.data();
        item.cxy = columns_[i].DrawWidth();
        item.fmt = HDF_LEFT | HDF_STRING;
        if (i < SendMessageW(header_, HDM_GETITEMCOUNT, 0, 0))
            SendMessageW(header_, HDM_SETITEMW, i, reinterpret_cast<LPARAM>(&item));
        else
            SendMessageW(header_, HDM_INSERTITEMW, i, reinterpret_cast<LPARAM>(&item));
    }
    // Item i is always list column i, shown in place i.
    std::vector<int> order(static_cast<size_t>(count));
    std::iota(order.begin(), order.end(), 0);
    if (count > 0 && SendMessageW(header_, HDM_GETITEMCOUNT, 0, 0) == count)
        SendMessageW(header_, HDM_SETORDERARRAY, count, reinterpret_cast<LPARAM>(order.data()));
}

void TRxDBGrid::LayoutTitles()
{
    if (!titles_)
        return;
    RECT client = ClientArea();
    int width = std::max(0, int(client.right) - indicatorWidth_);
    if (corner_)
        MoveWindow(corner_, 0, 0, indicatorWidth_, titleHeight_, TRUE);
    MoveWindow(titles_, indicatorWidth_, 0, width, titleHeight_, TRUE);
    // The header reaches past the last title so that the rest of the row is
    // drawn as empty title space.
    MoveWindow(header_, -scrollX_, 0, std::max(TotalColumnWidth(), scrollX_ + width) + 2, titleHeight_, TRUE);
}

void TRxDBGrid::UpdateScrollBars()
{
    if (!Handle())
        return;
    TDataSet* ds = DataSet();
    bool active = ds && ds->Active();
    // The vertical bar tells the current row's position in the table; it
    // stays visible, disabled while there is nothing to move to.
    SCROLLINFO v{};
    v.cbSize = sizeof(v);
    v.fMask = SIF_ALL | SIF_DISABLENOSCROLL;
    v.nMin = 1;
    v.nMax = active ? std::max(1, ds->RowCount()) : 1;
    v.nPage = 1;
    v.nPos = active ? std::max(1, ds->CurrentRowNumber()) : 1;
    SetScrollInfo(Handle(), SB_VERT, &v, TRUE);

    RECT client = ClientArea();
    SCROLLINFO h{};
    h.cbSize = sizeof(h);
    h.fMask = SIF_ALL;
    h.nMin = 0;
    h.nMax = std::max(0, TotalColumnWidth() - 1);
    h.nPage = UINT(std::max(0, int(client.right) - indicatorWidth_));
    h.nPos = scrollX_;
    SetScrollInfo(Handle(), SB_HORZ, &h, TRUE);
}

void TRxDBGrid::ScrollHorizontally(int newOffset)
{
    int page = 0;
    if (Handle()) {
        RECT client = ClientArea();
        page = std::max(0, int(client.right) - indicatorWidth_);
    }
    newOffset = std::clamp(newOffset, 0, std::max(0, TotalColumnWidth() - page));
    if (newOffset == scrollX_)
        return;
    scrollX_ = newOffset;
    if (!Handle())
        return;
    LayoutTitles();
    UpdateScrollBars();
    InvalidateRect(Handle(), nullptr, FALSE);
}

void TRxDBGrid::ScrollColumnIntoView(int index)
{
    if (!Handle() || index < 0 || index >= columns_.Count())
        return;
    RECT client = ClientArea();
    int page = std::max(0, int(client.right) - indicatorWidth_);
    int left = ColumnLeft(index) - indicatorWidth_ + scrollX_;
    int right = left + columns_[index].DrawWidth();
    if (left < scrollX_)
        ScrollHorizontally(left);
    else if (right > scrollX_ + page)
        ScrollHorizontally(std::min(left, right - page));
}

void TRxDBGrid::SetSelectedIndex(int index)
{
    if (columns_.Count() == 0)
        return;
    index = std::clamp(index, 0, columns_.Count() - 1);
    if (index != selected_) {
        selected_ = index;
        if (TDataSet* ds = DataSet())
            InvalidateLine(ds->WindowCurrentLine());
    }
    ScrollColumnIntoView(index);
}

void TRxDBGrid::InvalidateLine(int line)
{
    if (!Handle() || line < 0 || rowsInvalid_)
        return;
    RECT client = ClientArea();
    RECT r{0, LineTop(line), client.right, LineTop(line + 1)};
    InvalidateRect(Handle(), &r, FALSE);
}

void TRxDBGrid::InvalidateRows()
{
    if (!Handle() || rowsInvalid_)
        return;
    RECT client = ClientArea();
    client.top = titleHeight_;
    InvalidateRect(Handle(), &client, FALSE);
    rowsInvalid_ = true;
}

int TRxDBGrid::TotalColumnWidth() const
{
    int total = 0;
    for (int i = 0; i < columns_.Count(); ++i)
        total += columns_[i].DrawWidth();
    return total;
}

int TRxDBGrid::ColumnLeft(int index) const
{
    int x = indicatorWidth_ - scrollX_;
    for (int i = 0; i < index && i < columns_.Count(); ++i)
        x += columns_[i].DrawWidth();
    return x;
}

int TRxDBGrid::ColumnAt(int x) const
{
    if (x < indicatorWidth_)
        return -1;
    int left = indicatorWidth_ - scrollX_;
    for (int i = 0; i < columns_.Count(); ++i) {
        int width = columns_[i].DrawWidth();
        if (x >= left && x < left + width)
            return i;
        left += width;
    }
    return -1;
}

int TRxDBGrid::LineAt(int y) const
{
    return y < titleHeight_ ? -1 : (y - titleHeight_) / rowHeight_;
}
