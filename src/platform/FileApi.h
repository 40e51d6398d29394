// Thin wrappers over the Win32 file calls of the base list file and the
// help text, taking the program's wide paths, so that no character of a
// folder's name is lost on the way. Each behaves as the call it wraps (same
// result, same GetLastError), and each passes the fault seam
// (platform/FaultSeam.h), so tests can make any single step of a load or a
// save fail, or stop there as a crash would.
#pragma once

#include "platform/Handles.h"

#include <string>

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
// SetFilePointerEx to the start of the file, or to `offset`.
bool Rewind(HANDLE file, LONGLONG offset = 0);
// GetFileInformationByHandle: which file this is (volume and index, the
// same for every name and spelling of it), its names (hard links) and size.
bool Information(HANDLE file, BY_HANDLE_FILE_INFORMATION* information);
// GetFileSecurityW for the discretionary access list, as self-relative bytes.
bool Security(const std::wstring& path, std::string* descriptor);
// CreateDirectoryW; true also when the folder is already there.
bool MakeFolder(const std::wstring& path);
// GetFileAttributesW; INVALID_FILE_ATTRIBUTES on failure.
DWORD Attributes(const std::wstring& path);
// SetFileAttributesW.
bool SetAttributes(const std::wstring& path, DWORD attributes);
// DeleteFileW.
bool Delete(const std::wstring& path);

}  // namespace FileApi
