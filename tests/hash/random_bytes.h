#pragma once
// Reproducible pseudo-random bytes for hash tests: the same seed gives the same bytes on every platform,
// so digests recorded natively can be checked under Wine.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace brisvane::testing {

// splitmix64
inline std::vector<std::uint8_t> RandomBytes(std::size_t length, std::uint64_t seed) {
  std::vector<std::uint8_t> bytes(length);
  std::uint64_t state = seed;
  for (std::size_t i = 0; i < length; i += 8) {
    std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    z ^= z >> 31;
    for (std::size_t j = 0; j < 8 && i + j < length; ++j) bytes[i + j] = static_cast<std::uint8_t>(z >> (8 * j));
  }
  return bytes;
}

}  // namespace brisvane::testing
