// A save of Bases.dat stopped at every step, as a killed process and as a
// power cut, and real saving processes killed; then a new start, through
// the same or another spelling of the folder, or by another user.
#include "BaseListFileSupport.h"

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
        const std::wstring& created = call == Call::Move ? target : path;
        if (!locked_.empty() && (call == Call::Create || call == Call::Move) && !EntryExists(created) &&
            created.substr(0, created.find_last_of(L'\\') + 1) == locked_)
            return ERROR_ACCESS_DENIED;
        if (call == Call::Create || call == Call::Move || call == Call::Delete) {
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
        bool reader = false, takenTemp = false, locked = false, failedLoad = false, takenCopy = false;
    };
    const SavePath paths[] = {{"rename"},
                              {"taken temporary name", false, true},
                              {"in place for a reader", true},
                              {"folder that takes no new files", false, false, true},
                              {"first save after a failed load", false, false, false, true},
                              {"in place with the copy's name taken", true, false, false, false, true}};
    // The restarts: as the save named the folder, through another spelling
    // of it, as another user, and with the copy held by another program.
    // The last two may not find the list: then they say so and load nothing.
    TempFolder strangerHome;
    const std::wstring otherPath = OtherSpelling(folder_) + kBaseListFileName;
    ASSERT_NE(otherPath, kBaseListFileName);
    enum class Restart { AsSaved, OtherSpelling, AnotherUser, CopyHeld };
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
            Starts::StartAgain();
            WriteBytes(path_, oldBytes);
            if (p.takenTemp)
                CreateDirectoryW(BaseListTempPath(path_).c_str(), nullptr);
            if (p.takenCopy)
                CreateDirectoryW(BaseListCompletePath(path_).c_str(), nullptr);
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
                DiskModel lock(locked);
                std::vector<BaseListEntry> loaded;
                for (Restart restart :
                     {Restart::OtherSpelling, Restart::AnotherUser, Restart::CopyHeld, Restart::AsSaved}) {
                    Starts::StartAgain();
                    std::optional<AnotherUser> stranger;
                    if (restart == Restart::AnotherUser)
                        stranger.emplace(strangerHome.WidePath());
                    std::vector<UniqueHandle> scanners;
                    if (restart == Restart::CopyHeld)
                        for (const std::wstring& copy :
                             {BaseListCompletePath(path_), BaseListUserCopyPath(path_, L".new")})
                            scanners.push_back(Hold(copy, GENERIC_READ, 0));
                    loaded.clear();
                    const Failure failure =
                        FailureOf([&] { loaded = Load(restart == Restart::OtherSpelling ? otherPath : path_); });
                    const bool whole = failure.code == 0 && (loaded == oldEntries || loaded == newEntries);
                    const bool said =
                        loaded.empty() &&
                        ((restart == Restart::AnotherUser && failure.code == ERROR_FILE_CORRUPT) ||
                         (restart == Restart::CopyHeld && failure.code == ERROR_SHARING_VIOLATION &&
                          failure.text.find(L"с полным списком прочитать не удалось") != std::wstring::npos));
                    if (whole || said)
                        continue;
                    ++pathLosses;
                    ADD_FAILURE() << p.name << ": crash at call " << n << " of " << calls << ", cut " << cut
                                  << ", restart " << int(restart) << ": the next start loaded " << loaded.size()
                                  << " entries, code " << failure.code << [&] {
                                         std::string files;
                                         for (const std::wstring& name : FolderContent(folder_))
                                             files += " " + Narrow(name) + ":" +
                                                      std::to_string(ReadBytes(folder_ + name).value_or("").size());
                                         return files;
                                     }();
                }
                if (loaded != oldEntries && loaded != newEntries)
                    continue;
                Save(path_, loaded);
                std::set<std::wstring> expected = {L"Bases.dat"};
                if (p.takenTemp)
                    expected.insert(L"Bases.dat.tmp");
                if (p.takenCopy)
                    expected.insert(L"Bases.dat.new");
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

    const std::wstring otherPath = OtherSpelling(folder_) + kBaseListFileName;
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

        // What the next start of the program sees, every third time through
        // another spelling of the folder.
        Starts::StartAgain();
        std::vector<BaseListEntry> loaded;
        const int code = ErrorCodeOf([&] { loaded = Load(k % 3 == 2 ? otherPath : path_); });
        Starts::StartAgain();
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
