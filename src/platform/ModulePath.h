// The running executable's path as the program names it: its long form,
// whatever form the program was started with, so that an 8.3 start
// (C:\PROGRA~1\AUTOPE~1.EXE) finds the same folder, title and registry key
// as any other.
//
//   ModulePath();  // L"C:\Program Files\AutoPeriod.exe", also when started as AUTOPE~1.EXE
#pragma once

#include <string>

// The long form of the executable's path. A "\\?\C:\..." or
// "\\?\UNC\server\share\..." start gives the plain form ("C:\...",
// "\\server\share\...") where that is shorter than MAX_PATH and names the
// same file, so every later file call and name test works as for any other
// start; a longer path keeps its prefix, so files beside it are still
// reached. When the long form cannot be had, the path as started. Worked
// out at the first call of a start and kept (platform/FaultSeam.h).
std::wstring ModulePath();
