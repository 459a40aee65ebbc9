#include "http_service.h"

#include <atomic>
#include <chrono>
#include <iostream>

namespace brisvane::reputation {
namespace {

Reply Word(int status, std::string_view word) {
  return Reply{.status = status, .body = std::string(word), .word = word};
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// "%XX" decoded, "+" a blank as in forms. A "%" without two hex digits stays as it is: such a value
// is no hash, and the reply says so.
std::string Decoded(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 && HexValue(text[i + 2]) >= 0) {
      out += static_cast<char>(HexValue(text[i + 1]) << 4 | HexValue(text[i + 2]));
      i += 2;
    } else {
      out += text[i] == '+' ? ' ' : text[i];
    }
  }
  return out;
}

// Under a flood of failing lookups (the database stopped) the log gets one line a second, not one a
// request; the metrics count them all.
void LogStoreError(const StoreError& error) {
  static std::atomic<std::int64_t> last_second{0};
  const std::int64_t now =
      std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now().time_since_epoch()).count();
  std::int64_t last = last_second.load(std::memory_order_relaxed);
  if (now != last && last_second.compare_exchange_strong(last, now)) {
    std::cerr << "reputation-server: " << error.what() << std::endl;
  }
}

}  // namespace

std::optional<std::vector<std::string>> HashValues(std::string_view query) {
  if (query.find('?') != std::string_view::npos) return std::nullopt;
  std::vector<std::string> values;
  while (!query.empty()) {
    const auto amp = query.find('&');
    const std::string_view pair = query.substr(0, amp);
    query = amp == std::string_view::npos ? std::string_view() : query.substr(amp + 1);
    const auto equals = pair.find('=');
    if (Decoded(pair.substr(0, equals)) != "hash") continue;
    values.push_back(equals == std::string_view::npos ? std::string() : Decoded(pair.substr(equals + 1)));
  }
  return values;
}

Reply LookupReply(RatingReader* reader, std::span<const std::string> hash_values, Metrics& metrics) {
  if (hash_values.empty()) return Word(400, "MISSINGHASH");
  // Two different hashes in one query would leave open which one is meant.
  for (const std::string& value : hash_values) {
    if (value != hash_values.front()) return Word(400, "INVALIDHASH");
  }
  const auto hash = ParseInfoHash(hash_values.front());
  if (!hash) return Word(400, "INVALIDHASH");
  try {
    if (!reader) throw StoreError("the ratings database cannot be opened");
    Reply reply = Word(200, RatingWord(reader->Find(*hash)));
    reply.cacheable = true;
    return reply;
  } catch (const StoreError& error) {
    metrics.CountStoreError();
    LogStoreError(error);
    return Word(500, "ERROR");
  }
}

Reply StatusReply(int status) {
  switch (status) {
    case 404:
      return Reply{.status = 404, .body = std::string(kNotFoundPage), .content_type = "text/html", .word = "page"};
    case 400:
      return Word(status, "BADREQUEST");
    case 405:
      return Word(status, "NOTALLOWED");
    case 413:
      return Word(status, "TOOLARGE");
    case 414:
      return Word(status, "URITOOLONG");
    default:
      return Word(status, "ERROR");
  }
}

Reply Answer(std::string_view method, std::string_view target, RatingReader* reader, Metrics& metrics) {
  const auto question = target.find('?');
  const std::string path = Decoded(target.substr(0, question));
  const std::string_view query = question == std::string_view::npos ? std::string_view() : target.substr(question + 1);
  if (path != kLookupPath && path != kHealthPath && path != kMetricsPath) return StatusReply(404);
  if (method != "GET" && method != "HEAD") {
    Reply reply = StatusReply(405);
    reply.names_allowed_methods = true;
    return reply;
  }
  if (path == kMetricsPath) {
    return Reply{.body = metrics.Render(), .content_type = "text/plain; version=0.0.4", .word = "metrics"};
  }
  if (path == kHealthPath) {
    try {
      if (!reader) throw StoreError("the ratings database cannot be opened");
      reader->Ping();
      return Word(200, "OK");
    } catch (const StoreError& error) {
      metrics.CountStoreError();
      LogStoreError(error);
      return Word(503, "ERROR");
    }
  }
  const auto values = HashValues(query);
  if (!values) return StatusReply(400);
  return LookupReply(reader, *values, metrics);
}

}  // namespace brisvane::reputation
