// Thin wrappers over the Win32 file calls of the base list file, taking the
// program's wide paths, so that no character of a
// folder's name is lost on the way. Each behaves as the call it wraps (same
// result, same GetLastError), and each counts as one call of the fault seam
// below, so tests can make any single step of a load or a save fail:
//
//   FileFaults::Arm(3, ERROR_DISK_FULL);   // the 3rd wrapped call from now fails
//   SaveBaseList(table, folder);           // throws EInOutError(112)
//   FileFaults::Disarm();
#pragma once

#include "platform/Handles.h"

#include <string>

namespace FileFaults {
// Makes the nthCall-th wrapped call from now (1 is the next one) fail with
// errorCode instead of running. One failure per arming.
void Arm(int nthCall, DWORD errorCode);
void Disarm();
// Wrapped calls made so far in this process.
int CallCount();

// A crash: from the nthCall-th wrapped call from now on, no call runs (each
// fails with ERROR_OPERATION_ABORTED), as if the process had died there.
// Disarm ends it.
void CrashAt(int nthCall);

// Sees every wrapped call, for tests that model what a power cut leaves on
// the disk, or a folder that takes no new files. Before() may refuse the
// call with an error code (0 lets it run); the After*() calls report calls
// that succeeded.
class Observer {
public:
    enum class Call { Create, Write, Flush, Truncate, Move, Replace, Delete, SetAttributes };
    virtual ~Observer() = default;
    virtual DWORD Before(Call call, const std::wstring& path, const std::wstring& target, HANDLE file) = 0;
    virtual void AfterCreate(HANDLE file, const std::wstring& path) = 0;
    virtual void AfterFlush(HANDLE file) = 0;
    virtual void AfterMove(const std::wstring& from, const std::wstring& to) = 0;
    virtual void AfterDelete(const std::wstring& path) = 0;
    virtual void BeforeClose(HANDLE file) = 0;
};
// nullptr stops observing.
void Observe(Observer* observer);
}  // namespace FileFaults

namespace FileApi {

// CreateFileW; an invalid handle on failure.
UniqueHandle Create(const std::wstring& path, DWORD access, DWORD share, DWORD disposition,
                    DWORD attributes = FILE_ATTRIBUTE_NORMAL);
// ReadFile on a synchronous handle.
bool Read(HANDLE file, void* buffer, DWORD size, DWORD* read);
// WriteFile on a synchronous handle.
bool Write(HANDLE file, const void* data, DWORD size, DWORD* written);
// FlushFileBuffers.
bool Flush(HANDLE file);
// CloseHandle. The handle is released whatever the result, an injected
// failure included, so that no path leaves the file open.
bool Close(UniqueHandle& file);
// MoveFileExW.
bool Move(const std::wstring& from, const std::wstring& to, DWORD flags);
// SetEndOfFile at the current position.
bool Truncate(HANDLE file);
// SetFilePointerEx to the start of the file.
bool Rewind(HANDLE file);
// GetFileInformationByHandle.
bool Information(HANDLE file, BY_HANDLE_FILE_INFORMATION* information);
// ReplaceFileW without a backup: the replaced file's security, encryption,
// compression and streams go over to the replacement.
bool Replace(const std::wstring& replaced, const std::wstring& replacement);
// CreateDirectoryW; true also when the folder is already there.
bool MakeFolder(const std::wstring& path);
// GetFileAttributesW; INVALID_FILE_ATTRIBUTES on failure.
DWORD Attributes(const std::wstring& path);
// SetFileAttributesW.
bool SetAttributes(const std::wstring& path, DWORD attributes);
// DeleteFileW.
bool Delete(const std::wstring& path);

}  // namespace FileApi
