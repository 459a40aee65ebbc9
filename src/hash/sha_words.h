#pragma once
// The 32-bit words SHA-1 and SHA-256 compute with, and how message bytes become words.
#include <cstdint>

namespace brisvane {

using Word = std::uint32_t;

// The message word at p: four bytes, the first the most significant.
inline Word LoadBigEndian(const std::uint8_t* p) {
  return (Word{p[0]} << 24) | (Word{p[1]} << 16) | (Word{p[2]} << 8) | Word{p[3]};
}

}  // namespace brisvane
