#include "hash/sha_blocks.h"

#if defined(__x86_64__) && defined(__GNUC__)
#include <cpuid.h>
#endif

namespace brisvane {

#if defined(__x86_64__) && defined(__GNUC__)
// Defined in sha1_blocks.cpp and sha256_blocks.cpp; only ever called when the CPU has the instructions.
void Sha1BlocksShaNi(Word* hash, const std::uint8_t* blocks, std::size_t count);
void Sha256BlocksShaNi(Word* hash, const std::uint8_t* blocks, std::size_t count);

namespace {
bool CpuHasShaExtensions() {
  static const bool has = [] {
    unsigned a = 0, b = 0, c = 0, d = 0;
    if (!__get_cpuid(1, &a, &b, &c, &d)) return false;
    const bool ssse3_sse41 = (c & bit_SSSE3) && (c & bit_SSE4_1);
    if (!__get_cpuid_count(7, 0, &a, &b, &c, &d)) return false;
    return ssse3_sse41 && (b & bit_SHA) != 0;
  }();
  return has;
}
}  // namespace

BlockFunction Sha1BlocksAccelerated() { return CpuHasShaExtensions() ? &Sha1BlocksShaNi : nullptr; }
BlockFunction Sha256BlocksAccelerated() { return CpuHasShaExtensions() ? &Sha256BlocksShaNi : nullptr; }
#else
BlockFunction Sha1BlocksAccelerated() { return nullptr; }
BlockFunction Sha256BlocksAccelerated() { return nullptr; }
#endif

BlockFunction Sha1BlocksBest() {
  const BlockFunction fast = Sha1BlocksAccelerated();
  return fast ? fast : &Sha1BlocksPortable;
}
BlockFunction Sha256BlocksBest() {
  const BlockFunction fast = Sha256BlocksAccelerated();
  return fast ? fast : &Sha256BlocksPortable;
}

}  // namespace brisvane
