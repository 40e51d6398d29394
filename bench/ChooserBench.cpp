// Opening a big branch in the folder chooser: the chooser's tree expands a
// folder of 1 000 and one of 10 000 subfolders until the tree has painted
// it, beside a bare program's shell calls for the same folder (enumerate,
// the in-folder names, a sort by the folder's CompareIDs, the small icons of
// the rows in view),
// in turn, several times; medians compared. The tree must cost little more
// than those calls, and each subfolder no more at 10 000 than at 1 000.
//
//   ChooserBench.exe [--results FILE] [--sizes 1000,10000] [--runs 5]
#include "BenchSupport.h"

#include "shelltree/ItemIdList.h"
#include "forms/SelectDirectoryUnit.h"
#include "shelltree/ShellFolder.h"
#include "ui/Application.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

constexpr double kMaxOverBare = 1.5;
constexpr double kMaxGrowth = 1.2;

// C:\users\Public\AutoPeriodChooserBench<pid>\ with one folder of `count`
// subfolders per size; removed at the end.
class BranchFolders {
public:
    explicit BranchFolders(const std::vector<size_t>& sizes)
    {
        root_ = L"C:\\users\\Public\\AutoPeriodChooserBench" + std::to_wstring(GetCurrentProcessId());
        CreateDirectoryW(root_.c_str(), nullptr);
        for (size_t n : sizes) {
            std::wstring branch = Branch(n);
            CreateDirectoryW(branch.c_str(), nullptr);
            for (size_t i = 0; i < n; ++i)
                CreateDirectoryW((branch + L"\\" + Child(i)).c_str(), nullptr);
            sizes_.push_back(n);
        }
    }
    BranchFolders(const BranchFolders&) = delete;
    BranchFolders& operator=(const BranchFolders&) = delete;
    ~BranchFolders()
    {
        for (size_t n : sizes_) {
            for (size_t i = 0; i < n; ++i)
                RemoveDirectoryW((Branch(n) + L"\\" + Child(i)).c_str());
            RemoveDirectoryW(Branch(n).c_str());
        }
        RemoveDirectoryW(root_.c_str());
    }
    std::wstring Branch(size_t n) const { return root_ + L"\\Branch" + std::to_wstring(n); }

private:
    // Names of mixed shapes, so that the folder's comparison has work to do.
    static std::wstring Child(size_t i)
    {
        static const wchar_t* const kStems[] = {L"Base", L"trade", L"Salary", L"archive", L"Stock"};
        return std::wstring(kStems[(i * 7) % 5]) + L" " + std::to_wstring((i * 7919) % 100003);
    }
    std::wstring root_;
    std::vector<size_t> sizes_;
};

UniquePidl ParsePath(const std::wstring& path)
{
    UniquePidl pidl;
    std::wstring text = path;
    DesktopFolder()->ParseDisplayName(nullptr, nullptr, text.data(), nullptr, pidl.Receive(), nullptr);
    if (!pidl)
        throw std::runtime_error("the shell does not know the bench folder");
    return pidl;
}

// Expands the tree from the root down to the node of `target`.
HTREEITEM NodeFor(TShellTreeView& tree, LPCITEMIDLIST target)
{
    HTREEITEM node = tree.RootNode();
    while (node) {
        if (ILIsEqual(tree.Folders(node)->FullItemId(), target))
            return node;
        tree.Expand(node);
        HTREEITEM next = nullptr;
        for (HTREEITEM child : tree.ChildNodes(node)) {
            LPCITEMIDLIST full = tree.Folders(child)->FullItemId();
            if (ILIsEqual(full, target) || ILIsParent(full, target, FALSE)) {
                next = child;
                break;
            }
        }
        node = next;
    }
    throw std::runtime_error("the bench folder is not in the tree");
}

// The chooser's tree: the branch closed and emptied, then opened and painted.
double TimeTreeOpen(TShellTreeView& tree, HTREEITEM node)
{
    TreeView_Expand(tree.Handle(), node, TVE_COLLAPSE | TVE_COLLAPSERESET);
    TVITEMW item{};
    item.mask = TVIF_CHILDREN | TVIF_HANDLE;
    item.hItem = node;
    item.cChildren = 1;
    TreeView_SetItem(tree.Handle(), &item);
    TreeView_SelectSetFirstVisible(tree.Handle(), node);
    UpdateWindow(tree.Handle());
    double start = Now();
    tree.Expand(node);
    UpdateWindow(tree.Handle());
    double elapsed = Now() - start;
    if (tree.ChildNodes(node).empty())
        throw std::runtime_error("the tree opened the branch empty");
    return elapsed;
}

struct BareItem {
    UniquePidl id;
    std::wstring name;
    int icon = 0;
};

struct BareParts {
    double enumerate = 0, names = 0, sort = 0, icons = 0;
};

