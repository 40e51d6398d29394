// What the user does to the grid: keys, mouse, scroll bars, and dragging
// the titles' edges and the titles themselves; and what a screen reader
// does to it: selecting and opening a row.
#include "grid/DBGrid.h"

#include "runtime/Cp1251.h"
#include "ui/Application.h"

#include <algorithm>
#include <vector>

void TRxDBGrid::MoveBy(int rows)
{
    if (TDataSet* ds = DataSet(); ds && ds->Active())
        ds->MoveByRows(rows);
}

void TRxDBGrid::OnKeyDown(WPARAM key)
{
    TDataSet* ds = DataSet();
    bool active = ds && ds->Active();
    bool ctrl = GetKeyState(VK_CONTROL) < 0;
    switch (key) {
    case VK_UP: MoveBy(-1); break;
    case VK_DOWN: MoveBy(1); break;  // never past the last row: the grid appends nothing
    case VK_PRIOR: MoveBy(-VisibleRowCount()); break;
    case VK_NEXT: MoveBy(VisibleRowCount()); break;
    case VK_HOME:
        if (!ctrl)
            SetSelectedIndex(0);
        else if (active)
            ds->GoToFirstRow();
        break;
    case VK_END:
        if (!ctrl)
            SetSelectedIndex(columns_.Count() - 1);
        else if (active)
            ds->GoToLastRow();
        break;
    case VK_LEFT: SetSelectedIndex(selected_ - 1); break;
    case VK_RIGHT: SetSelectedIndex(selected_ + 1); break;
    case VK_DELETE:
        // Deleting asks nothing: the grid's own confirmation is off.
        if (ctrl && active && !ds->IsTableEmpty())
            ds->DeleteRow();
        break;
    // What a double-click does, for an operator without a mouse: Enter as
    // in the system's lists, F2 as the key that edits an item there.
    case VK_RETURN:
    case VK_F2: OpenRow(); break;
    }
}

void TRxDBGrid::OpenRow()
{
    // While a modal window is up over the grid's (one that the same request
    // opened a moment ago), a second request would open it again.
    HWND top = GetAncestor(Handle(), GA_ROOT);
    if (OnOpenRow && top && IsWindowEnabled(top))
        OnOpenRow();
}

void TRxDBGrid::OnChar(wchar_t ch)
{
    // Control characters (Backspace, Enter, Esc, Ctrl combinations) and
    // characters without a Windows-1251 form are not text.
    if (ch < L' ' || ch == 0x7F || IncrementalSearchField.empty() || !IncrementalSearchCompare)
        return;
    TDataSet* ds = DataSet();
    if (!ds || !ds->Active() || ds->State() != TDataSetState::dsBrowse)
        return;
    char byte = Utf16ToCp1251Char(static_cast<char16_t>(ch));
    if (byte == '?' && ch != L'?')
        return;
    DWORD now = GetTickCount();
    if (now - typedAt_ > kTypingPauseMs)
        typed_.clear();
    typedAt_ = now;
    typed_ += byte;
    const std::string_view typed = typed_;
    int row = ds->FindFirstRow(IncrementalSearchField, [&](std::string_view text) {
        return text.size() >= typed.size() && IncrementalSearchCompare(text.substr(0, typed.size()), typed) == 0;
    });
    // No name starts so: the current entry stays, and the text typed so far
    // stays too, as in Explorer's lists.
    if (row > 0 && row != ds->CurrentRowNumber())
        ds->SetCurrentRowNumber(row);
}

void TRxDBGrid::OnMouseDown(int x, int y)
{
    if (GetFocus() != Handle())
        ::SetFocus(Handle());
    TDataSet* ds = DataSet();
    if (!ds || !ds->Active())
        return;
    int line = LineAt(y);
    if (line < 0 || line >= ds->WindowRowCount())
        return;
    if (int column = ColumnAt(x); column >= 0)
        SetSelectedIndex(column);
    if (int current = ds->WindowCurrentLine(); current >= 0 && line != current)
        ds->MoveByRows(line - current);
}

