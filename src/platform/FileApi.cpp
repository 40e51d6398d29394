#include "platform/FileApi.h"

namespace {

int callCount = 0;
int failingCall = 0;  // the value of callCount at which to fail; 0 when disarmed
DWORD failingCode = 0;

// Counts the call; true when this one is to fail, with its code already set
// as the last error.
bool InjectFault()
{
    ++callCount;
    if (failingCall == 0 || callCount != failingCall)
        return false;
    failingCall = 0;
    SetLastError(failingCode);
    return true;
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
}

int FileFaults::CallCount()
{
    return callCount;
}

UniqueHandle FileApi::Create(const std::wstring& path, DWORD access, DWORD share, DWORD disposition, DWORD attributes)
{
    if (InjectFault())
        return UniqueHandle();
    return UniqueHandle(CreateFileW(path.c_str(), access, share, nullptr, disposition, attributes, nullptr));
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
    if (InjectFault())
        return false;
    return WriteFile(file, data, size, written, nullptr) != FALSE;
}

bool FileApi::Flush(HANDLE file)
{
    if (InjectFault())
        return false;
    return FlushFileBuffers(file) != FALSE;
}

bool FileApi::Close(UniqueHandle& file)
{
    HANDLE handle = file.Release();
    if (InjectFault()) {
        CloseHandle(handle);
        SetLastError(failingCode);
        return false;
    }
    return CloseHandle(handle) != FALSE;
}

bool FileApi::Move(const std::wstring& from, const std::wstring& to, DWORD flags)
{
    if (InjectFault())
        return false;
    return MoveFileExW(from.c_str(), to.c_str(), flags) != FALSE;
}

bool FileApi::Truncate(HANDLE file)
{
    if (InjectFault())
        return false;
    return SetEndOfFile(file) != FALSE;
}

DWORD FileApi::Attributes(const std::wstring& path)
{
    if (InjectFault())
        return INVALID_FILE_ATTRIBUTES;
    return GetFileAttributesW(path.c_str());
}

bool FileApi::SetAttributes(const std::wstring& path, DWORD attributes)
{
    if (InjectFault())
        return false;
    return SetFileAttributesW(path.c_str(), attributes) != FALSE;
}

bool FileApi::Delete(const std::wstring& path)
{
    if (InjectFault())
        return false;
    return DeleteFileW(path.c_str()) != FALSE;
}
