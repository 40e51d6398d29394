#include "shelltree/ShellTreeView.h"

#include "shelltree/ItemIdList.h"
#include "shelltree/ShellFolder.h"
#include "platform/Dpi.h"
#include "platform/WideText.h"
#include "runtime/ScopeGuard.h"
#include "ui/Application.h"
#include "ui/Form.h"
#include "ui/Window.h"

#include <commoncontrols.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace {

// Expand, collapse or toggle, without the modifier bits (not in MinGW's headers).
constexpr UINT kExpandActionMask = 0x0003;

DWORD EnumFlags(unsigned objectTypes)
{
    DWORD flags = 0;
    if (objectTypes & otFolders)
        flags |= SHCONTF_FOLDERS;
    if (objectTypes & otNonFolders)
        flags |= SHCONTF_NONFOLDERS;
    if (objectTypes & otHidden)
        flags |= SHCONTF_INCLUDEHIDDEN;
    return flags;
}

// Children sort in their folder's own order: CompareIDs on column 0, whose
// low word, read as a signed number, is the verdict.
int CALLBACK CompareChildren(LPARAM first, LPARAM second, LPARAM parentFolder)
{
    auto* folder = reinterpret_cast<IShellFolder*>(parentFolder);
    auto* a = reinterpret_cast<TShellFolder*>(first);
    auto* b = reinterpret_cast<TShellFolder*>(second);
    if (!a || !b)
        return 0;
    HRESULT hr = folder->CompareIDs(0, a->ItemId(), b->ItemId());
    return static_cast<short>(HRESULT_CODE(hr));
}

// One of the system's icon lists, shared by every program and never freed,
// with the size of its icons.
struct SystemIcons {
    HIMAGELIST List = nullptr;
    int Size = 0;
};

// The system's lists, smallest icons first: the small icons at the system's
// density, and from Vista on (SHGetImageList is exported by name from then)
// the large and extra large. Every list numbers the icons alike. Measured
// under Wine: 16, 32 and 48 pixels at 96 dpi, 20, 40 and 60 at 120, always
// in proportion to the system's density.
std::vector<SystemIcons> SystemIconLists()
{
    SHFILEINFOW info{};
    SystemIcons small{reinterpret_cast<HIMAGELIST>(
        SHGetFileInfoW(L"C:\\", 0, &info, sizeof(info), SHGFI_SYSICONINDEX | SHGFI_SMALLICON))};
    int height = 0;
    ImageList_GetIconSize(small.List, &small.Size, &height);
    std::vector<SystemIcons> lists{small};
    using GetImageListFn = HRESULT(WINAPI*)(int, REFIID, void**);
    static const auto getImageList = SystemFunction<GetImageListFn>(L"shell32.dll", "SHGetImageList");
    for (int kind : {SHIL_LARGE, SHIL_EXTRALARGE}) {
        ComPtr<IImageList> list;
        SystemIcons icons;
        if (getImageList && SUCCEEDED(getImageList(kind, __uuidof(IImageList), list.ReceiveVoid())) && list &&
            SUCCEEDED(list->GetIconSize(&icons.Size, &height))) {
            icons.List = reinterpret_cast<HIMAGELIST>(list.Get());
            lists.push_back(icons);
        }
    }
    std::sort(lists.begin(), lists.end(), [](const SystemIcons& a, const SystemIcons& b) { return a.Size < b.Size; });
    return lists;
}

int IconIndex(LPCITEMIDLIST fullId, UINT extraFlags)
{
    SHFILEINFOW info{};
    SHGetFileInfoW(reinterpret_cast<LPCWSTR>(fullId), 0, &info, sizeof(info),
                   SHGFI_PIDL | SHGFI_SYSICONINDEX | SHGFI_SMALLICON | extraFlags);
    return info.iIcon;
}

}  // namespace

TShellTreeView::UpdateLock::UpdateLock(TShellTreeView& tree)
    : tree_(tree), cursor_(SetCursor(LoadCursorW(nullptr, IDC_WAIT)))
{
    if (tree_.updateCount_++ == 0 && tree_.Handle())
        SendMessageW(tree_.Handle(), WM_SETREDRAW, FALSE, 0);
}

