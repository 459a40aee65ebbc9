#pragma once
#include <array>
#include <memory>

#include "hash/sha_strategy.h"

namespace brisvane {

class SHA256Strategy : public ISHAStrategy {
 public:
  SHA256Strategy();
  std::vector<Word> InitializeHash() const override;
  Word Expand(std::span<const Word> schedule, int t) const override;
  void Round(int t, std::span<Word> work, Word w) const override;
  std::string Output(std::span<const Word> hash) const override;
  int NumRounds() const override { return 64; }

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
};

// SHA-256 with its own initial hash value and a 7-word output; the rest is the inner SHA-256 strategy's.
class SHA224Strategy : public ISHAStrategy {
 public:
  SHA224Strategy();
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
