#pragma once
// What differs between SHA-1, SHA-224 and SHA-256 for ShaHex: the initial hash words, how many of them make
// the digest, and the routine that compresses whole blocks.
#include <cstddef>
#include <span>

#include "hash/sha_blocks.h"

namespace brisvane {

struct ShaStrategy {
  std::span<const Word> initial_hash;  // 5 or 8 words
  std::size_t digest_words;
  BlockFunction compress;
};

// The block routine is the fastest this machine has unless one is chosen.
ShaStrategy Sha1Strategy(BlockFunction compress = Sha1BlocksBest());
ShaStrategy Sha224Strategy(BlockFunction compress = Sha256BlocksBest());  // SHA-256's blocks, a 7-word digest
ShaStrategy Sha256Strategy(BlockFunction compress = Sha256BlocksBest());

}  // namespace brisvane
