#include "grid/DBGridAccessible.h"

#include "platform/WideText.h"

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
    rows_ = nullptr;
    // Clients in other processes reach this object through COM's stubs:
    // those let go of it now, and the clients' next calls fail there.
    CoDisconnectObject(static_cast<IAccessible*>(this), 0);
}

// ---- The rows ----------------------------------------------------------------

HRESULT TDBGridAccessible::Rows(long& count) const
{
    if (!rows_ || !rows_->ListWindow())
        return CO_E_OBJNOTCONNECTED;
    count = rows_->RowCount();
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
    std::wstring texts;
    for (const TAccessibleRows::TShownCell& cell : rows_->ShownCells(int(row))) {
        if (cell.Text.empty() && !titled)
            continue;
        texts += (texts.empty() ? L"" : L", ") + (titled ? Wide(cell.Title) + L": " : L"") + Wide(cell.Text);
    }
    return texts;
}

RECT TDBGridAccessible::ScreenRect(long id) const
{
    RECT r;
    if (id == CHILDID_SELF)
        GetClientRect(rows_->ListWindow(), &r);
    else
        r = rows_->RowRect(int(id));
    MapWindowPoints(rows_->ListWindow(), nullptr, reinterpret_cast<POINT*>(&r), 2);
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
        return CreateStdAccessibleObject(rows_->ListWindow(), OBJID_WINDOW, IID_IDispatch,
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
        return ToBstr(id == CHILDID_SELF ? Wide(rows_->ListName()) : RowTexts(id, false), name);
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
        HWND window = rows_->ListWindow();
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
            if (id == rows_->CurrentRow())
                flags |= STATE_SYSTEM_SELECTED | (focused ? STATE_SYSTEM_FOCUSED : 0);
            // Off screen unless the row drawn where it would be is itself.
            if (rows_->RowAt(rows_->RowRect(int(id)).top) != id)
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
        if (GetFocus() != rows_->ListWindow())
            return S_FALSE;
        int current = rows_->CurrentRow();
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
        int current = rows_->CurrentRow();
        if (current <= 0)
            return S_FALSE;
        SetChildId(children, current);
        return S_OK;
    });
}

STDMETHODIMP TDBGridAccessible::get_accDefaultAction(VARIANT child, BSTR* action)
{
    return ChildInto(action, child, [&](long id) {
        std::optional<std::string> name = rows_->RowAction();
        return id != CHILDID_SELF && name ? ToBstr(Wide(*name), action) : S_FALSE;
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
            SetFocus(rows_->ListWindow());
        // The focus change ran other windows' handlers: the list may be gone.
        if (id != CHILDID_SELF && rows_)
            rows_->SelectRow(int(id));
        return S_OK;
    });
}

STDMETHODIMP TDBGridAccessible::accLocation(long* left, long* top, long* width, long* height, VARIANT child)
{
    if (!left || !top || !width || !height)
        return E_POINTER;
    *left = *top = *width = *height = 0;
    return ForChild(child, [&](long id) {
        const RECT r = ScreenRect(id);
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
        ScreenToClient(rows_->ListWindow(), &p);
        RECT client;
        GetClientRect(rows_->ListWindow(), &client);
        if (!PtInRect(&client, p))
            return S_FALSE;
        const long row = rows_->RowAt(p.y);
        SetChildId(child, row >= 1 && row <= count ? row : CHILDID_SELF);
        return S_OK;
    });
}

STDMETHODIMP TDBGridAccessible::accDoDefaultAction(VARIANT child)
{
    return ForChild(child, [&](long id) {
        if (id == CHILDID_SELF || !rows_->RowAction())
            return DISP_E_MEMBERNOTFOUND;
        return rows_->OpenRowLater(int(id)) ? S_OK : E_FAIL;
    });
}
