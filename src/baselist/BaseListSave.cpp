// The save of the list file, stage by stage (the guarantee is stated in
// BaseListFile.h). Each stage either leaves Bases.dat as it was, or, once
// the in-place write has begun, leaves the complete copy that the next
// start takes; what failed is told in the words of BaseListTexts.
#include "baselist/BaseListFile.h"
#include "baselist/BaseListTexts.h"
#include "baselist/ListFileSteps.h"
#include "platform/FileApi.h"
#include "runtime/Exceptions.h"
#include "runtime/ScopeGuard.h"

#include <vector>

namespace {

// The attributes a saved list takes over from the old file; of those, the
// ones a new file does not get by itself.
constexpr DWORD kKeptAttributes =
    FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
constexpr DWORD kSetAttributes = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
// What a file's own storage adds; a renamed file must have the same.
constexpr DWORD kStorageAttributes = FILE_ATTRIBUTE_ENCRYPTED | FILE_ATTRIBUTE_COMPRESSED;
// Other names tried when the usual temporary name is taken.
constexpr int kSpareTempNames = 9;

bool IsTakenName(DWORD error)
{
    return error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION || error == ERROR_FILE_EXISTS ||
           error == ERROR_ALREADY_EXISTS;
}

class BaseListSave {
public:
    BaseListSave(const std::wstring& path, const std::function<bool(BaseListValues&)>& nextEntry)
        : path_(path), nextEntry_(nextEntry), run_(RunOf(path))
    {}

    std::wstring Run()
    {
        OpenAsARewriteWould();
        ScopeGuard cleanUp([&] { CleanUpAfterFailure(); });
        try {
            KeepBackup();
            WriteTemporaryFile();
            if (!(CanTakeThePlace() && Rename())) {
                MakeCompleteCopy();
                WriteInPlace();
            }
        } catch (const FileStepFailed& failed) {
            cleanUp.Dismiss();
            CleanUpAfterFailure();
            Fail(failed);
        }
        cleanUp.Dismiss();
        run_.unread.clear();
        run_.completeCopy.clear();
        RemoveLeftovers();
        return notice_;
    }

private:
    enum class Stage {
        Untouched,  // Bases.dat holds the old list
        Marked,  // Bases.dat is being written in place; the copy holds the list
        Done,
    };

    // Opens Bases.dat as a plain rewrite would, so that its refusals (a
    // read-only file or folder, a folder of that name, a file held open for
    // writing) come out with their usual codes; but does not empty it.
    // Deletion is asked for too: where another program holds the file
    // without sharing that, it can only be written in place.
    void OpenAsARewriteWould()
    {
        list_ = FileApi::Create(path_, GENERIC_WRITE | DELETE, FILE_SHARE_READ, OPEN_ALWAYS);
        if (!list_ && (GetLastError() == ERROR_SHARING_VIOLATION || GetLastError() == ERROR_ACCESS_DENIED)) {
            replaceable_ = false;
            list_ = FileApi::Create(path_, GENERIC_WRITE, FILE_SHARE_READ, OPEN_ALWAYS);
        }
        if (!list_)
            throw EInOutError(int(GetLastError()));
        createdNow_ = GetLastError() != ERROR_ALREADY_EXISTS;
        // A file with other names (hard links), or reached through a link,
        // is written through, so that every name sees the list.
        BY_HANDLE_FILE_INFORMATION information;
        if (FileApi::Information(list_.Get(), &information)) {
            identity_ = IdentityFrom(information);
            attributes_ = information.dwFileAttributes;
            if (information.nNumberOfLinks > 1 || (attributes_ & FILE_ATTRIBUTE_REPARSE_POINT))
                replaceable_ = false;
        } else {
            replaceable_ = false;
        }
    }

    std::wstring UserCopy(const std::wstring& suffix) const
    {
        return identity_ ? BaseListUserCopyPath(*identity_, suffix) : BaseListOldUserCopyPath(path_, suffix);
    }