TShellTreeView::UpdateLock::~UpdateLock()
{
    if (--tree_.updateCount_ == 0 && tree_.Handle()) {
        SendMessageW(tree_.Handle(), WM_SETREDRAW, TRUE, 0);
        InvalidateRect(tree_.Handle(), nullptr, TRUE);
    }
    SetCursor(cursor_);
}

TShellTreeView::TShellTreeView(std::string name, TBounds bounds, unsigned anchors)
    : TControl(std::move(name), bounds, anchors)
{}

HWND TShellTreeView::CreateHandle(HWND parent, int id, const TBounds& b)
{
    // No lines at the root level, label editing on, no dragging, the
    // selection highlight hidden while the tree has no focus.
    DWORD style = WS_TABSTOP | TVS_HASBUTTONS | TVS_HASLINES | TVS_EDITLABELS | TVS_DISABLEDRAGDROP;
    return CreateChildWindow(WS_EX_CLIENTEDGE, WC_TREEVIEWW, Wide(AccessibleName).c_str(), style, parent, id, b);
}

void TShellTreeView::HandleCreated()
{
    treeSubclass_.Attach<TShellTreeView, &TShellTreeView::HandleTreeMessage>(Handle(), this);
    ApplyScale();
    if (loaded_ && !building_)
        BuildTree();
}

void TShellTreeView::ChangeScale(int, int)
{
    if (Handle())
        ApplyScale();
}

void TShellTreeView::ApplyScale()
{
    SendMessageW(Handle(), TVM_SETINDENT, Form()->Scaled(Indent), 0);
    // The small icon's size at the form's density. A window on a monitor of
    // another density than the system's finds no system list of that size
    // between 100 % and 200 % (16 and 32 pixels at a system of 96 dpi): the
    // icons are then scaled into a list of its own, down from the next
    // larger system list, one as it is first shown.
    const int size = SystemMetricForDpi(SM_CXSMICON, Form()->Dpi());
    const std::vector<SystemIcons> lists = SystemIconLists();
    auto fit = std::find_if(lists.begin(), lists.end(), [size](const SystemIcons& l) { return l.Size >= size; });
    const SystemIcons& source = fit != lists.end() ? *fit : lists.back();
    // The old list goes once the tree holds the new one.
    UniqueImageList old = std::move(scaled_);
    scaledIndex_.clear();
    images_ = source.List;
    if (source.Size != size) {
        scaled_.Reset(ImageList_Create(size, size, ILC_COLOR32 | ILC_MASK, 16, 16));
        scaledSource_ = source.List;
        images_ = scaled_.Get();
        // The overlay a shared folder shows (image 1 of the overlays).
        // An image list of version 6 is its IImageList.
        int shared = -1;
        if (SUCCEEDED(reinterpret_cast<IImageList*>(source.List)->GetOverlayImage(1, &shared)) && shared >= 0)
            ImageList_SetOverlayImage(images_, ShownIcon(shared), 1);
    }
    SendMessageW(Handle(), TVM_SETIMAGELIST, TVSIL_NORMAL, reinterpret_cast<LPARAM>(images_));
    // The nodes keep the icons they were given (TVIF_DI_SETITEM): numbers in
    // the list they were drawn from, to be asked for again.
    std::vector<HTREEITEM> nodes{TreeView_GetRoot(Handle())};
    while (!nodes.empty()) {
        HTREEITEM node = nodes.back();
        nodes.pop_back();
        if (!node)
            continue;
        TVITEMW item{};
        item.mask = TVIF_HANDLE | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
        item.hItem = node;
        item.iImage = item.iSelectedImage = I_IMAGECALLBACK;
        TreeView_SetItem(Handle(), &item);
        nodes.push_back(TreeView_GetNextSibling(Handle(), node));
        nodes.push_back(TreeView_GetChild(Handle(), node));
    }
}

