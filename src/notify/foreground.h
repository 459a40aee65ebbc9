#pragma once
// Bringing a window to the front even while another program owns the foreground.
#include "platform/desktop.h"

namespace brisvane {

// True when `window` already was the foreground window or has been made it; false when the system refused.
bool ForceForeground(IDesktopWindows& desktop, WindowHandle window);

}  // namespace brisvane
