#include "ui/DBGridAccessible.h"

#include "platform/WideText.h"
#include "ui/DBGrid.h"

#include <algorithm>
#include <new>
#include <utility>

namespace {

// COM methods are called from other processes through the message loop: no
// exception may leave them.
template <typename Body>
HRESULT Guarded(Body&& body) noexcept
{
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_FAIL;
    }
}

// An empty text is no text: S_FALSE, as for a property the object lacks.
HRESULT ToBstr(const std::wstring& text, BSTR* out)
{
    if (text.empty())
        return S_FALSE;
    *out = SysAllocStringLen(text.data(), UINT(text.size()));
    return *out ? S_OK : E_OUTOFMEMORY;
}

void SetChildId(VARIANT* out, long id)
{
    out->vt = VT_I4;
    out->lVal = id;
}

// The line a row is drawn on, counted from the view window's first; rows
// outside the window get lines before or after it. A row being inserted
// stands on the current line and pushes the stored rows from there down.
int LineOf(const TDataSet& ds, long row)
{
    int index = int(row) - 1;
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

template <typename T>
void Empty(T** out)
{
    *out = nullptr;
}

void Empty(VARIANT* out)
{
    VariantInit(out);
}

// An answer through an out pointer: checked, emptied, then filled by the
// body, guarded.
template <typename Out, typename Body>
HRESULT Into(Out* out, Body&& body) noexcept
{
    if (!out)
        return E_POINTER;
    Empty(out);
    return Guarded(std::forward<Body>(body));
}

}  // namespace

void TDBGridAccessible::Disconnect()
{
    grid_ = nullptr;
    // Clients in other processes reach this object through COM's stubs:
    // those let go of it now, and the clients' next calls fail there.
    CoDisconnectObject(static_cast<IAccessible*>(this), 0);
}

// ---- IUnknown and IDispatch --------------------------------------------------

STDMETHODIMP TDBGridAccessible::QueryInterface(REFIID riid, void** object)
{
    if (!object)
        return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IDispatch || riid == IID_IAccessible) {
        *object = static_cast<IAccessible*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) TDBGridAccessible::AddRef()
{
    return ULONG(InterlockedIncrement(&refs_));
}

STDMETHODIMP_(ULONG) TDBGridAccessible::Release()
{
    LONG left = InterlockedDecrement(&refs_);
    if (left == 0)
        delete this;
    return ULONG(left);
}

STDMETHODIMP TDBGridAccessible::GetTypeInfoCount(UINT* count)
{
    if (!count)
        return E_POINTER;
    *count = 0;
    return S_OK;
}

STDMETHODIMP TDBGridAccessible::GetTypeInfo(UINT, LCID, ITypeInfo** info)
{
    if (info)
        *info = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP TDBGridAccessible::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*)
{
    return E_NOTIMPL;
}

STDMETHODIMP TDBGridAccessible::Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*)
{
    return E_NOTIMPL;
}

// ---- The rows ----------------------------------------------------------------

HRESULT TDBGridAccessible::Rows(long& count) const
{
    if (!grid_ || !grid_->Handle())
        return CO_E_OBJNOTCONNECTED;
    TDataSet* ds = grid_->DataSet();
    count = ds ? ds->RowCount() : 0;
    return S_OK;
}

HRESULT TDBGridAccessible::ChildId(const VARIANT& child, long& id) const
{
    long count = 0;
    if (HRESULT hr = Rows(count); FAILED(hr))
        return hr;
    if (child.vt != VT_I4 || child.lVal < CHILDID_SELF || child.lVal > count)
        return E_INVALIDARG;
    id = child.lVal;
    return S_OK;
}

std::wstring TDBGridAccessible::RowTexts(long row, bool titled) const
{
    TDataSet& ds = *grid_->DataSet();
    std::wstring texts;
    for (int i = 0; i < grid_->columns_.Count(); ++i) {
        const TColumn& column = grid_->columns_[i];
        int field = ds.FindFieldIndex(column.FieldName());
        if (column.DrawWidth() == 0 || field < 0)
            continue;
        std::string_view text = ds.RowTextView(int(row) - 1, ds.Field(field));
        if (text.empty() && !titled)
            continue;
        texts += (texts.empty() ? L"" : L", ") + (titled ? Wide(column.Title) + L": " : L"") + Wide(text);
    }
    return texts;
}

bool TDBGridAccessible::RowShown(long row) const
{
    const TDataSet& ds = *grid_->DataSet();
    int line = LineOf(ds, row);
    return line >= 0 && line < ds.WindowRowCount();
}

