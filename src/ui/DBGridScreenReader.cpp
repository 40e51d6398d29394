// The grid and screen readers: the accessible object it hands out for
// WM_GETOBJECT, and the events that tell them, as they happen, that the
// current row moved and that rows came, went or changed places. Child ids
// are row numbers from 1 in the table's order. Nothing here works out a
// row's texts: a screen reader asks for those when it wants them, so a
// move through a long list costs two events per move and no more.
#include "ui/DBGrid.h"

#include "ui/DBGridAccessible.h"

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

void TRxDBGrid::TellScreenReaders(TDataChange change)
{
    TDataSet* ds = DataSet();
    // A row being added or changed is no row of the list yet; what it did is
    // told once it is posted or dropped.
    if (!Handle() || (ds && (ds->State() == TDataSetState::dsEdit || ds->State() == TDataSetState::dsInsert)))
        return;
    const int count = ds ? ds->RowCount() : 0;
    const int current = ds && ds->Active() ? ds->CurrentRowNumber() : 0;
    const int oldCount = toldRowCount_, oldCurrent = toldCurrentRow_;
    toldRowCount_ = count;
    toldCurrentRow_ = current;

    // A row is always added as the current one and deleted as the current
    // one; anything else (a load, a closed table) renumbers the whole list.
    bool renumbered = change == TDataChange::RowsReordered;
    if (count == oldCount + 1 && current > 0)
        NotifyWinEvent(EVENT_OBJECT_CREATE, Handle(), OBJID_CLIENT, current);
    else if (count == oldCount - 1 && oldCurrent > 0)
        NotifyWinEvent(EVENT_OBJECT_DESTROY, Handle(), OBJID_CLIENT, oldCurrent);
    else if (count != oldCount)
        renumbered = true;
    if (renumbered)
        NotifyWinEvent(EVENT_OBJECT_REORDER, Handle(), OBJID_CLIENT, CHILDID_SELF);

    // After any change of the rows the current row may be another entry
    // under the same number.
    if (current > 0 && (current != oldCurrent || count != oldCount || renumbered)) {
        NotifyWinEvent(EVENT_OBJECT_SELECTION, Handle(), OBJID_CLIENT, current);
        TellFocus();
    }
}
