// Where the program keeps its files, and the existence test used before
// opening them.
//
//   std::wstring path = GetProgramFolderPath() + L"Bases.dat";  // L"C:\Базы 1С\Bases.dat"
//   if (FileExists(path)) ...
//   std::string shown = GetProgramFolder();                     // the same as text
#pragma once

#include "platform/FileExists.h"

#include <string>

// The folder of the running executable, ending in a backslash (the drive
// root keeps its own: "C:\"), exactly as the system names it. Files are
// found through this one.
std::wstring GetProgramFolderPath();

// The same folder as Windows-1251 text, for showing and for what keeps it as
// text; a character that code page lacks reads as "?", so no file is opened
// through it.
std::string GetProgramFolder();
