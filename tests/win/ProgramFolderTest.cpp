// The program's folder and the existence test used before opening the
// program's files.
#include "app/ProgramFolder.h"
#include "WinTestSupport.h"

#include <gtest/gtest.h>

TEST(ProgramFolder, IsTheExecutablesFolderWithItsBackslash)
{
    std::wstring folder = GetProgramFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.back(), '\\');
    EXPECT_TRUE(FileExists(folder + L"win_tests.exe"));
}

TEST(FileExists, SeesFilesOfAnyAttributeButNoFolders)
{
    TempFolder temp;
    const std::wstring folder = temp.WidePath(), path = folder + L"Bases.dat";
    CloseHandle(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
    EXPECT_TRUE(FileExists(path));
    EXPECT_FALSE(FileExists(folder + L"Missing.dat"));
    EXPECT_FALSE(FileExists(folder + L"Bases.*"));
    EXPECT_FALSE(FileExists(folder + L"NoSuchFolder\\Bases.dat"));
    ASSERT_TRUE(CreateDirectoryW((folder + L"Sub").c_str(), nullptr));
    EXPECT_FALSE(FileExists(folder + L"Sub"));
    EXPECT_TRUE(FileExists(L"\\\\?\\" + path));
    EXPECT_FALSE(FileExists(L"\\\\?\\" + folder + L"Bases.?at"));
}
