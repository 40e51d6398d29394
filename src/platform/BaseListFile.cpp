#include "platform/BaseListFile.h"

#include "platform/FileExists.h"
#include "model/BaseListRows.h"
#include "model/RxMemoryData.h"
#include "platform/FileApi.h"
#include "platform/WideText.h"
#include "runtime/Exceptions.h"

#include <algorithm>
#include <map>
#include <set>
#include <vector>

namespace {

// The attributes a saved list takes over from the file it replaces.
constexpr DWORD kKeptAttributes =
    FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
// Other names tried when the usual temporary name is taken.
constexpr int kSpareTempNames = 9;
constexpr DWORD kCopyBlock = 64 * 1024;

[[noreturn]] void RaiseLastError()
{
    throw EInOutError(int(GetLastError()));
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
        while (size > 0) {
            DWORD written = 0;
            if (!FileApi::Write(file_, data, DWORD(std::min<size_t>(size, MAXDWORD)), &written))
                RaiseLastError();
            // A write that takes nothing without failing would loop for ever;
            // the only cause known is a full disk.
            if (written == 0)
                throw EInOutError(ERROR_DISK_FULL);
            data += written;
            size -= written;
        }
    }

private:
    HANDLE file_;
};

// Files whose load failed in this run: their next save keeps a copy first.
std::set<std::wstring>& PendingBackups()
{
    static std::set<std::wstring> paths;
    return paths;
}

// Complete lists left beside a Bases.dat whose in-place write failed part
// way: until a save succeeds they are the only complete copy on the disk,
// so no later save takes their name for its temporary file.
// Keyed by the list file they belong to.
std::multimap<std::wstring, std::wstring>& KeptCopies()
{
    static std::multimap<std::wstring, std::wstring> copies;
    return copies;
}

bool IsKeptCopy(const std::wstring& name)
{
    for (const auto& [list, copy] : KeptCopies())
        if (copy == name)
            return true;
    return false;
}

std::string Quoted(const std::wstring& path)
{
    return "\"" + Narrow(path) + "\"";
}

// Why a file step failed, in the operator's words, with the code for support.
std::string ReasonText(DWORD code)
{
    std::string reason;
    switch (code) {
    case ERROR_FILE_NOT_FOUND: reason = "файл не найден"; break;
    case ERROR_PATH_NOT_FOUND: reason = "папка не найдена"; break;
    case ERROR_ACCESS_DENIED: reason = "нет доступа: файл только для чтения, это папка или нет прав на запись"; break;
    case ERROR_SHARING_VIOLATION: reason = "файл открыт другой программой"; break;
    case ERROR_LOCK_VIOLATION: reason = "файл заблокирован другой программой"; break;
    case ERROR_WRITE_PROTECT: reason = "диск защищён от записи"; break;
    case ERROR_HANDLE_DISK_FULL:
    case ERROR_DISK_FULL: reason = "на диске нет места"; break;
    default: reason = "ошибка ввода-вывода"; break;
    }
    return reason + ", код " + std::to_string(code);
}

// Copies every byte of `from` from its start to the open `to`, and flushes.
// False with the last error set on failure.
bool CopyContent(HANDLE from, HANDLE to)
{
    std::vector<char> block(kCopyBlock);
    for (;;) {
        DWORD read = 0;
        if (!FileApi::Read(from, block.data(), kCopyBlock, &read))
            return false;
        if (read == 0)
            break;
        for (DWORD done = 0; done < read;) {
            DWORD written = 0;
            if (!FileApi::Write(to, block.data() + done, read - done, &written))
                return false;
            if (written == 0) {
                SetLastError(ERROR_DISK_FULL);
                return false;
            }
            done += written;
        }
    }
    return FileApi::Flush(to);
}