int TShellTreeView::ShownIcon(int systemIndex)
{
    if (!scaled_ || systemIndex < 0)
        return systemIndex;
    if (size_t(systemIndex) >= scaledIndex_.size())
        scaledIndex_.resize(size_t(systemIndex) + 1, -1);
    int& shown = scaledIndex_[size_t(systemIndex)];
    if (shown < 0) {
        int size = 0, height = 0;
        ImageList_GetIconSize(scaled_.Get(), &size, &height);
        // CopyImage stretches the icon to the size asked for; the list would
        // take it at the size it has.
        UniqueIcon icon(ImageList_GetIcon(scaledSource_, systemIndex, ILD_NORMAL));
        UniqueIcon sized(icon ? static_cast<HICON>(CopyImage(icon.Get(), IMAGE_ICON, size, size, 0)) : nullptr);
        shown = sized ? ImageList_ReplaceIcon(scaled_.Get(), -1, sized.Get()) : -1;
    }
    return shown;
}

void TShellTreeView::Loaded()
{
    loaded_ = true;
    // Loaded runs outside the form's guarded creation handler: report here.
    GuardedCall([this] { BuildTree(); });
}

void TShellTreeView::RecreateWnd()
{
    TForm* form = Form();
    if (!form || !Handle())
        return;
    HWND previous = GetWindow(Handle(), GW_HWNDPREV);
    RECT r;
    GetWindowRect(Handle(), &r);
    MapWindowPoints(nullptr, GetParent(Handle()), reinterpret_cast<POINT*>(&r), 2);
    int id = ControlId();
    DestroyWindowHandle();
    CreateWindowFor(*form, id);
    // Back to the same place in the tab order and to the current bounds.
    SetWindowPos(Handle(), previous ? previous : HWND_TOP, r.left, r.top, r.right - r.left, r.bottom - r.top,
                 SWP_NOACTIVATE);
}

LRESULT TShellTreeView::HandleTreeMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CONTEXTMENU: ContextMenuAt(lParam); return 0;
    case WM_DRAWITEM:
    case WM_MEASUREITEM:
    case WM_INITMENUPOPUP:
    case WM_MENUCHAR:
        // The shell draws its own submenus ("Send to", "Open with").
        if (menu2_) {
            menu2_->HandleMenuMsg(message, wParam, lParam);
            return 0;
        }
        break;
    case TVM_SETIMAGELIST:
        if (wParam == TVSIL_NORMAL && images_)
            lParam = reinterpret_cast<LPARAM>(images_);
        break;
    case WM_PAINT:
    case WM_PRINTCLIENT: {
        // Icons are looked up as nodes are drawn (NodeIcons).
        bool wasPainting = painting_;
        painting_ = true;
        ScopeGuard done([this, wasPainting] { painting_ = wasPainting; });
        return treeSubclass_.CallPrevious(hwnd, message, wParam, lParam);
    }
    case WM_DESTROY:
        // The form no longer routes this window's notifications: free the
        // records before the control deletes its nodes.
        FreeAllRecords();
        break;
    }
    return treeSubclass_.CallPrevious(hwnd, message, wParam, lParam);
}

bool TShellTreeView::OnNotify(NMHDR* header, LRESULT& result)
{
    switch (header->code) {
    case TVN_ITEMEXPANDINGW: {
        auto* info = reinterpret_cast<NMTREEVIEWW*>(header);
        if ((info->action & kExpandActionMask) == TVE_EXPAND)
            ItemExpanding(info->itemNew.hItem);
        result = FALSE;
        return true;
    }
    case TVN_DELETEITEMW: {
        auto* info = reinterpret_cast<NMTREEVIEWW*>(header);
        delete reinterpret_cast<TShellFolder*>(info->itemOld.lParam);
        if (info->itemOld.hItem == subject_)
            subject_ = nullptr;
        result = 0;
        return true;
    }
    case TVN_GETDISPINFOW:
        NodeIcons(reinterpret_cast<NMTVDISPINFOW*>(header)->item);
        result = 0;
        return true;
    case TVN_BEGINLABELEDITW: result = FALSE; return true;
    case TVN_ENDLABELEDITW:
        result = EndLabelEdit(*reinterpret_cast<NMTVDISPINFOW*>(header)) ? TRUE : FALSE;
        return true;
    }
    return false;
}

