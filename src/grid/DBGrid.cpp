// The grid's window and its link to the data source: its classes and child
// windows, its messages, what a change of the data repaints; the accessible
// object it hands out and the events that tell screen readers of changes.
#include "grid/DBGrid.h"

#include "platform/Handles.h"
#include "runtime/Exceptions.h"

#include <cstdlib>
#include <utility>

namespace {
const wchar_t kGridClass[] = L"TRxDBGrid";
// The header sits in a host window that starts right of the indicator, so
// that scrolling the header sideways never covers the indicator's corner.
const wchar_t kTitlesClass[] = L"TRxDBGridTitles";
}  // namespace

TRxDBGrid::TRxDBGrid(std::string name, TBounds bounds, unsigned anchors) : TControl(std::move(name), bounds, anchors)
{
    columns_.OnChanged = [this] { ColumnsChanged(); };
}

TRxDBGrid::~TRxDBGrid()
{
    SetDataSource(nullptr);
}

void TRxDBGrid::RegisterClasses()
{
    static bool registered = false;
    if (registered)
        return;
    WNDCLASSEXW grid{};
    grid.style = CS_DBLCLKS;
    grid.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    RegisterWindowClass(kGridClass, grid);

    WNDCLASSEXW titles{};
    titles.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    titles.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    RegisterWindowClass(kTitlesClass, titles);
    registered = true;
}

HWND TRxDBGrid::CreateHandle(HWND parent, int id, const TBounds& b)
{
    RegisterClasses();
    return CreateBound(WS_EX_CLIENTEDGE, kGridClass, L"",
                       WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | WS_CLIPCHILDREN, b.Left, b.Top, b.Width,
                       b.Height, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)));
}

void TRxDBGrid::HandleCreated()
{
    OnSize();
}

void TRxDBGrid::HandleNeeded()
{
    if (!Handle())
        throw Exception("Control '" + Name() + "' has no parent window");
}

LRESULT TRxDBGrid::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE: CreateTitles(); return 0;
    case WM_NCDESTROY:
        DisconnectAccessible();
        cellTip_.Destroy();
        hoveredLine_ = hoveredColumn_ = -1;
        // What was posted to this window goes with it.
        tellPending_ = false;
        titles_ = header_ = corner_ = nullptr;
        break;
    case WM_SETFONT: SetFont(reinterpret_cast<HFONT>(wParam)); return 0;
    case WM_GETFONT: return reinterpret_cast<LRESULT>(font_);
    case WM_SIZE: OnSize(); return 0;
    case WM_ERASEBKGND: return 1;  // every pixel is painted, through a buffer
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(Handle(), &ps);
        rowsInvalid_ = false;
        Paint(dc, ps.rcPaint);
        EndPaint(Handle(), &ps);
        return 0;
    }
    case WM_PRINTCLIENT: {
        RECT client = ClientArea();
        Paint(reinterpret_cast<HDC>(wParam), client);
        return 0;
    }
    case WM_GETDLGCODE: {
        // Enter is the grid's own while it opens the current row; otherwise
        // it is the window's (its default button).
        const auto* msg = reinterpret_cast<const MSG*>(lParam);
        const bool enter = msg && msg->message == WM_KEYDOWN && msg->wParam == VK_RETURN;
        return DLGC_WANTARROWS | DLGC_WANTCHARS | (enter && OnOpenRow ? DLGC_WANTMESSAGE : 0);
    }
    case WM_KEYDOWN: OnKeyDown(wParam); return 0;
    case WM_CHAR: OnChar(static_cast<wchar_t>(wParam)); return 0;
    case WM_MOUSEMOVE:
        OnMouseMove(short(LOWORD(lParam)), short(HIWORD(lParam)));
        cellTip_.Relay(Handle(), message, wParam, lParam);
        return 0;
    case WM_LBUTTONUP:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
        // A press takes the tip away, as in the system's lists.
        cellTip_.Relay(Handle(), message, wParam, lParam);
        break;
    case WM_LBUTTONDOWN:
        cellTip_.Relay(Handle(), message, wParam, lParam);
        OnMouseDown(short(LOWORD(lParam)), short(HIWORD(lParam)));
        return 0;
    case WM_LBUTTONDBLCLK: DblClick(); return 0;
    case WM_MOUSEWHEEL: OnMouseWheel(GET_WHEEL_DELTA_WPARAM(wParam)); return 0;
    case WM_VSCROLL: OnVScroll(LOWORD(wParam), HIWORD(wParam)); return 0;
    case WM_HSCROLL: OnHScroll(LOWORD(wParam)); return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        // The selected cell is highlighted only while the grid has the focus.
        if (TDataSet* ds = DataSet())
            InvalidateLine(ds->WindowCurrentLine());
        if (message == WM_SETFOCUS)
            TellFocus();
        return 0;
    case WM_GETOBJECT: return OnGetObject(wParam, lParam);
    case kTellScreenReaders:
        tellPending_ = false;
        TellScreenReaders();
        return 0;
    case kOpenRowPosted: OpenRow(); return 0;
    case kRefreshScrollBars:
        scrollBarsPending_ = false;
        UpdateScrollBars();
        return 0;
    case kTitlesSettled:
        if (wParam == kTitlesResized)
            resizePosted_ = false;
        if (wParam == kTitlesMoved)
            ApplyTitleOrder();
        if (OnColumnsChanged)
            OnColumnsChanged();
        return 0;
    }
    return DefWindowProcW(Handle(), message, wParam, lParam);
}

