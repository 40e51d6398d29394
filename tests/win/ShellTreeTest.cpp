// The shell folder tree against the real shell namespace of the Wine
// prefix: a scratch folder tree on C: is listed, opened, renamed, deleted
// and refreshed through the tree.
#include "ShellTestSupport.h"
#include "WinTestSupport.h"

#include "forms/SelectDirectoryUnit.h"
#include "shelltree/ShellFolder.h"
#include "platform/Dpi.h"
#include "platform/WideText.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

// The folder chooser; a test's scratch folders, made after it, are listed
// as the tree is opened down to them. Every test checks that the records it
// made went with their nodes.
class ShellTree : public testing::Test {
protected:
    void SetUp() override
    {
        TestApplication();
        ShellLayerStart();
        ReportedErrors().clear();
        liveBefore_ = TShellFolder::LiveCount();
        form.Create();
    }
    void TearDown() override
    {
        form.Destroy();
        EXPECT_EQ(TShellFolder::LiveCount(), liveBefore_);
    }

    int liveBefore_ = 0;
    TScopedForm<TSelectDirectoryForm> form;
    TShellTreeView& tree = form.MainShellTreeView;
};

// "Chosen" is selected; "Clicked" is the one the operator acts on.
class ShellTreeChosenAndClicked : public ShellTree {
protected:
    void SetUp() override
    {
        ShellTree::SetUp();
        chosen = NodeForPath(tree, dir / "Chosen");
        clicked = NodeForPath(tree, dir / "Clicked");
        ASSERT_TRUE(chosen && clicked);
        tree.Select(chosen);
    }

    ShellTestFolder dir{{"Chosen\\", "Clicked\\"}};
    HTREEITEM chosen = nullptr, clicked = nullptr;
};

bool DirectoryExists(const std::string& path)
{
    DWORD attributes = GetFileAttributesW(Wide(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string DesktopName(LPCITEMIDLIST pidl, DWORD flags)
{
    return Narrow(DisplayNameOf(DesktopFolder().Get(), pidl, flags));
}

// Types into the label edit box that is open and ends it with `key`
// (Enter or Esc), as the operator does.
void TypeLabel(TShellTreeView& tree, const std::string& text, WPARAM key = VK_RETURN)
{
    HWND edit = TreeView_GetEditControl(tree.Handle());
    ASSERT_NE(edit, nullptr);
    SetWindowTextW(edit, Wide(text).c_str());
    SendMessageW(edit, WM_KEYDOWN, key, 0);
}

void EditLabel(TShellTreeView& tree, HTREEITEM node, const std::string& text, WPARAM key = VK_RETURN)
{
    ASSERT_NE(TreeView_EditLabel(tree.Handle(), node), nullptr);
    TypeLabel(tree, text, key);
}

// A context menu with the one command "paste" (Wine's folder menus have
// none); choosing it runs `paste` and answers `result`.
class PasteMenu : public IContextMenu {
public:
    PasteMenu(std::function<void()> paste, HRESULT result) : paste_(std::move(paste)), result_(result) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        *out = IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IContextMenu) ? this : nullptr;
        return *out ? S_OK : E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }  // lives on the test's stack
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE QueryContextMenu(HMENU, UINT, UINT, UINT, UINT) override { return MAKE_HRESULT(0, 0, 1); }
    HRESULT STDMETHODCALLTYPE InvokeCommand(CMINVOKECOMMANDINFO* info) override
    {
        if (info->lpVerb != MAKEINTRESOURCEA(0))
            return E_INVALIDARG;
        paste_();
        return result_;
    }
    HRESULT STDMETHODCALLTYPE GetCommandString(UINT_PTR offset, UINT type, UINT*, LPSTR name, UINT size) override
    {
        if (offset != 0 || type != GCS_VERBA)
            return E_INVALIDARG;
        lstrcpynA(name, "Paste", size);
        return S_OK;
    }

private:
    std::function<void()> paste_;
    HRESULT result_;
};

}  // namespace

TEST_F(ShellTree, StartsAtTheDesktopOpenedAndSelected)
{
    HTREEITEM root = tree.RootNode();
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(TreeView_GetNextSibling(tree.Handle(), root), nullptr);
    EXPECT_EQ(tree.Selected(), root);
    EXPECT_TRUE(tree.Expanded(root));
    EXPECT_FALSE(tree.ChildNodes(root).empty());
    EXPECT_EQ(Narrow(tree.NodeLabel(root)), DesktopName(tree.Folders(root)->FullItemId(), SHGDN_NORMAL));
    // Choosing at once stores the desktop's own parsing name.
    EXPECT_EQ(Narrow(tree.SelectedPath()), DesktopName(tree.Folders(root)->FullItemId(), SHGDN_FORPARSING));
}

