// The decoder against readers written apart from it: a strict recursive-descent reader on seeded generated
// torrents, their truncations and damaged copies; and python3-libtorrent, the client library, on torrents
// made by mktorrent. (scripts/check-examples.sh holds brisvane-check to the library's hashes of examples/.)
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "app/reference_bencode.h"
#include "app/torrent_decoder.h"
#include "app/torrent_generator.h"
#include "hash/sha_digest.h"
#include "support/memory_file_system.h"
#include "support/temp_dir.h"

namespace brisvane {
namespace {

namespace reference = testing::reference;
using Kind = reference::Result::Kind;

std::span<const std::uint8_t> AsBytes(std::string_view text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

// What the decoder must say about input the reference reads as exactly one well-formed value.
void ExpectAgreement(std::string_view text, const reference::Result& expected) {
  if (expected.kind == Kind::Malformed || expected.kind == Kind::TooDeep) return;
  const TorrentScan scan = ParseTorrent(AsBytes(text));
  ASSERT_EQ(scan.info.has_value(), expected.kind == Kind::Info) << scan.problem;
  if (scan.info) {
    EXPECT_EQ(scan.info->offset, expected.info_offset);
    EXPECT_EQ(scan.info->length, expected.info_length);
  }
  EXPECT_EQ(scan.message, expected.kind == Kind::Refused ? kNotValidTorrentMessage : "");
}

TEST(TorrentDecoderReference, GeneratedTorrentsTheirCutsAndDamagedCopiesAgreeWithTheStrictReader) {
  testing::TorrentGenerator generate(20261206);
  std::mt19937 rng(7);
  testing::MemoryFileSystem fs;
  std::map<Kind, int> seen;
  int still_well_formed = 0;
  for (int i = 0; i < 4000; ++i) {
    const std::string text = generate.Torrent();
    SCOPED_TRACE("case " + std::to_string(i));
    const reference::Result expected = reference::Read(text);
    ASSERT_NE(expected.kind, Kind::Malformed) << "the generator made a malformed torrent";
    ++seen[expected.kind];
    ExpectAgreement(text, expected);
    if (HasFatalFailure()) return;

    if (expected.kind == Kind::Info) {
      fs.Put("/gen.torrent", text);
      EXPECT_EQ(GetTorrentHash(fs, "/gen.torrent").hash,
                Sha1Hex(AsBytes(text).subspan(expected.info_offset, expected.info_length)));
      // Cut short: nothing the user is told, and a span only once the info dictionary is complete.
      const std::size_t cut = std::uniform_int_distribution<std::size_t>(1, text.size() - 1)(rng);
      const TorrentScan scan = ParseTorrent(AsBytes(text).first(cut));
      EXPECT_EQ(scan.message, "") << "cut at " << cut;
      EXPECT_EQ(scan.info.has_value(), cut >= expected.info_offset + expected.info_length) << "cut at " << cut;
      if (scan.info) {
        EXPECT_EQ(scan.info->offset, expected.info_offset) << "cut at " << cut;
      }
    }

    // Damaged: a span stays inside the input, no span is explained; where still well-formed, they agree.
    std::string damaged = text;
    for (int edits = 1 + static_cast<int>(rng() % 3); edits > 0 && !damaged.empty(); --edits) {
      const std::size_t at = rng() % damaged.size();
      switch (rng() % 3) {
        case 0: damaged[at] = static_cast<char>(rng()); break;
        case 1: damaged.erase(at, 1 + rng() % 4); break;
        default: damaged.insert(at, generate.Bytes(6)); break;
      }
    }
    const TorrentScan scan = ParseTorrent(AsBytes(damaged));
    if (scan.info) {
      ASSERT_LE(scan.info->offset + scan.info->length, damaged.size());
      EXPECT_EQ(damaged[scan.info->offset], 'd');
      EXPECT_EQ(damaged[scan.info->offset + scan.info->length - 1], 'e');
      EXPECT_EQ(scan.problem, "");
    } else {
      EXPECT_NE(scan.problem, "");
    }
    const reference::Result damaged_expected = reference::Read(damaged);
    if (damaged_expected.kind != Kind::Malformed) {
      ++still_well_formed;
      ExpectAgreement(damaged, damaged_expected);
    }
  }
  // Every kind of case came up often enough to mean something.
  EXPECT_GT(seen[Kind::Info], 2500);
  EXPECT_GT(seen[Kind::Refused], 200);
  EXPECT_GT(seen[Kind::NoInfo], 100);
  EXPECT_GT(still_well_formed, 100);
}

#ifndef _WIN32
bool Succeeds(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()) == 0; }

std::string Quoted(const std::string& path) { return "'" + path + "'"; }

TEST(TorrentDecoderReference, MktorrentTorrentsHashAsLibtorrentDoes) {
  // The Debian package installs the module for the system's python, which may not be first on PATH.
  std::string python;
  for (const std::string candidate : {"/usr/bin/python3", "python3"})
    if (python.empty() && Succeeds(candidate + " -c 'import libtorrent'")) python = candidate;
  if (python.empty()) GTEST_SKIP() << "python3-libtorrent is not installed";
  if (!Succeeds("command -v mktorrent")) GTEST_SKIP() << "mktorrent is not installed";

  testing::TempDir dir;
  std::mt19937 rng(1206);
  std::vector<std::pair<std::string, std::size_t>> files = {
      {"one-byte.bin", 1}, {"notes.bin", 300'001}, {"album é/01 intro.flac", 70'000},
      {"album é/CD 2/02 終わり.flac", 45'000}, {"album é/cover.jpg", 9'000}};
  for (int i = 0; i < 20; ++i) files.emplace_back("many/part" + std::to_string(i), 1'000 + i);
  for (const auto& [name, size] : files) {
    const auto path = testing::FromUtf8(dir.Path(name));
    std::filesystem::create_directories(path.parent_path());
    std::string bytes(size, '\0');
    for (char& c : bytes) c = static_cast<char>(rng());
    std::ofstream(path, std::ios::binary) << bytes;
  }

  const std::vector<std::pair<std::string, std::string>> made = {
      {"", "one-byte.bin"},
      {" -d -l 15", "notes.bin"},
      {" -c 'Field recordings' -p", "album é"},
      {" -s brisvane-test -w http://seed.example.invalid/notes.bin -n renamed.bin", "notes.bin"},
      {" -d -l 16 -a http://backup.example.invalid/announce", "many"},
  };
  std::vector<std::string> torrents;
  for (std::size_t i = 0; i < made.size(); ++i) {
    const std::string out = dir.Path("made" + std::to_string(i) + ".torrent");
    const std::string command = "cd " + Quoted(dir.Root()) +
                                " && mktorrent -a http://tracker.example.invalid/announce" + made[i].first +
                                " -o " + Quoted(out) + " " + Quoted(made[i].second);
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
  const std::string command =
      python + " -c 'import sys, libtorrent as lt\n"
               "for p in open(sys.argv[1], encoding=\"utf-8\").read().split(\"\\n\")[:-1]:"
               " print(lt.torrent_info(p).info_hash())' " + Quoted(dir.Write("list.txt", list));
  FILE* pipe = ::popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  const auto fs = MakeSystemFileSystem();
  char line[128];
  for (const std::string& torrent : torrents) {
    SCOPED_TRACE(torrent);
    ASSERT_NE(std::fgets(line, sizeof line, pipe), nullptr);
    const TorrentHash hash = GetTorrentHash(*fs, torrent);
    EXPECT_EQ(hash.hash + "\n", line);
    EXPECT_EQ(hash.message, "");
  }
  EXPECT_EQ(::pclose(pipe), 0) << command;
}

TEST(TorrentDecoderReference, V1V2AndHybridTorrentsHashAsLibtorrentDoes) {
  if (!Succeeds("/usr/bin/python3 -c 'import libtorrent'")) GTEST_SKIP() << "python3-libtorrent is not installed";
  testing::TempDir dir;
  const std::string command = "/usr/bin/python3 " + Quoted(std::string(BRISVANE_SOURCE_DIR) + "/tests/app/make_torrents.py") +
                              " " + Quoted(dir.Root());
  FILE* pipe = ::popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  const auto fs = MakeSystemFileSystem();
  char path[4096], v1[80], v2[80];
  int torrents = 0;
  while (std::fscanf(pipe, "%4095s %79s %79s", path, v1, v2) == 3) {
    SCOPED_TRACE(path);
    ++torrents;
    const TorrentHash hash = GetTorrentHash(*fs, path);
    const std::string want_v1 = v1 == std::string("none") ? "" : v1;
    const std::string want_v2 = v2 == std::string("none") ? "" : v2;
    EXPECT_EQ(hash.v1_hash, want_v1);
    EXPECT_EQ(hash.v2_hash, want_v2);
    EXPECT_EQ(hash.hash, want_v1.empty() ? want_v2.substr(0, 40) : want_v1);
  }
  EXPECT_EQ(::pclose(pipe), 0) << command;
  EXPECT_EQ(torrents, 8);
}
#endif

}  // namespace
}  // namespace brisvane
