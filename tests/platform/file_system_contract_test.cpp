// One set of expectations for every IFileSystem: the in-memory fake the core tests use, and the
// machine's own (POSIX natively, Win32 under Wine).
#include <gtest/gtest.h>

#include <memory>

#include "platform/file_system.h"
#include "support/memory_file_system.h"
#include "support/temp_dir.h"

namespace brisvane {
namespace {

struct MemoryWorld {
  testing::MemoryFileSystem fs;
  std::string Missing(const std::string& name) { return "/mem/" + name; }
  std::string MakeFile(const std::string& name, std::string_view bytes) { return fs.Put(Missing(name), bytes), Missing(name); }
  std::string MakeFolder(const std::string& name) { return fs.MakeFolder(Missing(name)), Missing(name); }
};

struct SystemWorld {
  std::unique_ptr<IFileSystem> owned = MakeSystemFileSystem();
  IFileSystem& fs = *owned;
  testing::TempDir dir;
  std::string Missing(const std::string& name) { return dir.Path(name); }
  std::string MakeFile(const std::string& name, std::string_view bytes) { return dir.Write(name, bytes); }
  std::string MakeFolder(const std::string& name) {
    std::filesystem::create_directories(testing::FromUtf8(dir.Path(name)));
    return dir.Path(name);
  }
};

template <typename World>
class FileSystemContract : public ::testing::Test {
 protected:
  World world;
};

using Worlds = ::testing::Types<MemoryWorld, SystemWorld>;
TYPED_TEST_SUITE(FileSystemContract, Worlds);

TYPED_TEST(FileSystemContract, ReadsWholeFilesByteForByteAndRefusesWhatIsNoFileOrTooLarge) {
  IFileSystem& fs = this->world.fs;
  const std::string missing = this->world.Missing("nothing.torrent");
  EXPECT_FALSE(fs.FileExists(missing));
  EXPECT_FALSE(fs.FileExists(""));
  const FileRead none = fs.ReadAll(missing, 1 << 20);
  EXPECT_EQ(none.status, FileRead::Status::NotFound);
  EXPECT_FALSE(none.error.empty());
  const std::string folder = this->world.MakeFolder("folder.torrent");
  EXPECT_FALSE(fs.FileExists(folder));
  EXPECT_NE(fs.ReadAll(folder, 1 << 20).status, FileRead::Status::Ok);

  std::string all;
  for (int b = 0; b < 3 * 256; ++b) all.push_back(static_cast<char>(b));
  // Japanese and Cyrillic in one name: no Western code page holds both.
  for (const std::string& name : {std::string("empty.torrent"), std::string("\xE6\x97\xA5-\xD0\x9A\xD0\xB8.torrent")}) {
    const std::string bytes = name == "empty.torrent" ? "" : all;
    const std::string path = this->world.MakeFile(name, bytes);
    EXPECT_TRUE(fs.FileExists(path)) << name;
    const FileRead read = fs.ReadAll(path, 768);
    ASSERT_EQ(read.status, FileRead::Status::Ok) << name;
    EXPECT_EQ(std::string(read.bytes.begin(), read.bytes.end()), bytes);
    if (!bytes.empty()) { EXPECT_EQ(fs.ReadAll(path, 767).status, FileRead::Status::TooLarge); }
  }
}

// The logs' writers: create (emptying), then append line by line with CR LF; never a file by appending.
TYPED_TEST(FileSystemContract, LogFilesAreCreatedEmptyAndGetLinesWithCrLf) {
  IFileSystem& fs = this->world.fs;
  const auto text = [&](const std::string& path) {
    const FileRead read = fs.ReadAll(path, 1 << 20);
    return std::string(read.bytes.begin(), read.bytes.end());
  };
  const std::string path = this->world.MakeFile("app.log", "old contents\r\n");
  ASSERT_TRUE(fs.CreateTextFile(path));
  EXPECT_EQ(text(path), "");
  ASSERT_TRUE(fs.AppendLine(path, "first"));
  ASSERT_TRUE(fs.AppendLine(path, "two\nlines \xC3\xA9"));  // a line break inside is written as it is
  EXPECT_EQ(text(path), "first\r\ntwo\nlines \xC3\xA9\r\n");

  const std::string fresh = this->world.Missing("\xD0\x9A\xD0\xB8\xD1\x80.log");
  EXPECT_FALSE(fs.AppendLine(fresh, "line"));
  EXPECT_FALSE(fs.FileExists(fresh));
  ASSERT_TRUE(fs.CreateTextFile(fresh));
  EXPECT_TRUE(fs.FileExists(fresh));
  const std::string folder = this->world.MakeFolder("folder.log");
  EXPECT_FALSE(fs.CreateTextFile(folder));
  EXPECT_FALSE(fs.AppendLine(folder, "line"));
  EXPECT_FALSE(fs.CreateTextFile(""));
}

}  // namespace
}  // namespace brisvane
