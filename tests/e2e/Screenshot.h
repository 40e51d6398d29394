// Pictures of the program's windows as the operator sees them, frame and
// caption included: the window's rectangle is copied from the virtual
// desktop and saved as a PNG into the screenshot folder of the run.
//
//   SaveScreenshot(main, L"main");   // <screenshot folder>\main.png
#pragma once

#include "platform/Win32.h"

#include <string>

// Does nothing when the run has no screenshot folder. A failure to capture
// or to write is a DriverError.
void SaveScreenshot(HWND window, const std::wstring& name);

// Whether any pixel of the screen rectangle has exactly that colour, as the
// virtual desktop shows it now.
bool ScreenShows(const RECT& r, COLORREF color);
