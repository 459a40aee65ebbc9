#pragma once
// What differs between the SHA algorithms, behind one interface that ShaHex drives: the initial hash
// words, the block routine and how many words make the digest.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "hash/sha_blocks.h"

namespace brisvane {

class IShaStrategy {
 public:
  virtual ~IShaStrategy() = default;
  // The initial hash words, 5 or 8; the digest is the first DigestWords() of them after the last block.
  virtual std::span<const Word> InitialHash() const = 0;
  virtual std::size_t DigestWords() const = 0;
  // Compresses `count` whole 64-byte blocks into `hash`.
  virtual void CompressBlocks(Word* hash, const std::uint8_t* blocks, std::size_t count) const = 0;
};

// The block routine is the fastest this machine has unless one is chosen.
class Sha1Strategy final : public IShaStrategy {
 public:
  explicit Sha1Strategy(BlockFunction blocks = Sha1BlocksBest()) : blocks_(blocks) {}
  std::span<const Word> InitialHash() const override { return kInitialHash; }
  std::size_t DigestWords() const override { return 5; }
  void CompressBlocks(Word* hash, const std::uint8_t* blocks, std::size_t count) const override {
    blocks_(hash, blocks, count);
  }

 private:
  // FIPS 180-4 section 5.3.1.
  static constexpr std::array<Word, 5> kInitialHash = {0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476, 0xC3D2E1F0};
  BlockFunction blocks_;
};

class Sha256Strategy final : public IShaStrategy {
 public:
  explicit Sha256Strategy(BlockFunction blocks = Sha256BlocksBest()) : blocks_(blocks) {}
  std::span<const Word> InitialHash() const override { return kInitialHash; }
  std::size_t DigestWords() const override { return 8; }
  void CompressBlocks(Word* hash, const std::uint8_t* blocks, std::size_t count) const override {
    blocks_(hash, blocks, count);
  }

 private:
  // FIPS 180-4 section 5.3.3.
  static constexpr std::array<Word, 8> kInitialHash = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                                                       0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};
  BlockFunction blocks_;
};

// SHA-256's blocks with its own initial hash words and a 7-word digest.
class Sha224Strategy final : public IShaStrategy {
 public:
  explicit Sha224Strategy(BlockFunction blocks = Sha256BlocksBest()) : blocks_(blocks) {}
  std::span<const Word> InitialHash() const override { return kInitialHash; }
  std::size_t DigestWords() const override { return 7; }
  void CompressBlocks(Word* hash, const std::uint8_t* blocks, std::size_t count) const override {
    blocks_(hash, blocks, count);
  }

 private:
  // FIPS 180-4 section 5.3.2.
  static constexpr std::array<Word, 8> kInitialHash = {0xc1059ed8, 0x367cd507, 0x3070dd17, 0xf70e5939,
                                                       0xffc00b31, 0x68581511, 0x64f98fa7, 0xbefa4fa4};
  BlockFunction blocks_;
};

}  // namespace brisvane
