// A standard control as screen readers find it, under a name of the
// program's own: every question goes to the system's object for the
// control's client area, except its name. For a button whose caption is a
// symbol ("..."), which the system's object would read out as it stands.
// The control hands one out for WM_GETOBJECT and keeps it; when its window
// goes it calls Disconnect, after which every call fails with
// CO_E_OBJNOTCONNECTED.
//
//   case WM_GETOBJECT:
//       if (LONG(lParam) == OBJID_CLIENT && !named)
//           named = TNamedAccessible::Create(hwnd, L"Выбрать папку базы");
//       return LresultFromObject(IID_IAccessible, wParam, named.Get());
#pragma once

#include "platform/Handles.h"
#include "platform/Win32.h"

#include <oleacc.h>

#include <string>

class TNamedAccessible final : public IAccessible {
public:
    // Null when the system has no object for the window.
    static ComPtr<TNamedAccessible> Create(HWND window, std::wstring name);
    TNamedAccessible(const TNamedAccessible&) = delete;
    TNamedAccessible& operator=(const TNamedAccessible&) = delete;

    void Disconnect();

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID riid, void** object) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    // IDispatch
    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override;
    STDMETHODIMP GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID locale, DISPID* ids) override;
    STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override;

    // IAccessible
    STDMETHODIMP get_accParent(IDispatch** parent) override;
    STDMETHODIMP get_accChildCount(long* count) override;
    STDMETHODIMP get_accChild(VARIANT child, IDispatch** object) override;
    STDMETHODIMP get_accName(VARIANT child, BSTR* name) override;
    STDMETHODIMP get_accValue(VARIANT child, BSTR* value) override;
    STDMETHODIMP get_accDescription(VARIANT child, BSTR* description) override;
    STDMETHODIMP get_accRole(VARIANT child, VARIANT* role) override;
    STDMETHODIMP get_accState(VARIANT child, VARIANT* state) override;
    STDMETHODIMP get_accHelp(VARIANT child, BSTR* help) override;
    STDMETHODIMP get_accHelpTopic(BSTR* file, VARIANT child, long* topic) override;
    STDMETHODIMP get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) override;
    STDMETHODIMP get_accFocus(VARIANT* child) override;
    STDMETHODIMP get_accSelection(VARIANT* children) override;
    STDMETHODIMP get_accDefaultAction(VARIANT child, BSTR* action) override;
    STDMETHODIMP accSelect(long flags, VARIANT child) override;
    STDMETHODIMP accLocation(long* left, long* top, long* width, long* height, VARIANT child) override;
    STDMETHODIMP accNavigate(long direction, VARIANT start, VARIANT* end) override;
    STDMETHODIMP accHitTest(long x, long y, VARIANT* child) override;
    STDMETHODIMP accDoDefaultAction(VARIANT child) override;
    STDMETHODIMP put_accName(VARIANT child, BSTR name) override;
    STDMETHODIMP put_accValue(VARIANT child, BSTR value) override;

private:
    TNamedAccessible(ComPtr<IAccessible> system, std::wstring name) : system_(std::move(system)), name_(std::move(name))
    {}
    ~TNamedAccessible() = default;

    LONG refs_ = 1;
    ComPtr<IAccessible> system_;  // null once disconnected
    std::wstring name_;
};