TEST_F(ShellTree, ListsFoldersOnlyAndFillsANodeOnItsFirstExpansion)
{
    // ASCII names only: without a UTF-8 host locale Wine cannot store others.
    ShellTestFolder dir({"Alpha\\", "Alpha\\Inner\\", "Beta\\", "Gamma two\\", "notes.txt", "Alpha\\deep.txt"});
    HTREEITEM parent = NodeForPath(tree, dir.Path());
    ASSERT_NE(parent, nullptr);
    EXPECT_TRUE(tree.ChildNodes(parent).empty());

    tree.Expand(parent);
    std::vector<std::string> labels = ChildLabels(tree, parent);
    std::sort(labels.begin(), labels.end());
    EXPECT_EQ(labels, (std::vector<std::string>{"Alpha", "Beta", "Gamma two"}));
    HTREEITEM alpha = NodeForPath(tree, dir / "Alpha");
    ASSERT_NE(alpha, nullptr);
    tree.Expand(alpha);
    EXPECT_EQ(ChildLabels(tree, alpha), std::vector<std::string>{"Inner"});

    // Closing and opening again shows the same nodes without a new fill.
    std::vector<HTREEITEM> before = tree.ChildNodes(parent);
    TreeView_Expand(tree.Handle(), parent, TVE_COLLAPSE);
    CreateDirectoryW(Wide(dir / "Later").c_str(), nullptr);
    tree.Expand(parent);
    EXPECT_EQ(tree.ChildNodes(parent), before);
}

TEST_F(ShellTree, OrdersChildrenAsTheirFolderComparesThem)
{
    ShellTestFolder dir({"b10\\", "B2\\", "a\\", "Zed\\", "c1\\", "_x\\", "a b\\"});
    HTREEITEM parent = NodeForPath(tree, dir.Path());
    ASSERT_NE(parent, nullptr);
    tree.Expand(parent);
    std::vector<HTREEITEM> children = tree.ChildNodes(parent);
    ASSERT_EQ(children.size(), 7u);
    IShellFolder* folder = tree.Folders(parent)->ItemFolder();
    for (size_t i = 1; i < children.size(); ++i) {
        HRESULT hr =
            folder->CompareIDs(0, tree.Folders(children[i - 1])->ItemId(), tree.Folders(children[i])->ItemId());
        EXPECT_LT(static_cast<short>(HRESULT_CODE(hr)), 0)
            << Narrow(tree.NodeLabel(children[i - 1])) << " before " << Narrow(tree.NodeLabel(children[i]));
    }
}

TEST_F(ShellTree, AFolderWithoutSubfoldersLosesItsExpandMarkWhenOpened)
{
    ShellTestFolder dir({"Empty\\", "Empty\\only.txt"});
    HTREEITEM empty = NodeForPath(tree, dir / "Empty");
    ASSERT_NE(empty, nullptr);
    bool attributeSaysSubfolders = (tree.Folders(empty)->Attributes(SFGAO_HASSUBFOLDER) & SFGAO_HASSUBFOLDER) != 0;
    EXPECT_EQ(tree.HasExpandMark(empty), attributeSaysSubfolders);

    tree.Expand(empty);
    EXPECT_TRUE(tree.ChildNodes(empty).empty());
    EXPECT_FALSE(tree.HasExpandMark(empty));
}

TEST_F(ShellTree, StoresTheShellsParsingNamesExactly)
{
    ShellTestFolder dir({"Trade base\\", "Trade base\\Pay.roll\\"});
    for (const std::string& path : {std::string("C:\\"), dir.Path(), dir / "Trade base\\Pay.roll"}) {
        HTREEITEM node = NodeForPath(tree, path);
        ASSERT_NE(node, nullptr) << path;
        tree.Select(node);
        EXPECT_EQ(Narrow(tree.SelectedPath()), path);
    }
}

TEST_F(ShellTree, NamesAVirtualFolderByItsDisplayName)
{
    int virtualFolders = 0;
    for (HTREEITEM child : tree.ChildNodes(tree.RootNode())) {
        TShellFolder* record = tree.Folders(child);
        if (DesktopName(record->FullItemId(), SHGDN_FORPARSING).compare(0, 3, "::{") != 0)
            continue;
        ++virtualFolders;
        tree.Select(child);
        EXPECT_EQ(Narrow(tree.SelectedPath()), DesktopName(record->FullItemId(), SHGDN_NORMAL));
        EXPECT_EQ(tree.NodeLabel(child), record->ItemCaption());
        EXPECT_NE(Narrow(tree.SelectedPath()).compare(0, 3, "::{"), 0);
    }
    EXPECT_GT(virtualFolders, 0) << "the desktop lists My Computer by its class identifier";
}

