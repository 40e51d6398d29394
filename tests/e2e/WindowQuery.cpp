#include "WindowQuery.h"

#include <chrono>
#include <thread>

void WaitUntil(const std::function<bool()>& ready, const std::string& what, int timeoutMs)
{
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!ready()) {
        if (std::chrono::steady_clock::now() > deadline)
            throw DriverError("timed out after " + std::to_string(timeoutMs) + " ms waiting for " + what);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

std::string Utf8(std::wstring_view text)
{
    if (text.empty())
        return {};
    int size =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string result(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), result.data(), size, nullptr, nullptr);
    return result;
}

std::wstring ClassOf(HWND window)
{
    wchar_t name[256] = {};
    GetClassNameW(window, name, static_cast<int>(std::size(name)));
    return name;
}

std::wstring TextOf(HWND window)
{
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kWaitTimeoutMs, &length))
        throw DriverError("the window does not answer WM_GETTEXTLENGTH");
    std::wstring text(length + 1, L'\0');
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG,
                             kWaitTimeoutMs, &copied))
        throw DriverError("the window does not answer WM_GETTEXT");
    text.resize(copied);
    return text;
}

namespace {

struct TopSearch {
    DWORD processId;
    std::wstring_view className, caption;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectTopWindow(HWND window, LPARAM param)
{
    auto& s = *reinterpret_cast<TopSearch*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != s.processId || !IsWindowVisible(window))
        return TRUE;
    if (!s.className.empty() && ClassOf(window) != s.className)
        return TRUE;
    if (!s.caption.empty() && TextOf(window) != s.caption)
        return TRUE;
    s.found.push_back(window);
    return TRUE;
}

struct ChildSearch {
    std::wstring_view className;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectChild(HWND window, LPARAM param)
{
    auto& s = *reinterpret_cast<ChildSearch*>(param);
    if (s.className.empty() || ClassOf(window) == s.className)
        s.found.push_back(window);
    return TRUE;
}

}  // namespace

std::vector<HWND> TopWindows(DWORD processId, std::wstring_view className, std::wstring_view caption)
{
    TopSearch search{processId, className, caption, {}};
    EnumWindows(&CollectTopWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND WaitForWindow(DWORD processId, std::wstring_view className, std::wstring_view caption, int timeoutMs)
{
    HWND found = nullptr;
    std::string what = "a window of class " + Utf8(className);
    if (!caption.empty())
        what += " titled \"" + Utf8(caption) + "\"";
    WaitUntil(
        [&] {
            auto windows = TopWindows(processId, className, caption);
            found = windows.empty() ? nullptr : windows.front();
            return found != nullptr;
        },
        what, timeoutMs);
    return found;
}

void WaitWindowGone(HWND window, const std::string& what, int timeoutMs)
{
    WaitUntil([&] { return !IsWindow(window) || !IsWindowVisible(window); }, what + " to close", timeoutMs);
}

std::vector<HWND> Descendants(HWND parent, std::wstring_view className)
{
    ChildSearch search{className, {}};
    EnumChildWindows(parent, &CollectChild, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND FindChild(HWND parent, std::wstring_view className, std::wstring_view text)
{
    for (HWND child : Descendants(parent, className))
        if (TextOf(child) == text)
            return child;
    return nullptr;
}

HWND Child(HWND parent, std::wstring_view className, std::wstring_view text)
{
    HWND child = FindChild(parent, className, text);
    if (!child)
        throw DriverError("no " + Utf8(className) + " \"" + Utf8(text) + "\" in the window \"" + Utf8(TextOf(parent)) +
                          "\"");
    return child;
}

RECT WindowRect(HWND window)
{
    RECT r{};
    GetWindowRect(window, &r);
    return r;
}

RECT ClientRect(HWND window)
{
    RECT r{};
    GetClientRect(window, &r);
    return r;
}
