#include "hash/mod_common.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <stdexcept>
#include <vector>

#include "hash/sha_algorithm.h"

namespace brisvane {
namespace {

using namespace modCommon;

// Bit patterns that exercise the sign bit, bit 30 and the low bits.
const std::vector<Word> kPatterns = {0x00000000, 0x00000001, 0x00000003, 0x3FFFFFFF, 0x40000000, 0x7FFFFFFF,
                                     0x80000000, 0x80000001, 0xC0000000, 0xDEADBEEF, 0xFFFFFFFE, 0xFFFFFFFF,
                                     0x12345678, 0xA5A5A5A5};

TEST(BitTables, FilledByTheFirstEngineAndHoldTheirDefinitions) {
  SHAAlgorithm engine;
  EXPECT_TRUE(BitTablesReady());
  EXPECT_EQ(LowBitMasks[0], 1u);
  EXPECT_EQ(LowBitMasks[4], 31u);
  EXPECT_EQ(LowBitMasks[30], 0x7FFFFFFFu);
  EXPECT_EQ(LowBitMasks[31], 0xFFFFFFFFu);
  EXPECT_EQ(PowersOfTwo[0], 1u);
  EXPECT_EQ(PowersOfTwo[31], 0x80000000u);
  for (int k = 0; k < 32; ++k) {
    EXPECT_EQ(LowBitMasks[k], static_cast<Word>((std::uint64_t{1} << (k + 1)) - 1)) << k;
    EXPECT_EQ(PowersOfTwo[k], static_cast<Word>(std::uint64_t{1} << k)) << k;
  }
  InitBitTables();  // a second call changes nothing
  EXPECT_EQ(LowBitMasks[31], 0xFFFFFFFFu);
}

TEST(WordRoutines, DocumentedEdgeValues) {
  EXPECT_EQ(AddWords(0xFFFFFFFF, 1), 0u);
  EXPECT_EQ(AddWords(0x7FFFFFFF, 1), 0x80000000u);
  EXPECT_EQ(AddWords(0x40000000, 0x40000000), 0x80000000u);
  EXPECT_EQ(AddWords(0xC0000000, 0x40000000), 0u);
  EXPECT_EQ(ShiftLeft(0x80000001, 1), 2u);
  EXPECT_EQ(ShiftLeft(1, 31), 0x80000000u);
  EXPECT_EQ(ShiftRight(0x80000000, 31), 1u);
  EXPECT_EQ(ShiftRight(0x80000000, 1), 0x40000000u);
  EXPECT_EQ(RotateLeft(0x80000001, 1), 3u);
  EXPECT_EQ(RotateRight(1, 1), 0x80000000u);
}

TEST(WordRoutines, ShiftsMatchWideArithmeticForEveryCount) {
  for (Word x : kPatterns) {
    for (int n = 0; n <= 32; ++n) {
      const std::uint64_t wide = x;
      EXPECT_EQ(ShiftLeft(x, n), static_cast<Word>(wide << n)) << std::hex << x << " << " << std::dec << n;
      EXPECT_EQ(ShiftRight(x, n), static_cast<Word>(wide >> n)) << std::hex << x << " >> " << std::dec << n;
    }
    EXPECT_EQ(ShiftLeft(x, 0), x);
    EXPECT_EQ(ShiftRight(x, 0), x);
    EXPECT_EQ(ShiftLeft(x, 32), 0u);
    EXPECT_EQ(ShiftRight(x, 32), 0u);
  }
}

TEST(WordRoutines, ShiftCountOutsideZeroTo32Throws) {
  for (int n : {-1, 33, -32, 64}) {
    EXPECT_THROW(ShiftLeft(1, n), std::out_of_range) << n;
    EXPECT_THROW(ShiftRight(1, n), std::out_of_range) << n;
  }
}

TEST(WordRoutines, RotationsAndMaskedShiftUseTheCountModulo32) {
  for (Word x : kPatterns) {
    for (int n = 0; n < 32; ++n) {
      const Word right = n == 0 ? x : (x >> n) | (x << (32 - n));
      EXPECT_EQ(RotateRight(x, n), right);
      EXPECT_EQ(RotateLeft(RotateRight(x, n), n), x);
      EXPECT_EQ(RotateRight(x, n + 32), right);
      EXPECT_EQ(RotateLeft(x, n), RotateRight(x, 32 - n));
      EXPECT_EQ(ShiftRightMasked(x, n + 32), x >> n);
    }
    EXPECT_EQ(RotateLeft(x, -1), RotateRight(x, 1));
    EXPECT_EQ(ShiftRightMasked(x, 32), x);
  }
}

}  // namespace
}  // namespace brisvane
