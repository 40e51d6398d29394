#include "baselist/ListFileSteps.h"

#include "baselist/BaseListCompanions.h"
#include "platform/FaultSeam.h"
#include "platform/FileApi.h"
#include "runtime/Exceptions.h"

#include <algorithm>

namespace {

constexpr DWORD kBlock = 64 * 1024;

}  // namespace

void Require(bool ok, const std::wstring& file)
{
    if (!ok)
        throw FileStepFailed{GetLastError(), file};
}

void Raise(DWORD code, const std::wstring& message)
{
    throw EInOutError(int(code), std::u16string(message.begin(), message.end()));
}

namespace {

// What this start of the program has learnt; forgotten at a new one.
std::map<std::wstring, ListFileRun>& Runs()
{
    static std::map<std::wstring, ListFileRun> runs;
    static unsigned start = FaultSeam::StartCount();
    if (start != FaultSeam::StartCount()) {
        start = FaultSeam::StartCount();
        runs.clear();
    }
    return runs;
}

}  // namespace

ListFileRun& RunOf(const std::wstring& path)
{
    return Runs()[path];
}

ListFileSource::ListFileSource(HANDLE file, const std::wstring& path) : file_(file), path_(path), first_(kBlock)
{
    DWORD read = 0;
    Require(FileApi::Read(file_, first_.data(), kBlock, &read), path_);
    first_.resize(read);
    // A one-byte file of the mark alone reads as an empty list, which it is.
    unfinished_ = read > 1 && first_[0] == kWriteInProgressMark;
}

size_t ListFileSource::Read(char* buffer, size_t size)
{
    if (served_ < first_.size()) {
        const size_t n = std::min(size, first_.size() - served_);
        std::copy_n(first_.data() + served_, n, buffer);
        served_ += n;
        return n;
    }
    DWORD read = 0;
    Require(FileApi::Read(file_, buffer, DWORD(std::min<size_t>(size, MAXDWORD)), &read), path_);
    return read;
}

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

bool CopyBytes(HANDLE from, HANDLE to)
{
    std::vector<char> block(kBlock);
    for (;;) {
        DWORD read = 0;
        if (!FileApi::Read(from, block.data(), kBlock, &read))
            return false;
        if (read == 0)
            return true;
        if (!WriteAll(to, block.data(), read))
            return false;
    }
}

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

bool IsFile(const std::wstring& path)
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}
