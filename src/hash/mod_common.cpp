#include "hash/mod_common.h"

#include <atomic>
#include <mutex>
#include <stdexcept>
#include <string>

namespace brisvane::modCommon {
namespace {
std::array<Word, 32> low_bit_masks{};
std::array<Word, 32> powers_of_two{};
std::once_flag tables_once;
std::atomic<bool> tables_ready{false};
}  // namespace

const std::array<Word, 32>& LowBitMasks = low_bit_masks;
const std::array<Word, 32>& PowersOfTwo = powers_of_two;

void InitBitTables() {
  std::call_once(tables_once, [] {
    for (int k = 0; k < 32; ++k) {
      powers_of_two[k] = Word{1} << k;
      low_bit_masks[k] = k == 31 ? 0xFFFFFFFFu : (Word{1} << (k + 1)) - 1;
    }
    tables_ready.store(true, std::memory_order_release);
  });
}

bool BitTablesReady() { return tables_ready.load(std::memory_order_acquire); }

void detail::BadShiftCount(const char* routine, int n) {
  throw std::out_of_range(std::string(routine) + ": shift count " + std::to_string(n) + " is outside 0..32");
}

}  // namespace brisvane::modCommon
