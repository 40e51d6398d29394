// What a screen reader finds for a window whose system object says too
// little or the wrong thing (under Wine: role "client", no name, no text; a
// button whose caption is a symbol, "...", read out as it stands): the system's own
// object for the window's client area, with the role, name, description and
// children given here. A window serves it for WM_GETOBJECT:
//
//   case WM_GETOBJECT:
//       if (LONG(lParam) == OBJID_CLIENT)
//           if (auto object = TWindowAccessible::Create(hwnd, {.Role = ROLE_SYSTEM_DIALOG, .Name = L"Confirm"}))
//               return LresultFromObject(IID_IAccessible, wParam, object.Get());
//
// The object keeps no pointer into the program: what it says is copied in
// when it is made, so a client in another process that holds on to it after
// the window has gone gets failures, never a dangling object.
#pragma once

#include "platform/Handles.h"
#include "platform/Win32.h"

#include "ui/AccessibleObject.h"

#include <string>
#include <vector>

class TWindowAccessible final : public TAccessibleObject {
public:
    struct TDescription {
        LONG Role = 0;  // 0: the system object's (a button stays a push button)
        std::wstring Name;
        std::wstring Description;
        // Windows whose client objects are this object's children, in order.
        std::vector<HWND> Children;
    };

    // Null when the system has no object for the window (it is gone).
    static ComPtr<TWindowAccessible> Create(HWND hwnd, TDescription description);

    // IAccessible: role, name, description and children are this object's;
    // the rest is the system object's.
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

private:
    TWindowAccessible(ComPtr<IAccessible> standard, TDescription description);
    ~TWindowAccessible() override = default;

    ComPtr<IAccessible> standard_;
    TDescription description_;
};
