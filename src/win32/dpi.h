#pragma once
// The screen's and a window's DPI, and the system's sizes and fonts at a DPI: the per-monitor functions
// where Windows has them (10 and later), the system-wide ones scaled otherwise.
#include <windows.h>

namespace brisvane::win32 {

UINT SystemDpi();
UINT WindowDpi(HWND window);
// GetSystemMetrics at `dpi`.
int MetricForDpi(int index, UINT dpi);
// AdjustWindowRectEx at `dpi`: the outer rectangle that gives `rect` as client area.
void AdjustForDpi(RECT& rect, DWORD style, DWORD ex_style, UINT dpi);
// The font Windows uses for message boxes, at `dpi`.
LOGFONTW MessageFont(UINT dpi);

}  // namespace brisvane::win32
