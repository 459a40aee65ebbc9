#pragma once
// What each request is answered, apart from how it travels: the lookup, the health check, the metrics
// and the error replies. The server (http_server.h) only carries these.
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "metrics.h"
#include "rating_store.h"

namespace brisvane::reputation {

inline constexpr std::string_view kLookupPath = "/api/fakeskan.php";
inline constexpr std::string_view kHealthPath = "/healthz";
inline constexpr std::string_view kMetricsPath = "/metrics";
inline constexpr std::string_view kNotFoundPage =
    "<html><head><title>404 Not Found</title></head><body>Not Found</body></html>";
// How long a cache or CDN in front may keep a rating: short, so that a new rating reaches users soon.
inline constexpr int kRatingMaxAgeSeconds = 60;

struct Reply {
  int status = 200;
  std::string body;
  std::string_view content_type = "text/plain";
  // The word the metrics count the reply under: the body's word, "page" for the 404 page.
  std::string_view word;
  // Only ratings may be kept by caches; errors and the store's state are asked afresh.
  bool cacheable = false;
  // For 405: the methods the path takes.
  bool names_allowed_methods = false;
};

// The percent-decoded values of every "hash" key in a query (the text after "?"), in order; nullopt
// when the query cannot be a query (a second "?").
std::optional<std::vector<std::string>> HashValues(std::string_view query);

// GET on the lookup path. One valid hash (given once, or repeated with the same value) gets its rating
// word; none gets 400 "MISSINGHASH", anything else 400 "INVALIDHASH". Every body is one word without
// a line break; a failing database gives 500 "ERROR" (and is counted and logged). `reader` may be null
// when the store could not be opened.
Reply LookupReply(RatingReader* reader, std::span<const std::string> hash_values, Metrics& metrics);

// The body for an error status: the usual page for 404, one word otherwise.
Reply StatusReply(int status);

// A whole request: its method ("GET", "HEAD", anything else) and its target as sent.
Reply Answer(std::string_view method, std::string_view target, RatingReader* reader, Metrics& metrics);

}  // namespace brisvane::reputation
