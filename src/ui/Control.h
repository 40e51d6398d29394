// A child window of a form. The form creates the window from the design
// data (bounds, anchors, tab order) with a control ID of its own, and hands
// the notifications that belong to the control (WM_COMMAND, WM_NOTIFY,
// owner-draw) back to it by that ID. The form destroys the control's window
// too (TForm::Destroy), while the control is whole.
//
//   struct TButton : TControl { ... };
//   form.AddControl(button);   // the form creates it with its own window
#pragma once

#include "platform/Win32.h"
#include "ui/Window.h"

#include <optional>

enum TAnchor : unsigned { akLeft = 1, akTop = 2, akRight = 4, akBottom = 8 };

struct TBounds {
    int Left = 0, Top = 0, Width = 0, Height = 0;
};

class TControl : public TWindow {
public:
    TControl(std::string name, TBounds bounds, unsigned anchors = akLeft | akTop);

    // The form whose window holds the control's: set before the control's
    // window is made, so every handler of that window has it.
    TForm* Form() const { return form_; }
    // As designed (or last set), and in client pixels at the form's density.
    const TBounds& Bounds() const { return bounds_; }
    TBounds ScaledBounds() const;
    unsigned Anchors() const { return anchors_; }
    // Position in the tab order; controls without one are never focused by Tab.
    std::optional<int> TabOrder;
    // The name screen readers give a control that has no caption of its own,
    // or a button instead of a caption that is a symbol ("...")
    // (Windows-1251).
    std::string AccessibleName;
    int ControlId() const { return id_; }

    void CreateWindowFor(TForm& form, int id);
    // Destroys the window; the form routes nothing more to the control.
    void DestroyWindowHandle();
    void SetBounds(const TBounds& bounds);  // client pixels of the form
    // The form now draws at another density: the window takes the form's
    // new font (unless it keeps its own) and the control's own pixel values
    // follow (ChangeScale). The form places the window afterwards.
    void FormDpiChanged();
    void SetFocus();

    // Notifications the form routes back to the control; true when handled.
    virtual bool OnCommand(WORD /*code*/) { return false; }
    virtual bool OnNotify(NMHDR* /*header*/, LRESULT& /*result*/) { return false; }
    virtual bool OnDrawItem(DRAWITEMSTRUCT* /*item*/) { return false; }

protected:
    // Creates the control's native window; the base owns it.
    virtual HWND CreateHandle(HWND parent, int id, const TBounds& bounds) = 0;
    // A visible child window of a system class (a button, an edit box) at
    // the bounds, carrying the control ID: what most CreateHandles make.
    static HWND CreateChildWindow(DWORD exStyle, const wchar_t* windowClass, const wchar_t* text, DWORD style,
                                  HWND parent, int id, const TBounds& bounds);
    // Runs after the window exists (fonts, texts, images).
    virtual void HandleCreated() {}
    // Pixel values of the control's own (column widths, an indent, a font
    // of its own) go from density fromDpi to toDpi: from the design's to the
    // form's before the window is made, and whenever the form moves to a
    // monitor of another density.
    virtual void ChangeScale(int /*fromDpi*/, int /*toDpi*/) {}
    // False for a control that keeps a font of its own at every density.
    virtual bool FollowsFormFont() const { return true; }

private:
    void ScaleTo(int dpi);

    TBounds bounds_;
    int boundsDpi_ = 0;  // the density bounds_ are given at; 0: the form's design
    int scaledDpi_ = 0;  // the density ChangeScale last brought the control to
    unsigned anchors_;
    TForm* form_ = nullptr;
    int id_ = 0;
};