    // A file this run did not read whole is kept before the list replaces
    // it, beside it as "Bases.dat.bak" or else in the user's folder. Once
    // per run: a later save never overwrites it. A backup that cannot be
    // made refuses this save and lets the next one go on without it, so a
    // close is never refused for ever.
    void KeepBackup()
    {
        const std::wstring source = run_.unread;
        if (source.empty() || (source == path_ && createdNow_))
            return;
        UniqueHandle file = FileApi::Create(source, GENERIC_READ,
                                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, OPEN_EXISTING);
        DWORD error = GetLastError();
        std::wstring failure;
        if (!file) {
            if (error == ERROR_FILE_NOT_FOUND && source != path_) {
                run_.unread.clear();
                return;
            }
            failure = ListText(ListMessage::BackupUnreadable, {Quoted(source), ReasonText(error), Quoted(path_)});
        } else {
            const std::wstring beside = BaseListBackupPath(path_);
            if (CopyToNewFile(file.Get(), beside)) {
                run_.unread.clear();
                return;
            }
            const DWORD besideError = GetLastError();
            const std::wstring own = UserCopy(L".bak");
            MakeFolderFor(own);
            if (FileApi::Rewind(file.Get()) && CopyToNewFile(file.Get(), own)) {
                run_.unread.clear();
                notice_ =
                    ListText(ListMessage::BackupInUserFolder, {Quoted(source), ReasonText(besideError), Quoted(own)});
                return;
            }
            error = GetLastError();
            failure = ListText(ListMessage::BackupNotMade,
                               {Quoted(beside) + L" (" + ReasonText(besideError) + L") и в файл " + Quoted(own) +
                                    L" (" + ReasonText(error) + L")",
                                Quoted(path_)});
        }
        if (run_.backupRefused) {
            // The operator was told: the list goes on without it, and the
            // file stays where it is.
            run_.spared = source;
            run_.unread.clear();
            return;
        }
        run_.backupRefused = true;
        Raise(error, failure);
    }

    // A new file for the list: "Bases.dat.tmp", a leftover of a killed save
    // removed first; when that name is taken (a folder, a read-only or busy
    // file) the first free "Bases.dat.N.tmp"; when the folder takes none of
    // them, the user's own folder. Written whole and flushed: a copy that is
    // named complete must be on the device.
    void WriteTemporaryFile()
    {
        std::vector<std::pair<std::wstring, DWORD>> refused;
        for (int n = 0; n <= kSpareTempNames && !temp_; ++n) {
            const std::wstring name = n == 0 ? BaseListTempPath(path_) : BaseListSpareTempPath(path_, n);
            FileApi::Delete(name);
            temp_ = FileApi::Create(name, GENERIC_WRITE, 0, CREATE_NEW);
            if (temp_) {
                tempPath_ = name;
            } else {
                refused.emplace_back(name, GetLastError());
                if (!IsTakenName(refused.back().second))
                    break;
            }
        }
        if (!temp_) {
            const std::wstring own = UserCopy(L".tmp");
            MakeFolderFor(own);
            FileApi::Delete(own);
            temp_ = FileApi::Create(own, GENERIC_WRITE, 0, CREATE_NEW);
            if (!temp_) {
                refused.emplace_back(own, GetLastError());
                Raise(refused.front().second,
                      ListText(ListMessage::NoTemporaryFile, {Listed(refused), Quoted(path_)}) + StillInCopy());
            }
            tempPath_ = own;
            tempBeside_ = false;
        }
        struct Sink : IByteSink {
            HANDLE file;
            const std::wstring& path;
            Sink(HANDLE f, const std::wstring& p) : file(f), path(p) {}
            void Write(const char* data, size_t size) override { Require(WriteAll(file, data, size), path); }
        } sink(temp_.Get(), tempPath_);
        WriteBaseList(sink, nextEntry_);
        Require(FileApi::Flush(temp_.Get()), tempPath_);
        Require(FileApi::Close(temp_), tempPath_);
    }