TEST_F(ShellTree, RenamesAFolderByEditingItsLabel)
{
    ShellTestFolder dir({"Old name\\", "Old name\\Child\\"});
    HTREEITEM node = NodeForPath(tree, dir / "Old name\\Child");
    ASSERT_NE(node, nullptr);
    node = tree.ParentNode(node);

    EditLabel(tree, node, "New name");
    EXPECT_TRUE(ReportedErrors().empty());
    EXPECT_TRUE(DirectoryExists(dir / "New name"));
    EXPECT_FALSE(DirectoryExists(dir / "Old name"));
    EXPECT_EQ(Narrow(tree.NodeLabel(node)), "New name");
    tree.Select(node);
    EXPECT_EQ(Narrow(tree.SelectedPath()), dir / "New name");
    // The children come back from the renamed folder, not the old name.
    HTREEITEM child = NodeForPath(tree, dir / "New name\\Child");
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(tree.ParentNode(child), node);
    tree.Select(child);
    EXPECT_EQ(Narrow(tree.SelectedPath()), dir / "New name\\Child");
}

TEST_F(ShellTree, AFailedOrCancelledRenameKeepsTheLabelAndTheFolder)
{
    ShellTestFolder dir({"First\\", "Second\\"});
    HTREEITEM node = NodeForPath(tree, dir / "First");
    ASSERT_NE(node, nullptr);

    EditLabel(tree, node, "Second");
    ASSERT_EQ(ReportedErrors().size(), 1u);
    EXPECT_EQ(ReportedErrors()[0], "Rename to Second failed.");
    EXPECT_EQ(Narrow(tree.NodeLabel(node)), "First");
    EXPECT_TRUE(DirectoryExists(dir / "First"));
    tree.Select(node);
    EXPECT_EQ(Narrow(tree.SelectedPath()), dir / "First");

    ReportedErrors().clear();
    EditLabel(tree, node, "Other", VK_ESCAPE);
    EXPECT_TRUE(ReportedErrors().empty());
    EXPECT_EQ(Narrow(tree.NodeLabel(node)), "First");
    EXPECT_TRUE(DirectoryExists(dir / "First"));
    EXPECT_FALSE(DirectoryExists(dir / "Other"));
}

TEST_F(ShellTree, DeleteFromTheContextMenuRemovesTheNodeOnceTheFolderIsGone)
{
    ShellTestFolder dir({"Doomed\\", "Doomed\\Sub\\", "Stays\\"});
    HTREEITEM doomed = NodeForPath(tree, dir / "Doomed\\Sub");
    ASSERT_NE(doomed, nullptr);
    doomed = tree.ParentNode(doomed);
    HTREEITEM parent = tree.ParentNode(doomed);
    int nodesBefore = NodeCount(tree);

    // The shell may ask for confirmation; say yes.
    PostAction([] { AnswerDialog(IDYES); });
    ASSERT_TRUE(tree.InvokeVerb(doomed, "delete"));
    EXPECT_FALSE(DirectoryExists(dir / "Doomed"));
    EXPECT_EQ(ChildLabels(tree, parent), std::vector<std::string>{"Stays"});
    EXPECT_EQ(NodeCount(tree), nodesBefore - 2);
}

TEST_F(ShellTree, RefreshRebuildsABranchWithItsOpenBranchesAndSelection)
{
    ShellTestFolder dir({"Top\\", "Top\\Open\\", "Top\\Open\\Leaf\\", "Top\\Closed\\", "Top\\Closed\\Hidden\\"});
    HTREEITEM leaf = NodeForPath(tree, dir / "Top\\Open\\Leaf");
    ASSERT_NE(leaf, nullptr);
    tree.Select(leaf);
    CreateDirectoryW(Wide(dir / "Top\\New").c_str(), nullptr);

    HTREEITEM top = tree.ParentNode(tree.ParentNode(leaf));
    tree.RefreshNode(top);
    HTREEITEM fresh = NodeForPath(tree, dir / "Top");
    ASSERT_NE(fresh, nullptr);
    std::vector<std::string> labels = ChildLabels(tree, fresh);
    std::sort(labels.begin(), labels.end());
    EXPECT_EQ(labels, (std::vector<std::string>{"Closed", "New", "Open"}));
    EXPECT_TRUE(tree.Expanded(fresh));
    EXPECT_EQ(Narrow(tree.SelectedPath()), dir / "Top\\Open\\Leaf");
    HTREEITEM open = tree.ParentNode(tree.Selected());
    EXPECT_TRUE(tree.Expanded(open));
    HTREEITEM closed = NodeForPath(tree, dir / "Top\\Closed");
    // Found without opening anything on the way, and still closed.
    EXPECT_FALSE(tree.Expanded(closed));
}

