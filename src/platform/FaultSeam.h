// Where tests make a file or registry call fail, and stand for a new start
// of the program. Every wrapped call (FileApi,
// RegistryCalls) asks Before() first and reports a success to After(). The
// program links the answer that lets every call run (FaultSeamNone.cpp, all
// there is of this seam in it); the Windows tests link their own in its
// place (tests/win/FaultPlan.cpp), which counts calls and fails the ones a
// test picks, stands for a crash, or lets a model of the disk watch.
//
//   if (DWORD refusal = FaultSeam::Before(SeamCall::Write, {}, {}, file)) {
//       SetLastError(refusal);
//       return false;
//   }
#pragma once

#include "platform/Win32.h"

#include <string>

enum class SeamCall {
    // Files.
    Create,
    Read,
    Write,
    Flush,
    Close,
    Move,
    Truncate,
    Rewind,
    Information,
    Security,
    Attributes,
    SetAttributes,
    Delete,
    MakeFolder,
    // The registry.
    RegCreateKey,
    RegOpenKey,
    RegQueryValue,
    RegSetValue,
    RegQueryInfoKey,
    RegEnumKey,
    RegDeleteKey,
};

namespace FaultSeam {

// 0 lets the call run; any other value is the error it fails with instead.
// `path` and `target` name the files (a move's source and destination),
// `file` the handle the call works on.
DWORD Before(SeamCall call, const std::wstring& path, const std::wstring& target, HANDLE file);
// A call that ran and succeeded (a created file's handle in `file`).
void After(SeamCall call, const std::wstring& path, const std::wstring& target, HANDLE file);

// The path the program was started through, where a test gives one; empty:
// the one the system reports. (Wine hands a program started by its short
// name or through "\\?\" its plain long path: only so can such starts be
// tried.)
std::wstring StartedThrough();
// Counts the starts of the program in this process: what a run has learnt
// (its path, its list file's state) is learnt again when it changes.
unsigned StartCount();

}  // namespace FaultSeam
