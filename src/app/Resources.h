// Resource identifiers shared by the resource script and the code.
#pragma once

#define IDI_MAINICON 100
