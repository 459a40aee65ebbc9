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
  std::string MakeFile(const std::string& name, std::string_view bytes) {
    fs.Put("/mem/" + name, bytes);
    return "/mem/" + name;
  }
  std::string MakeFolder(const std::string& name) {
    fs.MakeFolder("/mem/" + name);
    return "/mem/" + name;
  }
  std::string Missing(const std::string& name) { return "/mem/" + name; }
};

struct SystemWorld {
  std::unique_ptr<IFileSystem> owned = MakeSystemFileSystem();
  IFileSystem& fs = *owned;
  testing::TempDir dir;
  std::string MakeFile(const std::string& name, std::string_view bytes) { return dir.Write(name, bytes); }
  std::string MakeFolder(const std::string& name) {
    std::filesystem::create_directories(testing::FromUtf8(dir.Path(name)));
    return dir.Path(name);
  }
  std::string Missing(const std::string& name) { return dir.Path(name); }
};

template <typename World>
class FileSystemContract : public ::testing::Test {
 protected:
  World world;
};

using Worlds = ::testing::Types<MemoryWorld, SystemWorld>;
TYPED_TEST_SUITE(FileSystemContract, Worlds);

TYPED_TEST(FileSystemContract, MissingFileNeitherExistsNorReads) {
  const std::string path = this->world.Missing("nothing.torrent");
  EXPECT_FALSE(this->world.fs.FileExists(path));
  EXPECT_FALSE(this->world.fs.FileExists(""));
  const FileRead read = this->world.fs.ReadAll(path, 1 << 20);
  EXPECT_EQ(read.status, FileRead::Status::NotFound);
  EXPECT_TRUE(read.bytes.empty());
  EXPECT_FALSE(read.error.empty());
}

TYPED_TEST(FileSystemContract, FolderIsNotAFile) {
  const std::string path = this->world.MakeFolder("folder.torrent");
  EXPECT_FALSE(this->world.fs.FileExists(path));
  EXPECT_NE(this->world.fs.ReadAll(path, 1 << 20).status, FileRead::Status::Ok);
}

TYPED_TEST(FileSystemContract, EveryByteValueComesBackUnchanged) {
  std::string all;
  for (int round = 0; round < 3; ++round)
    for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
  const std::string path = this->world.MakeFile("bytes.torrent", all);
  ASSERT_TRUE(this->world.fs.FileExists(path));
  const FileRead read = this->world.fs.ReadAll(path, 1 << 20);
  ASSERT_EQ(read.status, FileRead::Status::Ok);
  EXPECT_EQ(std::string(read.bytes.begin(), read.bytes.end()), all);
}

TYPED_TEST(FileSystemContract, EmptyFileExistsAndReadsEmpty) {
  const std::string path = this->world.MakeFile("empty.torrent", "");
  EXPECT_TRUE(this->world.fs.FileExists(path));
  const FileRead read = this->world.fs.ReadAll(path, 1 << 20);
  EXPECT_EQ(read.status, FileRead::Status::Ok);
  EXPECT_TRUE(read.bytes.empty());
}

TYPED_TEST(FileSystemContract, NamesBeyondTheAnsiCodePage) {
  // Japanese and Cyrillic in one name: no Western code page holds both.
  const std::string name = "\xE6\x97\xA5\xE6\x9C\xAC-\xD0\x9A\xD0\xB8\xD1\x80.torrent";
  const std::string path = this->world.MakeFile(name, "d4:infodee");
  EXPECT_TRUE(this->world.fs.FileExists(path));
  const FileRead read = this->world.fs.ReadAll(path, 1 << 20);
  ASSERT_EQ(read.status, FileRead::Status::Ok);
  EXPECT_EQ(read.bytes.size(), 10u);
}

TYPED_TEST(FileSystemContract, FileAboveTheLimitIsRefusedUnread) {
  const std::string path = this->world.MakeFile("big.torrent", std::string(4096, 'x'));
  const FileRead read = this->world.fs.ReadAll(path, 4095);
  EXPECT_EQ(read.status, FileRead::Status::TooLarge);
  EXPECT_TRUE(read.bytes.empty());
  EXPECT_EQ(this->world.fs.ReadAll(path, 4096).status, FileRead::Status::Ok);
}

// The logs' writers: create (emptying), then append line by line with CR LF.
std::string ReadText(IFileSystem& fs, const std::string& path) {
  const FileRead read = fs.ReadAll(path, 1 << 20);
  EXPECT_EQ(read.status, FileRead::Status::Ok) << path;
  return std::string(read.bytes.begin(), read.bytes.end());
}

TYPED_TEST(FileSystemContract, CreateTextFileEmptiesAndAppendLineAddsCrLf) {
  const std::string path = this->world.MakeFile("app.log", "old contents\r\n");
  ASSERT_TRUE(this->world.fs.CreateTextFile(path));
  EXPECT_EQ(ReadText(this->world.fs, path), "");
  ASSERT_TRUE(this->world.fs.AppendLine(path, "first"));
  ASSERT_TRUE(this->world.fs.AppendLine(path, ""));
  // A line break inside the text is written as it is.
  ASSERT_TRUE(this->world.fs.AppendLine(path, "two\nlines \xC3\xA9"));
  EXPECT_EQ(ReadText(this->world.fs, path), "first\r\n\r\ntwo\nlines \xC3\xA9\r\n");
}

TYPED_TEST(FileSystemContract, CreateTextFileMakesAMissingFile) {
  const std::string path = this->world.Missing("\xD0\x9A\xD0\xB8\xD1\x80.log");
  ASSERT_TRUE(this->world.fs.CreateTextFile(path));
  EXPECT_TRUE(this->world.fs.FileExists(path));
  EXPECT_EQ(ReadText(this->world.fs, path), "");
}

TYPED_TEST(FileSystemContract, AppendLineNeverCreatesAFile) {
  const std::string path = this->world.Missing("missing.log");
  EXPECT_FALSE(this->world.fs.AppendLine(path, "line"));
  EXPECT_FALSE(this->world.fs.FileExists(path));
  EXPECT_FALSE(this->world.fs.AppendLine("", "line"));
  EXPECT_FALSE(this->world.fs.CreateTextFile(""));
}

TYPED_TEST(FileSystemContract, FolderCannotBeCreatedOverOrAppendedTo) {
  const std::string path = this->world.MakeFolder("folder.log");
  EXPECT_FALSE(this->world.fs.CreateTextFile(path));
  EXPECT_FALSE(this->world.fs.AppendLine(path, "line"));
  EXPECT_FALSE(this->world.fs.FileExists(path));
}

}  // namespace
}  // namespace brisvane
