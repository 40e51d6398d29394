// Helpers for the shell tree tests: a scratch folder tree on drive C: that
// the shell namespace really lists, and the way down the tree to one path.
#pragma once

#include "shelltree/ShellTreeView.h"

#include <string>
#include <vector>

// C:\users\Public\AutoPeriodShellTest<pid>_<n>\ with the given folders and
// files (relative paths, Windows-1251; folders end in a backslash), removed
// with its content by the destructor. Starts the shell layer once.
class ShellTestFolder {
public:
    explicit ShellTestFolder(const std::vector<std::string>& entries);
    ShellTestFolder(const ShellTestFolder&) = delete;
    ShellTestFolder& operator=(const ShellTestFolder&) = delete;
    ~ShellTestFolder();

    // The folder's path without the ending backslash, as the shell names it.
    const std::string& Path() const { return path_; }
    std::string operator/(const std::string& relative) const { return path_ + "\\" + relative; }

private:
    std::string path_;
};

// Expands the tree from the root down to the node of `path` and gives it;
// null when the way is not in the tree.
HTREEITEM NodeForPath(TShellTreeView& tree, const std::string& path);
HTREEITEM NodeForPath(TShellTreeView& tree, const std::wstring& path);

// The labels of a node's children, in tree order.
std::vector<std::string> ChildLabels(TShellTreeView& tree, HTREEITEM node);

// Nodes in the tree (all levels).
int NodeCount(TShellTreeView& tree);

// Presses `buttonId` in the visible dialog box this thread shows; false when
// there is none.
bool AnswerDialog(int buttonId);