TEST_F(ShellTree, PasteRefreshesTheMenusNodeAndSelectsIt)
{
    ShellTestFolder dir({"Target\\", "Target\\Open\\", "Target\\Open\\Inner\\", "Other\\"});
    HTREEITEM inner = NodeForPath(tree, dir / "Target\\Open\\Inner");
    HTREEITEM other = NodeForPath(tree, dir / "Other");
    ASSERT_TRUE(inner && other);
    tree.Select(other);

    PasteMenu failing([&] { CreateDirectoryW(Wide(dir / "Target\\Early").c_str(), nullptr); }, E_FAIL);
    tree.RunMenuCommand(NodeForPath(tree, dir / "Target"), &failing, 1);
    EXPECT_EQ(tree.Selected(), other);
    EXPECT_EQ(ChildLabels(tree, NodeForPath(tree, dir / "Target")), std::vector<std::string>{"Open"});

    PasteMenu pasting([&] { CreateDirectoryW(Wide(dir / "Target\\Pasted").c_str(), nullptr); }, S_OK);
    tree.RunMenuCommand(NodeForPath(tree, dir / "Target"), &pasting, 1);
    HTREEITEM fresh = NodeForPath(tree, dir / "Target");
    std::vector<std::string> labels = ChildLabels(tree, fresh);
    std::sort(labels.begin(), labels.end());
    EXPECT_EQ(labels, (std::vector<std::string>{"Early", "Open", "Pasted"}));
    EXPECT_TRUE(tree.Expanded(NodeForPath(tree, dir / "Target\\Open")));
    EXPECT_EQ(tree.Selected(), fresh);
}

TEST_F(ShellTreeChosenAndClicked, RenameFromTheMenuEditsTheMenusNodeAndLeavesTheSelection)
{
    ASSERT_TRUE(tree.InvokeVerb(clicked, "rename"));
    TypeLabel(tree, "Renamed");
    EXPECT_TRUE(ReportedErrors().empty());
    EXPECT_TRUE(DirectoryExists(dir / "Renamed"));
    EXPECT_TRUE(DirectoryExists(dir / "Chosen"));
    EXPECT_EQ(Narrow(tree.NodeLabel(clicked)), "Renamed");
    EXPECT_EQ(tree.Selected(), chosen);
}

