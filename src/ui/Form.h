// A top-level window of the program: owns its native window, its controls
// and its non-visual components. The design (caption, bounds, border,
// controls with their anchors and tab order) is data given in the derived
// form's constructor; the events are callable members that components chain
// into (save the old handler, install their own, call the old one). Whoever
// makes a form destroys it (Destroy) before it goes: the application its
// forms, a scope through TScopedForm.
//
//   class TMyForm : public TForm {
//       TButton ok{"OKButton", {10, 10, 75, 25}, "OK"};
//   public:
//       TMyForm() : TForm("MyForm", "TMyForm", {...}) { AddControl(ok); }
//   };
//   Application->CreateForm(myForm);   // window created hidden
//   myForm.ShowModal();
#pragma once

#include "platform/Dpi.h"
#include "platform/Handles.h"
#include "platform/Win32.h"
#include "ui/Control.h"
#include "ui/Window.h"

#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

class TApplication;
class TButton;

enum class TBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
enum class TPosition { poDesigned, poDefault, poDefaultPosOnly, poScreenCenter, poDesktopCenter };
enum class TWindowState { wsNormal, wsMinimized, wsMaximized };
enum class TCloseAction { caNone, caHide, caFree, caMinimize };
enum TBorderIcon : unsigned { biSystemMenu = 1, biMinimize = 2, biMaximize = 4, biHelp = 8 };
// The monitor a window first shows on: wherever it was placed, or the main form's.
enum class TDefaultMonitor { dmDesktop, dmMainForm };

constexpr int mrNone = 0;
constexpr int mrOk = 1;
constexpr int mrCancel = 2;

struct TFormDesign {
    std::string Caption;
    // Where the window stands (Left, Top) and the size of its client area
    // (Width, Height).
    TBounds Bounds;
    TBorderStyle BorderStyle = TBorderStyle::bsSizeable;
    unsigned BorderIcons = biSystemMenu | biMinimize | biMaximize;
    TPosition Position = TPosition::poDesigned;
    TDefaultMonitor DefaultMonitor = TDefaultMonitor::dmDesktop;
    int MinWidth = 0;  // outer size limits, 0 for none
    int MinHeight = 0;
    int IconId = 0;  // resource id of the window's icon, 0 for the default
    const wchar_t* FontFace = L"MS Sans Serif";
    int FontHeight = 11;  // pixels; 8 points at 96 dots per inch
    // The whole font instead of FontFace and FontHeight (the system's
    // message font, say).
    std::optional<LOGFONTW> Font = std::nullopt;
    // The pixel density that every size and place above, the font's and the
    // controls' bounds are given at; the window scales them to its own.
    int PixelsPerInch = kDesignDpi;
    bool KeyPreview = false;
};

class TForm : public TWindow {
public:
    TForm(std::string name, std::string className, TFormDesign design);
    ~TForm() override;

    const std::string& ClassName() const { return className_; }
    HFONT FontHandle() const { return static_cast<HFONT>(font_.Get()); }
    // The pixel density the window is drawn at (its monitor's), and a value
    // of the design (TFormDesign::PixelsPerInch) at it.
    int Dpi() const { return dpi_; }
    int DesignDpi() const { return design_.PixelsPerInch; }
    int Scaled(int designValue) const;

    // Design: controls and components the form owns (not deleted by it).
    void AddControl(TControl& control);
    // Controls in their tab order, which is also the order their windows are
    // made in: the order screen readers walk.
    void AddControls(std::initializer_list<TControl*> inTabOrder);
    void AddComponent(TComponent& component);
    const std::vector<TComponent*>& Components() const { return components_; }
    TComponent* FindComponent(std::string_view name) const;

    // Creates the hidden window and the controls, lets the components attach
    // (Loaded), then runs OnCreate; an exception from it is reported and the
    // creation goes on.
    void Create();
    // Runs OnDestroy (reported on failure) and destroys the controls' windows,
    // then the form's. The one place where windows go while their objects
    // are whole: a control's window procedure, and the handlers chained into
    // OnDestroy, reach members of the derived control or form, which are gone
    // by the time a base destructor runs. So whoever made the form calls this
    // before the form goes (the application's DestroyForms for its forms); a
    // form that goes without it loses its window unbound, as a plain TWindow.
    void Destroy();

