// The file steps the list's load and save share, and what a run of the
// program remembers of its list file between the two.
#pragma once

#include "baselist/portable/BaseListFormat.h"
#include "platform/Handles.h"

#include <map>
#include <string>
#include <vector>

// A file step that failed: the step's system code and the file it was on.
// The save turns it into the operator's message.
struct FileStepFailed {
    DWORD code;
    std::wstring file;
};

// Throws FileStepFailed with the last error when `ok` is false.
void Require(bool ok, const std::wstring& file);

// The list file layer's failure as the operator reads it.
[[noreturn]] void Raise(DWORD code, const std::wstring& message);

// What this run knows of one list file.
struct ListFileRun {
    // A file there may hold entries that the table never received (the load
    // failed or found no file), or the complete list that could not be read:
    // the first save keeps a backup of it.
    std::wstring unread;
    bool backupRefused = false;  // the operator was told once that no backup could be made
    // A file this run must leave alone: the complete list it could not read
    // and could not back up.
    std::wstring spared;
    // The complete copy that holds the list while Bases.dat is not whole.
    std::wstring completeCopy;
};

// What this start of the program knows of the list file at `path`.
ListFileRun& RunOf(const std::wstring& path);

// Reads a file through the list reader; the first block is read at once,
// so that a file that a save is still writing is known before any entry.
class ListFileSource : public IByteSource {
public:
    ListFileSource(HANDLE file, const std::wstring& path);
    size_t Read(char* buffer, size_t size) override;
    // The file begins with the mark of an unfinished in-place write.
    bool Unfinished() const { return unfinished_; }

private:
    HANDLE file_;
    std::wstring path_;
    std::vector<char> first_;
    size_t served_ = 0;
    bool unfinished_ = false;
};

// Writes all of data; false with the last error set on failure. A write
// that takes nothing without failing would loop for ever; the only cause
// known is a full disk.
bool WriteAll(HANDLE file, const char* data, size_t size);

// Copies what is left of `from` to `to` at its position; no flush. False
// with the last error set on failure.
bool CopyBytes(HANDLE from, HANDLE to);

// Copies the open `source` into a new file `target`, flushed. False with
// the last error set, and no file left, on failure.
bool CopyToNewFile(HANDLE source, const std::wstring& target);

// True for an entry of that name that is not a folder; asks Windows
// directly, so that a fault test's count of the steps does not move.
bool IsFile(const std::wstring& path);
