// A child window of a form. The form creates the window from the design
// data (bounds, anchors, tab order) and forwards the notifications that
// belong to the control (WM_COMMAND, WM_NOTIFY, owner-draw) back to it.
//
//   struct TButton : TControl { ... };
//   form.AddControl(button);   // the form creates it with its own window
#pragma once

#include "platform/Win32.h"
#include "ui/Component.h"

#include <optional>

enum TAnchor : unsigned { akLeft = 1, akTop = 2, akRight = 4, akBottom = 8 };

struct TBounds {
    int Left = 0, Top = 0, Width = 0, Height = 0;
};

class TControl : public TComponent {
public:
    TControl(std::string name, TBounds bounds, unsigned anchors = akLeft | akTop);
    ~TControl() override;

    HWND Handle() const { return hwnd_; }
    TForm* Form() const { return form_; }
    const TBounds& Bounds() const { return bounds_; }
    unsigned Anchors() const { return anchors_; }
    // Position in the tab order; controls without one are never focused by Tab.
    std::optional<int> TabOrder;
    int ControlId() const { return id_; }

    void CreateWindowFor(TForm& form, int id);
    void DestroyWindowHandle();
    void SetBounds(const TBounds& bounds);  // client pixels of the form
    void SetFocus();
    bool Focused() const;

    // Notifications the form routes back to the control; true when handled.
    virtual bool OnCommand(WORD /*code*/) { return false; }
    virtual bool OnNotify(NMHDR* /*header*/, LRESULT& /*result*/) { return false; }
    virtual bool OnDrawItem(DRAWITEMSTRUCT* /*item*/) { return false; }

    static TControl* FromHandle(HWND hwnd);

protected:
    // Creates the control's native window; the base binds it to the object.
    virtual HWND CreateHandle(HWND parent, int id, const TBounds& bounds) = 0;
    // Runs after the window exists (fonts, texts, images).
    virtual void HandleCreated() {}

private:
    TBounds bounds_;
    unsigned anchors_;
    HWND hwnd_ = nullptr;
    TForm* form_ = nullptr;
    int id_ = 0;
};
