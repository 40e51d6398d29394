#include "ui/NamedAccessible.h"

#include <utility>

namespace {

constexpr HRESULT kGone = CO_E_OBJNOTCONNECTED;

bool IsSelf(const VARIANT& child)
{
    return child.vt == VT_I4 && child.lVal == CHILDID_SELF;
}

}  // namespace

// Each call below is the system object's own; only the name is this one's.
#define FORWARD(call) return system_ ? system_->call : kGone

ComPtr<TNamedAccessible> TNamedAccessible::Create(HWND window, std::wstring name)
{
    ComPtr<IAccessible> system;
    if (FAILED(CreateStdAccessibleObject(window, OBJID_CLIENT, IID_IAccessible, system.ReceiveVoid())) || !system)
        return {};
    return ComPtr<TNamedAccessible>(new TNamedAccessible(std::move(system), std::move(name)));
}

void TNamedAccessible::Disconnect()
{
    system_ = ComPtr<IAccessible>();
    // Clients in other processes let go of this object now.
    CoDisconnectObject(static_cast<IAccessible*>(this), 0);
}

STDMETHODIMP TNamedAccessible::QueryInterface(REFIID riid, void** object)
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

STDMETHODIMP_(ULONG) TNamedAccessible::AddRef()
{
    return ULONG(InterlockedIncrement(&refs_));
}

STDMETHODIMP_(ULONG) TNamedAccessible::Release()
{
    LONG left = InterlockedDecrement(&refs_);
    if (left == 0)
        delete this;
    return ULONG(left);
}

STDMETHODIMP TNamedAccessible::GetTypeInfoCount(UINT* count)
{
    FORWARD(GetTypeInfoCount(count));
}

STDMETHODIMP TNamedAccessible::GetTypeInfo(UINT index, LCID locale, ITypeInfo** info)
{
    FORWARD(GetTypeInfo(index, locale, info));
}

STDMETHODIMP TNamedAccessible::GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID locale, DISPID* ids)
{
    FORWARD(GetIDsOfNames(riid, names, count, locale, ids));
}

STDMETHODIMP TNamedAccessible::Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*)
{
    // Through IDispatch a client could read the system's name: clients of
    // this object call IAccessible directly.
    return E_NOTIMPL;
}

STDMETHODIMP TNamedAccessible::get_accParent(IDispatch** parent)
{
    FORWARD(get_accParent(parent));
}

STDMETHODIMP TNamedAccessible::get_accChildCount(long* count)
{
    FORWARD(get_accChildCount(count));
}

STDMETHODIMP TNamedAccessible::get_accChild(VARIANT child, IDispatch** object)
{
    FORWARD(get_accChild(child, object));
}

STDMETHODIMP TNamedAccessible::get_accName(VARIANT child, BSTR* name)
{
    if (!name)
        return E_POINTER;
    *name = nullptr;
    if (!system_)
        return kGone;
    if (!IsSelf(child))
        return system_->get_accName(child, name);
    *name = SysAllocStringLen(name_.data(), UINT(name_.size()));
    return *name ? S_OK : E_OUTOFMEMORY;
}

STDMETHODIMP TNamedAccessible::get_accValue(VARIANT child, BSTR* value)
{
    FORWARD(get_accValue(child, value));
}

STDMETHODIMP TNamedAccessible::get_accDescription(VARIANT child, BSTR* description)
{
    FORWARD(get_accDescription(child, description));
}

STDMETHODIMP TNamedAccessible::get_accRole(VARIANT child, VARIANT* role)
{
    FORWARD(get_accRole(child, role));
}

STDMETHODIMP TNamedAccessible::get_accState(VARIANT child, VARIANT* state)
{
    FORWARD(get_accState(child, state));
}

STDMETHODIMP TNamedAccessible::get_accHelp(VARIANT child, BSTR* help)
{
    FORWARD(get_accHelp(child, help));
}

STDMETHODIMP TNamedAccessible::get_accHelpTopic(BSTR* file, VARIANT child, long* topic)
{
    FORWARD(get_accHelpTopic(file, child, topic));
}

STDMETHODIMP TNamedAccessible::get_accKeyboardShortcut(VARIANT child, BSTR* shortcut)
{
    FORWARD(get_accKeyboardShortcut(child, shortcut));
}

STDMETHODIMP TNamedAccessible::get_accFocus(VARIANT* child)
{
    FORWARD(get_accFocus(child));
}

STDMETHODIMP TNamedAccessible::get_accSelection(VARIANT* children)
{
    FORWARD(get_accSelection(children));
}

STDMETHODIMP TNamedAccessible::get_accDefaultAction(VARIANT child, BSTR* action)
{
    FORWARD(get_accDefaultAction(child, action));
}

STDMETHODIMP TNamedAccessible::accSelect(long flags, VARIANT child)
{
    FORWARD(accSelect(flags, child));
}

STDMETHODIMP TNamedAccessible::accLocation(long* left, long* top, long* width, long* height, VARIANT child)
{
    FORWARD(accLocation(left, top, width, height, child));
}

STDMETHODIMP TNamedAccessible::accNavigate(long direction, VARIANT start, VARIANT* end)
{
    FORWARD(accNavigate(direction, start, end));
}

STDMETHODIMP TNamedAccessible::accHitTest(long x, long y, VARIANT* child)
{
    FORWARD(accHitTest(x, y, child));
}

STDMETHODIMP TNamedAccessible::accDoDefaultAction(VARIANT child)
{
    FORWARD(accDoDefaultAction(child));
}

STDMETHODIMP TNamedAccessible::put_accName(VARIANT child, BSTR name)
{
    FORWARD(put_accName(child, name));
}

STDMETHODIMP TNamedAccessible::put_accValue(VARIANT child, BSTR value)
{
    FORWARD(put_accValue(child, value));
}

#undef FORWARD
