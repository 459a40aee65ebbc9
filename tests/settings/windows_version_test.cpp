#include "settings/windows_version.h"

#include <gtest/gtest.h>

namespace brisvane {
namespace {

TEST(GetWindowsVersionName, NamesEveryKnownCombinationAndNothingElse) {
  struct Row {
    OsVersionInfo record;
    const char* name;
  };
  const Row rows[] = {
      {{0, 0, 0, 0}, "Windows 3.1"},  // also what a refused query leaves
      {{4, 0, 950, 1}, "Windows 95"},
      {{4, 10, 1998, 1}, "Windows 98"},
      {{4, 10, 0x040A08AE, 1}, "Windows 98SE"},  // version bytes in the high word: only the low word counts
      {{4, 10, 0x040A0000 | 1998, 1}, "Windows 98"},
      {{4, 90, 3000, 1}, "Windows Me"},
      {{4, 20, 0, 1}, ""},
      {{9, 0, 0, 1}, "Windows 95"},  // the major version plays no part on this platform
      {{3, 51, 1057, 2}, "Windows NT 3.51"},
      {{4, 0, 1381, 2}, "Windows NT 4.0"},
      {{5, 0, 2195, 2}, "Windows 2000"},
      {{5, 1, 2600, 2}, "Windows XP"},
      {{5, 2, 3790, 2}, "Windows Server 2003"},  // and 64-bit XP
      {{5, 3, 0, 2}, ""},
      {{6, 0, 6002, 2}, "Windows Vista"},
      {{6, 3, 9600, 2}, "Windows Vista"},
      {{7, 0, 0, 2}, ""},
      {{10, 0, 19045, 2}, ""},
      {{2, 0, 0, 2}, ""},
      {{10, 0, 0, 3}, "Failed"},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(GetWindowsVersionName(row.record), row.name)
        << "platform " << row.record.platform_id << ", " << row.record.major << "." << row.record.minor;
  }
  for (const char* old : {"Windows 2000", "Windows XP", "Windows Server 2003"}) EXPECT_TRUE(IsOldShellVersion(old));
  for (const char* other : {"", "Failed", "Windows Vista", "Windows NT 4.0", "windows xp", "Windows XP "})
    EXPECT_FALSE(IsOldShellVersion(other)) << other;
}

}  // namespace
}  // namespace brisvane
