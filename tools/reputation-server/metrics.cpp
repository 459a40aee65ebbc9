#include "metrics.h"

#include <algorithm>
#include <cstdio>

namespace brisvane::reputation {
namespace {

void Line(std::string& out, const char* format, auto... values) {
  char line[256];
  std::snprintf(line, sizeof line, format, values...);
  out += line;
}

}  // namespace

Metrics::Metrics(std::size_t shards) : shards_(std::max<std::size_t>(shards, 1)) {}

void Metrics::CountRequest(std::size_t shard, int status, std::string_view word, std::chrono::nanoseconds latency) {
  const double seconds = std::chrono::duration<double>(latency).count();
  const auto bucket = static_cast<std::size_t>(
      std::lower_bound(kLatencyBuckets.begin(), kLatencyBuckets.end(), seconds) - kLatencyBuckets.begin());
  Shard& counts = shards_[shard % shards_.size()];
  std::lock_guard lock(counts.mutex);
  ++counts.requests[{status, word}];
  ++counts.latency[bucket];
  counts.latency_sum += seconds;
}

std::string Metrics::Render() const {
  std::map<std::pair<int, std::string_view>, std::uint64_t> requests;
  std::array<std::uint64_t, kLatencyBuckets.size() + 1> latency{};
  double latency_sum = 0;
  for (const Shard& shard : shards_) {
    std::lock_guard lock(shard.mutex);
    for (const auto& [key, count] : shard.requests) requests[key] += count;
    for (std::size_t i = 0; i < latency.size(); ++i) latency[i] += shard.latency[i];
    latency_sum += shard.latency_sum;
  }

  std::string out;
  out += "# HELP reputation_requests_total Requests answered, by status and reply word.\n"
         "# TYPE reputation_requests_total counter\n";
  for (const auto& [key, count] : requests) {
    const std::string word(key.second);
    Line(out, "reputation_requests_total{status=\"%d\",word=\"%s\"} %llu\n", key.first, word.c_str(),
         static_cast<unsigned long long>(count));
  }
  out += "# HELP reputation_request_duration_seconds From a request read whole to its reply written.\n"
         "# TYPE reputation_request_duration_seconds histogram\n";
  std::uint64_t cumulative = 0;
  for (std::size_t i = 0; i < kLatencyBuckets.size(); ++i) {
    cumulative += latency[i];
    Line(out, "reputation_request_duration_seconds_bucket{le=\"%g\"} %llu\n", kLatencyBuckets[i],
         static_cast<unsigned long long>(cumulative));
  }
  cumulative += latency.back();
  Line(out, "reputation_request_duration_seconds_bucket{le=\"+Inf\"} %llu\n", static_cast<unsigned long long>(cumulative));
  Line(out, "reputation_request_duration_seconds_sum %.6f\n", latency_sum);
  Line(out, "reputation_request_duration_seconds_count %llu\n", static_cast<unsigned long long>(cumulative));
  Line(out,
       "# HELP reputation_open_connections Client connections open now.\n"
       "# TYPE reputation_open_connections gauge\n"
       "reputation_open_connections %lld\n",
       static_cast<long long>(open_connections_.load(std::memory_order_relaxed)));
  Line(out,
       "# HELP reputation_refused_connections_total Connections turned away at the connection cap.\n"
       "# TYPE reputation_refused_connections_total counter\n"
       "reputation_refused_connections_total %llu\n",
       static_cast<unsigned long long>(refused_connections_.load(std::memory_order_relaxed)));
  Line(out,
       "# HELP reputation_store_errors_total Lookups the ratings database failed.\n"
       "# TYPE reputation_store_errors_total counter\n"
       "reputation_store_errors_total %llu\n",
       static_cast<unsigned long long>(store_errors_.load(std::memory_order_relaxed)));
  return out;
}

}  // namespace brisvane::reputation
