#include "ui/WindowAccessible.h"

#include <new>
#include <utility>

namespace {

bool IsSelf(const VARIANT& child)
{
    return child.vt == VT_I4 && child.lVal == CHILDID_SELF;
}

// An empty text is no text: S_FALSE, as for a property the object lacks.
HRESULT TextInto(const std::wstring& text, BSTR* out)
{
    if (!out)
        return E_POINTER;
    *out = nullptr;
    if (text.empty())
        return S_FALSE;
    *out = SysAllocStringLen(text.data(), UINT(text.size()));
    return *out ? S_OK : E_OUTOFMEMORY;
}

}  // namespace

ComPtr<TWindowAccessible> TWindowAccessible::Create(HWND hwnd, TDescription description)
{
    ComPtr<IAccessible> standard;
    if (FAILED(CreateStdAccessibleObject(hwnd, OBJID_CLIENT, IID_IAccessible, standard.ReceiveVoid())) || !standard)
        return {};
    return ComPtr<TWindowAccessible>(new (std::nothrow) TWindowAccessible(std::move(standard), std::move(description)));
}

TWindowAccessible::TWindowAccessible(ComPtr<IAccessible> standard, TDescription description)
    : standard_(std::move(standard)), description_(std::move(description))
{}

// ---- IAccessible: this object's own ------------------------------------------------

STDMETHODIMP TWindowAccessible::get_accChildCount(long* count)
{
    if (!count)
        return E_POINTER;
    if (description_.Children.empty())
        return standard_->get_accChildCount(count);
    *count = long(description_.Children.size());
    return S_OK;
}

STDMETHODIMP TWindowAccessible::get_accChild(VARIANT child, IDispatch** object)
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (description_.Children.empty())
        return standard_->get_accChild(child, object);
    if (child.vt != VT_I4 || child.lVal < 1 || size_t(child.lVal) > description_.Children.size())
        return E_INVALIDARG;
    // The child's own object, as the system's dialogs give theirs.
    return AccessibleObjectFromWindow(description_.Children[size_t(child.lVal) - 1], DWORD(OBJID_CLIENT), IID_IDispatch,
                                      reinterpret_cast<void**>(object));
}

STDMETHODIMP TWindowAccessible::get_accName(VARIANT child, BSTR* name)
{
    return IsSelf(child) ? TextInto(description_.Name, name) : standard_->get_accName(child, name);
}

STDMETHODIMP TWindowAccessible::get_accDescription(VARIANT child, BSTR* description)
{
    return IsSelf(child) && !description_.Description.empty() ? TextInto(description_.Description, description)
                                                              : standard_->get_accDescription(child, description);
}

STDMETHODIMP TWindowAccessible::get_accRole(VARIANT child, VARIANT* role)
{
    if (!IsSelf(child) || description_.Role == 0)
        return standard_->get_accRole(child, role);
    if (!role)
        return E_POINTER;
    role->vt = VT_I4;
    role->lVal = description_.Role;
    return S_OK;
}

// ---- IAccessible: the system object's ------------------------------------------------

STDMETHODIMP TWindowAccessible::get_accParent(IDispatch** parent)
{
    return standard_->get_accParent(parent);
}

STDMETHODIMP TWindowAccessible::get_accValue(VARIANT child, BSTR* value)
{
    return standard_->get_accValue(child, value);
}

STDMETHODIMP TWindowAccessible::get_accState(VARIANT child, VARIANT* state)
{
    return standard_->get_accState(child, state);
}

STDMETHODIMP TWindowAccessible::get_accHelp(VARIANT child, BSTR* help)
{
    return standard_->get_accHelp(child, help);
}

STDMETHODIMP TWindowAccessible::get_accHelpTopic(BSTR* file, VARIANT child, long* topic)
{
    return standard_->get_accHelpTopic(file, child, topic);
}

STDMETHODIMP TWindowAccessible::get_accKeyboardShortcut(VARIANT child, BSTR* shortcut)
{
    return standard_->get_accKeyboardShortcut(child, shortcut);
}

STDMETHODIMP TWindowAccessible::get_accFocus(VARIANT* child)
{
    return standard_->get_accFocus(child);
}

STDMETHODIMP TWindowAccessible::get_accSelection(VARIANT* children)
{
    return standard_->get_accSelection(children);
}

STDMETHODIMP TWindowAccessible::get_accDefaultAction(VARIANT child, BSTR* action)
{
    return standard_->get_accDefaultAction(child, action);
}

STDMETHODIMP TWindowAccessible::accSelect(long flags, VARIANT child)
{
    return standard_->accSelect(flags, child);
}

STDMETHODIMP TWindowAccessible::accLocation(long* left, long* top, long* width, long* height, VARIANT child)
{
    return standard_->accLocation(left, top, width, height, child);
}

STDMETHODIMP TWindowAccessible::accNavigate(long direction, VARIANT start, VARIANT* end)
{
    return standard_->accNavigate(direction, start, end);
}

STDMETHODIMP TWindowAccessible::accHitTest(long x, long y, VARIANT* child)
{
    return standard_->accHitTest(x, y, child);
}

STDMETHODIMP TWindowAccessible::accDoDefaultAction(VARIANT child)
{
    return standard_->accDoDefaultAction(child);
}