// Copies the file that a failed load could not take in whole, so the save
// cannot destroy entries the table never received. The copy is a plain
// writable file: an older backup marked read-only (an earlier copy took the
// attributes of Bases.dat over) is cleared first, so it never blocks a save.
void KeepBackupIfPending(const std::wstring& path)
{
    if (!PendingBackups().contains(path))
        return;
    const std::wstring backupPath = BaseListBackupPath(path);
    const DWORD old = FileApi::Attributes(backupPath);
    if (old != INVALID_FILE_ATTRIBUTES && !(old & FILE_ATTRIBUTE_DIRECTORY) &&
        (old & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)))
        FileApi::SetAttributes(backupPath, FILE_ATTRIBUTE_NORMAL);

    // The save's own write handle on the file is open: share writing.
    UniqueHandle source = FileApi::Create(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING);
    UniqueHandle backup;
    if (source)
        backup = FileApi::Create(backupPath, GENERIC_WRITE, 0, CREATE_ALWAYS);
    bool copied = backup && CopyContent(source.Get(), backup.Get());
    DWORD error = copied ? 0 : GetLastError();
    const bool created = bool(backup);
    if (created && !FileApi::Close(backup) && copied) {
        copied = false;
        error = GetLastError();
    }
    if (copied)
        return;
    if (created)
        FileApi::Delete(backupPath);
    throw EInOutError(int(error), "Не удалось сохранить копию списка баз в файл " + Quoted(backupPath) + " (" +
                                      ReasonText(error) + "). Список не записан, файл " + Quoted(path) + " не изменён");
}

struct TempFile {
    UniqueHandle handle;
    std::wstring path;
    bool beside = true;  // in the list's folder, so that it can be renamed over it
};

// A new file for the list beside the target, with the target's attributes.
// Usually "Bases.dat.tmp", a leftover of an interrupted save overwritten;
// when that name is taken (a folder, a read-only or busy file, a kept copy)
// the first free "Bases.dat.N.tmp". A folder where the user may rewrite
// Bases.dat but create no file (a program folder whose rights allow only
// that) gets the temporary file in the user's temporary folder instead.
TempFile CreateTempFile(const std::wstring& path, DWORD attributes)
{
    DWORD firstError = 0;
    bool onlyDenied = true;
    for (int n = 0; n <= kSpareTempNames; ++n) {
        std::wstring name = path;
        if (n > 0)
            name += L"." + std::to_wstring(n);
        name += L".tmp";
        if (IsKeptCopy(name))
            continue;
        UniqueHandle file = FileApi::Create(name, GENERIC_WRITE, 0, n == 0 ? CREATE_ALWAYS : CREATE_NEW, attributes);
        if (file)
            return {std::move(file), name};
        DWORD error = GetLastError();
        if (!firstError)
            firstError = error;
        onlyDenied = onlyDenied && error == ERROR_ACCESS_DENIED;
        if (error != ERROR_ACCESS_DENIED && error != ERROR_SHARING_VIOLATION && error != ERROR_FILE_EXISTS &&
            error != ERROR_ALREADY_EXISTS)
            break;
    }
    wchar_t folder[MAX_PATH + 1], name[MAX_PATH + 1];
    if (onlyDenied && GetTempPathW(MAX_PATH + 1, folder) && GetTempFileNameW(folder, L"Bas", 0, name)) {
        if (UniqueHandle file = FileApi::Create(name, GENERIC_WRITE, 0, CREATE_ALWAYS))
            return {std::move(file), name, false};
        DeleteFileW(name);
    }
    throw EInOutError(int(firstError));
}

