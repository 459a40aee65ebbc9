#include "hash/sha_algorithm.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "hash/random_bytes.h"
#include "hash/sha1_strategy.h"
#include "hash/sha256_strategy.h"

namespace brisvane {
namespace {

using testing::RandomBytes;

const std::string k448BitMessage = "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq";

std::vector<std::uint8_t> Bytes(std::string_view text) { return {text.begin(), text.end()}; }

TEST(SHAAlgorithm, Fips180ExamplesForAllThree) {
  SHAAlgorithm engine;
  const std::string million(1000000, 'a');

  EXPECT_EQ(engine.SHA1FromString("abc"), "a9993e364706816aba3e25717850c26c9cd0d89d");
  EXPECT_EQ(engine.SHA1FromString(k448BitMessage), "84983e441c3bd26ebaae4aa1f95129e5e54670f1");
  EXPECT_EQ(engine.SHA1FromString(million), "34aa973cd4c4daa4f61eeb2bdbad27316534016f");

  EXPECT_EQ(engine.SHA256FromString("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  EXPECT_EQ(engine.SHA256FromString(k448BitMessage),
            "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
  EXPECT_EQ(engine.SHA256FromString(million), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");

  EXPECT_EQ(engine.SHA224FromString("abc"), "23097d223405d8228642a477bda255b32aadbce4bda0b3f7e36c9da7");
  EXPECT_EQ(engine.SHA224FromString(k448BitMessage), "75388b16512776cc5dba5da1fd890150b0c6455cb4f58b1952522525");
  EXPECT_EQ(engine.SHA224FromString(million), "20794655980c91d8bbb4c1ea97618a4bf03f42581948b2ee4ee7ad67");
}

TEST(SHAAlgorithm, EmptyMessageHasADigest) {
  SHAAlgorithm engine;
  EXPECT_EQ(engine.SHA1({}), "da39a3ee5e6b4b0d3255bfef95601890afd80709");
  EXPECT_EQ(engine.SHA256FromString(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  EXPECT_EQ(engine.SHA224FromString(""), "d14a028c2a3a2bc9476102bb288234c415a2b01f828ea62ac5b3e42f");
}

TEST(SHAAlgorithm, BytesAndTextGiveTheSameDigest) {
  SHAAlgorithm engine;
  const auto abc = Bytes("abc");
  EXPECT_EQ(engine.SHA1(abc), engine.SHA1FromString("abc"));
  EXPECT_EQ(engine.SHA256(abc), engine.SHA256FromString("abc"));
  EXPECT_EQ(engine.SHA224(abc), engine.SHA224FromString("abc"));
}

TEST(SHAAlgorithm, TextCharactersFrom128To255AreSingleBytes) {
  SHAAlgorithm engine;
  std::string high;
  for (int c = 128; c < 256; ++c) high.push_back(static_cast<char>(c));
  EXPECT_EQ(engine.SHA1FromString(high), "87f0c35852e65ad707f37c05fb03dc6e68aa4fbf");
  EXPECT_EQ(engine.SHA256FromString(high), "60ae23ee1dd9974d2f4036aa646f97b13f1a5a8b6304c31faea05c59cb363c65");
  EXPECT_EQ(engine.SHA1FromString("\xFF"), "85e53271e14006f0265921d02d4d736cdc580b0b");
  // Not the UTF-8 form of that character (c3 bf).
  EXPECT_NE(engine.SHA1FromString("\xFF"), engine.SHA1FromString("\xC3\xBF"));
}

TEST(SHAAlgorithm, LengthsAroundBlockBoundaries) {
  SHAAlgorithm engine;
  const std::vector<std::pair<std::size_t, std::string>> cases = {
      {55, "c1c8bbdc22796e28c0e15163d20899b65621d65a"},  {56, "c2db330f6083854c99d4b5bfb6e8f29f201be699"},
      {63, "03f09f5b158a7a8cdad920bddc29b81c18a551f5"},  {64, "0098ba824b5c16427bd7a1122a5a442a25ec644d"},
      {119, "ee971065aaa017e0632a8ca6c77bb3bf8b1dfc56"}, {120, "f34c1488385346a55709ba056ddd08280dd4c6d6"}};
  for (const auto& [length, digest] : cases) EXPECT_EQ(engine.SHA1FromString(std::string(length, 'a')), digest) << length;
}

TEST(SHAAlgorithm, DigestWordsKeepTheirLeadingZeros) {
  SHAAlgorithm engine;
  const std::string digest = engine.SHA1FromString("brisvane-1282299");
  EXPECT_EQ(digest, "00000a08f88d56f8ef15ebe231767941828e7114");

  const std::vector<Word> words = {0x0000FFFF, 0, 1, 0x10000000, 0xFFFFFFFF, 0x0ABCDEF0, 0x80000000, 0x7};
  EXPECT_EQ(SHA1Strategy().Output(words), "0000ffff000000000000000110000000ffffffff");
  EXPECT_EQ(SHA256Strategy().Output(words),
            "0000ffff000000000000000110000000ffffffff0abcdef08000000000000007");
  EXPECT_EQ(SHA224Strategy().Output(words), "0000ffff000000000000000110000000ffffffff0abcdef080000000");
}

TEST(SHAAlgorithm, Sha224IsNotATruncatedSha256) {
  SHAAlgorithm engine;
  EXPECT_NE(engine.SHA224FromString("abc"), engine.SHA256FromString("abc").substr(0, 56));
}

TEST(SHAAlgorithm, OneEngineHashesManyMessagesWithoutCarryingState) {
  SHAAlgorithm engine;
  const std::string first = engine.SHA1FromString("abc");
  engine.SHA256FromString(k448BitMessage);
  engine.SHA1FromString(std::string(1000, 'x'));
  EXPECT_EQ(engine.SHA1FromString("abc"), first);
  EXPECT_EQ(SHAAlgorithm().SHA1FromString("abc"), first);
}

TEST(ConvertToWordArray, WordCountsAtBlockBoundaries) {
  const std::vector<std::pair<std::size_t, std::size_t>> cases = {{0, 16},  {1, 16},  {55, 16},  {56, 32},
                                                                  {63, 32}, {64, 32}, {119, 32}, {120, 48}};
  for (const auto& [length, words] : cases)
    EXPECT_EQ(SHAAlgorithm::ConvertToWordArray(std::vector<std::uint8_t>(length, 0x61)).size(), words) << length;
}

TEST(ConvertToWordArray, EmptyMessageIsTheMarkerThenZeros) {
  std::vector<std::uint32_t> expected(16, 0);
  expected[0] = 0x80000000;
  EXPECT_EQ(SHAAlgorithm::ConvertToWordArray({}), expected);
}

TEST(ConvertToWordArray, PacksBigEndianAndEndsWithTheBitLength) {
  std::vector<std::uint32_t> expected(16, 0);
  expected[0] = 0x61626380;
  expected[15] = 24;
  EXPECT_EQ(SHAAlgorithm::ConvertToWordArray(Bytes("abc")), expected);

  // 56 bytes: the marker opens the second block's first word; the length sits at its end.
  const auto words = SHAAlgorithm::ConvertToWordArray(Bytes(k448BitMessage));
  ASSERT_EQ(words.size(), 32u);
  EXPECT_EQ(words[0], 0x61626364u);
  EXPECT_EQ(words[13], 0x6E6F7071u);
  EXPECT_EQ(words[14], 0x80000000u);
  EXPECT_EQ(words[30], 0u);
  EXPECT_EQ(words[31], 448u);

  // Bytes above 127 are not sign-extended into their neighbours.
  EXPECT_EQ(SHAAlgorithm::ConvertToWordArray(std::vector<std::uint8_t>{0xFF, 0x80, 0x01})[0], 0xFF800180u);
}

// Passes every operation through but offers no block shortcut, and keeps the message words it was fed.
class RecordingStrategy : public ISHAStrategy {
 public:
  explicit RecordingStrategy(const ISHAStrategy& inner) : inner_(inner) {}
  std::vector<Word> InitializeHash() const override { return inner_.InitializeHash(); }
  Word Expand(std::span<const Word> schedule, int t) const override { return inner_.Expand(schedule, t); }
  void Round(int t, std::span<Word> work, Word w) const override {
    if (t < 16) message_words.push_back(w);
    ++rounds;
    inner_.Round(t, work, w);
  }
  std::string Output(std::span<const Word> hash) const override { return inner_.Output(hash); }
  int NumRounds() const override { return inner_.NumRounds(); }

  mutable std::vector<Word> message_words;
  mutable int rounds = 0;

 private:
  const ISHAStrategy& inner_;
};

TEST(Run, DriverFeedsExactlyThePaddedWords) {
  SHAAlgorithm engine;
  SHA1Strategy sha1;
  for (std::size_t length : {0, 3, 55, 56, 64, 100, 119, 120, 128, 1000}) {
    const auto message = RandomBytes(length, length + 7);
    RecordingStrategy recorder(sha1);
    EXPECT_EQ(engine.Run(message, recorder), engine.SHA1(message)) << length;
    const auto padded = SHAAlgorithm::ConvertToWordArray(message);
    EXPECT_EQ(recorder.message_words, padded) << length;
    EXPECT_EQ(recorder.rounds, static_cast<int>(padded.size() / 16 * 80)) << length;
  }
}

TEST(Run, FastAndDrivenPathsGiveIdenticalDigests) {
  SHAAlgorithm engine;
  SHA1Strategy sha1_fast, sha1_portable(&Sha1BlocksPortable), sha1_driven(nullptr);
  SHA256Strategy sha256_fast, sha256_portable(&Sha256BlocksPortable), sha256_driven(nullptr);
  SHA224Strategy sha224_fast, sha224_driven(nullptr);
  std::vector<std::size_t> lengths;
  for (std::size_t n = 0; n <= 200; ++n) lengths.push_back(n);
  lengths.insert(lengths.end(), {1023, 1024, 1025, 65536 + 13, 300000});
  for (std::size_t length : lengths) {
    const auto message = RandomBytes(length, 1000 + length);
    const std::string sha1 = engine.Run(message, sha1_driven);
    EXPECT_EQ(engine.Run(message, sha1_fast), sha1) << length;
    EXPECT_EQ(engine.Run(message, sha1_portable), sha1) << length;
    const std::string sha256 = engine.Run(message, sha256_driven);
    EXPECT_EQ(engine.Run(message, sha256_fast), sha256) << length;
    EXPECT_EQ(engine.Run(message, sha256_portable), sha256) << length;
    EXPECT_EQ(engine.Run(message, sha224_fast), engine.Run(message, sha224_driven)) << length;
  }
}

// A strategy with other word counts still runs: the driver takes its sizes from the strategy.
class TwoWordStrategy : public ISHAStrategy {
 public:
  std::vector<Word> InitializeHash() const override { return {1, 2}; }
  Word Expand(std::span<const Word> schedule, int t) const override { return schedule[t - 16] + 1; }
  void Round(int, std::span<Word> work, Word w) const override {
    work[0] ^= w;
    work[1] += work[0];
  }
  std::string Output(std::span<const Word> hash) const override { return WordsToHex(hash); }
  int NumRounds() const override { return 20; }
};

TEST(Run, SizesComeFromTheStrategy) {
  SHAAlgorithm engine;
  TwoWordStrategy strategy;
  // One block of padded "abc": W = 0x61626380, 0 x14, 24; then W(16..19) = W(0..3) + 1.
  Word a = 1, b = 2;
  std::vector<Word> w(20, 0);
  w[0] = 0x61626380;
  w[15] = 24;
  for (int t = 16; t < 20; ++t) w[t] = w[t - 16] + 1;
  Word x = a, y = b;
  for (int t = 0; t < 20; ++t) {
    x ^= w[t];
    y += x;
  }
  EXPECT_EQ(engine.Run(Bytes("abc"), strategy), WordsToHex(std::vector<Word>{a + x, b + y}));
}

}  // namespace
}  // namespace brisvane