HWND TRxDBGrid::TTitleHost::Create(HWND parent)
{
    return CreateBound(0, kTitlesClass, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, grid_.indicatorWidth_, 0, 0, 0,
                       parent, nullptr);
}

LRESULT TRxDBGrid::TTitleHost::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_NOTIFYFORMAT: return NFR_UNICODE;
    case WM_NOTIFY:
        if (grid_.header_)
            return grid_.OnTitleNotify(reinterpret_cast<NMHDR*>(lParam));
        break;
    }
    return DefWindowProcW(Handle(), message, wParam, lParam);
}

void TRxDBGrid::CreateTitles()
{
    HINSTANCE instance = GetModuleHandleW(nullptr);
    titles_ = titleHost_.Create(Handle());
    if (!titles_)
        throw Exception("Error creating window " + Name());
    header_ = CreateWindowExW(0, WC_HEADERW, L"",
                              WS_CHILD | WS_VISIBLE | HDS_BUTTONS | HDS_DRAGDROP | HDS_FULLDRAG | HDS_HORZ, 0, 0, 0, 0,
                              titles_, nullptr, instance, nullptr);
    if (!header_)
        throw Exception("Error creating window " + Name());
    headerSubclass_.Attach<TRxDBGrid, &TRxDBGrid::HeaderMessage>(header_, this);
    // The corner is a header control of its own, so that it looks like the
    // titles whatever the visual style; being disabled, it leaves the mouse
    // to the grid.
    corner_ = CreateWindowExW(0, WC_HEADERW, L"", WS_CHILD | WS_VISIBLE | WS_DISABLED | HDS_HORZ, 0, 0, indicatorWidth_,
                              titleHeight_, Handle(), nullptr, instance, nullptr);
    SizeCorner(HDM_INSERTITEMW);
    SyncTitles();
}

void TRxDBGrid::SetDataSource(TDataSource* source)
{
    if (source == source_)
        return;
    if (source_) {
        source_->OnDataChange = std::move(previousDataChange_);
        previousDataChange_ = nullptr;
    }
    source_ = source;
    if (source_) {
        previousDataChange_ = source_->OnDataChange;
        source_->OnDataChange = [this](TDataChange change, int rowsScrolled) {
            if (previousDataChange_)
                previousDataChange_(change, rowsScrolled);
            DataChanged(change, rowsScrolled);
        };
    }
    SetWindowSizeFromHeight();
    if (Handle()) {
        UpdateScrollBars();
        InvalidateRows();
        NoteForScreenReaders(TDataChange::RowsChanged);
    }
}

void TRxDBGrid::DataChanged(TDataChange change, int rowsScrolled)
{
    TDataSet* ds = DataSet();
    if (!Handle() || !ds)
        return;
    switch (change) {
    case TDataChange::RowsChanged:
    case TDataChange::RowsReordered:
    case TDataChange::CurrentRowResorted: InvalidateRows(); break;
    case TDataChange::RowsScrolled: {
        // Once the whole body waits for a repaint there is nothing to move;
        // skipping the update-region query keeps a walk of every row (the
        // save at close) from asking the window system once per row.
        if (rowsScrolled != 0 && !rowsInvalid_) {
            RECT rows{0, titleHeight_, clientWidth_, LineTop(VisibleRowCount())};
            RECT pending;
            // Scrolling moves the pixels on screen; lines still waiting to be
            // painted would be moved as stale pixels, so repaint instead.
            if (std::abs(rowsScrolled) >= VisibleRowCount() || GetUpdateRect(Handle(), &pending, FALSE))
                InvalidateRows();
            else
                ScrollWindowEx(Handle(), 0, -rowsScrolled * rowHeight_, &rows, &rows, nullptr, nullptr, SW_INVALIDATE);
        }
        InvalidateLine(shownCurrentLine_ - rowsScrolled);
        InvalidateLine(ds->WindowCurrentLine());
        break;
    }
    case TDataChange::CurrentRowChanged: InvalidateLine(ds->WindowCurrentLine()); break;
    case TDataChange::StateChanged:
        SetWindowSizeFromHeight();
        InvalidateRows();
        break;
    }
    shownCurrentLine_ = ds->WindowCurrentLine();
    // The cell under the mouse may show another text now.
    ForgetHoveredCell();
    ScheduleScrollBars();
    NoteForScreenReaders(change);
}

