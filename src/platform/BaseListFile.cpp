#include "platform/BaseListFile.h"

#include "platform/FileExists.h"
#include "model/BaseListRows.h"
#include "model/RxMemoryData.h"
#include "platform/FileApi.h"
#include "runtime/Exceptions.h"

#include <algorithm>
#include <set>

namespace {

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

// Copies the file that a failed load could not take in whole, so the save
// cannot destroy entries the table never received. Runs before the save
// opens the file for writing: the copy's own read-only open, which does not
// share writing, would clash with that handle.
void KeepBackupIfPending(const std::wstring& path)
{
    if (!PendingBackups().contains(path))
        return;
    if (FileApi::Copy(path, BaseListBackupPath(path), false))
        return;
    // The file has gone since the load: there is nothing left to keep.
    if (GetLastError() == ERROR_FILE_NOT_FOUND)
        return;
    RaiseLastError();
}

// Writes the list to the temporary file and puts it in place of the target.
// The target handle only guards the target: it was opened for writing, so
// nobody else writes it meanwhile, and it is closed just before the swap.
void ReplaceWithNewList(const std::wstring& path, UniqueHandle& guard,
                        const std::function<bool(BaseListValues&)>& nextEntry)
{
    const std::wstring tempPath = BaseListTempPath(path);
    UniqueHandle temp = FileApi::Create(tempPath, GENERIC_WRITE, 0, CREATE_ALWAYS);
    if (!temp)
        RaiseLastError();
    try {
        FileSink sink(temp.Get());
        WriteBaseList(sink, nextEntry);
        // On the device before the rename, so that a power cut cannot leave
        // a renamed but empty file.
        if (!FileApi::Flush(temp.Get()))
            RaiseLastError();
        if (!FileApi::Close(temp))
            RaiseLastError();
        if (!FileApi::Close(guard))
            RaiseLastError();
        if (!FileApi::Move(tempPath, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            RaiseLastError();
    } catch (...) {
        temp.Reset();
        FileApi::Delete(tempPath);
        throw;
    }
}

} // namespace

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
    KeepBackupIfPending(path);

    // Opened as a plain rewrite would open it, so that the usual refusals
    // (read-only file or folder, a folder of that name, a file held open for
    // writing) come out with their usual codes; but not emptied.
    UniqueHandle guard = FileApi::Create(path, GENERIC_WRITE, FILE_SHARE_READ, OPEN_ALWAYS);
    if (!guard)
        RaiseLastError();
    const bool createdNow = GetLastError() != ERROR_ALREADY_EXISTS;
    try {
        ReplaceWithNewList(path, guard, nextEntry);
    } catch (...) {
        guard.Reset();
        // A failed save leaves no trace, not even the empty file the guard made.
        if (createdNow)
            FileApi::Delete(path);
        throw;
    }
    PendingBackups().erase(path);
}

void LoadBaseList(TRxMemoryData& table, const std::wstring& programFolder)
{
    // Until the sort the rows stand in reverse file order.
    LoadBaseListFile(programFolder + kBaseListFileName, BaseListRowAdder(table));
}

void SaveBaseList(TRxMemoryData& table, const std::wstring& programFolder)
{
    table.GoToFirstRow();
    SaveBaseListFile(programFolder + kBaseListFileName, BaseListRowWalker(table));
}
