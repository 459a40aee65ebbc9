// Throughput of the hash engine. The info-hash of a large torrent is a SHA-1 over a ~16 MB span, so the
// 16 MiB cases are the ones that matter; the small case is a typical info dictionary of a one-file torrent.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <span>
#include <vector>

#include "hash/sha_blocks.h"
#include "hash/sha_digest.h"

namespace brisvane {
namespace {

constexpr std::size_t k16MiB = std::size_t{16} << 20;

std::span<const std::uint8_t> Message(std::size_t length) {
  static const std::vector<std::uint8_t> bytes = [] {
    std::vector<std::uint8_t> random(k16MiB);
    std::uint32_t x = 0x12345678;
    for (auto& b : random) {
      x ^= x << 13;
      x ^= x >> 17;
      x ^= x << 5;
      b = static_cast<std::uint8_t>(x);
    }
    return random;
  }();
  return std::span(bytes).first(length);
}

// SHA-1 or SHA-256 over 16 MiB through one block routine; skipped when this CPU has no such routine.
enum class Algorithm { Sha1, Sha256 };
void BM_Sha16MiB(benchmark::State& state, Algorithm algorithm, BlockFunction blocks) {
  if (blocks == nullptr) {
    state.SkipWithError("this CPU has no SHA extensions");
    return;
  }
  const ShaStrategy strategy = algorithm == Algorithm::Sha1 ? Sha1Strategy(blocks) : Sha256Strategy(blocks);
  const auto message = Message(k16MiB);
  for (auto _ : state) benchmark::DoNotOptimize(ShaHex(message, strategy));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(k16MiB));
}
BENCHMARK_CAPTURE(BM_Sha16MiB, Sha1Accelerated, Algorithm::Sha1, Sha1BlocksAccelerated())
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Sha16MiB, Sha1Portable, Algorithm::Sha1, &Sha1BlocksPortable)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Sha16MiB, Sha256Accelerated, Algorithm::Sha256, Sha256BlocksAccelerated())
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Sha16MiB, Sha256Portable, Algorithm::Sha256, &Sha256BlocksPortable)
    ->Unit(benchmark::kMillisecond);

// What the torrent decoder calls, over a large span and over a small info dictionary.
void BM_Sha1Hex(benchmark::State& state) {
  const auto message = Message(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(Sha1Hex(message));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}
BENCHMARK(BM_Sha1Hex)->Arg(3)->Arg(200);
BENCHMARK(BM_Sha1Hex)->Arg(k16MiB)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace brisvane
