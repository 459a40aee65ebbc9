#pragma once
// Counters for GET /metrics, in the Prometheus text format. Each server thread counts into a shard of
// its own, so that counting takes no lock that another thread wants.
#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace brisvane::reputation {

class Metrics {
 public:
  // Upper bounds of the latency buckets, in seconds.
  static constexpr std::array<double, 12> kLatencyBuckets = {0.0001, 0.00025, 0.0005, 0.001, 0.0025, 0.005,
                                                             0.01,   0.025,   0.05,   0.1,   0.5,    1.0};

  explicit Metrics(std::size_t shards);

  // `word` must outlive the Metrics (the words are constants).
  void CountRequest(std::size_t shard, int status, std::string_view word, std::chrono::nanoseconds latency);
  void CountStoreError() { store_errors_.fetch_add(1, std::memory_order_relaxed); }
  void ConnectionOpened() { open_connections_.fetch_add(1, std::memory_order_relaxed); }
  void ConnectionClosed() { open_connections_.fetch_sub(1, std::memory_order_relaxed); }
  void ConnectionRefused() { refused_connections_.fetch_add(1, std::memory_order_relaxed); }
  std::int64_t open_connections() const { return open_connections_.load(std::memory_order_relaxed); }

  std::string Render() const;

 private:
  struct Shard {
    mutable std::mutex mutex;
    std::map<std::pair<int, std::string_view>, std::uint64_t> requests;
    std::array<std::uint64_t, kLatencyBuckets.size() + 1> latency{};
    double latency_sum = 0;
  };

  std::vector<Shard> shards_;
  std::atomic<std::int64_t> open_connections_{0};
  std::atomic<std::uint64_t> refused_connections_{0};
  std::atomic<std::uint64_t> store_errors_{0};
};

}  // namespace brisvane::reputation
