#pragma once
#include <array>
#include <memory>

#include "hash/sha_blocks.h"
#include "hash/sha_strategy.h"

namespace brisvane {

class SHA256Strategy : public ISHAStrategy {
 public:
  // Bulk blocks go through the fastest routine this machine has.
  SHA256Strategy() : SHA256Strategy(Sha256BlocksBest()) {}
  // A chosen routine; nullptr offers none, so Run drives Expand and Round for every block.
  explicit SHA256Strategy(BlockFunction blocks);
  std::vector<Word> InitializeHash() const override;
  Word Expand(std::span<const Word> schedule, int t) const override;
  void Round(int t, std::span<Word> work, Word w) const override;
  std::string Output(std::span<const Word> hash) const override;
  int NumRounds() const override { return 64; }
  bool CompressBlocks(Word* hash, const std::uint8_t* blocks, std::size_t count) const override {
    if (blocks_ == nullptr) return false;
    blocks_(hash, blocks, count);
    return true;
  }

  // The functions of FIPS 180-4 section 4.1.2, in the forms this engine uses.
  static Word Ch(Word x, Word y, Word z) { return (~x & z) ^ (x & y); }
  static Word Maj(Word x, Word y, Word z) { return ((y ^ z) & x) ^ (y & z); }
  static Word BigSigma0(Word x) {
    return modCommon::RotateRight(x, 22) ^ modCommon::RotateRight(x, 13) ^ modCommon::RotateRight(x, 2);
  }
  static Word BigSigma1(Word x) {
    return modCommon::RotateRight(x, 25) ^ modCommon::RotateRight(x, 11) ^ modCommon::RotateRight(x, 6);
  }
  static Word SmallSigma0(Word x) {
    return modCommon::RotateRight(x, 18) ^ modCommon::RotateRight(x, 7) ^ modCommon::ShiftRightMasked(x, 3);
  }
  static Word SmallSigma1(Word x) {
    return modCommon::RotateRight(x, 19) ^ modCommon::RotateRight(x, 17) ^ modCommon::ShiftRightMasked(x, 10);
  }

 private:
  std::array<Word, 64> k_;
  BlockFunction blocks_;
};

// SHA-256 with its own initial hash value and a 7-word output; the rest is the inner SHA-256 strategy's.
class SHA224Strategy : public ISHAStrategy {
 public:
  SHA224Strategy() : SHA224Strategy(Sha256BlocksBest()) {}
  // The block routine is the inner SHA-256 strategy's; nullptr offers none.
  explicit SHA224Strategy(BlockFunction blocks);
  std::vector<Word> InitializeHash() const override;
  Word Expand(std::span<const Word> schedule, int t) const override;
  void Round(int t, std::span<Word> work, Word w) const override;
  std::string Output(std::span<const Word> hash) const override;
  int NumRounds() const override;
  bool CompressBlocks(Word* hash, const std::uint8_t* blocks, std::size_t count) const override;

 private:
  std::unique_ptr<ISHAStrategy> inner_;
};

}  // namespace brisvane
