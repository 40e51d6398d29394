// Where the program keeps its files, and the existence test used before
// opening them.
//
//   std::string path = GetProgramFolder() + "Bases.dat";  // "C:\Tools\Bases.dat"
//   if (FileExists(path)) ...
#pragma once

#include <string>

// The folder of the running executable, ending in a backslash (the drive
// root keeps its own: "C:\"). Windows-1251 text.
std::string GetProgramFolder();

// True when an entry of that name exists in its folder and is not a
// directory, whatever its attributes; false otherwise, also when the folder
// cannot be read. The name is Windows-1251 text and holds no wildcards.
bool FileExists(const std::string& fileName);
