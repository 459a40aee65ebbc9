// The hash engine against published digests and openssl, through the block routines the product picks
// and through the portable ones; the SHA-extension routines against the portable ones.
#include "hash/sha_digest.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>
#include <vector>

namespace brisvane {
namespace {

struct Digests {
  std::string sha1, sha224, sha256;
};

std::span<const std::uint8_t> AsBytes(std::string_view text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

void ExpectDigests(std::span<const std::uint8_t> message, const Digests& expected) {
  EXPECT_EQ(Sha1Hex(message), expected.sha1);
  EXPECT_EQ(ShaHex(message, Sha1Strategy(&Sha1BlocksPortable)), expected.sha1);
  EXPECT_EQ(Sha224Hex(message), expected.sha224);
  EXPECT_EQ(ShaHex(message, Sha224Strategy(&Sha256BlocksPortable)), expected.sha224);
  EXPECT_EQ(Sha256Hex(message), expected.sha256);
  EXPECT_EQ(ShaHex(message, Sha256Strategy(&Sha256BlocksPortable)), expected.sha256);
}

// The examples of FIPS 180-4 but the empty one, which is the first recorded below; the block boundaries
// of the padding are RandomMessagesAgreeWithOpenssl's.
TEST(ShaDigest, PublishedExamples) {
  const std::vector<std::pair<std::string, Digests>> cases = {
      {"abc", {"a9993e364706816aba3e25717850c26c9cd0d89d", "23097d223405d8228642a477bda255b32aadbce4bda0b3f7e36c9da7",
               "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"}},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       {"84983e441c3bd26ebaae4aa1f95129e5e54670f1", "75388b16512776cc5dba5da1fd890150b0c6455cb4f58b1952522525",
        "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"}},
      {std::string(1'000'000, 'a'),
       {"34aa973cd4c4daa4f61eeb2bdbad27316534016f", "20794655980c91d8bbb4c1ea97618a4bf03f42581948b2ee4ee7ad67",
        "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"}},
      // A digest word below 0x10000000 keeps its leading zeros (python3 hashlib).
      {"brisvane-1282299",
       {"00000a08f88d56f8ef15ebe231767941828e7114", "cd168a84f8250cf0a57ace16b1f2134216d9085b1af4c57b16fca3ed",
        "a666f8128385e92bdd5006b727da1c35e9d99482ce74a5c154dc2c105d55cba7"}},
  };
  for (const auto& [message, digests] : cases) {
    SCOPED_TRACE(message.substr(0, 60) + " (" + std::to_string(message.size()) + " bytes)");
    ExpectDigests(AsBytes(message), digests);
  }
}

// Reproducible pseudo-random bytes (splitmix64): the same on every platform, so digests recorded natively
// can be checked under Wine.
std::vector<std::uint8_t> RandomBytes(std::size_t length, std::uint64_t seed) {
  std::vector<std::uint8_t> bytes(length);
  std::uint64_t state = seed;
  for (std::size_t i = 0; i < length; i += 8) {
    std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    z ^= z >> 31;
    for (std::size_t j = 0; j < 8 && i + j < length; ++j) bytes[i + j] = static_cast<std::uint8_t>(z >> (8 * j));
  }
  return bytes;
}

// Random states and blocks, several block counts, the input deliberately misaligned. The product takes the
// extensions whenever the CPU has them.
template <std::size_t N>
void ExpectSameBlocks(BlockFunction accelerated, BlockFunction portable, BlockFunction best) {
  EXPECT_EQ(best, accelerated ? accelerated : portable);
  if (accelerated == nullptr) GTEST_SKIP() << "this CPU has no SHA extensions";
  for (std::size_t count : {1, 2, 3, 64, 1001}) {
    const auto buffer = RandomBytes(64 * count + 1, 77 + count);
    std::array<Word, N> expected;
    std::memcpy(expected.data(), RandomBytes(4 * N, count).data(), 4 * N);
    auto actual = expected;
    portable(expected.data(), buffer.data() + 1, count);
    accelerated(actual.data(), buffer.data() + 1, count);
    EXPECT_EQ(actual, expected) << count << " blocks";
  }
}

TEST(ShaDigest, ExtensionsAgreeWithPortable) {
  ExpectSameBlocks<5>(Sha1BlocksAccelerated(), &Sha1BlocksPortable, Sha1BlocksBest());
  ExpectSameBlocks<8>(Sha256BlocksAccelerated(), &Sha256BlocksPortable, Sha256BlocksBest());
}

// Digests openssl gave for random messages around the padding's block boundaries (55 bytes still fit one
// block with the length, 56 need two) and a few large ones, for RandomBytes(length, 0xB4150000 + length).
struct RecordedDigests {
  std::size_t length;
  Digests digests;
};
const RecordedDigests kRecorded[] = {
#include "hash/openssl_digests.inc"
};

TEST(ShaDigest, RandomMessagesAgreeWithOpenssl) {
  for (const auto& [length, recorded] : kRecorded) {
    SCOPED_TRACE(std::to_string(length) + " bytes");
    ExpectDigests(RandomBytes(length, 0xB415'0000 + length), recorded);
  }
}

}  // namespace
}  // namespace brisvane
