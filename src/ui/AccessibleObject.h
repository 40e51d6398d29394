// The part every accessible object of the program shares: its reference
// count and the interfaces a client reaches it through. Clients call
// IAccessible directly, so the IDispatch part answers "not implemented".
//
//   class TGridAccessible final : public TAccessibleObject { ... IAccessible's own methods ... };
#pragma once

#include "platform/Win32.h"

#include <oleacc.h>

class TAccessibleObject : public IAccessible {
public:
    TAccessibleObject(const TAccessibleObject&) = delete;
    TAccessibleObject& operator=(const TAccessibleObject&) = delete;

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID riid, void** object) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    // IDispatch
    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** info) override;
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override;
    STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override;

    // IAccessible: no client may rename an object or change its value.
    STDMETHODIMP put_accName(VARIANT, BSTR) override;
    STDMETHODIMP put_accValue(VARIANT, BSTR) override;

protected:
    TAccessibleObject() = default;
    // Made with one reference, which its maker hands on; the last Release
    // deletes it.
    virtual ~TAccessibleObject() = default;

private:
    LONG refs_ = 1;
};
