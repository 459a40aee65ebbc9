#include "check_cli.h"

#include <gtest/gtest.h>

#include "support/memory_file_system.h"

namespace brisvane {
namespace {

struct CliRun {
  int status = -1;
  std::string out;
  std::string err;
};

CliRun RunCli(std::vector<std::string> args, IFileSystem& fs) {
  CliRun run;
  const CliIo io{[&](std::string_view s) { run.out += s; }, [&](std::string_view s) { run.err += s; }};
  run.status = RunCheckCli(args, fs, io);
  return run;
}

// SHA-1 of "de", the smallest info dictionary: python3 -c 'import hashlib;print(hashlib.sha1(b"de").hexdigest())'
constexpr char kEmptyInfoHash[] = "600ccd1b71569232d01d110bc63e906beab04d8c";

TEST(CheckCli, HashPrintsOneLinePerFileLikeSha1sum) {
  testing::MemoryFileSystem fs;
  fs.Put("a.torrent", "d4:infodee");
  fs.Put("b c.torrent", "d8:announce3:url4:infode4:porti1ee");
  const CliRun run = RunCli({"hash", "a.torrent", "b c.torrent"}, fs);
  EXPECT_EQ(run.status, kExitOk);
  EXPECT_EQ(run.out, std::string(kEmptyInfoHash) + "  a.torrent\n" + kEmptyInfoHash + "  b c.torrent\n");
  EXPECT_EQ(run.err, "");
}

TEST(CheckCli, FileWithoutHashGoesToStderrAndFailsTheRun) {
  testing::MemoryFileSystem fs;
  fs.Put("good.torrent", "d4:infodee");
  fs.Put("text.torrent", "<html>");
  const CliRun run = RunCli({"hash", "text.torrent", "missing.torrent", "good.torrent"}, fs);
  EXPECT_EQ(run.status, kExitNoHash);
  // The good file is still hashed after the bad ones.
  EXPECT_EQ(run.out, std::string(kEmptyInfoHash) + "  good.torrent\n");
  EXPECT_NE(run.err.find("text.torrent: The file does not appear to be a valid torrent\n"), std::string::npos);
  EXPECT_NE(run.err.find("missing.torrent: "), std::string::npos);
  // Every report is one line: multi-line message-box texts are folded.
  std::size_t lines = 0;
  for (char c : run.err) lines += c == '\n';
  EXPECT_EQ(lines, 2u);
  EXPECT_EQ(run.err.find('\r'), std::string::npos);
}

TEST(CheckCli, UsageErrorsAreClearAndDistinct) {
  testing::MemoryFileSystem fs;
  for (const auto& args : std::vector<std::vector<std::string>>{{}, {"hash"}, {"frobnicate"}, {"hash", "-x", "a"}}) {
    const CliRun run = RunCli(args, fs);
    EXPECT_EQ(run.status, kExitUsage);
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err.find("Try 'brisvane-check --help'."), std::string::npos);
  }
  // After "--" a name that starts with a dash is a file.
  fs.Put("-odd.torrent", "d4:infodee");
  EXPECT_EQ(RunCli({"hash", "--", "-odd.torrent"}, fs).status, kExitOk);
}

TEST(CheckCli, HelpAndVersion) {
  testing::MemoryFileSystem fs;
  const CliRun help = RunCli({"--help"}, fs);
  EXPECT_EQ(help.status, kExitOk);
  EXPECT_NE(help.out.find("brisvane-check hash FILE..."), std::string::npos);
  const CliRun version = RunCli({"--version"}, fs);
  EXPECT_EQ(version.out, "brisvane-check 1.0.1\n");
}

}  // namespace
}  // namespace brisvane
