#include "platform/FileApi.h"

#include "platform/FaultSeam.h"

#include <algorithm>

namespace {

// True when the seam refuses the call, with its code set as the last error.
bool Refused(SeamCall call, const std::wstring& path = {}, const std::wstring& target = {}, HANDLE file = nullptr)
{
    const DWORD refusal = FaultSeam::Before(call, path, target, file);
    if (refusal)
        SetLastError(refusal);
    return refusal != 0;
}

// Reports a call that succeeded, keeping its last error (ERROR_ALREADY_EXISTS
// tells OPEN_ALWAYS's callers what happened).
bool Succeeded(SeamCall call, const std::wstring& path = {}, const std::wstring& target = {}, HANDLE file = nullptr)
{
    const DWORD error = GetLastError();
    FaultSeam::After(call, path, target, file);
    SetLastError(error);
    return true;
}

}  // namespace

UniqueHandle FileApi::Create(const std::wstring& path, DWORD access, DWORD share, DWORD disposition, DWORD attributes)
{
    if (Refused(SeamCall::Create, path))
        return UniqueHandle();
    UniqueHandle file(CreateFileW(path.c_str(), access, share, nullptr, disposition, attributes, nullptr));
    if (file)
        Succeeded(SeamCall::Create, path, {}, file.Get());
    return file;
}

bool FileApi::Read(HANDLE file, void* buffer, DWORD size, DWORD* read)
{
    *read = 0;
    return !Refused(SeamCall::Read, {}, {}, file) && ReadFile(file, buffer, size, read, nullptr);
}

bool FileApi::Write(HANDLE file, const void* data, DWORD size, DWORD* written)
{
    *written = 0;
    return !Refused(SeamCall::Write, {}, {}, file) && WriteFile(file, data, size, written, nullptr);
}

bool FileApi::Flush(HANDLE file)
{
    return !Refused(SeamCall::Flush, {}, {}, file) && FlushFileBuffers(file) &&
           Succeeded(SeamCall::Flush, {}, {}, file);
}

bool FileApi::Close(UniqueHandle& file)
{
    HANDLE handle = file.Release();
    if (Refused(SeamCall::Close, {}, {}, handle)) {
        const DWORD code = GetLastError();
        CloseHandle(handle);
        SetLastError(code);
        return false;
    }
    return CloseHandle(handle) != FALSE;
}

bool FileApi::Move(const std::wstring& from, const std::wstring& to, DWORD flags)
{
    return !Refused(SeamCall::Move, from, to) && MoveFileExW(from.c_str(), to.c_str(), flags) &&
           Succeeded(SeamCall::Move, from, to);
}

bool FileApi::Truncate(HANDLE file)
{
    return !Refused(SeamCall::Truncate, {}, {}, file) && SetEndOfFile(file);
}

bool FileApi::Rewind(HANDLE file, LONGLONG offset)
{
    LARGE_INTEGER position;
    position.QuadPart = offset;
    return !Refused(SeamCall::Rewind, {}, {}, file) && SetFilePointerEx(file, position, nullptr, FILE_BEGIN);
}

bool FileApi::Information(HANDLE file, BY_HANDLE_FILE_INFORMATION* information)
{
    *information = {};
    return !Refused(SeamCall::Information, {}, {}, file) && GetFileInformationByHandle(file, information);
}

bool FileApi::Security(const std::wstring& path, std::string* descriptor)
{
    descriptor->clear();
    if (Refused(SeamCall::Security, path))
        return false;
    DWORD size = 0;
    GetFileSecurityW(path.c_str(), DACL_SECURITY_INFORMATION, nullptr, 0, &size);
    if (size == 0)
        return false;
    descriptor->resize(size);
    if (!GetFileSecurityW(path.c_str(), DACL_SECURITY_INFORMATION, descriptor->data(), size, &size))
        return false;
    descriptor->resize(std::min<size_t>(size, descriptor->size()));
    return true;
}

DWORD FileApi::Attributes(const std::wstring& path)
{
    if (Refused(SeamCall::Attributes, path))
        return INVALID_FILE_ATTRIBUTES;
    return GetFileAttributesW(path.c_str());
}

bool FileApi::SetAttributes(const std::wstring& path, DWORD attributes)
{
    return !Refused(SeamCall::SetAttributes, path) && SetFileAttributesW(path.c_str(), attributes);
}

bool FileApi::Delete(const std::wstring& path)
{
    return !Refused(SeamCall::Delete, path) && DeleteFileW(path.c_str()) && Succeeded(SeamCall::Delete, path);
}

bool FileApi::MakeFolder(const std::wstring& path)
{
    return !Refused(SeamCall::MakeFolder, path) &&
           (CreateDirectoryW(path.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
}
