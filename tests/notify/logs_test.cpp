// The activity log and the debug log with their switches on and off.
#include "notify/logs.h"

#include <gtest/gtest.h>

#include <ctime>

#include "notify/notify_fakes.h"
#include "support/memory_file_system.h"
#include "support/temp_dir.h"

namespace brisvane {
namespace {

constexpr const char* kLog = "C:\\Program Files\\Brisvane\\Brisvane.log";
constexpr const char* kDebugLog = "C:\\Program Files\\Brisvane\\debug.log";

TEST(LogData, CreatesTheLogThenAppendsDatedLinesKeepingEarlierOnes) {
  testing::MemoryFileSystem fs;
  testing::FakeClock clock;
  EXPECT_TRUE(LogData(fs, clock, kLog, "C:\\t\\a.torrent, 0123abcd, GOOD"));
  clock.Sleep(61'000);
  EXPECT_TRUE(LogData(fs, clock, kLog, "C:\\t\\b.torrent, , ERROR"));
  EXPECT_EQ(fs.Contents(kLog),
            "2024-03-07 09:05:01  C:\\t\\a.torrent, 0123abcd, GOOD\r\n"
            "2024-03-07 09:06:02  C:\\t\\b.torrent, , ERROR\r\n");
}

TEST(LogData, AnExistingLogIsAppendedToNotEmptied) {
  testing::MemoryFileSystem fs;
  testing::FakeClock clock;
  fs.Put(kLog, std::string_view("from an earlier run\r\n"));
  EXPECT_TRUE(LogData(fs, clock, kLog, "two\r\nlines"));
  EXPECT_EQ(fs.Contents(kLog), "from an earlier run\r\n2024-03-07 09:05:01  two\r\nlines\r\n");
}

TEST(LogData, AWriterThatCannotWriteSaysSoAndLeavesTheFileAlone) {
  testing::MemoryFileSystem fs;
  testing::FakeClock clock;
  fs.MakeUnwritable(kLog);
  EXPECT_FALSE(LogData(fs, clock, kLog, "x"));
  EXPECT_FALSE(fs.FileExists(kLog));

  fs.Put(kDebugLog, std::string_view("kept\r\n"));
  fs.MakeUnwritable(kDebugLog);
  EXPECT_FALSE(DebugLog(fs, kDebugLog, "String = y", true));
  EXPECT_EQ(fs.Contents(kDebugLog), "kept\r\n");
}

TEST(DebugLog, OnWritesTheTextAloneOffTouchesNothing) {
  testing::MemoryFileSystem fs;
  EXPECT_TRUE(DebugLog(fs, kDebugLog, "String = announce", false));
  EXPECT_FALSE(fs.FileExists(kDebugLog));
  EXPECT_EQ(fs.appends, 0);

  EXPECT_TRUE(DebugLog(fs, kDebugLog, "String = announce", true));
  EXPECT_TRUE(DebugLog(fs, kDebugLog, "String = ", true));
  EXPECT_TRUE(DebugLog(fs, kDebugLog, "String = never", false));
  EXPECT_EQ(fs.Contents(kDebugLog), "String = announce\r\nString = \r\n");
}

TEST(LogData, RealFilesOnThisMachine) {
  testing::TempDir dir;
  auto fs = MakeSystemFileSystem();
  testing::FakeClock clock;
  const std::string path = dir.Path("Brisvane.log");
  EXPECT_TRUE(LogData(*fs, clock, path, "first"));
  EXPECT_TRUE(LogData(*fs, clock, path, "second"));
  EXPECT_TRUE(DebugLog(*fs, dir.Path("debug.log"), "String = s", true));
  EXPECT_TRUE(DebugLog(*fs, dir.Path("debug-off.log"), "String = s", false));
  EXPECT_FALSE(fs->FileExists(dir.Path("debug-off.log")));
  const FileRead read = fs->ReadAll(path, 1 << 16);
  ASSERT_EQ(read.status, FileRead::Status::Ok);
  EXPECT_EQ(std::string(read.bytes.begin(), read.bytes.end()),
            "2024-03-07 09:05:01  first\r\n2024-03-07 09:05:01  second\r\n");
  EXPECT_FALSE(LogData(*fs, clock, dir.Path("no-such-folder/Brisvane.log"), "x"));
}

// The plain date and time form against the C library's formatting of the same instants.
TEST(ClockText, PlainFormMatchesTheCLibrary) {
  testing::FakeClock clock;
  for (const long long seconds : {0LL, 951782400LL /* 2000-02-29 */, 1709802301LL, 4102444799LL, 86399LL}) {
    const std::chrono::local_seconds when{std::chrono::seconds{seconds}};
    const std::time_t t = static_cast<std::time_t>(seconds);
    const std::tm* tm = std::gmtime(&t);
    ASSERT_NE(tm, nullptr);
    char date[32], time[32];
    std::strftime(date, sizeof date, "%Y-%m-%d", tm);
    std::strftime(time, sizeof time, "%H:%M:%S", tm);
    EXPECT_EQ(clock.ShortDate(when), date) << seconds;
    EXPECT_EQ(clock.LongTime(when), time) << seconds;
  }
}

}  // namespace
}  // namespace brisvane
