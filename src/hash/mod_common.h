#pragma once
// Word arithmetic for the hash engine. A word is an unsigned 32-bit value; every routine wraps modulo 2^32.
#include <array>
#include <cstdint>

namespace brisvane {

using Word = std::uint32_t;

namespace modCommon {

// Filled once per process by InitBitTables, read-only afterwards.
// LowBitMasks[k] = 2^(k+1) - 1, PowersOfTwo[k] = 2^k, for k = 0..31.
extern const std::array<Word, 32>& LowBitMasks;
extern const std::array<Word, 32>& PowersOfTwo;

// Fills both tables the first time it is called (thread-safe); later calls do nothing.
void InitBitTables();
bool BitTablesReady();

namespace detail {
// Shift counts outside 0..32 are a programming error: throws std::out_of_range.
[[noreturn]] void BadShiftCount(const char* routine, int n);
}  // namespace detail

// Logical shifts by n = 0..32 (32 gives 0). Any other n throws std::out_of_range.
inline Word ShiftLeft(Word x, int n) {
  if (n < 0 || n > 32) detail::BadShiftCount("ShiftLeft", n);
  return n == 32 ? 0 : x << n;
}
inline Word ShiftRight(Word x, int n) {
  if (n < 0 || n > 32) detail::BadShiftCount("ShiftRight", n);
  return n == 32 ? 0 : x >> n;
}

// Rotations take any count; only n modulo 32 matters, so they never throw.
inline Word RotateRight(Word x, int n) {
  const unsigned m = static_cast<unsigned>(n) & 31u;
  return m == 0 ? x : (x >> m) | (x << (32u - m));
}
inline Word RotateLeft(Word x, int n) { return RotateRight(x, 32 - n); }

// ShiftRight by n modulo 32.
inline Word ShiftRightMasked(Word x, int n) { return x >> (static_cast<unsigned>(n) & 31u); }

inline Word AddWords(Word x, Word y) { return x + y; }

}  // namespace modCommon
}  // namespace brisvane
