#include "hash/sha_blocks.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <vector>

#include "hash/random_bytes.h"

namespace brisvane {
namespace {

using testing::RandomBytes;

template <std::size_t N>
std::array<Word, N> RandomState(std::uint64_t seed) {
  const auto bytes = RandomBytes(4 * N, seed);
  std::array<Word, N> state;
  std::memcpy(state.data(), bytes.data(), bytes.size());
  return state;
}

TEST(BlockRoutines, AcceleratedRoutinesExistExactlyWhenTheCpuHasThem) {
  EXPECT_EQ(Sha1BlocksAccelerated() != nullptr, CpuHasShaExtensions());
  EXPECT_EQ(Sha256BlocksAccelerated() != nullptr, CpuHasShaExtensions());
  if (CpuHasShaExtensions()) {
    EXPECT_EQ(Sha1BlocksBest(), Sha1BlocksAccelerated());
    EXPECT_EQ(Sha256BlocksBest(), Sha256BlocksAccelerated());
  } else {
    EXPECT_EQ(Sha1BlocksBest(), &Sha1BlocksPortable);
    EXPECT_EQ(Sha256BlocksBest(), &Sha256BlocksPortable);
  }
}

// Random states and blocks, several block counts, the input deliberately misaligned.
template <std::size_t N>
void ExpectSameResults(BlockFunction reference, BlockFunction candidate) {
  for (std::size_t count : {0, 1, 2, 3, 7, 64, 1001}) {
    const auto buffer = RandomBytes(64 * count + 1, 77 + count);
    const std::uint8_t* blocks = buffer.data() + 1;
    auto expected = RandomState<N>(count);
    auto actual = expected;
    reference(expected.data(), blocks, count);
    candidate(actual.data(), blocks, count);
    EXPECT_EQ(actual, expected) << count << " blocks";
  }
}

TEST(BlockRoutines, Sha1AcceleratedAgreesWithPortable) {
  if (!Sha1BlocksAccelerated()) GTEST_SKIP() << "this CPU has no SHA extensions";
  ExpectSameResults<5>(&Sha1BlocksPortable, Sha1BlocksAccelerated());
}

TEST(BlockRoutines, Sha256AcceleratedAgreesWithPortable) {
  if (!Sha256BlocksAccelerated()) GTEST_SKIP() << "this CPU has no SHA extensions";
  ExpectSameResults<8>(&Sha256BlocksPortable, Sha256BlocksAccelerated());
}

TEST(BlockRoutines, ZeroBlocksLeaveTheStateAlone) {
  const auto original = RandomState<8>(5);
  for (BlockFunction f : {&Sha1BlocksPortable, Sha1BlocksBest()}) {
    auto state = original;
    f(state.data(), nullptr, 0);
    EXPECT_EQ(state, original);
  }
  for (BlockFunction f : {&Sha256BlocksPortable, Sha256BlocksBest()}) {
    auto state = original;
    f(state.data(), nullptr, 0);
    EXPECT_EQ(state, original);
  }
}

}  // namespace
}  // namespace brisvane
