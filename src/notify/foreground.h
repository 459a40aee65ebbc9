#pragma once
// Bringing a window to the front even while another program owns the foreground.
#include "platform/desktop.h"

namespace brisvane {

// True when `hWnd` already was the foreground window or has been made it; false when the system refused.
bool ForceForeground(IDesktopWindows& desktop, WindowHandle hWnd);

}  // namespace brisvane
