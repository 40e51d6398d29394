// The folder chooser window: its design, and the outcome it hands back
// through SelectedDirectory and DirectorySelected.
#include "GridTestSupport.h"
#include "ShellTestSupport.h"
#include "WinTestSupport.h"

#include "forms/SelectDirectoryUnit.h"
#include "shelltree/ShellFolder.h"
#include "platform/WideText.h"
#include "ui/StdControls.h"

#include <gtest/gtest.h>

namespace {

// Shows the form modally and runs `keys` in it; whether it was still open
// once they had been handled. Closes it then.
bool StaysOpenThrough(TForm& form, const std::function<void()>& keys)
{
    bool stillOpen = false;
    PostAction([&] {
        keys();
        PostAction([&] {
            stillOpen = form.Visible();
            form.Close();
        });
    });
    form.ShowModal();
    return stillOpen;
}

class SelectDirectoryFormTest : public testing::Test {
protected:
    void SetUp() override
    {
        TestApplication();
        ShellLayerStart();
        SelectedDirectory = "D:\\Earlier";
        DirectorySelected = false;
    }

    // Created by each test once its scratch folders exist.
    TScopedForm<TSelectDirectoryForm> form;
};

}  // namespace

TEST_F(SelectDirectoryFormTest, HasTheDesignedCaptionFrameAndControls)
{
    form.Create();
    EXPECT_EQ(form.Caption(), "Выберите директорию информационной базы 1С");
    EXPECT_EQ(ClientSize(form.Handle()), (SIZE{424, 326}));
    EXPECT_EQ(FrameStyles(form.Handle()), WS_SYSMENU);
    EXPECT_EQ(BoundsInParent(form.MainShellTreeView.Handle()), RectOfSize(3, 4, 416, 288));
    EXPECT_EQ(BoundsInParent(form.SelectDirectoryButton.Handle()), RectOfSize(4, 298, 120, 25));
    EXPECT_EQ(BoundsInParent(form.CancelButton.Handle()), RectOfSize(300, 298, 120, 25));
    EXPECT_EQ(WindowText(form.SelectDirectoryButton.Handle()), "Выбрать каталог");
    EXPECT_EQ(WindowText(form.CancelButton.Handle()), "Отмена");
    // Tab order: tree, choose, cancel.
    EXPECT_EQ(GetNextDlgTabItem(form.Handle(), nullptr, FALSE), form.MainShellTreeView.Handle());
    EXPECT_EQ(GetNextDlgTabItem(form.Handle(), form.MainShellTreeView.Handle(), FALSE),
              form.SelectDirectoryButton.Handle());
    EXPECT_EQ(GetNextDlgTabItem(form.Handle(), form.SelectDirectoryButton.Handle(), FALSE), form.CancelButton.Handle());
}

TEST_F(SelectDirectoryFormTest, ChoosingStoresTheSelectedPathAndClosesTheWindow)
{
    ShellTestFolder dir({"Base\\"});
    form.Create();
    HTREEITEM node = NodeForPath(form.MainShellTreeView, dir / "Base");
    ASSERT_NE(node, nullptr);
    form.MainShellTreeView.Select(node);
    bool clearedOnShow = true;
    DirectorySelected = true;
    PostAction([&] {
        clearedOnShow = !DirectorySelected;
        form.SelectDirectoryButton.Click();
    });
    form.ShowModal();
    EXPECT_TRUE(clearedOnShow);
    EXPECT_FALSE(form.Visible());
    EXPECT_TRUE(DirectorySelected);
    EXPECT_EQ(SelectedDirectory, dir / "Base");
}

TEST_F(SelectDirectoryFormTest, CancelAndTheCloseBoxLeaveTheGlobalsAlone)
{
    form.Create();
    std::function<void()> ways[] = {
        [&] { SendMessageW(form.CancelButton.Handle(), BM_CLICK, 0, 0); },
        [&] { SendMessageW(form.Handle(), WM_SYSCOMMAND, SC_CLOSE, 0); },
    };
    for (auto& close : ways) {
        PostAction(close);
        form.ShowModal();
        EXPECT_FALSE(form.Visible());
        EXPECT_FALSE(DirectorySelected);
        EXPECT_EQ(SelectedDirectory, "D:\\Earlier");
    }
}

TEST_F(SelectDirectoryFormTest, EnterAndEscapeInTheTreePressNeitherButton)
{
    form.Create();
    EXPECT_TRUE(StaysOpenThrough(form, [&] {
        HWND focus = GetFocus();
        EXPECT_EQ(focus, form.MainShellTreeView.Handle());
        PostMessageW(focus, WM_KEYDOWN, VK_RETURN, 0);
        PostMessageW(focus, WM_KEYDOWN, VK_ESCAPE, 0);
    }));
    EXPECT_FALSE(DirectorySelected);
    EXPECT_EQ(SelectedDirectory, "D:\\Earlier");
}

