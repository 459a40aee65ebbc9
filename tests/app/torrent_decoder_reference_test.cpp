// The decoder against readers written apart from it: a strict recursive-descent reader on seeded generated
// torrents, their truncations and damaged copies; and python3-libtorrent, the client library, on v1, v2 and
// hybrid torrents it made, with decoys. (scripts/check-examples.sh holds brisvane-check to the library's
// hashes of examples/.)
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <random>
#include <string>

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

TEST(TorrentDecoderReference, V1V2AndHybridTorrentsHashAsLibtorrentDoes) {
  // The Debian package installs the module for the system's python, which may not be first on PATH.
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
  EXPECT_EQ(torrents, 10);
}
#endif

}  // namespace
}  // namespace brisvane
