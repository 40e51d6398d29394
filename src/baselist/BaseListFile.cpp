#include "baselist/BaseListFile.h"

#include "baselist/BaseListTexts.h"
#include "baselist/ListFileSteps.h"
#include "baselist/portable/BaseListRows.h"
#include "model/RxMemoryData.h"
#include "platform/FileApi.h"
#include "runtime/Exceptions.h"

namespace {

// The complete copy a save left for the list, beside it or in the user's
// folder; the later one when there are both. Empty when there is none.
std::wstring CompleteCopyOf(const std::wstring& path, const std::optional<ListFileIdentity>& identity)
{
    std::wstring found;
    FILETIME foundTime{};
    const std::wstring places[] = {BaseListCompletePath(path),
                                   identity ? BaseListUserCopyPath(*identity, L".new") : std::wstring(),
                                   identity ? std::wstring() : BaseListOldUserCopyPath(path, L".new")};
    for (const std::wstring& copy : places) {
        WIN32_FILE_ATTRIBUTE_DATA data;
        if (copy.empty() || !GetFileAttributesExW(copy.c_str(), GetFileExInfoStandard, &data) ||
            (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            continue;
        if (found.empty() || CompareFileTime(&data.ftLastWriteTime, &foundTime) > 0) {
            found = copy;
            foundTime = data.ftLastWriteTime;
        }
    }
    return found;
}

void ReadWhole(UniqueHandle file, ListFileSource& source, const std::wstring& path,
               const std::function<void(const BaseListValues&)>& onEntry)
{
    ReadBaseList(source, onEntry);
    Require(FileApi::Close(file), path);
}

// The list from the complete copy, where Bases.dat is not whole (a save
// writing it in place stopped) or gone.
std::wstring LoadCompleteCopy(const std::wstring& path, const std::wstring& copy, ListFileRun& run,
                              const std::function<void(const BaseListValues&)>& onEntry)
{
    try {
        UniqueHandle file = FileApi::Create(copy, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
        Require(bool(file), copy);
        ListFileSource source(file.Get(), copy);
        ReadWhole(std::move(file), source, copy, onEntry);
    } catch (const FileStepFailed& failed) {
        // Never taken for "no list": the save keeps it before anything else.
        run.unread = copy;
        Raise(failed.code,
              ListText(ListMessage::CopyUnreadable, {Quoted(copy), ReasonText(failed.code), Quoted(path)}));
    }
    run.unread.clear();
    run.completeCopy = copy;
    return ListText(ListMessage::LoadedFromCopy, {Quoted(path), Quoted(copy)});
}

}  // namespace

std::wstring LoadBaseListFile(const std::wstring& path, const std::function<void(const BaseListValues&)>& onEntry)
{
    ListFileRun& run = RunOf(path);
    run = ListFileRun{};
    // Until the file is read whole, a file there may hold entries the table
    // never received: a failed load, or one that appears after none was found.
    run.unread = path;
    UniqueHandle file = FileApi::Create(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    if (!file) {
        // No file, or a folder of that name: no list yet, unless an earlier
        // version's replace was stopped after it took the file away. Any
        // other failure is one: the file is there but cannot be read.
        if (const DWORD error = GetLastError(); error != ERROR_FILE_NOT_FOUND) {
            const DWORD attributes = FileApi::Attributes(path);
            if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
                throw EInOutError(int(error));
        }
        if (const std::wstring copy = CompleteCopyOf(path, std::nullopt); !copy.empty())
            return LoadCompleteCopy(path, copy, run, onEntry);
        return {};
    }
    try {
        ListFileSource source(file.Get(), path);
        if (source.Unfinished()) {
            const std::optional<ListFileIdentity> identity = IdentityOf(file.Get());
            file.Reset();
            const std::wstring copy = CompleteCopyOf(path, identity);
            if (copy.empty())
                Raise(ERROR_FILE_CORRUPT, ListText(ListMessage::TornWithoutCopy, {Quoted(path)}));
            return LoadCompleteCopy(path, copy, run, onEntry);
        }
        ReadWhole(std::move(file), source, path, onEntry);
    } catch (const FileStepFailed& failed) {
        throw EInOutError(int(failed.code));
    }
    run.unread.clear();
    return {};
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