    // The new file may take Bases.dat's place only with everything the old
    // one had that a rename would lose: its own access rights (a new file
    // gets the folder's), its encryption and compression.
    bool CanTakeThePlace() const
    {
        if (!tempBeside_ || !replaceable_)
            return false;
        if (createdNow_)
            return true;
        const DWORD temp = FileApi::Attributes(tempPath_);
        std::string oldRights, newRights;
        return temp != INVALID_FILE_ATTRIBUTES && (temp & kStorageAttributes) == (attributes_ & kStorageAttributes) &&
               FileApi::Security(path_, &oldRights) && FileApi::Security(tempPath_, &newRights) &&
               oldRights == newRights;
    }

    // One step of the file system: the old list or the new one. False when
    // another program opened Bases.dat meanwhile: it is then written in place.
    bool Rename()
    {
        list_.Reset();
        if (FileApi::Move(tempPath_, path_, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            stage_ = Stage::Done;
            tempPath_.clear();
            if (attributes_ & kSetAttributes && !createdNow_)
                FileApi::SetAttributes(path_, attributes_ & kKeptAttributes);
            return true;
        }
        // The file may be another program's by now: not this save's to remove.
        createdNow_ = false;
        list_ = FileApi::Create(path_, GENERIC_WRITE, FILE_SHARE_READ, OPEN_ALWAYS);
        Require(bool(list_), path_);
        return false;
    }

    // Names the written list complete: "Bases.dat.new" beside the list, or
    // in the user's folder where that name is taken or the folder takes no
    // new file. A copy from an earlier save in the other place goes first,
    // so that a start never finds two.
    void MakeCompleteCopy()
    {
        const std::wstring beside = BaseListCompletePath(path_), own = UserCopy(L".new");
        if (!tempBeside_)
            MakeFolderFor(own);
        const std::wstring first = tempBeside_ && beside != run_.spared ? beside : own;
        if (FileApi::Move(tempPath_, first, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            copy_ = first;
        } else {
            // The name beside the list is taken: the user's folder, which
            // may lie on another volume.
            Require(tempBeside_ && own != first, first);
            MakeFolderFor(own);
            UniqueHandle source = FileApi::Create(tempPath_, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
            Require(source && CopyToNewFile(source.Get(), own), own);
            copy_ = own;
            source.Reset();
            FileApi::Delete(tempPath_);
        }
        tempPath_.clear();
        const std::wstring other = copy_ == beside ? own : beside;
        if (other != run_.spared && IsFile(other))
            FileApi::Delete(other);
    }

    // The complete copy into Bases.dat itself, through the handle opened
    // first: the mark, the rest, the first byte, each on the device before
    // the next, so that the file is the old list, marked, or the new list.
    void WriteInPlace()
    {
        UniqueHandle source = FileApi::Create(copy_, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
        Require(bool(source), copy_);
        char first = 0;
        DWORD read = 0;
        Require(FileApi::Read(source.Get(), &first, 1, &read), copy_);
        HANDLE list = list_.Get();
        Require(FileApi::Rewind(list) && WriteAll(list, &kWriteInProgressMark, 1), path_);
        stage_ = Stage::Marked;
        Require(FileApi::Flush(list), path_);
        if (read > 0)
            Require(CopyBytes(source.Get(), list), path_);
        Require(FileApi::Truncate(list) && FileApi::Flush(list), path_);
        // The first byte last; an empty list is the mark's end moved to the start.
        Require(FileApi::Rewind(list) && (read == 0 ? FileApi::Truncate(list) : WriteAll(list, &first, 1)) &&
                    FileApi::Flush(list),
                path_);
        stage_ = Stage::Done;
        // Everything is on the device: a failed close loses nothing.
        FileApi::Close(list_);
        source.Reset();
        if (!FileApi::Delete(copy_))
            NameLeftover(copy_, GetLastError());
        copy_.clear();
    }

    // Leftovers of killed or failed saves, beside the list and in the
    // user's folder; each holds passwords in plain text, so one that stays
    // is named.
    void RemoveLeftovers()
    {
        std::vector<std::wstring> leftovers = {BaseListTempPath(path_),
                                               BaseListCompletePath(path_),
                                               UserCopy(L".tmp"),
                                               UserCopy(L".new"),
                                               BaseListOldUserCopyPath(path_, L".tmp"),
                                               BaseListOldUserCopyPath(path_, L".new")};
        // The spare temporary names in one look at the folder.
        WIN32_FIND_DATAW found;
        if (UniqueFindHandle search(FindFirstFileW((path_ + L".?.tmp").c_str(), &found)); search) {
            const std::wstring folder = path_.substr(0, path_.find_last_of(L'\\') + 1);
            do
                leftovers.push_back(folder + found.cFileName);
            while (FindNextFileW(search.Get(), &found));
        }
        for (const std::wstring& leftover : leftovers)
            if (leftover != run_.spared && IsFile(leftover) && !FileApi::Delete(leftover))
                NameLeftover(leftover, GetLastError());
    }

    void NameLeftover(const std::wstring& leftover, DWORD error)
    {
        if (!notice_.empty())
            notice_ += L"\n\n";
        notice_ += ListText(ListMessage::LeftoverNotDeleted, {Quoted(path_), Quoted(leftover), ReasonText(error)});
    }

    // Before the in-place write: removes what this save made, the empty
    // file the first open created included. After it began: keeps the copy.
    void CleanUpAfterFailure()
    {
        list_.Reset();
        temp_.Reset();
        if (stage_ == Stage::Marked) {
            run_.completeCopy = copy_;
            return;
        }
        for (const std::wstring& made : {tempPath_, copy_})
            if (!made.empty() && IsFile(made))
                FileApi::Delete(made);
        if (createdNow_ && stage_ == Stage::Untouched)
            FileApi::Delete(path_);
    }

    [[noreturn]] void Fail(const FileStepFailed& failed) const
    {
        std::wstring message =
            stage_ == Stage::Marked
                ? ListText(ListMessage::TornCopyKept, {Quoted(path_), ReasonText(failed.code), Quoted(copy_)})
                : ListText(ListMessage::NotSaved, {Quoted(failed.file), ReasonText(failed.code), Quoted(path_)}) +
                      StillInCopy();
        if (!notice_.empty())
            message += L"\n\n" + notice_;
        Raise(failed.code, message);
    }

    // Said of a failed save while Bases.dat still is not whole.
    std::wstring StillInCopy() const
    {
        return run_.completeCopy.empty() || stage_ == Stage::Marked
                   ? std::wstring()
                   : L". " + ListText(ListMessage::StillInCopy, {Quoted(run_.completeCopy)});
    }

    static std::wstring Listed(const std::vector<std::pair<std::wstring, DWORD>>& refused)
    {
        std::wstring list;
        for (size_t i = 0; i < refused.size(); ++i) {
            list += i == 0 ? L"" : refused[i - 1].second == refused[i].second ? L", " : L"; ";
            list += Quoted(refused[i].first);
            if (i + 1 == refused.size() || refused[i + 1].second != refused[i].second)
                list += L" (" + ReasonText(refused[i].second) + L")";
        }
        return list;
    }

    const std::wstring path_;
    const std::function<bool(BaseListValues&)>& nextEntry_;
    ListFileRun& run_;
    UniqueHandle list_, temp_;
    std::optional<ListFileIdentity> identity_;
    DWORD attributes_ = FILE_ATTRIBUTE_NORMAL;
    bool createdNow_ = false, replaceable_ = true, tempBeside_ = true;
    std::wstring tempPath_, copy_, notice_;
    Stage stage_ = Stage::Untouched;
};

}  // namespace

std::wstring SaveBaseListFile(const std::wstring& path, const std::function<bool(BaseListValues&)>& nextEntry)
{
    return BaseListSave(path, nextEntry).Run();
}