HTREEITEM TShellTreeView::Selected() const
{
    if (menuActive_)
        return subject_;
    return Handle() ? TreeView_GetSelection(Handle()) : nullptr;
}

void TShellTreeView::Select(HTREEITEM node)
{
    TreeView_SelectItem(Handle(), node);
}

std::wstring TShellTreeView::SelectedPath() const
{
    HTREEITEM node = Selected();
    TShellFolder* record = node ? Folders(node) : nullptr;
    return record ? record->ParsingName() : std::wstring();
}

TShellFolder* TShellTreeView::Folders(HTREEITEM node) const
{
    if (!node || !Handle())
        return nullptr;
    TVITEMW item{};
    item.mask = TVIF_PARAM | TVIF_HANDLE;
    item.hItem = node;
    if (!TreeView_GetItem(Handle(), &item))
        return nullptr;
    return reinterpret_cast<TShellFolder*>(item.lParam);
}

HTREEITEM TShellTreeView::RootNode() const
{
    return Handle() ? TreeView_GetRoot(Handle()) : nullptr;
}

std::vector<HTREEITEM> TShellTreeView::ChildNodes(HTREEITEM node) const
{
    std::vector<HTREEITEM> children;
    for (HTREEITEM child = TreeView_GetChild(Handle(), node); child; child = TreeView_GetNextSibling(Handle(), child))
        children.push_back(child);
    return children;
}

HTREEITEM TShellTreeView::ParentNode(HTREEITEM node) const
{
    return TreeView_GetParent(Handle(), node);
}

std::wstring TShellTreeView::NodeLabel(HTREEITEM node) const
{
    wchar_t text[MAX_PATH + 1] = {};
    TVITEMW item{};
    item.mask = TVIF_TEXT | TVIF_HANDLE;
    item.hItem = node;
    item.pszText = text;
    item.cchTextMax = MAX_PATH;
    TreeView_GetItem(Handle(), &item);
    return item.pszText ? item.pszText : L"";
}

bool TShellTreeView::HasExpandMark(HTREEITEM node) const
{
    TVITEMW item{};
    item.mask = TVIF_CHILDREN | TVIF_HANDLE;
    item.hItem = node;
    TreeView_GetItem(Handle(), &item);
    return item.cChildren != 0;
}

bool TShellTreeView::Expanded(HTREEITEM node) const
{
    return (TreeView_GetItemState(Handle(), node, TVIS_EXPANDED) & TVIS_EXPANDED) != 0;
}

void TShellTreeView::Expand(HTREEITEM node)
{
    TreeView_Expand(Handle(), node, TVE_EXPAND);
}

void TShellTreeView::BuildTree()
{
    if (!Handle() || building_)
        return;
    building_ = true;
    ScopeGuard done([this] { building_ = false; });

    UniquePidl rootId;
    SHGetSpecialFolderLocation(nullptr, CSIDL_DESKTOP, rootId.Receive());
    ComPtr<IShellFolder> desktop = DesktopFolder();
    ComPtr<IShellFolder> rootFolder = BindItemFolder(desktop.Get(), rootId.Get());
    if (!rootFolder)
        rootFolder = desktop;

    ClearTree();
    auto record = std::make_unique<TShellFolder>(nullptr, rootId.Get(), rootFolder);
    std::wstring label = DisplayNameOf(desktop.Get(), record->FullItemId(), SHGDN_NORMAL);
    bool expandMark = (record->Attributes(SFGAO_HASSUBFOLDER) & SFGAO_HASSUBFOLDER) != 0;
    HTREEITEM root = InsertNode(TVI_ROOT, TVI_LAST, record.release(), label, expandMark);
    if (!root)
        return;  // the record went with the refused node
    Expand(root);
    Select(root);
}

