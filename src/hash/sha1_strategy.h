#pragma once
#include "hash/sha_strategy.h"

namespace brisvane {

class SHA1Strategy : public ISHAStrategy {
 public:
  std::vector<Word> InitializeHash() const override;
  Word Expand(std::span<const Word> schedule, int t) const override;
  void Round(int t, std::span<Word> work, Word w) const override;
  std::string Output(std::span<const Word> hash) const override;
  int NumRounds() const override { return 80; }
};

}  // namespace brisvane