RECT TDBGridAccessible::RowScreenRect(long row) const
{
    int top = grid_->LineTop(LineOf(*grid_->DataSet(), row));
    RECT r{0, top, grid_->clientWidth_, top + grid_->rowHeight_};
    MapWindowPoints(grid_->Handle(), nullptr, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

template <typename Body>
HRESULT TDBGridAccessible::ForChild(const VARIANT& child, Body&& body) const
{
    return Guarded([&] {
        long id = 0;
        HRESULT hr = ChildId(child, id);
        return FAILED(hr) ? hr : body(id);
    });
}

template <typename Out, typename Body>
HRESULT TDBGridAccessible::ChildInto(Out* out, const VARIANT& child, Body&& body) const
{
    if (!out)
        return E_POINTER;
    Empty(out);
    return ForChild(child, std::forward<Body>(body));
}

HRESULT TDBGridAccessible::NoText(const VARIANT& child, BSTR* text) const
{
    return ChildInto(text, child, [](long) { return S_FALSE; });
}

// ---- IAccessible ---------------------------------------------------------------

STDMETHODIMP TDBGridAccessible::get_accParent(IDispatch** parent)
{
    return Into(parent, [&] {
        long count = 0;
        if (HRESULT hr = Rows(count); FAILED(hr))
            return hr;
        // The client area's parent is the window's own object, the system's.
        return CreateStdAccessibleObject(grid_->Handle(), OBJID_WINDOW, IID_IDispatch,
                                         reinterpret_cast<void**>(parent));
    });
}

STDMETHODIMP TDBGridAccessible::get_accChildCount(long* count)
{
    if (!count)
        return E_POINTER;
    *count = 0;
    return Guarded([&] { return Rows(*count); });
}

STDMETHODIMP TDBGridAccessible::get_accChild(VARIANT child, IDispatch** object)
{
    // Rows are plain elements of this object, with no object of their own.
    return ChildInto(object, child, [](long id) { return id == CHILDID_SELF ? E_INVALIDARG : S_FALSE; });
}

STDMETHODIMP TDBGridAccessible::get_accName(VARIANT child, BSTR* name)
{
    return ChildInto(name, child, [&](long id) {
        return ToBstr(id == CHILDID_SELF ? Wide(grid_->AccessibleName) : RowTexts(id, false), name);
    });
}

STDMETHODIMP TDBGridAccessible::get_accValue(VARIANT child, BSTR* value)
{
    return NoText(child, value);
}

STDMETHODIMP TDBGridAccessible::get_accDescription(VARIANT child, BSTR* description)
{
    return ChildInto(description, child,
                     [&](long id) { return id == CHILDID_SELF ? S_FALSE : ToBstr(RowTexts(id, true), description); });
}

STDMETHODIMP TDBGridAccessible::get_accRole(VARIANT child, VARIANT* role)
{
    return ChildInto(role, child, [&](long id) {
        // A list of entries, one selected at a time, as screen readers know
        // it from the system's lists.
        SetChildId(role, id == CHILDID_SELF ? ROLE_SYSTEM_LIST : ROLE_SYSTEM_LISTITEM);
        return S_OK;
    });
}

STDMETHODIMP TDBGridAccessible::get_accState(VARIANT child, VARIANT* state)
{
    return ChildInto(state, child, [&](long id) {
        HWND window = grid_->Handle();
        bool focused = GetFocus() == window;
        long flags = STATE_SYSTEM_FOCUSABLE;
        if (id == CHILDID_SELF) {
            if (focused)
                flags |= STATE_SYSTEM_FOCUSED;
            if (!IsWindowVisible(window))
                flags |= STATE_SYSTEM_INVISIBLE;
            if (!IsWindowEnabled(window))
                flags |= STATE_SYSTEM_UNAVAILABLE;
        } else {
            flags |= STATE_SYSTEM_SELECTABLE;
            if (id == grid_->DataSet()->CurrentRowNumber())
                flags |= STATE_SYSTEM_SELECTED | (focused ? STATE_SYSTEM_FOCUSED : 0);
            if (!RowShown(id))
                flags |= STATE_SYSTEM_OFFSCREEN;
        }
        SetChildId(state, flags);
        return S_OK;
    });
}

STDMETHODIMP TDBGridAccessible::get_accHelp(VARIANT child, BSTR* help)
{
    return NoText(child, help);
}

STDMETHODIMP TDBGridAccessible::get_accHelpTopic(BSTR* file, VARIANT child, long* topic)
{
    if (!file || !topic)
        return E_POINTER;
    *file = nullptr;
    *topic = -1;
    return ForChild(child, [](long) { return S_FALSE; });
}

STDMETHODIMP TDBGridAccessible::get_accKeyboardShortcut(VARIANT child, BSTR* shortcut)
{
    return NoText(child, shortcut);
}

STDMETHODIMP TDBGridAccessible::get_accFocus(VARIANT* child)
{
    return Into(child, [&] {
        long count = 0;
        if (HRESULT hr = Rows(count); FAILED(hr))
            return hr;
        if (GetFocus() != grid_->Handle())
            return S_FALSE;
        int current = count > 0 ? grid_->DataSet()->CurrentRowNumber() : 0;
        SetChildId(child, current > 0 ? current : CHILDID_SELF);
        return S_OK;
    });
}

STDMETHODIMP TDBGridAccessible::get_accSelection(VARIANT* children)
{
    return Into(children, [&] {
        long count = 0;
        if (HRESULT hr = Rows(count); FAILED(hr))
            return hr;
        int current = count > 0 ? grid_->DataSet()->CurrentRowNumber() : 0;
        if (current <= 0)
            return S_FALSE;
        SetChildId(children, current);
        return S_OK;
    });
}

STDMETHODIMP TDBGridAccessible::get_accDefaultAction(VARIANT child, BSTR* action)
{
    return ChildInto(action, child, [&](long id) {
        const bool opens = id != CHILDID_SELF && grid_->OnOpenRow;
        return opens ? ToBstr(Wide(grid_->RowActionName), action) : S_FALSE;
    });
}

STDMETHODIMP TDBGridAccessible::accSelect(long flags, VARIANT child)
{
    return ForChild(child, [&](long id) {
        // One row is selected at a time: the current one.
        const long single = SELFLAG_TAKEFOCUS | SELFLAG_TAKESELECTION;
        if ((flags & ~single) != 0 || flags == 0 || (id == CHILDID_SELF && flags != SELFLAG_TAKEFOCUS))
            return E_INVALIDARG;
        if (flags & SELFLAG_TAKEFOCUS)
            SetFocus(grid_->Handle());
        // The focus change ran other windows' handlers: the grid may be gone.
        if (id != CHILDID_SELF && grid_ && id != grid_->DataSet()->CurrentRowNumber())
            grid_->DataSet()->SetCurrentRowNumber(int(id));
        return S_OK;
    });
}

STDMETHODIMP TDBGridAccessible::accLocation(long* left, long* top, long* width, long* height, VARIANT child)
{
    if (!left || !top || !width || !height)
        return E_POINTER;
    *left = *top = *width = *height = 0;
    return ForChild(child, [&](long id) {
        RECT r;
        if (id == CHILDID_SELF) {
            GetClientRect(grid_->Handle(), &r);
            MapWindowPoints(grid_->Handle(), nullptr, reinterpret_cast<POINT*>(&r), 2);
        } else {
            r = RowScreenRect(id);
        }
        *left = r.left;
        *top = r.top;
        *width = r.right - r.left;
        *height = r.bottom - r.top;
        return S_OK;
    });
}

STDMETHODIMP TDBGridAccessible::accNavigate(long direction, VARIANT start, VARIANT* end)
{
    return ChildInto(end, start, [&](long id) {
        long count = 0;
        Rows(count);
        long to = 0;
        switch (direction) {
        case NAVDIR_FIRSTCHILD:
        case NAVDIR_LASTCHILD:
            if (id != CHILDID_SELF)
                return E_INVALIDARG;
            to = direction == NAVDIR_FIRSTCHILD ? 1 : count;
            break;
        case NAVDIR_NEXT:
        case NAVDIR_DOWN: to = id == CHILDID_SELF ? 0 : id + 1; break;
        case NAVDIR_PREVIOUS:
        case NAVDIR_UP: to = id == CHILDID_SELF ? 0 : id - 1; break;
        case NAVDIR_LEFT:
        case NAVDIR_RIGHT: break;
        default: return E_INVALIDARG;
        }
        // Nothing there: the list's own neighbours are the system's to tell.
        if (to < 1 || to > count)
            return S_FALSE;
        SetChildId(end, to);
        return S_OK;
    });
}

STDMETHODIMP TDBGridAccessible::accHitTest(long x, long y, VARIANT* child)
{
    return Into(child, [&] {
        long count = 0;
        if (HRESULT hr = Rows(count); FAILED(hr))
            return hr;
        POINT p{x, y};
        ScreenToClient(grid_->Handle(), &p);
        RECT client;
        GetClientRect(grid_->Handle(), &client);
        if (!PtInRect(&client, p))
            return S_FALSE;
        long hit = CHILDID_SELF;
        const TDataSet* ds = grid_->DataSet();
        if (int line = grid_->LineAt(p.y); ds && line >= 0 && line < ds->WindowRowCount()) {
            int row = RowOnLine(*ds, line);
            if (row >= 1 && row <= count)
                hit = row;
        }
        SetChildId(child, hit);
        return S_OK;
    });
}

STDMETHODIMP TDBGridAccessible::accDoDefaultAction(VARIANT child)
{
    return ForChild(child, [&](long id) {
        if (id == CHILDID_SELF || !grid_->OnOpenRow)
            return DISP_E_MEMBERNOTFOUND;
        return grid_->OpenRowLater(int(id)) ? S_OK : E_FAIL;
    });
}

STDMETHODIMP TDBGridAccessible::put_accName(VARIANT, BSTR)
{
    return E_NOTIMPL;
}

STDMETHODIMP TDBGridAccessible::put_accValue(VARIANT, BSTR)
{
    return E_NOTIMPL;
}