TEST_F(ShellTreeChosenAndClicked, RightClickMakesTheNodeUnderTheMouseTheSubjectWhileTheSelectionStays)
{
    HTREEITEM subjectDuringMenu = nullptr, selectionDuringMenu = nullptr, subjectFromKey = nullptr;
    bool menuShown = false;
    PostAction([&] {
        TreeView_EnsureVisible(tree.Handle(), clicked);
        RECT r{};
        TreeView_GetItemRect(tree.Handle(), clicked, &r, TRUE);
        POINT p{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
        ClientToScreen(tree.Handle(), &p);
        PostAction([&] {
            menuShown = FindWindowW(L"#32768", nullptr) != nullptr;
            subjectDuringMenu = tree.Selected();
            selectionDuringMenu = TreeView_GetSelection(tree.Handle());
            EndMenu();
        });
        SendMessageW(tree.Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(tree.Handle()), MAKELPARAM(p.x, p.y));
        // The menu key opens the selected node's menu.
        PostAction([&] {
            subjectFromKey = tree.Selected();
            EndMenu();
        });
        SendMessageW(tree.Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(tree.Handle()), MAKELPARAM(-1, -1));
        form.Close();
    });
    form.ShowModal();
    EXPECT_TRUE(menuShown);
    EXPECT_EQ(subjectDuringMenu, clicked);
    EXPECT_EQ(selectionDuringMenu, chosen);
    EXPECT_EQ(subjectFromKey, chosen);
    EXPECT_EQ(tree.Selected(), chosen);
}

TEST_F(ShellTree, RecreatingTheControlWindowRebuildsTheTreeFromTheRoot)
{
    ShellTestFolder dir({"Deep\\", "Deep\\Er\\"});
    HTREEITEM deep = NodeForPath(tree, dir / "Deep\\Er");
    ASSERT_NE(deep, nullptr);
    tree.Select(deep);
    int nodesWithBranches = NodeCount(tree);

    tree.RecreateWnd();
    ASSERT_NE(tree.Handle(), nullptr);
    HTREEITEM root = tree.RootNode();
    EXPECT_EQ(tree.Selected(), root);
    EXPECT_TRUE(tree.Expanded(root));
    EXPECT_LT(NodeCount(tree), nodesWithBranches);
    EXPECT_EQ(TShellFolder::LiveCount() - liveBefore_, NodeCount(tree)) << "one record per node";
    EXPECT_EQ(GetWindow(form.Handle(), GW_CHILD), tree.Handle()) << "first in the tab order again";
}

TEST_F(ShellTree, ShowsTheSystemSmallIconsAndKeepsThatListWhateverIsSet)
{
    ShellTestFolder dir({"Folder\\"});
    SHFILEINFOW info{};
    auto system = reinterpret_cast<HIMAGELIST>(
        SHGetFileInfoW(L"C:\\", 0, &info, sizeof(info), SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
    EXPECT_EQ(TreeView_GetImageList(tree.Handle(), TVSIL_NORMAL), system);
    HIMAGELIST other = ImageList_Create(16, 16, ILC_COLOR32, 1, 1);
    TreeView_SetImageList(tree.Handle(), other, TVSIL_NORMAL);
    EXPECT_EQ(TreeView_GetImageList(tree.Handle(), TVSIL_NORMAL), system);
    ImageList_Destroy(other);

    // A folder shows itself open while selected.
    TVITEMW item{};
    item.mask = TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_HANDLE;
    item.hItem = NodeForPath(tree, dir / "Folder");
    ASSERT_TRUE(TreeView_GetItem(tree.Handle(), &item));
    EXPECT_NE(item.iImage, item.iSelectedImage);
    // Asked for as the node is drawn or read, they are the shell's own.
    LPCITEMIDLIST full = tree.Folders(item.hItem)->FullItemId();
    SHGetFileInfoW(reinterpret_cast<LPCWSTR>(full), 0, &info, sizeof(info),
                   SHGFI_PIDL | SHGFI_SYSICONINDEX | SHGFI_SMALLICON);
    EXPECT_EQ(item.iImage, info.iIcon);
    SHGetFileInfoW(reinterpret_cast<LPCWSTR>(full), 0, &info, sizeof(info),
                   SHGFI_PIDL | SHGFI_SYSICONINDEX | SHGFI_SMALLICON | SHGFI_OPENICON);
    EXPECT_EQ(item.iSelectedImage, info.iIcon);
}

TEST_F(ShellTree, OnAMonitorOfAnotherDensityTheIconsTakeTheSmallIconSizeThere)
{
    ShellTestFolder dir({"Folder\\"});
    HTREEITEM folder = NodeForPath(tree, dir / "Folder");
    ASSERT_NE(folder, nullptr);
    for (int percent : {125, 150, 175, 200, 100}) {
        SCOPED_TRACE(percent);
        const int dpi = SystemDpi() * percent / 100;
        RECT suggested;
        GetWindowRect(form.Handle(), &suggested);
        SendMessageW(form.Handle(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
        HIMAGELIST shown = TreeView_GetImageList(tree.Handle(), TVSIL_NORMAL);
        int width = 0, height = 0;
        ASSERT_TRUE(ImageList_GetIconSize(shown, &width, &height));
        EXPECT_EQ(width, SystemMetricForDpi(SM_CXSMICON, dpi));
        EXPECT_EQ(height, width);
        // Asked for again, from the list shown now.
        TVITEMW item{};
        item.mask = TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_HANDLE;
        item.hItem = folder;
        ASSERT_TRUE(TreeView_GetItem(tree.Handle(), &item));
        EXPECT_GE(item.iImage, 0);
        EXPECT_LT(item.iImage, ImageList_GetImageCount(shown));
        EXPECT_NE(item.iImage, item.iSelectedImage);
    }
    SHFILEINFOW info{};
    EXPECT_EQ(TreeView_GetImageList(tree.Handle(), TVSIL_NORMAL),
              reinterpret_cast<HIMAGELIST>(
                  SHGetFileInfoW(L"C:\\", 0, &info, sizeof(info), SHGFI_SYSICONINDEX | SHGFI_SMALLICON)));
}
