#pragma once
// What differs between the SHA algorithms, behind one interface that SHAAlgorithm::Run drives.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "hash/mod_common.h"

namespace brisvane {

class ISHAStrategy {
 public:
  virtual ~ISHAStrategy() = default;

  // The initial hash words; their count fixes the number of hash and working words.
  virtual std::vector<Word> InitializeHash() const = 0;
  // Schedule word t (16 <= t < NumRounds()), from schedule[0..t-1].
  virtual Word Expand(std::span<const Word> schedule, int t) const = 0;
  // Performs round t on the working words in place.
  virtual void Round(int t, std::span<Word> work, Word w) const = 0;
  // The digest as lower-case hexadecimal text.
  virtual std::string Output(std::span<const Word> hash) const = 0;
  // Rounds per 512-bit block.
  virtual int NumRounds() const = 0;

  // Optional shortcut: compresses `count` whole 64-byte blocks (big-endian words) into `hash` in one call,
  // with the same result as driving Expand and Round over them. Returns false, having done nothing, when
  // the strategy has no such routine; Run then drives the rounds itself.
  virtual bool CompressBlocks(Word* hash, const std::uint8_t* blocks, std::size_t count) const {
    (void)hash;
    (void)blocks;
    (void)count;
    return false;
  }
};

// Each word as exactly 8 lower-case hex digits, in order.
std::string WordsToHex(std::span<const Word> words);

}  // namespace brisvane
