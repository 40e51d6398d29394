#include "baselist/BaseListFile.h"

#include "model/BaseListRows.h"
#include "model/RxMemoryData.h"
#include "platform/FileApi.h"
#include "runtime/Exceptions.h"
#include "runtime/ScopeGuard.h"

#include <algorithm>
#include <cstdint>
#include <cwchar>
#include <map>
#include <vector>

namespace {

// The attributes a replaced list takes over from the old file.
constexpr DWORD kKeptAttributes =
    FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
// Of those, the ones a new file does not get by itself.
constexpr DWORD kSetAttributes = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
// Other names tried when the usual temporary name is taken.
constexpr int kSpareTempNames = 9;
constexpr DWORD kCopyBlock = 64 * 1024;

[[noreturn]] void RaiseLastError()
{
    throw EInOutError(int(GetLastError()));
}

[[noreturn]] void Raise(DWORD code, const std::wstring& message)
{
    throw EInOutError(int(code), std::u16string(message.begin(), message.end()));
}

// Writes all of data; false with the last error set on failure. A write
// that takes nothing without failing would loop for ever; the only cause
// known is a full disk.
bool WriteAll(HANDLE file, const char* data, size_t size)
{
    while (size > 0) {
        DWORD written = 0;
        if (!FileApi::Write(file, data, DWORD(std::min<size_t>(size, MAXDWORD)), &written))
            return false;
        if (written == 0) {
            SetLastError(ERROR_DISK_FULL);
            return false;
        }
        data += written;
        size -= written;
    }
    return true;
}

class FileSource : public IByteSource {
public:
    explicit FileSource(HANDLE file) : file_(file) {}
    size_t Read(char* buffer, size_t size) override
    {
        DWORD read = 0;
        if (!FileApi::Read(file_, buffer, DWORD(std::min<size_t>(size, MAXDWORD)), &read))
            RaiseLastError();
        return read;
    }

private:
    HANDLE file_;
};

class FileSink : public IByteSink {
public:
    explicit FileSink(HANDLE file) : file_(file) {}
    void Write(const char* data, size_t size) override
    {
        if (!WriteAll(file_, data, size))
            RaiseLastError();
    }

private:
    HANDLE file_;
};

// What this run knows of one list file.
struct ListFileRun {
    // A file there now may hold entries the table never received: the load
    // failed, found no file, or took the list from the complete copy.
    bool backupDue = false;
    bool backupRefused = false;  // the operator was told once that no copy could be made
};

std::map<std::wstring, ListFileRun>& Runs()
{
    static std::map<std::wstring, ListFileRun> runs;
    return runs;
}

std::wstring Quoted(const std::wstring& path)
{
    return L"\"" + path + L"\"";
}

// Why a file step failed, in the operator's words, with the code for support.
std::wstring ReasonText(DWORD code)
{
    std::wstring reason;
    switch (code) {
    case ERROR_FILE_NOT_FOUND: reason = L"файл не найден"; break;
    case ERROR_PATH_NOT_FOUND: reason = L"папка не найдена"; break;
    case ERROR_ACCESS_DENIED: reason = L"нет доступа: файл только для чтения, это папка или нет прав на запись"; break;
    case ERROR_SHARING_VIOLATION: reason = L"файл открыт другой программой"; break;
    case ERROR_LOCK_VIOLATION: reason = L"файл заблокирован другой программой"; break;
    case ERROR_WRITE_PROTECT: reason = L"диск защищён от записи"; break;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS: reason = L"имя занято"; break;
    case ERROR_HANDLE_DISK_FULL:
    case ERROR_DISK_FULL: reason = L"на диске нет места"; break;
    default: reason = L"ошибка ввода-вывода"; break;
    }
    return reason + L", код " + std::to_wstring(code);
}

bool IsFile(const std::wstring& path)
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The user's own folder for the list's companions, when the program's folder
// takes no new file: "AutoPeriod" in the local application data, or the
// temporary folder on a system without one.
std::wstring UserFolder()
{
    wchar_t buffer[MAX_PATH + 1];
    DWORD length = GetEnvironmentVariableW(L"LOCALAPPDATA", buffer, MAX_PATH + 1);
    if (length > 0 && length <= MAX_PATH)
        return std::wstring(buffer, length) + L"\\AutoPeriod\\";
    length = GetTempPathW(MAX_PATH + 1, buffer);
    return length > 0 && length <= MAX_PATH ? std::wstring(buffer, length) : std::wstring();
}

// Makes the user's folder where a companion is about to be created there.
void MakeUserFolderFor(const std::wstring& companion)
{
    FileApi::MakeFolder(companion.substr(0, companion.find_last_of(L'\\')));
}

std::wstring TempName(const std::wstring& path, int n)
{
    return n == 0 ? BaseListTempPath(path) : path + L"." + std::to_wstring(n) + L".tmp";
}

// Copies what is left of `from` to `to` at its position; no flush. False
// with the last error set on failure.
bool CopyBytes(HANDLE from, HANDLE to)
{
    std::vector<char> block(kCopyBlock);
    for (;;) {
        DWORD read = 0;
        if (!FileApi::Read(from, block.data(), kCopyBlock, &read))
            return false;
        if (read == 0)
            return true;
        if (!WriteAll(to, block.data(), read))
            return false;
    }
}

// True when both files can be read and hold the same bytes.
bool SameContent(const std::wstring& a, const std::wstring& b)
{
    UniqueHandle first = FileApi::Create(a, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING);
    UniqueHandle second = FileApi::Create(b, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING);
    if (!first || !second)
        return false;
    std::vector<char> x(kCopyBlock), y(kCopyBlock);
    for (;;) {
        DWORD readX = 0, readY = 0;
        if (!FileApi::Read(first.Get(), x.data(), kCopyBlock, &readX) ||
            !FileApi::Read(second.Get(), y.data(), kCopyBlock, &readY) || readX != readY ||
            !std::equal(x.begin(), x.begin() + readX, y.begin()))
            return false;
        if (readX == 0)
            return true;
    }
}

// The complete copy a save left for this list, beside it or in the user's
// folder; the later one when there are both. Empty when there is none.
std::wstring CompleteCopyOf(const std::wstring& path)
{
    std::wstring found;
    FILETIME foundTime{};
    for (const std::wstring& copy : {BaseListCompletePath(path), BaseListUserCopyPath(path, L".new")}) {
        WIN32_FILE_ATTRIBUTE_DATA data;
        if (!GetFileAttributesExW(copy.c_str(), GetFileExInfoStandard, &data) ||
            (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            continue;
        if (found.empty() || CompareFileTime(&data.ftLastWriteTime, &foundTime) > 0) {
            found = copy;
            foundTime = data.ftLastWriteTime;
        }
    }
    return found;
}

void ReadListFile(UniqueHandle file, const std::function<void(const BaseListValues&)>& onEntry)
{
    FileSource source(file.Get());
    ReadBaseList(source, onEntry);
    if (!FileApi::Close(file))
        RaiseLastError();
}

// Copies the open `source` into a new file `target`, flushed. False with
// the last error set, and no file left, on failure.
bool CopyToNewFile(HANDLE source, const std::wstring& target)
{
    const DWORD old = FileApi::Attributes(target);
    // An older backup that an earlier version left read-only or hidden.
    if (old != INVALID_FILE_ATTRIBUTES && !(old & FILE_ATTRIBUTE_DIRECTORY) &&
        (old & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)))
        FileApi::SetAttributes(target, FILE_ATTRIBUTE_NORMAL);
    UniqueHandle copy = FileApi::Create(target, GENERIC_WRITE, 0, CREATE_ALWAYS);
    if (!copy)
        return false;
    bool copied = CopyBytes(source, copy.Get()) && FileApi::Flush(copy.Get());
    DWORD error = copied ? 0 : GetLastError();
    if (!FileApi::Close(copy) && copied) {
        copied = false;
        error = GetLastError();
    }
    if (!copied) {
        FileApi::Delete(target);
        SetLastError(error);
    }
    return copied;
}

// Copies a list file this run did not read whole, so that the save cannot
// destroy entries the table never received: beside it as "Bases.dat.bak",
// or in the user's folder where that cannot be made. Once per run: a later
// save never overwrites it. A copy that cannot be made refuses this save and
// lets the next one go on without it, so a close is never refused for ever.
std::wstring KeepBackup(const std::wstring& path, ListFileRun& run)
{
    // The save's own handle on the file is open, for writing and deletion.
    UniqueHandle source =
        FileApi::Create(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, OPEN_EXISTING);
    std::wstring failure;
    DWORD error = 0;
    if (!source) {
        error = GetLastError();
        failure =
            L"Не удалось прочитать файл " + Quoted(path) + L", чтобы сохранить его копию (" + ReasonText(error) + L").";
    } else {
        const std::wstring beside = BaseListBackupPath(path);
        if (CopyToNewFile(source.Get(), beside)) {
            run.backupDue = false;
            return {};
        }
        error = GetLastError();
        failure = L"Не удалось сохранить копию списка баз в файл " + Quoted(beside) + L" (" + ReasonText(error) + L")";
        const std::wstring own = BaseListUserCopyPath(path, L".bak");
        MakeUserFolderFor(own);
        if (FileApi::Rewind(source.Get()) && CopyToNewFile(source.Get(), own)) {
            run.backupDue = false;
            return L"Прежний файл " + Quoted(path) + L" прочитан не полностью, и в папке программы его копию " +
                   L"сохранить нельзя (" + ReasonText(error) + L"). Копия сохранена в файле " + Quoted(own) + L".";
        }
        error = GetLastError();
        failure += L" и в файл " + Quoted(own) + L" (" + ReasonText(error) + L").";
    }
    if (run.backupRefused) {
        run.backupDue = false;
        return {};
    }
    run.backupRefused = true;
    Raise(error, failure + L" Список не записан, файл " + Quoted(path) +
                     L" не изменён. Если закрыть программу ещё раз, список будет записан без копии");
}

struct TempFile {
    UniqueHandle handle;
    std::wstring path;
    bool beside = true;  // in the list's folder, so that it can be renamed over it
};

// A new file for the list: "Bases.dat.tmp", a leftover of a killed save
// removed first; when that name is taken (a folder, a read-only or busy
// file) the first free "Bases.dat.N.tmp"; when the folder takes none of
// them, the user's own folder. The refusal names every file tried and why.
TempFile CreateTempFile(const std::wstring& path)
{
    std::vector<std::pair<std::wstring, DWORD>> refused;
    for (int n = 0; n <= kSpareTempNames; ++n) {
        const std::wstring name = TempName(path, n);
        FileApi::Delete(name);
        if (UniqueHandle file = FileApi::Create(name, GENERIC_WRITE, 0, CREATE_NEW))
            return {std::move(file), name};
        const DWORD error = GetLastError();
        refused.emplace_back(name, error);
        if (error != ERROR_ACCESS_DENIED && error != ERROR_SHARING_VIOLATION && error != ERROR_FILE_EXISTS &&
            error != ERROR_ALREADY_EXISTS)
            break;
    }
    const std::wstring own = BaseListUserCopyPath(path, L".tmp");
    MakeUserFolderFor(own);
    FileApi::Delete(own);
    if (UniqueHandle file = FileApi::Create(own, GENERIC_WRITE, 0, CREATE_NEW))
        return {std::move(file), own, false};
    refused.emplace_back(own, GetLastError());

    std::wstring message = L"Не удалось создать временный файл для записи списка баз:";
    for (size_t i = 0; i < refused.size(); ++i) {
        message += i == 0 ? L" " : refused[i - 1].second == refused[i].second ? L", " : L"; ";
        message += Quoted(refused[i].first);
        if (i + 1 == refused.size() || refused[i + 1].second != refused[i].second)
            message += L" (" + ReasonText(refused[i].second) + L")";
    }
    Raise(refused.front().second, message + L". Файл " + Quoted(path) + L" не изменён");
}

// Writes the list to a temporary file, flushes it and gives it the name of
// the complete copy; returns that name.
std::wstring WriteCompleteCopy(const std::wstring& path, const std::function<bool(BaseListValues&)>& nextEntry)
{
    TempFile temp = CreateTempFile(path);
    const std::wstring copy = temp.beside ? BaseListCompletePath(path) : BaseListUserCopyPath(path, L".new");
    ScopeGuard remove([&] {
        temp.handle.Reset();
        FileApi::Delete(temp.path);
    });
    {
        FileSink sink(temp.handle.Get());
        WriteBaseList(sink, nextEntry);
        // On the device before it is named complete: a power cut must not
        // leave a complete copy that is empty or torn.
        if (!FileApi::Flush(temp.handle.Get()))
            RaiseLastError();
        if (!FileApi::Close(temp.handle))
            RaiseLastError();
        if (!FileApi::Move(temp.path, copy, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            const DWORD error = GetLastError();
            Raise(error, L"Не удалось записать список баз в файл " + Quoted(copy) + L" (" + ReasonText(error) +
                             L"). Файл " + Quoted(path) + L" не изменён");
        }
    }
    remove.Dismiss();
    return copy;
}

// The plain rewrite: the complete copy into the list file itself, through
// the save's handle, truncated and flushed so that the new end is on the
// device too.
void WriteInPlace(UniqueHandle& target, const std::wstring& copy, bool& touched)
{
    UniqueHandle source = FileApi::Create(copy, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    if (!source || !FileApi::Rewind(target.Get()))
        RaiseLastError();
    touched = true;
    if (!CopyBytes(source.Get(), target.Get()) || !FileApi::Truncate(target.Get()) || !FileApi::Flush(target.Get()))
        RaiseLastError();
    if (!FileApi::Close(target))
        RaiseLastError();
}

// Leftovers of killed saves under the spare temporary names, and a complete
// copy in the other place than this save's, now older than the list.
void RemoveLeftovers(const std::wstring& path, const std::wstring& usedCopy)
{
    for (const std::wstring& copy :
         {BaseListCompletePath(path), BaseListUserCopyPath(path, L".new"), BaseListUserCopyPath(path, L".tmp")})
        if (copy != usedCopy && IsFile(copy))
            FileApi::Delete(copy);
    WIN32_FIND_DATAW found;
    UniqueFindHandle search(FindFirstFileW((path + L".?.tmp").c_str(), &found));
    if (!search)
        return;
    const std::wstring folder = path.substr(0, path.find_last_of(L'\\') + 1);
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            FileApi::Delete(folder + found.cFileName);
    } while (FindNextFileW(search.Get(), &found));
}

// The save's handle on the list file, opened as a plain rewrite would open
// it, so that its refusals (a read-only file or folder, a folder of that
// name, a file held open for writing) come out with their usual codes; but
// not emptied. Deletion is asked for too: where another program holds the
// file without sharing that, it can only be written in place.
struct Guard {
    UniqueHandle handle;
    bool createdNow = false;
    bool replaceable = true;
};

Guard OpenGuard(const std::wstring& path)
{
    Guard guard;
    guard.handle = FileApi::Create(path, GENERIC_WRITE | DELETE, FILE_SHARE_READ, OPEN_ALWAYS);
    if (!guard.handle && (GetLastError() == ERROR_SHARING_VIOLATION || GetLastError() == ERROR_ACCESS_DENIED)) {
        guard.replaceable = false;
        guard.handle = FileApi::Create(path, GENERIC_WRITE, FILE_SHARE_READ, OPEN_ALWAYS);
    }
    if (!guard.handle)
        RaiseLastError();
    guard.createdNow = GetLastError() != ERROR_ALREADY_EXISTS;
    return guard;
}

// Puts the complete copy where the list belongs: renamed over Bases.dat
// where that can be replaced, else written into it in place and deleted.
// Returns what the operator must know of a copy that stays.
std::wstring PutCopyInPlace(const std::wstring& path, Guard& guard, const std::wstring& copy, DWORD attributes,
                            bool& touched)
{
    if (guard.replaceable && copy == BaseListCompletePath(path)) {
        if (!FileApi::Close(guard.handle))
            RaiseLastError();
        if (FileApi::Replace(path, copy) ||
            FileApi::Move(copy, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            if (attributes & kSetAttributes)
                FileApi::SetAttributes(path, attributes & kKeptAttributes);
            return {};
        }
        // Another program opened the file meanwhile: write it in place. (A
        // refused replace may have taken the old file away.)
        guard.handle = FileApi::Create(path, GENERIC_WRITE, FILE_SHARE_READ, OPEN_ALWAYS);
        const DWORD error = GetLastError();
        if (!guard.handle)
            RaiseLastError();
        touched = error != ERROR_ALREADY_EXISTS;
    }
    WriteInPlace(guard.handle, copy, touched);
    if (FileApi::Delete(copy))
        return {};
    const DWORD error = GetLastError();
    return L"Список баз записан в файл " + Quoted(path) + L", но его копию " + Quoted(copy) + L" удалить не удалось (" +
           ReasonText(error) + L"). В ней пароли открытым текстом: удалите её.";
}

// After a failed save: true when the complete copy is now the list
// (Bases.dat may be torn or gone), so it stays; otherwise removes what the
// save made, the empty file the guard created included.
bool CleanUpAfterFailure(const std::wstring& path, Guard& guard, const std::wstring& copy, bool touched)
{
    guard.handle.Reset();
    if (!copy.empty() && (touched || !IsFile(path)))
        return true;
    if (!copy.empty())
        FileApi::Delete(copy);
    if (guard.createdNow)
        FileApi::Delete(path);
    return false;
}

}  // namespace

std::wstring BaseListTempPath(const std::wstring& path)
{
    return path + L".tmp";
}

std::wstring BaseListCompletePath(const std::wstring& path)
{
    return path + L".new";
}

std::wstring BaseListBackupPath(const std::wstring& path)
{
    return path + L".bak";
}

std::wstring BaseListUserCopyPath(const std::wstring& path, const std::wstring& suffix)
{
    // Named after the list's full path, so that copies of the program in
    // different folders never share one.
    std::wstring upper = path;
    CharUpperBuffW(upper.data(), DWORD(upper.size()));
    uint32_t hash = 2166136261u;
    for (wchar_t c : upper)
        hash = (hash ^ uint32_t(c)) * 16777619u;
    wchar_t hex[9];
    swprintf(hex, 9, L"%08X", unsigned(hash));
    return UserFolder() + L"Bases-" + hex + L".dat" + suffix;
}

void ForgetBaseListRun()
{
    Runs().clear();
}

std::wstring LoadBaseListFile(const std::wstring& path, const std::function<void(const BaseListValues&)>& onEntry)
{
    // Until the file is read whole, a file there may hold entries the table
    // never received: a failed load, none found, or the list taken from
    // the complete copy.
    ListFileRun& run = Runs()[path];
    run.backupDue = true;
    // A save that stopped after its complete copy was made: the copy
    // holds the newest list, and the file may be torn.
    if (const std::wstring copy = CompleteCopyOf(path); !copy.empty()) {
        if (!SameContent(path, copy)) {
            UniqueHandle file = FileApi::Create(copy, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
            if (!file)
                RaiseLastError();
            ReadListFile(std::move(file), onEntry);
            return L"Прошлая запись списка баз в файл " + Quoted(path) +
                   L" не была завершена. Загружен полный список из файла " + Quoted(copy) +
                   L"; при закрытии программы он будет записан в " + Quoted(path) + L".";
        }
        FileApi::Delete(copy);
    }
    UniqueHandle file = FileApi::Create(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    if (!file) {
        // No file, or a folder of that name: no list yet. Any other
        // failure is one: the file is there but cannot be read.
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND)
            return {};
        const DWORD attributes = FileApi::Attributes(path);
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
            return {};
        SetLastError(error);
        RaiseLastError();
    }
    ReadListFile(std::move(file), onEntry);
    run.backupDue = false;
    return {};
}

std::wstring SaveBaseListFile(const std::wstring& path, const std::function<bool(BaseListValues&)>& nextEntry)
{
    ListFileRun& run = Runs()[path];
    Guard guard = OpenGuard(path);
    std::wstring notice, copy;
    bool touched = false;  // Bases.dat no longer holds the old list
    ScopeGuard cleanUp([&] { CleanUpAfterFailure(path, guard, copy, touched); });
    try {
        DWORD attributes = FILE_ATTRIBUTE_NORMAL;
        if (!guard.createdNow) {
            attributes = FileApi::Attributes(path);
            if (attributes == INVALID_FILE_ATTRIBUTES)
                attributes = FILE_ATTRIBUTE_NORMAL;
            // A file reached through a link, or with other names (hard
            // links), is written through, so that every name sees the list.
            DWORD links = 1;
            if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) ||
                (FileApi::LinkCount(guard.handle.Get(), &links) && links > 1))
                guard.replaceable = false;
            if (run.backupDue)
                notice = KeepBackup(path, run);
        }
        // Named complete before anything touches Bases.dat: a replace is
        // not one step (killed inside it, Wine's can leave neither file).
        copy = WriteCompleteCopy(path, nextEntry);
        const std::wstring left = PutCopyInPlace(path, guard, copy, attributes, touched);
        notice += (notice.empty() || left.empty() ? L"" : L"\n\n") + left;
    } catch (const Exception& e) {
        const DWORD error = GetLastError();
        cleanUp.Dismiss();
        const bool kept = CleanUpAfterFailure(path, guard, copy, touched);
        if (!kept && notice.empty())
            throw;
        const auto* io = dynamic_cast<const EInOutError*>(&e);
        const DWORD code = io ? DWORD(io->ErrorCode()) : error;
        const std::u16string text = e.Text();
        std::wstring message = kept ? L"Файл " + Quoted(path) + L" записан не полностью (" + ReasonText(code) +
                                          L"). Полный список баз сохранён в файле " + Quoted(copy)
                                    : std::wstring(text.begin(), text.end());
        Raise(code, notice.empty() ? message : message + L"\n\n" + notice);
    }
    cleanUp.Dismiss();
    run.backupDue = false;
    RemoveLeftovers(path, copy);
    return notice;
}

std::wstring LoadBaseList(TRxMemoryData& table, const std::wstring& programFolder)
{
    // Until the sort the rows stand in reverse file order.
    return LoadBaseListFile(programFolder + kBaseListFileName, BaseListRowAdder(table));
}

std::wstring SaveBaseList(TRxMemoryData& table, const std::wstring& programFolder)
{
    // The walk leaves the current row where the operator put it. A pending
    // row is committed only once the new file exists, as the walk starts.
    BaseListRowWalker walker(table);
    bool started = false;
    return SaveBaseListFile(programFolder + kBaseListFileName, [&](BaseListValues& entry) {
        if (!started) {
            table.CheckBrowseMode();
            started = true;
        }
        return walker(entry);
    });
}
