// Where the program keeps its files, and the existence test used before
// opening them.
//
//   std::wstring path = GetProgramFolder() + L"Bases.dat";  // L"C:\Базы 1С\Bases.dat"
//   if (FileExists(path)) ...
#pragma once

#include "platform/FileExists.h"

#include <string>

// The folder of the running executable, ending in a backslash (the drive
// root keeps its own: "C:\"), exactly as the system names it. Files are
// found through this one.
std::wstring GetProgramFolder();