void TRxDBGrid::OnMouseMove(int x, int y)
{
    TDataSet* ds = DataSet();
    int line = LineAt(y), column = ColumnAt(x);
    if (!ds || !ds->Active() || line < 0 || line >= ds->WindowRowCount() || column < 0)
        line = column = -1;
    if (line == hoveredLine_ && column == hoveredColumn_)
        return;
    hoveredLine_ = line;
    hoveredColumn_ = column;
    if (!cellTip_) {
        if (line < 0)
            return;
        cellTip_.AddAreaTool(Handle(), kCellTool);
    }
    // The tip of the cell left goes; the new cell's shows once the mouse
    // rests on it, and only when the cell shows its text cut short.
    std::wstring whole;
    if (line >= 0) {
        const TColumn& shown = columns_[column];
        const int left = ColumnLeft(column);
        const std::wstring text = CellText(line, shown);
        if (!CellTextFits(text, {left, LineTop(line), left + shown.DrawWidth(), LineTop(line + 1)}))
            whole = text;
    }
    cellTip_.Hide();
    cellTip_.SetText(Handle(), kCellTool, whole);
}

void TRxDBGrid::ForgetHoveredCell()
{
    if (hoveredLine_ < 0 && hoveredColumn_ < 0)
        return;
    hoveredLine_ = hoveredColumn_ = -1;
    cellTip_.Hide();
    cellTip_.SetText(Handle(), kCellTool, L"");
}

void TRxDBGrid::DblClick()
{
    if (OnDblClick)
        OnDblClick();
}

void TRxDBGrid::OnMouseWheel(int delta)
{
    wheelRemainder_ += delta;
    int notches = wheelRemainder_ / WHEEL_DELTA;
    wheelRemainder_ -= notches * WHEEL_DELTA;
    MoveBy(-notches);
}

void TRxDBGrid::OnVScroll(int code, int thumb)
{
    TDataSet* ds = DataSet();
    if (!ds || !ds->Active())
        return;
    switch (code) {
    case SB_LINEUP: MoveBy(-1); break;
    case SB_LINEDOWN: MoveBy(1); break;
    case SB_PAGEUP: MoveBy(-VisibleRowCount()); break;
    case SB_PAGEDOWN: MoveBy(VisibleRowCount()); break;
    case SB_TOP: ds->GoToFirstRow(); break;
    case SB_BOTTOM: ds->GoToLastRow(); break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: {
        SCROLLINFO info{};
        info.cbSize = sizeof(info);
        info.fMask = SIF_TRACKPOS;
        GetScrollInfo(Handle(), SB_VERT, &info);
        // The message carries only 16 bits of the position; the tracking
        // position has all of them while the user drags the thumb.
        int target = LOWORD(info.nTrackPos) == thumb ? info.nTrackPos : thumb;
        if (target != ds->CurrentRowNumber())
            ds->SetCurrentRowNumber(target);
        break;
    }
    }
}

void TRxDBGrid::OnHScroll(int code)
{
    RECT client = ClientArea();
    int page = std::max(1, int(client.right) - indicatorWidth_);
    switch (code) {
    case SB_LINELEFT: ScrollHorizontally(scrollX_ - rowHeight_); break;
    case SB_LINERIGHT: ScrollHorizontally(scrollX_ + rowHeight_); break;
    case SB_PAGELEFT: ScrollHorizontally(scrollX_ - page); break;
    case SB_PAGERIGHT: ScrollHorizontally(scrollX_ + page); break;
    case SB_LEFT: ScrollHorizontally(0); break;
    case SB_RIGHT: ScrollHorizontally(TotalColumnWidth()); break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: {
        SCROLLINFO info{};
        info.cbSize = sizeof(info);
        info.fMask = SIF_TRACKPOS;
        GetScrollInfo(Handle(), SB_HORZ, &info);
        ScrollHorizontally(info.nTrackPos);
        break;
    }
    }
}

