// The decoder's rules, one row an input: which bytes it hashes, what the user is told, what the command
// line says; then the hooks, and loading files.
#include "app/torrent_decoder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace brisvane {
namespace {

using ::testing::HasSubstr;

// A bencoded byte string.
std::string B(std::string_view text) { return std::to_string(text.size()) + ":" + std::string(text); }

TorrentScan Scan(std::string_view text, const ScanHooks& hooks = {}) {
  return ParseTorrent({reinterpret_cast<const std::uint8_t*>(text.data()), text.size()}, hooks);
}

std::string AllByteValues() {
  std::string bytes;
  for (int b = 0; b < 256; ++b) bytes.push_back(static_cast<char>(b));
  return bytes;
}

// Piece data with every byte value, so bencode-looking bytes sit inside a string.
const std::string kInfo = "d" + B("length") + "i256e" + B("name") + B("bytes.bin") + B("piece length") + "i16384e" +
                          B("pieces") + B(AllByteValues()) + "e";
const std::string kTorrent = "d" + B("announce") + B("http://tracker.example.invalid/announce") + B("comment") +
                             B("d4:infod1::e") + B("info") + kInfo + B("url-list") + "l" +
                             B("http://seed.example.invalid/") + "ee";

const std::string kNone = "<none>";

struct Rule {
  std::string text;
  std::string span;            // the bytes hashed, the first place they occur in `text`; or kNone
  std::string_view message;    // for the message box
  std::string problem = "";    // part of the command line's line when there is no span
};

std::vector<Rule> Rules() {
  const std::string real = "d4:name4:reale";
  const std::string fake = "d4:name4:fakee";
  constexpr std::size_t kDepth = 100'000;
  const std::string lists = std::string(kDepth, 'l') + std::string(kDepth, 'e');
  std::string dicts;
  for (std::size_t i = 0; i < kDepth; ++i) dicts += "d1:a";
  dicts += "i1e" + std::string(kDepth, 'e');
  const std::string too_deep = std::string(kMaxNestingDepth, 'l');
  const std::string_view not_valid = kNotValidTorrentMessage, unexpected = kUnexpectedErrorMessage;

  std::vector<Rule> rules = {
      // The span is the info value exactly as stored, whatever its bytes.
      {kTorrent, kInfo, ""},
      {"d4:infodee", "de", ""},
      {"d4:infod" + B(":") + B("1::") + "04:spami-42eee", "d1::3:1::04:spami-42ee", ""},
      // Stray bytes are let through once the info dictionary closes...
      {"d1:aXi1e4:infod1:bi2eee", "d1:bi2ee", ""},
      {"d4:infod1:b-\n i2eee", "d1:b-\n i2ee", ""},
      // ... but not when it never does, and not as the first byte.
      {"2024 report\n", kNone, unexpected, "unexpected byte 0x20 at offset 4"},
      {"d1:aXi1e4:infod1:bi2e", kNone, unexpected},
      {"d4:infodX", kNone, unexpected},
      {"", kNone, not_valid, "the file is empty"},
      // No info dictionary, or one cut short, is nothing to tell the user.
      {"de", kNone, "", "no info dictionary"},
      {"i1e", kNone, ""}, {"4:info", kNone, ""}, {"d4:info", kNone, ""},
      // A string may end at the end of the file.
      {"d4:infod3:foo", kNone, "", "the info dictionary is not closed before the end of the file"},
      // Only the outermost dictionary's own "info" key counts; decoys anywhere else do not.
      {"d5:decoy4:info4:info" + real + "e", real, ""},
      {"d4:infod5:innerl4:info" + fake + "eee", "d5:innerl4:info" + fake + "ee", ""},
      {"d1:a4:info" + fake + "e", kNone, ""}, {"l4:info" + fake + "e", kNone, ""},
      {"d1:ad4:info" + fake + "ee", kNone, ""},
      {"d1:ai1ee4:info" + fake, kNone, ""}, {"d1:ai4:info" + fake + "ee", kNone, ""},
      // A file that is just "4:info" and a dictionary has always hashed.
      {"4:infod4:name4:realee", "d4:name4:reale", ""},
      {"4:infodeXYZ4:infod1:ai1ee", "de", ""},
      {"4:infoi1ed1:ai1ee", kNone, ""}, {"0:4:infodee", kNone, ""}, {"1:xd1:ai1ee", kNone, ""},
      // An outermost info that is not a dictionary, or a second one, is refused: clients differ on them.
      {"d4:infoi1ee", kNone, not_valid, "the info value at offset 7 is not a dictionary"},
      {"d4:info3:abce", kNone, not_valid, "is not a dictionary"}, {"d4:infol1:aee", kNone, not_valid, "not a dict"},
      {"d4:info4:infod4:name4:fakeee", kNone, not_valid, "is not a dictionary"},
      {"d4:infoe", kNone, not_valid, "the info key at offset 1 has no value"},
      {"d4:infod1:ai1ee4:infod1:ai2eee", kNone, not_valid, "a second info key at offset 15"},
      {"d4:infode4:infod1:a", kNone, not_valid, "second info key"},  // even one never finished
      {"d4:infode1:xd4:infodee4:infodee", kNone, not_valid, "second info key"},
      {"d4:infode1:x4:info1:y4:infoe", "de", ""},  // "info" as a value is no second key
      // A length prefix that is not a number ends the scan; the info after it is never reached.
      {"dx12:abcdefghijkl4:infodee", kNone, unexpected, "the length prefix at offset 1 is not a number"},
      {"di-3:abce4:infodee", kNone, unexpected, "is not a number"},
      {"d4:infod1x:ae4:infodeee", kNone, unexpected, "is not a number"},
      // Nesting costs heap, not stack, up to a limit.
      {"d4:infod1:a" + lists + "ee", "d1:a" + lists + "e", ""},
      {"d4:infod1:a" + dicts + "ee", "d1:a" + dicts + "e", ""},
      {"d1:a" + lists + "4:infodee", "de", ""},
      {"d4:infode1:a" + lists + "4:infodee", kNone, not_valid, "second info key"},
      {"d4:infod1:a" + std::string(kDepth, 'l'), kNone, "", "not closed"},
      {"d4:infod1:a" + too_deep + too_deep + "ee", kNone, unexpected, "nesting deeper than 1000000 levels at offset"},
      {"d4:infode1:a" + too_deep, "de", ""},
  };
  for (const std::string first : {"<", "{", "D", ":", "-", "x", " ", "\xEF"})
    rules.push_back({first + "4:infod4:spami1eee", kNone, not_valid, "not bencoded: byte 0x"});
  // Past the span, anything odd only ends the look for a second info key.
  for (const std::string tail : {"", "e", "X4:infodee", "1:a-4:infodee", "99:ab", "18446744073709551617:x",
                                 "1a:4:infodee", "e4:infodee", "1:ad1:bl", "1:aXi1e4:infodee", "1:a-i1e4:infodee"})
    rules.push_back({"d4:infod1:ai1ee" + tail, "d1:ai1ee", ""});
  // Lengths that do not fit: wrapped modulo 2^32 or 2^64 each would be 0 or 1, and a span would follow.
  for (const std::string length : {"4294967296", "4294967297", "18446744073709551616", "18446744073709551617",
                                   "99999999999999999999999", "2147483648", "16", "00000000000000000000017"})
    rules.push_back({"d4:infod" + length + ":1:aeee", kNone, "", "runs past the end of the file"});
  return rules;
}

TEST(ParseTorrent, Rules) {
  for (const Rule& rule : Rules()) {
    SCOPED_TRACE(rule.text.substr(0, 80));
    const TorrentScan scan = Scan(rule.text);
    if (rule.span == kNone) {
      EXPECT_FALSE(scan.info) << "span " << rule.text.substr(scan.info->offset, scan.info->length).substr(0, 80);
      EXPECT_THAT(scan.problem, HasSubstr(rule.problem));
      EXPECT_NE(scan.problem, "");
    } else {
      ASSERT_TRUE(scan.info);
      EXPECT_EQ(scan.info->offset, rule.text.find(rule.span));
      EXPECT_EQ(scan.info->length, rule.span.size());
      EXPECT_EQ(scan.problem, "");
      // Cut short before the span's last byte, the file has no span.
      EXPECT_FALSE(Scan(std::string_view(rule.text).substr(0, scan.info->offset + scan.info->length - 1)).info);
    }
    EXPECT_EQ(scan.message, rule.message);
  }
}

// Where the scan ends: at an odd byte past the span, at a bare span's end, at once at an odd first byte.
TEST(ParseTorrent, OffersEveryNonEmptyStringInFileOrderUntilTheScanEnds) {
  const std::string nul("a\0b", 3);
  for (const auto& [text, offered] : std::vector<std::pair<std::string, std::vector<std::string>>>{
           {"d4:infod0:" + B(":") + B("spam") + B(nul) + "ee1:z", {"info", ":", "spam", nul}},
           {"d4:infodeX5:after", {"info"}}, {"4:infode5:after", {"info"}}, {"<d4:infodee", {}}}) {
    std::vector<std::string> strings;
    Scan(text, {{}, [&](std::string_view s) { strings.emplace_back(s); }});
    EXPECT_EQ(strings, offered) << text;
  }
}

TEST(ParseTorrent, ProgressComesEveryQuarterMebibyteNotPerByte) {
  int calls = 0;
  const ScanHooks hooks{[&] { ++calls; }, {}};
  std::string items = "d4:infod1:al";  // small items: one call per interval crossed
  while (items.size() < 16 * kProgressInterval) items += "i1e";
  ASSERT_TRUE(Scan(items + "eee", hooks).info);
  EXPECT_TRUE(calls == 15 || calls == 16) << calls;
  calls = 0;  // quiet on small files
  Scan(kTorrent, hooks);
  EXPECT_EQ(calls, 0);
}

// Answers every read with `answer`, and keeps the limit it was asked for.
struct StubFileSystem : IFileSystem {
  bool FileExists(const std::string&) override { return true; }
  FileRead ReadAll(const std::string&, std::uint64_t max_bytes) override {
    limit = max_bytes;
    return answer;
  }
  FileRead answer;
  std::uint64_t limit = 0;
};

TEST(GetTorrentHash, HashesWhatTheFileHoldsOrSaysWhyNot) {
  using S = FileRead::Status;
  struct Row { S status; std::string bytes, hash, message, problem; };
  StubFileSystem fs;
  for (const Row& row : std::vector<Row>{
           {S::Ok, kTorrent, "2c167cc7009d4b562bfedddf63f0a7e6399d944e", "", ""},  // hashlib's SHA-1 of kInfo
           {S::NotFound, "", "", std::string(kNotValidTorrentMessage), "the file is empty"},
           {S::Unreadable, "", "", "The file could not be read: C:\\t.torrent\r\nAccess is denied.",
            "cannot read C:\\t.torrent: Access is denied."},
           {S::TooLarge, "", "", "The file is too large to be a torrent (over 1 GiB): C:\\t.torrent",
            "C:\\t.torrent is larger than 1 GiB"}}) {
    SCOPED_TRACE(row.problem);
    fs.answer = {row.status, FileBytes(Bytes(row.bytes.begin(), row.bytes.end())), "Access is denied."};
    const TorrentHash hash = GetTorrentHash(fs, "C:\\t.torrent");
    EXPECT_EQ(hash.hash, row.hash);
    EXPECT_EQ(hash.message, row.message);
    EXPECT_EQ(hash.problem, row.problem);
    EXPECT_EQ(fs.limit, std::uint64_t{1} << 30);
  }
}

// (libtorrent's torrents with "meta version" outside the info dictionary or as a string: the reference test.)
TEST(ParseTorrent, OnlyTheInfoDictionarysOwnKeysTellItsKind) {
  struct Case { std::string text; bool v2, pieces; std::string name; };
  const Case cases[] = {
      {"d4:infod12:meta versioni20eee", false, false, ""},
      {"d4:infod12:meta versionli2eeee", false, false, ""},
      {"d4:infod1:ad12:meta versioni2e6:pieces0:4:name1:ye4:name1:xee", false, false, "x"},  // deeper down
      {"d4:infod4:named1:ae12:meta versioni2eee", true, false, ""},
  };
  for (const Case& c : cases) {
    const TorrentScan scan = Scan(c.text);
    ASSERT_TRUE(scan.info) << c.text;
    EXPECT_EQ(scan.facts.meta_version_2, c.v2) << c.text;
    EXPECT_EQ(scan.facts.v1_pieces, c.pieces) << c.text;
    EXPECT_EQ(scan.facts.name, c.name) << c.text;
  }
}

}  // namespace
}  // namespace brisvane
