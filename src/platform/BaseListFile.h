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
// A save never leaves Bases.dat half written: the list goes to a temporary
// file beside it, which replaces Bases.dat only once complete; on any failure
// Bases.dat stays as it was and the temporary file is removed. The first save
// after a failed load of the same file copies it to Bases.dat.bak first,
// since it may hold entries that never reached the table.
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
// "Bases.dat". Moves the table's current row.
void SaveBaseList(TRxMemoryData& table, const std::wstring& programFolder);

// The file layer beneath them, with the table replaced by the format's
// callbacks; `path` is the full name of the list file.
void LoadBaseListFile(const std::wstring& path, const std::function<void(const BaseListValues&)>& onEntry);
void SaveBaseListFile(const std::wstring& path, const std::function<bool(BaseListValues&)>& nextEntry);

// The names of the save's companion files.
std::wstring BaseListTempPath(const std::wstring& path);
std::wstring BaseListBackupPath(const std::wstring& path);
