#pragma once
// What Windows says about its own version: the fields of the system's version record that the program
// names versions from. The record's size field and its service-pack text play no part in the name.
#include <cstdint>

namespace brisvane {

// Platform ids as the system reports them.
inline constexpr std::uint32_t kVerPlatformWin32s = 0;
inline constexpr std::uint32_t kVerPlatformWin32Windows = 1;  // Windows 95, 98 and Me
inline constexpr std::uint32_t kVerPlatformWin32Nt = 2;        // NT, 2000 and everything since

struct OsVersionInfo {
  std::uint32_t major = 0;
  std::uint32_t minor = 0;
  std::uint32_t build = 0;  // Windows 95/98/Me put the major and minor version in the high 16 bits
  std::uint32_t platform_id = 0;

  friend bool operator==(const OsVersionInfo&, const OsVersionInfo&) = default;
};

// The running system's record, asked afresh on every call; a refused query gives the all-zero record.
// Only the Windows build has it.
OsVersionInfo QuerySystemVersion();

}  // namespace brisvane
