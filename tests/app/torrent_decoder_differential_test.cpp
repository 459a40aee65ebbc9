// The decoder against a strict recursive-descent reader written apart from it, on seeded generated
// torrents with decoys, on their truncations and on randomly damaged copies.
#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>

#include "app/reference_bencode.h"
#include "app/torrent_decoder.h"
#include "app/torrent_generator.h"
#include "hash/sha_digest.h"
#include "support/memory_file_system.h"

namespace brisvane {
namespace {

namespace reference = testing::reference;
using Kind = reference::Result::Kind;

TorrentScan Scan(std::string_view text) {
  return ParseTorrent({reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
}

std::string SpanText(std::string_view text, const TorrentScan& scan) {
  return scan.info ? std::string(text.substr(scan.info->offset, scan.info->length)) : "<none>";
}

// What the decoder must say about input the reference reads as exactly one well-formed value.
void ExpectAgreement(std::string_view text, const reference::Result& expected) {
  const TorrentScan scan = Scan(text);
  switch (expected.kind) {
    case Kind::Info:
      ASSERT_TRUE(scan.info) << scan.problem;
      EXPECT_EQ(scan.info->offset, expected.info_offset);
      EXPECT_EQ(scan.info->length, expected.info_length);
      EXPECT_EQ(scan.message, "");
      break;
    case Kind::Refused:
      EXPECT_EQ(SpanText(text, scan), "<none>");
      EXPECT_EQ(scan.message, kNotValidTorrentMessage);
      break;
    case Kind::NoInfo:
      EXPECT_EQ(SpanText(text, scan), "<none>");
      EXPECT_EQ(scan.message, "");
      break;
    case Kind::Malformed:
    case Kind::TooDeep:
      break;
  }
}

TEST(TorrentDecoderDifferential, GeneratedTorrentsHashTheSameSpanAsTheReference) {
  testing::TorrentGenerator generate(20261206);
  testing::MemoryFileSystem fs;
  std::map<Kind, int> seen;
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
      const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data()) + expected.info_offset;
      EXPECT_EQ(GetTorrentHash(fs, "/gen.torrent").hash, Sha1Hex({bytes, expected.info_length}));
    }
  }
  // Every kind of case came up often enough to mean something.
  EXPECT_GT(seen[Kind::Info], 2500);
  EXPECT_GT(seen[Kind::Refused], 200);
  EXPECT_GT(seen[Kind::NoInfo], 100);
}

TEST(TorrentDecoderDifferential, CutShortTorrentsHashOnlyOnceTheInfoDictionaryIsComplete) {
  testing::TorrentGenerator generate(7);
  std::mt19937 rng(7);
  int checked = 0;
  for (int i = 0; i < 3000; ++i) {
    const std::string text = generate.Torrent();
    const reference::Result expected = reference::Read(text);
    if (expected.kind != Kind::Info) continue;
    const std::size_t cut = std::uniform_int_distribution<std::size_t>(1, text.size() - 1)(rng);
    SCOPED_TRACE("case " + std::to_string(i) + ", cut at " + std::to_string(cut));
    const TorrentScan scan = Scan(std::string_view(text).substr(0, cut));
    EXPECT_EQ(scan.message, "");  // a truncated file is no error the user is told about
    if (cut >= expected.info_offset + expected.info_length) {
      ASSERT_TRUE(scan.info);
      EXPECT_EQ(scan.info->offset, expected.info_offset);
    } else {
      EXPECT_EQ(SpanText(text, scan), "<none>");
    }
    ++checked;
  }
  EXPECT_GT(checked, 2000);
}

TEST(TorrentDecoderDifferential, DamagedTorrentsStayInBoundsAndAgreeWhenStillWellFormed) {
  testing::TorrentGenerator generate(99);
  std::mt19937 rng(99);
  int still_well_formed = 0;
  for (int i = 0; i < 4000; ++i) {
    std::string text = generate.Torrent();
    for (int flips = 1 + static_cast<int>(rng() % 3); flips > 0 && !text.empty(); --flips) {
      const std::size_t at = rng() % text.size();
      switch (rng() % 3) {
        case 0: text[at] = static_cast<char>(rng()); break;
        case 1: text.erase(at, 1 + rng() % 4); break;
        default: text.insert(at, generate.Bytes(6)); break;
      }
    }
    if (text.empty()) continue;
    SCOPED_TRACE("case " + std::to_string(i));
    const TorrentScan scan = Scan(text);
    if (scan.info) {
      ASSERT_LE(scan.info->offset + scan.info->length, text.size());
      EXPECT_EQ(text[scan.info->offset], 'd');
      EXPECT_EQ(text[scan.info->offset + scan.info->length - 1], 'e');
      EXPECT_EQ(scan.problem, "");
    } else {
      EXPECT_NE(scan.problem, "");
    }
    const reference::Result expected = reference::Read(text);
    if (expected.kind != Kind::Malformed) {
      ++still_well_formed;
      ExpectAgreement(text, expected);
    }
  }
  EXPECT_GT(still_well_formed, 100);
}

}  // namespace
}  // namespace brisvane