TEST_F(SelectDirectoryFormTest, EnterInTheLabelEditorEndsTheRenameNotTheDialog)
{
    ShellTestFolder dir({"Before\\"});
    form.Create();
    TShellTreeView& tree = form.MainShellTreeView;
    HTREEITEM node = NodeForPath(tree, dir / "Before");
    ASSERT_NE(node, nullptr);
    EXPECT_TRUE(StaysOpenThrough(form, [&] {
        HWND edit = TreeView_EditLabel(tree.Handle(), node);
        SetWindowTextW(edit, L"After");
        PostMessageW(edit, WM_KEYDOWN, VK_RETURN, 0);
    }));
    EXPECT_EQ(Narrow(tree.NodeLabel(node)), "After");
    EXPECT_NE(GetFileAttributesW(Wide(dir / "After").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(SelectDirectoryFormTest, ASecondOpeningShowsThePreviousChoiceStillSelected)
{
    ShellTestFolder dir({"One\\", "One\\Two\\"});
    form.Create();
    TShellTreeView& tree = form.MainShellTreeView;
    PostAction([&] {
        // Down the tree by keys as the operator would: the node is selected
        // and its branch opened with the right arrow.
        HTREEITEM one = NodeForPath(tree, dir / "One");
        tree.Select(one);
        SendMessageW(tree.Handle(), WM_KEYDOWN, VK_RIGHT, 0);
        SendMessageW(tree.Handle(), WM_KEYDOWN, VK_RIGHT, 0);
        form.SelectDirectoryButton.Click();
    });
    form.ShowModal();
    ASSERT_EQ(SelectedDirectory, dir / "One\\Two");

    SelectedDirectory.clear();
    std::string pathOnSecondShow;
    bool parentOpen = false;
    PostAction([&] {
        pathOnSecondShow = Narrow(tree.SelectedPath());
        parentOpen = tree.Expanded(tree.ParentNode(tree.Selected()));
        form.SelectDirectoryButton.Click();
    });
    form.ShowModal();
    EXPECT_EQ(pathOnSecondShow, dir / "One\\Two");
    EXPECT_TRUE(parentOpen);
    EXPECT_EQ(SelectedDirectory, dir / "One\\Two");
}

TEST_F(SelectDirectoryFormTest, AFolderNamedBeyondWindows1251IsStoredByItsShortNameNeverAsQuestionMarks)
{
    ShellTestFolder dir({"Базы\\"});
    const std::wstring folder = Wide(dir / "Базы") + L"\\\u03a9mega \u65e5\u672c";
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    form.Create();
    TShellTreeView& tree = form.MainShellTreeView;
    HTREEITEM node = NodeForPath(tree, folder);
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(tree.NodeLabel(node), L"\u03a9mega \u65e5\u672c");
    tree.Select(node);
    PostAction([&] { form.SelectDirectoryButton.Click(); });
    form.ShowModal();
    EXPECT_TRUE(DirectorySelected);
    // Only the name that does not fit is replaced, by the one the file system
    // keeps for it; the stored path leads back to the folder.
    wchar_t shortPath[MAX_PATH] = {};
    ASSERT_NE(GetShortPathNameW(folder.c_str(), shortPath, MAX_PATH), 0u);
    std::wstring shortName = wcsrchr(shortPath, L'\\') + 1;
    EXPECT_TRUE(FitsCp1251(shortName));
    EXPECT_EQ(SelectedDirectory, dir / "Базы\\" + Narrow(shortName));
    wchar_t longPath[MAX_PATH] = {};
    GetLongPathNameW(Wide(SelectedDirectory).c_str(), longPath, MAX_PATH);
    EXPECT_EQ(std::wstring(longPath), folder);
}

TEST_F(SelectDirectoryFormTest, AFolderBeyondWindows1251ThatCannotBeNamedIsRefusedAndTheChooserStaysOpen)
{
    // Gone since the tree listed it: there is no short name to keep it by,
    // and the operator is told why.
    ShellTestFolder dir({});
    const std::wstring folder = Wide(dir.Path()) + L"\\\u6570\u636e";
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    form.Create();
    HTREEITEM node = NodeForPath(form.MainShellTreeView, folder);
    ASSERT_NE(node, nullptr);
    form.MainShellTreeView.Select(node);
    ASSERT_TRUE(RemoveDirectoryW(folder.c_str()));
    std::wstring message;
    bool stillOpen = false;
    PostAction([&] {
        CloseNextMessage(message);
        form.SelectDirectoryButton.Click();
        stillOpen = form.Visible();
        form.CancelButton.Click();
    });
    form.ShowModal();
    EXPECT_TRUE(stillOpen);
    EXPECT_FALSE(DirectorySelected);
    EXPECT_EQ(SelectedDirectory, "D:\\Earlier");
    EXPECT_NE(message.find(L"\"" + folder + L"\""), std::wstring::npos);
    EXPECT_NE(message.find(L"код ошибки 2."), std::wstring::npos) << Narrow(message);
    EXPECT_EQ(message.find(L"файловая система не даёт"), std::wstring::npos);
}
