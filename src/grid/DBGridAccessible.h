// What a screen reader finds in a list of rows, through Microsoft Active
// Accessibility: a list (named by TAccessibleRows::ListName) whose children
// are the rows, child id n being the n-th row in the table's order. A row's
// name is its shown texts in the shown column order, its description the
// same texts each after its column's title, as the system's report-view
// lists describe their items; the current row is the selected one, and the
// focused one while the list's window has the focus. A row's default action
// opens it as a double-click does.
//
// The object asks the list only through TAccessibleRows, which the grid
// implements; the grid hands one out for WM_GETOBJECT and keeps it. When its
// window goes it calls Disconnect, after which every call fails with
// CO_E_OBJNOTCONNECTED and clients in other processes are cut off.
//
//   case WM_GETOBJECT: return LresultFromObject(IID_IAccessible, wParam, accessible.Get());
//
// Texts are worked out only when a client asks for them.
#pragma once

#include "platform/Win32.h"

#include "ui/AccessibleObject.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// All the accessible object may ask of the list it describes. Rows are
// numbered from 1 in the table's order, places are client pixels, texts
// are Windows-1251.
class TAccessibleRows {
public:
    struct TShownCell {
        std::string_view Title, Text;
    };

    virtual HWND ListWindow() const = 0;  // null once the window is gone
    virtual std::string ListName() const = 0;
    virtual int RowCount() const = 0;
    virtual int CurrentRow() const = 0;  // 0 for none
    // The row's texts in the shown columns, left to right.
    virtual std::vector<TShownCell> ShownCells(int row) const = 0;
    // Where the row is drawn, or would be if scrolled into view.
    virtual RECT RowRect(int row) const = 0;
    virtual int RowAt(int y) const = 0;  // 0 where no row of the table is drawn
    virtual void SelectRow(int row) = 0;
    // The name of a row's default action; none when rows do not open.
    virtual std::optional<std::string> RowAction() const = 0;
    // Makes the row current and opens it once the call has returned, so that
    // the reader does not wait for a modal window; false when nothing would
    // open (a modal window is up).
    virtual bool OpenRowLater(int row) = 0;

protected:
    ~TAccessibleRows() = default;
};

class TDBGridAccessible final : public TAccessibleObject {
public:
    explicit TDBGridAccessible(TAccessibleRows& rows) : rows_(&rows) {}
    void Disconnect();

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

private:
    ~TDBGridAccessible() override = default;

    // The row count, or a failure for a grid that is gone.
    HRESULT Rows(long& count) const;
    // The child id a VARIANT names: CHILDID_SELF or a row's number; a
    // failure for anything else.
    HRESULT ChildId(const VARIANT& child, long& id) const;
    // The body's answer for the id of a child this object knows, guarded;
    // the failure of ChildId for any other.
    template <typename Body>
    HRESULT ForChild(const VARIANT& child, Body&& body) const;
    // The same through an out pointer, checked and emptied first.
    template <typename Out, typename Body>
    HRESULT ChildInto(Out* out, const VARIANT& child, Body&& body) const;
    // For a text neither the list nor its rows have (a value, help, a
    // shortcut): none, for a known child.
    HRESULT NoText(const VARIANT& child, BSTR* text) const;
    // A row's texts in the shown columns, left to right, joined by ", ".
    // Its name leaves the empty ones out; its description (`titled`) puts
    // each after its column's title, empty ones too.
    std::wstring RowTexts(long row, bool titled) const;
    // The list's client area, or a row, in screen pixels.
    RECT ScreenRect(long id) const;

    TAccessibleRows* rows_;  // null once disconnected
};
