// Bases.dat on real files in a temporary folder with a Russian name, with the
// file layer's fault seam making single steps fail.
#include "BaseListStreams.h"
#include "BaseTableHelpers.h"
#include "FaultPlan.h"
#include "model/RxMemoryData.h"
#include "baselist/BaseListFile.h"
#include "platform/FileApi.h"
#include "platform/FileExists.h"
#include "platform/WideText.h"
#include "runtime/Exceptions.h"
#include "WinTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <vector>

namespace {

// The helpers below call Win32 directly, not through the wrappers, so they
// never shift the fault seam's count.

std::optional<std::string> ReadBytes(const std::wstring& path)
{
    UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return std::nullopt;
    std::string bytes;
    char block[4096];
    DWORD read = 0;
    while (ReadFile(file.Get(), block, sizeof block, &read, nullptr) && read > 0)
        bytes.append(block, read);
    return bytes;
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

std::wstring Save(const std::wstring& path, const std::vector<BaseListEntry>& entries)
{
    size_t i = 0;
    return SaveBaseListFile(path, [&](BaseListValues& e) {
        if (i == entries.size())
            return false;
        e = ViewsOf(entries[i++]);
        return true;
    });
}

std::wstring Quoted(const std::wstring& path)
{
    return L"\"" + path + L"\"";
}

// Which file this is: the volume and the index, the same for every name of it.
std::pair<DWORD, uint64_t> IdentityOf(const std::wstring& path)
{
    UniqueHandle file(CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    BY_HANDLE_FILE_INFORMATION info{};
    GetFileInformationByHandle(file.Get(), &info);
    return {info.dwVolumeSerialNumber, uint64_t(info.nFileIndexHigh) << 32 | info.nFileIndexLow};
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

std::wstring TextOf(const Exception& e)
{
    const std::u16string text = e.Text();
    return std::wstring(text.begin(), text.end());
}

// The EInOutError the action raises; code 0 and no text when it raises none.
struct Failure {
    int code = 0;
    std::string message;
    std::wstring text;
};

Failure FailureOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const EInOutError& e) {
        return {e.ErrorCode(), e.Message(), TextOf(e)};
    }
    return {};
}

int ErrorCodeOf(const std::function<void()>& action)
{
    return FailureOf(action).code;
}

// Number of wrapped file calls the action makes when nothing fails.
int CallsOf(const std::function<void()>& action)
{
    int before = FileFaults::CallCount();
    action();
    return FileFaults::CallCount() - before;
}

using Call = SeamCall;

// Refuses the wrapped file calls the rule picks, with the rule's code,
// while it lives.
class Refusal : public FileFaults::Observer {
public:
    using Rule = std::function<DWORD(Call, const std::wstring& path, const std::wstring& target)>;
    explicit Refusal(Rule rule) : rule_(std::move(rule)) { FileFaults::Observe(this); }
    ~Refusal() override { FileFaults::Observe(nullptr); }
    DWORD Before(Call call, const std::wstring& path, const std::wstring& target, HANDLE) override
    {
        return rule_(call, path, target);
    }
    void After(Call, const std::wstring&, const std::wstring&, HANDLE) override {}

private:
    Rule rule_;
};

std::vector<BaseListEntry> ManyEntries(size_t count, char mark = 'p')
{
    std::vector<BaseListEntry> entries;
    for (size_t i = 0; i < count; ++i)
        entries.push_back(
            {"\xc1\xe0\xe7\xe0 " + std::to_string(i), "C:\\1C\\" + std::string(180, mark), "login", "secret"});
    return entries;
}

const std::string kOldBytes = "Old\r\nC:\\Old\r\nuser\r\npass\r\nSecond\r\n\r\n\r\n\r\n";
const std::vector<BaseListEntry> kOldEntries = {{"Old", "C:\\Old", "user", "pass"}, {"Second", "", "", ""}};
const std::vector<BaseListEntry> kNewEntries = {{"New", "D:\\New", "", "pw"}};
const std::string kNewBytes = "New\r\nD:\\New\r\n\r\npw\r\n";

class BaseListFile : public testing::Test {
protected:
    void SetUp() override
    {
        ForgetBaseListRun();
        RemoveUserCopies();
        OpenBaseTable(table);
    }
    void TearDown() override
    {
        FileFaults::Disarm();
        FileFaults::Observe(nullptr);
        RemoveUserCopies();
    }
    // The companions a save may leave in the user's own folder.
    std::set<std::wstring> UserCopies() const
    {
        std::set<std::wstring> found;
        for (const wchar_t* suffix : {L".tmp", L".new", L".bak"})
            if (EntryExists(BaseListUserCopyPath(path_, suffix)))
                found.insert(suffix);
        return found;
    }
    void RemoveUserCopies() const
    {
        for (const wchar_t* suffix : {L".tmp", L".new", L".bak"})
            DeleteFileW(BaseListUserCopyPath(path_, suffix).c_str());
    }

    TempFolder temp_;
    const std::wstring folder_ = temp_.WidePath();
    const std::wstring path_ = folder_ + kBaseListFileName;
    TRxMemoryData table{"BaseRxMemoryData"};  // the main window's, open and empty
};

}  // namespace

TEST_F(BaseListFile, MissingFileLoadsNothingAndAnEmptyTableIsSavedAsAnEmptyFile)
{
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

    LoadBaseList(table, folder_);
    // Each row went in before the previous one.
    EXPECT_EQ(NamesInOrder(table), (std::vector<std::string>{"Middle", "alpha", "Zeta"}));
    table.SortByFields("Name", true, false);
    SaveBaseList(table, folder_);
    EXPECT_EQ(ReadBytes(path_), alpha + middle + zeta);
}

TEST_F(BaseListFile, TableCutsLongValuesAndKeepsTheEntriesOfLooseLines)
{
    // A 300-character name, then a trailing blank line: an all-empty entry.
    WriteBytes(path_, std::string(300, 'N') + "\r\npath\nlogin\r\npass\r\n\r\n");
    LoadBaseList(table, folder_);
    table.SortByFields("Name", true, false);
    ASSERT_EQ(table.RowCount(), 2);
    SaveBaseList(table, folder_);
    EXPECT_EQ(ReadBytes(path_), "\r\n\r\n\r\n\r\n" + std::string(100, 'N') + "\r\npath\r\nlogin\r\npass\r\n");
}

TEST_F(BaseListFile, RowsPostedBeforeAFailedLoadStayInTheTable)
{
    WriteBytes(path_, kOldBytes);
    // Open, the one block (both entries), then the read at the end fails.
    FileFaults::Arm(3, ERROR_CRC);
    EXPECT_EQ(ErrorCodeOf([&] { LoadBaseList(table, folder_); }), ERROR_CRC);
    EXPECT_EQ(NamesInOrder(table), (std::vector<std::string>{"Second", "Old"}));
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
    const Failure load =
        FailureOf([&] { LoadBaseListFile(path_, [&](const BaseListValues& e) { entries.push_back(CopyOf(e)); }); });
    EXPECT_EQ(load.code, ERROR_SHARING_VIOLATION);
    EXPECT_EQ(load.message, "I/O error 32");
    EXPECT_TRUE(entries.empty());
    EXPECT_EQ(ErrorCodeOf([&] { Save(path_, kNewEntries); }), ERROR_SHARING_VIOLATION);

    holder.Reset();
    EXPECT_EQ(ReadBytes(path_), kOldBytes);
    EXPECT_FALSE(EntryExists(BaseListTempPath(path_)));
}

TEST_F(BaseListFile, SavesRefusedOrNotLeaveTheCurrentRowWhereTheOperatorPutIt)
{
    WriteBytes(path_, "B\r\n\r\n\r\n\r\nA\r\n\r\n\r\n\r\nC\r\n\r\n\r\n\r\n");
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
// The same file, not a new one under its name: the reader sees the new list.
TEST_F(BaseListFile, ReaderThatForbidsReplacingGetsTheListWrittenInPlace)
{
    WriteBytes(path_, kOldBytes + kOldBytes);
    const auto identity = IdentityOf(path_);
    UniqueHandle reader = Hold(path_, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE);
    ASSERT_TRUE(reader);
    Save(path_, kNewEntries);
    EXPECT_EQ(ReadBytes(path_), kNewBytes);
    EXPECT_EQ(IdentityOf(path_), identity);
    EXPECT_EQ(FolderContent(folder_), std::set<std::wstring>{L"Bases.dat"});
}

// A list with a second name (a hard link) is written through: both names
// see the new list, and they stay one file.
TEST_F(BaseListFile, HardLinkedListIsWrittenThroughSoEveryNameSeesIt)
{
    WriteBytes(path_, kOldBytes);
    const std::wstring other = folder_ + L"Другое имя.dat";
    ASSERT_TRUE(CreateHardLinkW(other.c_str(), path_.c_str(), nullptr));
    Save(path_, kNewEntries);
    EXPECT_EQ(ReadBytes(path_), kNewBytes);
    EXPECT_EQ(ReadBytes(other), kNewBytes);
    EXPECT_EQ(IdentityOf(path_), IdentityOf(other));
}

TEST_F(BaseListFile, SavedFileKeepsItsAttributesReplacedOrWrittenInPlace)
{
    const DWORD kept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;
    for (bool reader : {false, true}) {
        WriteBytes(path_, kOldBytes);
        ASSERT_TRUE(SetFileAttributesW(path_.c_str(), kept));
        UniqueHandle holder;
        if (reader)
            holder = Hold(path_, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE);
        Save(path_, kNewEntries);
        holder.Reset();
        EXPECT_EQ(ReadBytes(path_), kNewBytes) << "reader " << reader;
        EXPECT_EQ(GetFileAttributesW(path_.c_str()) & (kept | FILE_ATTRIBUTE_READONLY), kept) << "reader " << reader;
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
                    if (TextOf(e).find(L"Полный список баз сохранён в файле " + Quoted(BaseListCompletePath(path_))) !=
                        std::wstring::npos) {
                        ++keptCases;
                        EXPECT_TRUE(ReadBytes(BaseListCompletePath(path_)) == newBytes) << where << n;
                        // A new start finds the complete list there.
                        ForgetBaseListRun();
                        EXPECT_TRUE(Load(path_) == entries) << where << n;
                        ForgetBaseListRun();
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
                ForgetBaseListRun();
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

// After a failed load the first save keeps the file it could not read.
// Where the program's folder takes no backup (here a folder of that name)
// it goes to the user's own folder, and the operator is told where, even
// when the save then fails. It is made once: the next save cannot replace
// it with whatever Bases.dat holds by then.
TEST_F(BaseListFile, BackupOfAFailedLoadIsMadeOnceWhereItCanBe)
{
    WriteBytes(path_, kOldBytes);
    FileFaults::Arm(1, ERROR_SHARING_VIOLATION);
    EXPECT_EQ(ErrorCodeOf([&] { Load(path_); }), ERROR_SHARING_VIOLATION);
    const std::wstring own = BaseListUserCopyPath(path_, L".bak");
    ASSERT_TRUE(CreateDirectoryW(BaseListBackupPath(path_).c_str(), nullptr));
    {
        Refusal full([&](Call call, const std::wstring&, const std::wstring& target) {
            return call == Call::Move && target == BaseListCompletePath(path_) ? DWORD(ERROR_DISK_FULL) : 0;
        });
        const Failure save = FailureOf([&] { Save(path_, kNewEntries); });
        EXPECT_EQ(save.code, ERROR_DISK_FULL);
        EXPECT_NE(save.text.find(L"Копия сохранена в файле " + Quoted(own)), std::wstring::npos);
    }
    EXPECT_EQ(ReadBytes(path_), kOldBytes);
    EXPECT_EQ(ReadBytes(own), kOldBytes);

    WriteBytes(path_, "half-written");
    EXPECT_EQ(Save(path_, kNewEntries), L"");
    EXPECT_EQ(ReadBytes(path_), kNewBytes);
    EXPECT_EQ(ReadBytes(own), kOldBytes);

    ForgetBaseListRun();
    WriteBytes(path_, kOldBytes);
    FileFaults::Arm(1, ERROR_SHARING_VIOLATION);
    EXPECT_EQ(ErrorCodeOf([&] { Load(path_); }), ERROR_SHARING_VIOLATION);
    const std::wstring notice = Save(path_, kNewEntries);
    EXPECT_NE(notice.find(L"Копия сохранена в файле " + Quoted(own)), std::wstring::npos) << Narrow(notice);
}

// A Bases.dat that cannot be read at all cannot be kept: the first close
// says so and that the next one writes the list without the copy, which it
// does. The operator is never held in the program by the backup alone.
TEST_F(BaseListFile, UnreadableFileRefusesOneCloseForItsBackupAndNoMore)
{
    WriteBytes(path_, kOldBytes);
    FileFaults::Arm(1, ERROR_ACCESS_DENIED);
    EXPECT_EQ(ErrorCodeOf([&] { Load(path_); }), ERROR_ACCESS_DENIED);
    int opens = 0;
    Refusal unreadable([&](Call call, const std::wstring& path, const std::wstring&) {
        // Every second open of the list is the backup's, for reading.
        return call == Call::Create && path == path_ && ++opens % 2 == 0 ? DWORD(ERROR_ACCESS_DENIED) : 0;
    });
    EXPECT_EQ(FailureOf([&] { Save(path_, kNewEntries); }).text,
              L"Не удалось прочитать файл " + Quoted(path_) +
                  L", чтобы сохранить его копию (нет доступа: файл только для чтения, это папка или "
                  L"нет прав на запись, код 5). Список не записан, файл " +
                  Quoted(path_) + L" не изменён. Если закрыть программу ещё раз, список будет записан без копии");
    EXPECT_EQ(ReadBytes(path_), kOldBytes);
    Save(path_, kNewEntries);
    EXPECT_EQ(ReadBytes(path_), kNewBytes);
}

// The torn file of an in-place write stopped part-way is never taken for the
// list: the complete copy stays, visible, and is named; a new start loads
// it and says so, and keeps the torn file as the backup at the next save.
TEST_F(BaseListFile, InPlaceWriteStoppedPartWayIsRecoveredFromTheCompleteCopyAtTheNextStart)
{
    const std::vector<BaseListEntry> entries = ManyEntries(400);
    const std::string oldBytes = BytesOf(ManyEntries(500, 'q'));
    WriteBytes(path_, oldBytes);
    ASSERT_TRUE(SetFileAttributesW(path_.c_str(), FILE_ATTRIBUTE_HIDDEN));
    {
        UniqueHandle reader = Hold(path_, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE);
        int writes = 0;
        Refusal full([&](Call call, const std::wstring&, const std::wstring&) {
            // The list's two blocks, its first block in place, then the second.
            return call == Call::Write && ++writes == 4 ? DWORD(ERROR_DISK_FULL) : 0;
        });
        EXPECT_NE(FailureOf([&] {
                      Save(path_, entries);
                  }).text.find(L"Полный список баз сохранён в файле " + Quoted(BaseListCompletePath(path_))),
                  std::wstring::npos);
    }
    EXPECT_EQ(GetFileAttributesW(BaseListCompletePath(path_).c_str()) & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM),
              0u);
    const std::string torn = *ReadBytes(path_);
    ASSERT_NE(torn, oldBytes);
    ASSERT_NE(torn, BytesOf(entries));

    ForgetBaseListRun();
    std::vector<BaseListEntry> loaded;
    const std::wstring notice = LoadBaseListFile(path_, [&](const BaseListValues& e) { loaded.push_back(CopyOf(e)); });
    EXPECT_TRUE(loaded == entries);
    EXPECT_NE(notice.find(L"Загружен полный список из файла " + Quoted(BaseListCompletePath(path_))),
              std::wstring::npos);
    Save(path_, loaded);
    EXPECT_EQ(ReadBytes(path_), BytesOf(entries));
    EXPECT_EQ(ReadBytes(BaseListBackupPath(path_)), torn);
    EXPECT_EQ(FolderContent(folder_), (std::set<std::wstring>{L"Bases.dat", L"Bases.dat.bak"}));
}

// Leftovers of killed saves are taken over or removed, hidden ones too; a
// copy that cannot be deleted after the list is written is named, since it
// holds the passwords in plain text.
TEST_F(BaseListFile, LeftoversOfKilledSavesGoAndACopyThatStaysIsNamed)
{
    WriteBytes(path_, kOldBytes);
    for (const std::wstring& leftover : {BaseListTempPath(path_), path_ + L".3.tmp"}) {
        WriteBytes(leftover, "leftover");
        ASSERT_TRUE(SetFileAttributesW(leftover.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
    }
    WriteBytes(BaseListUserCopyPath(path_, L".tmp"), "leftover");
    EXPECT_EQ(Save(path_, kNewEntries), L"");
    EXPECT_EQ(FolderContent(folder_), std::set<std::wstring>{L"Bases.dat"});
    EXPECT_TRUE(UserCopies().empty());

    UniqueHandle reader = Hold(path_, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE);
    Refusal busy([&](Call call, const std::wstring& path, const std::wstring&) {
        return call == Call::Delete && path == BaseListCompletePath(path_) ? DWORD(ERROR_SHARING_VIOLATION) : 0;
    });
    const std::wstring notice = Save(path_, kOldEntries);
    EXPECT_EQ(ReadBytes(path_), kOldBytes);
    EXPECT_NE(notice.find(L"его копию " + Quoted(BaseListCompletePath(path_)) + L" удалить не удалось"),
              std::wstring::npos)
        << Narrow(notice);
}

// With every temporary name in the folder taken, the list goes through the
// user's own folder and is written in place, leaving nothing there; when
// that is refused too, the message names every file and its cause, with
// the folder's name exactly as Windows has it.
TEST_F(BaseListFile, TakenTemporaryNamesAreNamedWithTheirCauseExactly)
{
    const std::wstring folder = folder_ + L"J\u00fcrgen \u6570\u636e\\";
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    const std::wstring path = folder + kBaseListFileName;
    WriteBytes(path, kOldBytes);
    for (int n = 0; n <= 9; ++n)
        ASSERT_TRUE(CreateDirectoryW((path + (n ? L"." + std::to_wstring(n) : L"") + L".tmp").c_str(), nullptr));
    const std::wstring own = BaseListUserCopyPath(path, L".tmp");
    ASSERT_TRUE(CreateDirectoryW(own.c_str(), nullptr));
    const std::wstring text = FailureOf([&] { Save(path, kNewEntries); }).text;
    EXPECT_EQ(text.rfind(L"Не удалось создать временный файл для записи списка баз: " + Quoted(BaseListTempPath(path)) +
                             L", ",
                         0),
              0u)
        << Narrow(text);
    for (const std::wstring& name : {path + L".9.tmp", own})
        EXPECT_NE(text.find(Quoted(name)), std::wstring::npos) << Narrow(text);
    EXPECT_NE(text.find(L"Файл " + Quoted(path) + L" не изменён"), std::wstring::npos);
    EXPECT_EQ(ReadBytes(path), kOldBytes);
    ASSERT_TRUE(RemoveDirectoryW(own.c_str()));
    Save(path, kNewEntries);
    EXPECT_EQ(ReadBytes(path), kNewBytes);
    EXPECT_FALSE(EntryExists(own));
    EXPECT_FALSE(EntryExists(BaseListUserCopyPath(path, L".new")));
}

// A folder reached through "\\?\" (a start by that path, or a folder
// deeper than MAX_PATH) loads and saves as any other.
TEST_F(BaseListFile, ListIsFoundThroughTheLongPathPrefixAndBeyondMaxPath)
{
    std::wstring deep = L"\\\\?\\" + folder_;
    std::vector<std::wstring> made;
    while (deep.size() < MAX_PATH + 40) {
        deep += L"Папка с длинным именем\\";
        ASSERT_TRUE(CreateDirectoryW(deep.c_str(), nullptr));
        made.push_back(deep);
    }
    for (const std::wstring& folder : {L"\\\\?\\" + folder_, deep}) {
        const std::wstring path = folder + kBaseListFileName;
        WriteBytes(path, kOldBytes);
        ForgetBaseListRun();
        EXPECT_EQ(Load(path), kOldEntries);
        Save(path, kNewEntries);
        EXPECT_EQ(ReadBytes(path), kNewBytes);
        EXPECT_TRUE(FileExists(path));
        DeleteFileW(path.c_str());
    }
    for (auto it = made.rbegin(); it != made.rend(); ++it)
        RemoveDirectoryW(it->c_str());
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

// What the disk holds for certain since the model began, file by file: a
// write is certain once flushed; creating, renaming and deleting are
// certain at once, as the file system's journal makes them. A power cut
// takes every file back to its certain content, or tears it: the first
// part of what the program wrote, the rest as it was. It can also stand
// for a folder that takes no new file.
class DiskModel : public FileFaults::Observer {
public:
    explicit DiskModel(std::wstring lockedFolder = {}) : locked_(std::move(lockedFolder)) { FileFaults::Observe(this); }
    ~DiskModel() override { FileFaults::Observe(nullptr); }

    DWORD Before(Call call, const std::wstring& path, const std::wstring& target, HANDLE file) override
    {
        if (call == Call::Close)
            open_.erase(file);
        // A write after a flush: what was flushed is certain, the rest not.
        if (auto it = open_.find(file);
            it != open_.end() && (call == Call::Write || call == Call::Truncate) && flushed_.erase(it->second))
            certain_[it->second] = ReadBytes(it->second);
        const std::wstring& created = call == Call::Move || call == Call::Replace ? target : path;
        if (!locked_.empty() && (call == Call::Create || call == Call::Move) && !EntryExists(created) &&
            created.substr(0, created.find_last_of(L'\\') + 1) == locked_)
            return ERROR_ACCESS_DENIED;
        if (call == Call::Create || call == Call::Move || call == Call::Replace || call == Call::Delete) {
            Track(path);
            Track(target);
        }
        return 0;
    }
    void After(Call call, const std::wstring& path, const std::wstring& target, HANDLE file) override
    {
        switch (call) {
        case Call::Create: open_[file] = path; break;
        // What a flushed file holds when the power goes is certain, unless
        // it was written again (the save holds its temporary file without
        // sharing reading, so it is read only when needed).
        case Call::Flush:
            if (auto it = open_.find(file); it != open_.end())
                flushed_.insert(it->second);
            break;
        case Call::Move:
        case Call::Replace:
            certain_[target] = certain_[path];
            certain_[path] = std::nullopt;
            if (flushed_.erase(path))
                flushed_.insert(target);
            break;
        case Call::Delete:
            certain_[path] = std::nullopt;
            flushed_.erase(path);
            break;
        default: break;
        }
    }

    // tear 0: nothing unflushed reached the disk; 0.5: the first half did.
    void PowerCut(double tear) const
    {
        for (const auto& [path, certain] : certain_) {
            const std::optional<std::string> now = ReadBytes(path);
            if (!now || now == certain || flushed_.contains(path))
                continue;
            const std::string before = certain.value_or("");
            const size_t reached = size_t(double(now->size()) * tear);
            WriteBytes(path, now->substr(0, reached) + (before.size() > reached ? before.substr(reached) : ""));
        }
    }

private:
    void Track(const std::wstring& path)
    {
        if (!path.empty() && !certain_.contains(path))
            certain_[path] = ReadBytes(path);
    }

    std::wstring locked_;
    std::map<std::wstring, std::optional<std::string>> certain_;
    std::set<std::wstring> flushed_;
    std::map<HANDLE, std::wstring> open_;
};

}  // namespace

// Every save path stopped at each of its file calls in turn, once as a
// killed process and once or more as a power cut, then a new start's load:
// it gives the complete old list or the complete new one, every time, and
// the save after it leaves nothing behind. AUTOPERIOD_CRASH_TEARS sets how
// many ways a power cut tears the unflushed writes (1 by default: all lost;
// scripts/crash-check tries more).
TEST_F(BaseListFile, CrashAtAnyCallOfAnySaveLeavesTheOldOrTheNewListForTheNextStart)
{
    const char* tearsSetting = std::getenv("AUTOPERIOD_CRASH_TEARS");
    const int tears = tearsSetting ? std::max(1, std::atoi(tearsSetting)) : 1;
    std::vector<double> cuts = {-1};  // the kill: nothing lost that was written
    for (int t = 0; t < tears; ++t)
        cuts.push_back(double(t) / tears);
    const std::vector<BaseListEntry> oldEntries = ManyEntries(450, 'o'), newEntries = ManyEntries(400, 'n');
    const std::string oldBytes = BytesOf(oldEntries);

    struct SavePath {
        const char* name;
        bool reader = false, takenTemp = false, locked = false, failedLoad = false;
    };
    const SavePath paths[] = {{"rename"},
                              {"taken temporary name", false, true},
                              {"in place for a reader", true},
                              {"folder that takes no new files", false, false, true},
                              {"first save after a failed load", false, false, false, true}};
    int losses = 0;
    for (const SavePath& p : paths) {
        UniqueHandle reader;
        auto prepare = [&] {
            reader.Reset();
            for (const std::wstring& name : FolderContent(folder_)) {
                SetFileAttributesW((folder_ + name).c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileW((folder_ + name).c_str()) || RemoveDirectoryW((folder_ + name).c_str());
            }
            RemoveUserCopies();
            ForgetBaseListRun();
            WriteBytes(path_, oldBytes);
            if (p.takenTemp)
                CreateDirectoryW(BaseListTempPath(path_).c_str(), nullptr);
            if (p.reader)
                reader = Hold(path_, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE);
            if (p.failedLoad) {
                FileFaults::Arm(2, ERROR_CRC);
                ErrorCodeOf([&] { Load(path_); });
            }
        };
        const std::wstring locked = p.locked ? folder_ : std::wstring();
        prepare();
        int calls = 0;
        {
            DiskModel lock(locked);
            calls = CallsOf([&] { Save(path_, newEntries); });
        }
        int tried = 0, pathLosses = 0;
        // The last crash point lies after the save: what it did must be on the device.
        for (int n = 1; n <= calls + 1; ++n) {
            for (double cut : cuts) {
                prepare();
                {
                    DiskModel disk(locked);
                    FileFaults::CrashAt(n);
                    try {
                        Save(path_, newEntries);
                    } catch (...) {}
                    FileFaults::Disarm();
                    reader.Reset();
                    if (cut >= 0)
                        disk.PowerCut(cut);
                }
                ++tried;
                ForgetBaseListRun();
                DiskModel lock(locked);
                std::vector<BaseListEntry> loaded;
                const int code = ErrorCodeOf([&] { loaded = Load(path_); });
                if (code != 0 || (loaded != oldEntries && loaded != newEntries)) {
                    ++pathLosses;
                    ADD_FAILURE() << p.name << ": crash at call " << n << " of " << calls << ", cut " << cut
                                  << ": the next start loaded " << loaded.size() << " entries, code " << code << [&] {
                                         std::string files;
                                         for (const std::wstring& name : FolderContent(folder_))
                                             files += " " + Narrow(name) + ":" +
                                                      std::to_string(ReadBytes(folder_ + name).value_or("").size());
                                         return files;
                                     }();
                    continue;
                }
                Save(path_, loaded);
                std::set<std::wstring> expected = {L"Bases.dat"};
                if (p.takenTemp)
                    expected.insert(L"Bases.dat.tmp");
                std::set<std::wstring> left = FolderContent(folder_);
                left.erase(L"Bases.dat.bak");  // a backup of what a load did not take whole is meant to stay
                EXPECT_EQ(left, expected) << p.name << ": crash at call " << n << ", cut " << cut;
                EXPECT_TRUE(UserCopies().empty() || UserCopies() == std::set<std::wstring>{L".bak"})
                    << p.name << ": crash at call " << n << ", cut " << cut;
            }
        }
        std::printf("crash and restart, %s: %d crash points, %d tried, %d losses\n", p.name, calls, tried, pathLosses);
        losses += pathLosses;
        EXPECT_GT(calls, 10) << p.name;
    }
    EXPECT_EQ(losses, 0);
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
// goes to a temporary file in the user's temporary folder and is then
// written in place, as a plain rewrite would do it.
// A folder that scripts/wine-as-user prepared for the test user.
std::wstring PreparedFolder(const char* variable)
{
    const char* unixPath = std::getenv(variable);
    if (!unixPath)
        return {};
    std::wstring folder = L"Z:" + Wide(unixPath) + L"\\";
    std::replace(folder.begin(), folder.end(), L'/', L'\\');
    return folder;
}

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
// flushing, renaming or writing in place, just after), every second time
// with a reader that forbids replacing the file: the next start loads the
// complete old list or the complete new one. AUTOPERIOD_SAVE_KILLS sets the
// number of kills (60 by default; scripts/crash-check runs more).
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

    // One save to the end, in place, gives the span over which the kills
    // are spread.
    int current = 0;
    {
        UniqueHandle reader = Hold(path_, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE);
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
        UniqueHandle reader;
        if (k % 2)
            reader = Hold(path_, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE);
        UniqueHandle child = startSave(which);
        ASSERT_TRUE(child);
        Sleep(DWORD(uint64_t(span) * k / kills));
        TerminateProcess(child.Get(), 9);
        WaitForSingleObject(child.Get(), 30000);
        reader.Reset();
        const LONG rows = progress->rowsHanded;
        ++landed[progress->done ? 6 : rows == LONG(kKillTestRows) ? 5 : rows * 5 / LONG(kKillTestRows)];

        // What the next start of the program sees.
        ForgetBaseListRun();
        std::vector<BaseListEntry> loaded;
        const int code = ErrorCodeOf([&] { loaded = Load(path_); });
        ForgetBaseListRun();
        const std::string now = BytesOf(loaded);
        if (code == 0 && now == bytes[current]) {
            ++stayed;
        } else if (code == 0 && now == bytes[which]) {
            ++replaced;
            current = which;
        } else {
            ADD_FAILURE() << "kill " << k << (k % 2 ? " in place" : "") << " after " << rows
                          << " rows: the next start loaded " << loaded.size() << " entries that are neither list";
        }
    }
    UnmapViewOfFile(progress);
    std::printf("%d kills over %lu ms of a %zu-byte save; landed in rows 0-20-40-60-80-100%%: %d %d %d %d %d, "
                "after the last row: %d, after the save: %d; old list kept %d times, new one %d times\n",
                kills, span, bytes[0].size(), landed[0], landed[1], landed[2], landed[3], landed[4], landed[5],
                landed[6], stayed, replaced);
    EXPECT_GT(kills - landed[6], 0) << "no kill fell inside a save";
}
