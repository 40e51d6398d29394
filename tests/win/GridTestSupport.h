// Helpers for the tests of the grid and the forms: keys with a real Ctrl
// state, mouse clicks on a window, pixels of a window's painting, finding
// and answering the message box of the current thread, and the accessible
// object a window serves.
#pragma once

#include "WinTestSupport.h"

#include "platform/Handles.h"
#include "platform/Win32.h"
#include "platform/WideText.h"
#include "ui/MessageForm.h"

#include <oleacc.h>

#include <string>

// Posts a key press to `target` and dispatches it through the application's
// loop (dialog keys included). With `ctrl`, the thread's key state says Ctrl
// is down while the key is handled.
inline void PressKey(HWND target, WORD key, bool ctrl = false, bool shift = false)
{
    BYTE saved[256];
    GetKeyboardState(saved);
    BYTE state[256];
    GetKeyboardState(state);
    state[VK_CONTROL] = state[VK_LCONTROL] = ctrl ? 0x80 : 0;
    state[VK_SHIFT] = state[VK_LSHIFT] = shift ? 0x80 : 0;
    SetKeyboardState(state);
    PostMessageW(target, WM_KEYDOWN, key, 1);
    PostMessageW(target, WM_KEYUP, key, 0xC0000001);
    DispatchQueued();
    SetKeyboardState(saved);
}

inline LPARAM Point(int x, int y)
{
    return MAKELPARAM(x, y);
}

inline void Click(HWND target, int x, int y)
{
    SendMessageW(target, WM_LBUTTONDOWN, MK_LBUTTON, Point(x, y));
    SendMessageW(target, WM_LBUTTONUP, 0, Point(x, y));
}

// The colour of one client pixel as the window paints itself.
inline COLORREF PaintedPixel(HWND hwnd, int x, int y)
{
    RECT client;
    GetClientRect(hwnd, &client);
    HDC screen = GetDC(hwnd);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, client.right, client.bottom);
    HGDIOBJ old = SelectObject(dc, bitmap);
    SendMessageW(hwnd, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    COLORREF color = GetPixel(dc, x, y);
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    ReleaseDC(hwnd, screen);
    return color;
}

struct ThreadWindowSearch {
    const wchar_t* className;
    HWND found;
};

inline BOOL CALLBACK MatchThreadWindow(HWND hwnd, LPARAM param)
{
    auto* search = reinterpret_cast<ThreadWindowSearch*>(param);
    wchar_t name[64] = {};
    GetClassNameW(hwnd, name, 64);
    if (IsWindowVisible(hwnd) && lstrcmpW(name, search->className) == 0) {
        search->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

// A visible top-level window of this thread with the given class name.
inline HWND FindThreadWindow(const wchar_t* className)
{
    ThreadWindowSearch search{className, nullptr};
    EnumThreadWindows(GetCurrentThreadId(), &MatchThreadWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The first child of `parent` of the given class whose text matches, or
// with any non-empty text when `text` is null.
inline HWND FindChild(HWND parent, const wchar_t* className, const wchar_t* text = nullptr)
{
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        wchar_t name[64] = {};
        GetClassNameW(child, name, 64);
        wchar_t caption[512] = {};
        GetWindowTextW(child, caption, 512);
        if (lstrcmpiW(name, className) == 0 && (text ? lstrcmpW(caption, text) == 0 : caption[0] != 0))
            return child;
    }
    return nullptr;
}

// Closes the next message window shown, keeping its text (as Ctrl+C copies
// it) and its caption.
inline void CloseNextMessage(std::wstring& text, std::string* caption = nullptr)
{
    PostAction([&text, caption] {
        if (auto* box = dynamic_cast<TMessageForm*>(TForm::FromHandle(FindThreadWindow(L"TMessageForm")))) {
            text = box->ClipboardText();
            if (caption)
                *caption = box->Caption();
            SendMessageW(box->Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
        }
    });
}

// The accessible object of a window's client area, and a child of it by its
// id (CHILDID_SELF: the object itself).
inline ComPtr<IAccessible> AccessibleOf(HWND window)
{
    ComPtr<IAccessible> object;
    AccessibleObjectFromWindow(window, DWORD(OBJID_CLIENT), IID_IAccessible, object.ReceiveVoid());
    return object;
}

inline VARIANT Child(LONG id)
{
    VARIANT child{};
    child.vt = VT_I4;
    child.lVal = id;
    return child;
}

// The name the object gives itself or a child; "" when it gives none.
inline std::wstring AccessibleName(IAccessible* object, LONG id = CHILDID_SELF)
{
    BSTR name = nullptr;
    std::wstring result =
        object->get_accName(Child(id), &name) == S_OK && name ? std::wstring(name, SysStringLen(name)) : L"";
    SysFreeString(name);
    return result;
}

inline std::string TextOf(HWND hwnd)
{
    wchar_t caption[512] = {};
    GetWindowTextW(hwnd, caption, 512);
    return Narrow(caption);
}

struct ToolTipSearch {
    HWND window;
    UINT_PTR id;
    std::wstring text;
};

inline BOOL CALLBACK MatchToolTip(HWND tip, LPARAM param)
{
    auto* search = reinterpret_cast<ToolTipSearch*>(param);
    wchar_t name[64] = {};
    GetClassNameW(tip, name, 64);
    wchar_t text[1024] = {};
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof(tool);
    tool.hwnd = search->window;
    tool.uId = search->id;
    tool.lpszText = text;
    if (lstrcmpiW(name, TOOLTIPS_CLASSW) != 0 ||
        !SendMessageW(tip, TTM_GETTOOLINFOW, 0, reinterpret_cast<LPARAM>(&tool)))
        return TRUE;
    tool.lpszText = text;
    SendMessageW(tip, TTM_GETTEXTW, 1024, reinterpret_cast<LPARAM>(&tool));
    search->text = text;
    return FALSE;
}

// The text the thread's tooltips hold for a tool of `window` ("" when none
// does): a control's own tool (window: its parent, id: its handle), or an
// area of the window.
inline std::wstring ToolTipText(HWND window, UINT_PTR id)
{
    ToolTipSearch search{window, id, {}};
    EnumThreadWindows(GetCurrentThreadId(), &MatchToolTip, reinterpret_cast<LPARAM>(&search));
    return search.text;
}

inline std::string HeaderItemText(HWND header, int item)
{
    wchar_t text[128] = {};
    HDITEMW info{};
    info.mask = HDI_TEXT;
    info.pszText = text;
    info.cchTextMax = 128;
    SendMessageW(header, HDM_GETITEMW, item, reinterpret_cast<LPARAM>(&info));
    return Narrow(text);
}

inline int HeaderItemWidth(HWND header, int item)
{
    RECT r{};
    SendMessageW(header, HDM_GETITEMRECT, item, reinterpret_cast<LPARAM>(&r));
    return r.right - r.left;
}
