#include "Operator.h"

#include "WindowQuery.h"

#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace {

LPARAM PointParam(POINT p)
{
    return MAKELPARAM(static_cast<WORD>(p.x), static_cast<WORD>(p.y));
}

void Pause(int milliseconds)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

void Post(HWND target, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (!PostMessageW(target, message, wParam, lParam))
        throw DriverError("PostMessage failed with error " + std::to_string(GetLastError()));
}

INPUT KeyInput(WORD virtualKey, bool up)
{
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = virtualKey;
    input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC));
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    if (virtualKey == VK_DELETE || virtualKey == VK_LEFT || virtualKey == VK_RIGHT || virtualKey == VK_UP ||
        virtualKey == VK_DOWN || virtualKey == VK_HOME || virtualKey == VK_END)
        input.ki.dwFlags |= KEYEVENTF_EXTENDEDKEY;
    return input;
}

void Send(INPUT input)
{
    if (SendInput(1, &input, sizeof(input)) != 1)
        throw DriverError("SendInput failed with error " + std::to_string(GetLastError()));
}

}  // namespace

void Click(HWND button)
{
    Post(button, BM_CLICK, 0, 0);
}

void PressButton(HWND window, std::wstring_view caption)
{
    Click(Child(window, L"Button", caption));
}

void SetText(HWND edit, std::wstring_view text)
{
    std::wstring copy(text);
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(copy.c_str()), SMTO_ABORTIFHUNG,
                             kWaitTimeoutMs, &result))
        throw DriverError("the edit box does not answer WM_SETTEXT");
}

void PostKey(HWND target, UINT virtualKey, int times)
{
    UINT scan = MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC);
    for (int i = 0; i < times; ++i) {
        Post(target, WM_KEYDOWN, virtualKey, 1 | (scan << 16));
        Post(target, WM_KEYUP, virtualKey, 1 | (scan << 16) | 0xC0000000u);
    }
}

void PostChars(HWND target, std::wstring_view text)
{
    for (wchar_t c : text)
        Post(target, WM_CHAR, c, 1);
}

void PostKeyToFocus(HWND anyWindowOfThread, UINT virtualKey)
{
    DWORD thread = GetWindowThreadProcessId(anyWindowOfThread, nullptr);
    GUITHREADINFO info{};
    info.cbSize = sizeof(info);
    if (!GetGUIThreadInfo(thread, &info) || !info.hwndFocus)
        throw DriverError("no control of the program has the keyboard focus");
    PostKey(info.hwndFocus, virtualKey);
}

HWND FocusOf(HWND anyWindowOfThread)
{
    GUITHREADINFO info{};
    info.cbSize = sizeof(info);
    GetGUIThreadInfo(GetWindowThreadProcessId(anyWindowOfThread, nullptr), &info);
    return info.hwndFocus;
}

void TabTo(HWND window, HWND control)
{
    for (int i = 0; i < 12 && FocusOf(window) != control; ++i) {
        PostKeyToFocus(window, VK_TAB);
        Settle(window);
    }
    if (FocusOf(window) != control)
        throw DriverError("Tab never reaches the control \"" + Utf8(TextOf(control)) + "\"");
}

void RetypeFocused(HWND anyWindowOfThread, std::wstring_view text)
{
    HWND box = FocusOf(anyWindowOfThread);
    if (!box)
        throw DriverError("no control of the program has the keyboard focus");
    const std::wstring erase(TextOf(box).size(), L'\b');
    PostKey(box, VK_END);
    PostChars(box, erase);
    PostChars(box, text);
    // A pass of the program's loop for each message posted, and a few more.
    Settle(box, 8 + int(erase.size() + text.size()));
}

void PostClick(HWND target, POINT at)
{
    Post(target, WM_LBUTTONDOWN, MK_LBUTTON, PointParam(at));
    Post(target, WM_LBUTTONUP, 0, PointParam(at));
}

void PostDoubleClick(HWND target, POINT at)
{
    PostClick(target, at);
    Post(target, WM_LBUTTONDBLCLK, MK_LBUTTON, PointParam(at));
    Post(target, WM_LBUTTONUP, 0, PointParam(at));
}

void PostDrag(HWND target, POINT from, POINT to)
{
    Post(target, WM_MOUSEMOVE, 0, PointParam(from));
    Post(target, WM_LBUTTONDOWN, MK_LBUTTON, PointParam(from));
    constexpr int kSteps = 8;
    for (int i = 1; i <= kSteps; ++i) {
        POINT p{from.x + (to.x - from.x) * i / kSteps, from.y + (to.y - from.y) * i / kSteps};
        Post(target, WM_MOUSEMOVE, MK_LBUTTON, PointParam(p));
    }
    Post(target, WM_LBUTTONUP, 0, PointParam(to));
}

void Settle(HWND anyWindowOfProgram, int passes)
{
    for (int i = 0; i < passes; ++i) {
        DWORD_PTR ignored = 0;
        if (!SendMessageTimeoutW(anyWindowOfProgram, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, kWaitTimeoutMs, &ignored))
            throw DriverError("the program does not answer");
    }
}

void CloseWithButton(HWND window, std::wstring_view caption, const std::string& what)
{
    PressButton(window, caption);
    WaitWindowGone(window, what);
}

void CloseWithCloseBox(HWND window)
{
    Post(window, WM_CLOSE, 0, 0);
}

void BringToFront(HWND window)
{
    WaitUntil(
        [&] {
            if (GetForegroundWindow() == window)
                return true;
            SetForegroundWindow(window);
            return false;
        },
        "the window \"" + Utf8(TextOf(window)) + "\" to come to the front");
    // The program takes the activation in its own time. Then Wine's desktop
    // takes the focus change from the X server, and with it the X server's
    // idea of which keys are down, which knows nothing of keys pressed
    // through SendInput: a Ctrl pressed before that arrives is let go again.
    Settle(window);
    Pause(200);
}

void SendChord(std::initializer_list<WORD> virtualKeys)
{
    std::vector<WORD> keys(virtualKeys);
    for (WORD key : keys) {
        Send(KeyInput(key, false));
        Pause(10);
    }
    for (auto it = keys.rbegin(); it != keys.rend(); ++it) {
        Send(KeyInput(*it, true));
        Pause(10);
    }
}
