// What the operator reads of the list file's load and save, in one table:
// every message names the file it is about, says whether the list was
// saved or loaded, and where the complete list is when it is not there.
//
//   ListText(ListMessage::NotSaved, {temp, ReasonText(112), path})
#pragma once

#include "platform/Win32.h"

#include <initializer_list>
#include <string>

enum class ListMessage {
    // Load.
    LoadedFromCopy,  // %1 the list file, %2 the complete copy
    TornWithoutCopy,  // %1 the list file
    CopyUnreadable,  // %1 the complete copy, %2 why, %3 the list file
    // Save.
    NotSaved,  // %1 the file that failed, %2 why, %3 the list file
    NoTemporaryFile,  // %1 the files tried with their causes, %2 the list file
    TornCopyKept,  // %1 the list file, %2 why, %3 the complete copy
    StillInCopy,  // %1 the complete copy
    BackupUnreadable,  // %1 the file not read whole, %2 why, %3 the list file
    BackupNotMade,  // %1 the backups tried with their causes, %2 the list file
    BackupInUserFolder,  // %1 the file not read whole, %2 why it could not stay beside it, %3 the backup
    LeftoverNotDeleted,  // %1 the list file, %2 the leftover, %3 why
};

// The message with %1, %2, ... replaced by the arguments.
std::wstring ListText(ListMessage message, std::initializer_list<std::wstring> arguments);

// A file's name as messages show it.
std::wstring Quoted(const std::wstring& path);

// Why a file step failed, in the operator's words, with the code for support.
std::wstring ReasonText(DWORD code);
