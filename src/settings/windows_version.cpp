#include "settings/windows_version.h"

namespace brisvane {

std::string GetWindowsVersionName(const OsVersionInfo& record) {
  switch (record.platform_id) {
    case kVerPlatformWin32s:
      return "Windows 3.1";
    case kVerPlatformWin32Windows:
      switch (record.minor) {
        case 0:
          return "Windows 95";
        case 10:
          // Only the low word is the build number; the high word repeats the version bytes.
          return (record.build & 0xFFFFu) == 2222 ? "Windows 98SE" : "Windows 98";
        case 90:
          return "Windows Me";
        default:
          return {};
      }
    case kVerPlatformWin32Nt:
      switch (record.major) {
        case 3:
          return "Windows NT 3.51";
        case 4:
          return "Windows NT 4.0";
        case 5:
          switch (record.minor) {
            case 0:
              return "Windows 2000";
            case 1:
              return "Windows XP";
            case 2:
              return "Windows Server 2003";  // 64-bit XP reports 5.2 as well
            default:
              return {};
          }
        case 6:
          return "Windows Vista";  // 7, 8 and 8.1 included
        default:
          return {};
      }
    default:
      return "Failed";
  }
}

std::string GetWindowsVersionName(ISystem& system) { return GetWindowsVersionName(system.WindowsVersion()); }

bool IsOldShellVersion(std::string_view name) {
  return name == "Windows 2000" || name == "Windows XP" || name == "Windows Server 2003";
}

}  // namespace brisvane
