// Bases.dat in the program folder: the only persistent store of the list of
// information bases. The main window loads it into its table once at start
// and saves the whole table back at every close.
//
//   std::wstring notice = LoadBaseList(BaseRxMemoryData, ProgramFolderPath);
//   BaseRxMemoryData.SortByFields("Name", true, false);
//   if (!notice.empty()) ... tell the operator
//   ...
//   notice = SaveBaseList(BaseRxMemoryData, ProgramFolderPath);  // EInOutError on failure
//
// Paths are wide: the program's folder may have any name, also one that the
// single-byte text of the list cannot hold, and messages name files exactly.
// Every failure raises EInOutError, and every path out of a load or a save
// leaves the files closed. A notice is what the operator should know of a
// load or save that worked (a list taken from the complete copy, a backup
// or a leftover outside the program's folder); empty when there is nothing.
//
// What a save guarantees: after a crash, kill or power cut at any moment of
// it, the next load gives the complete old list or the complete new one.
// - The list is written to a temporary file ("Bases.dat.tmp", or
//   "Bases.dat.N.tmp" when that name is taken; in the user's own folder when
//   the program's folder takes no new file), flushed, and only then renamed
//   to the name of a complete copy, "Bases.dat.new".
// - That copy then replaces Bases.dat (ReplaceFileW, which keeps the old
//   file's security, encryption and compression). A file that cannot be
//   replaced is written through in place: a file another program reads
//   without sharing deletion, a file with other names (hard links) or
//   reached through a link, a folder that takes no new file. The copy stays
//   until that write, its truncation included, is on the device; if it
//   fails the error names the copy.
// - A load that finds a complete copy that differs from Bases.dat takes the
//   list from the copy and says so.
// - A save refuses only what rewriting the file in place would refuse (a
//   read-only file, a folder of that name, a file another program writes),
//   with the same codes, and then leaves Bases.dat as it was.
// - A Bases.dat that this run did not read whole (its load failed, or it
//   appeared after a load found none, or the list came from the copy) is
//   first copied to "Bases.dat.bak", once per run; where the folder takes no
//   new file, to the user's own folder, and the notice says where. A copy
//   that cannot be made refuses one close, saying why; the next close writes
//   the list without it.
#pragma once

#include "model/BaseListFormat.h"

#include <functional>
#include <string>

class TRxMemoryData;

inline constexpr const wchar_t* kBaseListFileName = L"Bases.dat";

// Adds one row per entry of programFolder + "Bases.dat" (InsertRow, the four
// fields, PostRow). Rows posted before a failure stay in the table.
std::wstring LoadBaseList(TRxMemoryData& table, const std::wstring& programFolder);

// Writes every row of the table, from the first, to programFolder +
// "Bases.dat". The table's current row stays where it was.
std::wstring SaveBaseList(TRxMemoryData& table, const std::wstring& programFolder);

// The file layer beneath them, with the table replaced by the format's
// callbacks; `path` is the full name of the list file.
std::wstring LoadBaseListFile(const std::wstring& path, const std::function<void(const BaseListValues&)>& onEntry);
std::wstring SaveBaseListFile(const std::wstring& path, const std::function<bool(BaseListValues&)>& nextEntry);

// The names of the save's companion files beside the list.
std::wstring BaseListTempPath(const std::wstring& path);
std::wstring BaseListCompletePath(const std::wstring& path);
std::wstring BaseListBackupPath(const std::wstring& path);
// A companion in the user's own folder, for a list whose folder takes no new
// file: ".tmp", ".new" or ".bak".
std::wstring BaseListUserCopyPath(const std::wstring& path, const std::wstring& suffix);

// Forgets what this run has learnt of its list files (which were read, which
// backups are due), as a new start of the program would.
void ForgetBaseListRun();
