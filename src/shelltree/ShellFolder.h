// The folder record of the shell folder tree: one per node, naming one item
// of the shell namespace from the desktop down, with the item's own folder
// for enumerating its children. Also the process-wide desktop record made
// when the shell layer starts, and the shell's name records turned into the
// program's text.
//
//   TShellLayer shellLayer;                     // after OleInitialize
//   TShellFolder record(parent, childId, BindItemFolder(parent->ItemFolder(), childId));
//   record.ParsingName();                       // "C:\Bases\Trade"
//   record.ItemCaption();                       // "Trade"
#pragma once

#include "platform/Handles.h"
#include "shelltree/ItemIdList.h"

#include <string>

class TShellFolder {
public:
    // A record for `id` (relative to `parent`'s folder); `folder` is the
    // item's own folder and may be absent. Without a parent the record hangs
    // under the desktop record.
    TShellFolder(TShellFolder* parent, LPCITEMIDLIST id, ComPtr<IShellFolder> folder);
    // A record whose folder is bound (BindItemFolder from the parent's
    // folder) when it is first asked for: most nodes of a big branch are
    // never opened, and binding is the dearest call per item.
    struct BindLater {};
    TShellFolder(TShellFolder* parent, LPCITEMIDLIST id, BindLater);
    TShellFolder(const TShellFolder&) = delete;
    TShellFolder& operator=(const TShellFolder&) = delete;
    ~TShellFolder();

    TShellFolder* ParentRecord() const { return parent_; }
    IShellFolder* ItemFolder() const { return ItemFolderRef().Get(); }
    const ComPtr<IShellFolder>& ItemFolderRef() const;
    LPCITEMIDLIST ItemId() const { return itemId_.Get(); }
    LPCITEMIDLIST FullItemId() const { return fullItemId_.Get(); }

    // The folder that knows this item by ItemId: the parent record's folder
    // (possibly absent), the desktop for a record without a parent.
    ComPtr<IShellFolder> ParentShellFolder() const;
    // Those of the attributes in `mask` that the item has; 0 when the shell
    // does not answer.
    ULONG Attributes(ULONG mask) const;

    // The item's name for parsing as the desktop gives it ("C:\Bases"); the
    // display name for an item known only by a class identifier; empty when
    // the shell does not answer.
    // Names exactly as the shell gives them, whatever characters they have.
    std::wstring ParsingName() const;
    // The item's name inside its parent folder, for the node's label.
    std::wstring ItemCaption() const;

    // Renames the item through its parent folder and takes the identifier
    // the shell gives back; raises "Rename to <name> failed" otherwise.
    void Rename(const std::wstring& newName);

    // Records alive in the process, for leak checks.
    static int LiveCount();

private:
    TShellFolder* parent_;
    mutable ComPtr<IShellFolder> folder_;
    mutable bool bindPending_ = false;
    UniquePidl itemId_;
    UniquePidl fullItemId_;
};

// The record of the desktop itself: no parent, the desktop folder, the
// desktop's (empty) identifier list. Null before the shell layer starts.
TShellFolder* DesktopRecord();

// Makes and frees the desktop record; OLE must be initialised around them.
// Starting twice keeps the first record.
void ShellLayerStart();
void ShellLayerStop();

class TShellLayer {
public:
    TShellLayer() { ShellLayerStart(); }
    TShellLayer(const TShellLayer&) = delete;
    TShellLayer& operator=(const TShellLayer&) = delete;
    ~TShellLayer() { ShellLayerStop(); }
};

// The desktop's folder; raises the system's message when the shell has none.
ComPtr<IShellFolder> DesktopFolder();

// The item's own folder, asked of its parent folder: bound directly, else as
// a UI object, else as a view object, else bound through the desktop. May be
// absent.
ComPtr<IShellFolder> BindItemFolder(IShellFolder* parent, LPCITEMIDLIST id);

// A display name of `pidl` from `folder` read by ShellNameText; empty
// when the request fails.
std::wstring DisplayNameOf(IShellFolder* folder, LPCITEMIDLIST pidl, DWORD flags);

// The text of a shell name record: a wide string (which is freed), an offset
// into `pidl`'s first item, or an inline single-byte string. Names of the
// form "?1?..." lose every "?".
std::wstring ShellNameText(STRRET& name, LPCITEMIDLIST pidl);
