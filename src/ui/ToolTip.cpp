#include "ui/ToolTip.h"

TTTOOLINFOW TToolTip::Tool(HWND window, UINT_PTR id, UINT flags)
{
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof(tool);
    tool.uFlags = flags;
    tool.hwnd = window;
    tool.uId = id;
    return tool;
}

bool TToolTip::Need(HWND toolWindow)
{
    if (window_)
        return true;
    // No prefix: "&" in a name or a path is a character, not an accelerator.
    // Always: the tip shows also while another window of the program is
    // active, as an operator moving the mouse over the list expects.
    window_.Reset(CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP,
                                  CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, toolWindow, nullptr,
                                  GetModuleHandleW(nullptr), nullptr));
    return bool(window_);
}

void TToolTip::AddWindowTool(HWND control, const std::wstring& text)
{
    if (!Need(control))
        return;
    TTTOOLINFOW tool = Tool(GetParent(control), reinterpret_cast<UINT_PTR>(control), TTF_IDISHWND | TTF_SUBCLASS);
    tool.lpszText = const_cast<wchar_t*>(text.c_str());
    SendMessageW(Handle(), TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

void TToolTip::AddAreaTool(HWND window, UINT_PTR id)
{
    if (!Need(window))
        return;
    TTTOOLINFOW tool = Tool(window, id);
    GetClientRect(window, &tool.rect);
    tool.lpszText = const_cast<wchar_t*>(L"");
    SendMessageW(Handle(), TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

void TToolTip::SetArea(HWND window, UINT_PTR id)
{
    if (!window_)
        return;
    TTTOOLINFOW tool = Tool(window, id);
    GetClientRect(window, &tool.rect);
    SendMessageW(Handle(), TTM_NEWTOOLRECTW, 0, reinterpret_cast<LPARAM>(&tool));
}

void TToolTip::SetText(HWND window, UINT_PTR id, const std::wstring& text)
{
    if (!window_)
        return;
    TTTOOLINFOW tool = Tool(window, id);
    tool.lpszText = const_cast<wchar_t*>(text.c_str());
    SendMessageW(Handle(), TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
}

void TToolTip::Relay(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (!window_)
        return;
    MSG msg{};
    msg.hwnd = window;
    msg.message = message;
    msg.wParam = wParam;
    msg.lParam = lParam;
    SendMessageW(Handle(), TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&msg));
}

void TToolTip::Hide()
{
    if (window_)
        SendMessageW(Handle(), TTM_POP, 0, 0);
}
