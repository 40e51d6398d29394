// The grid and screen readers: the accessible object it hands out for
// WM_GETOBJECT, the events that tell them that the current row moved and
// that rows came, went or changed places (once the handler that made the
// changes is done, for all of them together), and a row's default action.
// Child ids are row numbers from 1 in the table's order. Nothing here works
// out a row's texts: a screen reader asks for those when it wants them, so
// a move through a long list costs two events per move and no more.
#include "ui/DBGrid.h"

#include "ui/DBGridAccessible.h"

#include <utility>

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
    if (tellPending_ || !Handle())
        return;
    tellPending_ = PostMessageW(Handle(), kTellScreenReaders, 0, 0) != FALSE;
    if (!tellPending_)
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
