// Bases.dat on real files in a temporary folder with a Russian name, with the
// file layer's fault seam making single steps fail.
#include "BaseListFileSupport.h"

TEST_F(BaseListFile, MissingOrEmptyFileLoadsNothingAndAnEmptyTableIsSavedAsAnEmptyFile)
{
    LoadBaseList(table, folder_);
    EXPECT_EQ(table.RowCount(), 0);
    SaveBaseList(table, folder_);
    EXPECT_EQ(ReadBytes(path_), "");
    EXPECT_FALSE(EntryExists(BaseListTempPath(path_)));
    // The empty file that is there now loads nothing and is closed again.
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
                        Starts::StartAgain();
                        EXPECT_TRUE(Load(path_) == entries) << where << n;
                        Starts::StartAgain();
                    } else {
                        EXPECT_EQ(ReadBytes(path_), c.oldFile ? std::optional(kOldBytes) : std::nullopt)
                            << where << n << ": " << e.Message();
                        // Only the first open, as a rewrite's, says no more than the code.
                        if (TextOf(e) != TextOf(EInOutError(int(code))))
                            EXPECT_EQ(TextOf(e).rfind(L"Список баз не сохранён: не удалось", 0), 0u)
                                << where << n << ": " << Narrow(TextOf(e));
                    }
                }
                FileFaults::Disarm();
                reader.Reset();
                EXPECT_TRUE(!c.oldFile || IsClosed(path_)) << where << n;
                Save(path_, entries);
                EXPECT_TRUE(ReadBytes(path_) == newBytes) << where << n;
                EXPECT_EQ(FolderContent(folder_), std::set<std::wstring>{L"Bases.dat"}) << where << n;
                Starts::StartAgain();
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
        // Neither the rename nor any complete copy can be made.
        Refusal full([&](Call call, const std::wstring& path, const std::wstring& target) {
            const bool copy = (call == Call::Create ? path : target).ends_with(L".new");
            return (call == Call::Move && (target == path_ || copy)) || (call == Call::Create && copy)
                       ? DWORD(ERROR_DISK_FULL)
                       : 0;
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

    Starts::StartAgain();
    WriteBytes(path_, kOldBytes);
    FileFaults::Arm(1, ERROR_SHARING_VIOLATION);
    EXPECT_EQ(ErrorCodeOf([&] { Load(path_); }), ERROR_SHARING_VIOLATION);
    const std::wstring notice = Save(path_, kNewEntries);
    EXPECT_NE(notice.find(L"Копия сохранена в файле \"" + BaseListUserFolder()), std::wstring::npos) << Narrow(notice);
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

// An in-place write stopped part-way leaves the file marked as not whole,
// and the complete copy, here in the user's folder (a folder holds the name
// beside the list) under the file's identity. A start through another
// spelling of the folder finds it; a start by another user, who cannot,
// says so and loads nothing, and its close keeps the torn file. Nobody
// takes the torn file for the list.
TEST_F(BaseListFile, InPlaceWriteStoppedPartWayIsFoundThroughAnySpellingAndNamedToAnotherUser)
{
    const std::vector<BaseListEntry> entries = ManyEntries(400);
    const std::string oldBytes = BytesOf(ManyEntries(500, 'q'));
    WriteBytes(path_, oldBytes);
    ASSERT_TRUE(CreateDirectoryW(BaseListCompletePath(path_).c_str(), nullptr));
    const std::wstring own = BaseListUserCopyPath(path_, L".new");
    {
        UniqueHandle reader = Hold(path_, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE);
        Refusal full([&](Call call, const std::wstring&, const std::wstring&) {
            return call == Call::Truncate ? DWORD(ERROR_DISK_FULL) : 0;
        });
        const Failure save = FailureOf([&] { Save(path_, entries); });
        EXPECT_NE(save.text.find(L"Полный список баз сохранён в файле " + Quoted(own)), std::wstring::npos)
            << Narrow(save.text);
    }
    const std::string torn = *ReadBytes(path_);
    EXPECT_EQ(torn[0], '\x1A');
    EXPECT_EQ(ReadBytes(own), BytesOf(entries));

    const std::wstring other = OtherSpelling(folder_);
    ASSERT_FALSE(other.empty());
    for (const std::wstring& folder : {folder_, other}) {
        Starts::StartAgain();
        std::vector<BaseListEntry> loaded;
        const std::wstring notice =
            LoadBaseListFile(folder + kBaseListFileName, [&](const BaseListValues& e) { loaded.push_back(CopyOf(e)); });
        EXPECT_TRUE(loaded == entries) << Narrow(folder);
        EXPECT_NE(notice.find(L"Загружен полный список из файла " + Quoted(own)), std::wstring::npos) << Narrow(notice);
    }

    {
        AnotherUser stranger(folder_ + L"другой пользователь");
        Starts::StartAgain();
        std::vector<BaseListEntry> loaded;
        const Failure load = FailureOf([&] { loaded = Load(path_); });
        EXPECT_TRUE(loaded.empty());
        EXPECT_EQ(load.code, ERROR_FILE_CORRUPT);
        EXPECT_EQ(load.text.rfind(L"Файл " + Quoted(path_) + L" записан не полностью", 0), 0u) << Narrow(load.text);
        Save(path_, kNewEntries);
        EXPECT_EQ(ReadBytes(BaseListBackupPath(path_)), torn);
    }
    // The other user's list is complete now: the copy is not taken for it.
    Starts::StartAgain();
    EXPECT_EQ(Load(path_), kNewEntries);
    Save(path_, kNewEntries);
    EXPECT_EQ(ReadBytes(path_), kNewBytes);
    EXPECT_EQ(FolderContent(folder_),
              (std::set<std::wstring>{L"Bases.dat", L"Bases.dat.bak", L"Bases.dat.new", L"другой пользователь"}));
}

// A copy beside a complete list is a leftover, never the list: not when it
// differs (a stale copy), not when another program holds it at start. It
// goes at the next save, or is named when it cannot.
TEST_F(BaseListFile, CopyBesideACompleteListIsNeverTakenForItWhoeverHoldsIt)
{
    const std::wstring copy = BaseListCompletePath(path_);
    WriteBytes(path_, kNewBytes);
    WriteBytes(copy, kOldBytes);
    {
        UniqueHandle scanner = Hold(copy, GENERIC_READ, 0);
        ASSERT_TRUE(scanner);
        EXPECT_EQ(Load(path_), kNewEntries);
        const std::wstring notice = Save(path_, kNewEntries);
        EXPECT_NE(notice.find(L"его копию " + Quoted(copy) + L" удалить не удалось"), std::wstring::npos)
            << Narrow(notice);
    }
    Starts::StartAgain();
    EXPECT_EQ(Load(path_), kNewEntries);
    EXPECT_EQ(Save(path_, kNewEntries), L"");
    EXPECT_EQ(FolderContent(folder_), std::set<std::wstring>{L"Bases.dat"});
}

// A torn list whose complete copy another program holds at start: the
// start names the copy and loads nothing; the close keeps the copy (once
// refused while it still cannot be read), then writes the list.
TEST_F(BaseListFile, CompleteCopyThatCannotBeReadAtStartIsKeptNotTakenForNoList)
{
    const std::wstring copy = BaseListCompletePath(path_);
    WriteBytes(path_, "\x1A" + kOldBytes.substr(1));
    WriteBytes(copy, kNewBytes);
    UniqueHandle scanner = Hold(copy, GENERIC_READ, 0);
    ASSERT_TRUE(scanner);
    const Failure load = FailureOf([&] { Load(path_); });
    EXPECT_EQ(load.code, ERROR_SHARING_VIOLATION);
    EXPECT_NE(load.text.find(L"файл " + Quoted(copy) + L" с полным списком прочитать не удалось"), std::wstring::npos)
        << Narrow(load.text);
    const Failure refused = FailureOf([&] { Save(path_, {}); });
    EXPECT_NE(refused.text.find(Quoted(copy)), std::wstring::npos) << Narrow(refused.text);
    scanner.Reset();
    EXPECT_EQ(ReadBytes(copy), kNewBytes);
    EXPECT_EQ(Save(path_, {}), L"");
    EXPECT_EQ(ReadBytes(BaseListBackupPath(path_)), kNewBytes);
    EXPECT_EQ(ReadBytes(path_), "");
}

// A list with access rights of its own (here: its owner's alone) keeps
// them, and stays the same file: a new file would get the folder's.
TEST_F(BaseListFile, ListWithRightsOfItsOwnKeepsThem)
{
    WriteBytes(path_, kOldBytes);
    const std::string before = PrivateRights(path_);
    ASSERT_FALSE(before.empty());
    const auto identity = IdentityOf(path_);
    Save(path_, kNewEntries);
    EXPECT_EQ(ReadBytes(path_), kNewBytes);
    EXPECT_EQ(RightsOf(path_), before);
    EXPECT_EQ(IdentityOf(path_), identity);
    EXPECT_EQ(FolderContent(folder_), std::set<std::wstring>{L"Bases.dat"});
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
    CreateDirectoryW(BaseListUserFolder().c_str(), nullptr);
    ASSERT_TRUE(CreateDirectoryW(own.c_str(), nullptr));
    const std::wstring text = FailureOf([&] { Save(path, kNewEntries); }).text;
    EXPECT_EQ(text.rfind(L"Список баз не сохранён: не удалось создать временный файл для записи списка баз: " +
                             Quoted(BaseListTempPath(path)) + L", ",
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
    EXPECT_TRUE(UserCopies().empty());
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
        Starts::StartAgain();
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

TEST_F(BaseListFile, FullDiskLeavesTheListAsItWasAndSaysWhichFile)
{
    const std::wstring folder = PreparedFolder("AUTOPERIOD_FULL_DISK_FOLDER");
    if (folder.empty())
        GTEST_SKIP() << "no small disk prepared by scripts/test";
    const std::wstring path = folder + kBaseListFileName, filler = folder + L"filler";
    const std::vector<BaseListEntry> entries = ManyEntries(300);
    const std::string oldBytes = BytesOf(ManyEntries(100, 'q'));
    for (bool reader : {false, true}) {
        WriteBytes(path, oldBytes);
        // Everything but a little less than the new list takes.
        {
            UniqueHandle fill(CreateFileW(filler.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
            const std::string block(4096, 'f');
            DWORD written = 0;
            while (WriteFile(fill.Get(), block.data(), DWORD(block.size()), &written, nullptr) && written > 0) {}
            ASSERT_EQ(GetLastError(), DWORD(ERROR_DISK_FULL));
            SetFilePointer(fill.Get(), -LONG(BytesOf(entries).size() / 2), nullptr, FILE_END);
            SetEndOfFile(fill.Get());
        }
        UniqueHandle holder;
        if (reader)
            holder = Hold(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE);
        Starts::StartAgain();
        ASSERT_EQ(Load(path).size(), 100u);
        const Failure save = FailureOf([&] { Save(path, entries); });
        EXPECT_EQ(save.code, ERROR_DISK_FULL) << "reader " << reader;
        EXPECT_EQ(save.text.rfind(L"Список баз не сохранён: не удалось записать файл " +
                                      Quoted(BaseListTempPath(path)) + L" (на диске нет места, код 112)",
                                  0),
                  0u)
            << Narrow(save.text);
        EXPECT_EQ(ReadBytes(path), oldBytes) << "reader " << reader;
        EXPECT_EQ(FolderContent(folder), (std::set<std::wstring>{L"Bases.dat", L"filler"})) << "reader " << reader;
        ASSERT_TRUE(DeleteFileW(filler.c_str()));
        Save(path, entries);
        EXPECT_EQ(ReadBytes(path), BytesOf(entries)) << "reader " << reader;
        holder.Reset();
        DeleteFileW(path.c_str());
    }
}
