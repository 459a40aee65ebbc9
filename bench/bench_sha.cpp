// Throughput of the hash engine. The info-hash of a large torrent is a SHA-1 over a ~16 MB span, so the
// 16 MiB cases are the ones that matter; the small case is a typical info dictionary of a one-file torrent.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <vector>

#include "hash/sha1_strategy.h"
#include "hash/sha256_strategy.h"
#include "hash/sha_algorithm.h"
#include "hash/sha_blocks.h"

namespace brisvane {
namespace {

constexpr std::size_t k16MiB = std::size_t{16} << 20;

const std::vector<std::uint8_t>& Message(std::size_t length) {
  static std::vector<std::uint8_t> bytes;
  if (bytes.size() < length) {
    bytes.resize(length);
    std::uint32_t x = 0x12345678;
    for (auto& b : bytes) {
      x ^= x << 13;
      x ^= x >> 17;
      x ^= x << 5;
      b = static_cast<std::uint8_t>(x);
    }
  }
  return bytes;
}

void HashWith(benchmark::State& state, ISHAStrategy& strategy, std::size_t length) {
  const std::span<const std::uint8_t> message(Message(length).data(), length);
  SHAAlgorithm engine;
  for (auto _ : state) benchmark::DoNotOptimize(engine.Run(message, strategy));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(length));
}

void BM_Sha1_16MiB_Accelerated(benchmark::State& state) {
  if (!Sha1BlocksAccelerated()) {
    state.SkipWithError("this CPU has no SHA extensions");
    return;
  }
  SHA1Strategy strategy(Sha1BlocksAccelerated());
  HashWith(state, strategy, k16MiB);
}
BENCHMARK(BM_Sha1_16MiB_Accelerated)->Unit(benchmark::kMillisecond);

void BM_Sha1_16MiB_Portable(benchmark::State& state) {
  SHA1Strategy strategy(&Sha1BlocksPortable);
  HashWith(state, strategy, k16MiB);
}
BENCHMARK(BM_Sha1_16MiB_Portable)->Unit(benchmark::kMillisecond);

// Every round through the strategy's virtual Expand and Round, as with a strategy that offers no shortcut.
void BM_Sha1_16MiB_DrivenRounds(benchmark::State& state) {
  SHA1Strategy strategy(nullptr);
  HashWith(state, strategy, k16MiB);
}
BENCHMARK(BM_Sha1_16MiB_DrivenRounds)->Unit(benchmark::kMillisecond);

// What the torrent decoder calls: a fresh engine and the text form, over a 16 MiB span.
void BM_Sha1FromString_16MiB(benchmark::State& state) {
  const auto& bytes = Message(k16MiB);
  const std::string_view text(reinterpret_cast<const char*>(bytes.data()), k16MiB);
  for (auto _ : state) benchmark::DoNotOptimize(SHAAlgorithm().SHA1FromString(text));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(k16MiB));
}
BENCHMARK(BM_Sha1FromString_16MiB)->Unit(benchmark::kMillisecond);

void BM_Sha256_16MiB_Accelerated(benchmark::State& state) {
  if (!Sha256BlocksAccelerated()) {
    state.SkipWithError("this CPU has no SHA extensions");
    return;
  }
  SHA256Strategy strategy(Sha256BlocksAccelerated());
  HashWith(state, strategy, k16MiB);
}
BENCHMARK(BM_Sha256_16MiB_Accelerated)->Unit(benchmark::kMillisecond);

void BM_Sha256_16MiB_Portable(benchmark::State& state) {
  SHA256Strategy strategy(&Sha256BlocksPortable);
  HashWith(state, strategy, k16MiB);
}
BENCHMARK(BM_Sha256_16MiB_Portable)->Unit(benchmark::kMillisecond);

// A small info dictionary, a fresh engine each time as the decoder makes one.
void BM_Sha1FromString_Small(benchmark::State& state) {
  const auto& bytes = Message(static_cast<std::size_t>(state.range(0)));
  const std::string_view text(reinterpret_cast<const char*>(bytes.data()), static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(SHAAlgorithm().SHA1FromString(text));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}
BENCHMARK(BM_Sha1FromString_Small)->Arg(3)->Arg(200);

}  // namespace
}  // namespace brisvane
