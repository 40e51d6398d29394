// The system's own words for an error code, in the system's language:
//
//   SystemErrorText(ERROR_ACCESS_DENIED);  // L"Access denied." (no line end)
#pragma once

#include <string>

// Empty when the system has no text for the code.
std::wstring SystemErrorText(unsigned long code);
