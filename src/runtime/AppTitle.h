// Text rules of the application object: the title that follows from the
// executable's file name, and the full stop the error report adds.
//
//   ApplicationTitle("C:\\Tools\\MyTool.EXE") == "Mytool"
//   ReportText("Rename failed") == "Rename failed."
#pragma once

#include <string>
#include <string_view>

// The file name without its folder, cut before its first full stop, every
// character after the first in lower case (ASCII letters only).
std::string ApplicationTitle(std::string_view exePath);

// The message with a full stop appended when its last byte is above '.'.
std::string ReportText(std::string_view message);