bool TRxDBGrid::PostOnce(bool& pending, UINT message)
{
    if (!pending)
        pending = PostMessageW(Handle(), message, 0, 0) != FALSE;
    return pending;
}

// ---- Screen readers ------------------------------------------------------------
// The grid raises the events itself: they must reach a client's event hook
// whether or not any client has asked for the accessible object yet, and
// they follow from the dataset's change reports and states, which the
// object never sees. Nothing here works out a row's texts, so a move
// through a long list costs two events per move and no more.

LRESULT TRxDBGrid::OnGetObject(WPARAM flags, LPARAM objectId)
{
    // Only the client area is the grid's own; the frame and the scroll bars
    // are the system's.
    if (static_cast<LONG>(objectId) != OBJID_CLIENT)
        return DefWindowProcW(Handle(), WM_GETOBJECT, flags, objectId);
    if (!accessible_)
        accessible_ = ComPtr<TDBGridAccessible>(new TDBGridAccessible(*this));
    return LresultFromObject(IID_IAccessible, flags, static_cast<IAccessible*>(accessible_.Get()));
}

void TRxDBGrid::DisconnectAccessible()
{
    if (!accessible_)
        return;
    accessible_->Disconnect();
    accessible_ = ComPtr<TDBGridAccessible>();
}

void TRxDBGrid::TellFocus()
{
    TDataSet* ds = DataSet();
    if (Handle() && ds && ds->CurrentRowNumber() > 0 && GetFocus() == Handle())
        NotifyWinEvent(EVENT_OBJECT_FOCUS, Handle(), OBJID_CLIENT, ds->CurrentRowNumber());
}

void TRxDBGrid::NoteForScreenReaders(TDataChange change)
{
    reorderedSinceTold_ |= change == TDataChange::RowsReordered;
    resortedSinceTold_ |= change == TDataChange::CurrentRowResorted;
    if (Handle() && !PostOnce(tellPending_, kTellScreenReaders))
        TellScreenReaders();
}

void TRxDBGrid::TellScreenReaders()
{
    TDataSet* ds = DataSet();
    // A row being added or changed is no row of the list yet; what it did is
    // told once it is posted or dropped.
    if (!Handle() || (ds && (ds->State() == TDataSetState::dsEdit || ds->State() == TDataSetState::dsInsert)))
        return;
    const int count = ds ? ds->RowCount() : 0;
    const int current = ds && ds->Active() ? ds->CurrentRowNumber() : 0;
    const int oldCount = toldRowCount_, oldCurrent = toldCurrentRow_;
    const bool reordered = std::exchange(reorderedSinceTold_, false);
    const bool resorted = std::exchange(resortedSinceTold_, false);
    toldRowCount_ = count;
    toldCurrentRow_ = current;

    // A row is always added as the current one and deleted as the current
    // one. Added and then sorted into its place (the editor's "OK"), it is
    // told once, where it ended up: told at the place it was added first, a
    // screen reader would read out the entry that the sort put there. Any
    // other change of the count (a load, a closed table) renumbers the whole
    // list, and so does a sort that moved the current row alone.
    const bool added = count == oldCount + 1 && current > 0;
    const bool deleted = count == oldCount - 1 && oldCurrent > 0;
    bool renumbered = reordered || (count != oldCount && !added && !deleted);
    if (resorted && !added && current != oldCurrent)
        renumbered = true;
    if (added)
        NotifyWinEvent(EVENT_OBJECT_CREATE, Handle(), OBJID_CLIENT, current);
    else if (deleted)
        NotifyWinEvent(EVENT_OBJECT_DESTROY, Handle(), OBJID_CLIENT, oldCurrent);
    if (renumbered)
        NotifyWinEvent(EVENT_OBJECT_REORDER, Handle(), OBJID_CLIENT, CHILDID_SELF);

    // After any change of the rows the current row may be another entry
    // under the same number.
    if (current > 0 && (current != oldCurrent || count != oldCount || renumbered)) {
        NotifyWinEvent(EVENT_OBJECT_SELECTION, Handle(), OBJID_CLIENT, current);
        TellFocus();
    }
}
