#include "ShellTestSupport.h"
#include "WinTestSupport.h"

#include "shelltree/ShellFolder.h"
#include "platform/WideText.h"

#include <gtest/gtest.h>

#include <atomic>

namespace {

UniquePidl ParsePath(std::wstring wide)
{
    UniquePidl pidl;
    DesktopFolder()->ParseDisplayName(nullptr, nullptr, wide.data(), nullptr, pidl.Receive(), nullptr);
    return pidl;
}

int CountFrom(TShellTreeView& tree, HTREEITEM node)
{
    int count = 0;
    for (; node; node = TreeView_GetNextSibling(tree.Handle(), node))
        count += 1 + CountFrom(tree, TreeView_GetChild(tree.Handle(), node));
    return count;
}

BOOL CALLBACK FindDialog(HWND hwnd, LPARAM found)
{
    wchar_t cls[16] = {};
    GetClassNameW(hwnd, cls, 16);
    if (IsWindowVisible(hwnd) && lstrcmpW(cls, L"#32770") == 0) {
        *reinterpret_cast<HWND*>(found) = hwnd;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

ShellTestFolder::ShellTestFolder(const std::vector<std::string>& entries)
{
    ShellLayerStart();
    static std::atomic<int> counter{0};
    path_ = "C:\\users\\Public\\AutoPeriodShellTest" + std::to_string(GetCurrentProcessId()) + "_" +
            std::to_string(counter++);
    CreateDirectoryW(Wide(path_).c_str(), nullptr);
    for (const std::string& entry : entries) {
        std::wstring full = Wide(*this / entry);
        if (full.back() == L'\\') {
            CreateDirectoryW(full.c_str(), nullptr);
        } else {
            HANDLE file = CreateFileW(full.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
            CloseHandle(file);
        }
    }
}

ShellTestFolder::~ShellTestFolder()
{
    RemoveFolderTree(Wide(path_));
}

HTREEITEM NodeForPath(TShellTreeView& tree, const std::string& path)
{
    return NodeForPath(tree, Wide(path));
}

HTREEITEM NodeForPath(TShellTreeView& tree, const std::wstring& path)
{
    UniquePidl target = ParsePath(path);
    if (!target)
        return nullptr;
    HTREEITEM node = tree.RootNode();
    while (node) {
        if (ILIsEqual(tree.Folders(node)->FullItemId(), target.Get()))
            return node;
        tree.Expand(node);
        HTREEITEM next = nullptr;
        for (HTREEITEM child : tree.ChildNodes(node)) {
            LPCITEMIDLIST full = tree.Folders(child)->FullItemId();
            if (ILIsEqual(full, target.Get()) || ILIsParent(full, target.Get(), FALSE)) {
                next = child;
                break;
            }
        }
        node = next;
    }
    return nullptr;
}

std::vector<std::string> ChildLabels(TShellTreeView& tree, HTREEITEM node)
{
    std::vector<std::string> labels;
    for (HTREEITEM child : tree.ChildNodes(node))
        labels.push_back(Narrow(tree.NodeLabel(child)));
    return labels;
}

int NodeCount(TShellTreeView& tree)
{
    return CountFrom(tree, tree.RootNode());
}

bool AnswerDialog(int buttonId)
{
    HWND dialog = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), &FindDialog, reinterpret_cast<LPARAM>(&dialog));
    if (!dialog)
        return false;
    if (HWND button = GetDlgItem(dialog, buttonId))
        SendMessageW(button, BM_CLICK, 0, 0);
    else
        PostMessageW(dialog, WM_COMMAND, buttonId, 0);
    return true;
}

namespace {
// The desktop record goes before the test program uninitialises OLE.
class ShellLayerEnvironment : public testing::Environment {
public:
    void TearDown() override { ShellLayerStop(); }
};
testing::Environment* const shellLayerEnvironment = testing::AddGlobalTestEnvironment(new ShellLayerEnvironment);
}  // namespace
