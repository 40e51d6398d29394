// Bases.dat in the program folder: the only persistent store of the list of
// information bases. The main window loads it into its table once at start
// and saves the whole table back at every close.
//
//   LoadBaseList(BaseRxMemoryData, ProgramFolderPath);   // missing file: nothing
//   BaseRxMemoryData.SortByFields("Name", true, false);
//   ...
//   SaveBaseList(BaseRxMemoryData, ProgramFolderPath);   // EInOutError on failure
//
// Paths are wide: the program's folder may have any name, also one that the
// single-byte text of the list cannot hold.
//
// Every failure raises EInOutError with the platform's error code, and every
// path out of a load or a save leaves the file closed.
//
// A save refuses only what rewriting the file in place would refuse (a
// read-only file, a folder of that name, a file another program writes),
// with the same codes, and never loses the list:
// - the list goes to a temporary file beside Bases.dat ("Bases.dat.tmp", or
//   "Bases.dat.N.tmp" when that name is taken), is flushed, and is renamed
//   over Bases.dat, which so always holds the complete old or new list; the
//   new file keeps the hidden, system and archive attributes of the old;
// - when the rename is refused because another program holds Bases.dat
//   (open for reading without sharing deletion), or the folder takes no new
//   file though Bases.dat may be rewritten (the temporary file then goes to
//   the user's temporary folder), the complete list is copied into
//   Bases.dat in place; the temporary file goes only once that
//   has worked, and if it fails part-way the error names that file;
// - the first save after a failed load of the same file first copies it to
//   Bases.dat.bak (a plain writable file), since it may hold entries that
//   never reached the table; a copy that cannot be made stops the save with
//   a message naming the backup and the reason.
// On any other failure Bases.dat stays as it was and nothing is left behind.
#pragma once

#include "model/BaseListFormat.h"

#include <functional>
#include <string>

class TRxMemoryData;

inline constexpr const wchar_t* kBaseListFileName = L"Bases.dat";

// Adds one row per entry of programFolder + "Bases.dat" (InsertRow, the four
// fields, PostRow). Rows posted before a failure stay in the table.
void LoadBaseList(TRxMemoryData& table, const std::wstring& programFolder);

// Writes every row of the table, from the first, to programFolder +
// "Bases.dat". Moves the table's current row once the new file exists; a
// save refused before that leaves it where it was.
void SaveBaseList(TRxMemoryData& table, const std::wstring& programFolder);

// The file layer beneath them, with the table replaced by the format's
// callbacks; `path` is the full name of the list file.
void LoadBaseListFile(const std::wstring& path, const std::function<void(const BaseListValues&)>& onEntry);
void SaveBaseListFile(const std::wstring& path, const std::function<bool(BaseListValues&)>& nextEntry);

// The names of the save's companion files.
std::wstring BaseListTempPath(const std::wstring& path);
std::wstring BaseListBackupPath(const std::wstring& path);
