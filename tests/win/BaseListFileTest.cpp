// Bases.dat on real files in a temporary folder with a Russian name, with the
// file layer's fault seam making single steps fail.
#include "app/ProgramFolder.h"
#include "model/RxMemoryData.h"
#include "platform/BaseListFile.h"
#include "platform/FileApi.h"
#include "platform/WideText.h"
#include "runtime/Exceptions.h"
#include "WinTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <optional>
#include <set>
#include <vector>

namespace {

// The helpers below call Win32 directly, not through the wrappers, so they
// never shift the fault seam's count.

std::optional<std::string> ReadBytes(const std::wstring& path)
{
    UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return std::nullopt;
    std::string bytes;
    char block[4096];
    DWORD read = 0;
    while (ReadFile(file.Get(), block, sizeof block, &read, nullptr) && read > 0)
        bytes.append(block, read);
    return bytes;
}

void WriteBytes(const std::wstring& path, const std::string& bytes)
{
    UniqueHandle file(
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(file);
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(file.Get(), bytes.data(), DWORD(bytes.size()), &written, nullptr));
}

bool EntryExists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// True when nobody holds the file open: an exclusive open succeeds.
bool IsClosed(const std::wstring& path)
{
    UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    return bool(file);
}

std::vector<BaseListEntry> Load(const std::wstring& path)
{
    std::vector<BaseListEntry> entries;
    LoadBaseListFile(path, [&](const BaseListValues& e) { entries.push_back(CopyOf(e)); });
    return entries;
}

void Save(const std::wstring& path, const std::vector<BaseListEntry>& entries)
{
    size_t i = 0;
    SaveBaseListFile(path, [&](BaseListValues& e) {
        if (i == entries.size())
            return false;
        e = ViewsOf(entries[i++]);
        return true;
    });
}

// The names in the folder, files and folders.
std::set<std::wstring> FolderContent(const std::wstring& folder)
{
    std::set<std::wstring> names;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do {
        if (wcscmp(found.cFileName, L".") != 0 && wcscmp(found.cFileName, L"..") != 0)
            names.insert(found.cFileName);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return names;
}

// Another program's handle on the file.
UniqueHandle Hold(const std::wstring& path, DWORD access, DWORD share)
{
    return UniqueHandle(
        CreateFileW(path.c_str(), access, share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}

// The code of the EInOutError the action raises; 0 when it raises none.
int ErrorCodeOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const EInOutError& e) {
        return e.ErrorCode();
    }
    return 0;
}

// Number of wrapped file calls the action makes when nothing fails.
int CallsOf(const std::function<void()>& action)
{
    int before = FileFaults::CallCount();
    action();
    return FileFaults::CallCount() - before;
}

std::vector<BaseListEntry> ManyEntries(size_t count)
{
    std::vector<BaseListEntry> entries;
    for (size_t i = 0; i < count; ++i)
        entries.push_back(
            {"\xc1\xe0\xe7\xe0 " + std::to_string(i), "C:\\1C\\" + std::string(180, 'p'), "login", "secret"});
    return entries;
}

// The table as the main window defines it.
void OpenBaseTable(TRxMemoryData& table)
{
    table.FieldDefs = {{"Name", TFieldType::ftString, 100},
                       {"Path", TFieldType::ftString, 200},
                       {"Login", TFieldType::ftString, 20},
                       {"Password", TFieldType::ftString, 20}};
    table.SetActive(true);
}

std::vector<std::string> Names(TRxMemoryData& table)
{
    std::vector<std::string> names;
    for (table.GoToFirstRow(); !table.AtEnd(); table.GoToNextRow())
        names.push_back(table.GetFieldText("Name"));
    return names;
}

const std::string kOldBytes = "Old\r\nC:\\Old\r\nuser\r\npass\r\nSecond\r\n\r\n\r\n\r\n";
const std::vector<BaseListEntry> kOldEntries = {{"Old", "C:\\Old", "user", "pass"}, {"Second", "", "", ""}};
const std::vector<BaseListEntry> kNewEntries = {{"New", "D:\\New", "", "pw"}};
const std::string kNewBytes = "New\r\nD:\\New\r\n\r\npw\r\n";

class BaseListFile : public testing::Test {
protected:
    void TearDown() override { FileFaults::Disarm(); }

    TempFolder temp_;
    const std::wstring folder_ = temp_.WidePath();
    const std::wstring path_ = folder_ + kBaseListFileName;
};

}  // namespace

TEST_F(BaseListFile, MissingFileLoadsNothingAndAnEmptyTableIsSavedAsAnEmptyFile)
{
    TRxMemoryData table("BaseRxMemoryData");
    OpenBaseTable(table);
    LoadBaseList(table, folder_);
    EXPECT_EQ(table.RowCount(), 0);
    SaveBaseList(table, folder_);
    EXPECT_EQ(ReadBytes(path_), "");
    EXPECT_FALSE(EntryExists(BaseListTempPath(path_)));
}

TEST_F(BaseListFile, EmptyFileLoadsNothing)
{
    WriteBytes(path_, "");
    EXPECT_TRUE(Load(path_).empty());
    EXPECT_TRUE(IsClosed(path_));
}

TEST_F(BaseListFile, TableLoadedAndSavedKeepsTheBytesOfEveryEntryInNameOrder)
{
    const std::string zeta = "Zeta\r\n\\\\srv\\zeta\r\n\xc0\xe4\xec\xe8\xed\r\n\r\n";
    const std::string alpha = "alpha\r\nC:\\A\r\nuser\r\np\xe0\xf0\xee\xeb\xfc\r\n";
    const std::string middle = "Middle\r\n\r\n\r\n\r\n";
    WriteBytes(path_, zeta + alpha + middle);
    TRxMemoryData table("BaseRxMemoryData");
    OpenBaseTable(table);

    LoadBaseList(table, folder_);
    // Each row went in before the previous one.
    EXPECT_EQ(Names(table), (std::vector<std::string>{"Middle", "alpha", "Zeta"}));
    table.SortByFields("Name", true, false);
    SaveBaseList(table, folder_);
    EXPECT_EQ(ReadBytes(path_), alpha + middle + zeta);
}

TEST_F(BaseListFile, TableCutsLongValuesAndKeepsTheEntriesOfLooseLines)
{
    // A 300-character name, then a trailing blank line: an all-empty entry.
    WriteBytes(path_, std::string(300, 'N') + "\r\npath\nlogin\r\npass\r\n\r\n");
    TRxMemoryData table("BaseRxMemoryData");
    OpenBaseTable(table);
    LoadBaseList(table, folder_);
    table.SortByFields("Name", true, false);
    ASSERT_EQ(table.RowCount(), 2);
    SaveBaseList(table, folder_);
    EXPECT_EQ(ReadBytes(path_), "\r\n\r\n\r\n\r\n" + std::string(100, 'N') + "\r\npath\r\nlogin\r\npass\r\n");
}

TEST_F(BaseListFile, RowsPostedBeforeAFailedLoadStayInTheTable)
{
    WriteBytes(path_, kOldBytes);
    TRxMemoryData table("BaseRxMemoryData");
    OpenBaseTable(table);
    // Open, the one block (both entries), then the read at the end fails.
    FileFaults::Arm(3, ERROR_CRC);
    EXPECT_EQ(ErrorCodeOf([&] { LoadBaseList(table, folder_); }), ERROR_CRC);
    EXPECT_EQ(Names(table), (std::vector<std::string>{"Second", "Old"}));
}

TEST_F(BaseListFile, FolderNamedLikeTheFileLoadsNothingAndRefusesTheSave)
{
    ASSERT_TRUE(CreateDirectoryW(path_.c_str(), nullptr));
    EXPECT_TRUE(Load(path_).empty());
    EXPECT_EQ(ErrorCodeOf([&] { Save(path_, kNewEntries); }), ERROR_ACCESS_DENIED);
    EXPECT_TRUE(GetFileAttributesW(path_.c_str()) & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_FALSE(EntryExists(BaseListTempPath(path_)));
}

TEST_F(BaseListFile, FileHeldOpenForWritingFailsLoadAndSaveWithSharingViolation)
{
    WriteBytes(path_, kOldBytes);
    UniqueHandle holder(CreateFileW(path_.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(holder);

    std::vector<BaseListEntry> entries;
    try {
        LoadBaseListFile(path_, [&](const BaseListValues& e) { entries.push_back(CopyOf(e)); });
        ADD_FAILURE() << "the load did not fail";
    } catch (const EInOutError& e) {
        EXPECT_EQ(e.ErrorCode(), ERROR_SHARING_VIOLATION);
        EXPECT_EQ(e.Message(), "I/O error 32");
    }
    EXPECT_TRUE(entries.empty());
    EXPECT_EQ(ErrorCodeOf([&] { Save(path_, kNewEntries); }), ERROR_SHARING_VIOLATION);

    holder.Reset();
    EXPECT_EQ(ReadBytes(path_), kOldBytes);
    EXPECT_FALSE(EntryExists(BaseListTempPath(path_)));
}

TEST_F(BaseListFile, SavesRefusedOrNotLeaveTheCurrentRowWhereTheOperatorPutIt)
{
    WriteBytes(path_, "B\r\n\r\n\r\n\r\nA\r\n\r\n\r\n\r\nC\r\n\r\n\r\n\r\n");
    TRxMemoryData table("BaseRxMemoryData");
    OpenBaseTable(table);
    LoadBaseList(table, folder_);
    table.SortByFields("Name", true, false);
    table.GoToFirstRow();
    table.GoToNextRow();
    ASSERT_EQ(table.GetFieldText("Name"), "B");

    UniqueHandle holder = Hold(path_, GENERIC_WRITE, FILE_SHARE_READ);
    ASSERT_TRUE(holder);
    EXPECT_EQ(ErrorCodeOf([&] { SaveBaseList(table, folder_); }), ERROR_SHARING_VIOLATION);
    EXPECT_EQ(table.GetFieldText("Name"), "B");
    holder.Reset();
    SaveBaseList(table, folder_);
    EXPECT_EQ(ReadBytes(path_), "A\r\n\r\n\r\n\r\nB\r\n\r\n\r\n\r\nC\r\n\r\n\r\n\r\n");
    EXPECT_EQ(table.GetFieldText("Name"), "B");
}

// Names of the temporary file that are taken (a folder, a file another
// program holds) do not stop the save, and are left as they were.
TEST_F(BaseListFile, TakenTemporaryNamesArePassedOver)
{
    WriteBytes(path_, kOldBytes);
    ASSERT_TRUE(CreateDirectoryW(BaseListTempPath(path_).c_str(), nullptr));
    const std::wstring busy = path_ + L".1.tmp";
    WriteBytes(busy, "busy");
    UniqueHandle holder = Hold(busy, GENERIC_READ, 0);
    ASSERT_TRUE(holder);

    Save(path_, kNewEntries);
    EXPECT_EQ(ReadBytes(path_), kNewBytes);
    holder.Reset();
    EXPECT_EQ(ReadBytes(busy), "busy");
    EXPECT_EQ(FolderContent(folder_), (std::set<std::wstring>{L"Bases.dat", L"Bases.dat.tmp", L"Bases.dat.1.tmp"}));
}

// Viewers and sync tools open the file for reading with read and write
// sharing but without delete sharing: it cannot be replaced, but it can be
// rewritten, so the complete list is written into it in place.
TEST_F(BaseListFile, ReaderThatForbidsReplacingGetsTheListWrittenInPlace)
{
    WriteBytes(path_, kOldBytes);
    UniqueHandle reader = Hold(path_, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE);
    ASSERT_TRUE(reader);
    Save(path_, kNewEntries);
    EXPECT_EQ(ReadBytes(path_), kNewBytes);
    EXPECT_EQ(FolderContent(folder_), std::set<std::wstring>{L"Bases.dat"});
}

TEST_F(BaseListFile, SavedFileKeepsItsAttributesReplacedOrWrittenInPlace)
{
    for (bool reader : {false, true}) {
        WriteBytes(path_, kOldBytes);
        ASSERT_TRUE(SetFileAttributesW(path_.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE));
        UniqueHandle holder;
        if (reader)
            holder = Hold(path_, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE);
        Save(path_, kNewEntries);
        holder.Reset();
        EXPECT_EQ(ReadBytes(path_), kNewBytes) << "reader " << reader;
        EXPECT_TRUE(GetFileAttributesW(path_.c_str()) & FILE_ATTRIBUTE_HIDDEN) << "reader " << reader;
        ASSERT_TRUE(SetFileAttributesW(path_.c_str(), FILE_ATTRIBUTE_NORMAL));
    }
}

// Each step of a save failing in turn, for a list longer than one write
// block, over an old file, over none, and with a reader that forbids the
// replace: the list is never lost. The save either fails with the step's
// code and leaves the old file, or goes through; or, once the in-place write
// has begun, it fails naming the file that holds the complete list. The
// next save goes through and leaves nothing but Bases.dat.
TEST_F(BaseListFile, SaveFailingAtAnyStepNeverLosesTheList)
{
    const std::vector<BaseListEntry> entries = ManyEntries(400);
    Save(path_, entries);
    const std::string newBytes = *ReadBytes(path_);
    int keptCases = 0;

    struct Condition {
        bool oldFile, reader;
    };
    for (Condition c : {Condition{true, false}, Condition{false, false}, Condition{true, true}}) {
        UniqueHandle reader;
        auto prepare = [&] {
            reader.Reset();
            if (c.oldFile)
                WriteBytes(path_, kOldBytes);
            else
                DeleteFileW(path_.c_str());
            if (c.reader)
                reader = Hold(path_, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE);
        };
        prepare();
        const int calls = CallsOf([&] { Save(path_, entries); });
        EXPECT_GE(calls, 8);  // two write blocks among them
        const std::string where =
            std::string("old file ") + (c.oldFile ? "yes" : "no") + ", reader " + (c.reader ? "yes" : "no") + ", step ";

        for (int n = 1; n <= calls; ++n) {
            for (DWORD code : {DWORD(ERROR_DISK_FULL), DWORD(ERROR_ACCESS_DENIED)}) {
                prepare();
                FileFaults::Arm(n, code);
                try {
                    Save(path_, entries);
                    EXPECT_TRUE(ReadBytes(path_) == newBytes) << where << n;
                } catch (const EInOutError& e) {
                    EXPECT_EQ(e.ErrorCode(), int(code)) << where << n;
                    const std::string kept = "\"" + Narrow(BaseListTempPath(path_)) + "\"";
                    if (e.Message().find(kept) != std::string::npos) {
                        ++keptCases;
                        EXPECT_TRUE(ReadBytes(BaseListTempPath(path_)) == newBytes) << where << n;
                    } else {
                        EXPECT_EQ(ReadBytes(path_), c.oldFile ? std::optional(kOldBytes) : std::nullopt)
                            << where << n << ": " << e.Message();
                    }
                }
                FileFaults::Disarm();
                reader.Reset();
                EXPECT_TRUE(!c.oldFile || IsClosed(path_)) << where << n;
                Save(path_, entries);
                EXPECT_TRUE(ReadBytes(path_) == newBytes) << where << n;
                EXPECT_EQ(FolderContent(folder_), std::set<std::wstring>{L"Bases.dat"}) << where << n;
            }
        }
    }
    EXPECT_GT(keptCases, 0);
}

// Each step of a load failing in turn, for a file longer than one read block:
// the code is the step's, the file is closed and unchanged, and the rows
// delivered are the entries read before the failure. The save that follows
// keeps the old file as the backup.
TEST_F(BaseListFile, LoadFailingAtAnyStepClosesTheFileAndTheNextSaveKeepsABackup)
{
    const std::vector<BaseListEntry> fileEntries = ManyEntries(400);
    Save(path_, fileEntries);
    const std::string fileBytes = *ReadBytes(path_);
    const int calls = CallsOf([&] { Load(path_); });
    EXPECT_GE(calls, 5);  // open, two blocks, the end, close

    for (int n = 1; n <= calls; ++n) {
        WriteBytes(path_, fileBytes);
        ASSERT_TRUE(DeleteFileW(BaseListBackupPath(path_).c_str()) || n == 1);
        std::vector<BaseListEntry> entries;
        FileFaults::Arm(n, ERROR_CRC);
        EXPECT_EQ(ErrorCodeOf(
                      [&] { LoadBaseListFile(path_, [&](const BaseListValues& e) { entries.push_back(CopyOf(e)); }); }),
                  ERROR_CRC)
            << "step " << n;
        FileFaults::Disarm();
        EXPECT_TRUE(IsClosed(path_)) << "step " << n;
        EXPECT_EQ(ReadBytes(path_), fileBytes) << "step " << n;
        ASSERT_LE(entries.size(), fileEntries.size());
        EXPECT_TRUE(std::equal(entries.begin(), entries.end(), fileEntries.begin())) << "step " << n;

        Save(path_, kNewEntries);
        EXPECT_EQ(ReadBytes(BaseListBackupPath(path_)), fileBytes) << "step " << n;
        EXPECT_EQ(ReadBytes(path_), kNewBytes) << "step " << n;
    }
}

TEST_F(BaseListFile, BackupIsMadeOnlyByTheFirstSaveAfterAFailedLoad)
{
    WriteBytes(path_, kOldBytes);
    FileFaults::Arm(1, ERROR_SHARING_VIOLATION);
    EXPECT_EQ(ErrorCodeOf([&] { Load(path_); }), ERROR_SHARING_VIOLATION);

    // A backup that cannot be taken stops the save, which says which file
    // and why, and leaves the list file alone.
    const std::wstring backup = BaseListBackupPath(path_);
    ASSERT_TRUE(CreateDirectoryW(backup.c_str(), nullptr));
    try {
        Save(path_, kNewEntries);
        ADD_FAILURE() << "the save did not fail";
    } catch (const EInOutError& e) {
        EXPECT_EQ(e.ErrorCode(), ERROR_ACCESS_DENIED);
        EXPECT_EQ(e.Message(), "Не удалось сохранить копию списка баз в файл \"" + Narrow(backup) +
                                   "\" (нет доступа: файл только для чтения, это папка или нет прав на запись, "
                                   "код 5). Список не записан, файл \"" +
                                   Narrow(path_) + "\" не изменён");
    }
    EXPECT_EQ(ReadBytes(path_), kOldBytes);
    ASSERT_TRUE(RemoveDirectoryW(backup.c_str()));

    Save(path_, kNewEntries);
    EXPECT_EQ(ReadBytes(BaseListBackupPath(path_)), kOldBytes);
    Save(path_, {});
    EXPECT_EQ(ReadBytes(BaseListBackupPath(path_)), kOldBytes);
    EXPECT_EQ(ReadBytes(path_), "");
}

// An older backup, even one an earlier version left read-only and hidden
// with the attributes of Bases.dat, is replaced by a plain writable copy.
TEST_F(BaseListFile, BackupOverwritesAnOlderOneAndIsSkippedWhenTheFileIsGone)
{
    const std::wstring backup = BaseListBackupPath(path_);
    WriteBytes(backup, "stale");
    ASSERT_TRUE(SetFileAttributesW(backup.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
    WriteBytes(path_, kOldBytes);
    ASSERT_TRUE(SetFileAttributesW(path_.c_str(), FILE_ATTRIBUTE_HIDDEN));
    FileFaults::Arm(1, ERROR_CRC);
    EXPECT_EQ(ErrorCodeOf([&] { Load(path_); }), ERROR_CRC);
    Save(path_, kNewEntries);
    EXPECT_EQ(ReadBytes(backup), kOldBytes);
    EXPECT_EQ(GetFileAttributesW(backup.c_str()) & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN), 0u);

    FileFaults::Arm(1, ERROR_CRC);
    EXPECT_EQ(ErrorCodeOf([&] { Load(path_); }), ERROR_CRC);
    ASSERT_TRUE(DeleteFileW(path_.c_str()));
    Save(path_, kOldEntries);
    EXPECT_EQ(ReadBytes(path_), kOldBytes);
    EXPECT_EQ(ReadBytes(BaseListBackupPath(path_)), kOldBytes);
}

namespace {

// The tests that need the read-only attribute to hold, as it does on
// Windows for any user. Under Wine run as root it does not: they are
// skipped there, and scripts/wine-as-user runs them as an unprivileged user
// (where AUTOPERIOD_READONLY_ENFORCED makes a skip a failure).
class BaseListFileAsUser : public BaseListFile {
protected:
    void SetUp() override
    {
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
        try {
            Save(path_, kNewEntries);
            ADD_FAILURE() << "the save did not fail";
        } catch (const EInOutError& e) {
            EXPECT_EQ(e.ErrorCode(), ERROR_ACCESS_DENIED);
            EXPECT_EQ(e.Message(), "File access denied");
        }
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
// goes to a temporary file in the user's temporary folder and is then
// written in place, as a plain rewrite would do it.
TEST_F(BaseListFileAsUser, FileInAFolderThatTakesNoNewFilesIsRewrittenInPlace)
{
    const char* locked = std::getenv("AUTOPERIOD_LOCKED_FOLDER");
    if (!locked)
        GTEST_SKIP() << "no folder prepared by scripts/wine-as-user";
    std::wstring folder = L"Z:" + Wide(locked) + L"\\";
    std::replace(folder.begin(), folder.end(), L'/', L'\\');
    const std::wstring path = folder + kBaseListFileName;
    ASSERT_FALSE(UniqueHandle(CreateFileW((folder + L"probe").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                          FILE_ATTRIBUTE_NORMAL, nullptr)));
    ASSERT_EQ(FolderContent(folder), std::set<std::wstring>{L"Bases.dat"});
    Save(path, kNewEntries);
    EXPECT_EQ(ReadBytes(path), kNewBytes);
    EXPECT_EQ(FolderContent(folder), std::set<std::wstring>{L"Bases.dat"});
}

TEST_F(BaseListFile, ExistenceTestSeesFilesOfAnyAttributeButNoFolders)
{
    WriteBytes(path_, "x");
    ASSERT_TRUE(SetFileAttributesW(path_.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
    EXPECT_TRUE(FileExists(path_));
    EXPECT_FALSE(FileExists(folder_ + L"Missing.dat"));
    EXPECT_FALSE(FileExists(folder_ + L"Bases.*"));
    EXPECT_FALSE(FileExists(folder_ + L"NoSuchFolder\\Bases.dat"));
    ASSERT_TRUE(CreateDirectoryW((folder_ + L"Sub").c_str(), nullptr));
    EXPECT_FALSE(FileExists(folder_ + L"Sub"));
}

TEST(ProgramFolder, IsTheExecutablesFolderWithItsBackslash)
{
    std::string folder = GetProgramFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.back(), '\\');
    EXPECT_TRUE(FileExists(folder + "win_tests.exe"));
}

namespace {

// Where a save stood when its process was killed, shared with the killer.
struct SaveProgress {
    volatile LONG rowsHanded;
    volatile LONG done;
    volatile LONG elapsedMs;
};

// Two lists of the same length with different bytes: "which" 0 or 1.
std::vector<BaseListEntry> KillTestEntries(size_t count, int which)
{
    std::vector<BaseListEntry> entries;
    for (size_t i = 0; i < count; ++i)
        entries.push_back({(which ? "\xcd\xee\xe2\xe0\xff " : "\xd1\xf2\xe0\xf0\xe0\xff ") + std::to_string(i),
                           "C:\\1C\\" + std::string(150 + which * 20, 'p'), "login", std::to_string(i * 7 + which)});
    return entries;
}

constexpr size_t kKillTestRows = 60000;

}  // namespace

// The child of the kill test: saves one list into the folder, telling the
// parent through the shared block how far it has come.
//   win_tests.exe --save-child <folder> <which> <mapping name>
int RunSaveChild(int argc, wchar_t** argv)
{
    if (argc < 5)
        return 2;
    const std::wstring folder = argv[2], mapping = argv[4];
    const int which = _wtoi(argv[3]);
    UniqueHandle map(OpenFileMappingW(FILE_MAP_WRITE, FALSE, mapping.c_str()));
    UniqueHandle ready(OpenEventW(EVENT_MODIFY_STATE, FALSE, (mapping + L"-ready").c_str()));
    auto* progress = static_cast<SaveProgress*>(MapViewOfFile(map.Get(), FILE_MAP_WRITE, 0, 0, sizeof(SaveProgress)));
    if (!progress || !ready)
        return 3;
    const std::vector<BaseListEntry> entries = KillTestEntries(kKillTestRows, which);
    size_t i = 0;
    SetEvent(ready.Get());
    const DWORD start = GetTickCount();
    SaveBaseListFile(folder + kBaseListFileName, [&](BaseListValues& e) {
        if (i == entries.size())
            return false;
        e = ViewsOf(entries[i++]);
        InterlockedExchange(&progress->rowsHanded, LONG(i));
        return true;
    });
    InterlockedExchange(&progress->elapsedMs, LONG(GetTickCount() - start));
    InterlockedExchange(&progress->done, 1);
    UnmapViewOfFile(progress);
    return 0;
}

// A save killed at moments spread over its whole course (writing the rows,
// flushing, renaming, just after): Bases.dat is always the complete old list
// or the complete new one, and loads. AUTOPERIOD_SAVE_KILLS sets the number
// of kills (60 by default; scripts/crash-check runs more).
TEST_F(BaseListFile, KilledAtAnyMomentOfASaveLeavesTheOldListOrTheNewOne)
{
    const char* killsSetting = std::getenv("AUTOPERIOD_SAVE_KILLS");
    const int kills = killsSetting ? std::max(1, std::atoi(killsSetting)) : 60;
    std::string bytes[2];
    for (int which : {1, 0}) {
        Save(path_, KillTestEntries(kKillTestRows, which));
        bytes[which] = *ReadBytes(path_);
    }
    ASSERT_NE(bytes[0], bytes[1]);

    const std::wstring mapping = L"AutoPeriodSaveKill" + std::to_wstring(GetCurrentProcessId());
    UniqueHandle map(
        CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(SaveProgress), mapping.c_str()));
    UniqueHandle ready(CreateEventW(nullptr, TRUE, FALSE, (mapping + L"-ready").c_str()));
    auto* progress = static_cast<SaveProgress*>(MapViewOfFile(map.Get(), FILE_MAP_WRITE, 0, 0, sizeof(SaveProgress)));
    ASSERT_TRUE(progress && ready);
    wchar_t exe[MAX_PATH];
    GetModuleFileNameW(nullptr, exe, MAX_PATH);

    // Starts a child saving list `which`; returns once it begins.
    auto startSave = [&](int which) {
        *progress = SaveProgress{};
        ResetEvent(ready.Get());
        // The folder's closing backslash doubled, so that it does not escape the quote.
        std::wstring command = L"\"" + std::wstring(exe) + L"\" --save-child \"" + folder_ + L"\\\" " +
                               std::to_wstring(which) + L" " + mapping;
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION info{};
        if (!CreateProcessW(exe, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
            return UniqueHandle();
        CloseHandle(info.hThread);
        UniqueHandle process(info.hProcess);
        HANDLE waits[] = {ready.Get(), process.Get()};
        WaitForMultipleObjects(2, waits, FALSE, 30000);
        return process;
    };

    // One save to the end gives the span over which the kills are spread.
    int current = 0;
    {
        UniqueHandle child = startSave(1);
        ASSERT_TRUE(child);
        WaitForSingleObject(child.Get(), 60000);
        ASSERT_EQ(progress->done, 1);
        current = 1;
    }
    const DWORD span = std::max<DWORD>(progress->elapsedMs * 5 / 4, 10);

    // Where each kill landed: fifths of the rows, after the last row
    // (flush, rename), after the save.
    int landed[7] = {};
    int stayed = 0, replaced = 0;
    for (int k = 0; k < kills; ++k) {
        const int which = 1 - current;
        UniqueHandle child = startSave(which);
        ASSERT_TRUE(child);
        Sleep(DWORD(uint64_t(span) * k / kills));
        TerminateProcess(child.Get(), 9);
        WaitForSingleObject(child.Get(), 30000);
        const LONG rows = progress->rowsHanded;
        ++landed[progress->done ? 6 : rows == LONG(kKillTestRows) ? 5 : rows * 5 / LONG(kKillTestRows)];

        const std::optional<std::string> now = ReadBytes(path_);
        if (now == bytes[current]) {
            ++stayed;
        } else if (now == bytes[which]) {
            ++replaced;
            current = which;
        } else {
            ADD_FAILURE() << "kill " << k << " after " << rows << " rows left " << (now ? now->size() : 0)
                          << " bytes that are neither list";
            continue;
        }
        size_t loaded = 0;
        LoadBaseListFile(path_, [&](const BaseListValues&) { ++loaded; });
        EXPECT_EQ(loaded, kKillTestRows) << "kill " << k;
    }
    UnmapViewOfFile(progress);
    std::printf("%d kills over %lu ms of a %zu-byte save; landed in rows 0-20-40-60-80-100%%: %d %d %d %d %d, "
                "after the last row: %d, after the save: %d; old list kept %d times, new one %d times\n",
                kills, span, bytes[0].size(), landed[0], landed[1], landed[2], landed[3], landed[4], landed[5],
                landed[6], stayed, replaced);
    EXPECT_GT(kills - landed[6], 0) << "no kill fell inside a save";
}
