#include "notify/logs.h"

#include <gtest/gtest.h>

#include "support/fakes.h"
#include "support/memory_file_system.h"

namespace brisvane {
namespace {

TEST(Logs, LinesAreAppendedWithDateAndTimeOrAloneAndAFailureIsSaid) {
  testing::MemoryFileSystem fs;
  testing::FakeClock clock;
  EXPECT_TRUE(AppendActivityLine(fs, clock, "C:\\b\\Brisvane.log", "C:\\a.torrent, 0a, GOOD"));
  clock.Sleep(61000);
  EXPECT_TRUE(AppendActivityLine(fs, clock, "C:\\b\\Brisvane.log", "second"));
  EXPECT_EQ(fs.Contents("C:\\b\\Brisvane.log"),
            "2024-03-07 09:05:01  C:\\a.torrent, 0a, GOOD\r\n2024-03-07 09:06:02  second\r\n");
  fs.Put("C:\\b\\debug.log", "kept\r\n");
  EXPECT_TRUE(AppendDebugLine(fs, "C:\\b\\debug.log", "String = info"));
  EXPECT_EQ(fs.Contents("C:\\b\\debug.log"), "kept\r\nString = info\r\n");
  fs.MakeUnwritable("C:\\locked.log");
  EXPECT_FALSE(AppendDebugLine(fs, "C:\\locked.log", "x"));
  EXPECT_FALSE(fs.FileExists("C:\\locked.log"));
}

}  // namespace
}  // namespace brisvane
