// Bases.dat in the program folder: the only persistent store of the list of
// information bases. The main window loads it into its table once at start
// and saves the whole table back at every close.
//
//   std::wstring notice = LoadBaseList(BaseRxMemoryData, ProgramFolder);
//   BaseRxMemoryData.SortByFields("Name", true, false);
//   if (!notice.empty()) ... tell the operator
//   ...
//   notice = SaveBaseList(BaseRxMemoryData, ProgramFolder);  // EInOutError on failure
//
// Paths are wide: the program's folder may have any name, also one that the
// single-byte text of the list cannot hold, and messages name files exactly.
// Every failure raises EInOutError, and every path out of a load or a save
// leaves the files closed. A notice is what the operator should know of a
// load or save that worked; empty when there is nothing.
//
// What a save guarantees: after a crash, kill or power cut at any moment of
// it, the next start gives the complete old list or the complete new one,
// or says that the list file is not whole and where the complete list is;
// it never takes a torn or an older list for the list. How
// (BaseListSave.cpp):
// - The list is written to a temporary file beside Bases.dat and flushed.
//   Where that file can take Bases.dat's place with everything Bases.dat
//   had (its access rights, encryption and compression; the hidden and
//   system attributes are set again), it is renamed over it: one step of
//   the file system, old list or new, with no rule for the next start.
// - Otherwise (a file another program reads without letting it be
//   replaced, a file with other names or reached through a link, rights of
//   its own, a folder that takes no new file) Bases.dat is written in place.
//   The complete copy is made first ("Bases.dat.new", or in the user's own
//   folder under the file's identity); then the file's first byte becomes a
//   mark that no list begins with, the rest is written, and the first byte
//   last, each step on the device before the next. A start that finds the
//   mark loads the complete copy, or says that it cannot and loads nothing.
// - A save refuses only what rewriting the file in place would refuse (a
//   read-only file, a folder of that name, a file another program writes),
//   with the same codes, and then leaves Bases.dat as it was.
// - A file that this run did not read whole is first copied to
//   "Bases.dat.bak", once per run (see ListFileSteps.h).
#pragma once

#include "baselist/BaseListCompanions.h"
#include "baselist/portable/BaseListFormat.h"

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
