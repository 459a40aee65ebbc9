#pragma once
// One synchronous HTTP GET, as the reputation lookup needs it: raw body bytes, and a clear line between
// "the request could not be made" and "the server answered something".
#include <chrono>
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "platform/file_system.h"

namespace brisvane {

// A rating word is a few bytes. More than this is kept up to the cap and flagged, so that a flooding
// server cannot exhaust memory.
inline constexpr std::size_t kMaxReplyBytes = 4096;

// Every step has its own limit; none is left to a library default (WinHTTP's resolve limit is
// infinite). Together they stay under half a minute, and the whole exchange is also held to
// `total` (a server that trickles bytes cannot stretch it past one extra receive wait).
struct HttpTimeouts {
  std::chrono::milliseconds resolve{5000};
  std::chrono::milliseconds connect{5000};
  std::chrono::milliseconds send{5000};
  std::chrono::milliseconds receive{10000};
  std::chrono::milliseconds total{25000};
};

struct HttpReply {
  // False when no answer came: a URL the client cannot parse, a name that does not resolve, a refused
  // or dropped connection, a time-out, a protocol error. `error` then says why, for people.
  bool sent = false;
  Bytes body;              // at most kMaxReplyBytes
  bool truncated = false;  // the server had more than kMaxReplyBytes to give
  std::string error;
  int status = 0;          // the HTTP status code, for diagnostics; the lookup does not judge by it
};

class IHttpClient {
 public:
  virtual ~IHttpClient() = default;
  // GET `url` as given (no escaping), following redirects, with the system's proxy settings.
  virtual HttpReply Get(std::string_view url) = 0;
};

// The machine's HTTP stack: WinHTTP on Windows, libcurl elsewhere.
std::unique_ptr<IHttpClient> MakeSystemHttpClient(const HttpTimeouts& timeouts = {});

}  // namespace brisvane
