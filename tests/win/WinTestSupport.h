// Helpers shared by the Windows tests: an application object per test
// program, error reports captured instead of shown, and message pumping.
#pragma once

#include "ui/Application.h"

#include <functional>
#include <ostream>
#include <string>
#include <vector>

// The one application object of the test program, created on first use.
TApplication& TestApplication();
// Dispatches what is queued, through the application's loop, without waiting.
void DispatchQueued();

// Error reports recorded since the last Clear (the text as the report would
// show it, full stop included).
std::vector<std::string>& ReportedErrors();

// Runs `action` once the next modal loop (or any message loop) is running.
void PostAction(std::function<void()> action);

// Drops actions that no loop ran, so that they cannot leak into the next test.
void ClearPendingActions();

// Dispatches queued messages for about `milliseconds`.
void Pump(int milliseconds = 50);

// Window geometry. Rectangles and sizes compare and print as values.
inline bool operator==(const RECT& a, const RECT& b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}
inline bool operator==(const SIZE& a, const SIZE& b)
{
    return a.cx == b.cx && a.cy == b.cy;
}
inline void PrintTo(const RECT& r, std::ostream* os)
{
    *os << "{" << r.left << "," << r.top << "," << r.right << "," << r.bottom << "}";
}
inline void PrintTo(const SIZE& s, std::ostream* os)
{
    *os << s.cx << "x" << s.cy;
}
inline RECT RectOfSize(int left, int top, int width, int height)
{
    return {left, top, left + width, top + height};
}

// A child window's rectangle in its parent's client coordinates.
RECT BoundsInParent(HWND child);
SIZE ClientSize(HWND window);
SIZE OuterSize(HWND window);
// Asks for an outer size; the size the window took.
SIZE ResizeWindow(HWND window, int width, int height);
// The frame styles a border style decides, of those a window has.
constexpr LONG kFrameStyles = WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
inline LONG FrameStyles(HWND window)
{
    return GetWindowLongW(window, GWL_STYLE) & kFrameStyles;
}

// Writes `bytes` as the whole file, creating or truncating it; calls Win32
// itself, so the file layer's fault seam never counts it.
void WriteBytes(const std::wstring& path, const std::string& bytes);

// Deletes a folder with its content, quietly; the ending backslash is optional.
void RemoveFolderTree(const std::wstring& path);

// A fresh empty folder under the temp folder with a Russian name, as an
// operator's folders have, ending in a backslash; removed with its content by
// the destructor. Path() is its Windows-1251 text, WidePath() its exact name.
class TempFolder {
public:
    TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    ~TempFolder();
    const std::string& Path() const { return path_; }
    const std::wstring& WidePath() const { return widePath_; }

private:
    std::string path_;
    std::wstring widePath_;
};
