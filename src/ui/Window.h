// The base of every object that has a window: it owns the one handle, and
// it is the one place where an exception thrown while handling a message
// stops.
//
//   class TGridTitles : public TWindow {
//   public:
//       void Create(HWND parent)
//       {
//           RegisterWindowClass(L"AutoPeriod.Titles", wc);  // wc.lpfnWndProc set there
//           CreateBound(0, L"AutoPeriod.Titles", L"", WS_CHILD, x, y, w, h, parent, nullptr);
//       }
//   protected:
//       LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
//   };
//
// A class registered for such objects gets TWindow::WindowProc: at
// WM_NCCREATE it keeps the object passed to CreateBound in the window's user
// data and the window in the object, and from then on every message goes to
// the object's HandleMessage, until WM_NCDESTROY unbinds it. A window of a
// system class (a button) is owned the same way but keeps its own procedure;
// system controls that an object changes are subclassed (TSubclass).
// Whatever a handler throws is reported by the application (GuardedCall) and
// the message is answered as handled.
#pragma once

#include "platform/Win32.h"
#include "ui/Component.h"

#include <exception>
#include <type_traits>
#include <utility>

// Reports the exception being handled through the application's error
// report, or through a plain system box if there is no application or the
// report fails itself. Never throws.
void ReportEscapedException() noexcept;
// The last resort of both: the system's own box with the exception's text.
void ShowPlainErrorBox(HWND owner, const std::exception_ptr& error) noexcept;

// Runs `handler`; what it throws is reported and `onError` returned instead.
// The boundary for every window procedure and callback of the framework.
template <typename Handler, typename Result = decltype(std::declval<Handler&>()())>
Result GuardedCall(Handler&& handler, Result onError = Result()) noexcept
{
    try {
        return handler();
    } catch (...) {
        ReportEscapedException();
        return onError;
    }
}

template <typename Handler>
requires std::is_void_v<decltype(std::declval<Handler&>()())>
void GuardedCall(Handler&& handler) noexcept
{
    try {
        handler();
    } catch (...) {
        ReportEscapedException();
    }
}

class TWindow : public TComponent {
public:
    explicit TWindow(std::string name = {}) : TComponent(std::move(name)) {}
    // Destroys a window still there, unbound: the object is no longer whole.
    ~TWindow() override;

    HWND Handle() const { return hwnd_; }
    // The object bound to a window made by CreateBound, or null for any
    // other window.
    static TWindow* FromHandle(HWND hwnd);

protected:
    // Registers a window class for such objects once; lpfnWndProc, cbSize and
    // hInstance are filled in here.
    static void RegisterWindowClass(const wchar_t* className, WNDCLASSEXW wc);
    // CreateWindowExW with this object bound to the new window; Handle() is
    // set from WM_NCCREATE on, so the creation's own messages have it.
    HWND CreateBound(DWORD exStyle, const wchar_t* className, const wchar_t* title, DWORD style, int x, int y,
                     int width, int height, HWND parent, HMENU menu);
    // A window of a system class (button, edit box, tree view): owned by the
    // object, its messages going to the system's own procedure.
    void TakeHandle(HWND hwnd) { hwnd_ = hwnd; }

    // Every message of the bound window; DefWindowProcW by default.
    virtual LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    // Destroys the window if it is still there; a bound object takes its
    // last messages (WM_DESTROY, WM_NCDESTROY) unless unbound first.
    void DestroyHandle();
    // Lets the window go without telling the object: an object destroying
    // its window while it goes itself takes no more messages.
    void Unbind();

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept;

    HWND hwnd_ = nullptr;
};

// Puts an object's member in front of a system control's own window
// procedure, inside the same exception boundary; what the member does not
// handle it passes on with CallPrevious. The control's procedure comes back
// when the window goes. Kept in the window's own slots (GWLP_WNDPROC,
// GWLP_USERDATA), not with SetWindowSubclass, which looks its chain up in a
// window property on every message: under Wine a round trip to the server.
//
//   editSubclass_.Attach<TRichEdit, &TRichEdit::EditMessage>(Handle(), this);
//   ... return editSubclass_.CallPrevious(hwnd, message, wParam, lParam);
class TSubclass {
public:
    template <typename Owner, LRESULT (Owner::*Method)(HWND, UINT, WPARAM, LPARAM)>
    void Attach(HWND hwnd, Owner* owner)
    {
        owner_ = owner;
        dispatch_ = [](void* o, HWND h, UINT m, WPARAM w, LPARAM l) {
            return (static_cast<Owner*>(o)->*Method)(h, m, w, l);
        };
        Install(hwnd);
    }
    LRESULT CallPrevious(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) const;

private:
    void Install(HWND hwnd);
    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept;

    void* owner_ = nullptr;
    LRESULT (*dispatch_)(void*, HWND, UINT, WPARAM, LPARAM) = nullptr;
    WNDPROC previous_ = nullptr;
};
