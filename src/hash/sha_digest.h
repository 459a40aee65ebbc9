#pragma once
// SHA-1, SHA-224 and SHA-256 of bytes, as lower-case hexadecimal text.
#include <cstdint>
#include <span>
#include <string>

#include "hash/sha_strategy.h"

namespace brisvane {

// Pads the message and has `strategy` compress it. Whole blocks are read in place; only the last one or two
// are copied. The length goes in as 64 bits, so any message that fits in memory hashes correctly.
std::string ShaHex(std::span<const std::uint8_t> message, const ShaStrategy& strategy);

std::string Sha1Hex(std::span<const std::uint8_t> message);    // 40 digits
std::string Sha224Hex(std::span<const std::uint8_t> message);  // 56 digits
std::string Sha256Hex(std::span<const std::uint8_t> message);  // 64 digits

}  // namespace brisvane