    void Show();
    void Hide();
    int ShowModal();
    void Close();
    // The close query and the close handler without closing: true when the
    // window may go. The session end runs the main form's close this way.
    bool RunClose();
    bool Visible() const;
    bool Modal() const { return modal_; }
    int ModalResult = mrNone;

    // Enter presses the focused button, else the default button; Esc the
    // cancel button. Without them both keys do nothing window-wide.
    TButton* DefaultButton = nullptr;
    TButton* CancelButton = nullptr;

    std::string Caption() const;
    void SetCaption(const std::string& caption);
    RECT WindowRect() const;  // outer, in screen pixels
    int Left() const { return WindowRect().left; }
    int Top() const { return WindowRect().top; }
    int Width() const
    {
        const RECT r = WindowRect();
        return r.right - r.left;
    }
    int Height() const
    {
        const RECT r = WindowRect();
        return r.bottom - r.top;
    }
    TBorderStyle BorderStyle() const { return design_.BorderStyle; }
    TPosition Position() const { return design_.Position; }
    void SetPosition(TPosition position) { design_.Position = position; }  // never moves the window
    void SetWindowState(TWindowState state);
    TControl* ActiveControl() const;
    bool IsMainForm() const;

    std::function<void()> OnCreate;
    std::function<void()> OnShow;
    std::function<void(bool& canClose)> OnCloseQuery;
    std::function<void(TCloseAction& action)> OnClose;
    std::function<void()> OnDestroy;
    // With KeyPreview, key presses reach the form before the focused control.
    std::function<void(WORD key, bool& handled)> OnKeyDown;
    // F1, the caption's help button and WM_HELP; without it they do nothing.
    std::function<void()> OnHelp;
    // Of the main form: what Windows is told holds the session's end while
    // the form's close is refused (what the close would have kept).
    std::wstring CloseRefusedReason = L"Данные программы не сохранены";

    // Dialog keys for the message loop: Tab, Enter, Esc, key preview.
    bool PreTranslateMessage(MSG& msg);

    static TForm* FromHandle(HWND hwnd);

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    // When the window is drawn at another density than its design's (made
    // so, or moved to a monitor of another density) and the font, the
    // controls and the window's rectangle have been scaled: a form laid out
    // by its text rather than by its design measures again.
    virtual void DpiChanged() {}

private:
    void RegisterClassOnce() const;
    void Layout(int clientWidth, int clientHeight);
    void CreateFormFont();
    void LoadIcons();
    // WM_DPICHANGED: the window moves to a monitor of another density.
    void ChangeDpi(int dpi, const RECT& suggested);
    bool CloseQuery();
    void FocusFirstControl();
    void MoveOntoMainFormsMonitor();
    void MoveIntoWorkArea();
    void Help();
    // The control whose window is `hwnd` and has control ID `id`, or null.
    TControl* ChildControl(int id, HWND hwnd) const;

    std::string className_;
    TFormDesign design_;
    GdiObject font_;
    int dpi_ = kDesignDpi;
    std::vector<TControl*> controls_;
    std::vector<TComponent*> components_;
    HWND lastFocus_ = nullptr;
    bool modal_ = false;
    bool destroyed_ = false;
    // The application that created the form, told when the form goes.
    TApplication* application_ = nullptr;
    friend class TApplication;
    TWindowState pendingState_ = TWindowState::wsNormal;
};

// A form whose maker is the scope it is declared in (a dialog shown once, a
// test's form): destroyed as its owner would, while it is still whole.
//
//   TScopedForm<TSelectDirectoryForm> chooser;
template <typename Form>
class TScopedForm final : public Form {
public:
    using Form::Form;
    ~TScopedForm() override { this->Destroy(); }
};
