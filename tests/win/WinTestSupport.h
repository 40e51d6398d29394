// Helpers shared by the Windows tests: an application object per test
// program, error reports captured instead of shown, and message pumping.
#pragma once

#include "ui/Application.h"

#include <functional>
#include <string>
#include <vector>

// The one application object of the test program, created on first use.
TApplication& TestApplication();

// Error reports recorded since the last Clear (the text as the report would
// show it, full stop included).
std::vector<std::string>& ReportedErrors();

// Runs `action` once the next modal loop (or any message loop) is running.
void PostAction(std::function<void()> action);

// Drops actions that no loop ran, so that they cannot leak into the next test.
void ClearPendingActions();

// Dispatches queued messages for about `milliseconds`.
void Pump(int milliseconds = 50);

// A fresh empty folder under the temp folder with a Russian name, as an
// operator's folders have, ending in a backslash; removed with its content by
// the destructor. Path() is its Windows-1251 text, WidePath() its exact name.
class TempFolder {
public:
    TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    ~TempFolder();
    const std::string& Path() const { return path_; }
    const std::wstring& WidePath() const { return widePath_; }

private:
    std::string path_;
    std::wstring widePath_;
};
