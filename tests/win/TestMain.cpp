// Entry of the Windows test program: OLE on the test thread, as the program
// itself has it, then every test.
#include "WinTestSupport.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <ole2.h>

namespace {
// Each test starts without actions left over from the one before.
class PendingActionsReset : public testing::EmptyTestEventListener {
    void OnTestEnd(const testing::TestInfo&) override { ClearPendingActions(); }
};
}  // namespace

// The child process of the test that kills saves (BaseListFileTest.cpp).
int RunSaveChild(int argc, wchar_t** argv);

int wmain(int argc, wchar_t** argv)
{
    if (argc > 1 && wcscmp(argv[1], L"--save-child") == 0)
        return RunSaveChild(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    testing::UnitTest::GetInstance()->listeners().Append(new PendingActionsReset);
    OleInitialize(nullptr);
    int result = RUN_ALL_TESTS();
    OleUninitialize();
    return result;
}
