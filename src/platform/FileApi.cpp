#include "platform/FileApi.h"

namespace {

int callCount = 0;
int failingCall = 0;  // the value of callCount at which to fail; 0 when disarmed
DWORD failingCode = 0;
int crashCall = 0;  // from this value of callCount on no call runs; 0 when disarmed
FileFaults::Observer* observer = nullptr;

using Call = FileFaults::Observer::Call;

// Counts the call; true when this one is to fail, with its code already set
// as the last error.
bool InjectFault(Call call = Call::Create, const std::wstring& path = {}, const std::wstring& target = {},
                 HANDLE file = nullptr, bool observed = false)
{
    ++callCount;
    if (crashCall != 0 && callCount >= crashCall) {
        SetLastError(ERROR_OPERATION_ABORTED);
        return true;
    }
    if (failingCall != 0 && callCount == failingCall) {
        failingCall = 0;
        SetLastError(failingCode);
        return true;
    }
    if (observed && observer) {
        if (DWORD refusal = observer->Before(call, path, target, file)) {
            SetLastError(refusal);
            return true;
        }
    }
    return false;
}

}  // namespace

void FileFaults::Arm(int nthCall, DWORD errorCode)
{
    failingCall = nthCall > 0 ? callCount + nthCall : 0;
    failingCode = errorCode;
}

void FileFaults::Disarm()
{
    failingCall = 0;
    crashCall = 0;
}

int FileFaults::CallCount()
{
    return callCount;
}

void FileFaults::CrashAt(int nthCall)
{
    crashCall = nthCall > 0 ? callCount + nthCall : 0;
}

void FileFaults::Observe(Observer* newObserver)
{
    observer = newObserver;
}

UniqueHandle FileApi::Create(const std::wstring& path, DWORD access, DWORD share, DWORD disposition, DWORD attributes)
{
    if (InjectFault(Call::Create, path, {}, nullptr, true))
        return UniqueHandle();
    UniqueHandle file(CreateFileW(path.c_str(), access, share, nullptr, disposition, attributes, nullptr));
    if (file && observer) {
        DWORD error = GetLastError();
        observer->AfterCreate(file.Get(), path);
        SetLastError(error);  // ERROR_ALREADY_EXISTS tells OPEN_ALWAYS's callers what happened
    }
    return file;
}

bool FileApi::Read(HANDLE file, void* buffer, DWORD size, DWORD* read)
{
    *read = 0;
    if (InjectFault())
        return false;
    return ReadFile(file, buffer, size, read, nullptr) != FALSE;
}

bool FileApi::Write(HANDLE file, const void* data, DWORD size, DWORD* written)
{
    *written = 0;
    if (InjectFault(Call::Write, {}, {}, file, true))
        return false;
    return WriteFile(file, data, size, written, nullptr) != FALSE;
}

bool FileApi::Flush(HANDLE file)
{
    if (InjectFault(Call::Flush, {}, {}, file, true))
        return false;
    if (!FlushFileBuffers(file))
        return false;
    if (observer)
        observer->AfterFlush(file);
    return true;
}

bool FileApi::Close(UniqueHandle& file)
{
    HANDLE handle = file.Release();
    if (observer)
        observer->BeforeClose(handle);
    if (InjectFault()) {
        const DWORD code = GetLastError();
        CloseHandle(handle);
        SetLastError(code);
        return false;
    }
    return CloseHandle(handle) != FALSE;
}

bool FileApi::Move(const std::wstring& from, const std::wstring& to, DWORD flags)
{
    if (InjectFault(Call::Move, from, to, nullptr, true))
        return false;
    if (!MoveFileExW(from.c_str(), to.c_str(), flags))
        return false;
    if (observer)
        observer->AfterMove(from, to);
    return true;
}

bool FileApi::Replace(const std::wstring& replaced, const std::wstring& replacement)
{
    if (InjectFault(Call::Replace, replacement, replaced, nullptr, true))
        return false;
    if (!ReplaceFileW(replaced.c_str(), replacement.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr,
                      nullptr))
        return false;
    if (observer)
        observer->AfterMove(replacement, replaced);
    return true;
}

bool FileApi::Truncate(HANDLE file)
{
    if (InjectFault(Call::Truncate, {}, {}, file, true))
        return false;
    return SetEndOfFile(file) != FALSE;
}

bool FileApi::Rewind(HANDLE file)
{
    if (InjectFault())
        return false;
    return SetFilePointerEx(file, LARGE_INTEGER{}, nullptr, FILE_BEGIN) != FALSE;
}

bool FileApi::Information(HANDLE file, BY_HANDLE_FILE_INFORMATION* information)
{
    if (InjectFault())
        return false;
    return GetFileInformationByHandle(file, information) != FALSE;
}

DWORD FileApi::Attributes(const std::wstring& path)
{
    if (InjectFault())
        return INVALID_FILE_ATTRIBUTES;
    return GetFileAttributesW(path.c_str());
}

bool FileApi::SetAttributes(const std::wstring& path, DWORD attributes)
{
    if (InjectFault(Call::SetAttributes, path, {}, nullptr, true))
        return false;
    return SetFileAttributesW(path.c_str(), attributes) != FALSE;
}

bool FileApi::Delete(const std::wstring& path)
{
    if (InjectFault(Call::Delete, path, {}, nullptr, true))
        return false;
    if (!DeleteFileW(path.c_str()))
        return false;
    if (observer)
        observer->AfterDelete(path);
    return true;
}

bool FileApi::MakeFolder(const std::wstring& path)
{
    if (InjectFault(Call::Create, path, {}, nullptr, true))
        return false;
    return CreateDirectoryW(path.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}