void TShellTreeView::FreeAllRecords()
{
    HWND hwnd = Handle();
    if (!hwnd)
        return;
    // Depth first over every node that exists.
    std::vector<HTREEITEM> pending;
    for (HTREEITEM node = TreeView_GetRoot(hwnd); node; node = TreeView_GetNextSibling(hwnd, node))
        pending.push_back(node);
    while (!pending.empty()) {
        HTREEITEM node = pending.back();
        pending.pop_back();
        for (HTREEITEM child = TreeView_GetChild(hwnd, node); child; child = TreeView_GetNextSibling(hwnd, child))
            pending.push_back(child);
        TVITEMW item{};
        item.mask = TVIF_PARAM | TVIF_HANDLE;
        item.hItem = node;
        if (TreeView_GetItem(hwnd, &item) && item.lParam) {
            delete reinterpret_cast<TShellFolder*>(item.lParam);
            item.lParam = 0;
            TreeView_SetItem(hwnd, &item);
        }
    }
}

void TShellTreeView::ClearTree()
{
    FreeAllRecords();
    TreeView_DeleteAllItems(Handle());
}

HTREEITEM TShellTreeView::InsertNode(HTREEITEM parent, HTREEITEM after, TShellFolder* record, const std::wstring& label,
                                     bool expandMark)
{
    std::unique_ptr<TShellFolder> owned(record);
    TVINSERTSTRUCTW insert{};
    insert.hParent = parent;
    insert.hInsertAfter = after;
    insert.item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_CHILDREN | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
    insert.item.pszText = const_cast<wchar_t*>(label.c_str());
    // The icons are asked for when the node is first drawn (NodeIcons):
    // the shell's icon look-up is the dearest call per item, and most
    // nodes of a big branch are never on the screen.
    insert.item.iImage = I_IMAGECALLBACK;
    insert.item.iSelectedImage = I_IMAGECALLBACK;
    insert.item.lParam = reinterpret_cast<LPARAM>(record);
    insert.item.cChildren = expandMark ? 1 : 0;
    HTREEITEM node = TreeView_InsertItem(Handle(), &insert);
    if (node)
        owned.release();  // the node owns it now; TVN_DELETEITEM frees it
    return node;
}

HTREEITEM TShellTreeView::AddChildNode(HTREEITEM parent, LPCITEMIDLIST id)
{
    auto record = std::make_unique<TShellFolder>(Folders(parent), id, TShellFolder::BindLater{});
    TShellFolder* raw = record.get();
    std::wstring label = raw->ItemCaption();
    ULONG attributes = raw->Attributes(SFGAO_HASSUBFOLDER | SFGAO_DISPLAYATTRMASK);
    HTREEITEM node = InsertNode(parent, TVI_LAST, record.release(), label, (attributes & SFGAO_HASSUBFOLDER) != 0);
    if (!node)
        return nullptr;
    if (attributes & SFGAO_SHARE)
        TreeView_SetItemState(Handle(), node, INDEXTOOVERLAYMASK(1), TVIS_OVERLAYMASK);
    return node;
}

void TShellTreeView::NodeIcons(TVITEMW& item)
{
    UINT asked = item.mask & (TVIF_IMAGE | TVIF_SELECTEDIMAGE);
    TShellFolder* record = Folders(item.hItem);
    item.iImage = item.iSelectedImage = I_IMAGECALLBACK;
    if (!asked || !record)
        return;
    // A node is drawn with its open icon only while selected: for the others
    // that icon waits until they are (an explicit TVM_GETITEM gets both).
    if (painting_ && !(TreeView_GetItemState(Handle(), item.hItem, TVIS_SELECTED) & TVIS_SELECTED))
        asked &= ~TVIF_SELECTEDIMAGE;
    int normal = -1;
    auto normalIcon = [&] { return normal >= 0 ? normal : (normal = IconIndex(record->FullItemId(), 0)); };
    if (asked & TVIF_IMAGE)
        item.iImage = ShownIcon(normalIcon());
    if (asked & TVIF_SELECTEDIMAGE) {
        int open = IconIndex(record->FullItemId(), SHGFI_OPENICON);
        item.iSelectedImage = ShownIcon(open == 0 ? normalIcon() : open);
    }
    item.mask = (item.mask & ~(TVIF_IMAGE | TVIF_SELECTEDIMAGE)) | asked | TVIF_DI_SETITEM;
}

