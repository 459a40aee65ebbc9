#pragma once
// The running Windows version as one of a fixed set of names. Callers only compare the name with the
// three systems that keep the .torrent association the old way.
#include <string>
#include <string_view>

#include "platform/system.h"
#include "platform/windows_version.h"

namespace brisvane {

// "Windows 3.1" ... "Windows Vista", "Failed" for an unknown platform, or the empty text for any
// combination it has no name for (Windows 7 and later all report 6.x or 10.0).
std::string GetWindowsVersionName(const OsVersionInfo& record);
// Asks the system for its record now; nothing is cached.
std::string GetWindowsVersionName(ISystem& system);

// True for "Windows 2000", "Windows XP" and "Windows Server 2003": the old shell's way of keeping the
// association. Every other name, the empty one included, means the per-user choice.
bool IsOldShellVersion(std::string_view name);

}  // namespace brisvane
