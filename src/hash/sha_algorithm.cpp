#include "hash/sha_algorithm.h"
#include "hash/sha_blocks.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "hash/sha1_strategy.h"
#include "hash/sha256_strategy.h"

namespace brisvane {

using namespace modCommon;

namespace {

constexpr std::size_t kBlockBytes = 64;

std::span<const std::uint8_t> AsBytes(std::string_view text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

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

// The driver's own block loop, for strategies that offer no CompressBlocks.
class BlockDriver {
 public:
  explicit BlockDriver(const ISHAStrategy& strategy, std::vector<Word>& hash)
      : strategy_(strategy),
        hash_(hash),
        work_(hash.size()),
        rounds_(strategy.NumRounds()),
        schedule_(static_cast<std::size_t>(std::max(rounds_, 16))) {}

  void Compress(const std::uint8_t* blocks, std::size_t count) {
    for (std::size_t b = 0; b < count; ++b, blocks += kBlockBytes) {
      std::copy(hash_.begin(), hash_.end(), work_.begin());
      for (int t = 0; t < 16; ++t) schedule_[t] = LoadBigEndian(blocks + 4 * t);
      for (int t = 0; t < rounds_; ++t) {
        if (t >= 16) schedule_[t] = strategy_.Expand(schedule_, t);
        strategy_.Round(t, work_, schedule_[t]);
      }
      for (std::size_t k = 0; k < hash_.size(); ++k) hash_[k] = AddWords(hash_[k], work_[k]);
    }
  }

 private:
  const ISHAStrategy& strategy_;
  std::vector<Word>& hash_;
  std::vector<Word> work_;
  int rounds_;
  std::vector<Word> schedule_;
};

}  // namespace

std::string WordsToHex(std::span<const Word> words) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string text(words.size() * 8, '0');
  for (std::size_t i = 0; i < words.size(); ++i)
    for (int d = 0; d < 8; ++d) text[i * 8 + d] = kDigits[(words[i] >> (28 - 4 * d)) & 0xF];
  return text;
}

SHAAlgorithm::SHAAlgorithm() { InitBitTables(); }
SHAAlgorithm::~SHAAlgorithm() = default;

std::string SHAAlgorithm::SHA1(std::span<const std::uint8_t> message) {
  if (!sha1_) sha1_ = std::make_unique<SHA1Strategy>();
  return Run(message, *sha1_);
}
std::string SHAAlgorithm::SHA1FromString(std::string_view message) { return SHA1(AsBytes(message)); }

std::string SHAAlgorithm::SHA256(std::span<const std::uint8_t> message) {
  if (!sha256_) sha256_ = std::make_unique<SHA256Strategy>();
  return Run(message, *sha256_);
}
std::string SHAAlgorithm::SHA256FromString(std::string_view message) { return SHA256(AsBytes(message)); }

std::string SHAAlgorithm::SHA224(std::span<const std::uint8_t> message) {
  if (!sha224_) sha224_ = std::make_unique<SHA224Strategy>();
  return Run(message, *sha224_);
}
std::string SHAAlgorithm::SHA224FromString(std::string_view message) { return SHA224(AsBytes(message)); }

std::string SHAAlgorithm::Run(std::span<const std::uint8_t> message, ISHAStrategy& strategy) {
  std::vector<Word> hash = strategy.InitializeHash();
  BlockDriver driver(strategy, hash);
  // Whole blocks straight from the message; only the tail is copied and padded.
  const std::size_t whole = message.size() / kBlockBytes;
  if (whole > 0 && !strategy.CompressBlocks(hash.data(), message.data(), whole))
    driver.Compress(message.data(), whole);
  std::array<std::uint8_t, 2 * kBlockBytes> tail;
  const std::size_t tail_blocks = PadTail(message.subspan(whole * kBlockBytes), message.size(), tail);
  if (!strategy.CompressBlocks(hash.data(), tail.data(), tail_blocks)) driver.Compress(tail.data(), tail_blocks);
  return strategy.Output(hash);
}

std::vector<std::uint32_t> SHAAlgorithm::ConvertToWordArray(std::span<const std::uint8_t> message) {
  const std::size_t length = message.size();
  std::vector<std::uint32_t> words((length + 8) / 64 * 16 + 16, 0);
  for (std::size_t j = 0; j < length; ++j)
    words[j / 4] |= ShiftLeft(message[j], static_cast<int>(3 - j % 4) * 8);
  words[length / 4] |= ShiftLeft(0x80, static_cast<int>(3 - length % 4) * 8);
  // The 64-bit bit length: its low word last, its high word before it.
  const std::uint64_t bits = static_cast<std::uint64_t>(length) * 8;
  words[words.size() - 1] = static_cast<Word>(bits);
  words[words.size() - 2] = static_cast<Word>(bits >> 32);
  return words;
}

}  // namespace brisvane
