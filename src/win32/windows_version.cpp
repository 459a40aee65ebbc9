#include "platform/windows_version.h"

#include <windows.h>

namespace brisvane {

OsVersionInfo QuerySystemVersion() {
  // The ANSI record (148 bytes): what older systems understand too. The result is deliberately not
  // examined; a refused call leaves the record zeroed.
  OSVERSIONINFOA info{};
  info.dwOSVersionInfoSize = sizeof info;
  GetVersionExA(&info);
  return OsVersionInfo{info.dwMajorVersion, info.dwMinorVersion, info.dwBuildNumber, info.dwPlatformId};
}

}  // namespace brisvane
