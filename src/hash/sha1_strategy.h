#pragma once
#include "hash/sha_blocks.h"
#include "hash/sha_strategy.h"

namespace brisvane {

class SHA1Strategy : public ISHAStrategy {
 public:
  // Bulk blocks go through the fastest routine this machine has.
  SHA1Strategy() : SHA1Strategy(Sha1BlocksBest()) {}
  // A chosen routine; nullptr offers none, so Run drives Expand and Round for every block.
  explicit SHA1Strategy(BlockFunction blocks) : blocks_(blocks) {}

  std::vector<Word> InitializeHash() const override;
  Word Expand(std::span<const Word> schedule, int t) const override;
  void Round(int t, std::span<Word> work, Word w) const override;
  std::string Output(std::span<const Word> hash) const override;
  int NumRounds() const override { return 80; }
  bool CompressBlocks(Word* hash, const std::uint8_t* blocks, std::size_t count) const override {
    if (blocks_ == nullptr) return false;
    blocks_(hash, blocks, count);
    return true;
  }

 private:
  BlockFunction blocks_;
};

}  // namespace brisvane
