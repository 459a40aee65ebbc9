#include "app/torrent_decoder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/memory_file_system.h"
#include "support/temp_dir.h"

namespace brisvane {
namespace {

using ::testing::HasSubstr;

// A bencoded byte string.
std::string B(std::string_view text) { return std::to_string(text.size()) + ":" + std::string(text); }

std::span<const std::uint8_t> AsBytes(std::string_view text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

TorrentScan Scan(std::string_view text, const ScanHooks& hooks = {}) { return ParseTorrent(AsBytes(text), hooks); }

// The bytes the scan would hash, or "<none>".
std::string Hashed(std::string_view text) {
  const TorrentScan scan = Scan(text);
  if (!scan.info) return "<none>";
  return std::string(text.substr(scan.info->offset, scan.info->length));
}

// Piece data with every byte value, so bencode-looking bytes sit inside a string.
std::string AllBytes() {
  std::string bytes;
  for (int b = 0; b < 256; ++b) bytes.push_back(static_cast<char>(b));
  return bytes;
}

const std::string kInfo = "d" + B("length") + "i256e" + B("name") + B("bytes.bin") + B("piece length") + "i16384e" +
                          B("pieces") + B(AllBytes()) + "e";
// SHA-1 of kInfo, from python3 hashlib.
constexpr std::string_view kInfoSha1 = "2c167cc7009d4b562bfedddf63f0a7e6399d944e";

const std::string kTorrent = "d" + B("announce") + B("http://tracker.example.invalid/announce") + B("comment") +
                             B("d4:infod1::e") + B("info") + kInfo + B("url-list") + "l" +
                             B("http://seed.example.invalid/") + "ee";

TEST(ParseTorrent, SpanIsTheInfoValueExactlyAsStored) {
  const TorrentScan scan = Scan(kTorrent);
  ASSERT_TRUE(scan.info);
  EXPECT_EQ(scan.info->offset, kTorrent.find(kInfo));
  EXPECT_EQ(scan.info->length, kInfo.size());
  EXPECT_EQ(scan.message, "");
  EXPECT_EQ(scan.problem, "");

  EXPECT_EQ(Hashed("d4:infodee"), "de");
  EXPECT_EQ(Hashed("d4:infod" + B(":") + B("1::") + "ee"), "d1::3:1::e");
  EXPECT_EQ(Hashed("d4:infod04:spami1eee"), "d04:spami1ee");  // leading zeros are read as 4
  EXPECT_EQ(Hashed("d4:infod1:ai-42eee"), "d1:ai-42ee");
}

TEST(ParseTorrent, EveryPrefixOfATorrentIsQuietAndHashesOnlyOnceInfoIsClosed) {
  const std::size_t info_end = kTorrent.find(kInfo) + kInfo.size();
  for (std::size_t cut = 1; cut <= kTorrent.size(); ++cut) {
    SCOPED_TRACE(cut);
    const TorrentScan scan = Scan(std::string_view(kTorrent).substr(0, cut));
    EXPECT_EQ(scan.message, "");
    EXPECT_EQ(scan.info.has_value(), cut >= info_end);
    EXPECT_EQ(scan.problem.empty(), cut >= info_end);
  }
}

TEST(ParseTorrent, FirstByteThatFitsNoRuleRefusesTheFileAtOnce) {
  for (const std::string first : {"<", "{", "D", ":", "-", "x", " ", "\xEF"}) {
    SCOPED_TRACE(first);
    int strings = 0;
    const TorrentScan scan = Scan(first + "4:infod4:spami1eee", {{}, [&](std::string_view) { ++strings; }});
    EXPECT_FALSE(scan.info);
    EXPECT_EQ(scan.message, kNotValidTorrentMessage);
    EXPECT_THAT(scan.problem, HasSubstr("offset 0"));
    EXPECT_EQ(strings, 0) << "read past the first byte";
  }
  const TorrentScan empty = Scan("");
  EXPECT_FALSE(empty.info);
  EXPECT_EQ(empty.message, kNotValidTorrentMessage);
  EXPECT_EQ(empty.problem, "the file is empty");
}

TEST(ParseTorrent, LaterStrayBytesMatterOnlyWhenInfoNeverCloses) {
  // Text that starts like a length prefix is read to the end, then reported.
  for (const std::string text : {"2024 report", "2024 report\n"}) {
    const TorrentScan scan = Scan(text);
    EXPECT_FALSE(scan.info);
    EXPECT_EQ(scan.message, kUnexpectedErrorMessage);
    EXPECT_EQ(scan.problem, "unexpected byte 0x20 at offset 4");
  }
  EXPECT_EQ(Scan("d1:aXi1e4:infod1:bi2eee").message, "");
  EXPECT_EQ(Hashed("d1:aXi1e4:infod1:bi2eee"), "d1:bi2ee");
  EXPECT_EQ(Hashed("d4:infod1:b-\n i2eee"), "d1:b-\n i2ee");
  EXPECT_EQ(Hashed("d4:infod:ee"), "d:e");  // a colon with no length before it is just a stray byte

  for (const std::string text : {"d1:aXi1e4:infod1:bi2e", "d1:a-i1e", "d4:infodX", "d4:infod:"}) {
    SCOPED_TRACE(text);
    const TorrentScan scan = Scan(text);
    EXPECT_FALSE(scan.info);
    EXPECT_EQ(scan.message, kUnexpectedErrorMessage);
  }
}

TEST(ParseTorrent, NoInfoDictionaryIsQuiet) {
  for (const std::string text : {"de", "d3:fooi1ee", "i1e", "4:info", "d4:info", "l4:infod4:name4:fakeee"}) {
    SCOPED_TRACE(text);
    const TorrentScan scan = Scan(text);
    EXPECT_FALSE(scan.info);
    EXPECT_EQ(scan.message, "");
    EXPECT_FALSE(scan.problem.empty());
  }
  EXPECT_EQ(Scan("d3:fooi1ee").problem, "no info dictionary");
  EXPECT_EQ(Scan("d4:infod3:foo").problem, "the info dictionary is not closed before the end of the file");
}

TEST(ParseTorrent, OnlyTheOutermostDictionarysInfoKeyStartsTheSpan) {
  const std::string real = "d4:name4:reale";
  const std::string fake = "d4:name4:fakee";
  // A decoy in a list, as a value, as a nested dictionary's key, inside the real info: the real one wins.
  EXPECT_EQ(Hashed("d5:decoyl4:info" + fake + "e4:info" + real + "e"), real);
  EXPECT_EQ(Hashed("d5:decoy4:info4:info" + real + "e"), real);
  EXPECT_EQ(Hashed("d5:outerd4:info" + fake + "e4:info" + real + "e"), real);
  const std::string nested = "d4:info" + fake + "4:name4:reale";
  EXPECT_EQ(Hashed("d4:info" + nested + "e"), nested);
  EXPECT_EQ(Hashed("d4:infod5:innerl4:info" + fake + "eee"), "d5:innerl4:info" + fake + "ee");

  // "info" as a value followed by a dictionary in key position, or "info" anywhere but the root's keys.
  for (const std::string& text : {"d1:a4:info" + fake + "e", "l4:info" + fake + "e", "d1:ad4:info" + fake + "ee",
                                 "d1:al4:info" + fake + "ee", "i1e4:info" + fake, "d1:ai1ee4:info" + fake,
                                 "d1:ai4:info" + fake + "ee"}) {
    SCOPED_TRACE(text);
    EXPECT_EQ(Hashed(text), "<none>");
  }
}

TEST(ParseTorrent, BareInfoStringAsTheFirstValueStillHashes) {
  EXPECT_EQ(Hashed("4:infod4:name4:realee"), "d4:name4:reale");
  EXPECT_EQ(Hashed("4:infodeXYZ4:infod1:ai1ee"), "de");
  EXPECT_EQ(Scan("4:infodeXYZ").message, "");
  EXPECT_EQ(Hashed("4:infoi1ed1:ai1ee"), "<none>");
  EXPECT_EQ(Hashed("0:4:infodee"), "<none>");
}

TEST(ParseTorrent, OutermostInfoThatIsNotADictionaryGivesNoHash) {
  for (const std::string text : {"d4:infoi1ee", "d4:info3:abce", "d4:infol1:aee", "d4:infoe", "d4:infoi1e4:infodee",
                                 "d4:info4:infod4:name4:fakeee", "d4:info0:e"}) {
    SCOPED_TRACE(text);
    const TorrentScan scan = Scan(text);
    EXPECT_FALSE(scan.info);
    EXPECT_EQ(scan.message, kNotValidTorrentMessage);
    EXPECT_THAT(scan.problem, HasSubstr("info"));
  }
}

TEST(ParseTorrent, SecondOutermostInfoKeyGivesNoHash) {
  for (const std::string text : {"d4:infod1:ai1ee4:infod1:ai2eee", "d4:infode4:infodee", "d4:infode4:infoi1ee",
                                 "d4:infode4:infod1:a",  // the duplicate counts even if never finished
                                 "d4:infode1:xd4:infodee4:infodee"}) {
    SCOPED_TRACE(text);
    const TorrentScan scan = Scan(text);
    EXPECT_FALSE(scan.info);
    EXPECT_EQ(scan.message, kNotValidTorrentMessage);
    EXPECT_THAT(scan.problem, HasSubstr("second info key"));
  }
  // "info" as a value after the span is no second key.
  EXPECT_EQ(Hashed("d4:infode1:x4:info1:y4:infoe"), "de");
}

TEST(ParseTorrent, AfterTheSpanAnythingOddJustEndsTheLookForASecondKey) {
  for (const std::string tail : {"", "e", "X4:infodee", "1:a-4:infodee", "99:ab", "18446744073709551617:x",
                                 "1a:4:infodee", "e4:infodee", "1:ad1:bl",
                                 "1:aXi1e4:infodee", "1:a-i1e4:infodee"}) {
    SCOPED_TRACE(tail);
    const TorrentScan scan = Scan("d4:infod1:ai1ee" + tail);
    ASSERT_TRUE(scan.info);
    EXPECT_EQ(scan.info->offset, 7u);
    EXPECT_EQ(scan.info->length, 8u);
    EXPECT_EQ(scan.message, "");
    EXPECT_EQ(scan.problem, "");
  }
}

TEST(ParseTorrent, LengthPrefixThatDoesNotFitEndsTheScanWithoutASpan) {
  // Wrapped modulo 2^32 or 2^64 each of these would be 0 or 1, and a span would follow.
  for (const std::string length : {"4294967296", "4294967297", "18446744073709551616", "18446744073709551617",
                                   "99999999999999999999999", "2147483648", "16", "00000000000000000000017"}) {
    SCOPED_TRACE(length);
    for (const std::string& text : {"d" + length + ":" + "1:ae4:infodee", "d4:infod" + length + ":1:aeee"}) {
      const TorrentScan scan = Scan(text);
      EXPECT_FALSE(scan.info);
      EXPECT_EQ(scan.message, "");
      EXPECT_THAT(scan.problem, HasSubstr("runs past the end of the file"));
    }
  }
  // A string that ends exactly at the end of the input fits.
  EXPECT_EQ(Scan("d4:infod3:abc").problem, "the info dictionary is not closed before the end of the file");
}

TEST(ParseTorrent, LengthPrefixThatIsNotANumberEndsTheScan) {
  // "x12" and "-3" cannot be read as lengths; the info dictionary after them is never reached.
  for (const std::string text : {"dx12:abcdefghijkl4:infodee", "di-3:abce4:infodee", "d4:infod1x:ae4:infodeee"}) {
    SCOPED_TRACE(text);
    const TorrentScan scan = Scan(text);
    EXPECT_FALSE(scan.info);
    EXPECT_EQ(scan.message, kUnexpectedErrorMessage);
    EXPECT_THAT(scan.problem, HasSubstr("is not a number"));
  }
}

TEST(ParseTorrent, DeepNestingCostsNoStack) {
  constexpr std::size_t kDepth = 100'000;
  const std::string lists = std::string(kDepth, 'l') + std::string(kDepth, 'e');
  std::string dicts;
  for (std::size_t i = 0; i < kDepth; ++i) dicts += "d1:a";
  dicts += "i1e" + std::string(kDepth, 'e');

  EXPECT_EQ(Hashed("d4:infod1:a" + lists + "ee"), "d1:a" + lists + "e");
  EXPECT_EQ(Hashed("d4:infod1:a" + dicts + "ee"), "d1:a" + dicts + "e");
  EXPECT_EQ(Hashed("d1:a" + lists + "4:infodee"), "de");
  EXPECT_EQ(Hashed("d4:infode1:a" + lists + "4:infodee"), "<none>");  // the duplicate is still found
  EXPECT_EQ(Hashed("d4:infod1:a" + std::string(kDepth, 'l')), "<none>");

  std::string too_deep = "d4:infod1:a" + std::string(kMaxNestingDepth, 'l');
  const TorrentScan scan = Scan(too_deep + std::string(kMaxNestingDepth, 'e') + "ee");
  EXPECT_FALSE(scan.info);
  EXPECT_EQ(scan.message, kUnexpectedErrorMessage);
  EXPECT_THAT(scan.problem, HasSubstr("nesting deeper than"));
  // Past the span, the same depth only ends the look for a second key.
  EXPECT_EQ(Hashed("d4:infode1:a" + std::string(kMaxNestingDepth, 'l')), "de");
}

TEST(ParseTorrent, OffersEveryNonEmptyStringInFileOrder) {
  std::vector<std::string> strings;
  const std::string text = "d4:infod0:" + B(":") + B("spam") + B(std::string("a\0b", 3)) + "ee" + "1:z";
  Scan(text, {{}, [&](std::string_view s) { strings.emplace_back(s); }});
  EXPECT_THAT(strings, ::testing::ElementsAre("info", ":", "spam", std::string("a\0b", 3)));

  strings.clear();
  Scan("d4:infodeX5:after", {{}, [&](std::string_view s) { strings.emplace_back(s); }});
  EXPECT_THAT(strings, ::testing::ElementsAre("info"));
}

TEST(ParseTorrent, ProgressComesEveryQuarterMebibyteNotPerByte) {
  int calls = 0;
  const ScanHooks hooks{[&] { ++calls; }, {}};

  // Small items: one call per interval crossed.
  std::string items = "d4:infod1:al";
  while (items.size() < 16 * kProgressInterval) items += "i1e";
  items += "eee";
  ASSERT_TRUE(Scan(items, hooks).info);
  EXPECT_GE(calls, 15);
  EXPECT_LE(calls, 16);

  // A long string is skipped in one step, and the scan stays quiet on small files.
  calls = 0;
  ASSERT_TRUE(Scan("d4:infod1:a" + B(std::string(8 * kProgressInterval, 'd')) + "ee", hooks).info);
  EXPECT_LE(calls, 1);
  calls = 0;
  Scan(kTorrent, hooks);
  EXPECT_EQ(calls, 0);
}

// --- Loading and hashing files

TEST(GetTorrentHash, HashesTheInfoSpanOfTheFile) {
  testing::MemoryFileSystem fs;
  fs.Put("/t/a.torrent", kTorrent);
  fs.Put("/t/empty-info.torrent", "d4:infodee");
  EXPECT_EQ(GetTorrentHash(fs, "/t/a.torrent").hash, kInfoSha1);
  // SHA-1 of "de", from python3 hashlib.
  EXPECT_EQ(GetTorrentHash(fs, "/t/empty-info.torrent").hash, "600ccd1b71569232d01d110bc63e906beab04d8c");

  const TorrentHash hash = GetTorrentHash(fs, "/t/a.torrent");
  EXPECT_EQ(hash.message, "");
  EXPECT_EQ(hash.problem, "");
}

TEST(GetTorrentHash, MissingEmptyAndBadFilesGiveNoHash) {
  testing::MemoryFileSystem fs;
  fs.Put("/t/good.torrent", kTorrent);
  fs.Put("/t/empty.torrent", "");
  fs.Put("/t/text.torrent", "2024 report\n");
  fs.Put("/t/duplicate.torrent", "d4:infode4:infod1:ai1eee");

  // One after the other, as the window does: nothing of the good file is left for the next.
  EXPECT_EQ(GetTorrentHash(fs, "/t/good.torrent").hash, kInfoSha1);
  for (const char* path : {"/t/empty.torrent", "/t/missing.torrent", "/t/duplicate.torrent"}) {
    SCOPED_TRACE(path);
    const TorrentHash hash = GetTorrentHash(fs, path);
    EXPECT_EQ(hash.hash, "");
    EXPECT_EQ(hash.message, kNotValidTorrentMessage);
    EXPECT_FALSE(hash.problem.empty());
  }
  const TorrentHash text = GetTorrentHash(fs, "/t/text.torrent");
  EXPECT_EQ(text.hash, "");
  EXPECT_EQ(text.message, kUnexpectedErrorMessage);
}

TEST(GetTorrentHash, FileThatCannotBeReadIsNamedWithTheSystemsReason) {
  testing::MemoryFileSystem fs;
  fs.Put("/t/locked.torrent", kTorrent);
  fs.MakeUnreadable("/t/locked.torrent");

  std::string message = "stale";
  EXPECT_TRUE(LoadTorrentFile(fs, "/t/locked.torrent", &message).empty());
  EXPECT_EQ(message, "The file could not be read: /t/locked.torrent\r\nAccess is denied.");
  EXPECT_TRUE(LoadTorrentFile(fs, "/t/locked.torrent", nullptr).empty());

  const TorrentHash hash = GetTorrentHash(fs, "/t/locked.torrent");
  EXPECT_EQ(hash.hash, "");
  EXPECT_EQ(hash.message, "The file could not be read: /t/locked.torrent\r\nAccess is denied.");
  EXPECT_EQ(hash.problem, "cannot read /t/locked.torrent: Access is denied.");

  message = "stale";
  EXPECT_TRUE(LoadTorrentFile(fs, "/t/missing.torrent", &message).empty());
  EXPECT_EQ(message, "");  // the scan of no bytes says what to say
}

class FileSystemMock : public IFileSystem {
 public:
  MOCK_METHOD(bool, FileExists, (const std::string&), (override));
  MOCK_METHOD(FileRead, ReadAll, (const std::string&, std::uint64_t), (override));
};

TEST(GetTorrentHash, FileOverOneGibibyteIsRefusedUnread) {
  FileSystemMock fs;
  FileRead too_large;
  too_large.status = FileRead::Status::TooLarge;
  too_large.error = "File too large";
  EXPECT_CALL(fs, ReadAll("/t/huge.torrent", std::uint64_t{1} << 30)).WillOnce(::testing::Return(too_large));

  const TorrentHash hash = GetTorrentHash(fs, "/t/huge.torrent");
  EXPECT_EQ(hash.hash, "");
  EXPECT_EQ(hash.message, "The file is too large to be a torrent (over 1 GiB): /t/huge.torrent");
  EXPECT_EQ(hash.problem, "/t/huge.torrent is larger than 1 GiB");
}

TEST(GetTorrentHash, ReadsEveryByteValueFromDisk) {
  testing::TempDir dir;
  const auto fs = MakeSystemFileSystem();
  EXPECT_EQ(GetTorrentHash(*fs, dir.Write("binary.torrent", kTorrent)).hash, kInfoSha1);
  EXPECT_EQ(GetTorrentHash(*fs, dir.Write("empty.torrent", "")).message, kNotValidTorrentMessage);
}

TEST(GetTorrentHash, ExampleTorrentsMatchTheClientLibrarysHashes) {
  const std::string examples = std::string(BRISVANE_SOURCE_DIR) + "/examples/";
  std::ifstream sums(testing::FromUtf8(examples + "SHA1SUMS"));
  if (!sums) GTEST_SKIP() << "no examples/SHA1SUMS in this tree";
  const auto fs = MakeSystemFileSystem();
  std::string line;
  int checked = 0;
  while (std::getline(sums, line)) {
    if (line.size() < 43) continue;
    const std::string name = line.substr(42);
    SCOPED_TRACE(name);
    const TorrentHash hash = GetTorrentHash(*fs, examples + name);
    EXPECT_EQ(hash.hash, line.substr(0, 40));
    EXPECT_EQ(hash.message, "");
    ++checked;
  }
  EXPECT_GT(checked, 0);
  EXPECT_EQ(GetTorrentHash(*fs, examples + "not-a-torrent.torrent").message, kUnexpectedErrorMessage);
}

}  // namespace
}  // namespace brisvane
