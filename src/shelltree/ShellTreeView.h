// The folder tree over the Windows shell namespace: a tree view control
// rooted at the desktop that lists folders only, fills a node's children on
// its first expansion in the shell's own order, shows the system's small
// icons, renames folders by in-place label editing and offers the shell's
// own context menu. Each node owns a TShellFolder record.
//
//   TShellTreeView tree("MainShellTreeView", {3, 4, 416, 288}, akLeft | akTop | akRight | akBottom);
//   form.AddControl(tree);        // built when the form has loaded it
//   tree.SelectedPath();          // "C:\Bases\Trade"
#pragma once

#include "platform/Handles.h"
#include "ui/Control.h"
#include "ui/Window.h"

#include <string>
#include <vector>

class TShellFolder;

// Which items an enumeration asks for.
enum TShellObjectType : unsigned { otFolders = 1, otNonFolders = 2, otHidden = 4 };

class TShellTreeView : public TControl {
public:
    TShellTreeView(std::string name, TBounds bounds, unsigned anchors = akLeft | akTop);

    unsigned ObjectTypes = otFolders;
    // AccessibleName goes into the tree's window text, which it never shows:
    // screen readers read it from there.
    int Indent = 19;  // at the form's design density

    // The selected node; while a context-menu command runs, the node the
    // menu was opened for.
    HTREEITEM Selected() const;
    void Select(HTREEITEM node);
    // ParsingName of the selected node's record; empty with no selection.
    std::wstring SelectedPath() const;

    TShellFolder* Folders(HTREEITEM node) const;
    HTREEITEM RootNode() const;
    std::vector<HTREEITEM> ChildNodes(HTREEITEM node) const;
    HTREEITEM ParentNode(HTREEITEM node) const;
    std::wstring NodeLabel(HTREEITEM node) const;  // exactly as shown
    bool HasExpandMark(HTREEITEM node) const;
    bool Expanded(HTREEITEM node) const;
    void Expand(HTREEITEM node);

    // Rebuilds the node's branch from the shell, reopening the branches
    // that were open and keeping the selection and the top node.
    void RefreshNode(HTREEITEM node);
    // Carries out the shell command `verb` on `node` exactly as if it had
    // been chosen from the node's context menu; false when the menu has no
    // such command.
    bool InvokeVerb(HTREEITEM node, const std::string& verb);
    // What follows the choice of `command` from `menu` opened for `subject`:
    // "rename" edits the label, other verbs go to the shell, and the tree
    // follows a "delete" or a "paste".
    void RunMenuCommand(HTREEITEM subject, IContextMenu* menu, UINT command);
    // Destroys and creates the control's window again; the tree is rebuilt.
    void RecreateWnd();

    void Loaded() override;
    bool OnNotify(NMHDR* header, LRESULT& result) override;

protected:
    HWND CreateHandle(HWND parent, int id, const TBounds& bounds) override;
    void HandleCreated() override;
    void ChangeScale(int fromDpi, int toDpi) override;

private:
    // The indent and the icons at the form's density.
    void ApplyScale();

    // Hourglass cursor and suspended redrawing for one scope; nests.
    class UpdateLock {
    public:
        explicit UpdateLock(TShellTreeView& tree);
        UpdateLock(const UpdateLock&) = delete;
        UpdateLock& operator=(const UpdateLock&) = delete;
        ~UpdateLock();

    private:
        TShellTreeView& tree_;
        HCURSOR cursor_;
    };

    // Makes `subject` the node that Selected() reports for one scope.
    class SubjectScope {
    public:
        SubjectScope(TShellTreeView& tree, HTREEITEM subject);
        SubjectScope(const SubjectScope&) = delete;
        SubjectScope& operator=(const SubjectScope&) = delete;
        ~SubjectScope();

    private:
        TShellTreeView& tree_;
        bool wasActive_;
        HTREEITEM previous_;
    };

    LRESULT HandleTreeMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    TSubclass treeSubclass_;

    // Building and filling (ShellTreeView.cpp).
    void BuildTree();
    void ClearTree();
    void FreeAllRecords();
    void FillChildren(HTREEITEM node);
    HTREEITEM InsertNode(HTREEITEM parent, HTREEITEM after, TShellFolder* record, const std::wstring& label,
                         bool expandMark);
    HTREEITEM AddChildNode(HTREEITEM parent, LPCITEMIDLIST id);
    // Answers the tree's request for a node's icons (TVN_GETDISPINFO).
    void NodeIcons(TVITEMW& item);
    void SetExpandMark(HTREEITEM node, bool mark);
    void SetNodeText(HTREEITEM node, const std::wstring& text);
    void ItemExpanding(HTREEITEM node);
    void LaunchItem(const TShellFolder& record);
    bool EndLabelEdit(const NMTVDISPINFOW& info);
    void DiscardChildren(HTREEITEM node);

    // Context menu and refresh (ShellTreeViewMenu.cpp).
    void ContextMenuAt(LPARAM screenPoint);
    void PopupMenuFor(HTREEITEM subject, POINT screenPoint);
    HTREEITEM FindNode(HTREEITEM from, LPCITEMIDLIST fullId, bool withSiblings) const;
    void ReopenBranches(HTREEITEM oldNode, HTREEITEM freshNode);

    // The index in the shown list of a system list's icon.
    int ShownIcon(int systemIndex);

    HIMAGELIST images_ = nullptr;  // shown: a system list, or scaled_
    UniqueImageList scaled_;  // icons scaled from scaledSource_
    HIMAGELIST scaledSource_ = nullptr;
    std::vector<int> scaledIndex_;  // by system index; -1 not yet scaled
    bool loaded_ = false;
    bool building_ = false;
    bool painting_ = false;
    int updateCount_ = 0;
    bool menuActive_ = false;
    HTREEITEM subject_ = nullptr;
    ComPtr<IContextMenu2> menu2_;
};
