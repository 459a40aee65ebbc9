#include "hash/sha_digest.h"

#include <algorithm>
#include <array>

namespace brisvane {
namespace {

constexpr std::size_t kBlockBytes = 64;

// The message's last partial block with the 0x80 marker and the 64-bit bit length: one or two blocks.
std::size_t PadTail(std::span<const std::uint8_t> tail, std::uint64_t total_bytes,
                    std::array<std::uint8_t, 2 * kBlockBytes>& out) {
  out.fill(0);
  std::copy(tail.begin(), tail.end(), out.begin());
  out[tail.size()] = 0x80;
  const std::size_t blocks = tail.size() + 9 <= kBlockBytes ? 1 : 2;
  const std::uint64_t bits = total_bytes * 8;
  for (int i = 0; i < 8; ++i) out[blocks * kBlockBytes - 1 - i] = static_cast<std::uint8_t>(bits >> (8 * i));
  return blocks;
}

// Each word as exactly 8 lower-case hex digits, in order.
std::string WordsToHex(std::span<const Word> words) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string text(words.size() * 8, '0');
  for (std::size_t i = 0; i < words.size(); ++i)
    for (int d = 0; d < 8; ++d) text[i * 8 + d] = kDigits[(words[i] >> (28 - 4 * d)) & 0xF];
  return text;
}

}  // namespace

std::string ShaHex(std::span<const std::uint8_t> message, const ShaStrategy& strategy) {
  std::array<Word, 8> hash{};
  std::copy(strategy.initial_hash.begin(), strategy.initial_hash.end(), hash.begin());
  const std::size_t whole = message.size() / kBlockBytes;
  if (whole > 0) strategy.compress(hash.data(), message.data(), whole);
  std::array<std::uint8_t, 2 * kBlockBytes> tail;
  const std::size_t tail_blocks = PadTail(message.subspan(whole * kBlockBytes), message.size(), tail);
  strategy.compress(hash.data(), tail.data(), tail_blocks);
  return WordsToHex(std::span<const Word>(hash).first(strategy.digest_words));
}

// The initial hash values of FIPS 180-4 section 5.3.
ShaStrategy Sha1Strategy(BlockFunction compress) {
  static constexpr Word kInitialHash[] = {0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476, 0xC3D2E1F0};
  return {kInitialHash, 5, compress};
}
ShaStrategy Sha224Strategy(BlockFunction compress) {
  static constexpr Word kInitialHash[] = {0xc1059ed8, 0x367cd507, 0x3070dd17, 0xf70e5939,
                                          0xffc00b31, 0x68581511, 0x64f98fa7, 0xbefa4fa4};
  return {kInitialHash, 7, compress};
}
ShaStrategy Sha256Strategy(BlockFunction compress) {
  static constexpr Word kInitialHash[] = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                                          0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};
  return {kInitialHash, 8, compress};
}

std::string Sha1Hex(std::span<const std::uint8_t> message) { return ShaHex(message, Sha1Strategy()); }
std::string Sha224Hex(std::span<const std::uint8_t> message) { return ShaHex(message, Sha224Strategy()); }
std::string Sha256Hex(std::span<const std::uint8_t> message) { return ShaHex(message, Sha256Strategy()); }

}  // namespace brisvane
