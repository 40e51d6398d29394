#include "shelltree/ShellContextMenu.h"

#include "shelltree/ShellFolder.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace {

constexpr UINT kFirstCommand = 1;
constexpr UINT kLastCommand = 0x7FFF;
constexpr UINT kVerbLength = 256;

// The highest command number in the menu and its submenus.
UINT HighestCommand(HMENU menu)
{
    UINT highest = 0;
    int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        if (HMENU sub = GetSubMenu(menu, i)) {
            highest = std::max(highest, HighestCommand(sub));
            continue;
        }
        UINT id = GetMenuItemID(menu, i);
        if (id != UINT(-1) && id <= kLastCommand)
            highest = std::max(highest, id);
    }
    return highest;
}

}  // namespace

bool SameVerb(const std::string& a, const char* b)
{
    size_t length = std::strlen(b);
    return a.size() == length && std::equal(a.begin(), a.end(), b, [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

ComPtr<IContextMenu> ContextMenuOf(const TShellFolder& record, HWND owner)
{
    ComPtr<IContextMenu> menu;
    ComPtr<IShellFolder> parent = record.ParentShellFolder();
    if (!parent)
        return menu;
    LPCITEMIDLIST items[] = {record.ItemId()};
    if (FAILED(parent->GetUIObjectOf(owner, 1, items, IID_IContextMenu, nullptr, menu.ReceiveVoid())))
        return ComPtr<IContextMenu>();
    return menu;
}

UINT FillContextMenu(IContextMenu* menu, HMENU popup)
{
    HRESULT hr = menu->QueryContextMenu(popup, 0, kFirstCommand, kLastCommand, CMF_EXPLORE | CMF_CANRENAME);
    return FAILED(hr) ? 0 : HRESULT_CODE(hr);
}

std::string CommandVerb(IContextMenu* menu, UINT command)
{
    if (command < kFirstCommand)
        return std::string();
    char verb[kVerbLength] = {};
    if (FAILED(menu->GetCommandString(command - kFirstCommand, GCS_VERBA, nullptr, verb, kVerbLength)))
        return std::string();
    verb[kVerbLength - 1] = '\0';
    return verb;
}

std::optional<UINT> FindVerbCommand(IContextMenu* menu, HMENU popup, UINT used, const std::string& verb)
{
    UINT highest = std::max(used, HighestCommand(popup));
    for (UINT command = kFirstCommand; command <= highest; ++command)
        if (SameVerb(CommandVerb(menu, command), verb.c_str()))
            return command;
    return std::nullopt;
}

HRESULT InvokeMenuCommand(IContextMenu* menu, HWND owner, UINT command)
{
    CMINVOKECOMMANDINFO info;
    std::memset(&info, 0, sizeof(info));
    info.cbSize = sizeof(info);
    info.hwnd = owner;
    info.lpVerb = MAKEINTRESOURCEA(command - kFirstCommand);
    info.nShow = SW_SHOWNORMAL;
    return menu->InvokeCommand(&info);
}