LRESULT TRxDBGrid::HeaderMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_LBUTTONDOWN:
        if (Handle() && GetFocus() != Handle())
            ::SetFocus(Handle());
        break;
    case WM_LBUTTONDBLCLK:
        // A double-click on a title or an edge is the grid's double-click,
        // wherever it lands.
        DblClick();
        return 0;
    }
    return headerSubclass_.CallPrevious(hwnd, message, wParam, lParam);
}

LRESULT TRxDBGrid::OnTitleNotify(NMHDR* notice)
{
    if (notice->hwndFrom != header_)
        return 0;
    // Only the HDN_ codes below carry an NMHEADER; others (NM_RELEASEDCAPTURE)
    // are a bare NMHDR.
    auto* nm = reinterpret_cast<NMHEADERW*>(notice);
    switch (notice->code) {
    case HDN_BEGINTRACKW:
    case HDN_BEGINTRACKA: tracking_ = true; return FALSE;
    case HDN_TRACKW:
    case HDN_TRACKA:
    case HDN_ITEMCHANGEDW:
    case HDN_ITEMCHANGEDA: {
        bool widthGiven = nm->pitem && (nm->pitem->mask & HDI_WIDTH) && nm->iItem >= 0 && nm->iItem < columns_.Count();
        if (widthGiven && !syncingTitles_) {
            titlesDriving_ = true;
            columns_[nm->iItem].SetWidth(nm->pitem->cxy);
            titlesDriving_ = false;
            if (!tracking_ && (notice->code == HDN_ITEMCHANGEDW || notice->code == HDN_ITEMCHANGEDA))
                PostResized();
        }
        return 0;
    }
    case HDN_ENDTRACKW:
    case HDN_ENDTRACKA:
        tracking_ = false;
        PostResized();
        return 0;
    case HDN_BEGINDRAG: return FALSE;
    case HDN_ENDDRAG:
        // The header puts the title in its new place after this returns;
        // the column list follows once it has.
        PostMessageW(Handle(), kTitlesSettled, kTitlesMoved, 0);
        return FALSE;
    }
    return 0;
}

// The header may report the last width both at the end of the track and
// after it: the grid tells its listeners once.
void TRxDBGrid::PostResized()
{
    if (!resizePosted_)
        resizePosted_ = PostMessageW(Handle(), kTitlesSettled, kTitlesResized, 0) != FALSE;
}

void TRxDBGrid::ApplyTitleOrder()
{
    int count = columns_.Count();
    std::vector<int> order(size_t(std::max(count, 1)));
    bool valid = header_ && count > 0 && SendMessageW(header_, HDM_GETITEMCOUNT, 0, 0) == count &&
                 SendMessageW(header_, HDM_GETORDERARRAY, count, reinterpret_cast<LPARAM>(order.data()));
    if (valid) {
        std::vector<int> sorted(order.begin(), order.begin() + count);
        std::sort(sorted.begin(), sorted.end());
        for (int i = 0; i < count; ++i)
            valid = valid && sorted[size_t(i)] == i;
    }
    BeginLayout();
    if (valid) {
        TColumn* selected = &columns_[selected_];
        std::vector<TColumn*> wanted;
        for (int i = 0; i < count; ++i)
            wanted.push_back(&columns_[order[size_t(i)]]);
        for (int place = 0; place < count; ++place)
            wanted[size_t(place)]->SetIndex(place);
        selected_ = selected->Index();
    }
    // Whatever the header holds now, it is rewritten from the list.
    layoutPending_ = true;
    EndLayout();
}

void TRxDBGrid::SelectRow(int row)
{
    TDataSet* ds = DataSet();
    if (ds && row != ds->CurrentRowNumber())
        ds->SetCurrentRowNumber(row);
}

bool TRxDBGrid::OpenRowLater(int row)
{
    TDataSet* ds = DataSet();
    HWND top = GetAncestor(Handle(), GA_ROOT);
    // Under a modal window the row neither moves nor opens.
    if (!OnOpenRow || !ds || !ds->Active() || !top || !IsWindowEnabled(top))
        return false;
    if (row != ds->CurrentRowNumber())
        ds->SetCurrentRowNumber(row);
    return PostMessageW(Handle(), kOpenRowPosted, 0, 0) != FALSE;
}