// What any program that shows the branch has to ask the shell: every item
// and its name, the folder's order, and the small icons of the rows in view.
// (Under Wine one icon look-up costs more the more items share its folder:
// about 1 ms at 100, 3 ms at 1 000 and 6.5 ms at 3 000, so icons for every
// item would make the bare program quadratic.)
double TimeBareCalls(IShellFolder* folder, LPCITEMIDLIST folderId, size_t expected, size_t rowsInView, BareParts& parts)
{
    double start = Now();
    std::vector<BareItem> items;
    ComPtr<IEnumIDList> list;
    if (folder->EnumObjects(nullptr, SHCONTF_FOLDERS, list.Receive()) != S_OK || !list)
        throw std::runtime_error("cannot enumerate the bench folder");
    for (;;) {
        BareItem item;
        double t0 = Now();
        if (list->Next(1, item.id.Receive(), nullptr) != S_OK || !item.id)
            break;
        double t1 = Now();
        STRRET name{};
        if (SUCCEEDED(folder->GetDisplayNameOf(item.id.Get(), SHGDN_INFOLDER, &name)) && name.uType == STRRET_WSTR) {
            item.name = name.pOleStr;
            CoTaskMemFree(name.pOleStr);
        }
        items.push_back(std::move(item));
        parts.enumerate += t1 - t0;
        parts.names += Now() - t1;
    }
    double sortStart = Now();
    std::sort(items.begin(), items.end(), [folder](const BareItem& a, const BareItem& b) {
        return static_cast<short>(HRESULT_CODE(folder->CompareIDs(0, a.id.Get(), b.id.Get()))) < 0;
    });
    double iconStart = Now();
    parts.sort += iconStart - sortStart;
    for (size_t i = 0; i < items.size() && i < rowsInView; ++i) {
        UniquePidl full = JoinPidls(folderId, items[i].id.Get());
        SHFILEINFOW info{};
        SHGetFileInfoW(reinterpret_cast<LPCWSTR>(full.Get()), 0, &info, sizeof(info),
                       SHGFI_PIDL | SHGFI_SYSICONINDEX | SHGFI_SMALLICON);
        items[i].icon = info.iIcon;
    }
    double elapsed = Now() - start;
    parts.icons += Now() - iconStart;
    if (items.size() != expected)
        throw std::runtime_error("the bare enumeration found " + std::to_string(items.size()) + " items");
    return elapsed;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    std::wstring resultsPath;
    std::vector<size_t> sizes = {1000, 10'000};
    int runs = 5;
    for (int i = 1; i + 1 < argc; ++i) {
        std::wstring arg = argv[i];
        if (arg == L"--results")
            resultsPath = argv[++i];
        else if (arg == L"--sizes")
            sizes = ParseCounts(argv[++i]);
        else if (arg == L"--runs")
            runs = std::stoi(argv[++i]);
    }

    OleInitialize(nullptr);
    int code = 0;
    try {
        Report report(resultsPath, true);
        TShellLayer shellLayer;
        TApplication application;
        Application = &application;
        application.Initialize();
        BranchFolders folders(sizes);
        {
            TScopedForm<TSelectDirectoryForm> form;
            form.Create();
            form.Show();
            TShellTreeView& tree = form.MainShellTreeView;

            struct Branch {
                size_t size;
                UniquePidl id;
                ComPtr<IShellFolder> folder;
                HTREEITEM node;
                std::vector<double> tree, bare;
                BareParts parts;
            };
            std::vector<Branch> branches;
            for (size_t n : sizes) {
                Branch b{n, ParsePath(folders.Branch(n)), {}, nullptr, {}, {}, {}};
                b.folder = BindItemFolder(DesktopFolder().Get(), b.id.Get());
                b.node = NodeFor(tree, b.id.Get());
                branches.push_back(std::move(b));
            }
            size_t rowsInView = TreeView_GetVisibleCount(tree.Handle());
            // One untimed turn of each: the icons come into the system list.
            for (Branch& b : branches) {
                TimeTreeOpen(tree, b.node);
                TimeBareCalls(b.folder.Get(), b.id.Get(), b.size, rowsInView, b.parts);
                b.parts = {};
            }
            for (int run = 0; run < runs; ++run)
                for (Branch& b : branches) {
                    b.tree.push_back(TimeTreeOpen(tree, b.node) * 1000);
                    b.bare.push_back(TimeBareCalls(b.folder.Get(), b.id.Get(), b.size, rowsInView, b.parts) * 1000);
                    for (MSG msg; PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE) && msg.message != WM_QUIT;)
                        application.ProcessOneMessage();
                }

            report.Blank();
            report.Line(
                "Folder chooser: a branch of N subfolders opened in the tree until painted, beside a bare "
                "program's enumeration, names, CompareIDs sort and icons of the %zu rows in view; medians of %d "
                "runs (ms)",
                rowsInView, runs);
            report.Line("   subfolders |   tree   bare  ratio | tree per subfolder (us)");
            for (const Branch& b : branches)
                report.Line("%13s | %6.1f %6.1f %5.2fx | %6.1f", Grouped(b.size).c_str(), Median(b.tree),
                            Median(b.bare), Median(b.tree) / Median(b.bare), Median(b.tree) * 1000 / b.size);
            report.Line("   the bare calls' share, means (ms): enumerate | names | sort | icons");
            for (const Branch& b : branches)
                report.Line("%13s | %6.1f %6.1f %6.1f %6.1f", Grouped(b.size).c_str(), b.parts.enumerate * 1000 / runs,
                            b.parts.names * 1000 / runs, b.parts.sort * 1000 / runs, b.parts.icons * 1000 / runs);
            if (branches.size() >= 2) {
                const Branch& small = branches.front();
                const Branch& big = branches.back();
                double ratio = Median(big.tree) / Median(big.bare);
                double growth = (Median(big.tree) / big.size) / (Median(small.tree) / small.size);
                report.Line("Goal 7  chooser: %s subfolders opened in %.0f ms, %.2fx the bare shell calls' %.0f ms "
                            "(goal <= %.1fx); per subfolder %.2fx that at %s (goal <= %.1fx)   %s",
                            Grouped(big.size).c_str(), Median(big.tree), ratio, Median(big.bare), kMaxOverBare, growth,
                            Grouped(small.size).c_str(), kMaxGrowth,
                            Verdict(ratio <= kMaxOverBare && growth <= kMaxGrowth));
            }
            form.Hide();
            form.Destroy();
        }
        application.DestroyForms();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "ChooserBench: %s\n", e.what());
        code = 2;
    }
    Application = nullptr;
    OleUninitialize();
    return code;
}
