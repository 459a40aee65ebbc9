// The hash engine against openssl, through the block routines the product picks and through the portable
// ones; the SHA-extension routines against the portable ones.
#include "hash/sha_digest.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>
#include <vector>

namespace brisvane {
namespace {

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
  std::string sha1, sha224, sha256;
};
const RecordedDigests kRecorded[] = {
#include "hash/openssl_digests.inc"
};

TEST(ShaDigest, RandomMessagesAgreeWithOpenssl) {
  for (const auto& [length, sha1, sha224, sha256] : kRecorded) {
    SCOPED_TRACE(std::to_string(length) + " bytes");
    const std::vector<std::uint8_t> message = RandomBytes(length, 0xB415'0000 + length);
    EXPECT_EQ(Sha1Hex(message), sha1);
    EXPECT_EQ(ShaHex(message, Sha1Strategy(&Sha1BlocksPortable)), sha1);
    EXPECT_EQ(Sha224Hex(message), sha224);
    EXPECT_EQ(ShaHex(message, Sha224Strategy(&Sha256BlocksPortable)), sha224);
    EXPECT_EQ(Sha256Hex(message), sha256);
    EXPECT_EQ(ShaHex(message, Sha256Strategy(&Sha256BlocksPortable)), sha256);
  }
}

}  // namespace
}  // namespace brisvane
