#pragma once
// The hash engine's facade: SHA-1, SHA-224 and SHA-256 of bytes, as lower-case hexadecimal text.
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "hash/sha_strategy.h"

namespace brisvane {

class SHA1Strategy;
class SHA224Strategy;
class SHA256Strategy;

// Makes its strategies on first use and keeps them: use one object from one thread at a time.
class SHAAlgorithm {
 public:
  SHAAlgorithm();  // calls modCommon::InitBitTables
  ~SHAAlgorithm();
  SHAAlgorithm(const SHAAlgorithm&) = delete;
  SHAAlgorithm& operator=(const SHAAlgorithm&) = delete;

  std::string SHA1(std::span<const std::uint8_t> message);  // 40 lower-case hex digits
  // Each char is one byte (byte-identity code page): "abc" is hashed as 0x61 0x62 0x63.
  std::string SHA1FromString(std::string_view message);
  std::string SHA256(std::span<const std::uint8_t> message);  // 64 digits
  std::string SHA256FromString(std::string_view message);
  std::string SHA224(std::span<const std::uint8_t> message);  // 56 digits
  std::string SHA224FromString(std::string_view message);

  // Pads the message and drives `strategy` over its blocks; returns the strategy's Output. Whole blocks are
  // read in place (through the strategy's CompressBlocks when it has one); only the last one or two are copied.
  // The length goes in as 64 bits, so messages of 2^31 bytes and more hash correctly too.
  std::string Run(std::span<const std::uint8_t> message, ISHAStrategy& strategy);

  // The padded message as big-endian words: a multiple of 16, the bit length in the last two.
  static std::vector<std::uint32_t> ConvertToWordArray(std::span<const std::uint8_t> message);

 private:
  std::unique_ptr<SHA1Strategy> sha1_;
  std::unique_ptr<SHA256Strategy> sha256_;
  std::unique_ptr<SHA224Strategy> sha224_;
};

}  // namespace brisvane