void TShellTreeView::SetExpandMark(HTREEITEM node, bool mark)
{
    TVITEMW item{};
    item.mask = TVIF_CHILDREN | TVIF_HANDLE;
    item.hItem = node;
    item.cChildren = mark ? 1 : 0;
    TreeView_SetItem(Handle(), &item);
}

void TShellTreeView::SetNodeText(HTREEITEM node, const std::wstring& text)
{
    TVITEMW item{};
    item.mask = TVIF_TEXT | TVIF_HANDLE;
    item.hItem = node;
    item.pszText = const_cast<wchar_t*>(text.c_str());
    TreeView_SetItem(Handle(), &item);
}

void TShellTreeView::FillChildren(HTREEITEM node)
{
    UpdateLock lock(*this);
    TShellFolder* record = Folders(node);
    if (!record || !record->ItemFolder())
        return;
    ComPtr<IEnumIDList> items;
    // Messages the shell shows while enumerating (a drive without a disk)
    // belong to the application window.
    HWND owner = Application ? Application->Handle() : nullptr;
    if (record->ItemFolder()->EnumObjects(owner, EnumFlags(ObjectTypes), items.Receive()) != S_OK || !items)
        return;
    for (;;) {
        UniquePidl id;
        if (items->Next(1, id.Receive(), nullptr) != S_OK || !id)
            break;
        AddChildNode(node, id.Get());
    }
    TVSORTCB sort{};
    sort.hParent = node;
    sort.lpfnCompare = &CompareChildren;
    sort.lParam = reinterpret_cast<LPARAM>(record->ItemFolder());
    TreeView_SortChildrenCB(Handle(), &sort, FALSE);
}

void TShellTreeView::ItemExpanding(HTREEITEM node)
{
    TShellFolder* record = Folders(node);
    if (!record)
        return;
    if (record->Attributes(SFGAO_FOLDER) & SFGAO_FOLDER) {
        if (HasExpandMark(node) && !TreeView_GetChild(Handle(), node))
            FillChildren(node);
    } else {
        LaunchItem(*record);
    }
    SetExpandMark(node, TreeView_GetChild(Handle(), node) != nullptr);
}

void TShellTreeView::LaunchItem(const TShellFolder& record)
{
    std::wstring file = record.ParsingName();
    size_t cut = file.find_last_of(L"\\:");
    std::wstring folder = cut == std::wstring::npos ? std::wstring() : file.substr(0, cut + 1);
    ShellExecuteW(Handle(), nullptr, file.c_str(), nullptr, folder.empty() ? nullptr : folder.c_str(), SW_HIDE);
}

bool TShellTreeView::EndLabelEdit(const NMTVDISPINFOW& info)
{
    if (!info.item.pszText)
        return false;  // cancelled
    HTREEITEM node = info.item.hItem;
    TShellFolder* record = Folders(node);
    if (!record || !(record->Attributes(SFGAO_CANRENAME) & SFGAO_CANRENAME))
        return false;
    std::wstring newName = info.item.pszText;
    record->Rename(newName);
    SetNodeText(node, newName);
    DiscardChildren(node);
    return false;  // the label is set already
}

void TShellTreeView::DiscardChildren(HTREEITEM node)
{
    // The children's identifiers carry the old name: drop them, and let the
    // next expansion enumerate the renamed folder afresh.
    if (TreeView_GetChild(Handle(), node))
        TreeView_Expand(Handle(), node, TVE_COLLAPSE | TVE_COLLAPSERESET);
    TShellFolder* record = Folders(node);
    SetExpandMark(node, record && (record->Attributes(SFGAO_HASSUBFOLDER) & SFGAO_HASSUBFOLDER));
}
