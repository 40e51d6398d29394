// Bases.dat tests as an unprivileged user (scripts/wine-as-user): a
// read-only file refuses a write only then under Wine, and folders can be
// made that the user may not create files in or list, or that hold a list
// another user's save left.
#include "BaseListFileSupport.h"

namespace {

// The tests that need the read-only attribute to hold, as it does on
// Windows for any user. Under Wine run as root it does not: they are
// skipped there, and scripts/wine-as-user runs them as an unprivileged user
// (where AUTOPERIOD_READONLY_ENFORCED makes a skip a failure).
class BaseListFileAsUser : public BaseListFile {
protected:
    void SetUp() override
    {
        BaseListFile::SetUp();
        const std::wstring probe = folder_ + L"probe";
        WriteBytes(probe, "x");
        SetFileAttributesW(probe.c_str(), FILE_ATTRIBUTE_READONLY);
        const bool enforced = !Hold(probe, GENERIC_WRITE, 0);
        SetFileAttributesW(probe.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(probe.c_str());
        if (enforced)
            return;
        if (std::getenv("AUTOPERIOD_READONLY_ENFORCED"))
            FAIL() << "a file marked read-only can be written by this user";
        GTEST_SKIP() << "the read-only attribute does not hold for this user (root under Wine)";
    }
    void TearDown() override
    {
        // Read-only files cannot be deleted with their folder.
        for (const std::wstring& name : FolderContent(folder_))
            SetFileAttributesW((folder_ + name).c_str(), FILE_ATTRIBUTE_NORMAL);
        BaseListFile::TearDown();
    }
};

}  // namespace

TEST_F(BaseListFileAsUser, ReadOnlyFileLoadsAndEveryCloseIsRefusedUntilTheAttributeIsCleared)
{
    WriteBytes(path_, kOldBytes);
    ASSERT_TRUE(SetFileAttributesW(path_.c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(Load(path_), kOldEntries);
    for (int attempt = 0; attempt < 2; ++attempt) {
        const Failure save = FailureOf([&] { Save(path_, kNewEntries); });
        EXPECT_EQ(save.code, ERROR_ACCESS_DENIED);
        EXPECT_EQ(save.message, "File access denied");
        EXPECT_EQ(ReadBytes(path_), kOldBytes);
        EXPECT_EQ(FolderContent(folder_), std::set<std::wstring>{L"Bases.dat"});
    }
    ASSERT_TRUE(SetFileAttributesW(path_.c_str(), FILE_ATTRIBUTE_NORMAL));
    Save(path_, kNewEntries);
    EXPECT_EQ(ReadBytes(path_), kNewBytes);
}

TEST_F(BaseListFileAsUser, ReadOnlyFileUnderTheTemporaryNameIsPassedOver)
{
    WriteBytes(path_, kOldBytes);
    const std::wstring taken = BaseListTempPath(path_);
    WriteBytes(taken, "kept");
    ASSERT_TRUE(SetFileAttributesW(taken.c_str(), FILE_ATTRIBUTE_READONLY));
    ASSERT_FALSE(Hold(taken, GENERIC_WRITE, 0));
    Save(path_, kNewEntries);
    EXPECT_EQ(ReadBytes(path_), kNewBytes);
    EXPECT_EQ(ReadBytes(taken), "kept");
    EXPECT_EQ(FolderContent(folder_), (std::set<std::wstring>{L"Bases.dat", L"Bases.dat.tmp"}));
}

// After a failed load the save keeps a backup. A read-only Bases.dat refuses
// the close as a plain rewrite would; once the operator clears the
// attribute the close goes through, even over a read-only backup that an
// earlier version left, and the new backup is a plain writable file.
TEST_F(BaseListFileAsUser, ReadOnlyBackupNeverBlocksTheSaveAfterAFailedLoad)
{
    const std::wstring backup = BaseListBackupPath(path_);
    WriteBytes(backup, "older");
    ASSERT_TRUE(SetFileAttributesW(backup.c_str(), FILE_ATTRIBUTE_READONLY));
    WriteBytes(path_, kOldBytes);
    FileFaults::Arm(2, ERROR_CRC);  // the read after the open
    EXPECT_EQ(ErrorCodeOf([&] { Load(path_); }), ERROR_CRC);

    ASSERT_TRUE(SetFileAttributesW(path_.c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(ErrorCodeOf([&] { Save(path_, kNewEntries); }), ERROR_ACCESS_DENIED);
    EXPECT_EQ(ReadBytes(path_), kOldBytes);

    ASSERT_TRUE(SetFileAttributesW(path_.c_str(), FILE_ATTRIBUTE_NORMAL));
    Save(path_, kNewEntries);
    EXPECT_EQ(ReadBytes(path_), kNewBytes);
    EXPECT_EQ(ReadBytes(backup), kOldBytes);
    EXPECT_TRUE(Hold(backup, GENERIC_WRITE, 0));
}

// A folder where the user may rewrite Bases.dat but create no file (made by
// scripts/wine-as-user: owned by root, the file by the test user): the list
// goes to a temporary file in the user's own folder and is then written in
// place, as a plain rewrite would do it.
TEST_F(BaseListFileAsUser, FileInAFolderThatTakesNoNewFilesIsRewrittenInPlace)
{
    const std::wstring folder = PreparedFolder("AUTOPERIOD_LOCKED_FOLDER");
    if (folder.empty())
        GTEST_SKIP() << "no folder prepared by scripts/wine-as-user";
    const std::wstring path = folder + kBaseListFileName;
    ASSERT_FALSE(UniqueHandle(CreateFileW((folder + L"probe").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                          FILE_ATTRIBUTE_NORMAL, nullptr)));
    ASSERT_EQ(FolderContent(folder), std::set<std::wstring>{L"Bases.dat"});
    Save(path, kNewEntries);
    EXPECT_EQ(ReadBytes(path), kNewBytes);
    EXPECT_EQ(FolderContent(folder), std::set<std::wstring>{L"Bases.dat"});
    EXPECT_FALSE(EntryExists(BaseListUserCopyPath(path, L".new")));
}

// A list in a folder the user may not list is still read, not taken for
// missing (and then replaced by an empty one at the close).
TEST_F(BaseListFileAsUser, ListInAFolderThatCannotBeListedIsRead)
{
    const std::wstring folder = PreparedFolder("AUTOPERIOD_UNLISTED_FOLDER");
    if (folder.empty())
        GTEST_SKIP() << "no folder prepared by scripts/wine-as-user";
    const std::wstring path = folder + kBaseListFileName;
    ASSERT_EQ(FindFirstFileW((folder + L"*").c_str(), std::make_unique<WIN32_FIND_DATAW>().get()),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(Load(path), (std::vector<BaseListEntry>{{"Old", "", "", ""}}));
    Save(path, kNewEntries);
    EXPECT_EQ(ReadBytes(path), kNewBytes);
}

// Another Windows user starts the program on a list that a save of the
// first user's was writing in place: the complete copy is in the first
// user's folder, out of reach. The start says so and loads nothing; its
// close keeps the torn file.
TEST_F(BaseListFileAsUser, ListTornByAnotherUsersSaveIsNamedNotLoaded)
{
    const std::wstring folder = PreparedFolder("AUTOPERIOD_TORN_FOLDER");
    if (folder.empty())
        GTEST_SKIP() << "no folder prepared by scripts/wine-as-user";
    const std::wstring path = folder + kBaseListFileName;
    const std::string torn = *ReadBytes(path);
    std::vector<BaseListEntry> loaded;
    const Failure load = FailureOf([&] { loaded = Load(path); });
    EXPECT_EQ(load.code, ERROR_FILE_CORRUPT);
    EXPECT_NE(load.text.find(L"Список не загружен"), std::wstring::npos) << Narrow(load.text);
    EXPECT_TRUE(loaded.empty());
    Save(path, kNewEntries);
    EXPECT_EQ(ReadBytes(path), kNewBytes);
    EXPECT_EQ(ReadBytes(BaseListBackupPath(path)), torn);
}

// A real disk that runs out of room (a small one that scripts/test makes):
// a save that cannot write its new file says which file and that the list
// was not saved, and leaves Bases.dat as it was, also when it would have
// been written in place; with room again, the next close writes it.
