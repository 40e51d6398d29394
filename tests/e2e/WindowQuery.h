// Finding the program's windows from outside and waiting for them: top-level
// windows by class and caption within one process, child controls by class
// and text, all with timeouts that fail with a message saying what never
// came.
//
//   HWND main = WaitForWindow(pid, L"TMainForm");
//   HWND add = Child(main, L"Button", L"Добавить базу");
//   WaitUntil([&] { return !IsWindowVisible(editor); }, "the editor to close");
#pragma once

#include "platform/Win32.h"

#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

// A step of the driver that could not be carried out; GoogleTest reports it
// as the journey's failure.
class DriverError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

inline constexpr int kWaitTimeoutMs = 5000;

// Polls `ready` every 10 ms; throws DriverError("timed out waiting for " +
// what) when it has not become true within the timeout.
void WaitUntil(const std::function<bool()>& ready, const std::string& what, int timeoutMs = kWaitTimeoutMs);

// UTF-8, for messages.
std::string Utf8(std::wstring_view text);

std::wstring ClassOf(HWND window);
// WM_GETTEXT: also reads the text of another process's edit boxes.
std::wstring TextOf(HWND window);

// Visible top-level windows of the process, optionally of one class and with
// one caption (empty: any).
std::vector<HWND> TopWindows(DWORD processId, std::wstring_view className = {}, std::wstring_view caption = {});
HWND WaitForWindow(DWORD processId, std::wstring_view className, std::wstring_view caption = {},
                   int timeoutMs = kWaitTimeoutMs);
// Waits until the window is hidden or gone.
void WaitWindowGone(HWND window, const std::string& what, int timeoutMs = kWaitTimeoutMs);

// Direct and deeper children, in Z order, of one class (empty: any).
std::vector<HWND> Descendants(HWND parent, std::wstring_view className = {});
// The first descendant of that class and text; nullptr when there is none.
HWND FindChild(HWND parent, std::wstring_view className, std::wstring_view text);
// The same, but a missing control is a DriverError.
HWND Child(HWND parent, std::wstring_view className, std::wstring_view text);

RECT WindowRect(HWND window);
RECT ClientRect(HWND window);
