// The decoder's info-hashes against tools that know torrents and SHA-1 on their own: torrents made by
// mktorrent, hashed by python3-libtorrent; generated torrents' info spans, hashed by python3 hashlib.
// These run natively only; they are skipped with the reason when a tool is missing.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "app/reference_bencode.h"
#include "app/torrent_decoder.h"
#include "app/torrent_generator.h"
#include "support/temp_dir.h"

namespace brisvane {
namespace {

#ifndef _WIN32

bool Succeeds(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()) == 0; }

// Standard output of `command`, which must exit with 0.
std::vector<std::string> OutputLines(const std::string& command) {
  std::vector<std::string> lines;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) return lines;
  std::string line;
  for (int c; (c = std::fgetc(pipe)) != EOF;) {
    if (c == '\n') {
      lines.push_back(line);
      line.clear();
    } else {
      line.push_back(static_cast<char>(c));
    }
  }
  EXPECT_EQ(::pclose(pipe), 0) << command;
  return lines;
}

std::string Quoted(const std::string& path) { return "'" + path + "'"; }

// The Debian package installs the module for the system's python, which may not be first on PATH.
std::string PythonWith(const std::string& module) {
  for (const std::string python : {"/usr/bin/python3", "python3"}) {
    if (Succeeds(python + " -c 'import " + module + "'")) return python;
  }
  return "";
}

void WriteFile(const std::filesystem::path& path, const std::string& bytes) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

std::string RandomBytes(std::mt19937& rng, std::size_t size) {
  std::string bytes(size, '\0');
  for (char& c : bytes) c = static_cast<char>(rng());
  return bytes;
}

TEST(TorrentDecoderClient, MktorrentTorrentsHashAsLibtorrentDoes) {
  const std::string python = PythonWith("libtorrent");
  if (python.empty()) GTEST_SKIP() << "python3-libtorrent is not installed";
  if (!Succeeds("command -v mktorrent")) GTEST_SKIP() << "mktorrent is not installed";

  testing::TempDir dir;
  const auto root = testing::FromUtf8(dir.Root());
  std::mt19937 rng(1206);
  WriteFile(root / "one-byte.bin", "x");
  WriteFile(root / "notes.bin", RandomBytes(rng, 300'001));
  WriteFile(root / testing::FromUtf8("album é/01 intro.flac"), RandomBytes(rng, 70'000));
  WriteFile(root / testing::FromUtf8("album é/CD 2/02 終わり.flac"), RandomBytes(rng, 45'000));
  WriteFile(root / testing::FromUtf8("album é/cover.jpg"), RandomBytes(rng, 9'000));
  for (int i = 0; i < 20; ++i) WriteFile(root / "many" / ("part" + std::to_string(i)), RandomBytes(rng, 1'000 + i));

  const std::string announce = " -a http://tracker.example.invalid/announce";
  struct Made {
    std::string options;
    std::string target;
  };
  const std::vector<Made> made = {
      {"", "one-byte.bin"},
      {" -d -l 15", "notes.bin"},
      {" -c 'Field recordings' -p", "album é"},
      {" -s brisvane-test -w http://seed.example.invalid/notes.bin -n renamed.bin", "notes.bin"},
      {" -d -l 16 -a http://backup.example.invalid/announce", "many"},
  };
  std::vector<std::string> torrents;
  for (std::size_t i = 0; i < made.size(); ++i) {
    const std::string out = dir.Path("made" + std::to_string(i) + ".torrent");
    const std::string command = "cd " + Quoted(dir.Root()) + " && mktorrent" + announce + made[i].options + " -o " +
                                Quoted(out) + " " + Quoted(made[i].target);
    ASSERT_TRUE(Succeeds(command)) << command;
    torrents.push_back(out);

    // The same torrent with decoys: a list holding "info" and a fake dictionary before the real key,
    // a nested dictionary with an "info" key, and one inside the real info dictionary (which changes
    // the hash for the client too).
    std::ifstream in(testing::FromUtf8(out), std::ios::binary);
    const std::string raw((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_EQ(raw.substr(0, 1), "d");
    const std::string fake = "d4:name4:fake6:lengthi1ee";
    const std::string decoyed = "d8:a-decoysl4:info" + fake + "e7:a-outerd4:info" + fake + "e" + raw.substr(1);
    torrents.push_back(dir.Write("decoyed" + std::to_string(i) + ".torrent", decoyed));
    const std::size_t info = raw.find("4:infod");
    ASSERT_NE(info, std::string::npos);
    std::string inner = raw;
    inner.insert(info + 7, "4:info" + fake);
    torrents.push_back(dir.Write("inner" + std::to_string(i) + ".torrent", inner));
  }

  std::string list;
  for (const auto& t : torrents) list += t + "\n";
  const std::string list_path = dir.Write("list.txt", list);
  const std::vector<std::string> expected = OutputLines(
      python + " -c 'import sys, libtorrent as lt\nfor p in open(sys.argv[1], encoding=\"utf-8\").read().split(\"\\n\")[:-1]:"
               " print(lt.torrent_info(p).info_hash())' " +
      Quoted(list_path));
  ASSERT_EQ(expected.size(), torrents.size());

  const auto fs = MakeSystemFileSystem();
  for (std::size_t i = 0; i < torrents.size(); ++i) {
    SCOPED_TRACE(torrents[i]);
    const TorrentHash hash = GetTorrentHash(*fs, torrents[i]);
    EXPECT_EQ(hash.hash, expected[i]);
    EXPECT_EQ(hash.message, "");
  }
}

TEST(TorrentDecoderClient, GeneratedTorrentsHashAsHashlibHashesTheReferenceSpan) {
  const std::string python = PythonWith("hashlib");
  if (python.empty()) GTEST_SKIP() << "python3 is not installed";

  testing::TempDir dir;
  testing::TorrentGenerator generate(4242);
  std::vector<std::string> torrents;
  std::string spans;
  while (torrents.size() < 300) {
    const std::string text = generate.Torrent();
    const auto expected = testing::reference::Read(text);
    if (expected.kind != testing::reference::Result::Kind::Info) continue;
    const std::string name = std::to_string(torrents.size());
    torrents.push_back(dir.Write(name + ".torrent", text));
    spans += dir.Write(name + ".span", text.substr(expected.info_offset, expected.info_length)) + "\n";
  }
  const std::vector<std::string> expected = OutputLines(
      python + " -c 'import sys, hashlib\nfor p in open(sys.argv[1]).read().split(\"\\n\")[:-1]:"
               " print(hashlib.sha1(open(p, \"rb\").read()).hexdigest())' " +
      Quoted(dir.Write("spans.txt", spans)));
  ASSERT_EQ(expected.size(), torrents.size());

  const auto fs = MakeSystemFileSystem();
  for (std::size_t i = 0; i < torrents.size(); ++i) {
    SCOPED_TRACE(torrents[i]);
    EXPECT_EQ(GetTorrentHash(*fs, torrents[i]).hash, expected[i]);
  }
}

#else

TEST(TorrentDecoderClient, MktorrentTorrentsHashAsLibtorrentDoes) {
  GTEST_SKIP() << "mktorrent and python3-libtorrent are run by the native build only";
}

#endif

}  // namespace
}  // namespace brisvane
