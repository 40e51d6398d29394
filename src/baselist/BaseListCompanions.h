// The files that keep a list company while it is saved, and how a list file
// is known whatever the spelling of its folder.
//
// Beside Bases.dat: the temporary file ("Bases.dat.tmp", or "Bases.dat.N.tmp"
// when that name is taken), the complete copy that an in-place write keeps
// until it is done ("Bases.dat.new") and the backup ("Bases.dat.bak"). Where
// the program's folder takes no new file they live in the user's own
// folder, named after the list file's identity: the volume and the file's
// index, which every spelling of the folder (a drive letter or a network
// path, another mapping, a moved folder) shares.
#pragma once

#include "platform/Win32.h"

#include <cstdint>
#include <optional>
#include <string>

// A list file that a save is writing in place begins with this byte, and
// does until the rest is on the device: a reader stops at it at once, and a
// start knows the file is not whole.
inline constexpr char kWriteInProgressMark = '\x1A';

struct ListFileIdentity {
    DWORD volume = 0;
    uint64_t index = 0;
};

ListFileIdentity IdentityFrom(const BY_HANDLE_FILE_INFORMATION& information);
std::optional<ListFileIdentity> IdentityOf(HANDLE file);

std::wstring BaseListTempPath(const std::wstring& path);
// n from 1: the other names the temporary file takes.
std::wstring BaseListSpareTempPath(const std::wstring& path, int n);
std::wstring BaseListCompletePath(const std::wstring& path);
std::wstring BaseListBackupPath(const std::wstring& path);

// The user's own folder for companions, ending in a backslash.
std::wstring BaseListUserFolder();

// A companion in the user's own folder: ".tmp", ".new" or ".bak".
std::wstring BaseListUserCopyPath(const ListFileIdentity& identity, const std::wstring& suffix);
// The name an earlier version gave it, from the text of the list's path.
std::wstring BaseListOldUserCopyPath(const std::wstring& path, const std::wstring& suffix);

// Creates the user's folder for a companion about to be made there.
void MakeFolderFor(const std::wstring& companion);
