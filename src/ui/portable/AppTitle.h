// Text rules of the application object: the title that follows from the
// executable's file name, and the full stop the error report adds.
//
//   ApplicationTitle(L"C:\\Tools\\MyTool.EXE") == L"Mytool"
//   ReportText(L"Rename failed") == L"Rename failed."
#pragma once

#include <string>
#include <string_view>

// The file name without its folder, cut before its first full stop, every
// character after the first in lower case (ASCII letters only). Wide text:
// the name is shown exactly, whatever characters it has.
std::wstring ApplicationTitle(std::wstring_view exePath);

// The message with a full stop appended when its last character is above
// '.' (every character beyond ASCII counts as above it).
std::wstring ReportText(std::wstring_view message);