// The plain rewrite, for when Bases.dat cannot be replaced (another program
// has it open for reading without sharing deletion, or the folder lets the
// user rewrite the file but create none): the
// complete list is copied from the temporary file into the file itself.
// Until that has succeeded the temporary file stays; if it fails after the
// file was opened, the operator is told where the complete list is.
void WriteInPlace(const std::wstring& path, const std::wstring& tempPath)
{
    UniqueHandle source = FileApi::Create(tempPath, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    if (!source)
        RaiseLastError();
    UniqueHandle target = FileApi::Create(path, GENERIC_WRITE, FILE_SHARE_READ, OPEN_EXISTING);
    if (!target)
        RaiseLastError();  // the file is unchanged: an ordinary refusal
    bool written = CopyContent(source.Get(), target.Get()) && FileApi::Truncate(target.Get());
    DWORD error = written ? 0 : GetLastError();
    if (!FileApi::Close(target) && written) {
        written = false;
        error = GetLastError();
    }
    if (!written) {
        KeptCopies().emplace(path, tempPath);
        throw EInOutError(int(error), "Файл " + Quoted(path) + " записан не полностью (" + ReasonText(error) +
                                          "). Полный список баз сохранён в файле " + Quoted(tempPath));
    }
    source.Reset();
    FileApi::Delete(tempPath);
}

// Writes the list to a temporary file, flushes it and renames it over the
// target, falling back to the in-place write when that is refused. The
// target handle only guards the target: it was opened for writing, so
// nobody else writes it meanwhile, and it is closed just before the swap.
void ReplaceWithNewList(const std::wstring& path, UniqueHandle& guard, DWORD attributes,
                        const std::function<bool(BaseListValues&)>& nextEntry)
{
    TempFile temp = CreateTempFile(path, attributes);
    try {
        FileSink sink(temp.handle.Get());
        WriteBaseList(sink, nextEntry);
        // On the device before the swap, so that a power cut cannot leave a
        // renamed but empty file.
        if (!FileApi::Flush(temp.handle.Get()))
            RaiseLastError();
        if (!FileApi::Close(temp.handle))
            RaiseLastError();
        if (!FileApi::Close(guard))
            RaiseLastError();
        // A rename keeps the attributes the temporary file was created with.
        // (ReplaceFileW would also keep the old file's security, but under
        // Wine a failed call leaves a stray file of its own in the folder.)
        if (temp.beside && FileApi::Move(temp.path, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return;
        WriteInPlace(path, temp.path);
    } catch (...) {
        temp.handle.Reset();
        if (!IsKeptCopy(temp.path))
            FileApi::Delete(temp.path);
        throw;
    }
}

// Once Bases.dat holds the complete list, the copies kept for it can go.
void DeleteKeptCopies(const std::wstring& path)
{
    auto [first, last] = KeptCopies().equal_range(path);
    for (auto it = first; it != last; ++it)
        FileApi::Delete(it->second);
    KeptCopies().erase(first, last);
}

}  // namespace

std::wstring BaseListTempPath(const std::wstring& path)
{
    return path + L".tmp";
}

std::wstring BaseListBackupPath(const std::wstring& path)
{
    return path + L".bak";
}

void LoadBaseListFile(const std::wstring& path, const std::function<void(const BaseListValues&)>& onEntry)
{
    // A folder of that name counts as no file.
    if (!FileExists(path))
        return;
    try {
        UniqueHandle file = FileApi::Create(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
        if (!file)
            RaiseLastError();
        FileSource source(file.Get());
        ReadBaseList(source, onEntry);
        if (!FileApi::Close(file))
            RaiseLastError();
    } catch (...) {
        PendingBackups().insert(path);
        throw;
    }
}

void SaveBaseListFile(const std::wstring& path, const std::function<bool(BaseListValues&)>& nextEntry)
{
    // Opened as a plain rewrite would open it, so that its refusals (a
    // read-only file or folder, a folder of that name, a file held open for
    // writing) come out with their usual codes; but not emptied.
    UniqueHandle guard = FileApi::Create(path, GENERIC_WRITE, FILE_SHARE_READ, OPEN_ALWAYS);
    if (!guard)
        RaiseLastError();
    const bool createdNow = GetLastError() != ERROR_ALREADY_EXISTS;
    try {
        DWORD attributes = createdNow ? INVALID_FILE_ATTRIBUTES : FileApi::Attributes(path);
        attributes = attributes == INVALID_FILE_ATTRIBUTES || !(attributes & kKeptAttributes)
                         ? FILE_ATTRIBUTE_NORMAL
                         : attributes & kKeptAttributes;
        if (!createdNow)
            KeepBackupIfPending(path);
        ReplaceWithNewList(path, guard, attributes, nextEntry);
    } catch (...) {
        guard.Reset();
        // A failed save leaves no trace, not even the empty file the guard made.
        if (createdNow)
            FileApi::Delete(path);
        throw;
    }
    PendingBackups().erase(path);
    DeleteKeptCopies(path);
}

void LoadBaseList(TRxMemoryData& table, const std::wstring& programFolder)
{
    // Until the sort the rows stand in reverse file order.
    LoadBaseListFile(programFolder + kBaseListFileName, BaseListRowAdder(table));
}

void SaveBaseList(TRxMemoryData& table, const std::wstring& programFolder)
{
    // The walk leaves the current row where the operator put it. A pending
    // row is committed only once the new file exists, as the walk starts.
    BaseListRowWalker walker(table);
    bool started = false;
    SaveBaseListFile(programFolder + kBaseListFileName, [&](BaseListValues& entry) {
        if (!started) {
            table.CheckBrowseMode();
            started = true;
        }
        return walker(entry);
    });
}
