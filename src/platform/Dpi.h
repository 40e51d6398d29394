// Pixel density: what a window is drawn at, and the system values that
// depend on it. The per-monitor functions came with Windows 10 (1607) and are
// looked up at run time, so that the program still starts on Windows 7 and
// Vista; without them every window is at the system's density, which is what
// those systems draw at.
//
//   int dpi = WindowDpi(hwnd);                         // 96, 120, 144, 192 ...
//   int width = ScaleForDpi(154, dpi);                 // designed at 96
//   int icon = SystemMetricForDpi(SM_CXSMICON, dpi);
#pragma once

#include "platform/Win32.h"

// The density every design of the program is drawn at: 100 %.
inline constexpr int kDesignDpi = 96;

// The system's density (the primary monitor's when the user signed in).
int SystemDpi();
// The density `hwnd` is drawn at: its monitor's for a per-monitor aware
// window, otherwise the system's.
int WindowDpi(HWND hwnd);
// `value`, given at density `from`, at density `to`: rounded to the nearest
// pixel, halves away from zero.
int ScaleForDpi(int value, int to, int from = kDesignDpi);
// GetSystemMetrics at density `dpi`.
int SystemMetricForDpi(int index, int dpi);
// AdjustWindowRectEx at density `dpi` (the frame and caption of that density).
void AdjustWindowRectForDpi(RECT& rect, DWORD style, DWORD exStyle, int dpi);
