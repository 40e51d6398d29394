// The shell's own context menu of one item: obtaining it from the item's
// parent folder, letting it fill a popup menu, reading a command's verb and
// carrying a command out. Command numbers start at 1 in the menu; the shell
// knows them by their offset (command - 1).
//
//   ComPtr<IContextMenu> menu = ContextMenuOf(record, treeWindow);
//   UniqueMenu popup(CreatePopupMenu());
//   FillContextMenu(menu.Get(), popup.Get());
//   UINT command = TrackPopupMenu(popup.Get(), TPM_RETURNCMD, ...);
//   if (CommandVerb(menu.Get(), command) == "delete") ...
#pragma once

#include "platform/Handles.h"

#include <optional>
#include <string>

class TShellFolder;

// The item's context menu, asked of its parent folder with `owner` as the
// window for any UI; absent when the shell gives none.
ComPtr<IContextMenu> ContextMenuOf(const TShellFolder& record, HWND owner);

// Fills `popup` with the explorer-style commands (renaming included),
// numbered from 1; gives the number of command offsets the shell used.
UINT FillContextMenu(IContextMenu* menu, HMENU popup);

// The language-independent verb of a command ("delete", "paste"); empty
// when the shell names none.
std::string CommandVerb(IContextMenu* menu, UINT command);

// The command whose verb is `verb` (compared without regard to case), among
// the `used` offsets and the items of `popup` with its submenus.
std::optional<UINT> FindVerbCommand(IContextMenu* menu, HMENU popup, UINT used, const std::string& verb);

// Carries the command out with `owner` as the window for any UI.
HRESULT InvokeMenuCommand(IContextMenu* menu, HWND owner, UINT command);

// Verbs compare without regard to case.
bool SameVerb(const std::string& a, const char* b);
