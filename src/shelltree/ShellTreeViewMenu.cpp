// The shell tree's context menu and the refresh of a branch after "paste".
#include "shelltree/ShellTreeView.h"

#include "platform/FileExists.h"
#include "shelltree/ItemIdList.h"
#include "shelltree/ShellContextMenu.h"
#include "shelltree/ShellFolder.h"
#include "platform/WideText.h"
#include "runtime/ScopeGuard.h"

#include <windowsx.h>

#include <memory>

TShellTreeView::SubjectScope::SubjectScope(TShellTreeView& tree, HTREEITEM subject)
    : tree_(tree), wasActive_(tree.menuActive_), previous_(tree.subject_)
{
    tree_.menuActive_ = true;
    tree_.subject_ = subject;
}

TShellTreeView::SubjectScope::~SubjectScope()
{
    tree_.menuActive_ = wasActive_;
    tree_.subject_ = previous_;
}

void TShellTreeView::ContextMenuAt(LPARAM screenPoint)
{
    HTREEITEM subject = TreeView_GetSelection(Handle());
    POINT point{GET_X_LPARAM(screenPoint), GET_Y_LPARAM(screenPoint)};
    if (point.x == -1 && point.y == -1) {
        // From the keyboard: at the middle of the selected node's label.
        RECT label{};
        if (!subject || !TreeView_GetItemRect(Handle(), subject, &label, TRUE))
            return;
        point = {(label.left + label.right) / 2, (label.top + label.bottom) / 2};
        ClientToScreen(Handle(), &point);
    } else {
        TVHITTESTINFO hit{};
        hit.pt = point;
        ScreenToClient(Handle(), &hit.pt);
        if (TreeView_HitTest(Handle(), &hit) && (hit.flags & TVHT_ONITEM))
            subject = hit.hItem;
    }
    ::SetFocus(Handle());
    if (subject)
        PopupMenuFor(subject, point);
}

void TShellTreeView::PopupMenuFor(HTREEITEM subject, POINT screenPoint)
{
    SubjectScope scope(*this, subject);
    TShellFolder* record = Folders(subject);
    if (!record)
        return;
    ComPtr<IContextMenu> menu = ContextMenuOf(*record, Handle());
    if (!menu)
        return;
    UINT command;
    {
        UniqueMenu popup(CreatePopupMenu());
        FillContextMenu(menu.Get(), popup.Get());
        menu2_ = menu.As<IContextMenu2>();
        ScopeGuard forget([this] { menu2_ = ComPtr<IContextMenu2>(); });
        command = TrackPopupMenu(popup.Get(), TPM_RETURNCMD | TPM_RIGHTBUTTON, screenPoint.x, screenPoint.y, 0,
                                 Handle(), nullptr);
    }
    // The subject may have gone while the menu was up.
    if (command && subject_)
        RunMenuCommand(subject_, menu.Get(), command);
}

bool TShellTreeView::InvokeVerb(HTREEITEM node, const std::string& verb)
{
    SubjectScope scope(*this, node);
    TShellFolder* record = Folders(node);
    if (!record)
        return false;
    ComPtr<IContextMenu> menu = ContextMenuOf(*record, Handle());
    if (!menu)
        return false;
    UniqueMenu popup(CreatePopupMenu());
    UINT used = FillContextMenu(menu.Get(), popup.Get());
    std::optional<UINT> command = FindVerbCommand(menu.Get(), popup.Get(), used, verb);
    if (!command)
        return false;
    RunMenuCommand(node, menu.Get(), *command);
    return true;
}

void TShellTreeView::RunMenuCommand(HTREEITEM subject, IContextMenu* menu, UINT command)
{
    SubjectScope scope(*this, subject);
    std::string verb = CommandVerb(menu, command);
    bool done;
    if (SameVerb(verb, "rename")) {
        // The tree renames by editing the label; the edit ends later and
        // renames through the folder (EndLabelEdit).
        if (subject_)
            TreeView_EditLabel(Handle(), subject_);
        done = true;
    } else {
        done = InvokeMenuCommand(menu, Handle(), command) == S_OK;
    }
    if (!done || !subject_)
        return;
    if (SameVerb(verb, "delete")) {
        TShellFolder* record = Folders(subject_);
        if (record && !FileExists(record->ParsingName()))
            TreeView_DeleteItem(Handle(), subject_);
    } else if (SameVerb(verb, "paste")) {
        RefreshNode(subject_);
    }
}

HTREEITEM TShellTreeView::FindNode(HTREEITEM from, LPCITEMIDLIST fullId, bool withSiblings) const
{
    ComPtr<IShellFolder> desktop = DesktopFolder();
    for (HTREEITEM node = from; node; node = withSiblings ? TreeView_GetNextSibling(Handle(), node) : nullptr) {
        TShellFolder* record = Folders(node);
        if (record && desktop->CompareIDs(0, record->FullItemId(), fullId) == S_OK)
            return node;
        if (HTREEITEM found = FindNode(TreeView_GetChild(Handle(), node), fullId, true))
            return found;
    }
    return nullptr;
}

void TShellTreeView::ReopenBranches(HTREEITEM oldNode, HTREEITEM freshNode)
{
    // Parents before children: opening a parent fills it, so its reopened
    // children exist when their turn comes.
    if (Expanded(oldNode))
        if (TShellFolder* record = Folders(oldNode))
            if (HTREEITEM match = FindNode(freshNode, record->FullItemId(), false))
                Expand(match);
    for (HTREEITEM child : ChildNodes(oldNode))
        ReopenBranches(child, freshNode);
}

void TShellTreeView::RefreshNode(HTREEITEM node)
{
    TShellFolder* old = Folders(node);
    if (!old || !old->ItemFolder())
        return;
    HTREEITEM top = TreeView_GetFirstVisible(Handle());
    HTREEITEM selected = Selected();
    UniquePidl topId, selectedId;
    if (TShellFolder* record = Folders(top))
        topId = CopyPidl(record->FullItemId());
    if (TShellFolder* record = Folders(selected))
        selectedId = CopyPidl(record->FullItemId());

    UpdateLock lock(*this);
    HTREEITEM parent = TreeView_GetParent(Handle(), node);
    HTREEITEM previous = TreeView_GetPrevSibling(Handle(), node);
    auto record = std::make_unique<TShellFolder>(Folders(parent), old->ItemId(), old->ItemFolderRef());
    TShellFolder* raw = record.get();
    HTREEITEM fresh = InsertNode(parent ? parent : TVI_ROOT, previous ? previous : TVI_FIRST, record.release(),
                                 raw->ItemCaption(), false);
    if (!fresh)
        return;
    FillChildren(fresh);
    SetExpandMark(fresh, (raw->Attributes(SFGAO_HASSUBFOLDER) & SFGAO_HASSUBFOLDER) != 0);
    ReopenBranches(node, fresh);
    TreeView_DeleteItem(Handle(), node);

    HTREEITEM root = TreeView_GetRoot(Handle());
    Select(selectedId ? FindNode(root, selectedId.Get(), true) : nullptr);
    if (HTREEITEM newTop = topId ? FindNode(root, topId.Get(), true) : nullptr)
        TreeView_SelectSetFirstVisible(Handle(), newTop);
}
