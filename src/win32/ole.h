#pragma once

namespace brisvane::win32 {

// OLE on the windows' thread, started by the first call that needs it (the system's file-open object,
// the open-file dialog, the shell's association dialog) and ended when the program ends. A run that
// only checks a torrent never starts it.
void UseOle();

}  // namespace brisvane::win32
