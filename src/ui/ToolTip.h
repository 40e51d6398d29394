// A tooltip of the common controls, owned: its window goes with the object.
// One tooltip serves any number of tools. A window tool shows a fixed text
// while the mouse rests on a control, the tooltip watching the control's
// mouse messages itself; an area tool covers a window's client area, which
// hands its mouse messages over (Relay) and changes the text as the mouse
// moves from one part to another, as the grid does for its cells.
//
//   TToolTip tip;
//   tip.AddWindowTool(button.Handle(), L"Выбрать папку базы");
//
//   tip.AddAreaTool(Handle(), kCellTool);
//   tip.Relay(Handle(), message, wParam, lParam);   // every mouse message
//   tip.SetText(Handle(), kCellTool, L"C:\\Базы\\...");   // "" shows nothing
#pragma once

#include "platform/Handles.h"
#include "platform/Win32.h"

#include <string>

class TToolTip {
public:
    TToolTip() = default;
    TToolTip(const TToolTip&) = delete;
    TToolTip& operator=(const TToolTip&) = delete;

    HWND Handle() const { return window_.Get(); }
    explicit operator bool() const { return bool(window_); }

    void AddWindowTool(HWND control, const std::wstring& text);
    // The tool `id` over the whole client area of `window`, with no text yet.
    void AddAreaTool(HWND window, UINT_PTR id);
    // After the window changed its size.
    void SetArea(HWND window, UINT_PTR id);
    void SetText(HWND window, UINT_PTR id, const std::wstring& text);
    void Relay(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    // Takes a tip that shows off the screen; the next rest of the mouse
    // shows it again.
    void Hide();
    void Destroy() { window_.Reset(); }

private:
    // Made at the first tool, owned by the tool's window. A tip is a help
    // the program works without: where none can be made, there is none.
    bool Need(HWND toolWindow);
    // A description of the tool, for the messages about it.
    static TTTOOLINFOW Tool(HWND window, UINT_PTR id, UINT flags = 0);

    UniqueWindow window_;
};
