// The application's error report: every exception that escapes a creation
// handler, an event handler or the message loop ends up here.
#pragma once

#include <exception>

// Shows the exception's message (with a full stop added when its last
// character is above '.') in a stop box captioned with the application
// title. EAbort is silent.
void ReportException(const std::exception& error);
