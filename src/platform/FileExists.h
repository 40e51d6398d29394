// The existence test used before opening the program's files:
//
//   if (FileExists(ProgramFolder + L"Readme.rtf")) ...
#pragma once

#include <string>

// True when an entry of that name exists in its folder and is not a
// directory, whatever its attributes; false otherwise, also when the folder
// cannot be read. The name holds no wildcards.
bool FileExists(const std::wstring& fileName);
// The same for a Windows-1251 name.
bool FileExists(const std::string& fileName);
