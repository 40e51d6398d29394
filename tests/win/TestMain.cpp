// Entry of the Windows test program: OLE on the test thread, as the program
// itself has it, then every test.
#include <gtest/gtest.h>

#include <windows.h>
#include <ole2.h>

int wmain(int argc, wchar_t** argv)
{
    testing::InitGoogleTest(&argc, argv);
    OleInitialize(nullptr);
    int result = RUN_ALL_TESTS();
    OleUninitialize();
    return result;
}
